#pragma once

#include "LogWindow.h"

namespace qc {

// The activity and EbNo log viewer (Module1::LogKind "AL" or "EB"): choose a day, read it by time
// or by event, print it.
class frmActivityLog : public LogWindow {
    Q_OBJECT
public:
    // Shows the viewer: created and loaded on first use, otherwise only brought to the front.
    static frmActivityLog* showViewer(Module1& m, QWidget* owner = nullptr);
    static frmActivityLog* instance();

private:
    friend class LogWindow;
    frmActivityLog(Module1& m, QWidget* owner) : LogWindow(m, LogViewer::Window::ActivityLog, owner) {}
};

}  // namespace qc
