#include "frmActivityLog.h"

namespace qc {

namespace {
QPointer<frmActivityLog> instance_;
}

frmActivityLog* frmActivityLog::showViewer(Module1& m, QWidget* owner) {
    return showOrRaise(instance_, m, owner);
}

frmActivityLog* frmActivityLog::instance() {
    return instance_.data();
}

}  // namespace qc
