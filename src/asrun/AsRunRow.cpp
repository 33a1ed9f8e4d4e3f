// The as-run row: its columns, its CSV form and reading it back. Written for a year of rows at a
// time, so nothing here allocates per row beyond what the output buffer grows by.
#include "AsRunRow.h"

namespace qc {

const QByteArray AsRunHeader =
    "date,scheduled,receiver,programme,port,source,route,first_command,commands_sent,remote_start,"
    "remote_seconds,outcome\r\n";

QString asRunFileName(const QDate& date) {
    return QStringLiteral("AR") + date.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".csv");
}

AsRunOutcome outcomeOf(int commandsSent) {
    return commandsSent >= 2   ? AsRunOutcome::Sent
           : commandsSent == 1 ? AsRunOutcome::PartlySent
                               : AsRunOutcome::Failed;
}

QByteArrayView outcomeText(AsRunOutcome outcome) {
    switch (outcome) {
        case AsRunOutcome::Sent:
            return "sent";
        case AsRunOutcome::PartlySent:
            return "partly sent";
        case AsRunOutcome::Failed:
            return "failed";
        case AsRunOutcome::Missed:
            return "missed";
    }
    return {};
}

namespace {

// n as `width` digits with leading zeros into `at`.
char* digits(char* at, int n, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    return at + width;
}

// HH:MM:SS of a second of the day.
char* timeOfDay(char* at, int secs) {
    at = digits(at, secs / 3600 % 100, 2);
    *at++ = ':';
    at = digits(at, secs / 60 % 60, 2);
    *at++ = ':';
    return digits(at, secs % 60, 2);
}

void appendNumber(QByteArray& out, int n) {
    char buffer[12];
    char* end = buffer + sizeof buffer;
    char* at = end;
    const bool negative = n < 0;
    unsigned u = negative ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    do {
        *--at = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative) *--at = '-';
    out.append(at, end - at);
}

void appendText(QByteArray& out, QByteArrayView text) {
    bool quote = false;
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') quote = true;
    if (!quote) {
        out.append(text);
        return;
    }
    out.append('"');
    for (const char c : text) {
        if (c == '"') out.append('"');
        out.append(c);
    }
    out.append('"');
}

// A whole number of up to nine digits, with a minus sign when `negative` is allowed.
bool readNumber(QByteArrayView text, int& value, bool negative) {
    qsizetype i = 0;
    const bool minus = negative && !text.isEmpty() && text[0] == '-';
    if (minus) ++i;
    if (text.size() == i || text.size() - i > 9) return false;
    int n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
    }
    value = minus ? -n : n;
    return true;
}

int twoDigits(QByteArrayView text, qsizetype at) {
    const char a = text[at], b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
}

// HH:MM:SS, as a second of the day; -1 when it is not one.
int readTime(QByteArrayView text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return -1;
    const int h = twoDigits(text, 0), m = twoDigits(text, 3), s = twoDigits(text, 6);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}

}  // namespace

void appendAsRunRow(QByteArray& out, const AsRunRow& row) {
    char buffer[64];
    int y = 0, mo = 0, d = 0;
    row.date.getDate(&y, &mo, &d);
    char* at = digits(buffer, y, 4);
    *at++ = '-';
    at = digits(at, mo, 2);
    *at++ = '-';
    at = digits(at, d, 2);
    *at++ = ',';
    at = timeOfDay(at, row.scheduled);
    *at++ = ',';
    *at++ = static_cast<char>('0' + row.receiver % 10);
    *at++ = ',';
    out.append(buffer, at - buffer);
    appendText(out, row.programme);
    out.append(',');
    appendText(out, row.port);
    out.append(',');
    appendNumber(out, row.source);
    out.append(',');
    appendNumber(out, row.route);
    at = buffer;
    *at++ = ',';
    if (row.firstCommandMs >= 0) {
        at = timeOfDay(at, row.firstCommandMs / 1000);
        *at++ = '.';
        at = digits(at, row.firstCommandMs % 1000, 3);
    }
    *at++ = ',';
    *at++ = static_cast<char>('0' + row.commandsSent % 10);
    *at++ = ',';
    if (row.remoteStart >= 0) at = timeOfDay(at, row.remoteStart);
    *at++ = ',';
    out.append(buffer, at - buffer);
    if (row.remoteSeconds >= 0) appendNumber(out, row.remoteSeconds);
    out.append(',');
    out.append(outcomeText(row.outcome));
    out.append("\r\n");
}

const char* const AsRunColumnTitles[AsRunColumns] = {"Date",     "Scheduled",    "Rx",      "Programme",
                                                     "Port",     "Source",       "Route",   "First command",
                                                     "Commands", "Remote start", "Seconds", "Outcome"};

bool asRunNumberColumn(int column) {
    return column == 5 || column == 6 || column == 8 || column == 10;
}

QString asRunCell(const AsRunRow& row, int column) {
    char buffer[16];
    switch (column) {
        case 0:
            return row.date.toString(Qt::ISODate);
        case 1:
            return QString::fromLatin1(buffer, timeOfDay(buffer, row.scheduled) - buffer);
        case 2:
            return QString::number(row.receiver);
        case 3:
            return QString::fromUtf8(row.programme);
        case 4:
            return QString::fromUtf8(row.port);
        case 5:
            return QString::number(row.source);
        case 6:
            return QString::number(row.route);
        case 7: {
            if (row.firstCommandMs < 0) return {};
            char* at = timeOfDay(buffer, row.firstCommandMs / 1000);
            *at++ = '.';
            return QString::fromLatin1(buffer, digits(at, row.firstCommandMs % 1000, 3) - buffer);
        }
        case 8:
            return QString::number(row.commandsSent);
        case 9:
            return row.remoteStart < 0
                       ? QString()
                       : QString::fromLatin1(buffer, timeOfDay(buffer, row.remoteStart) - buffer);
        case 10:
            return row.remoteSeconds < 0 ? QString() : QString::number(row.remoteSeconds);
        case 11:
            return QString::fromLatin1(outcomeText(row.outcome));
        default:
            return {};
    }
}

bool readAsRunFields(const QByteArrayView (&f)[12], AsRunRow& row) {
    const QByteArrayView date = f[0];
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    int year = 0;
    if (!readNumber(date.first(4), year, false)) return false;
    const int month = twoDigits(date, 5), day = twoDigits(date, 8);
    if (!QDate::isValid(year, month, day)) return false;
    row.date = QDate(year, month, day);
    if ((row.scheduled = readTime(f[1])) < 0) return false;
    if (f[2] != "1" && f[2] != "2") return false;
    row.receiver = f[2][0] - '0';
    row.programme = f[3];
    row.port = f[4];
    if (!readNumber(f[5], row.source, true) || !readNumber(f[6], row.route, true)) return false;
    row.firstCommandMs = -1;
    if (!f[7].isEmpty()) {
        const int secs = readTime(f[7].first(std::min<qsizetype>(8, f[7].size())));
        int ms = 0;
        if (secs < 0 || f[7].size() != 12 || f[7][8] != '.' || !readNumber(f[7].last(3), ms, false))
            return false;
        row.firstCommandMs = secs * 1000 + ms;
    }
    if (f[8].size() != 1 || f[8][0] < '0' || f[8][0] > '2') return false;
    row.commandsSent = f[8][0] - '0';
    row.remoteStart = -1;
    if (!f[9].isEmpty() && (row.remoteStart = readTime(f[9])) < 0) return false;
    row.remoteSeconds = -1;
    if (!f[10].isEmpty() && !readNumber(f[10], row.remoteSeconds, false)) return false;
    for (const AsRunOutcome o :
         {AsRunOutcome::Sent, AsRunOutcome::PartlySent, AsRunOutcome::Failed, AsRunOutcome::Missed})
        if (f[11] == outcomeText(o)) {
            row.outcome = o;
            return true;
        }
    return false;
}

}  // namespace qc
