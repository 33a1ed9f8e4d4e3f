#pragma once

// A serial line with nothing on it, for the benchmarks of work that never talks to a receiver.
#include "platform/SerialLine.h"

namespace qc::bench {

class IdleSerialLine : public SerialLine {
public:
    void open(int, const QByteArray&) override {}
    void write(const QByteArray&) override {}
    QByteArray readAll() override { return {}; }
    void waitForInput(int) override {}
    void close() override {}
    bool isOpen() const override { return false; }
};

}  // namespace qc::bench
