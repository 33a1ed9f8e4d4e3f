// The report as a PDF for programme suppliers: drawn with QPainter on QPdfWriter, laid out twice,
// once to count the pages and once to draw them, so every page can say "Page N of M".
#include "AsRunPdf.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <array>
#include <vector>

#include "AsRunListing.h"
#include "AsRunReport.h"

namespace qc {

QPageSize::PageSizeId paperOf(const QLocale& locale) {
    // The countries whose paper is Letter.
    static const QLocale::Territory letter[] = {
        QLocale::UnitedStates, QLocale::Canada,    QLocale::Mexico,    QLocale::Belize,
        QLocale::Chile,        QLocale::Colombia,  QLocale::CostaRica, QLocale::ElSalvador,
        QLocale::Guatemala,    QLocale::Nicaragua, QLocale::Panama,    QLocale::Philippines,
        QLocale::PuertoRico,   QLocale::Venezuela,
    };
    for (const QLocale::Territory t : letter)
        if (locale.territory() == t) return QPageSize::Letter;
    return QPageSize::A4;
}

QLocale paperLocale() {
    for (const char* name : {"LC_ALL", "LC_PAPER", "LANG"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty()) return QLocale(QString::fromLocal8Bit(value).section(QLatin1Char('.'), 0, 0));
    }
    return QLocale::c();
}

namespace {

constexpr qreal kMarginMm = 14;
constexpr qreal kBodyPoints = 8;
const QColor kShade(0xf2, 0xf2, 0xf2);
const QColor kHeadingShade(0xdd, 0xdd, 0xdd);
const QColor kAlarm(0xa0, 0x00, 0x00);

QFont font(qreal points, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// Lays the report out on the writer's pages; draws when given a painter, else only counts.
class Layout {
public:
    Layout(QPdfWriter& writer, const AsRunReport& report, const AsRunHeading& heading)
        : writer_(writer), report_(report), heading_(heading), totals_(report.totals()) {
        fitColumns();
    }

    int run(QPainter* painter, int pageCount) {
        p_ = painter;
        pageCount_ = pageCount;
        page_ = 0;
        startPage();
        table();
        totals();
        return page_;
    }

private:
    qreal px(qreal points) const { return points * writer_.resolution() / 72.0; }

    void fitColumns() {
        const qreal width = writer_.width();
        for (qreal points = kBodyPoints;; points -= 0.5) {
            body_ = font(points);
            bold_ = font(points, true);
            const QFontMetricsF b(body_, &writer_), h(bold_, &writer_);
            pad_ = b.height() * 0.3;
            const char* const samples[] = {"0000-00-00", "00:00:00", "2",     "",
                                           "W",          "-00000",   "00",    "00:00:00.000",
                                           "2",          "00:00:00", "00000", "partly sent"};
            qreal names = h.horizontalAdvance(QStringLiteral("Programme"));
            for (const AsRunReport::Totals& t : totals_)
                names = std::max(names, b.horizontalAdvance(t.programme));
            // A long name is cut short rather than squeezing every other column.
            names = std::min(names, b.horizontalAdvance(QString(22, QLatin1Char('n'))));
            qreal sum = 0;
            for (int c = 0; c < AsRunColumns; ++c) {
                const qreal content = c == 3 ? names : b.horizontalAdvance(QString::fromLatin1(samples[c]));
                columns_[c] =
                    std::max(content, h.horizontalAdvance(QString::fromLatin1(AsRunColumnTitles[c]))) +
                    2.5 * pad_;
                sum += columns_[c];
            }
            rowHeight_ = b.height() * 1.5;
            if (sum <= width || points <= 5) {
                // What is left over goes to the programme.
                columns_[3] += std::max<qreal>(0, width - sum);
                return;
            }
        }
    }

    void text(const QFont& f, const QRectF& box, int flags, const QString& s,
              const QColor& colour = Qt::black) {
        if (!p_) return;
        p_->setFont(f);
        p_->setPen(colour);
        p_->drawText(box, flags | Qt::AlignVCenter | Qt::TextSingleLine, s);
    }

    void startPage() {
        if (page_ > 0 && p_) writer_.newPage();
        ++page_;
        const qreal width = writer_.width();
        const QFont small = font(7.5);
        const qreal smallHeight = QFontMetricsF(small, &writer_).height();
        y_ = 0;
        if (page_ == 1) {
            for (const auto& [f, s] :
                 {std::pair(font(16, true), heading_.station),
                  std::pair(font(11), QStringLiteral("As-run report")),
                  std::pair(font(9), heading_.range() + QStringLiteral("    Made ") +
                                         heading_.made.toString(QStringLiteral("yyyy-MM-dd HH:mm")))}) {
                const qreal h = QFontMetricsF(f, &writer_).height() * 1.25;
                text(f, QRectF(0, y_, width, h), Qt::AlignLeft, s);
                y_ += h;
            }
            y_ += rowHeight_ * 0.5;
        } else {
            text(small, QRectF(0, y_, width, smallHeight * 1.4), Qt::AlignLeft,
                 heading_.station + QStringLiteral("  \u00b7  As-run report  \u00b7  ") + heading_.range(),
                 Qt::darkGray);
            y_ += smallHeight * 1.8;
        }
        bottom_ = writer_.height() - smallHeight * 2.5;
        text(small, QRectF(0, bottom_, width, writer_.height() - bottom_), Qt::AlignHCenter | Qt::AlignBottom,
             QStringLiteral("Page %1 of %2").arg(page_).arg(pageCount_));
    }

    // Room for `height` more on the page, else a new page.
    bool room(qreal height) const { return y_ + height <= bottom_; }

    // One line of cells; shade: the background, if any.
    void cells(const QString* values, const qreal* widths, int count, const QFont& f, const QColor& shade,
               const std::vector<bool>& right, const QColor& last = Qt::black) {
        if (p_) {
            qreal x = 0;
            for (int c = 0; c < count; ++c)
                x += widths[c];
            if (shade.isValid()) p_->fillRect(QRectF(0, y_, x, rowHeight_), shade);
            x = 0;
            for (int c = 0; c < count; ++c) {
                const QRectF box(x + pad_, y_, widths[c] - 2 * pad_, rowHeight_);
                const QString shown =
                    QFontMetricsF(f, &writer_).elidedText(values[c], Qt::ElideRight, box.width());
                text(f, box, right[c] ? Qt::AlignRight : Qt::AlignLeft, shown,
                     c == count - 1 ? last : Qt::black);
                x += widths[c];
            }
        }
        y_ += rowHeight_;
    }

    void tableHeading() {
        QString titles[AsRunColumns];
        for (int c = 0; c < AsRunColumns; ++c)
            titles[c] = QString::fromLatin1(AsRunColumnTitles[c]);
        cells(titles, columns_.data(), AsRunColumns, bold_, kHeadingShade, numberColumns());
    }

    std::vector<bool> numberColumns() const {
        std::vector<bool> right(AsRunColumns);
        for (int c = 0; c < AsRunColumns; ++c)
            right[c] = asRunNumberColumn(c);
        return right;
    }

    void table() {
        tableHeading();
        const std::vector<bool> right = numberColumns();
        QString values[AsRunColumns];
        int shaded = 0;
        for (const AsRunRow& row : report_.rows) {
            if (!room(rowHeight_)) {
                startPage();
                tableHeading();
            }
            if (p_)
                for (int c = 0; c < AsRunColumns; ++c)
                    values[c] = asRunCell(row, c);
            const bool alarm = row.outcome == AsRunOutcome::Failed || row.outcome == AsRunOutcome::Missed;
            cells(values, columns_.data(), AsRunColumns, body_, shaded++ % 2 ? kShade : QColor(), right,
                  alarm ? kAlarm : Qt::black);
        }
        if (report_.rows.empty()) {
            text(body_, QRectF(0, y_, writer_.width(), rowHeight_), Qt::AlignLeft,
                 QStringLiteral("No events were recorded in this range."));
            y_ += rowHeight_;
        }
    }

    void totals() {
        const qreal number =
            QFontMetricsF(bold_, &writer_).horizontalAdvance(QStringLiteral("Missed")) + 4 * pad_;
        const qreal widths[] = {columns_[3] + columns_[0], number, number, number, number};
        const std::vector<bool> right = {false, true, true, true, true};
        const QString titles[] = {QStringLiteral("Programme"), QStringLiteral("Events"),
                                  QStringLiteral("Sent"), QStringLiteral("Failed"), QStringLiteral("Missed")};
        const QFont title = font(10, true);
        const qreal titleHeight = QFontMetricsF(title, &writer_).height() * 1.6;
        // The title stays with its heading and a first row.
        if (!room(rowHeight_ + titleHeight + 2 * rowHeight_)) startPage();
        y_ += rowHeight_;
        text(title, QRectF(0, y_, writer_.width(), titleHeight), Qt::AlignLeft,
             QStringLiteral("Totals per programme"));
        y_ += titleHeight;
        cells(titles, widths, 5, bold_, kHeadingShade, right);
        int shaded = 0;
        for (const AsRunReport::Totals& t : totals_) {
            if (!room(rowHeight_)) {
                startPage();
                cells(titles, widths, 5, bold_, kHeadingShade, right);
            }
            const QString values[] = {t.programme, QString::number(t.events), QString::number(t.sent),
                                      QString::number(t.failed), QString::number(t.missed)};
            cells(values, widths, 5, body_, shaded++ % 2 ? kShade : QColor(), right);
        }
        if (!room(rowHeight_ * 1.3)) startPage();
        y_ += rowHeight_ * 0.3;
        text(font(7.5, false, true), QRectF(0, y_, writer_.width(), rowHeight_), Qt::AlignLeft,
             QStringLiteral("Sent: one or both switch commands reached the receiver's port. Times are the "
                            "station's local time."));
        y_ += rowHeight_;
    }

    QPdfWriter& writer_;
    const AsRunReport& report_;
    const AsRunHeading& heading_;
    const std::vector<AsRunReport::Totals> totals_;
    QFont body_;
    QFont bold_;
    std::array<qreal, AsRunColumns> columns_{};
    qreal pad_ = 0;
    qreal rowHeight_ = 0;
    QPainter* p_ = nullptr;
    int page_ = 0;
    int pageCount_ = 0;
    qreal y_ = 0;
    qreal bottom_ = 0;
};

}  // namespace

bool writeAsRunPdf(QIODevice& device, const AsRunReport& report, const AsRunHeading& heading,
                   QPageSize::PageSizeId paper) {
    QPdfWriter writer(&device);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(paper));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("As-run report %1 to %2")
                        .arg(heading.from.toString(Qt::ISODate), heading.to.toString(Qt::ISODate)));
    writer.setCreator(QStringLiteral("QuillornControl"));
    Layout layout(writer, report, heading);
    const int pages = layout.run(nullptr, 0);
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    layout.run(&painter, pages);
    return painter.end();
}

}  // namespace qc
