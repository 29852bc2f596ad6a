#include "platform/db/database.h"
#include "platform/script.h"
#include "repair/client_search.h"
#include "test_registry.h"
#include "test_support.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {
void firms()
{
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, EIK, Dan_N, ID_Mol) VALUES "
                               "(12, 'Иванов ЕООД', '8312', 'BG12', 0), (13, 'Петров ООД', '1', '2', 0), "
                               "(14, 'Acme', '3', '4', 0)"));
}

QString found(const ClientSearch::Query &q)
{
    if (!q.run)
        return QStringLiteral("no search");
    QStringList ids;
    for (const QSqlRecord &r : Db::rows(q.sql, q.params))
        ids << r.value(0).toString();
    return ids.join(QLatin1Char(','));
}
} // namespace

class ClientSearchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serviceRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "" << "no search";
        QTest::newRow("blank first") << " x" << "12,13,14";
        QTest::newRow("id") << "!12" << "12";
        QTest::newRow("id not a number") << "!abc" << "";
        QTest::newRow("tax number") << "+BG12" << "12";
        QTest::newRow("eik") << "-8312" << "12";
        QTest::newRow("cyrillic any case") << "ив" << "12";
        QTest::newRow("cyrillic inside") << "ООД" << "12,13";
        QTest::newRow("latin lists all") << "abc" << "12,13,14";
        QTest::newRow("digit lists all") << "5" << "12,13,14";
        QTest::newRow("placeholder") << "0: Няма избран Контрагент" << "no search";
        QTest::newRow("quote") << "\"" << "12,13,14";
        QTest::newRow("cyrillic and quote") << "и'\"" << "";
        QTest::newRow("percent") << "%" << "12,13,14";
        QTest::newRow("cyrillic and percent") << "и%" << "";
    }
    void serviceRules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        TestProgram program;
        firms();
        QCOMPARE(found(ClientSearch::query(typed, {})), expected);
    }

    void withoutKeyPrefixesEveryPrefixListsAll()
    {
        TestProgram program;
        firms();
        ClientSearch::Rules rules;
        rules.keyPrefixes = false;
        for (const char *typed : {"!12", "+BG12", "-8312"})
            QCOMPARE(found(ClientSearch::query(QString::fromLatin1(typed), rules)), QStringLiteral("12,13,14"));
        QCOMPARE(found(ClientSearch::query(QStringLiteral("пет"), rules)), QStringLiteral("13"));
    }

    void searchesSharingOneList()
    {
        TestProgram program;
        firms();
        QWidget parent;
        auto *host = new QWidget(&parent);
        auto *first = new QLineEdit(host);
        auto *second = new QLineEdit(host);
        auto *list = new QListWidget(&parent);
        ClientSearch::Rules rules;
        rules.listHost = &parent;
        ClientSearch a(first, list, rules), b(second, list, rules);
        QString takenA, takenB;
        a.onTaken = [&takenA](const QString &item) { takenA = item; };
        b.onTaken = [&takenB](const QString &item) { takenB = item; };
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        first->setText(QStringLiteral("ив"));
        a.search();
        QCOMPARE(list->parentWidget(), &parent);
        // Enter in the other edit does not take the first one's item.
        PlatformScript::answer(false);
        QTest::keyClick(second, Qt::Key_Return);
        QCOMPARE(second->text(), QStringLiteral("0: Няма избран потребител"));
        QVERIFY(takenB.isEmpty());
        first->setText(QStringLiteral("ив"));
        a.search();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(takenA, QStringLiteral("12:Иванов ЕООД"));
        QVERIFY(takenB.isEmpty());
    }

    void typingTakingAndLeaving()
    {
        TestProgram program;
        firms();
        QWidget parent;
        auto *edit = new QLineEdit(&parent);
        auto *other = new QLineEdit(&parent);
        auto *list = new QListWidget(&parent);
        ClientSearch::Rules rules;
        rules.placeholderOnExit = QStringLiteral("0: Няма избран Контрагент");
        ClientSearch search(edit, list, rules);
        QString taken;
        search.onTaken = [&taken](const QString &item) { taken = item; };
        int newOnes = 0;
        search.onNewCounterparty = [&newOnes] { ++newOnes; };
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        edit->setFocus();
        edit->setText(QStringLiteral("ив"));
        search.search();
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->height(), 80);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral("12:Иванов ЕООД"));
        QCOMPARE(taken, QStringLiteral("12:Иванов ЕООД"));
        QVERIFY(!list->isVisible());

        // nothing found: the question; No gives the "no user" text
        edit->clear();
        edit->setText(QStringLiteral("жж"));
        search.search();
        QVERIFY(!list->isVisible());
        PlatformScript::answer(false);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral("0: Няма избран потребител"));
        PlatformScript::answer(true);
        search.take();
        QCOMPARE(newOnes, 1);

        // leaving with a text that names no counterparty resets it
        edit->setFocus();
        edit->setText(QStringLiteral("abc"));
        other->setFocus();
        QCOMPARE(edit->text(), QStringLiteral("0: Няма избран Контрагент"));

        // Down moves into the list; Escape returns and hides it
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral(" "));
        QCOMPARE(list->count(), 3);
        QTest::keyClick(edit, Qt::Key_Down);
        QVERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(edit->hasFocus());
        QVERIFY(!list->isVisible());
    }
};

VTEST(ClientSearchTest)
#include "test_client_search.moc"
