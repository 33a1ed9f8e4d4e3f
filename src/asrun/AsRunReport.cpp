// Reading the as-run record back for a report: each file in one pass over its bytes, the rows as
// views into them; a damaged row is skipped with a warning and the rest is read.
#include "AsRunReport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <map>

#include "platform/QcError.h"

namespace qc {

namespace {

// The files of the logs folder by their name in lower case: the folder is read once, whatever the
// range, and a name is found in any letter case.
QHash<QString, QString> filesByName(const QString& folder) {
    QHash<QString, QString> names;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : entries) {
        const QString key = name.toLower();
        // The spelling of the record itself wins over a copy's.
        if (!names.contains(key) || name.startsWith(QLatin1String("AR"))) names.insert(key, name);
    }
    return names;
}

}  // namespace

AsRunReport AsRunReport::read(const QString& logsFolder, const QDate& from, const QDate& to) {
    AsRunReport report;
    report.from = from;
    report.to = to;
    const QHash<QString, QString> names = filesByName(logsFolder);
    QStringList done;  // two dates a century apart share a name
    for (QDate d = from; d.isValid() && d <= to; d = d.addDays(1)) {
        const auto it = names.constFind(asRunFileName(d).toLower());
        if (it == names.constEnd() || done.contains(*it)) continue;
        done << *it;
        const QString path = QDir(logsFolder).filePath(*it);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            report.warnings << QStringLiteral("%1: cannot be read (%2)").arg(path, file.errorString());
            continue;
        }
        report.addFile(file.readAll(), path);
    }
    report.sort();
    return report;
}

void AsRunReport::addFile(QByteArray bytes, const QString& file) {
    files_.push_back(std::move(bytes));
    const QByteArray& data = files_.back();
    const char* const begin = data.constData();
    const char* const end = begin + data.size();
    const char* p = begin;
    int line = 1;
    QByteArrayView fields[12];
    while (p < end) {
        const char* const rowStart = p;
        const int rowLine = line;
        int count = 0;
        bool bad = false;
        bool header = false;
        // One row: fields up to its line end outside quotes.
        for (;;) {
            QByteArrayView field;
            if (p < end && *p == '"') {
                const char* const open = ++p;
                bool doubled = false;
                for (;;) {
                    while (p < end && *p != '"') {
                        if (*p == '\n') ++line;
                        ++p;
                    }
                    if (p + 1 < end && p[1] == '"') {
                        doubled = true;
                        p += 2;
                        continue;
                    }
                    break;
                }
                if (p >= end) {
                    bad = true;  // a quote never closed
                    break;
                }
                field = QByteArrayView(open, p - open);
                ++p;
                if (doubled) {
                    texts_.push_back(field.toByteArray().replace("\"\"", "\""));
                    field = texts_.back();
                }
                if (p < end && *p != ',' && *p != '\r' && *p != '\n') bad = true;
            } else {
                const char* const start = p;
                while (p < end && *p != ',' && *p != '\r' && *p != '\n' && *p != '"')
                    ++p;
                if (p < end && *p == '"') bad = true;  // a quote inside a field that is not quoted
                field = QByteArrayView(start, p - start);
            }
            if (bad) break;
            if (count < 12) fields[count] = field;
            ++count;
            if (p < end && *p == ',') {
                ++p;
                continue;
            }
            if (p < end && *p == '\r') ++p;
            if (p < end && *p == '\n')
                ++p, ++line;
            else if (p < end)
                bad = true;  // a CR alone
            break;
        }
        if (!bad && count == 1 && fields[0].isEmpty()) continue;  // an empty line
        AsRunRow row;
        if (!bad && count == 12) {
            header = fields[0] == "date" && fields[11] == "outcome";
            bad = !header && !readAsRunFields(fields, row);
        } else {
            bad = true;
        }
        if (bad) {
            warnings << QStringLiteral("%1 line %2: not an as-run row, skipped").arg(file).arg(rowLine);
            // What follows is read from the next line on, so one broken quote costs one row.
            p = static_cast<const char*>(memchr(rowStart, '\n', end - rowStart));
            p = p ? p + 1 : end;
            line = rowLine + 1;
            continue;
        }
        if (!header && row.date >= from && row.date <= to) rows.push_back(row);
    }
}

void AsRunReport::sort() {
    std::stable_sort(rows.begin(), rows.end(), [](const AsRunRow& a, const AsRunRow& b) {
        if (a.date != b.date) return a.date < b.date;
        if (a.scheduled != b.scheduled) return a.scheduled < b.scheduled;
        return a.receiver < b.receiver;
    });
}

QByteArray AsRunReport::csv() const {
    QByteArray out;
    qsizetype size = AsRunHeader.size();
    for (const QByteArray& f : files_)
        size += f.size();
    out.reserve(size + size / 8);
    out += AsRunHeader;
    for (const AsRunRow& row : rows)
        appendAsRunRow(out, row);
    return out;
}

std::vector<AsRunReport::Totals> AsRunReport::totals() const {
    QHash<QByteArray, qsizetype> index;
    std::vector<Totals> out;
    for (const AsRunRow& row : rows) {
        // Looked up without a copy of the name; a copy is made once per programme.
        const QByteArray key = QByteArray::fromRawData(row.programme.data(), row.programme.size());
        auto it = index.constFind(key);
        if (it == index.constEnd()) {
            it = index.insert(QByteArray(row.programme.data(), row.programme.size()), qsizetype(out.size()));
            out.push_back({QString::fromUtf8(row.programme)});
        }
        Totals& t = out[*it];
        ++t.events;
        if (row.outcome == AsRunOutcome::Sent || row.outcome == AsRunOutcome::PartlySent) ++t.sent;
        if (row.outcome == AsRunOutcome::Failed) ++t.failed;
        if (row.outcome == AsRunOutcome::Missed) ++t.missed;
    }
    std::stable_sort(out.begin(), out.end(), [](const Totals& a, const Totals& b) {
        return a.programme.compare(b.programme, Qt::CaseInsensitive) < 0;
    });
    return out;
}

void saveFile(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    auto fail = [&](const QString& why) {
        file.cancelWriting();
        throw QcError(QcError::PathFileAccessError,
                      QStringLiteral("%1 cannot be written: %2").arg(path, why));
    };
    if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
    if (!write(file)) fail(file.errorString());
    if (!file.commit()) fail(file.errorString());
}

}  // namespace qc
