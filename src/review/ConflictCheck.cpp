// The check after an edit for entries that make one receiver switch twice in the same second.
#include <algorithm>
#include <cstring>

#include "core/Module1.h"

namespace qc {

namespace {

// Day name, blank and the stored switch time: in a week of seven consecutive days an equal key is
// the same date and second.
constexpr qsizetype kKeyLength = 12;

bool sameMoment(const QByteArray& a, const QByteArray& b) {
    // Compared as the first 12 characters would be: a shorter line takes part with what it has.
    const qsizetype na = std::min(a.size(), kKeyLength);
    const qsizetype nb = std::min(b.size(), kKeyLength);
    return na == nb && std::memcmp(a.constData(), b.constData(), na) == 0;
}

void checkConflicts(Module1& m, const SortedList& week) {
    m.lstConflicts.clear();
    std::vector<SortedList::Item> found;
    const std::vector<SortedList::Item>& lines = week.items();
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!sameMoment(lines[i].line, lines[i + 1].line)) continue;
        // Each adjacent pair on its own: a run of three gives the middle line twice.
        found.push_back(lines[i]);
        found.push_back(lines[i + 1]);
    }
    m.lstConflicts.assign(std::move(found));
    emit m.conflictsChecked(m.lstConflicts.count() > 0);
}

}  // namespace

void Module1::CheckConflicts1() {
    checkConflicts(*this, lstNextToSwitch);
}

void Module1::CheckConflicts2() {
    checkConflicts(*this, lstNextToSwitch2);
}

}  // namespace qc
