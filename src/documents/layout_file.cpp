#include "documents/layout_file.h"

#include "common/file_names.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "documents/layout_rich_text.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

using namespace Layout;

namespace {
const QString kParentPrefix = QStringLiteral("Form_GeneralForm_Dokumentaciq.");
const QString kHeader = QStringLiteral("Text_Header");
const QString kFooter = QStringLiteral("Text_Footer");
const QString kDetail = QStringLiteral("Text_QRSubDetail1");
const QString kCounts = QStringLiteral("Object_Counts");

// Sizes from a hand-edited file stay within what a page can hold.
constexpr int kMaxExtent = 100000;
int clampExtent(long long v)
{
    return int(std::clamp<long long>(v, -kMaxExtent, kMaxExtent));
}

QString alignText(Align a)
{
    switch (a) {
    case Align::Right:
        return QStringLiteral("taRightJustify");
    case Align::Center:
        return QStringLiteral("taCenter");
    case Align::Left:
        break;
    }
    return QStringLiteral("taLeftJustify");
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

bool isObjectSection(const QString &section, long long *number)
{
    static const QRegularExpression re(QStringLiteral("^object(\\d{1,12})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(section.trimmed());
    if (!m.hasMatch())
        return false;
    *number = m.captured(1).toLongLong();
    return true;
}

// "True" or a non-zero whole number.
bool readAutoSize(const QString &text)
{
    bool ok = false;
    const long long n = text.trimmed().toLongLong(&ok);
    return ok ? n != 0 : text.trimmed().compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

bool readDrawn(const IniFile &ini, const QString &s, const QString &key, bool current)
{
    if (!ini.valueExists(s, key))
        return current;
    const QString v = ini.readString(s, key).trimmed();
    return v == QLatin1String("1") || v.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

void readGeometry(const IniFile &ini, const QString &s, Element &e)
{
    e.left = clampExtent(ini.readInteger(s, QStringLiteral("Left"), e.left));
    e.top = clampExtent(ini.readInteger(s, QStringLiteral("Top"), e.top));
    e.width = clampExtent(ini.readInteger(s, QStringLiteral("Width"), e.width));
    e.height = clampExtent(ini.readInteger(s, QStringLiteral("Height"), e.height));
    if (ini.valueExists(s, QStringLiteral("AutoSize")))
        e.autoSize = readAutoSize(ini.readString(s, QStringLiteral("AutoSize")));
    const QString align = ini.readString(s, QStringLiteral("Alignment")).trimmed();
    if (align == QLatin1String("taRightJustify"))
        e.alignment = Align::Right;
    else if (align == QLatin1String("taCenter"))
        e.alignment = Align::Center;
    else if (align == QLatin1String("taLeftJustify"))
        e.alignment = Align::Left;
    e.frameLeft = readDrawn(ini, s, QStringLiteral("Frame.DrawLeft"), e.frameLeft);
    e.frameRight = readDrawn(ini, s, QStringLiteral("Frame.DrawRight"), e.frameRight);
    e.frameTop = readDrawn(ini, s, QStringLiteral("Frame.DrawTop"), e.frameTop);
    e.frameBottom = readDrawn(ini, s, QStringLiteral("Frame.DrawBottom"), e.frameBottom);
    static const QStringList styles = {QStringLiteral("psSolid"), QStringLiteral("psDash"),
                                       QStringLiteral("psDot"), QStringLiteral("psDashDot"),
                                       QStringLiteral("psDashDotDot"), QStringLiteral("psClear"),
                                       QStringLiteral("psInsideFrame")};
    const QString style = ini.readString(s, QStringLiteral("Frame.Style")).trimmed();
    if (styles.contains(style))
        e.frameStyle = style;
    e.frameWidth = int(std::clamp<long long>(ini.readInteger(s, QStringLiteral("Frame.Width"), e.frameWidth), 0, 100));
    e.fontSize = int(std::clamp<long long>(ini.readInteger(s, QStringLiteral("Font.Size"), e.fontSize), 1, 500));
    auto style1 = [&](const char *key) { return ini.readString(s, QString::fromLatin1(key)).trimmed() == QLatin1String("1"); };
    e.bold = e.bold || style1("fsBold");
    e.italic = e.italic || style1("fsItalic");
    e.underline = e.underline || style1("fsUnderline");
    e.strikeOut = e.strikeOut || style1("fsStrikeOut");
}

// The stored data code: absent gives 0, a text that is no number gives -1.
int readCode(const IniFile &ini, const QString &s)
{
    if (!ini.valueExists(s, QStringLiteral("Data")))
        return 0;
    bool ok = false;
    const int n = ini.readString(s, QStringLiteral("Data")).trimmed().toInt(&ok);
    return ok ? n : -1;
}
} // namespace

namespace LayoutFile {

QString folder()
{
    return ProgramFolder::file(QStringLiteral("Documentations"));
}

QString basePath(const QString &name)
{
    return QDir(folder()).filePath(name);
}

QString nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Въведете име на документа!");
    static const QString bad = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : name)
        if (bad.contains(c) || c.unicode() < 32)
            return QStringLiteral("Името на документа не може да съдържа / \\ : * ? \" < > |");
    if (name.contains(QStringLiteral("..")))
        return QStringLiteral("Името на документа не може да съдържа \"..\"");
    const QChar first = name.front();
    const QChar last = name.back();
    if (first.isSpace() || last.isSpace() || first == QLatin1Char('.') || last == QLatin1Char('.'))
        return QStringLiteral("Името на документа не може да започва или завършва с интервал или точка");
    // Its files add an extension of four characters.
    if (!FileNames::isPlain(name + QStringLiteral(".psc")))
        return QStringLiteral("Името на документа е твърде дълго или съдържа непозволени знаци");
    return {};
}

void write(IniFile &ini, const Document &document, const QString &headerFile, const QString &footerFile)
{
    for (const QString &s : ini.sections()) {
        long long n = 0;
        if (isObjectSection(s, &n) || s.compare(kHeader, Qt::CaseInsensitive) == 0
            || s.compare(kFooter, Qt::CaseInsensitive) == 0 || s.compare(kDetail, Qt::CaseInsensitive) == 0
            || s.compare(kCounts, Qt::CaseInsensitive) == 0)
            ini.eraseSection(s);
    }
    ini.writeInteger(kHeader, QStringLiteral("Header_Heigth"), document.headerHeight);
    ini.writeString(kHeader, QStringLiteral("NameOfFile"), headerFile);
    ini.writeInteger(kFooter, QStringLiteral("Footer_Heigth"), document.footerHeight);
    ini.writeString(kFooter, QStringLiteral("NameOfFile"), footerFile);
    ini.writeInteger(kDetail, QStringLiteral("QRSubDetail1_Height"), document.detailHeight);

    for (int i = 0; i < document.elements.size(); ++i) {
        const Element &e = document.elements.at(i);
        const QString s = QStringLiteral("Object%1").arg(i + 1);
        ini.writeString(s, QStringLiteral("Type_Object"), kindClass(e.kind));
        ini.writeString(s, QStringLiteral("Name"), e.name);
        ini.writeString(s, QStringLiteral("Parent"), kParentPrefix + bandName(e.band));
        if (e.kind == Kind::Picture)
            continue;
        if (e.kind == Kind::DataField) {
            ini.writeString(s, QStringLiteral("DataSet"), e.table);
            ini.writeString(s, QStringLiteral("DataField"), e.field);
        } else if (e.kind == Kind::Label) {
            if (e.code >= NetAmount && e.code <= NumberWords)
                ini.writeInteger(s, QStringLiteral("Data"), e.code);
            if (e.code == FreeText)
                ini.writeString(s, QStringLiteral("Caption"), e.caption);
            else if (e.code == NumberWords)
                ini.writeString(s, QStringLiteral("Caption"), numberPromptCaption());
        } else {
            ini.writeInteger(s, QStringLiteral("Data"), std::clamp(e.code, int(Date), int(Time)));
        }
        ini.writeInteger(s, QStringLiteral("Height"), e.height);
        ini.writeInteger(s, QStringLiteral("Width"), e.width);
        ini.writeInteger(s, QStringLiteral("Left"), e.left);
        ini.writeInteger(s, QStringLiteral("Top"), e.top);
        ini.writeString(s, QStringLiteral("AutoSize"), e.autoSize ? QStringLiteral("True") : QStringLiteral("False"));
        ini.writeString(s, QStringLiteral("Alignment"), alignText(e.alignment));
        ini.writeString(s, QStringLiteral("Frame.DrawLeft"), flag(e.frameLeft));
        ini.writeString(s, QStringLiteral("Frame.DrawRight"), flag(e.frameRight));
        ini.writeString(s, QStringLiteral("Frame.DrawTop"), flag(e.frameTop));
        ini.writeString(s, QStringLiteral("Frame.DrawBottom"), flag(e.frameBottom));
        ini.writeString(s, QStringLiteral("Frame.Style"), e.frameStyle);
        ini.writeInteger(s, QStringLiteral("Frame.Width"), e.frameWidth);
        ini.writeInteger(s, QStringLiteral("Font.Size"), e.fontSize);
        ini.writeString(s, QStringLiteral("fsBold"), flag(e.bold));
        ini.writeString(s, QStringLiteral("fsItalic"), flag(e.italic));
        ini.writeString(s, QStringLiteral("fsUnderline"), flag(e.underline));
        ini.writeString(s, QStringLiteral("fsStrikeOut"), flag(e.strikeOut));
    }
    ini.writeInteger(kCounts, QStringLiteral("Max"), document.elements.size());
}

Document read(const IniFile &ini, const Document &previous)
{
    Document d = previous;
    d.elements.clear();
    d.headerHeight = clampExtent(ini.readInteger(kHeader, QStringLiteral("Header_Heigth"), d.headerHeight));
    d.footerHeight = clampExtent(ini.readInteger(kFooter, QStringLiteral("Footer_Heigth"), d.footerHeight));
    const long long vis = ini.readInteger(QStringLiteral("Original"), QStringLiteral("Vis"), 0);
    if (vis == 0 || vis == 1)
        d.originalVisible = vis == 1;

    const long long max = ini.readInteger(kCounts, QStringLiteral("Max"), 0);
    // Only the sections that are there, however large Max is.
    QMap<long long, QString> sections;
    for (const QString &s : ini.sections()) {
        long long n = 0;
        if (isObjectSection(s, &n) && n >= 1 && n <= max && !sections.contains(n))
            sections.insert(n, s);
    }

    Band band = Band::Detail;
    Kind kind = Kind::DataField;
    for (const QString &s : std::as_const(sections)) {
        Band b;
        const QString parent = ini.readString(s, QStringLiteral("Parent")).trimmed();
        if (parent.startsWith(kParentPrefix) && bandFromName(parent.mid(kParentPrefix.size()), &b))
            band = b;
        Kind k;
        if (!ini.valueExists(s, QStringLiteral("Type_Object")))
            kind = Kind::DataField;
        else if (kindFromClass(ini.readString(s, QStringLiteral("Type_Object")).trimmed(), &k))
            kind = k;
        d.detailHeight = clampExtent(ini.readInteger(kDetail, QStringLiteral("QRSubDetail1_Height"), d.detailHeight));

        Element e;
        e.band = band;
        e.kind = kind;
        const QString name = ini.readString(s, QStringLiteral("Name")).trimmed();
        static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        e.name = identifier.match(name).hasMatch() && d.indexOf(name) < 0
                     ? name
                     : d.freeName(kind, int(d.elements.size()) + 1);
        switch (kind) {
        case Kind::DataField:
            e.table = ini.readString(s, QStringLiteral("DataSet")).trimmed();
            // Older layouts name the table file ("Produkti.DB"); the table is what counts.
            if (e.table.endsWith(QStringLiteral(".db"), Qt::CaseInsensitive))
                e.table.chop(3);
            e.field = ini.readString(s, QStringLiteral("DataField")).trimmed();
            readGeometry(ini, s, e);
            break;
        case Kind::SystemData: {
            const int code = readCode(ini, s);
            e.code = code >= Date && code <= Time ? code : Time;
            e.width = 10;
            readGeometry(ini, s, e);
            break;
        }
        case Kind::Label: {
            const int code = readCode(ini, s);
            const QString stored = ini.readString(s, QStringLiteral("Caption"));
            if (code >= NetAmount && code <= AmountWords) {
                e.code = code;
                e.caption = labelKinds().at(code);
            } else if (code == FreeText) {
                e.code = code;
                e.caption = stored;
            } else if (code == NumberWords) {
                e.code = code;
                e.caption = ini.valueExists(s, QStringLiteral("Caption")) ? stored : numberPromptCaption();
            } else {
                e.caption = e.name;
            }
            e.width = 10;
            readGeometry(ini, s, e);
            break;
        }
        case Kind::Picture:
            break;
        }
        d.elements.append(e);
    }
    return d;
}

bool load(const QString &name, const Document &previous, Document *document, QString *error)
{
    const QString base = basePath(name);
    if (!nameProblem(name).isEmpty() || !QFileInfo(base + QStringLiteral(".psc")).isFile()) {
        if (error)
            *error = QStringLiteral("Липсва файл на документ: %1").arg(name);
        return false;
    }
    const IniFile ini(base + QStringLiteral(".psc"));
    *document = read(ini, previous);
    auto text = [&](const QString &own, const QString &section) {
        QString path = own;
        if (!QFileInfo(path).isFile())
            path = ini.readString(section, QStringLiteral("NameOfFile")).trimmed();
        bool ok = false;
        const QString html = path.isEmpty() ? QString() : LayoutRichText::readFile(path, &ok);
        return ok ? html : QString();
    };
    document->headerText = text(base + QStringLiteral(".hdr"), kHeader);
    document->footerText = text(base + QStringLiteral(".ftr"), kFooter);
    return true;
}
} // namespace LayoutFile
