#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/ini_file.h"
#include "common/text_file.h"
#include "documents/form_free_tekst.h"
#include "documents/layout_build.h"
#include "documents/layout_file.h"
#include "documents/layout_report.h"
#include "documents/layout_rich_text.h"
#include "platform/report/report_layout.h"
#include "documents/layout_save.h"
#include "platform/db/database.h"
#include "platform/script.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Layout;

namespace {
Element dataField(const QString &name, const QString &table, const QString &field)
{
    Element e;
    e.kind = Kind::DataField;
    e.name = name;
    e.table = table;
    e.field = field;
    return e;
}

Element label(const QString &name, int code, const QString &caption)
{
    Element e;
    e.kind = Kind::Label;
    e.name = name;
    e.code = code;
    e.caption = caption;
    return e;
}

Element sysData(const QString &name, int code)
{
    Element e;
    e.kind = Kind::SystemData;
    e.name = name;
    e.code = code;
    return e;
}

bool saveAs(const Document &d, const QString &name, LayoutSave::WhereUsed where = {}, long long start = 0,
            int digits = 1, QString *error = nullptr)
{
    LayoutSave::Request r;
    r.name = name;
    r.startNumber = start;
    r.digits = digits;
    r.where = where;
    QString e;
    const bool ok = LayoutSave::save(d, r, &e);
    if (error)
        *error = e;
    else if (!ok)
        qWarning() << e;
    return ok;
}

Document loaded(const QString &name)
{
    Document d;
    QString error;
    if (!LayoutFile::load(name, Document(), &d, &error))
        qWarning() << error;
    return d;
}

void writePsc(const QString &name, const QString &text)
{
    QDir().mkpath(LayoutFile::folder());
    TextFile::writeUtf8(LayoutFile::basePath(name) + QStringLiteral(".psc"), text);
}

// The free-text prompt answers the texts in turn; an empty optional closes it.
void answerPrompts(const QList<std::optional<QString>> &answers, QStringList *presets)
{
    auto index = std::make_shared<int>(0);
    driveWindows<TForm_Free_Tekst>([answers, presets, index](TForm_Free_Tekst *w) {
        if (presets)
            presets->append(w->Edit1->text());
        const int i = (*index)++;
        if (i >= answers.size() || !answers.at(i))
            return;
        w->Edit1->setText(*answers.at(i));
        w->Button1->click();
    });
}
} // namespace

class TestLayoutFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { current().clear(); }

    void emptyDesignGivesHeightsAndNoElements()
    {
        TestProgram program;
        Document d;
        d.headerHeight = 120;
        d.detailHeight = 18;
        d.footerHeight = 60;
        QVERIFY(saveAs(d, QStringLiteral("Празен")));
        const QString base = LayoutFile::basePath(QStringLiteral("Празен"));
        const IniFile ini(base + QStringLiteral(".psc"));
        QCOMPARE(ini.sections(), QStringList({QStringLiteral("Text_Header"), QStringLiteral("Text_Footer"),
                                              QStringLiteral("Text_QRSubDetail1"), QStringLiteral("Object_Counts")}));
        QCOMPARE(ini.keys(QStringLiteral("Text_Header")), QStringList({QStringLiteral("Header_Heigth"), QStringLiteral("NameOfFile")}));
        QCOMPARE(ini.readString(QStringLiteral("Text_Header"), QStringLiteral("NameOfFile")), base + QStringLiteral(".hdr"));
        QCOMPARE(ini.readString(QStringLiteral("Text_Footer"), QStringLiteral("NameOfFile")), base + QStringLiteral(".ftr"));
        QCOMPARE(ini.readInteger(QStringLiteral("Object_Counts"), QStringLiteral("Max"), -1), 0LL);
        QVERIFY(QFile::exists(base + QStringLiteral(".hdr")));
        QVERIFY(QFile::exists(base + QStringLiteral(".ftr")));
        // No temporary file is left behind.
        QCOMPARE(QDir(LayoutFile::folder()).entryList(QDir::Files).size(), 3);
    }

    void elementSectionKeysInOrder()
    {
        TestProgram program;
        Document d;
        Element f = dataField(QStringLiteral("QRDBText1"), QStringLiteral("Produkti"), QStringLiteral("Opisanie"));
        f.bold = f.italic = true;
        d.elements = {f, label(QStringLiteral("QRLabel2"), FreeText, QStringLiteral("4:Бележка")),
                      sysData(QStringLiteral("QRSysData3"), RecordCount), label(QStringLiteral("QRLabel4"), NoCode, QStringLiteral("QRLabel4"))};
        Element pic;
        pic.kind = Kind::Picture;
        pic.name = QStringLiteral("QRImage5");
        pic.band = Band::Footer;
        d.elements.append(pic);
        QVERIFY(saveAs(d, QStringLiteral("Ключове")));
        const IniFile ini(LayoutFile::basePath(QStringLiteral("Ключове")) + QStringLiteral(".psc"));
        const QStringList common = {"Height", "Width", "Left", "Top", "AutoSize", "Alignment", "Frame.DrawLeft",
                                    "Frame.DrawRight", "Frame.DrawTop", "Frame.DrawBottom", "Frame.Style",
                                    "Frame.Width", "Font.Size", "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
        QCOMPARE(ini.keys(QStringLiteral("Object1")),
                 QStringList({"Type_Object", "Name", "Parent", "DataSet", "DataField"}) + common);
        QCOMPARE(ini.keys(QStringLiteral("Object2")), QStringList({"Type_Object", "Name", "Parent", "Data", "Caption"}) + common);
        QCOMPARE(ini.keys(QStringLiteral("Object3")), QStringList({"Type_Object", "Name", "Parent", "Data"}) + common);
        QCOMPARE(ini.keys(QStringLiteral("Object4")), QStringList({"Type_Object", "Name", "Parent"}) + common);
        QCOMPARE(ini.keys(QStringLiteral("Object5")), QStringList({"Type_Object", "Name", "Parent"}));
        QCOMPARE(ini.readString(QStringLiteral("Object1"), QStringLiteral("Parent")),
                 QStringLiteral("Form_GeneralForm_Dokumentaciq.QRSubDetail1"));
        QCOMPARE(ini.readString(QStringLiteral("Object5"), QStringLiteral("Parent")),
                 QStringLiteral("Form_GeneralForm_Dokumentaciq.GroupFooterBand1"));
        QCOMPARE(ini.readString(QStringLiteral("Object1"), QStringLiteral("fsBold")), QStringLiteral("1"));
        QCOMPARE(ini.readString(QStringLiteral("Object1"), QStringLiteral("fsItalic")), QStringLiteral("1"));
        QCOMPARE(ini.readString(QStringLiteral("Object2"), QStringLiteral("Caption")), QStringLiteral("4:Бележка"));
        // Record count and record number keep a code of their own.
        QCOMPARE(ini.readString(QStringLiteral("Object3"), QStringLiteral("Data")), QStringLiteral("2"));
        QCOMPARE(ini.readInteger(QStringLiteral("Object_Counts"), QStringLiteral("Max")), 5LL);
    }

    void saveAndLoadKeepEveryProperty()
    {
        TestProgram program;
        Document d;
        d.headerHeight = 200;
        d.detailHeight = 22;
        d.footerHeight = 90;
        d.headerText = QStringLiteral("Фактура № ... {скоби} \\ край");
        d.footerText = QStringLiteral("<p align=\"right\"><b>Подпис:</b></p>");
        Element f = dataField(QStringLiteral("QRDBText1"), QStringLiteral("Firmi"), QStringLiteral("Ime_Firma"));
        f.band = Band::Header;
        f.left = 15;
        f.top = 30;
        f.width = 210;
        f.height = 17;
        f.autoSize = true;
        f.alignment = Align::Right;
        f.frameLeft = f.frameBottom = true;
        f.frameStyle = QStringLiteral("psDashDot");
        f.frameWidth = 3;
        f.fontSize = 14;
        f.bold = f.underline = f.strikeOut = true;
        Element s = sysData(QStringLiteral("QRSysData2"), RecordNumber);
        s.alignment = Align::Center;
        s.band = Band::Footer;
        Element n = sysData(QStringLiteral("QRSysData3"), PageNumber);
        Element l = label(QStringLiteral("QRLabel4"), VatAmount, QStringLiteral("1:ДДС"));
        l.italic = true;
        l.width = 70;
        Element t = label(QStringLiteral("QRLabel5"), FreeText, QStringLiteral("4:Основание"));
        d.elements = {f, s, n, l, t};
        QVERIFY(saveAs(d, QStringLiteral("Всичко")));

        const Document r = loaded(QStringLiteral("Всичко"));
        QCOMPARE(r.headerHeight, 200);
        QCOMPARE(r.detailHeight, 22);
        QCOMPARE(r.footerHeight, 90);
        QCOMPARE(LayoutRichText::plainText(r.headerText), d.headerText);
        QCOMPARE(LayoutRichText::plainText(r.footerText), QStringLiteral("Подпис:"));
        // The formatting goes through the rich-text file.
        QTextDocument footer;
        footer.setHtml(r.footerText);
        QVERIFY(footer.begin().charFormat().fontWeight() >= QFont::Bold
                || footer.begin().begin().fragment().charFormat().fontWeight() >= QFont::Bold);
        QVERIFY(footer.begin().blockFormat().alignment() & Qt::AlignRight);
        QCOMPARE(r.elements.size(), d.elements.size());
        for (int i = 0; i < d.elements.size(); ++i) {
            const Element &a = d.elements.at(i);
            const Element &b = r.elements.at(i);
            QCOMPARE(b.name, a.name);
            QCOMPARE(b.kind, a.kind);
            QCOMPARE(b.band, a.band);
            QCOMPARE(b.left, a.left);
            QCOMPARE(b.top, a.top);
            QCOMPARE(b.width, a.width);
            QCOMPARE(b.height, a.height);
            QCOMPARE(b.autoSize, a.autoSize);
            QCOMPARE(b.alignment, a.alignment);
            QCOMPARE(b.frameLeft, a.frameLeft);
            QCOMPARE(b.frameRight, a.frameRight);
            QCOMPARE(b.frameTop, a.frameTop);
            QCOMPARE(b.frameBottom, a.frameBottom);
            QCOMPARE(b.frameStyle, a.frameStyle);
            QCOMPARE(b.frameWidth, a.frameWidth);
            QCOMPARE(b.fontSize, a.fontSize);
            QCOMPARE(b.bold, a.bold);
            QCOMPARE(b.italic, a.italic);
            QCOMPARE(b.underline, a.underline);
            QCOMPARE(b.strikeOut, a.strikeOut);
            QCOMPARE(b.table, a.table);
            QCOMPARE(b.field, a.field);
            QCOMPARE(b.code, a.code);
            QCOMPARE(b.caption, a.caption);
        }
        QCOMPARE(r.ElementBandList(), d.ElementBandList());
        QCOMPARE(r.LayoutFieldList(), QStringList{QStringLiteral("\"Firmi\".\"Ime_Firma\"")});
    }

    void resaveWithFewerElementsReplaces()
    {
        TestProgram program;
        Document d;
        d.elements = {label(QStringLiteral("QRLabel1"), NetAmount, QStringLiteral("0:Цена без ДДС")),
                      sysData(QStringLiteral("QRSysData2"), Date), sysData(QStringLiteral("QRSysData3"), Time)};
        QVERIFY(saveAs(d, QStringLiteral("Протокол"), {false, true, false}, 12, 5));
        const QString psc = LayoutFile::basePath(QStringLiteral("Протокол")) + QStringLiteral(".psc");
        {
            IniFile ini(psc);
            ini.writeInteger(QStringLiteral("Original"), QStringLiteral("Vis"), 1);
            QVERIFY(ini.save());
        }
        const auto first = LayoutSave::document(QStringLiteral("Протокол"));
        QVERIFY(first);
        QCOMPARE(first->nDok, QStringLiteral("00012"));
        QCOMPARE(first->kadeSeIzpolzva, QStringLiteral(" ,СЕРВИЗ ,"));
        QVERIFY(LayoutSave::exists(QStringLiteral("Протокол")));

        d.elements.removeLast();
        d.elements.removeLast();
        QVERIFY(saveAs(d, QStringLiteral("Протокол"), {true, true, true}, 99, 3));
        const IniFile ini(psc);
        QVERIFY(!ini.sectionExists(QStringLiteral("Object2")));
        QVERIFY(!ini.sectionExists(QStringLiteral("Object3")));
        QCOMPARE(ini.readInteger(QStringLiteral("Original"), QStringLiteral("Vis")), 1LL);
        QCOMPARE(ini.readInteger(QStringLiteral("Object_Counts"), QStringLiteral("Max")), 1LL);
        // The row keeps its number and counter and takes the new where-used text.
        const QList<LayoutSave::Row> rows = LayoutSave::documents();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().id, first->id);
        QCOMPARE(rows.first().nDok, QStringLiteral("00012"));
        QCOMPARE(rows.first().kadeSeIzpolzva, QStringLiteral("МАГАЗИН ,СЕРВИЗ ,Фискален сервиз"));
        QVERIFY(loaded(QStringLiteral("Протокол")).originalVisible);
    }

    void numbersAndWhereUsed_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("number");
        QTest::newRow("padded") << 12 << 5 << "00012";
        QTest::newRow("never cut") << 1234 << 3 << "1234";
        QTest::newRow("untouched") << 0 << 1 << "0";
        QTest::newRow("twelve digits") << 7 << 12 << "000000000007";
    }
    void numbersAndWhereUsed()
    {
        QFETCH(int, start);
        QFETCH(int, digits);
        QFETCH(QString, number);
        QCOMPARE(LayoutSave::formattedNumber(start, digits), number);
        QCOMPARE(LayoutSave::whereUsedText({false, false, false}), QStringLiteral(" , ,"));
        QCOMPARE(LayoutSave::whereUsedText({false, true, false}), QStringLiteral(" ,СЕРВИЗ ,"));
        const auto where = LayoutSave::whereUsedFrom(QStringLiteral(" ,СЕРВИЗ ,"));
        QVERIFY(!where.magazin && where.serviz && !where.fiskCentar);
        // A mark counts only in its own case.
        QVERIFY(!LayoutSave::whereUsedFrom(QStringLiteral("магазин , ,")).magazin);
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"", "   ", "a/b", "a\\b", "a:b", "a*", "a?", "a\"b", "<a>", "a|b", "..", "a..b",
                              " a", "a ", ".a", "a."})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void refusedNames()
    {
        QFETCH(QString, name);
        TestProgram program;
        QString error;
        QVERIFY(!saveAs(Document(), name, {}, 0, 1, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QDir(LayoutFile::folder()).exists() || QDir(LayoutFile::folder()).isEmpty());
        QVERIFY(LayoutSave::documents().isEmpty());
        QVERIFY(LayoutFile::nameProblem(QStringLiteral("Фактура 2")).isEmpty());
    }

    // What no layout prints is not stored either, however the table is written.
    void aLayoutThatPrintsThePasswordsIsNotStored()
    {
        TestProgram program;
        for (const QString &table : {QStringLiteral("Operators"), QStringLiteral("OPERATORS.DB")}) {
            Document d;
            d.elements << dataField(QStringLiteral("QRDBText1"), QStringLiteral("Produkti"), QStringLiteral("Ime"))
                       << dataField(QStringLiteral("QRDBText2"), table, QStringLiteral("par"));
            QString error;
            QVERIFY(!saveAs(d, QStringLiteral("Пароли"), {}, 0, 1, &error));
            QVERIFY2(error.contains(QStringLiteral("par")), qPrintable(error));
            QVERIFY(!LayoutSave::exists(QStringLiteral("Пароли")));
        }
    }

    void failedWriteKeepsEverything()
    {
        TestProgram program;
        // A file stands where the folder should be.
        QVERIFY(TextFile::writeUtf8(program.file(QStringLiteral("Documentations")), QStringLiteral("x")));
        QString error;
        QVERIFY(!saveAs(Document(), QStringLiteral("Фактура"), {}, 0, 1, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(LayoutSave::documents().isEmpty());
        QCOMPARE(TextFile::read(program.file(QStringLiteral("Documentations"))), QStringLiteral("x"));
    }

    void failedFileKeepsTheOldLayout()
    {
        TestProgram program;
        Document d;
        d.headerText = QStringLiteral("стар");
        d.elements = {label(QStringLiteral("QRLabel1"), NetAmount, QStringLiteral("0:Цена без ДДС"))};
        QVERIFY(saveAs(d, QStringLiteral("Бон")));
        const QString base = LayoutFile::basePath(QStringLiteral("Бон"));
        // The footer cannot be written: a folder holds its temporary name.
        QVERIFY(QDir().mkpath(base + QStringLiteral(".ftr.new/x")));
        Document changed;
        changed.headerText = QStringLiteral("нов");
        QString error;
        QVERIFY(!saveAs(changed, QStringLiteral("Бон"), {}, 0, 1, &error));
        const Document r = loaded(QStringLiteral("Бон"));
        QCOMPARE(LayoutRichText::plainText(r.headerText), QStringLiteral("стар"));
        QCOMPARE(r.elements.size(), 1);
    }

    void ownTextFirstThenNameOfFile()
    {
        TestProgram program;
        Document d;
        d.headerText = QStringLiteral("Горе");
        d.footerText = QStringLiteral("Долу");
        QVERIFY(saveAs(d, QStringLiteral("Текстове")));
        const QString base = LayoutFile::basePath(QStringLiteral("Текстове"));
        // The own file is read whatever NameOfFile names.
        const QString other = program.file(QStringLiteral("other.txt"));
        QVERIFY(TextFile::writeUtf8(other, QStringLiteral("Друг текст")));
        {
            IniFile ini(base + QStringLiteral(".psc"));
            ini.writeString(QStringLiteral("Text_Header"), QStringLiteral("NameOfFile"), other);
            QVERIFY(ini.save());
        }
        QCOMPARE(LayoutRichText::plainText(loaded(QStringLiteral("Текстове")).headerText), QStringLiteral("Горе"));
        // Without the own file, NameOfFile's; without both, nothing.
        QVERIFY(QFile::remove(base + QStringLiteral(".hdr")));
        QCOMPARE(LayoutRichText::plainText(loaded(QStringLiteral("Текстове")).headerText), QStringLiteral("Друг текст"));
        QVERIFY(QFile::remove(base + QStringLiteral(".ftr")));
        QCOMPARE(loaded(QStringLiteral("Текстове")).footerText, QString());
        // The next save writes the text back to the layout's own file.
        Document again = loaded(QStringLiteral("Текстове"));
        QVERIFY(saveAs(again, QStringLiteral("Текстове")));
        QVERIFY(QFile::exists(base + QStringLiteral(".hdr")));
        QCOMPARE(IniFile(base + QStringLiteral(".psc")).readString(QStringLiteral("Text_Header"), QStringLiteral("NameOfFile")),
                 base + QStringLiteral(".hdr"));
        QVERIFY(QFile::exists(other));
    }
};

class TestLayoutBuild : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        current().clear();
        PlatformScript::setModalHandler({});
    }

    void missingLayoutIsSaidAndSkipped()
    {
        TestProgram program;
        current().elements = {label(QStringLiteral("QRLabel1"), NetAmount, QStringLiteral("0:Цена без ДДС"))};
        QVERIFY(!LayoutBuild::build(QStringLiteral("Няма"), DdsSplit(), true));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Липсва файл на документ: Няма")});
        QCOMPARE(current().elements.size(), 1);
    }

    void onlyPresentSectionsAreBuilt()
    {
        TestProgram program;
        writePsc(QStringLiteral("Голям"), QStringLiteral("[Object_Counts]\nMax=1000000000\n"
                                                          "[Object7]\nType_Object=TQRLabel\nName=QRLabel1\nData=2\n"
                                                          "[Object3]\nType_Object=TQRSysData\nName=QRLabel1\n"
                                                          "Parent=Form_GeneralForm_Dokumentaciq.GroupFooterBand1\n"
                                                          "[Object2000000000]\nType_Object=TQRLabel\n"));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(LayoutBuild::build(QStringLiteral("Голям"), DdsSplit(), true));
        QVERIFY(timer.elapsed() < 5000 * slowdown());
        const Document &d = current();
        QCOMPARE(d.elements.size(), 2);
        // In section order; a taken name gets the next free one.
        QCOMPARE(d.elements.at(0).kind, Kind::SystemData);
        QCOMPARE(d.elements.at(0).name, QStringLiteral("QRLabel1"));
        QCOMPARE(d.elements.at(0).band, Band::Footer);
        QCOMPARE(d.elements.at(0).code, int(Date));
        QCOMPARE(d.elements.at(1).kind, Kind::Label);
        QCOMPARE(d.elements.at(1).name, QStringLiteral("QRLabel2"));
        // The band of the element before; a total with no amount is 0.00.
        QCOMPARE(d.elements.at(1).band, Band::Footer);
        QCOMPARE(d.elements.at(1).text(), QStringLiteral("0.00"));
    }

    void defaultsOfMissingKeys()
    {
        TestProgram program;
        current().detailHeight = 33;
        writePsc(QStringLiteral("Празни"), QStringLiteral("[Text_Header]\nHeader_Heigth=50\n[Object_Counts]\nMax=0\n"));
        QVERIFY(LayoutBuild::build(QStringLiteral("Празни"), DdsSplit(), true));
        QCOMPARE(current().headerHeight, 50);
        QCOMPARE(current().detailHeight, 33); // left as it was without elements
        QVERIFY(!current().originalVisible);
        QVERIFY(current().elements.isEmpty());

        writePsc(QStringLiteral("Без"), QStringLiteral("[Object1]\nName=QRDBText1\n"));
        QVERIFY(LayoutBuild::build(QStringLiteral("Без"), DdsSplit(), true));
        QVERIFY(current().elements.isEmpty()); // no Max, no element

        writePsc(QStringLiteral("Кодове"), QStringLiteral("[Object_Counts]\nMax=6\n"
                                                           "[Object1]\nType_Object=TQRLabel\n"
                                                           "[Object2]\nType_Object=TQRSysData\n"
                                                           "[Object3]\nType_Object=TQRSysData\nData=6\n"
                                                           "[Object4]\nType_Object=TQRSysData\nData=3\n"
                                                           "[Object5]\nType_Object=TQRFoo\nName=Strange\nDataSet=Produkti\nDataField=ID\n"
                                                           "[Object6]\nType_Object=TQRDBText\nDataSet=Produkti.DB\nDataField=Opisanie\n"
                                                           "[Original]\nVis=1\n"));
        DdsSplit amounts;
        amounts.Amount = 12;
        amounts.VatRate = 20;
        QVERIFY(LayoutBuild::build(QStringLiteral("Кодове"), amounts, true));
        const Document &d = current();
        QVERIFY(d.originalVisible);
        QCOMPARE(d.elements.at(0).text(), QStringLiteral("10.00")); // no Data: the net amount
        QCOMPARE(d.elements.at(0).width, 10);
        QCOMPARE(d.elements.at(1).code, int(Date));
        QCOMPARE(d.elements.at(2).code, int(Time));
        QCOMPARE(d.elements.at(3).code, int(RecordNumber));
        QCOMPARE(d.elements.at(4).kind, Kind::SystemData); // an unknown kind keeps the one before
        QCOMPARE(d.elements.at(4).name, QStringLiteral("Strange"));
        QCOMPARE(d.elements.at(5).name, QStringLiteral("QRDBText6"));
        QCOMPARE(d.LayoutTableList(), QStringList{QStringLiteral("Produkti")});
        QCOMPARE(d.LayoutFieldList(), QStringList{QStringLiteral("\"Produkti\".\"Opisanie\"")});
    }

    void labelsTakeAmountsAndPrompts()
    {
        TestProgram program;
        Document d;
        d.elements = {label(QStringLiteral("QRLabel1"), NetAmount, QStringLiteral("0:Цена без ДДС")),
                      label(QStringLiteral("QRLabel2"), VatAmount, QStringLiteral("1:ДДС")),
                      label(QStringLiteral("QRLabel3"), TotalAmount, QStringLiteral("2:Обща сума продажба")),
                      label(QStringLiteral("QRLabel4"), AmountWords, QStringLiteral("3:Сума с думи")),
                      label(QStringLiteral("QRLabel5"), FreeText, QStringLiteral("4:Основание")),
                      label(QStringLiteral("QRLabel6"), NumberWords, QStringLiteral("5:Число")),
                      dataField(QStringLiteral("QRDBText7"), QStringLiteral("Produkti"), QStringLiteral("ID")),
                      dataField(QStringLiteral("QRDBText8"), QStringLiteral("Produkti"), QStringLiteral("Opisanie"))};
        QVERIFY(saveAs(d, QStringLiteral("Фактура")));
        DdsSplit amounts;
        amounts.Amount = 120;
        amounts.VatRate = 20;
        amounts.AmountText = QStringLiteral("120.00");
        amounts.AmountInWords = QStringLiteral("сто и двадесет");
        QStringList presets;
        // The number is asked again until it is one.
        answerPrompts({QStringLiteral("за ремонт"), QStringLiteral("дванадесет"), QStringLiteral("12,5")}, &presets);
        QVERIFY(LayoutBuild::build(QStringLiteral("Фактура"), amounts, true));
        QCOMPARE(presets, QStringList({QStringLiteral("4:Основание"), QStringLiteral("Въведете число за изписване с думи"),
                                       QStringLiteral("дванадесет")}));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        const Document &b = current();
        QCOMPARE(b.elements.at(0).text(), QStringLiteral("100.00"));
        QCOMPARE(b.elements.at(1).text(), QStringLiteral("20.00"));
        QCOMPARE(b.elements.at(2).text(), QStringLiteral("120.00"));
        QCOMPARE(b.elements.at(3).text(), QStringLiteral("сто и двадесет"));
        QCOMPARE(b.elements.at(4).text(), QStringLiteral("за ремонт"));
        QCOMPARE(b.elements.at(5).text(), Sum_To_Words(12.5));
        QCOMPARE(FreeTextCaption, QStringLiteral("12,5"));
        QCOMPARE(b.LayoutTableList(), QStringList{QStringLiteral("Produkti")});
        QCOMPARE(b.LayoutFieldList(), QStringList({QStringLiteral("\"Produkti\".\"ID\""), QStringLiteral("\"Produkti\".\"Opisanie\"")}));

        // Reopened and saved again, every label keeps its code and caption.
        QVERIFY(saveAs(current(), QStringLiteral("Фактура")));
        const Document again = loaded(QStringLiteral("Фактура"));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(again.elements.at(i).code, d.elements.at(i).code);
            QCOMPARE(again.elements.at(i).caption, i == 5 ? Layout::numberPromptCaption() : d.elements.at(i).caption);
        }
    }

    void aClosedPromptCancelsTheDocument()
    {
        TestProgram program;
        Document d;
        d.elements = {label(QStringLiteral("QRLabel1"), FreeText, QStringLiteral("4:Бележка"))};
        QVERIFY(saveAs(d, QStringLiteral("Бележка")));
        current().elements = {sysData(QStringLiteral("QRSysData1"), Date)};
        answerPrompts({std::nullopt}, nullptr);
        QVERIFY(!LayoutBuild::build(QStringLiteral("Бележка"), DdsSplit(), true));
        QCOMPARE(current().elements.first().kind, Kind::SystemData);
        // Without prompts nothing is asked and the label shows its caption.
        PlatformScript::setModalHandler({});
        QVERIFY(LayoutBuild::build(QStringLiteral("Бележка"), DdsSplit(), false));
        QCOMPARE(current().elements.first().text(), QStringLiteral("4:Бележка"));
    }

    void malformedFilesNeverCrash()
    {
        TestProgram program;
        const QStringList keys = {"Type_Object", "Name", "Parent", "DataSet", "DataField", "Data", "Caption", "Height",
                                  "Width", "Left", "Top", "AutoSize", "Alignment", "Frame.DrawLeft", "Frame.Style",
                                  "Frame.Width", "Font.Size", "fsBold", "Max", "Vis", "Header_Heigth", "NameOfFile"};
        const QStringList values = {"", "0", "1", "-1", "5", "99999999999999999999", "TQRLabel", "TQRSysData",
                                    "TQRDBText", "TQRImage", "abc", "Form_GeneralForm_Dokumentaciq.GroupHeaderBand1",
                                    "QRLabel1", "=", "[", "\xff\xfe", "1000000000", "True"};
        const QStringList sections = {"Object1", "Object2", "Object3", "object4", "Object_Counts", "Original",
                                      "Text_Header", "Text_QRSubDetail1", "Object-1", "Object"};
        QRandomGenerator random(20261207);
        answerPrompts({}, nullptr);
        for (int file = 0; file < 200; ++file) {
            QString text;
            const int lines = int(random.bounded(40));
            for (int i = 0; i < lines; ++i) {
                switch (random.bounded(4)) {
                case 0:
                    text += QLatin1Char('[') + sections.at(random.bounded(sections.size())) + QStringLiteral("]\n");
                    break;
                case 3:
                    text += QString::fromLatin1(QByteArray(int(random.bounded(20)), char(random.bounded(1, 255)))) + QLatin1Char('\n');
                    break;
                default:
                    text += keys.at(random.bounded(keys.size())) + QLatin1Char('=')
                            + values.at(random.bounded(values.size())) + QLatin1Char('\n');
                }
            }
            writePsc(QStringLiteral("Шум"), text);
            LayoutBuild::build(QStringLiteral("Шум"), DdsSplit(), true);
            const Document &d = current();
            QSet<QString> names;
            for (const Element &e : d.elements)
                names.insert(e.name.toLower());
            QCOMPARE(names.size(), d.elements.size());
        }
    }
};

class TestLayoutReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { current().clear(); }

    void builtLayoutPrintsItsElements()
    {
        TestProgram program;
        Document d;
        d.headerHeight = 80;
        d.detailHeight = 20;
        d.footerHeight = 40;
        d.headerText = QStringLiteral("Фирма Вентарос");
        Element town = dataField(QStringLiteral("QRDBText1"), QStringLiteral("Klienti"), QStringLiteral("Grad"));
        town.width = 150;
        Element vat = label(QStringLiteral("QRLabel2"), VatAmount, QStringLiteral("1:ДДС"));
        vat.band = Band::Footer;
        vat.width = 80;
        vat.alignment = Align::Right;
        vat.frameStyle = QStringLiteral("psDot");
        vat.frameBottom = true;
        Element count = sysData(QStringLiteral("QRSysData3"), RecordCount);
        count.band = Band::Footer;
        count.left = 200;
        Element pic;
        pic.kind = Kind::Picture;
        pic.name = QStringLiteral("QRImage4");
        pic.left = 300;
        d.elements = {town, vat, count, pic};
        QVERIFY(saveAs(d, QStringLiteral("Бон")));
        {
            IniFile ini(LayoutFile::basePath(QStringLiteral("Бон")) + QStringLiteral(".psc"));
            ini.writeInteger(QStringLiteral("Original"), QStringLiteral("Vis"), 1);
            QVERIFY(ini.save());
        }
        DdsSplit amounts;
        amounts.Amount = 21; // 17.50 and 3.50 at 20 %
        amounts.VatRate = 20;
        auto model = LayoutBuild::reportModel(QStringLiteral("Бон"), amounts, true, nullptr, QStringLiteral("Бон"));
        QVERIFY(model);
        QCOMPARE(model->groupHeader.height, 80.0);
        QCOMPARE(model->element(QStringLiteral("QRRichText_Header"))->height, 79.0);
        QVERIFY(model->element(QStringLiteral("QRLabel_ORIGINAL"))->enabled);
        const Report::Element *v = model->element(QStringLiteral("QRLabel2"));
        QCOMPARE(v->caption, QStringLiteral("3.50"));
        QCOMPARE(v->alignment, Qt::Alignment(Qt::AlignRight));
        QCOMPARE(v->frame.style, Qt::DotLine);
        QVERIFY(model->groupFooter.element(QStringLiteral("QRSysData3")));
        QCOMPARE(model->element(QStringLiteral("QRSysData3"))->system, Report::SystemData::RecordCount);
        QCOMPARE(model->element(QStringLiteral("QRImage4"))->left, 0.0);
        QVERIFY(model->element(QStringLiteral("QRDBText1"))->wordWrap);

        model->data.setColumns({QStringLiteral("Firmi.Grad"), QStringLiteral("Klienti.Grad")});
        model->data.addRow({QStringLiteral("Пловдив"), QStringLiteral("Варна")});
        model->data.addRow({QStringLiteral("Русе"), QStringLiteral("Бургас")});
        const Report::Document printed = Report::produce(*model);
        QCOMPARE(printed.pages.size(), 1);
        QStringList texts;
        for (const Report::PageItem &item : printed.pages.first().items)
            for (const Report::TextLine &line : item.lines)
                texts.append(line.text);
        QVERIFY2(texts.contains(QStringLiteral("Варна")), qPrintable(texts.join(QLatin1Char('|'))));
        QVERIFY(texts.contains(QStringLiteral("Бургас")));
        QVERIFY(!texts.contains(QStringLiteral("Русе")));
        QVERIFY(texts.contains(QStringLiteral("3.50")));
        QVERIFY(texts.contains(QStringLiteral("2")));
        QVERIFY(texts.contains(QStringLiteral("ОРИГИНАЛ")));
    }
};

VTEST(TestLayoutFile)
VTEST(TestLayoutReport)
VTEST(TestLayoutBuild)
#include "test_layouts.moc"
