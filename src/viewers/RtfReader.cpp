#include "RtfReader.h"

#include <QStringDecoder>
#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace qc {

namespace {

constexpr int MaxDepth = 1000;  // deeper groups share the look of the deepest one kept
constexpr int DefaultHalfPoints = 24;
constexpr char16_t LineBreak = 0x2028;

// Destinations whose text is not part of the body.
constexpr std::string_view kSkipped[] = {"annotation",   "atnauthor",
                                         "atnid",        "author",
                                         "bkmkend",      "bkmkstart",
                                         "colortbl",     "comment",
                                         "datastore",    "docvar",
                                         "fldinst",      "fonttbl",
                                         "footer",       "footerf",
                                         "footerl",      "footerr",
                                         "footnote",     "formfield",
                                         "generator",    "header",
                                         "headerf",      "headerl",
                                         "headerr",      "info",
                                         "latentstyles", "listoverridetable",
                                         "listtable",    "object",
                                         "operator",     "pgdsctbl",
                                         "pict",         "revtbl",
                                         "rsidtbl",      "stylesheet",
                                         "tc",           "template",
                                         "themedata",    "title",
                                         "txe",          "userprops",
                                         "xe",           "xmlnstbl",
                                         "filetbl",      "colorschememapping",
                                         "nonshppict",   "shpinst",
                                         "mmathPr",      "keywords",
                                         "subject"};

// One byte of Windows-1252 as a character.
QChar cp1252(char byte) {
    static const QString table = [] {
        QByteArray all(256, 0);
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        return fromCp1252(all);
    }();
    return table.at(static_cast<unsigned char>(byte));
}

struct Look {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = DefaultHalfPoints;
    int uc = 1;         // fallback characters after \uN
    bool skip = false;  // inside a destination that is not shown
};

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : s_(bytes.constData()), n_(bytes.size()) {}

    RtfDocument read() {
        doc_.rich = true;
        while (i_ < n_) {
            const char c = s_[i_++];
            if (c == '{') {
                if (stack_.size() < MaxDepth)
                    stack_.push_back(look_);
                else
                    ++overflow_;
                fallback_ = 0;
            } else if (c == '}') {
                if (overflow_ > 0) {
                    --overflow_;
                } else if (!stack_.empty()) {
                    look_ = stack_.back();
                    stack_.pop_back();
                }
                fallback_ = 0;
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                // Line ends in the file are not part of the text.
            } else {
                character(cp1252(c));
            }
        }
        endParagraph(false);
        return doc_;
    }

private:
    void character(QChar ch) {
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        if (look_.skip) return;
        if (ch.unicode() < 0x20 && ch != u'\t') return;
        RtfParagraph& p = current();
        const double size = look_.halfPoints / 2.0;
        if (p.runs.isEmpty() || p.runs.last().bold != look_.bold || p.runs.last().italic != look_.italic ||
            p.runs.last().underline != look_.underline || p.runs.last().pointSize != size)
            p.runs.append(RtfRun{{}, look_.bold, look_.italic, look_.underline, size});
        p.runs.last().text += ch;
    }

    RtfParagraph& current() {
        if (!open_) {
            doc_.paragraphs.append(props_);
            open_ = true;
        }
        return doc_.paragraphs.last();
    }

    void endParagraph(bool always) {
        if (!open_ && !always) return;
        RtfParagraph& p = current();
        // The paragraph's own settings are those in force at its end.
        QList<RtfRun> runs = std::move(p.runs);
        p = props_;
        p.runs = std::move(runs);
        open_ = false;
    }

    int hex(char c) const {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // Twips, kept within a range, as points.
    static double points(int twips, int low, int high) { return std::clamp(twips, low, high) / 20.0; }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    void control() {
        if (i_ >= n_) return;
        const char c = s_[i_];
        if (!isLetter(c)) {
            ++i_;
            symbol(c);
            return;
        }
        const qsizetype start = i_;
        while (i_ < n_ && isLetter(s_[i_]) && i_ - start < 32)
            ++i_;
        const std::string_view name(s_ + start, static_cast<size_t>(i_ - start));
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (i_ < n_ && s_[i_] == '-' && i_ + 1 < n_ && s_[i_ + 1] >= '0' && s_[i_ + 1] <= '9') {
            negative = true;
            ++i_;
        }
        for (int digits = 0; i_ < n_ && s_[i_] >= '0' && s_[i_] <= '9'; ++i_, ++digits)
            if (digits < 10) {
                param = param * 10 + (s_[i_] - '0');
                hasParam = true;
            }
        if (negative) param = -param;
        if (i_ < n_ && s_[i_] == ' ') ++i_;
        const int value = static_cast<int>(std::clamp<long long>(param, -65536, 65536));
        word(name, hasParam, value);
    }

    void symbol(char c) {
        switch (c) {
            case '\'': {
                // Two hex digits; a damaged escape with fewer is dropped with what it has.
                if (i_ + 1 < n_ && hex(s_[i_]) >= 0 && hex(s_[i_ + 1]) >= 0) {
                    const char byte = static_cast<char>(hex(s_[i_]) * 16 + hex(s_[i_ + 1]));
                    i_ += 2;
                    character(cp1252(byte));
                } else if (i_ < n_ && hex(s_[i_]) >= 0) {
                    ++i_;
                }
                return;
            }
            case '*':
                // An optional destination this reader does not know: its text is not shown.
                look_.skip = true;
                return;
            case '~':
                character(QChar(0x00A0));
                return;
            case '_':
                character(QChar(0x2011));
                return;
            case '\r':
            case '\n':
                endParagraph(true);
                return;
            case '\\':
            case '{':
            case '}':
                character(QChar::fromLatin1(c));
                return;
            default:
                return;  // \- optional hyphen, \| and the like: nothing to show
        }
    }

    void word(std::string_view w, bool hasParam, int value) {
        const bool on = !hasParam || value != 0;
        if (w == "par" || w == "sect" || w == "page") {
            endParagraph(true);
        } else if (w == "line") {
            character(QChar(LineBreak));
        } else if (w == "tab") {
            character(QChar(u'\t'));
        } else if (w == "b") {
            look_.bold = on;
        } else if (w == "i") {
            look_.italic = on;
        } else if (w == "ulnone") {
            look_.underline = false;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
                   w == "ulwave") {
            look_.underline = on;
        } else if (w == "plain") {
            look_.bold = look_.italic = look_.underline = false;
            look_.halfPoints = DefaultHalfPoints;
        } else if (w == "fs") {
            look_.halfPoints = hasParam ? std::clamp(value, 8, 288) : DefaultHalfPoints;
        } else if (w == "pard") {
            props_ = RtfParagraph{};
        } else if (w == "ql") {
            props_.align = RtfParagraph::Left;
        } else if (w == "qc") {
            props_.align = RtfParagraph::Center;
        } else if (w == "qr") {
            props_.align = RtfParagraph::Right;
        } else if (w == "qj") {
            props_.align = RtfParagraph::Justify;
        } else if (w == "sb") {
            props_.spaceBefore = points(value, 0, 1440);
        } else if (w == "sa") {
            props_.spaceAfter = points(value, 0, 1440);
        } else if (w == "li") {
            props_.leftIndent = points(value, 0, 14400);
        } else if (w == "fi") {
            props_.firstLineIndent = points(value, -14400, 14400);
        } else if (w == "u") {
            character(QChar(static_cast<char16_t>(value < 0 ? value + 65536 : value)));
            fallback_ = look_.uc;
        } else if (w == "uc") {
            look_.uc = std::clamp(value, 0, 8);
        } else if (w == "emdash") {
            character(QChar(0x2014));
        } else if (w == "endash") {
            character(QChar(0x2013));
        } else if (w == "bullet") {
            character(QChar(0x2022));
        } else if (w == "lquote") {
            character(QChar(0x2018));
        } else if (w == "rquote") {
            character(QChar(0x2019));
        } else if (w == "ldblquote") {
            character(QChar(0x201C));
        } else if (w == "rdblquote") {
            character(QChar(0x201D));
        } else if (w == "emspace" || w == "enspace" || w == "qmspace") {
            character(QChar(u' '));
        } else if (w == "bin") {
            // Binary data of that many bytes follows; it is never text.
            i_ += std::min<qsizetype>(std::max(value, 0), n_ - i_);
        } else if (std::find(std::begin(kSkipped), std::end(kSkipped), w) != std::end(kSkipped)) {
            look_.skip = true;
        }
    }

    const char* s_;
    qsizetype n_;
    qsizetype i_ = 0;
    Look look_;
    std::vector<Look> stack_;
    int overflow_ = 0;
    int fallback_ = 0;
    RtfParagraph props_;  // the settings of the paragraph being read
    bool open_ = false;
    RtfDocument doc_;
};

// Half of a surrogate pair without its other half cannot be shown; it becomes the replacement
// character.
void repairSurrogates(QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            text[i] = QChar::ReplacementCharacter;
        }
    }
}

RtfDocument readPlain(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = fromCp1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    RtfDocument doc;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        RtfParagraph p;
        if (!line.isEmpty()) p.runs.append(RtfRun{line});
        doc.paragraphs.append(p);
    }
    if (!doc.paragraphs.isEmpty() && doc.paragraphs.last().runs.isEmpty()) doc.paragraphs.removeLast();
    return doc;
}

}  // namespace

QString RtfParagraph::text() const {
    QString out;
    for (const RtfRun& run : runs)
        out += run.text;
    return out;
}

QString RtfDocument::plainText() const {
    QString out;
    for (const RtfParagraph& p : paragraphs)
        out += p.text().replace(QChar(LineBreak), QLatin1Char('\n')) + QLatin1Char('\n');
    return out;
}

QString RtfDocument::toHtml() const {
    static const char* const aligns[] = {"left", "center", "right", "justify"};
    QString html = QStringLiteral("<html><body>");
    for (const RtfParagraph& p : paragraphs) {
        // The text browser takes lengths in pixels: 96 to the inch, 72 points.
        auto px = [](double pt) { return QString::number(qRound(pt * 4 / 3)); };
        html += QStringLiteral(
                    "<p style=\"margin-top:%1px; margin-bottom:%2px; margin-left:%3px; text-indent:%4px; "
                    "white-space:pre-wrap; text-align:%5\">")
                    .arg(px(p.spaceBefore), px(p.spaceAfter), px(p.leftIndent), px(p.firstLineIndent),
                         QLatin1String(aligns[p.align]));
        if (p.runs.isEmpty()) html += QStringLiteral("<br/>");
        for (const RtfRun& run : p.runs) {
            QString style = QStringLiteral("font-size:%1pt;").arg(run.pointSize);
            if (run.bold) style += QStringLiteral(" font-weight:bold;");
            if (run.italic) style += QStringLiteral(" font-style:italic;");
            if (run.underline) style += QStringLiteral(" text-decoration:underline;");
            html +=
                QStringLiteral("<span style=\"%1\">%2</span>")
                    .arg(style, run.text.toHtmlEscaped().replace(QChar(LineBreak), QStringLiteral("<br/>")));
        }
        html += QStringLiteral("</p>");
    }
    return html + QStringLiteral("</body></html>");
}

RtfDocument readRtf(const QByteArray& bytes) {
    qsizetype start = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) start = 3;
    while (start < bytes.size() &&
           (bytes[start] == ' ' || bytes[start] == '\r' || bytes[start] == '\n' || bytes[start] == '\t'))
        ++start;
    if (bytes.mid(start, 5) != "{\\rtf") return readPlain(bytes);
    RtfDocument doc = Reader(bytes).read();
    for (RtfParagraph& p : doc.paragraphs)
        for (RtfRun& run : p.runs)
            repairSurrogates(run.text);
    return doc;
}

}  // namespace qc
