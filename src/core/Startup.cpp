#include <QDir>

#include "Module1.h"

namespace qc {

void Module1::InitializeProgram() {
    // Nothing here may end the program: each step reports its failure and start-up goes on with
    // what it could read.
    auto step = [this](auto&& body) {
        try {
            body();
        } catch (const std::exception& e) {
            ShowMessage(toQcError(e).text());
        }
    };

    step([this] {
        for (const QString& folder : {paths_.dataFolder, paths_.logsFolder()}) {
            if (!QDir().mkpath(folder))
                throw QcError(
                    QcError::PathNotFound,
                    QStringLiteral("Path not found: the folder %1 could not be created").arg(folder));
        }
        // The shared data folder holds only the help document, which the help window looks for
        // itself; a read-only installation is not an error here.
        QDir().mkpath(Paths::sharedDataFolder());
    });
    step([this] {
        // An old station's copy can bring a second spelling beside the one in use (Logs beside
        // logs, on a disk that once ignored letter case); the operator hears once which is ignored.
        QStringList ignored;
        for (const char* name : {"logs", "TimeReset.ini", "SwitchList.dat", "QuillornControl.ini"}) {
            const QString used = Paths::existingSpelling(paths_.dataFolder, QString::fromLatin1(name));
            for (const QString& other : Paths::otherSpellings(paths_.dataFolder, QString::fromLatin1(name)))
                ignored << QStringLiteral("%1 is ignored; %2 is used.").arg(other, used);
        }
        if (!ignored.isEmpty()) ShowMessage(ignored.join(QLatin1Char('\n')));
    });
    step([this] { ReadTimeReset(); });
    step([this] {
        const QString schedule = paths_.file(QStringLiteral("SwitchList.dat"));
        SchedFileNo.open(schedule);
        if (SchedFileNo.lockHolder() != 0)
            ShowMessage(
                QStringLiteral("SwitchList.dat is in use by another program (process %1). If it is a "
                               "second QuillornControl, end one of them: both would switch the receivers.")
                    .arg(SchedFileNo.lockHolder()));
        // A schedule that can only be read still runs; the operator learns why edits will fail.
        if (SchedFileNo.writeRefused() != 0) throw QcError::fromErrno(SchedFileNo.writeRefused(), schedule);
    });
    step([this] { ReadSettings(); });

    view.Receiver2Visible = TwoReceivers == 1;
    BaudRates = {QByteArray(), "9600", "19200"};
    DayNames = {"Off", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

    step([this] { FindNextSwitch1(); });
    if (TwoReceivers == 1) step([this] { FindNextSwitch2(); });
    step([this] { ReportImpossibleTimes(); });
    WriteRelayPort();
    emit viewChanged();
}

}  // namespace qc
