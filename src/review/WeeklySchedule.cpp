// The week at a glance: every switch of every active entry, both receivers together, ordered by day
// of the week (Sunday first) and switch time.
#include "core/Module1.h"

namespace qc {

void Module1::BuildWeeklySchedule() {
    lstWeeklySchedule.clear();
    lstSort.clear();

    // A sort line: day digit, the stored time, a blank, the stored name, a blank, the receiver tag.
    // The digit and the fixed-width time put the lines in week order.
    std::vector<SortedList::Item> sortLines;
    for (qint64 record = 1; GetRecord(record); ++record) {
        if (EntryBuf.Active != 1) continue;
        for (int day = 0; day < 7; ++day) {
            if (EntryBuf.Days[day] != 1) continue;
            const QByteArray tag =
                TwoReceivers != 0 ? "R " + QByteArray::number(EntryBuf.Receiver) : QByteArray();
            sortLines.push_back(
                {QByteArray::number(day + 1) + EntryBuf.Times[day] + ' ' + EntryBuf.Name + ' ' + tag});
        }
    }
    lstSort.assign(std::move(sortLines));

    std::vector<SortedList::Item> shown;
    shown.reserve(lstSort.count());
    for (const SortedList::Item& item : lstSort.items()) {
        const int day = item.line.at(0) - '0';
        shown.push_back({DayNames[day].left(3) + ' ' + item.line.mid(1)});
    }
    lstWeeklySchedule.assign(std::move(shown));
}

}  // namespace qc
