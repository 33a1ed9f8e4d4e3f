#pragma once

#include "LogWindow.h"

namespace qc {

// The MPEG status log viewer, behind the hidden "&MPEG" command: a day's log as it was written.
class frmMPEGLog : public LogWindow {
    Q_OBJECT
public:
    // Shows the viewer: created and loaded on first use, otherwise only brought to the front.
    static frmMPEGLog* showViewer(Module1& m, QWidget* owner = nullptr);
    static frmMPEGLog* instance();

private:
    friend class LogWindow;
    frmMPEGLog(Module1& m, QWidget* owner) : LogWindow(m, LogViewer::Window::MPEGLog, owner) {}
};

}  // namespace qc
