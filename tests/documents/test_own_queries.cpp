#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_get_kol.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "documents/form_create_own_query.h"
#include "documents/own_queries.h"
#include "platform/db/database.h"
#include "platform/script.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
qint64 operatorCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toLongLong();
}

void chooseItem(TForm_Create_Own_Query &w, int index)
{
    w.ComboBox_SQLs->setCurrentIndex(index);
    w.ComboBox_SQLsClick();
}
} // namespace

class TestOwnQueries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstSaveWritesTheFile()
    {
        TestProgram program;
        QVERIFY(!QFile::exists(OwnQueries::iniFile()));
        QVERIFY(OwnQueries::list().isEmpty());
        QString error;
        QCOMPARE(OwnQueries::save(QStringLiteral("SELECT Ime FROM Operators"), QStringLiteral("оператори"), &error),
                 1LL);
        IniFile ini(OwnQueries::iniFile());
        QCOMPARE(ini.readInteger(QStringLiteral("Count"), QStringLiteral("Max")), 1LL);
        QCOMPARE(ini.readString(QStringLiteral("Queries"), QStringLiteral("1")), QStringLiteral("SELECT Ime FROM Operators"));
        QCOMPARE(ini.readString(QStringLiteral("Names"), QStringLiteral("1")), QStringLiteral("оператори"));
        // A second save takes the next number; the first is unchanged.
        QCOMPARE(OwnQueries::save(QStringLiteral("SELECT 2"), QStringLiteral("две"), &error), 2LL);
        QCOMPARE(OwnQueries::text(1), QStringLiteral("SELECT Ime FROM Operators"));
        QCOMPARE(OwnQueries::list().size(), 2);
    }

    void linesReadBackWhole()
    {
        TestProgram program;
        const QString sql = QStringLiteral("SELECT Ime\n\n    FROM Operators");
        QString error;
        const long long n = OwnQueries::save(sql, QStringLiteral("три реда"), &error);
        QCOMPARE(OwnQueries::text(n), sql);
        // A file written before lines were kept: one line per query.
        QFile old(OwnQueries::iniFile());
        QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("[Count]\r\nMax=3\r\n[Names]\r\n1=първа\r\n[Queries]\r\n1=SELECT 1\r\n3=SELECT 3\r\n");
        old.close();
        QCOMPARE(OwnQueries::text(1), QStringLiteral("SELECT 1"));
        const auto list = OwnQueries::list();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0).item(), QStringLiteral("1:първа"));
        QCOMPARE(list.at(2).item(), QStringLiteral("3:Не е зададено име"));
        QCOMPARE(OwnQueries::text(2), QString());
    }

    void onlyOneReadingStatementRuns_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("select") << "SELECT Ime FROM Operators" << true;
        QTest::newRow("with select") << "WITH x AS (SELECT 1 AS a) SELECT a FROM x;" << true;
        QTest::newRow("comment first") << "-- list\n  select 1 ; ;" << true;
        QTest::newRow("delete") << "DELETE FROM Operators" << false;
        QTest::newRow("with delete") << "WITH x AS (SELECT 1) DELETE FROM Operators" << false;
        QTest::newRow("two statements") << "SELECT 1; DELETE FROM Operators" << false;
        QTest::newRow("pragma") << "PRAGMA query_only = 0" << false;
        QTest::newRow("empty") << "  " << false;
        QTest::newRow("engine error") << "SELECT nothing FROM nowhere" << false;
    }
    void onlyOneReadingStatementRuns()
    {
        QFETCH(QString, sql);
        QFETCH(bool, accepted);
        TestProgram program;
        const qint64 before = operatorCount();
        OwnQueryModel model;
        bool ran = true;
        try {
            model.run(sql);
        } catch (const DbError &) {
            ran = false;
        }
        QCOMPARE(ran, accepted);
        QCOMPARE(operatorCount(), before);
    }

    void theReadOnlyConnectionRefusesWrites()
    {
        TestProgram program;
        const qint64 before = operatorCount();
        QVERIFY_THROWS_EXCEPTION(DbError, Db::execute(QStringLiteral("DELETE FROM Operators"), {},
                                                      OwnQueries::connection()));
        QCOMPARE(operatorCount(), before);
    }

    void storedWritesAreRefusedInRunMode()
    {
        TestProgram program;
        QFile f(OwnQueries::iniFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Count]\nMax=3\n[Names]\n1=a\n2=b\n3=c\n[Queries]\n1=DELETE FROM Operators\n"
                "2=WITH x AS (SELECT 1) DELETE FROM Operators\n3=SELECT 1; DELETE FROM Operators\n");
        f.close();
        const qint64 before = operatorCount();
        TForm_Create_Own_Query w;
        w.setDesignMode(false);
        w.FormShow();
        QVERIFY(!w.Memo1->isEnabled());
        QVERIFY(w.Button_Save->isHidden());
        for (int i = 0; i < 3; ++i) {
            PlatformScript::clearEvents();
            chooseItem(w, i);
            QVERIFY(!w.Memo1->toPlainText().isEmpty());
            w.Button_CreateClick();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{QStringLiteral("Разрешена е само една заявка SELECT или WITH.")});
            QCOMPARE(w.result()->rowCount(), 0);
        }
        QCOMPARE(operatorCount(), before);
    }

    void saveAsksForAName()
    {
        TestProgram program;
        TForm_Create_Own_Query w;
        w.setDesignMode(true);
        w.FormShow();
        w.Memo1->setPlainText(QStringLiteral("SELECT 1"));
        QString typed;
        driveWindows<TForm_Get_Kol>([&typed](TForm_Get_Kol *p) {
            p->Edit_Kol->setText(typed);
            p->BitBtn1->click();
        });
        typed = QStringLiteral("   ");
        w.Button_SaveClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).value(0), QStringLiteral("Въведете име на справката."));
        QVERIFY(!QFile::exists(OwnQueries::iniFile()));
        typed = QStringLiteral("продажби днес");
        w.Button_SaveClick();
        QCOMPARE(w.ComboBox_SQLs->currentText(), QStringLiteral("1:продажби днес"));
        // A statement that would not run is not stored.
        w.Memo1->setPlainText(QStringLiteral("DELETE FROM Operators"));
        w.Button_SaveClick();
        QCOMPARE(OwnQueries::list().size(), 1);
    }

    void totalsOfAFloatingColumn()
    {
        TestProgram program;
        TForm_Create_Own_Query w;
        w.Memo1->setPlainText(QStringLiteral(
            "SELECT 'a' AS t, 1 AS i, 1.5 AS f UNION ALL SELECT 'b', 2, 2 UNION ALL SELECT 'c', 3, NULL"));
        w.Button_CreateClick();
        QCOMPARE(w.result()->rowCount(), 3);
        const bool floating[] = {false, false, true};
        for (int c = 0; c < 3; ++c) {
            w.DBGrid1->setCurrentIndex(w.result()->index(0, c));
            w.PopupMenu1Popup();
            QCOMPARE(w.N1->menuAction()->isVisible(), floating[c]);
        }
        w.N3Click();
        QCOMPARE(w.Edit_Result->text(), QStringLiteral("3.5000"));
        w.N4Click();
        QCOMPARE(w.Edit_Result->text(), QStringLiteral("1.1667"));
        // The average of no rows is 0.
        w.Memo1->setPlainText(QStringLiteral("SELECT 1.5 AS f FROM Operators WHERE 1 = 0"));
        w.Button_CreateClick();
        QCOMPARE(w.result()->rowCount(), 0);
        QCOMPARE(w.result()->average(0), 0.0);
    }

    void anEndlessQueryStopsAtTheLimit()
    {
        TestProgram program;
        TForm_Create_Own_Query w;
        w.Memo1->setPlainText(
            QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT x FROM n"));
        w.Button_CreateClick();
        QCOMPARE(w.result()->rowCount(), OwnQueries::RowLimit);
        QVERIFY(w.result()->truncated());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Резултатът е съкратен до първите 100000 реда.")});
    }

    void exportNamesTheQueryInCapitals()
    {
        TestProgram program;
        QString error;
        OwnQueries::save(QStringLiteral("SELECT 1 AS a"), QStringLiteral("първа"), &error);
        OwnQueries::save(QStringLiteral("SELECT Ime FROM Operators"), QStringLiteral("продажби днес"), &error);
        TForm_Create_Own_Query w;
        w.FormShow();
        chooseItem(w, 1);
        w.Button_CreateClick();
        w.Button_PrintClick();
        const QStringList lines = exportFileLines(QStringLiteral("Own_Query"));
        QVERIFY(lines.size() > 6);
        QCOMPARE(lines.at(0), QStringLiteral("СОБСТВЕНИ СПРАВКИ"));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("Дата: ")));
        QVERIFY(lines.at(2).startsWith(QStringLiteral("Оператор: ")));
        QCOMPARE(lines.at(3), QStringLiteral("Тип на справката: 2:ПРОДАЖБИ ДНЕС"));
        QCOMPARE(lines.at(4), QString());
        QVERIFY(lines.join(QLatin1Char('\n')).contains(QStringLiteral("Администратор")));
        QVERIFY(lines.contains(QStringLiteral("Документът е изготвен с програмата ВЕНТАРОС за управление на магазин и сервиз.")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")).size(), 1);
    }
};

VTEST(TestOwnQueries)
#include "test_own_queries.moc"
