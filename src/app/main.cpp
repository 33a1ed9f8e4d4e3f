#include <QApplication>
#include <QCommandLineParser>

#include "core/Module1.h"
#include "core/mnuMenu.h"
#include "platform/Clock.h"
#include "platform/ParallelPort.h"
#include "platform/Paths.h"
#include "platform/PrinterTextDevice.h"
#include "platform/SerialLine.h"

int main(int argc, char** argv) {
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
    qc::DeviceParallelPort port(paths.parallelPort());
    qc::Module1 m(paths, clock, serial, port);

    qc::mnuMenu window(m);
    window.setEngineeringMode(options.isSet(engineering));
    window.load();
    window.show();
    return QApplication::exec();
}
