#include "platform/report/rtf.h"

#include "common/text_file.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace {
constexpr double kTwipsPerPixel = 15.0; // 1440 twips per inch, 96 pixels per inch

QString familyOf(const QTextCharFormat &f, const QTextDocument &doc)
{
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return doc.defaultFont().family();
}

QByteArray number(double v)
{
    return QByteArray::number(qRound(v));
}

// A font name in the font table: no braces, backslashes or semicolons.
QByteArray fontName(const QString &name)
{
    QString clean = name;
    clean.remove(QLatin1Char(';'));
    return Rtf::escaped(clean);
}
} // namespace

QByteArray Rtf::escaped(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u < 0x20) {
            out += ' ';
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // \uN takes a signed 16-bit number; '?' is the fallback for old readers.
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

QByteArray Rtf::write(const QTextDocument &document)
{
    QStringList fonts{document.defaultFont().family()};
    QList<QColor> colours;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString family = familyOf(f, document);
            if (!fonts.contains(family))
                fonts.append(family);
            if (f.foreground().style() != Qt::NoBrush && !colours.contains(f.foreground().color()))
                colours.append(f.foreground().color());
        }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < fonts.size(); ++i)
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset204 " + fontName(fonts.at(i)) + ";}";
    out += "}\n{\\colortbl;";
    for (const QColor &c : colours)
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue"
               + QByteArray::number(c.blue()) + ';';
    out += "}\n";

    const double defaultSize = document.defaultFont().pointSizeF() > 0 ? document.defaultFont().pointSizeF() : 10;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out += "\\pard";
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        out += (a & Qt::AlignHCenter) ? "\\qc" : (a & Qt::AlignRight) ? "\\qr" : (a & Qt::AlignJustify) ? "\\qj" : "\\ql";
        if (bf.leftMargin() != 0)
            out += "\\li" + number(bf.leftMargin() * kTwipsPerPixel);
        if (bf.rightMargin() != 0)
            out += "\\ri" + number(bf.rightMargin() * kTwipsPerPixel);
        if (bf.textIndent() != 0)
            out += "\\fi" + number(bf.textIndent() * kTwipsPerPixel);
        if (bf.topMargin() != 0)
            out += "\\sb" + number(bf.topMargin() * kTwipsPerPixel);
        if (bf.bottomMargin() != 0)
            out += "\\sa" + number(bf.bottomMargin() * kTwipsPerPixel);
        out += ' ';
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            out += "{\\f" + QByteArray::number(fonts.indexOf(familyOf(f, document)));
            const double size = f.fontPointSize() > 0 ? f.fontPointSize() : defaultSize;
            out += "\\fs" + number(size * 2);
            if (f.fontWeight() >= QFont::Bold)
                out += "\\b";
            if (f.fontItalic())
                out += "\\i";
            if (f.fontUnderline())
                out += "\\ul";
            if (f.fontStrikeOut())
                out += "\\strike";
            if (f.foreground().style() != Qt::NoBrush)
                out += "\\cf" + QByteArray::number(colours.indexOf(f.foreground().color()) + 1);
            out += ' ';
            const QStringList parts = frag.text().split(QChar::LineSeparator);
            for (int i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    out += "\\line ";
                out += escaped(parts.at(i));
            }
            out += '}';
        }
        if (b.next().isValid())
            out += "\\par\n";
    }
    out += "}\n";
    return out;
}

bool Rtf::readFile(const QString &path, QTextDocument *document, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    read(f.readAll(), document);
    return true;
}

bool Rtf::writeFile(const QString &path, const QTextDocument &document, QString *error)
{
    return TextFile::writeAtomic(path, write(document), error);
}
