#pragma once

#include <QHash>
#include <QString>

#include "platform/Clock.h"

namespace qc {

// A fault that lasts (a receiver unplugged, a full disk) repeats its message at every attempt. Shown
// again within the hour after its last showing, a message is counted instead of shown as new:
// "<text> (12 times since 02:13)", the time being that of the first of the run.
class MessageRepeats {
public:
    QString shown(const QString& text, const Clock::Reading& now);

private:
    struct Repeat {
        int count = 0;
        qint64 lastMs = 0;
        QString since;
    };
    QHash<QString, Repeat> repeats_;
};

}  // namespace qc
