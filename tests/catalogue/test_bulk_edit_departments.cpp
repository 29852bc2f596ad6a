#include "app/schema_columns.h"
#include "catalogue/form_ob6ti_danni_artikuli.h"
#include "catalogue/form_type_prigotvq_se.h"
#include "common/fiscal_device_types.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "shell/openers.h"
#include "test_registry.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

#include <functional>

namespace {
void addArticles()
{
    Db::execute(QStringLiteral(
        "INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Dan_Grup, Trajnost, Valuta_P, Valuta_D, Mqrka, Min_Kol, "
        "Max_TO, Garancionen, Poredica, Prigotvq_Se) VALUES "
        "(1, 1, 'А', 0, '0:0', 'BGN', 'BGN', 'бр.', 1, 0, 'True', 'False', 0), "
        "(2, 1, 'Б', 0, '0:0', 'BGN', 'BGN', 'бр.', 1, 0, 'True', 'False', 0), "
        "(3, 1, 'В', 0, '0:0', 'BGN', 'BGN', 'бр.', 1, 0, 'True', 'False', 0), "
        "(4, 1, 'Г', 0, '0:0', 'BGN', 'BGN', 'бр.', 1, 0, 'True', 'False', 0)"));
}

QStringList column(const QString &field)
{
    QStringList values;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ") + field + QStringLiteral(" FROM Produkti ORDER BY ID")))
        values.append(r.value(0).toString());
    return values;
}

// Runs the bulk edit on the articles; `steps` ticks and sets, then "ЗАПИС".
bool runBulk(const QList<long long> &ids, const std::function<void(TForm_Ob6ti_Danni_artikuli *)> &steps)
{
    driveWindows<TForm_Ob6ti_Danni_artikuli>([steps](TForm_Ob6ti_Danni_artikuli *w) {
        steps(w);
        w->BitBtn1->click();
    });
    return TForm_Ob6ti_Danni_artikuli::open(ids, nullptr);
}
} // namespace

class BulkArticleEditTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        delete Form_Ob6ti_Danni_artikuli;
        PlatformScript::setModalHandler({});
    }

    void tickedFieldsOnly()
    {
        TestProgram program;
        addArticles();
        // VAT group untouched after ticking: the second item.
        QVERIFY(runBulk({3, 1, 2}, [](TForm_Ob6ti_Danni_artikuli *w) { w->ChkBox_Dan_Grup->click(); }));
        QCOMPARE(column(QStringLiteral("Dan_Grup")), (QStringList{"1", "1", "1", "0"}));
        QCOMPARE(column(QStringLiteral("Trajnost")), (QStringList{"0:0", "0:0", "0:0", "0:0"}));

        // Shelf life 12 months.
        QVERIFY(runBulk({4}, [](TForm_Ob6ti_Danni_artikuli *w) {
            QVERIFY(!w->ChkBox_Dan_Grup->isChecked()); // every opening starts unticked
            QVERIFY(!w->ComboBox_Trajnost->isEnabled());
            w->ChkBox_Trajnost->click();
            w->ComboBox_Trajnost->setCurrentIndex(2);
            w->SpinEdit_Trajnost_Value->setValue(12);
        }));
        QCOMPARE(column(QStringLiteral("Trajnost")).last(), QStringLiteral("2:12"));

        // Warranty kept at "False" clears it; the series box is off meanwhile.
        QVERIFY(runBulk({1, 2}, [](TForm_Ob6ti_Danni_artikuli *w) {
            w->ChkBox_Garancionen->click();
            QVERIFY(!w->ChkBox_Poredica->isEnabled());
        }));
        QCOMPARE(column(QStringLiteral("Garancionen")), (QStringList{"False", "False", "True", "True"}));
        QCOMPARE(column(QStringLiteral("Poredica")), (QStringList{"False", "False", "False", "False"}));
    }

    void currencyListIsRebuiltWithoutRepeats()
    {
        TestProgram program;
        addArticles();
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('EUR', 1.95583)"));
        QVERIFY(runBulk({2}, [](TForm_Ob6ti_Danni_artikuli *w) {
            w->ChkBox_Valuta->click();
            w->ChkBox_Valuta->click();
            w->ChkBox_Valuta->click();
            QCOMPARE(w->ComBox_Valuta->count(), 2);
            w->ComBox_Valuta->setCurrentIndex(1);
        }));
        QCOMPARE(column(QStringLiteral("Valuta_P")), (QStringList{"BGN", "EUR", "BGN", "BGN"}));
        QCOMPARE(column(QStringLiteral("Valuta_D")), (QStringList{"BGN", "BGN", "BGN", "BGN"}));
    }

    void nothingTickedOrNothingMarkedWritesNothing()
    {
        TestProgram program;
        addArticles();
        QVERIFY(!runBulk({1, 2}, [](TForm_Ob6ti_Danni_artikuli *) {}));
        QVERIFY(!runBulk({}, [](TForm_Ob6ti_Danni_artikuli *w) { w->ChkBox_Dan_Grup->click(); }));
        QCOMPARE(column(QStringLiteral("Dan_Grup")), (QStringList{"0", "0", "0", "0"}));
    }

    void aTextDiscountIsRefused()
    {
        TestProgram program;
        addArticles();
        QVERIFY(!runBulk({1}, [](TForm_Ob6ti_Danni_artikuli *w) {
            w->ChkBox_Max_TO->click();
            w->Edit_Max_TO->setText(QStringLiteral("пет"));
        }));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Максималната отстъпка \"пет\" не е число!")});
        QVERIFY(runBulk({1}, [](TForm_Ob6ti_Danni_artikuli *w) {
            w->ChkBox_Max_TO->click();
            w->Edit_Max_TO->setText(QStringLiteral("7,5"));
            w->ChkBox_Min_Kol->click();
            w->SpinEdit_Min_Kol->setValue(100000);
        }));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Max_TO FROM Produkti WHERE ID = 1")).toDouble(), 7.5);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Min_Kol FROM Produkti WHERE ID = 1")).toDouble(), 100000.0);
    }

    void aFailureLeavesEveryArticleUnchanged()
    {
        TestProgram program;
        addArticles();
        refuseWrites(QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON Produkti WHEN OLD.ID = 3 "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY(!runBulk({1, 2, 3}, [](TForm_Ob6ti_Danni_artikuli *w) {
            w->ChkBox_Mqrka->click();
            w->ComBox_Mqrka->setCurrentText(QStringLiteral("кг."));
        }));
        QCOMPARE(column(QStringLiteral("Mqrka")), (QStringList{"бр.", "бр.", "бр.", "бр."}));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
    }
};
VTEST(BulkArticleEditTest)

class DepartmentsWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerSchemaColumns(); }
    void cleanup()
    {
        delete Form_Type_Prigotvq_Se;
        PlatformScript::setModalHandler({});
    }

    void gridAddsChecksAndDeletes()
    {
        TestProgram program;
        TForm_Type_Prigotvq_Se form;
        DepartmentsModel *m = form.model();
        QVERIFY(m->reload());
        m->addRow();
        QVERIFY(m->setData(m->index(0, DepartmentsModel::ColName), QStringLiteral("Кухня"), Qt::EditRole));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Type_Prigotvq_Se")).toInt(), 0);
        for (const char *bad : {"0", "кухня"})
            QVERIFY(!m->setData(m->index(0, DepartmentsModel::ColNumber), QString::fromUtf8(bad), Qt::EditRole));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);
        QVERIFY(m->setData(m->index(0, DepartmentsModel::ColNumber), QStringLiteral("1"), Qt::EditRole));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Type_Prigotvq_Se WHERE ID = 1")).toString(),
                 QStringLiteral("Кухня"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Vid_FU FROM Type_Prigotvq_Se WHERE ID = 1")).toString(),
                 FiscalDeviceTypes::all().first());

        m->addRow();
        QVERIFY(!m->setData(m->index(1, DepartmentsModel::ColNumber), QStringLiteral("1"), Qt::EditRole));
        QVERIFY(m->setData(m->index(1, DepartmentsModel::ColNumber), QStringLiteral("2"), Qt::EditRole));
        QVERIFY(m->setData(m->index(1, DepartmentsModel::ColDevice), FiscalDeviceTypes::all().at(18), Qt::EditRole));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Vid_FU FROM Type_Prigotvq_Se WHERE ID = 2")).toString(),
                 QStringLiteral("18: ДАТЕКС - Фискален принтер FP 550F - 40"));

        // A department an article names stays.
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Prigotvq_Se) VALUES (1, 1, 1)"));
        form.DBGrid1->setCurrentIndex(m->index(0, 0));
        PlatformScript::answer(true);
        QVERIFY(!form.deleteCurrent());
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().contains(QStringLiteral("Produkti")));
        form.DBGrid1->setCurrentIndex(m->index(1, 0));
        PlatformScript::answer(false); // "No" keeps it
        QVERIFY(!form.deleteCurrent());
        PlatformScript::answer(true);
        QVERIFY(form.deleteCurrent());
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Type_Prigotvq_Se")).toInt(), 1);
    }

    void n63OpensTheWindowOnTheTable()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie) VALUES (3, 'Бар')"));
        int rows = -1;
        driveWindows<TForm_Type_Prigotvq_Se>([&](TForm_Type_Prigotvq_Se *w) { rows = w->model()->rowCount(); });
        TForm_Type_Prigotvq_Se::N63Click(nullptr);
        QCOMPARE(rows, 1);
        QVERIFY(Openers::available(QStringLiteral("N63"))); // the menu item is enabled
    }
};
VTEST(DepartmentsWindowTest)

#include "test_bulk_edit_departments.moc"
