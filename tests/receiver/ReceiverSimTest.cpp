// The receiver simulator that the serial tests and the demo talk to: its answers, its options, and
// its pty link.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "ReceiverModel.h"
#include "Responder.h"
#include "SimOptions.h"
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

SimOptions options(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", "/h", "--port", "1"});
    return parseArgs(args).options;
}

TEST(Options, AreParsedOrRefused) {
    const ParsedArgs p =
        parseArgs({"--home", "/h", "--port=2", "--log", "/l", "--baud", "19200", "--delay=1600", "--ebno", "",
                   "--cut", "--endless", "--garbage", "--silent", "--seed", "7"});
    ASSERT_EQ(p.action, ParsedArgs::Action::Run);
    const SimOptions& o = p.options;
    EXPECT_TRUE(o.home == "/h" && o.port == 2 && o.logFile == "/l" && o.baud == 19200 && o.delayMs == 1600);
    EXPECT_TRUE(o.ebno.empty() && o.cut && o.endless && o.garbage && o.silent && o.seed == 7u);
    EXPECT_EQ(parseArgs({"--port", "1", "--help"}).action, ParsedArgs::Action::Help);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--port", "1"},
                                               {"--home", "/h", "--port", "0"},
                                               {"--home", "/h", "--port", "1x"},
                                               {"--home", "/h", "--port"},
                                               {"--home", "/h", "--port", "1", "--baud", "9601"},
                                               {"--home", "/h", "--port", "1", "--delay", "-1"},
                                               {"--home", "/h", "--port", "1", "extra"}})
        EXPECT_EQ(parseArgs(bad).action, ParsedArgs::Action::Error) << bad.back();
}

TEST(Replies, FollowTheOptions) {
    EXPECT_EQ(Responder(options({})).respond("EB", 38400)->answer, "EbNo 7.5 dB\r\n>");
    EXPECT_EQ(Responder(options({"--cut"})).respond("EB", 0)->answer, "EbNo 7.5 dB\r\n");
    EXPECT_FALSE(Responder(options({"--silent"})).respond("EB", 0));
    Responder endless(options({"--endless"}));
    EXPECT_TRUE(endless.respond("EB", 0)->endless);
    EXPECT_EQ(endless.endlessChunk().find('>'), std::string::npos);
    // Garbage has no prompt but at its end, so only the collection's limit can end an endless one.
    Responder garbage(options({"--garbage", "--seed", "1"}));
    for (int i = 0; i < 200; ++i) {
        const std::string a = garbage.respond("EB", 0)->answer;
        EXPECT_EQ(a.find('>'), a.size() - 1);
    }
    // A line at the wrong speed is noise: no answer, no effect.
    Responder fast(options({"--baud", "19200"}));
    EXPECT_FALSE(fast.respond("RE C 1", 9600));
    EXPECT_FALSE(fast.model().relayClosed(1));
    EXPECT_TRUE(fast.respond("RE C 2", 19200));
    EXPECT_TRUE(fast.model().relayClosed(2));
}

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
