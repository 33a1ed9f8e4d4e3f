#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qc {

Paths Paths::fromEnvironment() {
    const QString home = qEnvironmentVariable("QUILLORN_HOME");
    if (!home.isEmpty()) return Paths{QDir::cleanPath(home)};
    return Paths{QDir::homePath() + QStringLiteral("/QuillornControl")};
}

QString Paths::logsFolder() const {
    return dataFolder + QStringLiteral("/logs");
}

QString Paths::file(const QString& name) const {
    return dataFolder + QLatin1Char('/') + name;
}

QString Paths::logFile(const QString& name) const {
    return logsFolder() + QLatin1Char('/') + name;
}

QString Paths::serialPort(int n) const {
    const QString link = file(QStringLiteral("COM%1").arg(n));
    if (QFileInfo::exists(link) || QFileInfo(link).isSymLink()) return link;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

QString Paths::parallelPort() const {
    const QString local = file(QStringLiteral("LPT1"));
    if (QFileInfo::exists(local) || QFileInfo(local).isSymLink()) return local;
    return QStringLiteral("/dev/parport0");
}

QString Paths::sharedDataFolder() {
    // Without an application object (tools, unit tests) the running executable still tells where
    // the program lies; an empty directory here would point at /share on the root file system.
    const QString exeDir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/quillorncontrol"));
}

QString Paths::floppyFolder() {
    const QString floppy = qEnvironmentVariable("QUILLORN_FLOPPY");
    return floppy.isEmpty() ? QStringLiteral("/media/floppy") : floppy;
}

}  // namespace qc
