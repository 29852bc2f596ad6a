#include "app/mode_tab.h"
#include "common/settings.h"
#include "fiscal_fixture.h"
#include "fiscal_service/contract_mode.h"
#include "fiscal_service/contract_numbering.h"
#include "fiscal_service/fiscal_tab.h"
#include "platform/script.h"
#include "test_registry.h"
#include "test_support.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace fiscaltest;
using ContractNumbering::Rules;
using Contracts::Result;

namespace {
const QDate kDay(2024, 3, 5);

Rules rules(bool split, bool dated, bool daily, int digits = 10)
{
    Rules r;
    r.digits = digits;
    r.split = split;
    r.dated = dated;
    r.daily = daily;
    return r;
}

void setRules(bool split, bool dated, bool daily, int digits = 10)
{
    Settings::writeInteger(Keys::Tuning_15, digits);
    Settings::writeBool(Keys::Tuning_16, split);
    Settings::writeBool(Keys::Tuning_17, dated);
    Settings::writeBool(Keys::Tuning_18, daily);
}

void contract(const QString &device, const QString &prefix, const QString &serial, const QDate &from,
              const QDate &until)
{
    exec(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, EKA, Vid_Dog, Dog_Ot, Valid_Do) VALUES (?, ?, ?, '', ?, ?)"),
         {serial, prefix, device, Dates::toIso(from), Dates::toIso(until)});
}

void device(const QString &number)
{
    exec(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, Model, ID_Serv, TDD_ID, ID_Kontrag, ID_Sklad) "
                         "VALUES ((SELECT MAX(Dosie_ID) + 1 FROM Reg_EKA), ?, 1, 2, 3, 1, 10)"),
         {number});
}

// Next global serial 37; two contracts dated 05.03.2024 (serials 1 and 2).
void seedNumbering()
{
    seed(); // DT500's contracts: serials 5 and 9
    device(QStringLiteral("DT700"));
    device(QStringLiteral("DT701"));
    device(QStringLiteral("DT702"));
    contract(QStringLiteral("DT700"), {}, QStringLiteral("0000000036"), QDate(2024, 1, 1), QDate(2024, 12, 31));
    contract(QStringLiteral("DT701"), QStringLiteral("05032024"), QStringLiteral("0000000001"), kDay, kDay.addYears(1));
    contract(QStringLiteral("DT702"), QStringLiteral("05032024"), QStringLiteral("0000000002"), kDay, kDay.addYears(1));
}

Contracts::Input input(const QString &device, const QString &number, int flag = 0)
{
    Contracts::Input in;
    in.device = device;
    in.number = number;
    in.numberingDate = kDay;
    in.from = kDay;
    in.until = kDay.addYears(1);
    in.kind = QStringLiteral("Годишен");
    in.existingFlag = flag;
    return in;
}

QStringList rowsOf(const QString &device)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Prefics_ID, Dog_ID, Dog_Ot, Valid_Do, Vid_Dog FROM Dogovor "
                                                       "WHERE EKA = ? ORDER BY Valid_Do"),
                                        {device}))
        out << QStringList{r.value(0).toString(), r.value(1).toString(), r.value(2).toString(),
                           r.value(3).toString(), r.value(4).toString()}
                   .join(QLatin1Char('|'));
    return out;
}

struct Tab {
    ModeTab page{QStringLiteral("TabSheet_Fisk_Ser"), QStringLiteral("ФИСКАЛЕН СЕРВИЗ")};
    FiscalTab *t;
    ContractMode *mode;
    Tab()
    {
        t = new FiscalTab(&page);
        page.setHandler(std::unique_ptr<ModeTabHandler>(t));
        mode = ContractMode::install(t);
        page.resize(1200, 900);
        page.show();
    }
    void lookup(const QString &number)
    {
        t->Edit_ID_EKA->setText(number);
        QTest::keyClick(t->Edit_ID_EKA, Qt::Key_Return);
    }
    void enter()
    {
        QTest::mouseClick(t->SpdBtn_Dog, Qt::LeftButton);
    }
    void save() { QTest::mouseClick(t->Button_Save_Fisk, Qt::LeftButton); }
};

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.constLast();
}

QString todayPrefix()
{
    return QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
}
} // namespace

class ContractsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numbering_data()
    {
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("dated");
        QTest::addColumn<bool>("daily");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("serial");
        QTest::newRow("none") << false << false << false << "0000000037" << "" << "0000000037";
        QTest::newRow("16") << true << false << false << "0000000037" << "" << "0000000037";
        QTest::newRow("16+17") << true << true << false << "05032024--0000000037" << "05032024" << "0000000037";
        QTest::newRow("16+17+18") << true << true << true << "05032024--0000000003" << "05032024" << "0000000003";
        // The settings window's coupling: a daily counter implies the date and the split.
        QTest::newRow("18 alone") << false << false << true << "05032024--0000000003" << "05032024" << "0000000003";
    }
    void numbering()
    {
        QFETCH(bool, split);
        QFETCH(bool, dated);
        QFETCH(bool, daily);
        QFETCH(QString, number);
        TestProgram program;
        seedNumbering();
        const Rules r = rules(split, dated, daily);
        QCOMPARE(ContractNumbering::propose(r, kDay), number);
        const ContractNumbering::Split s = ContractNumbering::split(number, r);
        QTEST(s.prefix, "prefix");
        QTEST(s.serial, "serial");
        // Stored as the split says; the view shows the number without "--".
        QCOMPARE(Contracts::save(input(QStringLiteral("DT600"), number), r), Result::Saved);
        QCOMPARE(rowsOf(QStringLiteral("DT600")).value(0).section(QLatin1Char('|'), 0, 1),
                 s.prefix + QLatin1Char('|') + s.serial);
    }

    void counters()
    {
        TestProgram program;
        seedNumbering();
        QCOMPARE(ContractNumbering::datePrefix(QDate(2024, 11, 5)), QStringLiteral("05112024--"));
        QCOMPARE(ContractNumbering::datePrefix(QDate(2024, 12, 25)), QStringLiteral("25122024--"));
        QCOMPARE(ContractNumbering::dailyCounter(kDay), 3);
        QCOMPARE(ContractNumbering::dailyCounter(kDay.addDays(1)), 1); // a day without contracts
        QCOMPARE(ContractNumbering::propose(rules(true, true, true), kDay.addDays(1)),
                 QStringLiteral("06032024--0000000001"));
        QCOMPARE(ContractNumbering::serialText(1234, 3), QStringLiteral("1234")); // kept whole
        QCOMPARE(ContractNumbering::serialText(7, 3), QStringLiteral("007"));
        // Serials compare as numbers: "999" is not above "1234".
        exec(QStringLiteral("DELETE FROM Dogovor"));
        QCOMPARE(ContractNumbering::nextSerial(), 1);
        contract(QStringLiteral("DT700"), {}, QStringLiteral("999"), kDay, kDay.addYears(1));
        contract(QStringLiteral("DT701"), {}, QStringLiteral("1234"), kDay, kDay.addYears(1));
        QCOMPARE(ContractNumbering::propose(rules(false, false, false, 3), kDay), QStringLiteral("1235"));
        QCOMPARE(ContractNumbering::dailyCounter(kDay), 1235);
        // The split takes a prefix only from 8 digits and "--".
        const Rules r = rules(true, false, false);
        QCOMPARE(ContractNumbering::split(QStringLiteral("050320240000000037"), r).serial,
                 QStringLiteral("050320240000000037"));
        QCOMPARE(ContractNumbering::split(QStringLiteral("0503x024--0001"), r).prefix, QString());
        QCOMPARE(ContractNumbering::split(QStringLiteral("05032024--0001"), rules(false, false, false)).prefix,
                 QString());
    }

    void dailySerialsRepeatAcrossDays()
    {
        TestProgram program;
        seed();
        exec(QStringLiteral("DELETE FROM Dogovor"));
        device(QStringLiteral("DT700"));
        const Rules r = rules(true, true, true);
        for (const auto &[dev, day] : {std::pair{QStringLiteral("DT600"), kDay},
                                       std::pair{QStringLiteral("DT700"), kDay.addDays(1)}}) {
            Contracts::Input in = input(dev, ContractNumbering::propose(r, day));
            in.proposed = in.number;
            in.numberingDate = in.from = day;
            ContractNumbering::Split stored;
            QCOMPARE(Contracts::save(in, r, &stored), Result::Saved);
            QCOMPARE(stored.serial, QStringLiteral("0000000001"));
            QCOMPARE(stored.prefix, day.toString(QStringLiteral("ddMMyyyy")));
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("untilOffset");
        QTest::addColumn<int>("result");
        QTest::newRow("letters") << "12a" << 365 << int(Result::BadNumber);
        QTest::newRow("empty") << "" << 365 << int(Result::BadNumber);
        QTest::newRow("prefix only") << "05032024--" << 365 << int(Result::BadNumber);
        QTest::newRow("another device's") << "05032024--0000000002" << 365 << int(Result::NumberTaken);
        QTest::newRow("another device's, typed whole") << "050320240000000002" << 365 << int(Result::NumberTaken);
        QTest::newRow("until = from") << "0000000099" << 0 << int(Result::BadDates);
        QTest::newRow("until before from") << "0000000099" << -1 << int(Result::BadDates);
        QTest::newRow("own number again") << "05030000000009" << 365 << int(Result::Saved);
    }
    void refusals()
    {
        QFETCH(QString, number);
        QFETCH(int, untilOffset);
        QFETCH(int, result);
        TestProgram program;
        seedNumbering();
        const QStringList before = rowsOf(QStringLiteral("DT500"));
        Contracts::Input in = input(QStringLiteral("DT500"), number, 1);
        in.until = in.from.addDays(untilOffset);
        QCOMPARE(int(Contracts::save(in, rules(true, true, false))), result);
        if (result != int(Result::Saved))
            QCOMPARE(rowsOf(QStringLiteral("DT500")), before);
        QVERIFY(!Contracts::message(Result(result)).isEmpty() || result == int(Result::Saved));
    }

    // A number is taken when another device's contract has its prefix and a
    // serial of the same value, in whatever width it was written.
    void serialTakenInAnyWidth_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("result");
        QTest::newRow("serial 0, one digit") << "07122026--0" << int(Result::NumberTaken);
        QTest::newRow("serial 0, six digits") << "07122026--000000" << int(Result::NumberTaken);
        QTest::newRow("serial 0, twelve digits") << "07122026--000000000000" << int(Result::NumberTaken);
        QTest::newRow("serial 0, shown whole") << "07122026000000" << int(Result::NumberTaken);
        QTest::newRow("serial 2, short") << "07122026--2" << int(Result::NumberTaken);
        QTest::newRow("serial 2, padded") << "07122026--0000000002" << int(Result::NumberTaken);
        QTest::newRow("no prefix, other width") << "36" << int(Result::NumberTaken);
        QTest::newRow("serial 20 is another") << "07122026--20" << int(Result::Saved);
        QTest::newRow("serial 0 of another day") << "08122026--0" << int(Result::Saved);
        QTest::newRow("prefix of the day, no prefix") << "0" << int(Result::Saved);
    }
    void serialTakenInAnyWidth()
    {
        QFETCH(QString, number);
        QFETCH(int, result);
        TestProgram program;
        seed();
        for (const char *d : {"DT700", "DT701", "DT702"})
            device(QString::fromLatin1(d));
        const QDate day(2026, 12, 7);
        contract(QStringLiteral("DT700"), QStringLiteral("07122026"), QStringLiteral("000000"), day, day.addYears(1));
        contract(QStringLiteral("DT701"), QStringLiteral("07122026"), QStringLiteral("0000000002"), day, day.addYears(1));
        contract(QStringLiteral("DT702"), {}, QStringLiteral("0000000036"), day, day.addYears(1));
        Contracts::Input in = input(QStringLiteral("DT600"), number);
        QCOMPARE(int(Contracts::save(in, rules(true, true, true))), result);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Dogovor WHERE EKA = 'DT600'")),
                 result == int(Result::Saved) ? 1LL : 0LL);
        if (result == int(Result::NumberTaken))
            QCOMPARE(Contracts::message(Result::NumberTaken), QStringLiteral("Номерът на договора е зает"));
    }

    void savesOnTheDeviceAndNumbersAfresh()
    {
        TestProgram program;
        seedNumbering();
        const Rules r = rules(true, true, false);
        // A valid contract shown and saved unchanged keeps its stored split.
        Contracts::Stored shown;
        shown.exists = true;
        shown.prefix = QStringLiteral("05032024");
        shown.serial = QStringLiteral("0000000037");
        exec(QStringLiteral("UPDATE Dogovor SET Prefics_ID = ?, Dog_ID = ? WHERE EKA = 'DT500'"),
             {shown.prefix, shown.serial});
        Contracts::Input in = input(QStringLiteral("DT500"), QStringLiteral("050320240000000037"), 1);
        in.shown = shown;
        QCOMPARE(Contracts::save(in, r), Result::Saved);
        const QString row = QStringLiteral("05032024|0000000037|2024-03-05|2025-03-05|Годишен");
        QCOMPARE(rowsOf(QStringLiteral("DT500")), (QStringList{row, row})); // every row of the device

        // A proposal kept unchanged is numbered inside the save: another
        // workstation stored 38 since it was proposed.
        in = input(QStringLiteral("DT600"), QStringLiteral("05032024--0000000038"));
        in.proposed = in.number;
        contract(QStringLiteral("DT700"), QStringLiteral("05032024"), QStringLiteral("0000000038"), kDay, kDay);
        ContractNumbering::Split stored;
        QCOMPARE(Contracts::save(in, r, &stored), Result::Saved);
        QCOMPARE(stored.serial, QStringLiteral("0000000039"));
        // The same number typed by hand is refused instead.
        in = input(QStringLiteral("DT702"), QStringLiteral("05032024--0000000039"), 1);
        QCOMPARE(Contracts::save(in, r), Result::NumberTaken);
        // Flag 1 on a device whose rows are gone still stores the contract.
        exec(QStringLiteral("DELETE FROM Dogovor WHERE EKA = 'DT702'"));
        in.number = QStringLiteral("0000000100");
        QCOMPARE(Contracts::save(in, r), Result::Saved);
        QCOMPARE(rowsOf(QStringLiteral("DT702")).size(), 1);
        // An unregistered device stores nothing.
        QCOMPARE(Contracts::save(input(QStringLiteral("NOPE"), QStringLiteral("0000000200")), r), Result::NoDevice);
        QCOMPARE(Contracts::save(input(QString(), QStringLiteral("0000000200")), r), Result::NoDevice);
    }

    void registrationPassesIntoTheContract()
    {
        TestProgram program;
        seed();
        setRules(true, true, false);
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT1"));
        t->ComboBox_Sel_Obekt->setCurrentIndex(0);
        t->ComboBox_Sel_ObektChange();
        t->listChoice(FiscalTab::PickService, QStringLiteral("2:Сервиз Фиск ООД"));
        t->listChoice(FiscalTab::PickTaxOffice, QStringLiteral("3:НАП София"));
        tab.save();
        QVERIFY(t->SpdBtn_Dog->isChecked());
        QCOMPARE(t->FiscalOperationMode, int(FiscalTab::Contract));
        QVERIFY(!t->Panel_Save->isHidden());
        for (QWidget *w : std::initializer_list<QWidget *>{t->Edit_Dog_ID, t->DateTimePicker_Dog_Ot,
                                                           t->DateTimePicker_Data_Dog, t->ComboBox_Vid_Dog,
                                                           t->SpinEdit_Period_Dog})
            QVERIFY(!w->isHidden());
        const QString proposal = todayPrefix() + QStringLiteral("--0000000010");
        QCOMPARE(t->Edit_Dog_ID->text(), proposal); // whole, though longer than typing allows
        QCOMPARE(t->DateTimePicker_Dog_Ot->date(), QDate::currentDate());
        QCOMPARE(t->DateTimePicker_Data_Dog->date(), QDate::currentDate());
        QCOMPARE(t->ExistingContractFlag, 0);

        // Valid-until on the contract date is refused; the mode stays.
        tab.save();
        QCOMPARE(lastMessage(), QStringLiteral("Датата на валидност трябва да е след датата на сключване"));
        QVERIFY(t->SpdBtn_Dog->isChecked());
        t->DateTimePicker_Data_Dog->setDate(QDate::currentDate().addYears(1));
        t->ComboBox_Vid_Dog->setEditText(QStringLiteral("Годишен"));
        tab.save();
        QVERIFY(!t->SpdBtn_Dog->isChecked());
        QVERIFY(t->Panel_Save->isHidden() && t->Edit_Dog_ID->isHidden());
        QCOMPARE(t->shownDevice(), QStringLiteral("DT1"));
        QCOMPARE(t->Label_Dog_ID->text(), todayPrefix() + QStringLiteral("0000000010"));
        QCOMPARE(t->Label_Vid_Dog->text(), QStringLiteral("Годишен"));
        QCOMPARE(t->Label_Data_Dog->text(), QDate::currentDate().addYears(1).toString(QStringLiteral("dd.MM.yyyy")));
        QCOMPARE(t->ExistingContractFlag, 0);
    }

    void validContractShownAndUpdated()
    {
        TestProgram program;
        seed();
        setRules(true, true, false);
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT500"));
        QVERIFY(t->SpdBtn_Dog->isEnabled());
        tab.enter();
        QCOMPARE(t->Edit_Dog_ID->text(), QStringLiteral("05030000000009"));
        QCOMPARE(t->ExistingContractFlag, 1);
        QCOMPARE(t->DateTimePicker_Dog_Ot->date(), QDate(2025, 1, 1));
        QCOMPARE(t->DateTimePicker_Data_Dog->date(), QDate::currentDate().addDays(30));
        QCOMPARE(t->ComboBox_Vid_Dog->currentText(), QStringLiteral("Годишен"));
        // A contract date the user picks does not renumber a valid contract.
        t->DateTimePicker_Dog_Ot->setDate(QDate(2025, 2, 1));
        QCOMPARE(t->Edit_Dog_ID->text(), QStringLiteral("05030000000009"));
        // A number typed into the device entry since changes nothing of the save.
        t->Edit_ID_EKA->setText(QStringLiteral("DT600"));
        tab.save();
        const QString row = QStringLiteral("0503|0000000009|2025-02-01|%1|Годишен").arg(day(30));
        QCOMPARE(rowsOf(QStringLiteral("DT500")), (QStringList{row, row}));
        QVERIFY(rowsOf(QStringLiteral("DT600")).isEmpty());
        QCOMPARE(t->Edit_ID_EKA->text(), QStringLiteral("DT500"));
        QCOMPARE(t->Label_Dog_ID->text(), QStringLiteral("05030000000009"));
        // Cancel writes nothing.
        tab.enter();
        t->Edit_Dog_ID->setText(QStringLiteral("0000000555"));
        QTest::mouseClick(t->Button_Cancel_Fisk, Qt::LeftButton);
        QVERIFY(!t->SpdBtn_Dog->isChecked() && t->Edit_Dog_ID->isHidden());
        QCOMPARE(rowsOf(QStringLiteral("DT500")), (QStringList{row, row}));
    }

    void renewalProposesWithTodaysDates()
    {
        TestProgram program;
        seed();
        setRules(true, true, true);
        exec(QStringLiteral("UPDATE Dogovor SET Valid_Do = ?, Dog_Ot = '2023-01-01' WHERE EKA = 'DT500'"), {day(-1)});
        Tab tab;
        FiscalTab *t = tab.t;
        tab.lookup(QStringLiteral("DT500"));
        QCOMPARE(t->ExistingContractFlag, 1);
        tab.enter();
        QCOMPARE(t->Edit_Dog_ID->text(), todayPrefix() + QStringLiteral("--0000000001"));
        QCOMPARE(t->DateTimePicker_Dog_Ot->date(), QDate::currentDate());
        QCOMPARE(t->DateTimePicker_Data_Dog->date(), QDate::currentDate());
        // The user's contract date renumbers for that day.
        exec(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, EKA, Dog_Ot, Valid_Do) VALUES "
                            "('0000000004', '05032024', 'DT600', '2024-03-05', '2025-03-05')"));
        t->DateTimePicker_Dog_Ot->setDate(kDay);
        QCOMPARE(t->Edit_Dog_ID->text(), QStringLiteral("05032024--0000000005"));
        t->DateTimePicker_Data_Dog->setDate(kDay.addYears(3));
        // A refused number keeps the mode and what was typed.
        t->Edit_Dog_ID->setText(QStringLiteral("05032024--0000000004"));
        tab.save();
        QCOMPARE(lastMessage(), QStringLiteral("Номерът на договора е зает"));
        QCOMPARE(t->Edit_Dog_ID->text(), QStringLiteral("05032024--0000000004"));
        t->Edit_Dog_ID->setText(QStringLiteral("12a"));
        tab.save();
        QCOMPARE(lastMessage(), QStringLiteral("Невалиден номер на договор"));
        t->Edit_Dog_ID->setText(QStringLiteral("05032024--0000000005"));
        tab.save();
        QCOMPARE(rowsOf(QStringLiteral("DT500")).size(), 2);
        QCOMPARE(rowsOf(QStringLiteral("DT500")).first().left(20), QStringLiteral("05032024|0000000005|"));
        QCOMPARE(t->ExistingContractFlag, 0); // valid again
    }
};

VTEST(ContractsTest)
#include "test_contracts.moc"
