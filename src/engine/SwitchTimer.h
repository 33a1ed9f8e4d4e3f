#pragma once

#include <QObject>

namespace qc {

// The enabled state of one switch-command repeater (Timer1, Timer2). The logic switches it; whoever
// drives the program (the main window's QTimer, a simulation) listens and fires the cycle's ticks.
class SwitchTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 2000;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on) {
        if (on == enabled_) return;
        enabled_ = on;
        emit enabledChanged(on);
    }

signals:
    void enabledChanged(bool enabled);

private:
    bool enabled_ = false;
};

}  // namespace qc
