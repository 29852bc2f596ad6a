// A register of thousands of counterparties: the browser reads a page at a
// time, whatever the register holds (its open and a click on any column's
// header do the same work at ten times the counterparties), each column's
// order is served by an index, and the pages show the whole ordered list.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/counterparty_list.h"
#include "counterparties/counterparty_search.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/script.h"

#include <QTableView>
#include <QTest>

namespace {
// Counterparties numbered after the register's last, till it holds `size`;
// every seventh in group 3, every fifth without a town.
void addRegister(int size)
{
    WriteTransaction tx;
    const int last = Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Firmi")).toInt();
    const int held = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi")).toInt();
    for (int id = last + 1; id <= last + size - held; ++id)
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Grad, EIK, T_O, ID_Mol, Nomer_Grupa) "
                                   "VALUES (?, ?, ?, ?, ?, 0, ?)"),
                    {id, QStringLiteral("Фирма %1").arg((id * 7919) % 10007), id % 5 ? QVariant(QStringLiteral("Град %1").arg(id % 23)) : QVariant(),
                     QString::number(100000000 + id % 97), id % 11, id % 7 ? 0 : 3});
    tx.commit();
}

QList<long long> ids(const QString &sql, const QVariantList &params = {})
{
    QList<long long> out;
    for (const QSqlRecord &r : Db::rows(sql, params))
        out << r.value(QStringLiteral("ID")).toLongLong();
    return out;
}

QList<long long> listed(const CounterpartyList &list)
{
    QList<long long> out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("ID")).toLongLong();
    return out;
}
} // namespace

class CounterpartyBrowserAtScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::activate(); }
    void cleanup() { PlatformScript::deactivate(); }

    void readsPagesNotTheRegister()
    {
        if (testOnServer())
            QSKIP("the work of a road is counted on SQLite; everyOrderIsAnIndexs holds on the server");
        TestProgram program;
        long long steps[2] = {0, 0};
        const int sizes[2] = {400, 4000};
        for (int i = 0; i < 2; ++i) {
            addRegister(sizes[i]);
            TForm_Kontrakents w;
            w.resize(1000, 600);
            w.show();
            steps[i] = stepsOf([&] {
                w.FormShow();
                w.DBGrid_Kontragenti->viewport()->repaint();
                for (int c = 0; c < int(CounterpartySearch::columns().size()); ++c) {
                    w.DBGrid_KontragentiTitleClick(c);
                    w.DBGrid_Kontragenti->viewport()->repaint();
                }
            });
            QCOMPARE(w.list()->rowCount(), sizes[i]);
        }
        QVERIFY2(steps[1] < steps[0] * 3 / 2, qPrintable(QStringLiteral("%1 steps at %2 counterparties, %3 at %4")
                                                             .arg(steps[0]).arg(sizes[0]).arg(steps[1]).arg(sizes[1])));
    }

    // The first page of the register in each column's order, and of a group
    // by name, is read along an index: nothing is sorted.
    void everyOrderIsAnIndex()
    {
        TestProgram program;
        addRegister(300);
        QStringList orders;
        for (const CounterpartySearch::Column &c : CounterpartySearch::columns())
            orders << QString::fromLatin1(c.field);
        for (const QString &field : orders) {
            for (const bool group : {false, true}) {
                if (group && field != QLatin1String("Ime_Firma"))
                    continue;
                CounterpartySearch::ListQuery q = group ? CounterpartySearch::groupList(QStringLiteral("3:Група"))
                                                        : CounterpartySearch::groupList(QString::fromUtf8(CounterpartySearch::RootNodeText));
                q.order = field;
                const QString page = q.sql() + QStringLiteral(" LIMIT 200");
                const QStringList plan = planOf(page, q.params, true);
                QVERIFY2(sortsIn(plan).isEmpty() && !plan.join('|').contains(QLatin1String("Seq Scan")),
                         qPrintable(plan.join('|') + QStringLiteral("  <=  ") + page));
            }
        }
    }

    // Page after page, backwards and by header clicks the list is the ordered
    // statement's; a counterparty far down is found by its key.
    void pagesShowTheOrderedRegister()
    {
        TestProgram program;
        addRegister(700);
        CounterpartyList list;
        list.run(CounterpartySearch::groupList(QString::fromUtf8(CounterpartySearch::RootNodeText)));
        QCOMPARE(listed(list), ids(CounterpartySearch::groupList(QString::fromUtf8(CounterpartySearch::RootNodeText)).sql()));
        for (const char *field : {"Grad", "T_O", "ID"}) {
            list.setOrder(QString::fromLatin1(field), true);
            CounterpartySearch::ListQuery q;
            q.order = QString::fromLatin1(field);
            QList<long long> expected = ids(q.sql());
            std::reverse(expected.begin(), expected.end());
            QList<long long> backwards;
            for (int r = list.rowCount() - 1; r >= 0; --r)
                backwards.prepend(list.value(r, QStringLiteral("ID")).toLongLong());
            QCOMPARE(backwards, expected);
            QCOMPARE(list.rowOfCounterparty(expected.at(613)), 613);
        }
        // A group by name, and a search.
        list.run(CounterpartySearch::groupList(QStringLiteral("3:Група")));
        QCOMPARE(listed(list), ids(QStringLiteral("SELECT ID FROM Firmi WHERE Nomer_Grupa = 3 ORDER BY Ime_Firma, ID")));
        const auto found = CounterpartySearch::search(4, 0, QStringLiteral("град 1"), {});
        QVERIFY(found);
        list.run(*found);
        list.setOrder(QStringLiteral("Ime_Firma"), false);
        QCOMPARE(listed(list), ids(QStringLiteral("SELECT ID FROM Firmi WHERE Grad LIKE 'Град 1%' ORDER BY Ime_Firma, ID")));
        QVERIFY_THROWS_EXCEPTION(DbError, list.setOrder(QStringLiteral("Ime_Firma; DROP TABLE Firmi"), false));
    }
};

VTEST(CounterpartyBrowserAtScale)
#include "test_counterparty_browser_scale.moc"
