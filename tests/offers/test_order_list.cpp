#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "offers/order_test_data.h"

#include "app/app_state.h"
#include "app/export_kinds.h"
#include "app/list_export.h"
#include "offers/form_izgotveni_oferti.h"
#include "offers/form_zaqvka_all.h"
#include "offers/order_list.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "shell/openers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
// Articles 7 (group 3 "Кабели") and 8 (group 99, which is gone).
void articles()
{
    Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (3, 'Кабели')"));
    for (const auto &[id, group] : {std::pair{7, 3}, std::pair{8, 99}})
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P) "
                                   "VALUES (?, '', ?, ?, 1, 'лв.')"),
                    {id, group, QStringLiteral("Артикул %1").arg(id)});
}

QStringList column(const SqlListModel *list, const char *field)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << list->value(r, QLatin1String(field)).toString();
    return out;
}

QStringList descriptions(const TForm_Zaqvka_all &form)
{
    return column(form.list(), "Opisanie");
}

void markRows(QTableView *grid, const QList<int> &rows)
{
    grid->clearSelection();
    for (int r : rows)
        grid->selectionModel()->select(grid->model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int rowOf(const TForm_Zaqvka_all &form, const QString &description)
{
    return descriptions(form).indexOf(description);
}
} // namespace

class OrderListTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { PlatformScript::activate(); }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        PlatformScript::deactivate();
        SortDirection = 0;
    }

    void everyRowListedWithItsGroupAndDeletable()
    {
        TestProgram program;
        articles();
        addOrderRow({QDate(2025, 1, 5), 7, QStringLiteral("Кабел")});
        addOrderRow({QDate(2025, 1, 6), 8, QStringLiteral("Без група")});
        addOrderRow({QDate(2025, 1, 7), 0, QStringLiteral("Свободен")});
        addOrderRow({QDate(2025, 1, 8), 55, QStringLiteral("Изчезнал артикул")});

        TForm_Zaqvka_all form;
        form.FormShow();
        QCOMPARE(form.list()->rowCount(), 4);
        QCOMPARE(form.list()->columnCount(), 10); // the row's ID is not shown
        QCOMPARE(column(form.list(), "Grupa"), (QStringList{QStringLiteral("Кабели"), {}, {}, {}}));
        QCOMPARE(form.Label1->text(), QStringLiteral("Търсене по: Описание"));
        QVERIFY(!form.ComboBox1->isEnabled());

        // "No" keeps everything; "Yes" deletes the marked rows only.
        markRows(form.DBGrid1, {rowOf(form, QStringLiteral("Свободен")), rowOf(form, QStringLiteral("Без група"))});
        form.BitBtn_DeleteClick();
        QCOMPARE(orderRowCount(), 4);
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).last(),
                 QStringLiteral("Найстина ли желаете да изтриете избраните елементи от Поръчките?"));
        PlatformScript::answer(true);
        markRows(form.DBGrid1, {rowOf(form, QStringLiteral("Свободен")), rowOf(form, QStringLiteral("Без група"))});
        form.BitBtn_DeleteClick();
        QCOMPARE(descriptions(form), (QStringList{QStringLiteral("Кабел"), QStringLiteral("Изчезнал артикул")}));
        QCOMPARE(column(form.list(), "Grupa").first(), QStringLiteral("Кабели"));

        // The Delete key in the grid asks the same.
        PlatformScript::answer(true);
        markRows(form.DBGrid1, {1});
        QTest::keyClick(form.DBGrid1, Qt::Key_Delete);
        QCOMPARE(descriptions(form), QStringList{QStringLiteral("Кабел")});
    }

    void searchesOnTheClickedColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("comparison");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QDate>("fromDate");
        QTest::addColumn<QDate>("toDate");
        QTest::addColumn<QStringList>("expected"); // descriptions in the search's order; empty: refused
        const QDate none;
        // Kol: a 2, b 5, c 10, d 11; dates across January and February.
        QTest::newRow("между includes both bounds") << 4 << "между" << "2" << "10" << none << none
                                                    << QStringList{"a", "b", "c"};
        QTest::newRow("comma decimal") << 5 << "по - голямо" << "1,5" << "" << none << none
                                       << QStringList{"c", "d"};
        QTest::newRow("по - малко") << 4 << "по - малко" << "5" << "" << none << none << QStringList{"a", "b"};
        QTest::newRow("равно") << 1 << "равно" << "7" << "" << none << none << QStringList{"a", "c"};
        QTest::newRow("date между across months")
            << 0 << "между" << "" << "" << QDate(2025, 1, 31) << QDate(2025, 2, 1) << QStringList{"b", "c"};
        QTest::newRow("date равно") << 0 << "равно" << "" << "" << QDate(2025, 2, 1) << none << QStringList{"c"};
        QTest::newRow("Cyrillic text, any case, anywhere")
            << 3 << "равно" << "ЛЪЖИЦ" << "" << none << none << QStringList{"d"};
        QTest::newRow("% taken literally") << 3 << "равно" << "%" << "" << none << none << QStringList{};
        QTest::newRow("requester") << 7 << "между" << "иван" << "" << none << none << QStringList{"b"};
        QTest::newRow("a bound that is no number") << 4 << "между" << "2" << "abc" << none << none << QStringList{};
        QTest::newRow("group") << 9 << "равно" << "Кабели" << "" << none << none << QStringList{};
    }

    void searchesOnTheClickedColumn()
    {
        QFETCH(int, column);
        QFETCH(QString, comparison);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QDate, fromDate);
        QFETCH(QDate, toDate);
        QFETCH(QStringList, expected);
        TestProgram program;
        articles();
        // The article's own name differs from the line's description.
        addOrderRow({QDate(2025, 1, 30), 7, QStringLiteral("a"), 2, 1.0});
        addOrderRow({QDate(2025, 1, 31), 8, QStringLiteral("b"), 5, 1.0, QStringLiteral("Ном.N"),
                     QStringLiteral("3:Иван Петров")});
        addOrderRow({QDate(2025, 2, 1), 7, QStringLiteral("c"), 10, 2.5});
        addOrderRow({QDate(2025, 2, 2), 0, QStringLiteral("d сребърни лъжици"), 11, 3.0});

        TForm_Zaqvka_all form;
        form.FormShow();
        form.DBGrid1CellClick(column);
        form.ComboBox1->setCurrentText(comparison);
        form.ComboBox1Change();
        form.Edit_ot->setText(from);
        form.Edit_Do->setText(to);
        if (fromDate.isValid())
            form.DateTimePicker_Ot->setDate(fromDate);
        if (toDate.isValid())
            form.DateTimePicker_Do->setDate(toDate);
        form.BitBtn_SearchClick();
        QStringList found;
        for (const QString &d : descriptions(form))
            found << d.left(1);
        if (expected.isEmpty() && from != QLatin1String("%")) {
            QCOMPARE(lastMessage(), QStringLiteral("Некоректни данни за търсене"));
            QCOMPARE(form.list()->rowCount(), 4); // the whole list again
            QCOMPARE(form.Edit_ot->text(), from);  // what was typed stays
        } else {
            QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
            QCOMPARE(found, expected);
        }
    }

    void searchRowFollowsTheColumnKind()
    {
        TestProgram program;
        TForm_Zaqvka_all form;
        form.show();
        form.FormShow();
        form.DBGrid1CellClick(4); // a number
        QVERIFY(form.ComboBox1->isEnabled());
        QVERIFY(form.Edit_ot->isVisible());
        QVERIFY(!form.DateTimePicker_Ot->isVisible());
        form.ComboBox1->setCurrentIndex(3);
        form.ComboBox1Change();
        QVERIFY(form.Edit_Do->isVisible());
        QVERIFY(form.Label_Do->isVisible());
        QCOMPARE(form.Edit_ot->width(), 129);
        form.DBGrid1CellClick(0); // the date
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("равно"));
        QVERIFY(form.DateTimePicker_Ot->isVisible());
        QVERIFY(!form.Edit_ot->isVisible());
        QVERIFY(!form.DateTimePicker_Do->isVisible());
        form.ComboBox1->setCurrentIndex(3);
        form.ComboBox1Change();
        QVERIFY(form.DateTimePicker_Do->isVisible());
        form.DBGrid1CellClick(9); // the group: only the label changes
        QCOMPARE(form.Label1->text(), QStringLiteral("Търсене по: Група"));
        QVERIFY(form.DateTimePicker_Do->isVisible());
        form.DBGrid1CellClick(8); // a text
        QVERIFY(!form.ComboBox1->isEnabled());
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("равно"));
        QVERIFY(!form.DateTimePicker_Ot->isVisible());
        QVERIFY(!form.Label_Do->isVisible());
        QCOMPARE(form.Edit_ot->width(), 297);
        QCOMPARE(form.list()->headerData(8, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(!form.list()->headerData(3, Qt::Horizontal, Qt::BackgroundRole).isValid());
        form.hide();
    }

    void titleClicksSortWithoutToggling()
    {
        TestProgram program;
        articles();
        for (const char *d : {"б", "в", "а"})
            addOrderRow({QDate(2025, 1, 5), 0, QString::fromUtf8(d)});
        TForm_Zaqvka_all form;
        form.FormShow();
        SortDirection = 0;
        form.DBGrid1TitleClick(3);
        const QStringList first = descriptions(form);
        QCOMPARE(first, (QStringList{"а", "б", "в"}));
        form.DBGrid1TitleClick(3);
        QCOMPARE(descriptions(form), first);
        QCOMPARE(SortDirection, 0);
        SortDirection = 1;
        form.DBGrid1TitleClick(9); // the group sorts too
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        form.DBGrid1TitleClick(3);
        QCOMPARE(descriptions(form), (QStringList{"в", "б", "а"}));
    }

    void exportWritesTheRequest()
    {
        TestProgram program;
        TForm_Zaqvka_all form;
        form.FormShow();
        QVERIFY(!form.BitBtn_PrintClick());
        QCOMPARE(lastMessage(), QStringLiteral("Няма данни за печат"));

        ExportKinds::resetToStart();
        addOrderRow({QDate(2025, 3, 12), 0, QStringLiteral("Кабел")});
        form.FormShow();
        QVERIFY(form.BitBtn_PrintClick());
        QFile f(program.file(QStringLiteral("TEMP/Zaqvka") + ExportExtension));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() > 9);
        QCOMPARE(lines.at(0), QString());
        QCOMPARE(lines.at(1), QStringLiteral("\tЗАЯВКА КЪМ ДОСТАВЧИК "));
        QCOMPARE(lines.at(2), QString());
        QVERIFY(lines.at(3).startsWith(QStringLiteral("\tДата:") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
        QVERIFY(lines.at(5).startsWith(ExportSeparator + QStringLiteral("Дата")));
        QVERIFY(!lines.at(5).contains(QStringLiteral("ID")));
        QVERIFY(lines.at(7).contains(QStringLiteral("12.03.2025")));
        QVERIFY(lines.at(7).contains(QStringLiteral("Кабел")));
        // Two empty lines, then the footer without a TAB.
        const int footer = lines.indexOf(ReportFooter);
        QVERIFY(footer > 8);
        QCOMPARE(lines.at(footer - 1), QString());
        QCOMPARE(lines.at(footer - 2), QString());
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).last().endsWith(QStringLiteral("Zaqvka") + ExportExtension));
    }

    void menuItemsHaveTheirWindows()
    {
        QVERIFY(Openers::available(QStringLiteral("N_Zaqvki_All")));
        QVERIFY(Openers::available(QStringLiteral("N_Izgotveni_Oferti")));
        TForm_Izgotveni_Oferti report;
        QCOMPARE(report.windowTitle(), QStringLiteral("Справка изготвени оферти"));
        QVERIFY(!report.Button_Spravka->isEnabled());
        QVERIFY(!report.Button_Pechat->isEnabled());
        QCOMPARE(report.Label_Predplata->text(), QStringLiteral("Предплата: 0.00"));
    }
};
VTEST(OrderListTest)

#include "test_order_list.moc"
