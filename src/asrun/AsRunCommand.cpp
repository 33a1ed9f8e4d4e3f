#include "AsRunCommand.h"

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>
#include <cstring>

#include "AsRunListing.h"
#include "AsRunPdf.h"
#include "AsRunReport.h"
#include "AsRunSettings.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

namespace qc {

namespace {

constexpr int kBadArguments = 2;

int fail(const QString& text) {
    std::fprintf(stderr, "quillorncontrol --as-run: %s\n", text.toLocal8Bit().constData());
    return kBadArguments;
}

QDate dateOf(const char* text) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString s = QString::fromLocal8Bit(text);
    return form.match(s).hasMatch() ? QDate::fromString(s, Qt::ISODate) : QDate();
}

}  // namespace

bool isAsRunCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--as-run") == 0) return true;
    return false;
}

int runAsRunCommand(int& argc, char** argv) {
    const char* const usage = "usage: quillorncontrol --as-run FROM TO --csv FILE | --pdf FILE";
    QDate from, to;
    QString csv, pdf;
    int dates = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--as-run") == 0 && i + 2 < argc) {
            for (QDate* d : {&from, &to}) {
                *d = dateOf(argv[++i]);
                if (!d->isValid())
                    return fail(QStringLiteral("\"%1\" is not a date of the form YYYY-MM-DD").arg(argv[i]));
            }
            ++dates;
        } else if ((std::strcmp(a, "--csv") == 0 || std::strcmp(a, "--pdf") == 0) && i + 1 < argc) {
            (a[2] == 'c' ? csv : pdf) = QString::fromLocal8Bit(argv[++i]);
        } else {
            return fail(QString::fromLatin1(usage));
        }
    }
    if (dates != 1 || (csv.isEmpty() && pdf.isEmpty())) return fail(QString::fromLatin1(usage));
    if (from > to)
        return fail(QStringLiteral("FROM %1 is after TO %2")
                        .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)));

    // The fonts of the PDF come from a platform; no display is needed for them, and none is used
    // whatever the desktop's setting (run from cron or a service, a display platform would abort).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A script reads standard error as this command's own lines: Qt's notes on its set-up are left out.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    QGuiApplication app(argc, argv);
    const Paths paths = Paths::fromEnvironment();
    const AsRunReport report = AsRunReport::read(paths.logsFolder(), from, to);
    for (const QString& warning : report.warnings)
        std::fprintf(stderr, "warning: %s\n", warning.toLocal8Bit().constData());
    const AsRunSettings settings = AsRunSettings::read(paths.file(QStringLiteral("Monitoring.ini")));
    const AsRunHeading heading{settings.stationName, from, to, SystemClock().now()};
    // Both or neither: each is written whole beside its name first (a full disk shows there), and put
    // in place only when both are, so a script that sees a failure finds no new file to mistake for
    // the report, and an older one at either name is left as it was. Only when putting the second in
    // place fails, after the first, is the first taken away again.
    std::vector<std::pair<QString, std::function<bool(QIODevice&)>>> outputs;
    if (!csv.isEmpty())
        outputs.emplace_back(csv, [&](QIODevice& out) { return out.write(report.csv()) >= 0; });
    if (!pdf.isEmpty())
        outputs.emplace_back(
            pdf, [&](QIODevice& out) { return writeAsRunPdf(out, report, heading, paperOf(paperLocale())); });
    std::vector<std::unique_ptr<QSaveFile>> written;
    auto cannot = [](const QString& path, const QSaveFile& file) {
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    };
    for (const auto& [path, write] : outputs) {
        auto& file = *written.emplace_back(std::make_unique<QSaveFile>(path));
        if (!file.open(QIODevice::WriteOnly) || !write(file) || !file.flush()) return cannot(path, file);
    }
    for (size_t i = 0; i < written.size(); ++i)
        if (!written[i]->commit()) {
            for (size_t j = 0; j < i; ++j)
                QFile::remove(outputs[j].first);
            return cannot(outputs[i].first, *written[i]);
        }
    return 0;
}

}  // namespace qc
