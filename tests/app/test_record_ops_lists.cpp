#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/grid_selection.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/record_ops.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

class TestRecordOpsLists : public QObject
{
    Q_OBJECT
private:
    static QStringList column(const SqlListModel &list)
    {
        QStringList out;
        for (int r = 0; r < list.rowCount(); ++r)
            out << list.value(r, QStringLiteral("Opisanie")).toString();
        return out;
    }

    static void clickRow(QTableView &view, int row, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, rect.center());
    }

private slots:
    void cleanup() { SortDirection = 0; PriceDecimals = 4; }

    void orderFlipsWithoutSecondOrderBy()
    {
        TestProgram program;
        createTestTable(QStringLiteral("T_Sort"), QStringLiteral("Opisanie TEXT, Grp INTEGER"));
        Db::execute(QStringLiteral("INSERT INTO T_Sort VALUES ('б', 1), ('а', 1), ('в', 1), ('г', 2)"));
        SqlListModel list;
        list.setQuery(QStringLiteral("SELECT Opisanie FROM T_Sort WHERE Grp = ?"), {1});

        SortDirection = 1;
        QVERIFY(ORDER_SQL(list, QStringLiteral("Opisanie")));
        QCOMPARE(list.sql(), QStringLiteral("SELECT Opisanie FROM T_Sort WHERE Grp = ?\n ORDER BY Opisanie DESC "));
        QCOMPARE(column(list), (QStringList{"в", "б", "а"}));

        SortDirection = 0;
        QVERIFY(ORDER_SQL(list, QStringLiteral("Opisanie")));
        QCOMPARE(list.sql(), QStringLiteral("SELECT Opisanie FROM T_Sort WHERE Grp = ?\n ORDER BY Opisanie ASC "));
        QCOMPARE(list.sql().count(QStringLiteral("ORDER BY")), 1);
        QCOMPARE(column(list), (QStringList{"а", "б", "в"}));

        SortDirection = 5; // neither: no direction word
        QVERIFY(ORDER_SQL(list, QStringLiteral("Opisanie")));
        QVERIFY(list.sql().endsWith(QStringLiteral(" ORDER BY Opisanie")));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void orderFailureSaysSo()
    {
        TestProgram program;
        createTestTable(QStringLiteral("T_Sort"), QStringLiteral("Opisanie TEXT"));
        SqlListModel list;
        list.setQuery(QStringLiteral("SELECT Opisanie FROM T_Sort"));
        QVERIFY(!ORDER_SQL(list, QStringLiteral("NoSuchField")));
        QVERIFY(!ORDER_SQL(list, QStringLiteral("Opisanie; DELETE FROM T_Sort")));
        SqlListModel empty;
        QVERIFY(!ORDER_SQL(empty, QStringLiteral("Opisanie")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList(3, QStringLiteral("Няма данни за подреждане")));
    }

    void rangeMarking()
    {
        QStandardItemModel model(10, 2);
        for (int r = 0; r < 10; ++r)
            model.setItem(r, 0, new QStandardItem(QString::number(r)));
        QTableView view;
        view.setModel(&model);
        GridSelection::setup(&view);
        view.resize(400, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        clickRow(view, 3);
        clickRow(view, 7, Qt::ShiftModifier);
        QCOMPARE(GridSelection::markedRows(&view), (QList<int>{3, 4, 5, 6, 7}));
        // upwards from the same anchor
        clickRow(view, 1, Qt::ShiftModifier);
        QCOMPARE(GridSelection::markedRows(&view), (QList<int>{1, 2, 3}));
        // a plain click marks that row only
        clickRow(view, 8);
        QCOMPARE(GridSelection::markedRows(&view), (QList<int>{8}));
        // Ctrl toggles; the order is the grid's, not the order of marking
        clickRow(view, 2, Qt::ControlModifier);
        clickRow(view, 0, Qt::ControlModifier);
        QCOMPARE(GridSelection::markedRows(&view), (QList<int>{0, 2, 8}));
        clickRow(view, 2, Qt::ControlModifier);
        QCOMPARE(GridSelection::markedRows(&view), (QList<int>{0, 8}));

        // each grid keeps its own anchor
        QTableView other;
        other.setModel(&model);
        GridSelection::setup(&other);
        other.resize(400, 600);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        clickRow(other, 5);
        clickRow(view, 4);
        clickRow(other, 6, Qt::ShiftModifier);
        QCOMPARE(GridSelection::markedRows(&other), (QList<int>{5, 6}));
    }

    void formulaTrial_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("result");
        QTest::newRow("only other characters") << "abc xyz" << "0.00";
        QTest::newRow("empty") << "" << "0.00";
        QTest::newRow("several digits") << "125" << "125.00";
        QTest::newRow("precedence") << "12+3*4" << "24.00";
        QTest::newRow("brackets") << "(1+2)*3" << "9.00";
        QTest::newRow("blanks skipped") << " D * 1.5 " << "60.00";
        QTest::newRow("selling price") << "P-D" << "60.00";
        QTest::newRow("percent of left operand") << "D%25" << "10.00";
        QTest::newRow("trailing percent added") << "D+20%" << "48.00";
        QTest::newRow("trailing percent taken") << "P-10%" << "90.00";
        QTest::newRow("percent then more") << "D+20%-8" << "40.00";
        QTest::newRow("unary minus") << "-D+50" << "10.00";
        QTest::newRow("division") << "P/3" << "33.33";
    }
    void formulaTrial()
    {
        QFETCH(QString, formula);
        QFETCH(QString, result);
        PriceDecimals = 2;
        bool ok = false;
        QCOMPARE(GETRESULT_FORMULA(formula, 100.0, 40.0, &ok), result);
        QVERIFY(ok);
    }

    void formulaTrialRefusesMalformed()
    {
        PriceDecimals = 2;
        for (const char *f : {"1/0", "2*(3", "1.2.3", "P*", "D)", "()"}) {
            bool ok = true;
            QCOMPARE(GETRESULT_FORMULA(QString::fromLatin1(f), 100.0, 40.0, &ok),
                     QStringLiteral("Невалидна формула"));
            QVERIFY2(!ok, f);
        }
        PriceDecimals = 4;
        QCOMPARE(GETRESULT_FORMULA(QStringLiteral("1/8"), 0, 0), QStringLiteral("0.1250"));
        PriceDecimals = 0;
        QCOMPARE(GETRESULT_FORMULA(QStringLiteral("2.5"), 0, 0), QStringLiteral("   3"));
    }
};
VTEST(TestRecordOpsLists)

#include "test_record_ops_lists.moc"
