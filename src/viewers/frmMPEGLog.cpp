#include "frmMPEGLog.h"

namespace qc {

namespace {
QPointer<frmMPEGLog> instance_;
}

frmMPEGLog* frmMPEGLog::showViewer(Module1& m, QWidget* owner) {
    return showOrRaise(instance_, m, owner);
}

frmMPEGLog* frmMPEGLog::instance() {
    return instance_.data();
}

}  // namespace qc
