#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/currency_rates.h"
#include "shell/form_valuti.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace shelltest;

namespace {
long long idOf(const QString &name)
{
    return Db::scalar(QStringLiteral("SELECT ID FROM Valuti WHERE Opisanie = ?"), {name}).toLongLong();
}
double rateOf(const QString &name)
{
    return Db::scalar(QStringLiteral("SELECT Kurs FROM Valuti WHERE Opisanie = ?"), {name}).toDouble();
}
} // namespace

// The currency-rates window and its checks.
class RatesWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rateMustBeAPositiveNumber()
    {
        TestProgram program;
        const long long bgn = idOf(QStringLiteral("BGN"));
        for (const char *bad : {"abc", "0", "-1.5", "", "1.2.3"}) {
            QVERIFY2(!CurrencyRates::setRate(bgn, QString::fromLatin1(bad)).isEmpty(), bad);
            QCOMPARE(rateOf(QStringLiteral("BGN")), 1.0);
        }
        QVERIFY(CurrencyRates::setRate(bgn, QStringLiteral("1,25")).isEmpty());
        QCOMPARE(rateOf(QStringLiteral("BGN")), 1.25);
        long long id = 0;
        QVERIFY(!CurrencyRates::add(QStringLiteral("EUR"), QStringLiteral("x"), QStringLiteral("False"), &id).isEmpty());
        QVERIFY(CurrencyRates::add(QStringLiteral("EUR"), QStringLiteral("1.95583"), QStringLiteral("False"), &id).isEmpty());
        QCOMPARE(rateOf(QStringLiteral("EUR")), 1.95583);
        QVERIFY(!CurrencyRates::add(QStringLiteral("EUR"), QStringLiteral("2"), QStringLiteral("False"), &id).isEmpty());
        QVERIFY(!CurrencyRates::setBasic(id, QStringLiteral("Да")).isEmpty());
        QVERIFY(CurrencyRates::setBasic(id, QStringLiteral("True")).isEmpty());
    }

    void typedRateThatIsNoNumberKeepsThePreviousOne()
    {
        TestProgram program;
        {
            TForm_Valuti w;
            w.show();
            ValutiModel *m = w.model();
            for (const char *bad : {"abc", "1,2,3", "", "0"}) {
                const QModelIndex cell = m->index(0, 1);
                // What the grid does when the typed cell is left.
                QAbstractItemDelegate *delegate = w.DBGrid1->itemDelegate();
                std::unique_ptr<QWidget> editor(delegate->createEditor(w.DBGrid1->viewport(), {}, cell));
                auto *line = qobject_cast<QLineEdit *>(editor.get());
                QVERIFY(line);
                delegate->setEditorData(line, cell);
                line->setText(QString::fromUtf8(bad));
                delegate->setModelData(line, m, cell);
                QCOMPARE(m->data(cell, Qt::DisplayRole).toString(), QStringLiteral("1"));
            }
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 4);
            // A new row: a refused rate leaves the shown one, which is what its name then saves.
            QTest::keyClick(&w, Qt::Key_Insert);
            QVERIFY(!m->setData(m->index(1, 1), QStringLiteral("abc"), Qt::EditRole));
            QVERIFY(m->setData(m->index(1, 0), QStringLiteral("USD"), Qt::EditRole));
            QCOMPARE(rateOf(QStringLiteral("USD")), m->data(m->index(1, 1), Qt::EditRole).toDouble());
            w.close();
        }
        QCOMPARE(rateOf(QStringLiteral("BGN")), 1.0);
    }

    void namedCurrencyKeepsItsName()
    {
        TestProgram program;
        long long eur = 0;
        QVERIFY(CurrencyRates::add(QStringLiteral("EUR"), QStringLiteral("2"), QStringLiteral("False"), &eur).isEmpty());
        const long long bgn = idOf(QStringLiteral("BGN"));
        // An open sale line names BGN.
        Db::execute(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Opisanie, Valuta, Operator) VALUES ('x', 'BGN', 'a')"));
        const QString renamed = CurrencyRates::rename(bgn, QStringLiteral("ЛВ"));
        QVERIFY(renamed.contains(QStringLiteral("Prodajbi_Vremenni")));
        QVERIFY(!CurrencyRates::remove(bgn).isEmpty());
        QVERIFY(idOf(QStringLiteral("BGN")) > 0);
        // The rate of a named currency may change; an unnamed one may be renamed and deleted.
        QVERIFY(CurrencyRates::setRate(bgn, QStringLiteral("1")).isEmpty());
        QVERIFY(!CurrencyRates::rename(eur, QStringLiteral("BGN")).isEmpty()); // taken
        QVERIFY(CurrencyRates::rename(eur, QStringLiteral("Евро")).isEmpty());
        QVERIFY(CurrencyRates::remove(eur).isEmpty());
        QCOMPARE(idOf(QStringLiteral("Евро")), 0);
    }

    void gridEditsThroughTheChecks()
    {
        TestProgram program;
        TForm_Valuti w;
        ValutiModel *m = w.model();
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Курс спрямо лева"));
        QVERIFY(!m->setData(m->index(0, 1), QStringLiteral("нула"), Qt::EditRole));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(m->data(m->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("1"));

        // A new row: its rate is kept until it gets a name, then it is written.
        QTest::keyClick(&w, Qt::Key_Insert);
        QCOMPARE(m->rowCount(), 2);
        QVERIFY(m->setData(m->index(1, 1), QStringLiteral("1,8"), Qt::EditRole));
        QCOMPARE(idOf(QStringLiteral("USD")), 0);
        QVERIFY(m->setData(m->index(1, 0), QStringLiteral("USD"), Qt::EditRole));
        QCOMPARE(rateOf(QStringLiteral("USD")), 1.8);

        PlatformScript::answer(true);
        w.DBGrid1->setCurrentIndex(m->index(1, 0));
        QTest::keyClick(&w, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(idOf(QStringLiteral("USD")), 0);
    }
};
VTEST(RatesWindowTest)

#include "test_rates_window.moc"
