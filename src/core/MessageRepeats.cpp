#include "MessageRepeats.h"

namespace qc {

QString MessageRepeats::shown(const QString& text, const Clock::Reading& now) {
    constexpr qint64 kHourMs = 3600 * 1000;
    auto it = repeats_.find(text);
    if (it != repeats_.end() && now.utcMs - it->lastMs >= 0 && now.utcMs - it->lastMs < kHourMs) {
        ++it->count;
        it->lastMs = now.utcMs;
        return QStringLiteral("%1 (%2 times since %3)").arg(text).arg(it->count).arg(it->since);
    }
    if (repeats_.size() >= 64) {
        // Only the messages of the last hour can still be counted.
        for (auto old = repeats_.begin(); old != repeats_.end();)
            old = now.utcMs - old->lastMs >= kHourMs ? repeats_.erase(old) : std::next(old);
        if (repeats_.size() >= 256) repeats_.clear();  // a flood of different texts is not counted
    }
    repeats_.insert(text, {1, now.utcMs, now.local.time().toString(QStringLiteral("HH:mm"))});
    return text;
}

}  // namespace qc
