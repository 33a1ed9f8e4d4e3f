#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QThread>

namespace qc::test {

ScriptedSerialLine::ScriptedSerialLine(SimulatedClock& clock) : clock_(clock) {
    answer = [](const QByteArray& line) -> QByteArray {
        if (line == "EB") return "EB\r\nEbNo 7.5 dB\r\n>";
        if (line == "R M") return "R M\r\nMPEG STATUS\r\nLock: YES\r\n>";
        return line + "\r\nOK\r\n>";
    };
}

void ScriptedSerialLine::open(int port, const QByteArray& settings) {
    if (open_)
        throw QcError(QcError::PortAlreadyOpen, QcError::standardDescription(QcError::PortAlreadyOpen));
    if (port < 1 || std::find(missingPorts.begin(), missingPorts.end(), port) != missingPorts.end())
        throw QcError(QcError::InvalidPortNumber, QcError::standardDescription(QcError::InvalidPortNumber));
    parseLineSettings(settings);
    open_ = true;
    port_ = port;
    partial_.clear();
    pending_.clear();
}

void ScriptedSerialLine::write(const QByteArray& bytes) {
    if (!open_ || (failingWrites > 0 && failingWrites--))
        throw QcError(QcError::DeviceIoError, QcError::standardDescription(QcError::DeviceIoError));
    writes.push_back({clock_.now(), port_, bytes});
    partial_ += bytes;
    qsizetype cr;
    while ((cr = partial_.indexOf('\r')) >= 0) {
        const QByteArray line = partial_.left(cr);
        partial_.remove(0, cr + 1);
        if (answer) pending_.push_back({clock_.now().addMSecs(answerDelayMs), port_, answer(line)});
    }
}

QByteArray ScriptedSerialLine::readAll() {
    QByteArray out;
    const QDateTime now = clock_.now();
    auto it = pending_.begin();
    while (it != pending_.end() && it->at <= now) {
        out += it->bytes;
        it = pending_.erase(it);
    }
    return out;
}

void ScriptedSerialLine::waitForInput(int milliseconds) {
    if (clockStandsStill)
        QThread::msleep(std::min(milliseconds, 5));
    else
        clock_.advance(std::max(1, milliseconds));
}

void ScriptedSerialLine::close() {
    open_ = false;
    pending_.clear();
}

QByteArray ScriptedSerialLine::bytesTo(int port) const {
    QByteArray out;
    for (const Write& w : writes)
        if (w.port == port) out += w.bytes;
    return out;
}

TestProgram::TestProgram(const QDateTime& start) : clock(start) {
    makeModule();
}

void TestProgram::makeModule() {
    m.reset();
    m = std::make_unique<Module1>(Paths{dir_.path()}, clock, serial, port);
    QObject::connect(m.get(), &Module1::messageShown, [this](const QString& text) { messages << text; });
}

void TestProgram::start(const std::vector<ScheduleEntry>& entries, const QByteArray& settings) {
    writeSchedule(file(QStringLiteral("SwitchList.dat")), entries);
    writeFile(QStringLiteral("QuillornControl.ini"), settings);
    m->InitializeProgram();
}

QStringList TestProgram::observed() const {
    QStringList out;
    for (const ScriptedSerialLine::Write& w : serial.writes)
        out << QStringLiteral("%1 COM%2 %3")
                   .arg(w.at.toString(QStringLiteral("HH:mm:ss.zzz")))
                   .arg(w.port)
                   .arg(QString::fromLatin1(QByteArray(w.bytes).replace('\r', '|')));
    const QDir logs(m->paths().logsFolder());
    for (const QString& name : logs.entryList(QDir::Files, QDir::Name)) {
        QStringList lines = QString::fromLatin1(readFile(logs.filePath(name))).split("\r\n");
        const QString last = lines.takeLast();
        if (!last.isEmpty()) lines << last + " (no CR LF)";
        for (const QString& line : lines)
            out << name + QLatin1Char(' ') + line;
    }
    for (const QString& text : messages)
        out << QStringLiteral("MSG ") + QString(text).replace(home(), QStringLiteral("<home>"));
    return out;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

ScheduleEntry makeEntry(const QByteArray& name, int receiver, const QByteArray& time,
                        std::initializer_list<int> days, int remoteMode, const QByteArray& port, int source,
                        int route, const QByteArray& length) {
    ScheduleEntry e;
    e.Active = 1;
    e.Name = fitField(name, ScheduleEntry::NameLength);
    e.Length = fitField(length, ScheduleEntry::LengthLength);
    e.Port = fitField(port, 1);
    e.SourceCode = static_cast<int16_t>(source);
    e.Route = static_cast<int16_t>(route);
    e.RemoteMode = static_cast<int16_t>(remoteMode);
    e.Receiver = static_cast<int16_t>(receiver);
    e.Times.fill(QByteArray(ScheduleEntry::TimeLength, ' '));
    for (int d : days) {
        e.Days[d] = 1;
        e.Times[d] = fitField(time, ScheduleEntry::TimeLength);
    }
    return e;
}

void writeSchedule(const QString& path, const std::vector<ScheduleEntry>& entries) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const ScheduleEntry& e : entries)
        f.write(e.serialise());
}

std::map<QString, QByteArray> filesIn(const QString& folder) {
    std::map<QString, QByteArray> out;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        out[QDir(folder).relativeFilePath(path)] = readBytes(path);
    }
    return out;
}

QString settingsOf(const Module1& m) {
    return QString::asprintf("%d %d %d %d %s %s %s %d %d %s", m.Rx1Port, m.BaudIndex, m.ActivityLogOn,
                             m.EbNoPerHour, m.MpegLogOn ? "true" : "false",
                             m.RemoteStartOn ? "true" : "false", m.SaveLogsUnit.constData(), m.TwoReceivers,
                             m.Rx2Port, m.ClockResetTime.constData());
}

}  // namespace qc::test
