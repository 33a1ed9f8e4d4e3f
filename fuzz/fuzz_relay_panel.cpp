// The relay panel against a receiver that answers anything: the commands on the wire depend on the
// mode and the button alone, the port is let go after each exchange, and no wait outlasts its limit.
#include "FuzzSupport.h"
#include "receiver/RelayPanel.h"

using namespace qc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    test::TestProgram& p = fuzz::program();
    fuzz::reset(p, QByteArray(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2)));
    p.m->MonitorCommand = data[0] & 1 ? "R ER" : "R R";
    p.m->CommandPort = 1;
    RelayPanel panel(*p.m, p.serial);
    const QDateTime before = p.clock.now();
    panel.Form_Load();
    const int index = data[1] % RelayPanel::ButtonCount;
    panel.cmdR_Click(index);
    fuzz::require(!p.serial.isOpen() && before.msecsTo(p.clock.now()) <= 8000);
    QByteArray expected = p.m->MonitorCommand + '\r';
    if (data[0] & 1)
        expected += (index % 2 ? "ER E " : "ER D ") + QByteArray::number(index / 2 + 1) + '\r';
    else if (index < 4)
        expected += QByteArray(index % 2 ? "RE C " : "RE O ") + char('1' + index / 2) + '\r';
    fuzz::require(fuzz::written(p) == expected + p.m->MonitorCommand + '\r');
    return 0;
}
