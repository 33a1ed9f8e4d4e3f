#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>

#include <csignal>

#include "asrun/AsRunCommand.h"
#include "asrun/AsRunRecorder.h"
#include "core/Module1.h"
#include "core/mnuMenu.h"
#include "monitoring/Monitoring.h"
#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/PrinterTextDevice.h"
#include "platform/SerialLine.h"
#include "stationio/StationIo.h"

namespace {
// The exit status of a second program on a data folder in use; the service does not restart on it.
constexpr int kAlreadyRunning = 3;
}  // namespace

int main(int argc, char** argv) {
    // A file that may grow no further (a size limit) and a standard error that nobody reads any more
    // are failures the program reports or passes over, never reasons to end it.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // Nor may a reader of standard error that stopped reading stop the clock: on a pipe the lines
    // that would have to wait are left out. The pipe is opened anew for that, so the reader's end
    // and whoever else writes to it are not changed.
    struct stat err {};
    if (::fstat(STDERR_FILENO, &err) == 0 && S_ISFIFO(err.st_mode)) {
        const int fd = ::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && ::dup2(fd, STDERR_FILENO) >= 0) ::close(fd);
    }
    // The as-run report beside a running station: no window, no lock, no port.
    if (qc::isAsRunCommand(argc, argv)) return qc::runAsRunCommand(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillornControl"));
    // The desktop entry the window belongs to, for its icon in the desktop's task list.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillorncontrol"));

    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption engineering(
        QStringLiteral("engineering"),
        QStringLiteral("Show the station engineer's menu items: source codes, service providers, the "
                       "MPEG log, the receiver set-up and the relay panel."));
    options.addOption(engineering);
    options.process(app);
    // Printouts go to the system's default printer.
    qc::setDefaultPrinter([] { return std::make_unique<qc::PrinterTextDevice>(); });

    const qc::Paths paths = qc::Paths::fromEnvironment();
    // A second program on the same data folder would switch the same receivers: it stops before it
    // opens a port or a file.
    QDir().mkpath(paths.dataFolder);
    qc::InstanceLock instance;
    if (!instance.acquire(paths.dataFolder)) {
        const QString text =
            QStringLiteral(
                "QuillornControl is already running on the data folder %1%2. This copy stops "
                "without touching the receivers or the station's outputs.")
                .arg(paths.dataFolder,
                     instance.holder() ? QStringLiteral(" (process %1)").arg(instance.holder()) : QString());
        const QByteArray line = text.toLocal8Bit() + '\n';
        (void)!::write(STDERR_FILENO, line.constData(), line.size());
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::warning(nullptr, QStringLiteral("QuillornControl"), text);
        return kAlreadyRunning;
    }
    qc::SystemClock clock;
    qc::DeviceSerialLine serial(paths);
    // The parallel port or a Modbus module, as StationIO.ini says; the window's Save replaces it.
    qc::StationIo stationIo(paths);
    qc::Module1 m(paths, clock, serial, stationIo.port());
    stationIo.attach(m);
    stationIo.applyFile();
    // The station's health and its alerts, for the whole run; the window's load reads Monitoring.ini.
    qc::Monitoring monitoring(m);
    // The as-run record of every event the tick serves.
    qc::AsRunRecorder asRun(m);

    qc::mnuMenu window(m);
    window.setEngineeringMode(options.isSet(engineering));
    window.setMonitoring(&monitoring);
    window.setStationIo(&stationIo);
    window.load();
    window.show();
    const int status = QApplication::exec();
    // A clean exit leaves the automation's remote starts off.
    stationIo.shutdown();
    return status;
}
