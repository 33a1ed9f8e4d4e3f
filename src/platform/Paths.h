#pragma once

#include <QString>
#include <QStringList>

namespace qc {

// Where the program keeps its files. Everything is derived from the data folder so that a test, a
// demo and a station each run on a folder of their own.
struct Paths {
    QString dataFolder;  // schedule, settings, reference tables

    // $QUILLORN_HOME when set, else ~/QuillornControl.
    static Paths fromEnvironment();

    // A copy of an old station's folder keeps the letter case the old system ignored (Logs,
    // SWITCHLIST.DAT, AL261205.LOG): an entry that exists under the name in any letter case is the
    // one meant, so it is found and never shadowed by a new one. The exact spelling wins where there
    // are several; the name as given is used for what does not exist yet.
    QString logsFolder() const;               // the sub-folder logs
    QString file(const QString& name) const;  // a file in the data folder
    QString logFile(const QString& name) const;

    // The entry `name` of the folder in the letter case it exists in, else folder/name. The exact
    // spelling is looked up first; the folder is read only when it is missing.
    static QString existingSpelling(const QString& folder, const QString& name);
    // The entries of the folder that spell `name` in another letter case than the one in use.
    static QStringList otherSpellings(const QString& folder, const QString& name);

    // The serial port n (1..8): the link COMn in the data folder when it exists, else /dev/ttyS(n-1).
    QString serialPort(int n) const;
    // LPT1 in the data folder (a device, a link to one, or a simulated port file), else /dev/parport0.
    QString parallelPort() const;

    // The shared data installed with the program (help document, demo data), found relative to the
    // executable, in the install tree as in the build tree.
    static QString sharedDataFolder();
    // The removable volume the old PCs called drive a: ($QUILLORN_FLOPPY, else /media/floppy).
    static QString floppyFolder();

    // The mount points a schedule can be copied to or from: local and removable file systems from
    // the mount table, without the kernel's own and without network mounts. Read from the table
    // alone, so a network server that stopped answering cannot hold the window (and its clock).
    static QStringList mountedVolumes(const QString& mountTable = QStringLiteral("/proc/self/mounts"));
};

}  // namespace qc
