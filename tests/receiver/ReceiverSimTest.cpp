// The receiver simulator that the serial tests and the demo talk to: its answers and its pty link.
// Its options are used, and so tried, by the device tests.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "ReceiverModel.h"
#include "support/ReceiverSim.h"

namespace receiversim {
namespace {

// Lines sent one after the other, separated by "|"; the answer to the last.
struct Script {
    const char* lines;
    const char* answer;
};

class Model : public ::testing::TestWithParam<Script> {};

TEST_P(Model, AnswersLikeAReceiver) {
    ReceiverModel model;
    std::string answer;
    for (const QString& line : QString::fromLatin1(GetParam().lines).split('|'))
        answer = model.answer(line.toStdString());
    EXPECT_EQ(answer, GetParam().answer) << GetParam().lines;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Model,
    ::testing::Values(
        Script{"", ""}, Script{"  ", ""}, Script{"EB", "EbNo 7.5 dB\r\n"}, Script{"EB \t", "EbNo 7.5 dB\r\n"},
        Script{"eb", "ERROR: unknown command\r\n"}, Script{"FC", "Fade Counter 0\r\n"},
        Script{"Port F", "OK\r\n"}, Script{"Port G", "ERROR: unknown command\r\n"},
        Script{"SETAUDIO 1,2", "OK\r\n"}, Script{"SETAUDIOX", "ERROR: unknown command\r\n"},
        Script{"RE C 3", "ERROR: unknown command\r\n"}, Script{"ER E 15", "ERROR: unknown command\r\n"},
        Script{"SP A,S,1x", "ERROR: unknown command\r\n"}, Script{"AM AB,3", "ERROR: unknown command\r\n"},
        Script{"RE C 2|RE c,1|RE O 2|RE O 0|R R", "Relay 1: CLOSED\r\nRelay 2: OPEN\r\n"},
        Script{"AM C,5|SP A,S,14|AM A, 3|SP A,S,9|SP B , x , 2|R M",
               "MPEG STATUS\r\nLock: YES\r\nPort A: Source 9 Route 3\r\nPort B: Source 2 Route -\r\n"
               "Port C: Source - Route 5\r\nBitrate: 128 kbit/s\r\n"}));

// A link left behind by a simulator that died is replaced, and the link goes with the simulator.
TEST(Executable, LinksItsPtyAndRemovesTheLinkWhenStopped) {
    QTemporaryDir home;
    const QString link = home.filePath("COM3");
    ASSERT_TRUE(QFile::link("/nonexistent", link));
    qc::test::ReceiverSim sim(home.path(), 3);
    ASSERT_TRUE(sim.ready());
    EXPECT_TRUE(QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"));
    sim.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace receiversim
