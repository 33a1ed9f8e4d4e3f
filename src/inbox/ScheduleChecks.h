#pragma once

#include <QByteArray>
#include <QStringList>
#include <array>

namespace qc {

// A schedule delivered from outside the program is held to what the editor would store before it
// replaces the running one. The largest file taken: a stray file of gigabytes is never read whole.
constexpr qint64 kMostDeliveredRecords = 65535;

// Why the delivered SwitchList.dat bytes must not run, one line each, naming the record and the
// field ("record 3 ("Morning News"), Receiver: ..."); empty when they may. The file must be whole
// 113-byte records, at least one; every active entry needs Receiver 0-2 and RemoteMode 1-3, a time
// the editor accepts on each ticked day and, when Holding, a Length it accepts. At most `limit`
// lines, then one that counts the rest.
QStringList deliveredScheduleFaults(const QByteArray& bytes, const std::array<QByteArray, 8>& dayNames,
                                    bool remoteStartOn, int limit = 50);

}  // namespace qc
