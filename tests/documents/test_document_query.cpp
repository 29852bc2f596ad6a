#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "print_fixture.h"

#include "common/ini_file.h"
#include "documents/document_query.h"
#include "app/app_state.h"
#include "documents/layout_file.h"
#include "platform/script.h"

#include <QFile>
#include <QTest>

using namespace DocumentQuery;

namespace {
Context shop(QList<long long> lines, long long counterparty = 7)
{
    Context c;
    c.tab = ShopTab;
    c.lines = lines;
    c.counterparty = counterparty;
    c.operatorName = QStringLiteral("Иван");
    c.documentName = QStringLiteral("Фактура");
    return c;
}

QStringList column(const Report::Data &d, const QString &name)
{
    QStringList values;
    const int c = d.columnNamed(name);
    for (int r = 0; r < d.rowCount(); ++r)
        values.append(d.text(r, c));
    return values;
}

Report::Data read(const QList<QPair<QString, QString>> &fields, const Context &c, QString *error = nullptr)
{
    Report::Data d;
    QString why;
    const bool ok = ADD_SQL_TO_QUERY_QUICKREPORT(PrintFixture::layout(fields), c, &d, &why);
    if (error)
        *error = why;
    else if (!ok)
        qWarning("%s", qPrintable(why));
    return d;
}

QPair<QString, QString> f(const char *table, const char *field)
{
    return {QString::fromUtf8(table), QString::fromUtf8(field)};
}
} // namespace

class TestDocumentQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::clearEvents(); }

    // Opisanie of Produkti, Kol of the lines, Ime_Firma of Firmi; lines 1 and 2; counterparty 7.
    void shopExample()
    {
        TestProgram program;
        PrintFixture::fill();
        const QList<QPair<QString, QString>> fields = {f("Produkti.db", "Opisanie"), f("Prodajbi_vremenni.db", "Kol"),
                                                       f("Firmi.db", "Ime_Firma")};
        const Query q = build(fields, shop({1, 2}));
        QVERIFY(q.ok());
        QCOMPARE(q.columns, QStringList({QStringLiteral("Produkti.Opisanie"), QStringLiteral("Prodajbi_Vremenni.Kol"),
                                         QStringLiteral("Firmi.Ime_Firma")}));
        QVERIFY(!q.sql.contains(QStringLiteral("Кабел")));
        const Report::Data d = read(fields, shop({1, 2}));
        QCOMPARE(column(d, QStringLiteral("Produkti.Opisanie")), QStringList({"Кабел", "Щепсел"}));
        QCOMPARE(column(d, QStringLiteral("Prodajbi_Vremenni.Kol")), QStringList({"1.00", "2.00"}));
        QCOMPARE(column(d, QStringLiteral("Firmi.Ime_Firma")), QStringList({"Фирма ООД", "Фирма ООД"}));
    }

    // Lines are chosen by number: Мария's line of the same article stays out.
    void onlyTheMarkedLineOfAnArticlePrints()
    {
        TestProgram program;
        PrintFixture::fill();
        const auto fields = QList<QPair<QString, QString>>{f("Prodajbi_vremenni", "Kol"), f("Operators", "Ime")};
        Report::Data d = read(fields, shop({3}));
        QCOMPARE(column(d, QStringLiteral("Prodajbi_Vremenni.Kol")), QStringList({"5.00"}));
        d = read({f("Prodajbi_vremenni", "Kol")}, shop({1}));
        QCOMPARE(column(d, QStringLiteral("Prodajbi_Vremenni.Kol")), QStringList({"1.00"}));
    }

    void tableNamesIgnoreCaseAndExtension()
    {
        TestProgram program;
        PrintFixture::fill();
        Db::execute(QStringLiteral("INSERT INTO Priem_Ser_Vremen (N_Prodajba, Barkod, S_N, Valuta, Operator, "
                                   "Data_Priem) VALUES (8, 40, 'SN-1', 'EUR', 'Иван', '2026-03-01')"));
        Context c = shop({8});
        c.tab = ServiceTab;
        const Report::Data d = read({f("PRODUKTI.DB", "OPISANIE"), f("Priem_Ser_Vremen", "S_N"),
                                     f("priem_ser_vremen.db", "Data_Priem")},
                                    c);
        QCOMPARE(column(d, QStringLiteral("Produkti.Opisanie")), QStringList({"Щепсел"}));
        QCOMPARE(column(d, QStringLiteral("Priem_Ser_Vremen.S_N")), QStringList({"SN-1"}));
        QCOMPARE(column(d, QStringLiteral("Priem_Ser_Vremen.Data_Priem")), QStringList({"01.03.2026"}));
        // The shop's lines table has no rule on the service tab, and the other way round.
        QString error;
        read({f("Prodajbi_vremenni", "Kol")}, c, &error);
        QVERIFY2(error.contains(QStringLiteral("Prodajbi_Vremenni")), qPrintable(error));
        read({f("Priem_Ser_Vremen", "S_N")}, shop({1}), &error);
        QVERIFY2(error.contains(QStringLiteral("Priem_Ser_Vremen")), qPrintable(error));
    }

    // Valuti joins by the lines' currency; a lone Grupi field brings Produkti and the lines.
    void joinsBringTheTablesTheyNeed()
    {
        TestProgram program;
        PrintFixture::fill();
        Report::Data d = read({f("Valuti", "Kurs")}, shop({1, 2}));
        QCOMPARE(column(d, QStringLiteral("Valuti.Kurs")), QStringList({"1.00", "1.96"}));
        d = read({f("Valuti", "Opisanie")}, shop({2}));
        QCOMPARE(column(d, QStringLiteral("Valuti.Opisanie")), QStringList({"EUR"}));
        d = read({f("Grupi", "Opisanie")}, shop({1}));
        QCOMPARE(column(d, QStringLiteral("Grupi.Opisanie")), QStringList({"Кабели"}));
        const Query q = build({f("Grupi", "Opisanie")}, shop({1}));
        QVERIFY(q.sql.contains(QStringLiteral("Produkti")));
        QVERIFY(q.sql.contains(QStringLiteral("Prodajbi_Vremenni")));
        // Line 2's article has no group row: no row for it.
        d = read({f("Grupi", "Opisanie")}, shop({1, 2}));
        QCOMPARE(d.rowCount(), 1);
    }

    void firmAndPersonPrintTheirOwnTowns()
    {
        TestProgram program;
        PrintFixture::fill();
        const auto fields = QList<QPair<QString, QString>>{f("Firmi", "Grad"), f("Klienti", "Grad"),
                                                           f("Dokumenti", "Opisanie")};
        Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES "
                                   "('Фактура', 'МАГАЗИН', '007'), ('Бележка', 'МАГАЗИН', '1')"));
        const Report::Data d = read(fields, shop({}));
        QCOMPARE(d.rowCount(), 1);
        QCOMPARE(d.text(0, d.columnOf(QStringLiteral("Firmi.db"), QStringLiteral("Grad"))), QStringLiteral("Пловдив"));
        QCOMPARE(d.text(0, d.columnOf(QStringLiteral("Klienti"), QStringLiteral("Grad"))), QStringLiteral("Варна"));
        QCOMPARE(column(d, QStringLiteral("Dokumenti.Opisanie")), QStringList({"Фактура"}));
        // No counterparty chosen: the document's row with the client fields empty.
        const Report::Data none = read(fields, shop({}, 0));
        QCOMPARE(none.rowCount(), 1);
        QCOMPARE(none.text(0, none.columnOf(QStringLiteral("Firmi"), QStringLiteral("Grad"))), QString());
        QCOMPARE(column(none, QStringLiteral("Dokumenti.Opisanie")), QStringList({"Фактура"}));
    }

    // Most shop sales have no client: their lines print with the client
    // fields empty, as the issued-documents and sales-report roads print them.
    void clientlessSalePrintsItsLinesWithEmptyClientFields_data()
    {
        QTest::addColumn<long long>("counterparty");
        QTest::newRow("none chosen") << 0LL;
        QTest::newRow("gone meanwhile") << 99LL;
    }
    void clientlessSalePrintsItsLinesWithEmptyClientFields()
    {
        QFETCH(long long, counterparty);
        TestProgram program;
        PrintFixture::fill();
        const auto fields = QList<QPair<QString, QString>>{f("Firmi", "Ime_Firma"), f("Produkti", "Opisanie"),
                                                           f("Prodajbi_vremenni", "Kol"), f("Klienti", "Ime_Klient")};
        const Report::Data d = read(fields, shop({1, 2}, counterparty));
        QCOMPARE(column(d, QStringLiteral("Produkti.Opisanie")), QStringList({"Кабел", "Щепсел"}));
        QCOMPARE(column(d, QStringLiteral("Firmi.Ime_Firma")), QStringList({"", ""}));
        QCOMPARE(column(d, QStringLiteral("Klienti.Ime_Klient")), QStringList({"", ""}));
        // A layout of client fields alone prints one row, empty.
        const Report::Data alone = read({f("Firmi", "Ime_Firma"), f("Klienti", "Grad")}, shop({1}, counterparty));
        QCOMPARE(column(alone, QStringLiteral("Firmi.Ime_Firma")), QStringList({""}));
        // With the client chosen, every line carries it.
        const Report::Data chosen = read(fields, shop({1, 2}, 7));
        QCOMPARE(column(chosen, QStringLiteral("Klienti.Ime_Klient")), QStringList({"Петър Петров", "Петър Петров"}));
    }

    void refusedTablesAndFieldsAreNamed_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("named");
        QTest::newRow("no rule") << "Sklad" << "Opis_Sklad" << "Sklad";
        QTest::newRow("no rule either") << "Barkodes.db" << "Barkode" << "Barkodes";
        QTest::newRow("not the designer's") << "Store_Kol" << "Kol" << "Store_Kol";
        QTest::newRow("unknown field") << "Produkti" << "Nqma" << "Nqma";
        QTest::newRow("hidden field") << "Operators" << "Par" << "Par";
        QTest::newRow("hostile field") << "Produkti" << "Opisanie\" FROM Operators --" << "FROM Operators";
        QTest::newRow("hostile table") << "Produkti, Operators" << "Ime" << "Produkti, Operators";
    }
    void refusedTablesAndFieldsAreNamed()
    {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QString, named);
        TestProgram program;
        PrintFixture::fill();
        QString error;
        const Report::Data d = read({f("Produkti", "Opisanie"), {table, field}}, shop({1}), &error);
        QVERIFY2(error.contains(named), qPrintable(error));
        QCOMPARE(d.rowCount(), 0);
    }

    // A field name written into a layout file reaches no SQL text.
    void hostileFieldInALayoutFileIsRefused()
    {
        TestProgram program;
        PrintFixture::fill();
        QVERIFY(PrintFixture::save(QStringLiteral("Злонамерен"), PrintFixture::layout({f("Produkti", "Opisanie")})));
        const QString psc = LayoutFile::basePath(QStringLiteral("Злонамерен")) + QStringLiteral(".psc");
        {
            IniFile ini(psc);
            const QStringList sections = ini.sections();
            QString section;
            for (const QString &s : sections)
                if (s.startsWith(QStringLiteral("Object")) && s != QStringLiteral("Object_Counts"))
                    section = s;
            QVERIFY(!section.isEmpty());
            ini.writeString(section, QStringLiteral("DataField"), QStringLiteral("ID FROM Operators; DROP TABLE Firmi; --"));
            QVERIFY(ini.save());
        }
        Layout::Document loaded;
        QString error;
        QVERIFY(LayoutFile::load(QStringLiteral("Злонамерен"), Layout::Document(), &loaded, &error));
        Report::Data d;
        QVERIFY(!ADD_SQL_TO_QUERY_QUICKREPORT(loaded, shop({1}), &d, &error));
        QVERIFY2(error.contains(QStringLiteral("DROP TABLE")), qPrintable(error));
        QVERIFY(Db::tableExists(QStringLiteral("Firmi")));
    }

    void noDataFieldGivesOneRow()
    {
        TestProgram program;
        Report::Data d;
        QString error;
        Layout::Document labelsOnly;
        Layout::Element label;
        label.kind = Layout::Kind::Label;
        label.caption = QStringLiteral("Бележка");
        labelsOnly.elements.append(label);
        QVERIFY(ADD_SQL_TO_QUERY_QUICKREPORT(labelsOnly, shop({1}), &d, &error));
        QCOMPARE(d.rowCount(), 1);
        QCOMPARE(d.columnCount(), 0);
        QVERIFY(build(labelsOnly, shop({1})).sql.isEmpty());
    }

    // With no printed lines (the designer's preview) the operator's own lines print.
    void designerPreviewShowsTheOperatorsLines()
    {
        TestProgram program;
        PrintFixture::fill();
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        setActiveTabHook([] { return 2; }); // fiscal tab: the shop's rules
        setCounterpartyHook(ShopTab, [] { return 7LL; });
        const Context c = designerContext();
        setActiveTabHook({});
        setCounterpartyHook(ShopTab, {});
        QCOMPARE(c.tab, int(ShopTab));
        QCOMPARE(c.counterparty, 7LL);
        QVERIFY(c.lines.isEmpty());
        const Report::Data d = read({f("Prodajbi_vremenni", "Kol"), f("Firmi", "Ime_Firma")}, c);
        QCOMPARE(column(d, QStringLiteral("Prodajbi_Vremenni.Kol")), QStringList({"5.00"}));
        setActiveTabHook([] { return 1; });
        QCOMPARE(designerContext().tab, int(ServiceTab));
        setActiveTabHook({});
    }
};

VTEST(TestDocumentQuery)
#include "test_document_query.moc"
