#pragma once

// What every fuzz target shares: the tests' program on a temporary data folder (in memory when
// scripts/fuzz.sh runs it) with a simulated clock, its receiver answering every command line with
// the bytes the fuzzer chose.
#include <cstdlib>

#include "TestSupport.h"

namespace qc::fuzz {

// A broken invariant: libFuzzer keeps the input that caused it.
inline void require(bool ok) {
    if (!ok) std::abort();
}

// One program for the whole run: a fresh folder for every input would cost more than the input.
inline test::TestProgram& program() {
    static test::TestProgram* p = [] {
        auto* made = new test::TestProgram;
        QDir().mkpath(made->file(QStringLiteral("logs")));
        return made;
    }();
    return *p;
}

// The program made new on its folder with an empty logs folder: receiver 1 on COM1, receiver 2 on COM2, 9600
// baud, the activity log on; the receiver answers `answer` to every command line.
inline Module1& reset(test::TestProgram& p, const QByteArray& answer = {}) {
    p.serial.close();
    p.serial.writes.clear();
    p.serial.answer = [answer](const QByteArray&) { return answer; };
    p.messages.clear();
    // The logs of the inputs before go: over millions of inputs they would fill the folder.
    QDir(p.file(QStringLiteral("logs"))).removeRecursively();
    QDir().mkpath(p.file(QStringLiteral("logs")));
    p.makeModule();
    p.m->BaudIndex = 1;
    p.m->Rx1Port = 1;
    p.m->Rx2Port = 2;
    p.m->ActivityLogOn = 1;
    return *p.m;
}

// Every byte written to any port since the last reset, in order.
inline QByteArray written(const test::TestProgram& p) {
    QByteArray out;
    for (const auto& w : p.serial.writes)
        out += w.bytes;
    return out;
}

}  // namespace qc::fuzz
