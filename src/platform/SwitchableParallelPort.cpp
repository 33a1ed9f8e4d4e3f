#include "SwitchableParallelPort.h"

namespace qc {

void SwitchableParallelPort::write() {
    if (current_ && (dataKnown_ || testBits_ != 0)) current_->Outp(DataRegister, data_ | testBits_);
}

void SwitchableParallelPort::Outp(int address, int value) {
    if (address == DataRegister) {
        data_ = value;
        dataKnown_ = true;
        write();
    } else if (current_) {
        current_->Outp(address, value);
    }
}

int SwitchableParallelPort::Inp(int address) {
    if (current_) return current_->Inp(address);
    return address == StatusRegister ? 127 : 0;
}

void SwitchableParallelPort::replace(std::unique_ptr<ParallelPort> next) {
    current_ = std::move(next);
    write();
}

void SwitchableParallelPort::setTestBits(int bits) {
    testBits_ = bits;
    // The program's own value is written back when the test ends, also if it never wrote one.
    dataKnown_ = true;
    write();
}

}  // namespace qc
