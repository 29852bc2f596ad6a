#include "app/mode_tab.h"
#include "fiscal_fixture.h"
#include "fiscal_tab_fixture.h"
#include "fiscal_service/fiscal_tab.h"
#include "fiscal_service/form_data_tofisk_serv.h"
#include "platform/db/list_model.h"
#include "platform/printer_check_list.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace fiscaltest;

namespace {
// Types text as key presses (QTest's key clicks take only Latin-1).
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.constLast();
}

// The registration editors filled as an operator would: owner's site, service centre and tax office.
void completeRegistration(FiscalTab *t)
{
    t->ComboBox_Sel_Obekt->setCurrentIndex(0);
    t->ComboBox_Sel_ObektChange();
    t->listChoice(FiscalTab::PickService, QStringLiteral("2:Сервиз Фиск ООД"));
    t->listChoice(FiscalTab::PickTaxOffice, QStringLiteral("3:НАП София"));
}
} // namespace

class FiscalTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsAtStart()
    {
        TestProgram program;
        Tab tab;
        FiscalTab *t = tab.t;
        for (const char *name : {"Edit_ID_EKA", "DBGrid2", "Panel_Save", "ListBox_Kontrag_Fisk", "Edit_Dog_ID",
                                 "SpinEdit_Period_Dog", "Button7", "Button9", "Panel26", "ChkListBox_Pokaj_Dokum_FC",
                                 "CheckListBox_Printers_FC", "SpdBtn_Pokaji_Dokuments_FC", "Edit_Plomb_Ot"})
            QVERIFY2(tab.page.findChild<QWidget *>(QString::fromLatin1(name)), name);
        QCOMPARE(tab.label("Label_Dog_ID"), QStringLiteral("0000000000"));
        QCOMPARE(tab.label("Label_SV_Data"), QStringLiteral("/  дата : "));
        QCOMPARE(tab.label("Label_Kontrag_Kol_EKA"), QStringLiteral("Не е посочено"));
        QVERIFY(t->Panel_Save->isHidden());
        QVERIFY(t->Panel26->isHidden());
        QVERIFY(t->Edit_Dog_ID->isHidden() && t->ComboBox_Vid_Dog->isHidden() && t->Edit_MFP->isHidden());
        QVERIFY(t->SpdBtn_Reg->isEnabled());
        for (QToolButton *b : {t->SpdBtn_Dog, t->SpdBtn_Demontaj, t->SpdBtn_Uved, t->SpdBtn_Change_Data})
            QVERIFY(!b->isEnabled());
        QVERIFY(!t->Button_Izt_Dog->isEnabled() && !t->Button_Remont->isEnabled());
        QCOMPARE(t->Button_Izt_Dog->text(), QStringLiteral("Изтекли договори"));
        QCOMPARE(t->Button_Remont->text(), QStringLiteral("Извършен ремонт"));
        QCOMPARE(t->Button7->text(), QStringLiteral("ФАЙЛ ТДД"));
        // The entry forces upper case; activating the tab clears it.
        QTest::keyClicks(t->Edit_ID_EKA, QStringLiteral("dt5"));
        QCOMPARE(t->Edit_ID_EKA->text(), QStringLiteral("DT5"));
        tab.page.tabActivated();
        QVERIFY(t->Edit_ID_EKA->text().isEmpty());
    }

    void foundDeviceView()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("dt500"));
        const QList<std::pair<const char *, QString>> expected = {
            {"Label_MFP_N", "FM500"}, {"Label_Opis", "Datecs DP-25"}, {"Label_Data_Fisk", "06.05.2025"},
            {"Label_Time_Fisk", "11:12:13"}, {"Label_SV_N", "123"}, {"Label_SV_Data", " / дата: 02.01.2020"},
            {"Label_Serviz_Ime", "Сервиз Фиск ООД"}, {"Label_Servis_Adres", "ул. Сервизна 2"},
            {"Label_Grad_Ser", "Пловдив"}, {"Label_Tel_Serv", "032 222"}, {"Label_Dosie_ID", "7"},
            {"Label_Plomb_Ot", "Пломба ЕАД"}, {"Label_Dog_ID", "05030000000009"},
            {"Label_Data_Dog", Dates::isoToShort(day(30))}, {"Label_Vid_Dog", "Годишен"},
            {"Label_Dog_Ot", "01.01.2025"}, {"Label_Ime_TDD", "НАП София"}, {"Label_Name_Obekt", "Магазин Център"},
            {"Label_Grad_Obekt", "София"}, {"Label_Adres_Obekt", "ул. Първа 1"}, {"Label_Tel_Obekt", "0888"},
            {"Label_MOL_Obekt", "Мария"}, {"Label_Kontrag_Ime", "1:Иванов ЕООД"}, {"Label_Kontrag_EIK", "121212121"},
            {"Label_Kontrag_MOL", "Иван Иванов"}, {"Label_Kontrag_Adres", "бул. Витоша 5"},
            {"Label_Kontrag_EGN", "7501010000"}, {"Label_Grad_Kontrag", "София"},
            {"Label_Kontrag_Kol_EKA", "2"}, {"Label_Kontrag_Kol_Dog_In", "0"}, {"Label_Kontrag_Kol_Obekti", "2"}};
        for (const auto &[name, text] : expected)
            QVERIFY2(tab.label(name) == text, qPrintable(QString::fromLatin1(name) + " = " + tab.label(name)));
        QCOMPARE(t->ExistingContractFlag, 0);
        QVERIFY(!t->SpdBtn_Reg->isEnabled() && !t->SpdBtn_Reg->isChecked());
        QVERIFY(t->SpdBtn_Change_Data->isEnabled() && t->SpdBtn_Uved->isEnabled() && t->SpdBtn_Demontaj->isEnabled());
        QVERIFY(!t->SpdBtn_Dog->isEnabled()); // until the contract mode is installed
        QVERIFY(t->Panel_Save->isHidden());
        QCOMPARE(t->FiscalOperationMode, 0);

        // The owner's devices; choosing the second shows it, and the refill runs no lookup.
        QCOMPARE(t->ComboBox_All_EKA_Kontrag->count(), 2);
        QCOMPARE(t->ComboBox_All_EKA_Kontrag->currentText(), QStringLiteral("DT500"));
        QCOMPARE(t->ownerDevicesModel->rowCount(), 2);
        t->ComboBox_All_EKA_Kontrag->setCurrentIndex(1);
        emit t->ComboBox_All_EKA_Kontrag->activated(1);
        QCOMPARE(t->Edit_ID_EKA->text(), QStringLiteral("DT600"));
        QCOMPARE(tab.label("Label_MFP_N"), QStringLiteral("FM600"));
        QCOMPARE(t->ComboBox_All_EKA_Kontrag->currentText(), QStringLiteral("DT600"));
        // A device without a contract.
        QCOMPARE(tab.label("Label_Dog_ID"), QStringLiteral("0000000000"));
        QCOMPARE(tab.label("Label_Data_Dog"), QStringLiteral("Не е посочено"));
        QCOMPARE(t->ExistingContractFlag, 0);
        QCOMPARE(t->shownDevice(), QStringLiteral("DT600"));

        // A blank number does nothing.
        tab.lookup(QStringLiteral("  "));
        QCOMPARE(tab.label("Label_MFP_N"), QStringLiteral("FM600"));
        QVERIFY(t->Panel_Save->isHidden());
    }

    void contractExpiry_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("flag");
        QTest::newRow("yesterday") << -1 << 1;
        QTest::newRow("today") << 0 << 1;
        QTest::newRow("tomorrow") << 1 << 0;
    }
    void contractExpiry()
    {
        QFETCH(int, offset);
        QFETCH(int, flag);
        TestProgram program;
        seed();
        exec(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, EKA, Valid_Do) VALUES ('1', '', 'DT600', ?)"),
             {day(offset)});
        Tab tab;
        tab.lookup(QStringLiteral("DT600"));
        QCOMPARE(tab.t->ExistingContractFlag, flag);
        const QColor background = tab.t->Label_Data_Dog->palette().color(QPalette::Window);
        QCOMPARE(background == QColor(Qt::red), flag == 1);
        QCOMPARE(tab.t->Label_Data_Dog->text(), Dates::isoToShort(day(offset)));
        QCOMPARE(tab.label("Label_Kontrag_Kol_Dog_In"), QString::number(flag));
    }

    void notFoundStartsRegistrationFromTheSale()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT1"));
        QVERIFY(t->SpdBtn_Reg->isChecked());
        QCOMPARE(t->FiscalOperationMode, 1);
        QVERIFY(!t->Panel_Save->isHidden() && t->Button_Save_Fisk->isEnabled());
        QVERIFY(!t->Edit_MFP->isHidden() && !t->Edit_Kontrag->isHidden() && !t->ComboBox_Sel_Obekt->isHidden());
        QCOMPARE(t->Edit_MFP->text(), QStringLiteral("FM1")); // not the later sale of DT10
        QCOMPARE(tab.label("Label_MFP_N"), QStringLiteral("FM1"));
        QCOMPARE(t->Edit_Kontrag->text(), QStringLiteral("1:Иванов ЕООД"));
        QCOMPARE(tab.label("Label_Kontrag_MOL"), QStringLiteral("Иван Иванов"));
        QCOMPARE(t->ComboBox_Model_EKA->currentText(), QStringLiteral("1:Datecs DP-25"));
        QCOMPARE(tab.label("Label_SV_N"), QStringLiteral("123"));
        QCOMPARE(t->ComboBox_Sel_Obekt->count(), 2);
        QCOMPARE(t->ComboBox_Sel_Obekt->currentIndex(), -1);
        QCOMPARE(tab.label("Label_Kontrag_Kol_Obekti"), QStringLiteral("2"));
        QCOMPARE(tab.label("Label_Dog_ID"), QStringLiteral("0000000000"));
        QCOMPARE(tab.label("Label_Name_Obekt"), QStringLiteral("Не е посочено"));
        QCOMPARE(t->Edit_Dosie_ID->text(), QStringLiteral("9"));
        QCOMPARE(t->ExistingContractFlag, 0);
        QCOMPARE(t->ComboBox_All_EKA_Kontrag->count(), 2); // the owner's registered devices

        // The entry edited since, without Enter: the looked-up number is registered.
        completeRegistration(t);
        QCOMPARE(tab.label("Label_Name_Obekt"), QStringLiteral("10:Магазин Център"));
        QCOMPARE(tab.label("Label_Serviz_Ime"), QStringLiteral("Сервиз Фиск ООД"));
        QCOMPARE(tab.label("Label_Ime_TDD"), QStringLiteral("3:НАП София"));
        QTest::keyClicks(t->Edit_ID_EKA, QStringLiteral("X"));
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QString());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE EKA = 'DT1' AND Dosie_ID = 9 AND "
                                      "ID_Sklad = 10 AND ID_Serv = 2 AND TDD_ID = 3 AND Model = 1 AND Svid_N = '123'")),
                 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE EKA LIKE 'DT1X%'")), 0LL);
        // Without the contract mode the save ends with the lookup of the new device.
        QCOMPARE(t->Edit_ID_EKA->text(), QStringLiteral("DT1"));
        QCOMPARE(t->shownDevice(), QStringLiteral("DT1"));
        QVERIFY(!t->SpdBtn_Reg->isChecked() && !t->SpdBtn_Reg->isEnabled());
        QVERIFY(t->Panel_Save->isHidden() && t->Edit_MFP->isHidden());
        QCOMPARE(tab.label("Label_Kontrag_Kol_EKA"), QStringLiteral("3"));
        // The registration's save cannot run twice.
        t->SpdBtn_Reg->setEnabled(true);
        t->SpdBtn_Reg->click();
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QStringLiteral("Въведете номер на ЕКА и натиснете Enter"));
    }

    void registrationRefusals_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("message");
        QTest::newRow("owner") << "owner" << "Необходимо е да се посочи собственик";
        QTest::newRow("site") << "site" << "Необходимо е да се посочи обект";
        QTest::newRow("model") << "model" << "Необходимо е да се посочи модел";
        QTest::newRow("service") << "service" << "Необходимо е да се посочи сервизен център";
        QTest::newRow("tax office") << "tax" << "Необходимо е да се посочи данъчна служба";
        QTest::newRow("dossier taken") << "dossier" << "Досие N 7 е заето";
        QTest::newRow("registered meanwhile") << "number" << "Устройството вече е регистрирано";
    }
    void registrationRefusals()
    {
        QFETCH(QString, missing);
        QFETCH(QString, message);
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT1"));
        completeRegistration(t);
        if (missing == QLatin1String("owner"))
            t->Edit_Kontrag->setText(QStringLiteral("0: Няма избран потребител"));
        else if (missing == QLatin1String("site"))
            t->ComboBox_Sel_Obekt->setCurrentIndex(-1);
        else if (missing == QLatin1String("model"))
            t->ComboBox_Model_EKA->setCurrentIndex(-1);
        else if (missing == QLatin1String("service"))
            t->Edit_Services->setText(QStringLiteral("Сервиз"));
        else if (missing == QLatin1String("tax"))
            t->Edit_TDD->clear();
        else if (missing == QLatin1String("dossier"))
            t->Edit_Dosie_ID->setText(QStringLiteral("7"));
        else // another workstation registered it meanwhile
            exec(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA) VALUES (50, 'DT1')"));
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), message);
        QCOMPARE(t->FiscalOperationMode, 1);
        QVERIFY(t->SpdBtn_Reg->isChecked() && !t->Panel_Save->isHidden());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE EKA = 'DT1' AND Dosie_ID <> 50")), 0LL);
        if (missing == QLatin1String("dossier"))
            QCOMPARE(t->Edit_Dosie_ID->text(), QStringLiteral("9")); // a fresh proposal
    }

    // A new registration after another device: the service centre and tax
    // office entries keep their texts, their labels show what those texts
    // name, and the save stores exactly that; an entry naming no
    // counterparty stores none.
    void registrationAfterAnotherDeviceShowsWhatItStores()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT1"));
        completeRegistration(t);
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QString());

        tab.lookup(QStringLiteral("DT10")); // sold to firm 5, not registered
        QCOMPARE(t->FiscalOperationMode, 1);
        QCOMPARE(t->Edit_Services->text(), QStringLiteral("2:Сервиз Фиск ООД"));
        QCOMPARE(t->Edit_TDD->text(), QStringLiteral("3:НАП София"));
        QCOMPARE(tab.label("Label_Serviz_Ime"), QStringLiteral("Сервиз Фиск ООД"));
        QCOMPARE(tab.label("Label_Grad_Ser"), QStringLiteral("Пловдив"));
        QCOMPARE(tab.label("Label_Servis_Adres"), QStringLiteral("ул. Сервизна 2"));
        QCOMPARE(tab.label("Label_Tel_Serv"), QStringLiteral("032 222"));
        QCOMPARE(tab.label("Label_Ime_TDD"), QStringLiteral("3:НАП София"));
        t->ComboBox_Sel_Obekt->setCurrentIndex(0);
        t->ComboBox_Sel_ObektChange();
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QString());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE EKA = 'DT10' AND ID_Serv = 2 AND TDD_ID = 3 "
                                      "AND ID_Kontrag = 5 AND ID_Sklad = 12")),
                 1LL);

        // Entries that name no counterparty (the firm is gone, or none was named) show and store none.
        exec(QStringLiteral("DELETE FROM Firmi WHERE ID = 2"));
        t->Edit_TDD->setText(QStringLiteral("0: Няма избран потребител"));
        tab.lookup(QStringLiteral("DT1000"));
        QCOMPARE(t->Edit_Services->text(), QStringLiteral("2:Сервиз Фиск ООД"));
        for (const char *label : {"Label_Serviz_Ime", "Label_Grad_Ser", "Label_Servis_Adres", "Label_Tel_Serv",
                                  "Label_Ime_TDD"})
            QCOMPARE(tab.label(label), QStringLiteral("Не е посочено"));
        t->listChoice(FiscalTab::PickOwner, QStringLiteral("1:Иванов ЕООД"));
        t->ComboBox_Sel_Obekt->setCurrentIndex(0);
        t->ComboBox_Model_EKA->setCurrentIndex(0);
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QStringLiteral("Необходимо е да се посочи сервизен център"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA WHERE EKA = 'DT1000'")), 0LL);
    }

    void changeKeepsTheDeviceReferences()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT600"));
        t->SpdBtn_Change_Data->click();
        QCOMPARE(t->FiscalOperationMode, 3);
        QVERIFY(!t->Panel_Save->isHidden() && !t->Edit_MFP->isHidden());
        QCOMPARE(t->Edit_MFP->text(), QStringLiteral("FM600"));
        QCOMPARE(t->Edit_Dosie_ID->text(), QStringLiteral("8"));
        QCOMPARE(t->Edit_Kontrag->text(), QStringLiteral("1:Иванов ЕООД"));
        QCOMPARE(t->Edit_Services->text(), QStringLiteral("2:Сервиз Фиск ООД"));
        QCOMPARE(tab.label("Label_Serviz_Ime"), QStringLiteral("Сервиз Фиск ООД")); // prefill is no typing
        QCOMPARE(t->Edit_TDD->text(), QStringLiteral("3:НАП София"));
        QCOMPARE(t->ComboBox_Sel_Obekt->currentText(), QStringLiteral("11:Склад Изток"));
        QCOMPARE(t->ComboBox_Model_EKA->currentText(), QStringLiteral("2:Tremol S21"));
        QCOMPARE(t->DateTimePicker_Data_Fisk->date(), QDate(2025, 6, 7));
        QCOMPARE(tab.label("Label_Data_Fisk"), QStringLiteral("07.06.2025"));

        t->Edit_MFP->setText(QStringLiteral("FM601"));
        t->Edit_ID_EKA->setText(QStringLiteral("DT500")); // typed since, no Enter
        t->Button_Save_Fisk->click();
        QCOMPARE(lastMessage(), QString());
        const auto row = Db::firstRow(QStringLiteral("SELECT * FROM Reg_EKA WHERE EKA = 'DT600'"));
        QCOMPARE(row->value(QStringLiteral("MFP")).toString(), QStringLiteral("FM601"));
        QCOMPARE(row->value(QStringLiteral("ID_Serv")).toLongLong(), 2LL);
        QCOMPARE(row->value(QStringLiteral("TDD_ID")).toLongLong(), 3LL);
        QCOMPARE(row->value(QStringLiteral("ID_Sklad")).toLongLong(), 11LL);
        QCOMPARE(row->value(QStringLiteral("Model")).toLongLong(), 2LL);
        QCOMPARE(row->value(QStringLiteral("Data_Reg")).toString(), QStringLiteral("2025-06-07"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MFP FROM Reg_EKA WHERE EKA = 'DT500'")).toString(),
                 QStringLiteral("FM500"));
        QVERIFY(!t->SpdBtn_Change_Data->isChecked() && t->Panel_Save->isHidden() && t->Edit_MFP->isHidden());
        QCOMPARE(tab.label("Label_MFP_N"), QStringLiteral("FM601"));
    }

    void modeTransitions()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT500"));

        t->SpdBtn_Uved->click();
        QCOMPARE(t->FiscalOperationMode, 4);
        QVERIFY(!t->Panel_Save->isHidden() && !t->Button_Save_Fisk->isEnabled());
        t->SpdBtn_Uved->click(); // up: the mode stays
        QCOMPARE(t->FiscalOperationMode, 4);
        QVERIFY(t->Panel_Save->isHidden());

        t->SpdBtn_Uved->click();
        t->Button_Cancel_Fisk->click(); // notification's cancel leaves the mode as registration's does
        QVERIFY(!t->SpdBtn_Uved->isChecked() && t->Panel_Save->isHidden());

        t->SpdBtn_Demontaj->click();
        QCOMPARE(t->FiscalOperationMode, 2);
        QVERIFY(t->dismantlingDialog());
        QVERIFY(!t->Button_Save_Fisk->isEnabled());
        t->Button_Cancel_Fisk->click(); // raises the button only: the panel stays
        QVERIFY(!t->SpdBtn_Demontaj->isChecked() && !t->Panel_Save->isHidden());

        t->SpdBtn_Change_Data->click();
        QCOMPARE(t->FiscalOperationMode, 3);
        QVERIFY(t->Button_Save_Fisk->isEnabled() && !t->Edit_TDD->isHidden());
        t->SpdBtn_Uved->click(); // another button: the change goes up without its handler
        QVERIFY(!t->SpdBtn_Change_Data->isChecked() && t->SpdBtn_Uved->isChecked());
        QCOMPARE(t->FiscalOperationMode, 4);
        t->SpdBtn_Change_Data->click();
        QVERIFY(!t->SpdBtn_Uved->isChecked());
        // Escape is "ОТКАЗ" while the save panel shows.
        tab.page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&tab.page));
        t->Edit_ID_EKA->setFocus();
        QTest::keyClick(t->Edit_ID_EKA, Qt::Key_Escape);
        QVERIFY(!t->SpdBtn_Change_Data->isChecked() && t->Panel_Save->isHidden() && t->Edit_MFP->isHidden());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA")), 2LL);
    }

    void searchEntries()
    {
        TestProgram program;
        seed();
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT77")); // registration: the entries are shown
        t->Edit_Kontrag->clear();
        type(t->Edit_Kontrag, QStringLiteral("пЕт"));
        QCOMPARE(t->PickListPurpose(), int(FiscalTab::PickOwner));
        QVERIFY(!t->ListBox_Kontrag_Fisk->isHidden());
        QCOMPARE(t->ListBox_Kontrag_Fisk->count(), 1);
        QCOMPARE(t->ListBox_Kontrag_Fisk->parentWidget(), t->GroupBox_Owner_Main);
        QTest::keyClick(t->Edit_Kontrag, Qt::Key_Return);
        QVERIFY(t->ListBox_Kontrag_Fisk->isHidden());
        // An owner without a person still shows its own data.
        QCOMPARE(t->Edit_Kontrag->text(), QStringLiteral("5:Петров ЕТ"));
        QCOMPARE(tab.label("Label_Kontrag_Ime"), QStringLiteral("5:Петров ЕТ"));
        QCOMPARE(tab.label("Label_Kontrag_EIK"), QStringLiteral("555555555"));
        QCOMPARE(tab.label("Label_Grad_Kontrag"), QStringLiteral("Варна"));
        QCOMPARE(tab.label("Label_Kontrag_Adres"), QStringLiteral("ул. Морска 9"));
        QCOMPARE(t->ComboBox_Sel_Obekt->count(), 1);

        // Latin: every firm, in the service centre's group; Down then Enter in the list.
        QTest::keyClicks(t->Edit_Services, QStringLiteral("s"));
        QCOMPARE(t->PickListPurpose(), int(FiscalTab::PickService));
        QCOMPARE(tab.label("Label_Serviz_Ime"), QStringLiteral("s"));
        QCOMPARE(t->ListBox_Kontrag_Fisk->count(), 5);
        QCOMPARE(t->ListBox_Kontrag_Fisk->parentWidget(), t->GroupBox_Device_Main);
        QTest::keyClick(t->Edit_Services, Qt::Key_Down);
        t->ListBox_Kontrag_Fisk->setCurrentRow(1);
        QTest::keyClick(t->ListBox_Kontrag_Fisk, Qt::Key_Return);
        QCOMPARE(t->Edit_Services->text(), QStringLiteral("2:Сервиз Фиск ООД"));
        QCOMPARE(tab.label("Label_Serviz_Ime"), QStringLiteral("Сервиз Фиск ООД"));
        QCOMPARE(tab.label("Label_Tel_Serv"), QStringLiteral("032 222"));

        // "0" searches nothing; Enter with nothing found asks; "No" writes the placeholder.
        t->Edit_TDD->clear();
        QTest::keyClicks(t->Edit_TDD, QStringLiteral("0"));
        QVERIFY(t->ListBox_Kontrag_Fisk->isHidden());
        PlatformScript::answer(false);
        QTest::keyClick(t->Edit_TDD, Qt::Key_Return);
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).constLast(),
                 QStringLiteral("Няма намерени данни, отговарящи на критерия.\nЖелаете ли да въведете нов контрагент"));
        QCOMPARE(t->Edit_TDD->text(), QStringLiteral("0: Няма избран потребител"));
        QCOMPARE(tab.label("Label_Ime_TDD"), QStringLiteral("0: Няма избран потребител"));
        // "Yes" opens the counterparty register.
        int opened = 0;
        t->counterpartyOpener = [&opened](QWidget *) { ++opened; };
        PlatformScript::answer(true);
        QTest::keyClick(t->Edit_TDD, Qt::Key_Return);
        QCOMPARE(opened, 1);
        // Escape in the list hides it and goes back to the entry.
        type(t->Edit_Kontrag, QStringLiteral("И"));
        QVERIFY(!t->ListBox_Kontrag_Fisk->isHidden());
        tab.page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&tab.page));
        QTest::keyClick(t->Edit_Kontrag, Qt::Key_Down);
        QVERIFY(t->ListBox_Kontrag_Fisk->hasFocus());
        QTest::keyClick(t->ListBox_Kontrag_Fisk, Qt::Key_Escape);
        QVERIFY(t->ListBox_Kontrag_Fisk->isHidden());
        QVERIFY(t->SpdBtn_Reg->isChecked()); // the list's Escape is not the tab's cancel
    }
};

VTEST(FiscalTabTest)
#include "test_fiscal_tab.moc"
