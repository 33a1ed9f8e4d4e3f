#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>

#include <csignal>

#include "core/Module1.h"
#include "core/mnuMenu.h"
#include "platform/Clock.h"
#include "platform/ParallelPort.h"
#include "platform/Paths.h"
#include "platform/PrinterTextDevice.h"
#include "platform/SerialLine.h"
#include "stationio/StationIo.h"

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
    qc::SystemClock clock;
    qc::DeviceSerialLine serial(paths);
    // The parallel port or a Modbus module, as StationIO.ini says; the window's Save replaces it.
    qc::StationIo stationIo(paths);
    qc::Module1 m(paths, clock, serial, stationIo.port());
    stationIo.attach(m);
    stationIo.applyFile();

    qc::mnuMenu window(m);
    window.setEngineeringMode(options.isSet(engineering));
    window.setStationIo(&stationIo);
    window.load();
    window.show();
    const int status = QApplication::exec();
    // A clean exit leaves the automation's remote starts off.
    stationIo.shutdown();
    return status;
}
