#pragma once

#include <memory>

#include "ParallelPort.h"

namespace qc {

// The port the program holds for its whole run, passing each call to the station I/O in use, which
// can be replaced while the program runs. Without one, the outputs go nowhere and the inputs read as
// none active.
//
// It keeps the data register as the program last wrote it, so a replacement starts with the outputs
// the program holds (a remote start under way stays on), and it can add outputs of its own for a
// test without the program's being changed by them.
class SwitchableParallelPort : public ParallelPort {
public:
    void Outp(int address, int value) override;
    int Inp(int address) override;

    // Puts `next` in place (null: none) and gives it the outputs; throws QcError when it does not
    // take them (it is in place all the same and gets them again at the next write).
    void replace(std::unique_ptr<ParallelPort> next);
    ParallelPort* current() const { return current_.get(); }
    std::unique_ptr<ParallelPort> release() { return std::move(current_); }

    // Data bits held on beside the program's own (a test of the outputs); throws as Outp does.
    void setTestBits(int bits);
    int data() const { return data_; }

private:
    void write();

    std::unique_ptr<ParallelPort> current_;
    int data_ = 0;
    bool dataKnown_ = false;
    int testBits_ = 0;
};

}  // namespace qc
