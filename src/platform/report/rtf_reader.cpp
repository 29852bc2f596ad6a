#include "platform/report/rtf.h"

#include "common/cp1251.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace {
// Deeper groups are skipped whole: a hostile "{{{{..." costs nothing.
constexpr size_t kMaxDepth = 64;
constexpr double kPixelsPerTwip = 1.0 / 15.0;

enum class Dest { Text, FontTable, ColourTable };

struct State {
    Dest dest = Dest::Text;
    int font = -1;
    int size = 24; // half-points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = 0;
    int uc = 1;
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0;
    int ri = 0;
    int fi = 0;
    int sb = 0;
    int sa = 0;
};

struct Font {
    QString name;
    int charset = -1;
};

int codepageOfCharset(int charset, int ansi)
{
    switch (charset) {
    case 0:
    case 2:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return ansi;
    }
}

QString decodeBytes(const QByteArray &bytes, int codepage)
{
    if (codepage == 1251)
        return Cp1251::decode(bytes);
    QByteArray name = "windows-" + QByteArray::number(codepage);
    switch (codepage) {
    case 437:
        name = "IBM437";
        break;
    case 932:
        name = "Shift_JIS";
        break;
    case 936:
        name = "GBK";
        break;
    case 949:
        name = "EUC-KR";
        break;
    case 950:
        name = "Big5";
        break;
    case 10000:
        name = "macintosh";
        break;
    default:
        break;
    }
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> set = {
        "stylesheet", "info",       "pict",        "object",      "header",     "headerl",    "headerr",
        "headerf",    "footer",     "footerl",     "footerr",     "footerf",    "footnote",   "annotation",
        "listtable",  "listoverridetable",         "rsidtbl",     "generator",  "xmlnstbl",   "filetbl",
        "revtbl",     "latentstyles",              "themedata",   "colorschememapping",      "datastore",
        "fldinst",    "pntxta",     "pntxtb",      "atnid",       "atnauthor",  "bkmkstart",  "bkmkend",
        "nonshppict", "shp",        "shpinst",     "template",    "userprops",  "docvar",     "xe",
        "tc",         "txe",        "mmathPr",     "pgdsctbl",    "fontemb",    "fontfile",   "private",
    };
    return set;
}

class Reader
{
public:
    Reader(const QByteArray &in, QTextDocument *doc)
        : m_in(in)
        , m_cursor(doc)
    {
    }

    void run()
    {
        const qsizetype n = m_in.size();
        while (m_pos < n) {
            const char c = m_in.at(m_pos);
            if (c == '{') {
                flush();
                ++m_pos;
                m_ucSkip = 0;
                if (m_stack.size() >= kMaxDepth) {
                    skipGroup();
                    continue;
                }
                m_stack.push_back(m_st);
            } else if (c == '}') {
                flush();
                ++m_pos;
                m_ucSkip = 0;
                endGroup();
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                ++m_pos;
            } else {
                ++m_pos;
                byte(c);
            }
        }
        flush();
    }

private:
    const QByteArray &m_in;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;
    std::vector<State> m_stack;
    State m_st;
    int m_ucSkip = 0;
    int m_ansi = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    QList<QColor> m_colours;
    QByteArray m_bytes; // text bytes not decoded yet
    QString m_text;     // text not inserted yet
    bool m_pendingTab = false;
    // font table entry being read
    int m_fontIndex = -1;
    QByteArray m_fontName;
    int m_fontCharset = -1;
    // colour table entry being read
    int m_red = -1, m_green = -1, m_blue = -1;

    void endGroup()
    {
        if (m_st.dest == Dest::FontTable)
            finishFont();
        if (m_stack.empty())
            return; // one '}' too many: ignored
        m_st = m_stack.back();
        m_stack.pop_back();
    }

    // Skips to the end of the group just entered, braces counted, escapes and
    // binary data passed over.
    void skipGroup()
    {
        int depth = 1;
        const qsizetype n = m_in.size();
        while (m_pos < n && depth > 0) {
            const char c = m_in.at(m_pos++);
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                --depth;
            } else if (c == '\\' && m_pos < n) {
                const char d = m_in.at(m_pos);
                if (d == '{' || d == '}' || d == '\\') {
                    ++m_pos;
                } else if (m_in.mid(m_pos, 3) == "bin") {
                    m_pos += 3;
                    long long count = 0;
                    int digits = 0;
                    while (m_pos < n && std::isdigit(static_cast<unsigned char>(m_in.at(m_pos))) && digits < 10) {
                        count = count * 10 + (m_in.at(m_pos++) - '0');
                        ++digits;
                    }
                    if (m_pos < n && m_in.at(m_pos) == ' ')
                        ++m_pos;
                    m_pos += qMin<long long>(count, n - m_pos);
                }
            }
        }
    }

    void skipCurrentGroup()
    {
        flush();
        skipGroup();
        if (!m_stack.empty()) {
            m_st = m_stack.back();
            m_stack.pop_back();
        }
    }

    int codepage() const
    {
        const int font = m_st.font >= 0 ? m_st.font : m_defaultFont;
        const auto it = m_fonts.constFind(font);
        return codepageOfCharset(it == m_fonts.constEnd() ? -1 : it->charset, m_ansi);
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        m_text += decodeBytes(m_bytes, codepage());
        m_bytes.clear();
    }

    QTextCharFormat charFormat() const
    {
        QTextCharFormat f;
        const int font = m_st.font >= 0 ? m_st.font : m_defaultFont;
        const auto it = m_fonts.constFind(font);
        if (it != m_fonts.constEnd() && !it->name.isEmpty())
            f.setFontFamilies({it->name});
        f.setFontPointSize(m_st.size / 2.0);
        f.setFontWeight(m_st.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(m_st.italic);
        f.setFontUnderline(m_st.underline);
        f.setFontStrikeOut(m_st.strike);
        // \cfN names entry N of the table; entry 0 is usually "auto".
        if (m_st.colour < m_colours.size() && m_colours.at(m_st.colour).isValid())
            f.setForeground(m_colours.at(m_st.colour));
        return f;
    }

    QTextBlockFormat blockFormat() const
    {
        QTextBlockFormat b;
        b.setAlignment(m_st.align);
        b.setLeftMargin(m_st.li * kPixelsPerTwip);
        b.setRightMargin(m_st.ri * kPixelsPerTwip);
        b.setTextIndent(m_st.fi * kPixelsPerTwip);
        b.setTopMargin(m_st.sb * kPixelsPerTwip);
        b.setBottomMargin(m_st.sa * kPixelsPerTwip);
        return b;
    }

    void flush()
    {
        flushBytes();
        // Control characters and the editor's own frame marks are not text.
        m_text.removeIf([](QChar ch) {
            const char16_t u = ch.unicode();
            return (u < 0x20 && u != u'\t') || u == 0xFDD0 || u == 0xFDD1;
        });
        if (m_text.isEmpty())
            return;
        // The block takes the paragraph format in force where its text stands.
        m_cursor.setBlockFormat(blockFormat());
        m_cursor.insertText(m_text, charFormat());
        m_text.clear();
    }

    void beforeText()
    {
        if (m_pendingTab) {
            m_pendingTab = false;
            flushBytes();
            m_text += QLatin1Char('\t');
        }
    }

    void byte(char c)
    {
        switch (m_st.dest) {
        case Dest::Text:
            if (m_ucSkip > 0) {
                --m_ucSkip;
                return;
            }
            beforeText();
            m_bytes += c;
            return;
        case Dest::FontTable:
            if (c == ';')
                finishFont();
            else
                m_fontName += c;
            return;
        case Dest::ColourTable:
            if (c == ';') {
                m_colours.append(m_red < 0 && m_green < 0 && m_blue < 0
                                     ? QColor()
                                     : QColor(qBound(0, m_red, 255), qBound(0, m_green, 255), qBound(0, m_blue, 255)));
                m_red = m_green = m_blue = -1;
            }
            return;
        }
    }

    void character(char16_t u)
    {
        if (m_st.dest != Dest::Text)
            return;
        beforeText();
        flushBytes();
        m_text += QChar(u);
    }

    void finishFont()
    {
        if (m_fontIndex >= 0) {
            Font f;
            f.charset = m_fontCharset;
            f.name = decodeBytes(m_fontName, codepageOfCharset(m_fontCharset, m_ansi)).trimmed();
            m_fonts.insert(m_fontIndex, f);
        }
        m_fontIndex = -1;
        m_fontName.clear();
        m_fontCharset = -1;
    }

    void paragraph()
    {
        flush();
        m_pendingTab = false;
        m_cursor.setBlockFormat(blockFormat());
        m_cursor.insertBlock(blockFormat(), charFormat());
    }

    void control()
    {
        const qsizetype n = m_in.size();
        ++m_pos; // the backslash
        if (m_pos >= n)
            return;
        const char c = m_in.at(m_pos);
        if (std::isalpha(static_cast<unsigned char>(c))) {
            QByteArray word;
            while (m_pos < n && std::isalpha(static_cast<unsigned char>(m_in.at(m_pos))) && word.size() < 32)
                word += m_in.at(m_pos++);
            while (m_pos < n && std::isalpha(static_cast<unsigned char>(m_in.at(m_pos))))
                ++m_pos; // an absurdly long word: the rest is dropped
            bool hasParam = false;
            bool negative = false;
            long long param = 0;
            if (m_pos < n && m_in.at(m_pos) == '-' && m_pos + 1 < n
                && std::isdigit(static_cast<unsigned char>(m_in.at(m_pos + 1)))) {
                negative = true;
                ++m_pos;
            }
            int digits = 0;
            while (m_pos < n && std::isdigit(static_cast<unsigned char>(m_in.at(m_pos)))) {
                if (digits < 10)
                    param = param * 10 + (m_in.at(m_pos) - '0');
                ++digits;
                ++m_pos;
                hasParam = true;
            }
            if (m_pos < n && m_in.at(m_pos) == ' ')
                ++m_pos;
            param = qBound<long long>(-2147483647LL, negative ? -param : param, 2147483647LL);
            controlWord(word, hasParam, int(param));
            return;
        }
        ++m_pos;
        switch (c) {
        case '\'': {
            if (m_pos + 2 > n)
                return;
            bool ok = false;
            const int value = m_in.mid(m_pos, 2).toInt(&ok, 16);
            if (ok) // a broken escape is dropped
                m_pos += 2;
            if (ok)
                byte(char(value));
            return;
        }
        case '*':
            // An ignorable destination: nothing of it is shown.
            skipCurrentGroup();
            return;
        case '{':
        case '}':
        case '\\':
            byte(c);
            return;
        case '~':
            character(0x00A0);
            return;
        case '_':
            character(0x2011);
            return;
        case '\r':
        case '\n':
            if (m_st.dest == Dest::Text)
                paragraph();
            return;
        default:
            return; // \- and other symbols print nothing
        }
    }

    void controlWord(const QByteArray &w, bool hasParam, int p)
    {
        const bool on = !hasParam || p != 0;
        if (w == "bin") {
            m_pos += qMin<qsizetype>(qMax(0, p), m_in.size() - m_pos);
            return;
        }
        if (w == "u") {
            character(char16_t(p < 0 ? p + 65536 : qBound(0, p, 65535)));
            m_ucSkip = m_st.uc;
            return;
        }
        flush();
        m_ucSkip = 0;
        if (w == "fonttbl") {
            m_st.dest = Dest::FontTable;
        } else if (w == "colortbl") {
            m_st.dest = Dest::ColourTable;
        } else if (skippedDestinations().contains(w)) {
            skipCurrentGroup();
        } else if (m_st.dest == Dest::FontTable) {
            if (w == "f") {
                finishFont();
                m_fontIndex = p;
            } else if (w == "fcharset") {
                m_fontCharset = p;
            }
        } else if (m_st.dest == Dest::ColourTable) {
            if (w == "red")
                m_red = p;
            else if (w == "green")
                m_green = p;
            else if (w == "blue")
                m_blue = p;
        } else if (w == "par" || w == "sect" || w == "page") {
            paragraph();
        } else if (w == "row") {
            paragraph();
        } else if (w == "cell" || w == "nestcell") {
            m_pendingTab = true; // a tab between cells, none after the last
        } else if (w == "line") {
            character(QChar::LineSeparator);
        } else if (w == "tab") {
            character(u'\t');
        } else if (w == "emdash") {
            character(0x2014);
        } else if (w == "endash") {
            character(0x2013);
        } else if (w == "bullet") {
            character(0x2022);
        } else if (w == "lquote") {
            character(0x2018);
        } else if (w == "rquote") {
            character(0x2019);
        } else if (w == "ldblquote") {
            character(0x201C);
        } else if (w == "rdblquote") {
            character(0x201D);
        } else if (w == "pard") {
            m_st.align = Qt::AlignLeft;
            m_st.li = m_st.ri = m_st.fi = m_st.sb = m_st.sa = 0;
        } else if (w == "plain") {
            m_st.font = m_defaultFont;
            m_st.size = 24;
            m_st.bold = m_st.italic = m_st.underline = m_st.strike = false;
            m_st.colour = 0;
        } else if (w == "b") {
            m_st.bold = on;
        } else if (w == "i") {
            m_st.italic = on;
        } else if (w == "ulnone") {
            m_st.underline = false;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulwave"
                   || w == "ulth") {
            m_st.underline = on;
        } else if (w == "strike") {
            m_st.strike = on;
        } else if (w == "f") {
            m_st.font = p;
        } else if (w == "fs") {
            m_st.size = qBound(2, hasParam ? p : 24, 3276);
        } else if (w == "cf") {
            m_st.colour = qMax(0, p);
        } else if (w == "ql") {
            m_st.align = Qt::AlignLeft;
        } else if (w == "qc") {
            m_st.align = Qt::AlignHCenter;
        } else if (w == "qr") {
            m_st.align = Qt::AlignRight;
        } else if (w == "qj") {
            m_st.align = Qt::AlignJustify;
        } else if (w == "li") {
            m_st.li = qBound(-31680, p, 31680);
        } else if (w == "ri") {
            m_st.ri = qBound(-31680, p, 31680);
        } else if (w == "fi") {
            m_st.fi = qBound(-31680, p, 31680);
        } else if (w == "sb") {
            m_st.sb = qBound(0, p, 31680);
        } else if (w == "sa") {
            m_st.sa = qBound(0, p, 31680);
        } else if (w == "uc") {
            m_st.uc = qBound(0, p, 10);
        } else if (w == "ansicpg") {
            m_ansi = p;
        } else if (w == "deff") {
            m_defaultFont = p;
        }
    }
};
} // namespace

void Rtf::read(const QByteArray &bytes, QTextDocument *document)
{
    document->clear();
    if (!bytes.startsWith("{\\rtf")) {
        document->setPlainText(Cp1251::decodeText(bytes));
        return;
    }
    Reader(bytes, document).run();
}
