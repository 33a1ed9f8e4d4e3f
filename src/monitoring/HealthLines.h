#pragma once

#include <QString>

#include "HealthModel.h"

namespace qc {

// One line of health at a glance, for the main window: its text and how it stands.
struct HealthLine {
    enum Level { Unknown, Good, Doubtful, Alert };
    QString text;
    Level level = Unknown;
    bool operator==(const HealthLine&) const = default;
};

// A receiver's line: "Answering", "Not answering since 02:13", "EbNo 2.0 dB low", ...
HealthLine receiverHealthLine(const HealthModel& health, int receiver);
// The station's line: its active station alerts, or "Station OK".
HealthLine stationHealthLine(const HealthModel& health);

}  // namespace qc
