#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace qc {

Paths Paths::fromEnvironment() {
    const QString home = qEnvironmentVariable("QUILLORN_HOME");
    if (!home.isEmpty()) return Paths{QDir::cleanPath(home)};
    return Paths{QDir::homePath() + QStringLiteral("/QuillornControl")};
}

namespace {

bool present(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();  // a link to an unplugged device still counts
}

// The folder's entries named `name` in any letter case, in a fixed order.
QStringList spellings(const QString& folder, const QString& name) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(name, Qt::CaseInsensitive) == 0) found << it.fileName();
    }
    found.sort();
    return found;
}

}  // namespace

QString Paths::existingSpelling(const QString& folder, const QString& name) {
    const QString exact = folder + QLatin1Char('/') + name;
    if (present(exact)) return exact;
    const QStringList found = spellings(folder, name);
    return found.isEmpty() ? exact : folder + QLatin1Char('/') + found.first();
}

QStringList Paths::otherSpellings(const QString& folder, const QString& name) {
    const QString used = QFileInfo(existingSpelling(folder, name)).fileName();
    QStringList others;
    for (const QString& spelling : spellings(folder, name))
        if (spelling != used) others << folder + QLatin1Char('/') + spelling;
    return others;
}

QString Paths::logsFolder() const {
    return existingSpelling(dataFolder, QStringLiteral("logs"));
}

QString Paths::file(const QString& name) const {
    return existingSpelling(dataFolder, name);
}

QString Paths::logFile(const QString& name) const {
    return existingSpelling(logsFolder(), name);
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

QStringList Paths::mountedVolumes(const QString& mountTable) {
    static const QStringList skippedTypes = {
        "proc",    "sysfs",       "devtmpfs",   "devpts",  "cgroup",     "cgroup2",   "securityfs",
        "pstore",  "bpf",         "debugfs",    "tracefs", "mqueue",     "hugetlbfs", "configfs",
        "fusectl", "binfmt_misc", "autofs",     "overlay", "squashfs",   "nsfs",      "rpc_pipefs",
        "nfs",     "nfs4",        "cifs",       "smb3",    "smbfs",      "9p",        "afs",
        "ceph",    "glusterfs",   "fuse.sshfs", "sshfs",   "fuse.davfs", "davfs",     "fuse.gvfsd-fuse"};
    static const QStringList skippedPlaces = {"/proc", "/sys", "/dev", "/run", "/boot/efi", "/snap"};
    QStringList volumes;
    QFile table(mountTable);
    if (!table.open(QIODevice::ReadOnly)) return {QStringLiteral("/")};
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3) continue;
        // Blanks and other special characters in a mount point are written as octal escapes.
        QByteArray place;
        const QByteArray& raw = fields[1];
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 3 < raw.size()) {
                bool ok = false;
                const int c = raw.mid(i + 1, 3).toInt(&ok, 8);
                if (ok) {
                    place += char(c);
                    i += 3;
                    continue;
                }
            }
            place += raw[i];
        }
        const QString root = QString::fromLocal8Bit(place);
        const QString type = QString::fromLatin1(fields[2]);
        if (skippedTypes.contains(type)) continue;
        const bool removable =
            root.startsWith(QLatin1String("/run/media/")) || root.startsWith(QLatin1String("/media/"));
        bool skipped = false;
        for (const QString& p : skippedPlaces)
            if (root == p || root.startsWith(p + QLatin1Char('/'))) skipped = true;
        if ((skipped && !removable) || volumes.contains(root)) continue;
        volumes << root;
    }
    if (volumes.isEmpty()) volumes << QStringLiteral("/");
    return volumes;
}

}  // namespace qc
