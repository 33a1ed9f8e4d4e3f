#include "Module1.h"

namespace qc {

Module1::Module1(Paths paths, Clock& clock, SerialLine& serial, ParallelPort& port, QObject* parent)
    : QObject(parent), paths_(std::move(paths)), clock_(clock), serial_(serial), port_(port) {}

Module1::~Module1() {
    serial_.close();
}

void Module1::ShowMessage(const QString& text) {
    emit messageShown(text);
}

}  // namespace qc
