#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "offers/task_test_data.h"

#include "app/list_export.h"
#include "counterparties/counterparty_record.h"
#include "offers/task_assigner.h"
#include "offers/task_list.h"
#include "offers/tasks.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"

#include <QTest>

namespace {
Tasks::Task sampleTask(const QString &description = QStringLiteral("Ремонт"), long long assigner = -1)
{
    Tasks::Task t;
    t.description = description;
    t.performers = QStringLiteral("Иван");
    t.status = QString::fromUtf8(Tasks::StatusAssigned);
    t.assigner = assigner;
    t.assignedDate = QDate(2025, 3, 10);
    t.assignedTime = QTime(10, 15, 42);
    t.dueDate = QDate(2025, 3, 12);
    t.dueTime = QTime(9, 0, 0);
    t.note = QStringLiteral("бележка");
    return t;
}

QDateTime dt(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Descriptions of the tasks a search finds, sorted.
QStringList found(int column, const QString &comparison, const QString &text, const QDateTime &from = {},
                  const QDateTime &to = {})
{
    const auto q = TaskList::search(column, comparison, text, from, to);
    if (!q)
        return {QStringLiteral("<refused>")};
    SqlListModel list;
    list.setQuery(q->sql, q->params);
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("Opisanie_Z")).toString();
    out.sort();
    return out;
}
} // namespace

class TaskRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void repetitionGivesTheDueMoment_data()
    {
        QTest::addColumn<int>("repetition");
        QTest::addColumn<QDateTime>("assigned");
        QTest::addColumn<QDateTime>("due");
        const QDateTime unchanged = dt(2030, 1, 1, 8, 0);
        QTest::newRow("once keeps the due moment") << 0 << dt(2025, 1, 31, 10, 15, 30) << unchanged;
        QTest::newRow("hourly") << 1 << dt(2025, 1, 31, 10, 15, 30) << dt(2025, 1, 31, 11, 15, 30);
        QTest::newRow("hourly past midnight") << 1 << dt(2025, 12, 31, 23, 30) << dt(2026, 1, 1, 0, 30);
        QTest::newRow("daily keeps the time") << 2 << dt(2025, 2, 28, 7, 5, 9) << dt(2025, 3, 1, 7, 5, 9);
        QTest::newRow("weekly keeps the time") << 3 << dt(2025, 12, 29, 16, 0, 1) << dt(2026, 1, 5, 16, 0, 1);
        QTest::newRow("monthly is 30 days") << 4 << dt(2025, 1, 31, 9, 0) << dt(2025, 3, 2, 9, 0);
        QTest::newRow("monthly in a leap year") << 4 << dt(2024, 1, 31, 9, 0) << dt(2024, 3, 1, 9, 0);
    }
    void repetitionGivesTheDueMoment()
    {
        QFETCH(int, repetition);
        QFETCH(QDateTime, assigned);
        QFETCH(QDateTime, due);
        QCOMPARE(Tasks::dueMoment(repetition, assigned, dt(2030, 1, 1, 8, 0)), due);
    }

    void dueMomentChecks_data()
    {
        QTest::addColumn<QDate>("dueDate");
        QTest::addColumn<QTime>("dueTime");
        QTest::addColumn<int>("result");
        const int ok = int(Tasks::MomentCheck::Ok);
        QTest::newRow("same moment") << QDate(2025, 3, 10) << QTime(10, 15, 42) << ok;
        QTest::newRow("one second earlier") << QDate(2025, 3, 10) << QTime(10, 15, 41)
                                            << int(Tasks::MomentCheck::DueTimeEarlier);
        QTest::newRow("later day, earlier time") << QDate(2025, 3, 11) << QTime(0, 0) << ok;
        QTest::newRow("earlier day, later time") << QDate(2025, 3, 9) << QTime(23, 59, 59)
                                                 << int(Tasks::MomentCheck::DueDateEarlier);
    }
    void dueMomentChecks()
    {
        QFETCH(QDate, dueDate);
        QFETCH(QTime, dueTime);
        QFETCH(int, result);
        Tasks::Task t = sampleTask();
        t.dueDate = dueDate;
        t.dueTime = dueTime;
        QCOMPARE(int(Tasks::checkMoments(t)), result);
    }

    void rowColours_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("dueInDays");
        QTest::addColumn<int>("colour");
        using C = Tasks::RowColour;
        QTest::newRow("assigned, due yesterday") << QStringLiteral("Възложен") << -1 << int(C::Red);
        QTest::newRow("assigned, due today") << QStringLiteral("Възложен") << 0 << int(C::Red);
        QTest::newRow("assigned, due tomorrow") << QStringLiteral("Възложен") << 1 << int(C::Plain);
        QTest::newRow("assigned in lower case") << QStringLiteral("възложен") << 0 << int(C::Red);
        QTest::newRow("running, overdue") << QStringLiteral("Изпълнява се") << -5 << int(C::Green);
        QTest::newRow("running, ahead") << QStringLiteral("ИЗПЪЛНЯВА СЕ") << 5 << int(C::Green);
        QTest::newRow("postponed, overdue") << QStringLiteral("Отложен") << -1 << int(C::Blue);
        QTest::newRow("done, overdue") << QStringLiteral("Изпълнен") << -3 << int(C::Plain);
        QTest::newRow("empty status") << QString() << -3 << int(C::Plain);
    }
    void rowColours()
    {
        QFETCH(QString, status);
        QFETCH(int, dueInDays);
        QFETCH(int, colour);
        // Early in the morning: a task due today is already reached.
        const QDateTime now(QDate(2025, 6, 15), QTime(0, 0, 1));
        const QString due = now.date().addDays(dueInDays).toString(Qt::ISODate);
        QCOMPARE(int(Tasks::rowColour(status, due, now)), colour);
    }

    void assignerKeyNeedsAPick()
    {
        QCOMPARE(Tasks::assignerKey(QStringLiteral("12:Алфа")), 12LL);
        QCOMPARE(Tasks::assignerKey(QStringLiteral("Алфа")), -1LL);
        QCOMPARE(Tasks::assignerKey(QStringLiteral("12")), -1LL);
        QCOMPARE(Tasks::assignerKey(QString()), -1LL);
        QCOMPARE(Tasks::assignerKey(QStringLiteral("x:Алфа")), -1LL);
    }

    void protocolBytes()
    {
        TestProgram program;
        Tasks::Task t = sampleTask(QStringLiteral("Монтаж на касов апарат"));
        t.id = 17;
        t.performers = QStringLiteral("Иван, Петър");
        const QStringList lines =
            Tasks::protocolLines(t, QStringLiteral("3:Алфа ООД"), QStringLiteral("Вентарос еоод"),
                                 QStringLiteral("гр. София, ул. Роза 1"), dt(2025, 3, 11, 14, 5, 6));
        QCOMPARE(lines.size(), 36);
        const QString path = program.file(QStringLiteral("TEMP/ProtZadanie.txt"));
        ListExport file(path, QString());
        file.addLines(lines);
        QVERIFY(file.finish());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString dots = QStringLiteral("......................................................|.........|............|............|");
        const QStringList expected = {
            QString(),
            QStringLiteral("\tВЕНТАРОС ЕООД\tГР. СОФИЯ, УЛ. РОЗА 1"),
            QString(),
            QString(),
            QStringLiteral("\tПРОТОКОЛ ЗА ИЗПЪЛНЕНИЕ НА ВЪЗЛОЖЕНА ДЕЙНОСТ "),
            QString(),
            QStringLiteral("\tДата:11.03.2025 14:05:06"),
            QStringLiteral("\tЗАДАНИЕ N:17\tОт дата:10.03.2025"),
            QStringLiteral("\tВЪЗЛОЖИТЕЛ: 3:Алфа ООД"),
            QStringLiteral("\tЗАДАНИЕ: Монтаж на касов апарат"),
            QStringLiteral("\tИЗПЪЛНИТЕЛИ: Иван, Петър"),
            QString(),
            QStringLiteral("\tПрестой:От ............. До ............. "),
            QString(),
            QStringLiteral("\tТруд /на час/:..................."),
            QString(),
            QStringLiteral("\tРазстояние /в км/ :.............."),
            QString(),
            QStringLiteral("\t|N|------------------ВЛОЖЕНИ ЕЛЕМЕНТИ--------------------|---КОЛ---|--ЕД.ЦЕНА---|----ОБЩО----|"),
            QString(),
            QStringLiteral("\t|1|") + dots,
            QString(),
            QStringLiteral("\t|2|") + dots,
            QString(),
            QStringLiteral("\t|3|") + dots,
            QString(),
            QStringLiteral("\t|4|") + dots,
            QString(),
            QStringLiteral("\tОбщо дължима сума:.............."),
            QString(),
            QStringLiteral("\tВид плащане:..............\tДокумент N:................; От дата : ............ г"),
            QString(),
            QStringLiteral("\tВЪЗЛОЖИТЕЛ:................                               ИЗПЪЛНИТЕЛ:................"),
            QStringLiteral("\t          /   име/подпис  /                                         /   име/подпис  /"),
            QString(),
            QStringLiteral("\t") + ReportFooter,
        };
        QByteArray bytes("\xEF\xBB\xBF");
        for (const QString &l : expected)
            bytes += l.toUtf8() + "\r\n";
        QCOMPARE(f.readAll(), bytes);

        // A task not saved yet has no number.
        t.id = 0;
        QCOMPARE(Tasks::protocolLines(t, {}, {}, {}, dt(2025, 3, 11, 1, 2)).at(7),
                 QStringLiteral("\tЗАДАНИЕ N:\tОт дата:10.03.2025"));
    }
};
VTEST(TaskRules)

class TaskStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTripKeepsQuotesAndLineBreaks()
    {
        TestProgram program;
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        Tasks::Task t = sampleTask(QStringLiteral("Смяна на \"дисплей\" и 'капак'"), firm);
        t.note = QStringLiteral("ред 1\nред \"2\"\r\n'ред 3'");
        t.repetition = Tasks::Weekly;
        t.id = Tasks::insert(t);
        QVERIFY(t.id > 0);
        const auto back = Tasks::load(t.id);
        QVERIFY(back);
        QCOMPARE(back->description, t.description);
        QCOMPARE(back->note, t.note);
        QCOMPARE(back->assigner, firm);
        QCOMPARE(back->assignedDate, t.assignedDate);
        QCOMPARE(back->assignedTime, t.assignedTime);
        QCOMPARE(back->dueDate, t.dueDate);
        QCOMPARE(back->dueTime, t.dueTime);
        QCOMPARE(back->repetition, int(Tasks::Weekly));
        // Dates and times are stored as ISO and HH:mm:ss texts.
        QCOMPARE(Db::scalar(QStringLiteral("SELECT D_Vazlagane || ' ' || T_Vazlagane FROM Zada4i_Zadanie")).toString(),
                 QStringLiteral("2025-03-10 10:15:42"));

        Tasks::Task other = sampleTask(QStringLiteral("Друга"));
        other.id = Tasks::insert(other);
        t.description = QStringLiteral("Ново \"описание\"");
        t.status = QString::fromUtf8(Tasks::StatusDone);
        QVERIFY(Tasks::update(t));
        QCOMPARE(Tasks::load(t.id)->description, t.description);
        QCOMPARE(Tasks::load(other.id)->description, QStringLiteral("Друга"));
        QCOMPARE(Tasks::load(other.id)->status, QStringLiteral("Възложен"));

        // A task that is gone is not written.
        t.id = 999;
        QVERIFY(!Tasks::update(t));
        QVERIFY(!Tasks::load(999));
    }

    void anAssignerIsNamedByTheRegistry()
    {
        TestProgram program;
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        const long long free = addTaskCounterparty(QStringLiteral("Бета"));
        Tasks::insert(sampleTask(QStringLiteral("З"), firm));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Firmi"), QStringLiteral("ID"), firm),
                 QStringLiteral("Zada4i_Zadanie"));
        QVERIFY(ColumnRegistry::referencedBy(QStringLiteral("Firmi"), QStringLiteral("ID"), free).isEmpty());
    }

    void assignerLookups()
    {
        TestProgram program;
        const long long alfa = addTaskCounterparty(QStringLiteral("Алфа ООД"), QStringLiteral("121212"), QStringLiteral("BG123"));
        const long long zalfa = addTaskCounterparty(QStringLiteral("Зелена алфа"), QStringLiteral("129999"));
        const long long pct = addTaskCounterparty(QStringLiteral("50% отстъпка"));
        const long long under = addTaskCounterparty(QStringLiteral("А_Б"));
        addTaskCounterparty(QStringLiteral("АВБ"));
        auto ref = [](long long id, const char *name) -> QString { return QString::number(id) + QLatin1Char(':') + QString::fromUtf8(name); };

        QCOMPARE(TaskAssigner::byName(QStringLiteral("АЛФ")), (QStringList{ref(alfa, "Алфа ООД"), ref(zalfa, "Зелена алфа")}));
        QCOMPARE(TaskAssigner::byName(QStringLiteral("0%")), QStringList{ref(pct, "50% отстъпка")});
        QCOMPARE(TaskAssigner::byName(QStringLiteral("а_б")), QStringList{ref(under, "А_Б")});
        QCOMPARE(TaskAssigner::all().size(), 5);
        QCOMPARE(TaskAssigner::all().first(), ref(alfa, "Алфа ООД"));

        QCOMPARE(*TaskAssigner::byCode(QStringLiteral("+bg1")), QStringList{ref(alfa, "Алфа ООД")});
        QCOMPARE(*TaskAssigner::byCode(QStringLiteral("-12")), (QStringList{ref(alfa, "Алфа ООД"), ref(zalfa, "Зелена алфа")}));
        QCOMPARE(*TaskAssigner::byCode(QStringLiteral("-%")), QStringList{});
        QVERIFY(!TaskAssigner::byCode(QStringLiteral("Алфа")));
    }
};
VTEST(TaskStore)

class TaskSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searches()
    {
        TestProgram program;
        const long long alfa = addTaskCounterparty(QStringLiteral("Алфа"));
        auto add = [&](const char *description, QDate due, QTime dueTime, long long assigner = -1,
                       const char *note = "") {
            Tasks::Task t = sampleTask(QString::fromUtf8(description), assigner);
            t.dueDate = due;
            t.dueTime = dueTime;
            t.note = QString::fromUtf8(note);
            Tasks::insert(t);
        };
        add("Първа", QDate(2025, 3, 1), QTime(10, 15, 42), alfa, "Сервиз 100%");
        add("Втора", QDate(2025, 3, 5), QTime(10, 16, 0));
        add("Трета", QDate(2025, 3, 10), QTime(10, 14, 59));
        add("Четвърта", QDate(2025, 3, 11), QTime(23, 0, 0), 4242);

        const QString eq = QStringLiteral("равно"), gt = QStringLiteral("по - голямо"),
                      lt = QStringLiteral("по - малко"), between = QStringLiteral("между");
        // Text: contains, any case, % literal; an empty text finds every task.
        QCOMPARE(found(0, eq, QStringLiteral("ТА")), (QStringList{QStringLiteral("Трета"), QStringLiteral("Четвърта")}));
        QCOMPARE(found(8, eq, QStringLiteral("0%")), QStringList{QStringLiteral("Първа")});
        QCOMPARE(found(8, eq, QStringLiteral("%")), QStringList{QStringLiteral("Първа")});
        QCOMPARE(found(1, eq, QStringLiteral("алф")), QStringList{QStringLiteral("Първа")});
        QCOMPARE(found(1, eq, QString()).size(), 4);

        // Dates, bounds included.
        const QDateTime d5(QDate(2025, 3, 5), QTime(12, 0)), d10(QDate(2025, 3, 10), QTime(0, 0));
        QCOMPARE(found(4, between, {}, d5, d10), (QStringList{QStringLiteral("Втора"), QStringLiteral("Трета")}));
        QCOMPARE(found(4, eq, {}, d5), QStringList{QStringLiteral("Втора")});
        QCOMPARE(found(4, gt, {}, d10), (QStringList{QStringLiteral("Трета"), QStringLiteral("Четвърта")}));
        QCOMPARE(found(4, lt, {}, d5), (QStringList{QStringLiteral("Втора"), QStringLiteral("Първа")}));

        // Times, to the minute.
        const QDateTime t1015(QDate(2000, 1, 1), QTime(10, 15, 0));
        const QDateTime t1016(QDate(2000, 1, 1), QTime(10, 16, 30));
        QCOMPARE(found(5, eq, {}, t1015), QStringList{QStringLiteral("Първа")});
        QCOMPARE(found(5, lt, {}, t1015), (QStringList{QStringLiteral("Първа"), QStringLiteral("Трета")}));
        QCOMPARE(found(5, gt, {}, t1015), (QStringList{QStringLiteral("Втора"), QStringLiteral("Първа"), QStringLiteral("Четвърта")}));
        QCOMPARE(found(5, between, {}, t1015, t1016), (QStringList{QStringLiteral("Втора"), QStringLiteral("Първа")}));

        QCOMPARE(found(9, eq, QStringLiteral("x")), QStringList{QStringLiteral("<refused>")});
        QCOMPARE(found(4, QStringLiteral("??"), {}, d5), QStringList{QStringLiteral("<refused>")});
    }
};
VTEST(TaskSearch)

#include "test_tasks.moc"
