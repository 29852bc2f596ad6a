#include "common/record_values.h"
#include "counterparties/counterparty_pick.h"
#include "fiscal_fixture.h"
#include "fiscal_service/form_data_tofisk_serv.h"
#include "fiscal_service/form_sv_bim.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlField>
#include <QTableView>
#include <QTest>

using namespace fiscaltest;

namespace {
void choose(TForm_Sv_BIM &w, int row)
{
    w.DBGrid1->setCurrentIndex(w.model->index(row, 0));
    w.DBGrid1CellClick();
}

CounterpartyPick::Picked firm(long long id, const QString &name)
{
    QSqlRecord r;
    QSqlField idField(QStringLiteral("ID"), QMetaType(QMetaType::LongLong));
    idField.setValue(id);
    QSqlField nameField(QStringLiteral("Ime_Firma"), QMetaType(QMetaType::QString));
    nameField.setValue(name);
    r.append(idField);
    r.append(nameField);
    CounterpartyPick::Picked p;
    p.current = r;
    return p;
}
} // namespace

class FiscalWindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void certificatesWindow()
    {
        TestProgram program;
        seed();
        TForm_Sv_BIM w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Свидетелсва на БИМ"));
        QCOMPARE(w.model->rowCount(), 2);
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("0: Няма избран контрагент"));
        QCOMPARE(w.SpinEdit_SV_N->text(), QStringLiteral("1"));

        // No sealing firm: refused, nothing stored.
        w.Edit_Model->setText(QStringLiteral("Daisy eXpert"));
        w.BitBtn_New->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).constLast(),
                 QStringLiteral("Необходимо е да се посочи Контрагент"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 2LL);

        // The pick in mode 13 names the sealing firm.
        QVERIFY(CounterpartyPick::deliver(13, firm(4, QStringLiteral("Пломба ЕАД"))));
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("4:Пломба ЕАД"));
        w.SpinEdit_SV_N->setText(QStringLiteral("789"));
        w.BitBtn_New->click();
        QCOMPARE(w.model->rowCount(), 3);
        QCOMPARE(w.SpinEdit_SV_N->text(), QStringLiteral("1"));
        QVERIFY(w.Edit_Model->text().isEmpty());
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("4:Пломба ЕАД")); // kept for the next one
        QCOMPARE(Db::scalar(QStringLiteral("SELECT SV_ID FROM SV_BIM WHERE ID = 3")).toString(), QStringLiteral("789"));

        // "Изтрии" before any choice deletes nothing; on a certificate in use neither.
        w.BitBtn_Dell->click();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 3LL);
        choose(w, 0); // model 1, named by DT500
        w.BitBtn_Dell->click();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 3LL);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).constLast().contains(QStringLiteral("регистрирани")));
        // A reload forgets the choice.
        choose(w, 2);
        w.FormShow();
        w.BitBtn_Dell->click();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 3LL);
        choose(w, 2);
        w.BitBtn_Dell->click();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 2LL);

        // Edit: "Откажи" leaves "0" and writes nothing; "Приеми" saves the row being edited.
        choose(w, 1);
        w.BitBtn_Edit->click();
        QCOMPARE(w.mode(), 1);
        QCOMPARE(w.BitBtn_New->text(), QStringLiteral("Приеми"));
        QCOMPARE(w.BitBtn_Dell->text(), QStringLiteral("Откажи"));
        QVERIFY(!w.BitBtn_Edit->isEnabled());
        QCOMPARE(w.Edit_Model->text(), QStringLiteral("Tremol S21"));
        QCOMPARE(w.DateTimePicker1->date(), QDate(2021, 3, 4));
        w.BitBtn_Dell->click();
        QCOMPARE(w.SpinEdit_SV_N->text(), QStringLiteral("0"));
        QCOMPARE(w.mode(), 0);
        QVERIFY(w.BitBtn_Edit->isEnabled());
        choose(w, 1);
        w.DBGrid1DblClick();
        w.Edit_Model->setText(QStringLiteral("Tremol S25"));
        w.BitBtn_New->click();
        QCOMPARE(w.SpinEdit_SV_N->text(), QStringLiteral("1"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Model_Opis FROM SV_BIM WHERE ID = 2")).toString(),
                 QStringLiteral("Tremol S25"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Model_Opis FROM SV_BIM WHERE ID = 1")).toString(),
                 QStringLiteral("Datecs DP-25"));
    }

    void dismantlingDialog()
    {
        TestProgram program;
        TForm_Data_ToFisk_Serv d;
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("Демонтаж ФП"));
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("0.0000"));
        QCOMPARE(d.Edit_DDS_A->text(), QStringLiteral("0.0000"));
        QCOMPARE(d.Label5->text(), QStringLiteral("нула лева"));
        QCOMPARE(d.DateTimePicker_Ot->date(), QDate::currentDate());

        d.Edit_DDS_A->setText(QStringLiteral("1234.5"));
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("1234.50"));
        QCOMPARE(d.Label5->text(), Sum_To_Words(1234.5));
        d.Edit_DDS_B->setText(QStringLiteral("abc"));
        QCOMPARE(d.Edit_DDS_B->text(), QStringLiteral("0.0000"));
        d.Edit_DDS_V->setText(QStringLiteral("1,5"));
        QCOMPARE(d.Edit_DDS_V->text(), QStringLiteral("0.0000"));
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("1234.50"));
        d.Edit_DDS_G->setText(QStringLiteral("-5"));
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("1229.50"));
        d.Edit_DDS_B->setText(QStringLiteral(" 2"));
        d.Edit_DDS_V->setText(QStringLiteral("1e2"));
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("1331.50"));
        QCOMPARE(d.Label5->text(), Sum_To_Words(1331.5));

        // Every showing starts afresh; the buttons only close.
        d.BitBtn2->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        d.show();
        QCOMPARE(d.Edit_DDS_SUM->text(), QStringLiteral("0.0000"));
        QCOMPARE(d.Edit_DDS_G->text(), QStringLiteral("0.0000"));
        d.BitBtn1->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
};

VTEST(FiscalWindowsTest)
#include "test_fiscal_windows.moc"
