#include "catalogue/availability.h"
#include "catalogue/form_nali4nosti_artikuli.h"
#include "catalogue/stock_writer.h"
#include "app/export_kinds.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/data_module.h"
#include "app/schema_version.h"
#include "app/statement_file.h"
#include "test_registry.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

namespace {
void addArticle(long long id, long long group, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Mqrka) VALUES (?, ?, ?, 'бр.')"),
                {id, group, name});
}

// Articles 1 and 2 in group 10, 3 in group 20 without any stock row;
// warehouses 1 and 2.
void fillCatalogue()
{
    addArticle(1, 10, QStringLiteral("Кафе"));
    addArticle(2, 10, QStringLiteral("Чай"));
    addArticle(3, 20, QStringLiteral("Захар"));
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Основен'), (2, 'Магазин')"));
    GET_NALI4NOST(QStringLiteral("1"), QStringLiteral("1"), 5, 0);
    GET_NALI4NOST(QStringLiteral("1"), QStringLiteral("2"), 2.5, 0);
    GET_NALI4NOST(QStringLiteral("2"), QStringLiteral("1"), -1, 0);
}

// "<ID>=<All_Kol>" of every row.
QStringList report(const AvailabilityFilter &filter)
{
    AvailabilityList list;
    list.search(filter);
    QStringList rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows.append(list.value(r, QStringLiteral("ID")).toString() + QStringLiteral("=")
                    + QString::number(list.value(r, QStringLiteral("All_Kol")).toDouble()));
    return rows;
}

QStringList gridRows(const TForm_Nali4nosti_Artikuli &form)
{
    QStringList rows;
    const QAbstractItemModel *m = form.DBGrid1->model();
    for (int r = 0; r < m->rowCount(); ++r)
        rows.append(m->index(r, 0).data().toString() + QStringLiteral("=")
                    + m->index(r, 2).data().toString());
    return rows;
}

QStringList columnsOf(const QString &table)
{
    QStringList names;
    const QSqlRecord r = Db::connection().record(table);
    for (int i = 0; i < r.count(); ++i)
        names.append(r.fieldName(i));
    return names;
}
} // namespace

class AvailabilityReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filtersNarrowTheListAndUnsetMeansAll()
    {
        TestProgram program;
        fillCatalogue();
        QCOMPARE(report({}), QStringList({"1=7.5", "2=-1", "3=0"}));
        QCOMPARE(report({1, {}, {}}), QStringList{"1=7.5"}); // summed over the warehouses
        QCOMPARE(report({3, {}, {}}), QStringList{"3=0"});   // no stock row: listed with 0
        QCOMPARE(report({99, {}, {}}), QStringList());
        QCOMPARE(report({{}, 10, {}}), QStringList({"1=7.5", "2=-1"}));
        QCOMPARE(report({{}, {}, 2}), QStringList({"1=2.5", "2=0", "3=0"}));
        QCOMPARE(report({{}, 10, 1}), QStringList({"1=5", "2=-1"}));
        QCOMPARE(report({1, 20, {}}), QStringList());
    }

    // Quantities show their three decimals, whatever the price decimals.
    void quantitiesShowThreeDecimals()
    {
        TestProgram program;
        fillCatalogue();
        const int saved = PriceDecimals;
        PriceDecimals = 2;
        GET_NALI4NOST(QStringLiteral("2"), QStringLiteral("2"), Decimal::fromParts(1235, 3), 0);
        AvailabilityList list;
        list.search({});
        QCOMPARE(list.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Нал. кол."));
        QCOMPARE(list.index(0, 2).data().toString(), QStringLiteral("7.500"));
        QCOMPARE(list.index(1, 2).data().toString(), QStringLiteral("0.235")); // -1 + 1.235
        QCOMPARE(list.index(2, 2).data().toString(), QStringLiteral("0.000"));
        PriceDecimals = saved;
    }
};
VTEST(AvailabilityReport)

class AvailabilityWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ExportKinds::resetToStart(); }

    void boxesEnableTheirFiltersAndNarrowTheSearch()
    {
        TestProgram program;
        fillCatalogue();
        TForm_Nali4nosti_Artikuli form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Справка наличности артикули"));
        QCOMPARE(form.Edit_Sel_Art->text(), QStringLiteral("0"));
        QCOMPARE(form.Edit1->text(), QStringLiteral("0"));
        QVERIFY(!form.Edit_Sel_Art->isEnabled());
        QVERIFY(!form.Edit1->isEnabled());
        QVERIFY(!form.ComboBox_Sklad->isEnabled());
        QVERIFY(form.Button_Search->isDefault());

        // Nothing ticked: every article.
        QVERIFY(form.Button_SearchClick());
        QCOMPARE(gridRows(form), QStringList({"1=7.500", "2=-1.000", "3=0.000"}));
        QCOMPARE(form.DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Арт. N"));

        QTest::mouseClick(form.ChkBox_Art, Qt::LeftButton);
        QVERIFY(form.Edit_Sel_Art->isEnabled());
        // The ticked box with its "0" or a text that is no number is refused.
        QVERIFY(!form.Button_SearchClick());
        form.Edit_Sel_Art->setText(QStringLiteral("кафе"));
        QVERIFY(!form.Button_SearchClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);
        form.Edit_Sel_Art->setText(QStringLiteral("1"));
        Q_EMIT form.Edit_Sel_Art->textEdited(form.Edit_Sel_Art->text());
        QCOMPARE(form.Label_Art_Name->text(), QStringLiteral("1:Кафе"));
        QVERIFY(form.Button_SearchClick());
        QCOMPARE(gridRows(form), QStringList{"1=7.500"});

        // A warehouse: the list of warehouses, none preselected, then one chosen.
        QTest::mouseClick(form.ChkBox_Art, Qt::LeftButton);
        QVERIFY(!form.Edit_Sel_Art->isEnabled());
        QTest::mouseClick(form.ChkBox_Sklad, Qt::LeftButton);
        QVERIFY(form.ComboBox_Sklad->isEnabled());
        QCOMPARE(form.ComboBox_Sklad->count(), 2);
        QCOMPARE(form.ComboBox_Sklad->itemText(1), QStringLiteral("2:Магазин"));
        QCOMPARE(form.ComboBox_Sklad->currentIndex(), -1);
        QVERIFY(!form.Button_SearchClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Изберете склад."));
        form.ComboBox_Sklad->setCurrentIndex(1);
        QVERIFY(form.Button_SearchClick());
        QCOMPARE(gridRows(form), QStringList({"1=2.500", "2=0.000", "3=0.000"}));

        // And a group.
        QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
        QVERIFY(form.Edit1->isEnabled());
        form.Edit1->setText(QStringLiteral("10"));
        QVERIFY(form.Button_SearchClick());
        QCOMPARE(gridRows(form), QStringList({"1=2.500", "2=0.000"}));
    }

    void printWritesTheExportFileAndOpensIt()
    {
        TestProgram program;
        fillCatalogue();
        TForm_Nali4nosti_Artikuli form;
        // Nothing searched yet: nothing to print.
        QVERIFY(!form.Button2Click());
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).isEmpty());

        QTest::mouseClick(form.ChkBox_Sklad, Qt::LeftButton);
        form.ComboBox_Sklad->setCurrentIndex(0);
        QVERIFY(form.Button_SearchClick());
        int chooserShown = 0;
        PlatformScript::setModalHandler([&](QDialog *) {
            ++chooserShown;
            return int(QDialog::Rejected); // the current kind (text) stays
        });
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        PlatformScript::setModalHandler({});
        QCOMPARE(chooserShown, 1);
        const QString path = program.file(QStringLiteral("TEMP/Nali4nosti_Artikuli.txt"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")), QStringList{path});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains(QStringLiteral("\tСправка наличности артикули")));
        QVERIFY(text.contains(QStringLiteral("\tСклад: 1:Основен")));
        QVERIFY(text.contains(QStringLiteral("|Арт. N")));
        QVERIFY(text.contains(QStringLiteral("|Нал. кол.")));
        QVERIFY(text.contains(QStringLiteral("|Кафе")));
        QVERIFY(text.contains(QStringLiteral("|5.000")));
    }

    void openerKeepsOneWindowForTheRun()
    {
        TestProgram program;
        QList<QDialog *> shown;
        PlatformScript::setModalHandler([&](QDialog *d) {
            shown.append(d);
            return int(QDialog::Rejected);
        });
        TForm_Nali4nosti_Artikuli::open(nullptr);
        TForm_Nali4nosti_Artikuli::open(nullptr);
        PlatformScript::setModalHandler({});
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0), shown.at(1));
        QCOMPARE(shown.at(0), static_cast<QDialog *>(Form_Nali4nosti_Artikuli.data()));
        delete Form_Nali4nosti_Artikuli.data();
    }
};
VTEST(AvailabilityWindow)

#include "test_availability.moc"
