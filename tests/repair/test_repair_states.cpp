#include "platform/db/database.h"
#include "platform/script.h"
#include "repair/form_sastoqnie_remont.h"
#include "repair/repair_states.h"
#include "repair/work_list_link.h"
#include "test_registry.h"
#include "test_support.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
QString statesText()
{
    QStringList out;
    for (const RepairStates::State &s : RepairStates::all())
        out << QStringLiteral("%1:%2:%3").arg(s.id).arg(s.name).arg(s.colour);
    return out.join(QLatin1Char(','));
}

void clickRow(TForm_Sastoqnie_Remont &w, int row)
{
    const QModelIndex index = w.DBGrid1->model()->index(row, 1);
    w.DBGrid1->setCurrentIndex(index);
    w.DBGrid1CellClick();
}
} // namespace

class RepairStatesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void colours_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("some");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("red") << 13 << true << QColor(255, 0, 0);
        QTest::newRow("aqua") << 0 << true << QColor(0, 255, 255);
        QTest::newRow("yellow") << 17 << true << QColor(255, 255, 0);
        QTest::newRow("minus one") << -1 << false << QColor();
        QTest::newRow("past the list") << 39 << false << QColor();
        QPalette p;
        p.setColor(QPalette::Text, QColor(1, 2, 3));
        p.setColor(QPalette::Base, QColor(4, 5, 6));
        QTest::newRow("window text") << 38 << true << QColor(1, 2, 3);
        QTest::newRow("window") << 36 << true << QColor(4, 5, 6);
    }
    void colours()
    {
        QFETCH(int, index);
        QFETCH(bool, some);
        QFETCH(QColor, expected);
        QPalette p;
        p.setColor(QPalette::Text, QColor(1, 2, 3));
        p.setColor(QPalette::Base, QColor(4, 5, 6));
        const std::optional<QColor> c = RepairStates::colour(index, p);
        QCOMPARE(c.has_value(), some);
        if (some)
            QCOMPARE(*c, expected);
    }

    void alikeColoursAndNames()
    {
        QPalette p;
        QCOMPARE(*RepairStates::colour(3, p), *RepairStates::colour(5, p));
        QCOMPARE(*RepairStates::colour(8, p), *RepairStates::colour(14, p));
        QCOMPARE(*RepairStates::colour(38), QApplication::palette().color(QPalette::Text));
        const QStringList names = RepairStates::colourNames();
        QCOMPARE(names.size(), 39);
        QCOMPARE(names.at(13), QStringLiteral("clRed"));
        QCOMPARE(names.at(38), QStringLiteral("clWindowText"));
    }

    void addEditCancelAndDelete()
    {
        TestProgram program;
        TForm_Sastoqnie_Remont w;
        w.show();
        QCOMPARE(w.ComboBox_Color->currentText(), QStringLiteral("clWindowText"));
        QVERIFY(!w.ComboBox_Color->isEditable());
        w.Edit_Status->setText(QStringLiteral("Приет"));
        w.ComboBox_Color->setCurrentIndex(13);
        w.ComboBox_ColorChange();
        QCOMPARE(w.Edit_Status->palette().color(QPalette::Text), QColor(255, 0, 0));
        w.Button_New->click();
        QCOMPARE(statesText(), QStringLiteral("1:Приет:13"));
        QCOMPARE(w.Edit_Status->text(), QString());
        QCOMPARE(w.ComboBox_Color->currentIndex(), 38);
        w.Edit_Status->setText(QStringLiteral("В ремонт"));
        w.Button_New->click();
        w.Button_New->click(); // an empty name is kept as typed
        QCOMPARE(statesText(), QStringLiteral("1:Приет:13,2:В ремонт:38,3::38"));
        QCOMPARE(w.DBGrid1->model()->rowCount(), 3);

        // "Редактирай" then "Откажи" writes nothing
        clickRow(w, 1);
        w.Button_Edit->click();
        QVERIFY(w.editMode());
        QCOMPARE(w.Button_New->text(), QStringLiteral("Приеми"));
        QCOMPARE(w.Button_Delete->text(), QStringLiteral("Откажи"));
        QCOMPARE(w.Edit_Status->text(), QStringLiteral("В ремонт"));
        w.Edit_Status->setText(QStringLiteral("Друго"));
        w.Button_Delete->click();
        QVERIFY(!w.editMode());
        QCOMPARE(w.Edit_Status->text(), QString());
        QCOMPARE(statesText(), QStringLiteral("1:Приет:13,2:В ремонт:38,3::38"));

        // edit and save
        clickRow(w, 0);
        w.Button_Edit->click();
        QCOMPARE(w.ComboBox_Color->currentIndex(), 13);
        w.Edit_Status->setText(QStringLiteral("Приет за ремонт"));
        w.ComboBox_Color->setCurrentIndex(6);
        w.Button_New->click();
        QCOMPARE(statesText(), QStringLiteral("1:Приет за ремонт:6,2:В ремонт:38,3::38"));
        QCOMPARE(w.Button_New->text(), QStringLiteral("Добави"));

        // a state in use stays; one not in use goes (leaving a gap)
        Db::execute(QStringLiteral("INSERT INTO Priem_Ser (N_Prodajba, Status) VALUES (5, 2)"));
        clickRow(w, 1);
        PlatformScript::clearEvents();
        w.Button_Delete->click();
        QCOMPARE(statesText(), QStringLiteral("1:Приет за ремонт:6,2:В ремонт:38,3::38"));
        QVERIFY(!PlatformScript::events().isEmpty()); // said why
        clickRow(w, 2);
        w.Button_Delete->click();
        QCOMPARE(statesText(), QStringLiteral("1:Приет за ремонт:6,2:В ремонт:38"));
        QCOMPARE(RepairStates::add(QStringLiteral("x"), 1), 3LL);
    }

    void deleteBeforeAnyClickActsOnNothing()
    {
        TestProgram program;
        RepairStates::add(QStringLiteral("a"), 1);
        TForm_Sastoqnie_Remont w;
        w.show();
        w.Button_Delete->click();
        QCOMPARE(statesText(), QStringLiteral("1:a:1"));
    }

    void closeRefillsOnlyAnExistingWorkList()
    {
        TestProgram program;
        RepairStates::add(QStringLiteral("a"), 1);
        WorkListLink::setStatesRefill({});
        {
            TForm_Sastoqnie_Remont w;
            w.show();
            clickRow(w, 0);
            w.Button_Edit->click();
            w.Edit_Status->setText(QStringLiteral("b"));
            w.close(); // no work list: nothing is written
            QCOMPARE(statesText(), QStringLiteral("1:a:1"));
        }
        int refills = 0;
        WorkListLink::setStatesRefill([&refills] { ++refills; });
        {
            TForm_Sastoqnie_Remont w;
            w.show();
            w.close();
        }
        WorkListLink::setStatesRefill({});
        QCOMPARE(refills, 1);
        QCOMPARE(statesText(), QStringLiteral("1:a:1"));
    }
};

VTEST(RepairStatesTest)
#include "test_repair_states.moc"
