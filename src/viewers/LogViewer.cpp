#include "LogViewer.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "core/Module1.h"
#include "platform/QcError.h"
#include "platform/TextDevice.h"

namespace qc {

namespace {

constexpr qsizetype StampLength = 6;  // YYMMDD

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

QByteArray noLogs() {
    return QByteArrayLiteral("No Logs");
}

}  // namespace

QList<QByteArray> logDayList(const QString& folder, const QByteArray& kind) {
    if (!QFileInfo(folder).isDir())
        throw QcError(QcError::PathNotFound, QcError::standardDescription(QcError::PathNotFound));
    const QByteArray prefix = kind.toLower();
    const qsizetype nameLength = prefix.size() + StampLength + 4;
    std::vector<QByteArray> stamps;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QByteArray name = it.fileName().toLatin1().toLower();
        if (name.size() != nameLength || !name.startsWith(prefix) || !name.endsWith(".log")) continue;
        const QByteArray stamp = name.mid(prefix.size(), StampLength);
        if (std::all_of(stamp.begin(), stamp.end(), isDigit)) stamps.push_back(stamp);
    }
    // Newest first; a day whose file exists in two spellings (.log and .LOG) is listed once.
    std::sort(stamps.begin(), stamps.end(), std::greater<>());
    stamps.erase(std::unique(stamps.begin(), stamps.end()), stamps.end());
    QList<QByteArray> days;
    days.reserve(static_cast<qsizetype>(stamps.size()));
    for (const QByteArray& s : stamps)
        days << s.mid(2, 2) + '/' + s.mid(4, 2) + '/' + s.left(2);
    return days;
}

QByteArray logFileStamp(const QByteArray& dateLine) {
    return dateLine.mid(6, 2) + dateLine.mid(0, 2) + dateLine.mid(3, 2);
}

std::vector<SortedList::Item> readLogLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int number = file.error() == QFileDevice::PermissionsError ? QcError::PermissionDenied
                                                                         : QcError::PathFileAccessError;
        throw QcError(number, QcError::standardDescription(number));
    }
    const qint64 size = file.size();
    // Only what the file holds is asked for: a read of the whole limit would take 32 MB each time.
    const QByteArray bytes = file.read(std::clamp<qint64>(size, 0, MaxShownBytes));
    std::vector<SortedList::Item> lines;
    lines.reserve(static_cast<size_t>(bytes.size() / 40 + 1));
    const char* data = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    auto addLine = [&](qsizetype from, qsizetype to) {
        do {
            const qsizetype length = std::min(to - from, MaxShownLine);
            lines.push_back({QByteArray(data + from, length), 0});
            from += length;
        } while (from < to);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n') continue;
        addLine(start, i);
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < n) addLine(start, n);
    if (size > bytes.size())
        lines.push_back({QByteArray("(") + QByteArray::number(size - bytes.size()) +
                             " more bytes of this file are not shown.)",
                         0});
    return lines;
}

QByteArray eventOrderLine(const QByteArray& line) {
    QByteArray out;
    out.reserve(line.size() + 1);
    if (line.size() > 9) out.append(line.constData() + 9, line.size() - 9);
    out += ' ';
    out.append(line.constData(), std::min<qsizetype>(line.size(), 8));
    return out;
}

LogViewer::LogViewer(Module1& m, Window window, QObject* parent) : QObject(parent), m_(m), window_(window) {}

void LogViewer::Form_Load() {
    const QByteArray kind = window_ == Window::MPEGLog ? QByteArray("MP") : m_.LogKind;
    layoutKind = m_.LogKind;
    twoReceiverLayout = layoutKind == "AL" && m_.TwoReceivers == 1;
    // The caption comes first, so a window whose day list cannot be read still says what it is.
    if (window_ == Window::MPEGLog)
        caption = QStringLiteral("MPEG Logs");
    else if (kind == "AL")
        caption = QStringLiteral("Load Activity Log");
    else if (kind == "EB")
        caption = QStringLiteral("Load EB Log");
    byEvent = false;
    showing = false;
    selectedDate = -1;
    try {
        std::vector<SortedList::Item> items;
        for (const QByteArray& day : logDayList(m_.paths().logsFolder(), kind))
            items.push_back({day, 0});
        if (items.empty()) items.push_back({noLogs(), 0});
        lstDate.assign(std::move(items));
        selectedDate = 0;
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).text());
    }
    emit changed();
}

void LogViewer::cmdOk_Click() {
    // Without a day to show (no logs, or a day list that could not be read) Ok does nothing.
    if (lstDate.count() == 0 || lstDate.line(0) == noLogs()) return;
    if (showing) {
        lstActivityLog.clear();
        showing = false;
        if (window_ == Window::ActivityLog) {
            if (m_.LogKind == "AL") caption = QStringLiteral("Select Activity Log");
            if (m_.LogKind == "EB") caption = QStringLiteral("Select EbNo Log");
        }
        emit changed();
        return;
    }
    if (selectedDate < 0 || selectedDate >= lstDate.count()) return;
    showDay();
}

void LogViewer::showDay() {
    const QByteArray kind = m_.LogKind;
    dateText = lstDate.line(selectedDate);
    showing = true;
    const QString date = QString::fromLatin1(dateText);
    if (window_ == Window::MPEGLog)
        caption = date + QStringLiteral(" MPEG Log");
    else if (kind == "AL")
        caption = QStringLiteral("Activity Log for ") + date;
    else if (kind == "EB")
        caption = QStringLiteral("EbNo Log for ") + date;

    const QString path =
        m_.paths().logFile(QString::fromLatin1(kind + logFileStamp(dateText)) + QStringLiteral(".log"));
    const QFileInfo info(path);
    std::vector<SortedList::Item> shown;
    if (!info.isFile() || info.size() == 0) {
        shown.push_back({"Log for " + dateText + " does not exist.", 0});
    } else {
        try {
            std::vector<SortedList::Item> lines = readLogLines(path);
            if (window_ == Window::ActivityLog && byEvent) {
                for (SortedList::Item& item : lines)
                    item.line = eventOrderLine(item.line);
                lstSort.clear();
                lstSort.assign(std::move(lines));
                shown = lstSort.items();
            } else {
                shown = std::move(lines);
            }
        } catch (const std::exception& e) {
            m_.ShowMessage(toQcError(e).text());
        }
    }
    lstActivityLog.assign(std::move(shown));
    emit changed();
}

void LogViewer::mnuPrint_Click() {
    try {
        const std::unique_ptr<TextDevice> printer = defaultPrinter();
        PrintLog(*printer);
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).textOneBlank());
    }
}

void LogViewer::PrintLog(TextDevice& printer) {
    // An error outside the header is reported as the header reports its own, and ends the printout;
    // the job is then dropped rather than sent half printed.
    try {
        printer.setFont(QStringLiteral("Courier New"), 12);
        PageNumber = 1;
        PrintHeader(printer);
        for (int i = 0; i < lstActivityLog.count(); ++i) {
            printer.printAt(5, lstActivityLog.line(i));
            printer.endLine();
            ++LineCount;
            if (LineCount > 55) {
                printer.newPage();
                PrintHeader(printer);
            }
        }
        printer.endDoc();
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).textOneBlank());
    }
}

void LogViewer::PrintHeader(TextDevice& printer) {
    const QByteArray kind = m_.LogKind;
    QByteArray title = "QuillornControl " + kind + " Log";
    if (kind == "AL") title = "QuillornControl Activity Log";
    try {
        printer.endLine();
        printer.printAt(29, title);
        printer.printAt(60, dateText);
        printer.printAt(70, "Page" + TextDevice::number(PageNumber));
        printer.endLine();
        for (int i = 0; i < 3; ++i)
            printer.endLine();
    } catch (const std::exception& e) {
        m_.ShowMessage(toQcError(e).textOneBlank());
    }
    // The count goes on after a failed header too, so the pages keep their numbers and lengths.
    ++PageNumber;
    LineCount = 5;
}

}  // namespace qc
