#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_animations.h"
#include "app/form_get_kol.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "documents/form_create_own_query.h"
#include "documents/own_queries.h"
#include "platform/db/database.h"
#include "platform/script.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMovie>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
qint64 operatorCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Operators")).toLongLong();
}

using namespace std::chrono_literals;

const QString kEndless =
    QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c");

void chooseItem(TForm_Create_Own_Query &w, int index)
{
    w.ComboBox_SQLs->setCurrentIndex(index);
    w.ComboBox_SQLsClick();
}

// The run button, then the end of the query.
bool run(TForm_Create_Own_Query &w)
{
    w.Button_CreateClick();
    return QTest::qWaitFor([&] { return !w.queryRunning(); }, 30000);
}

// A typed query in a worker process as the window runs it, within `headroomMb`
// MB of address space above what the worker holds (none under the sanitizers,
// which reserve more than any limit leaves) and `bound` (see the worker):
// the lines of its outcome, message, rows and peak, or what went wrong.
QStringList queryInWorker(const TestProgram &program, const QString &sql, int headroomMb, const QString &bound = {})
{
    QProcess worker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VENTAROS_HOME"), program.folder());
    worker.setProcessEnvironment(env);
    QStringList args{QStringLiteral("query"), QString::number(sanitizedBuild() ? 0 : headroomMb), sql};
    if (!bound.isEmpty())
        args << bound;
    worker.start(deskWorkerProgram(), args);
    if (!worker.waitForFinished(180000))
        return {QStringLiteral("still running")};
    const QString out = QString::fromUtf8(worker.readAllStandardOutput());
    if (worker.exitStatus() != QProcess::NormalExit || worker.exitCode() != 0 || !out.contains(QStringLiteral("\nalive\n")))
        return {out + QString::fromUtf8(worker.readAllStandardError())};
    const QStringList lines = out.split(QLatin1Char('\n'));
    const qsizetype at = lines.indexOf(QRegularExpression(QStringLiteral("^outcome \\d+$")));
    return lines.mid(at, 4);
}

void storeQueries(const QByteArray &ini)
{
    QDir().mkpath(QFileInfo(OwnQueries::iniFile()).absolutePath());
    QFile f(OwnQueries::iniFile());
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(ini);
}
} // namespace

class TestOwnQueries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        OwnQueries::setTimeLimit(60s);
        delete Form_Animations;
    }

    void anEndlessQueryEndsAtTheTimeLimitWhileTheWindowAnswers()
    {
        TestProgram program;
        QDir().mkpath(program.file(QStringLiteral("Video")));
        QFile::copy(QStringLiteral(VENTAROS_SOURCE_DIR "/Video/Search.gif"), program.file(QStringLiteral("Video/Search.gif")));
        OwnQueries::setTimeLimit(400ms);
        TForm_Create_Own_Query w;
        w.setDesignMode(true);
        w.show();
        w.Memo1->setPlainText(kEndless);
        w.Button_CreateClick();
        QVERIFY(w.queryRunning());
        QVERIFY(!w.Button_Create->isEnabled());
        QVERIFY(Form_Animations && Form_Animations->isVisible());
        QCOMPARE(Form_Animations->movie()->state(), QMovie::Running);
        // The window takes typing while the query runs.
        w.Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.Memo1, QStringLiteral(" -- x"));
        QVERIFY(w.Memo1->toPlainText().endsWith(QStringLiteral(" -- x")));
        QVERIFY(w.queryRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w.queryRunning(), 20000);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{TypedQuery::timeLimitMessage(400ms)});
        QCOMPARE(Form_Animations->movie()->state(), QMovie::NotRunning);
        QVERIFY(w.Button_Create->isEnabled());
        QCOMPARE(w.result()->rowCount(), 0);
    }

    // A result that would outgrow the memory stops at its size limit with a
    // message, in a process given little more address space than it holds;
    // without that limit the query fails as the memory runs out, and the
    // process lives on either way.
    void aResultBeyondTheMemoryEndsWithAMessage()
    {
        TestProgram program;
        const QString sql = testOnServer() ? QStringLiteral("SELECT x, repeat('x', 100000) FROM generate_series(1, 100000) x")
                                           : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c "
                                                            "LIMIT 100000) SELECT x, zeroblob(100000) FROM c");
        const QStringList cut = queryInWorker(program, sql, 1024);
        QCOMPARE(cut.value(0), QStringLiteral("outcome %1").arg(int(TypedQuery::Outcome::Done)));
        QCOMPARE(cut.value(1), TypedQuery::sizeLimitMessage(TypedQuery::Limits().bytes));
        const int rows = cut.value(2).section(QLatin1Char(' '), 1).toInt();
        QVERIFY2(rows > 100 && rows < 1000, qPrintable(cut.join(QLatin1Char('\n'))));
        if (sanitizedBuild())
            return;
        const QStringList failed = queryInWorker(program, sql, 1024, QStringLiteral("unbounded"));
        QCOMPARE(failed.value(0), QStringLiteral("outcome %1").arg(int(TypedQuery::Outcome::Failed)));
        QCOMPARE(failed.value(2), QStringLiteral("rows 0"));
    }

    // Whatever its values, a typed query holds no more than its limit, by
    // the program's own count and within an address space a little larger
    // than that: no row comes whole into memory before it is known to fit.
    void aQueryHoldsNoMoreThanItsLimit_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("someRows");
        TypedQuery::Limits limits;
        limits.bytes = 16 * 1024 * 1024;
        const int done = int(TypedQuery::Outcome::Done);
        const QString size = TypedQuery::sizeLimitMessage(limits.bytes);
        if (testOnServer()) {
            const int refused = int(TypedQuery::Outcome::Refused);
            const QString row = TypedQuery::rowSizeMessage(TypedQuery::rowCap(limits));
            // The server's planner works a call of constants out, and shows the value in the plan.
            const QString planned = TypedQuery::valueSizeMessage(TypedQuery::rowCap(limits));
            QTest::newRow("rows of 50 MB") << "SELECT repeat('x', 50000000) FROM generate_series(1, 20)" << refused
                                           << planned << false;
            QTest::newRow("a value of 200 MB") << "SELECT repeat('x', 200000000)" << refused << planned << false;
            QTest::newRow("rows of 50 MB, made by each row")
                << "SELECT repeat('x', 50000000 + 0 * x) FROM generate_series(1, 20) x" << done << row << false;
            QTest::newRow("10 rows of 100 MB") << "SELECT x, repeat('x', 100000000 + 0 * x) FROM generate_series(1, 10) x"
                                               << done << row << false;
            QTest::newRow("a long row after short ones")
                << "SELECT x, repeat('x', CASE WHEN x < 5 THEN 10 ELSE 100000000 END) FROM generate_series(1, 9) x" << done
                << row << true;
            QTest::newRow("many rows") << "SELECT x, repeat('x', 1000) FROM generate_series(1, 100000) x" << done << size
                                       << true;
            return;
        }
        const QString twenty = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT 20) ");
        QStringList wide;
        for (int i = 0; i < 100; ++i)
            wide << QStringLiteral("printf('%.*c', 8000000, 'x') AS c%1").arg(i);
        QTest::newRow("a value of 2 GB") << "SELECT printf('%.*c', 2000000000, 'x')" << done << size << false;
        QTest::newRow("two values beyond one") << "SELECT printf('%s%s', printf('%.*c', 10000000, 'x'), "
                                                  "printf('%.*c', 10000000, 'y'))"
                                               << done << size << false;
        QTest::newRow("rows of 100 values of 8 MB") << twenty + "SELECT " + wide.join(QStringLiteral(", ")) + " FROM c"
                                                    << done << size << false;
        QTest::newRow("many rows") << "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT 100000) "
                                      "SELECT x, printf('%.*c', 1000, 'x') FROM c"
                                   << done << size << true;
    }
    void aQueryHoldsNoMoreThanItsLimit()
    {
        QFETCH(QString, sql);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(bool, someRows);
        TestProgram program;
        const qint64 limit = 16 * 1024 * 1024;
        const QStringList out = queryInWorker(program, sql, 512, QString::number(limit));
        QCOMPARE(out.value(0), QStringLiteral("outcome %1").arg(outcome));
        QCOMPARE(out.value(1), message);
        const qint64 rows = out.value(2).section(QLatin1Char(' '), 1).toLongLong();
        QVERIFY2(someRows ? rows > 0 : rows == 0, qPrintable(out.value(2)));
        const qint64 peak = out.value(3).section(QLatin1Char(' '), 1).toLongLong();
        QVERIFY2(peak <= limit && (peak > 0 || outcome != int(TypedQuery::Outcome::Done)), qPrintable(out.value(3)));
    }

    void closingTheWindowEndsItsQuery()
    {
        TestProgram program;
        TForm_Create_Own_Query w;
        w.show();
        w.Memo1->setPlainText(kEndless);
        w.Button_CreateClick();
        QTest::qWait(100);
        QVERIFY(w.queryRunning());
        w.close();
        QVERIFY(!w.queryRunning());
        QTest::qWait(50);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
        // Shown again, an ordinary query runs.
        w.show();
        w.Memo1->setPlainText(QStringLiteral("SELECT Ime FROM Operators"));
        QVERIFY(run(w));
        QCOMPARE(w.result()->rowCount(), 1);
        QCOMPARE(w.result()->data(w.result()->index(0, 0)).toString(), QStringLiteral("Администратор"));
    }

    void thePasswordColumnIsNeitherShownNorStored()
    {
        TestProgram program;
        storeQueries("[Count]\nMax=2\n[Names]\n1=a\n2=b\n[Queries]\n1=SELECT Par FROM Operators\n"
                     "2=SELECT x.* FROM (SELECT * FROM Operators) x\n");
        const QString refusal = TypedQuery::refusal(TypedQuery::protectedColumns().first());
        TForm_Create_Own_Query w;
        w.setDesignMode(false);
        w.FormShow();
        for (int i = 0; i < 2; ++i) {
            PlatformScript::clearEvents();
            chooseItem(w, i);
            QVERIFY(run(w));
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{refusal});
            QCOMPARE(w.result()->rowCount(), 0);
        }
        PlatformScript::clearEvents();
        w.setDesignMode(true);
        w.Memo1->setPlainText(QStringLiteral("SELECT o.Par AS p FROM Operators o"));
        w.Button_SaveClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{refusal});
        QCOMPARE(OwnQueries::list().size(), 2);
    }

    void aLongQueryIsStoredReadAndRun_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::newRow("one line") << ",";
        QTest::newRow("a line each") << ",\n";
    }
    void aLongQueryIsStoredReadAndRun()
    {
        QFETCH(QString, separator);
        TestProgram program;
        QString sql = QStringLiteral("SELECT count(*) AS n FROM Operators WHERE ID IN (0");
        for (int i = 1; sql.size() < 1000000; ++i)
            sql += separator + QString::number(i);
        sql += QLatin1Char(')');
        QString error;
        QCOMPARE(OwnQueries::save(QStringLiteral("SELECT 1"), QStringLiteral("малка"), &error), 1LL);
        QCOMPARE(OwnQueries::save(sql, QStringLiteral("голяма"), &error), 2LL);
        QCOMPARE(OwnQueries::save(QStringLiteral("SELECT 3"), QStringLiteral("след нея"), &error), 3LL);
        TForm_Create_Own_Query w;
        w.show();
        w.FormShow();
        chooseItem(w, 1);
        QCOMPARE(w.Memo1->toPlainText(), sql);
        QTest::qWait(1); // laid out
        QCOMPARE(OwnQueries::check(w.Memo1->toPlainText()), QString());
        QVERIFY(run(w));
        QCOMPARE(w.result()->data(w.result()->index(0, 0)).toInt(), 1);
        QCOMPARE(OwnQueries::text(3), QStringLiteral("SELECT 3"));
        QCOMPARE(OwnQueries::list().at(2).name, QStringLiteral("след нея"));
    }

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

    void storedWritesAreRefusedInRunMode()
    {
        TestProgram program;
        storeQueries("[Count]\nMax=3\n[Names]\n1=a\n2=b\n3=c\n[Queries]\n1=DELETE FROM Operators\n"
                     "2=WITH x AS (SELECT 1) DELETE FROM Operators\n3=SELECT 1; DELETE FROM Operators\n");
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
            QVERIFY(run(w));
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
        QVERIFY(run(w));
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
        QVERIFY(run(w));
        QCOMPARE(w.result()->rowCount(), 0);
        QCOMPARE(w.result()->average(0), 0.0);
    }

    void anEndlessQueryStopsAtTheLimit()
    {
        TestProgram program;
        TForm_Create_Own_Query w;
        w.Memo1->setPlainText(
            QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT x FROM n"));
        QVERIFY(run(w));
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
        QVERIFY(run(w));
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
