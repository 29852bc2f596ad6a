#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/fiscal_device_types.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "platform/autostart.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/record_ops.h"
#include "shell/form_sistemni_nastr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {
void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every key the window shows, with a value other than its default.
const QList<QPair<const SettingKey *, QString>> &nonDefaults()
{
    using namespace Keys;
    static const QList<QPair<const SettingKey *, QString>> values = {
        {&Firm_Data_Name, "Фирма ООД"},   {&Firm_Data_EIK, "0831641791"},  {&Firm_Data_Mol, "Иван Петров"},
        {&Firm_Data_Adress, "София, ул. \"Бяла\" 1"}, {&Firm_Data_IBAN, "BG80BNBG96611020345678"},
        {&Firm_Data_BIC, "BNBGBGSD"},    {&Firm_Data_Bank, "БНБ"},        {&Firm_Data_Phone, "0888123456"},
        {&Firm_Data_IBAN_DDS, "BG11"},   {&Firm_Data_BIC_DDS, "BIC2"},    {&Firm_Data_Bank_DDS, "Банка 2"},
        {&Firm_Data_Phone_DDS, "02 123"}, {&Firm_Data_DDS, "9.5"}, {&Firm_Data_Phone_Ser, "0888123"},
        {&Firm_Data_Mol_Ser, "Огнян Сивков Лазов"},
        {&Tuning_1, "1"}, {&Tuning_2, "1"}, {&Tuning_3, "1"}, {&Tuning_4, "1"}, {&Tuning_5, "1"},
        {&Tuning_6, "1"}, {&Tuning_7, "1"}, {&Tuning_8, "1"}, {&Tuning_10, "1"}, {&Tuning_11, "1"},
        {&Tuning_12, "1"}, {&Tuning_13, "1"}, {&Tuning_14, "1"}, {&Tuning_15, "7"}, {&Tuning_16, "1"},
        {&Tuning_17, "1"}, {&Tuning_18, "1"}, {&Tuning_FormatDate, "ddmmyy"},
        {&Tuning_19, "/home/Shop/Бонове"}, {&Tuning_20, "1"}, {&Tuning_FB, "2"}, {&Tuning_21, "1"},
        {&Tuning_22, "3"}, {&Tuning_23, "1"}, {&Tuning_24, "15: ДАТЕКС - Фискален принтер FP 300"},
        {&Values_9, "3"}, {&Values_10, "32"}, {&Values_11, "18"}, {&DBVer_Term, "4"},
    };
    return values;
}
} // namespace

class TestSettingsWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        // The autostart entry goes to a temporary folder, never the user's.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qunsetenv("VENTAROS_HOME");
    }
    void cleanup() { QFile::remove(Autostart::entryPath()); }

    void keyTableDefaults()
    {
        TestProgram program(false);
        QCOMPARE(Settings::readString(Keys::Firm_Data_DDS), QStringLiteral("20"));
        QCOMPARE(Settings::readInteger(Keys::Values_9), 2LL);
        QCOMPARE(Settings::readInteger(Keys::Values_10), 20LL);
        QCOMPARE(Settings::readInteger(Keys::Values_11), 20LL);
        QCOMPARE(Settings::readBool(Keys::Tuning_20), false);
        QCOMPARE(Settings::readInteger(Keys::Tuning_15), 10LL);
        QCOMPARE(Settings::readString(Keys::Tuning_24), QStringLiteral("0"));
        QVERIFY(QDir::isAbsolutePath(Settings::readString(Keys::Tuning_19)));
        // one default per key: no key is tabled twice
        QSet<QString> seen;
        for (const SettingKey *k : Settings::allKeys()) {
            const QString id = QString::fromUtf8(k->section).toLower() + '/' + QString::fromUtf8(k->key).toLower();
            QVERIFY2(!seen.contains(id), qPrintable(id));
            seen.insert(id);
        }
        // names are read without regard to case
        writeFile(Settings::filePath(), QStringLiteral("[firm_data]\nNAME=АБВ\n[DBVEr]\nterm=3\n[TUNING]\n19=/Data/Bon\n"));
        QCOMPARE(Settings::readString(Keys::Firm_Data_Name), QStringLiteral("АБВ"));
        QCOMPARE(Settings::readInteger(Keys::DBVer_Term), 3LL);
        QCOMPARE(Settings::readString(Keys::Tuning_19), QStringLiteral("/Data/Bon"));
    }

    void loadWithoutFile()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        QCOMPARE(form.Edit_DDS_Percent->text(), QStringLiteral("20"));
        QCOMPARE(form.SpEdit_Zakraglenie->value(), 2);
        QCOMPARE(form.SpinEdit_Kasa_Name->value(), 20);
        QCOMPARE(form.SpinEdit_Etiket_Name->value(), 20);
        QCOMPARE(form.SpinEdit_Term_N->value(), 1);
        QCOMPARE(form.SpinEdit_Kol_Cifri->value(), 10);
        QCOMPARE(form.Edit_Path_Temp_Bon->text(), program.file(QStringLiteral("Bon")));
        QVERIFY(!form.CheckBox_Set_As_POS->isChecked());
        QVERIFY(!form.CheckBox_Start_with_Windows->isChecked());
        QCOMPARE(form.ComboBox_FB->currentIndex(), 0);
        QCOMPARE(form.ComboBox_Vid_FU->currentIndex(), 0);
        QVERIFY(!form.ComboBox_Vid_FU->isEnabled());
        QCOMPARE(form.ComboBox_FormatDate_Dogovor->currentText(), QStringLiteral("ddmmyyyy"));
        QVERIFY(!form.SpinEdit_Kasa_Name->isEnabled());
        QVERIFY(form.CheckBox_Prefix->isEnabled());
        QCOMPARE(form.ComboBox_Vid_FU->count(), 19);
        QCOMPARE(form.ComboBox_Vid_FU->itemText(18), QStringLiteral("18: ДАТЕКС - Фискален принтер FP 550F - 40"));
        QVERIFY(!QFile::exists(Settings::filePath()));
    }

    void roundTripKeepsEveryKey()
    {
        TestProgram program(false);
        IniFile ini(Settings::filePath());
        ini.writeString(QStringLiteral("Other"), QStringLiteral("Kept"), QStringLiteral("да"));
        ini.writeString(QStringLiteral("Store"), QStringLiteral("ActiveOper"), QStringLiteral("Мария"));
        for (const auto &[key, value] : nonDefaults())
            Settings::writeString(ini, *key, value);
        QVERIFY(ini.save());

        TForm_Sistemni_Nastr form;
        QVERIFY(form.CheckBox_ShutDown->isChecked());
        QCOMPARE(form.ComboBox_Vid_FU->currentIndex(), 15);
        QVERIFY(form.Button_SaveClick());

        const IniFile saved(Settings::filePath());
        for (const auto &[key, value] : nonDefaults())
            QCOMPARE(Settings::readString(saved, *key), value);
        QCOMPARE(saved.readString(QStringLiteral("Other"), QStringLiteral("Kept")), QStringLiteral("да"));
        QCOMPARE(Settings::readString(saved, Keys::Store_ActiveOper), QStringLiteral("Мария"));
        // opening and saving switched nothing on
        QVERIFY(!QFile::exists(Autostart::entryPath()));
        QVERIFY(PlatformScript::events().isEmpty());
    }

    // The service firm's telephone and responsible person typed on the
    // "Фискален сервиз" page come back after a save and reopening.
    void fiscalServicePageKeepsPhoneAndPerson()
    {
        TestProgram program(false);
        {
            TForm_Sistemni_Nastr form;
            QCOMPARE(form.Edit_Phone_Ser->text(), QString());
            QCOMPARE(form.Edit_FS_Mol->text(), QString());
            form.Edit_Phone_Ser->setText(QStringLiteral("0888123"));
            form.Edit_FS_Mol->setText(QStringLiteral("Огнян Сивков Лазов"));
            form.Edit_FS_Name->setText(QStringLiteral("не се пази"));
            QVERIFY(form.Button_SaveClick());
        }
        QCOMPARE(Settings::readString(Keys::Firm_Data_Phone_Ser), QStringLiteral("0888123"));
        QCOMPARE(Settings::readString(Keys::Firm_Data_Mol_Ser), QStringLiteral("Огнян Сивков Лазов"));
        TForm_Sistemni_Nastr again;
        QCOMPARE(again.Edit_Phone_Ser->text(), QStringLiteral("0888123"));
        QCOMPARE(again.Edit_FS_Mol->text(), QStringLiteral("Огнян Сивков Лазов"));
        QCOMPARE(again.Edit_FS_Name->text(), QString());
    }

    void loadHasNoSideEffects()
    {
        TestProgram program(false);
        IniFile ini(Settings::filePath());
        Settings::writeBool(ini, Keys::Tuning_20, true);
        Settings::writeBool(ini, Keys::Tuning_13, false);
        Settings::writeBool(ini, Keys::Tuning_18, true);
        Settings::writeBool(ini, Keys::Tuning_17, false);
        Settings::writeBool(ini, Keys::Tuning_16, false);
        QVERIFY(ini.save());

        TForm_Sistemni_Nastr form;
        form.show();
        QVERIFY(form.CheckBox_Set_As_POS->isChecked());
        QVERIFY(!form.CheckBox_ShutDown->isChecked());
        QVERIFY(!form.CheckBox_Start_with_Windows->isChecked());
        QVERIFY(form.Button_SaveClick());
        QVERIFY(!Settings::readBool(Keys::Tuning_13));
        QVERIFY(!Settings::readBool(Keys::Tuning_17));
        QVERIFY(!QFile::exists(Autostart::entryPath()));
    }

    void enabledStatesAfterLoad()
    {
        TestProgram program(false);
        IniFile ini(Settings::filePath());
        Settings::writeBool(ini, Keys::Tuning_10, true);
        Settings::writeBool(ini, Keys::Tuning_11, false);
        Settings::writeBool(ini, Keys::Tuning_17, true);
        Settings::writeBool(ini, Keys::Tuning_18, true);
        Settings::writeInteger(ini, Keys::Tuning_FB, 2);
        QVERIFY(ini.save());
        TForm_Sistemni_Nastr form;
        QVERIFY(form.SpinEdit_Kasa_Name->isEnabled());
        QVERIFY(!form.SpinEdit_Etiket_Name->isEnabled());
        QVERIFY(!form.CheckBox_Prefix->isEnabled());
        QVERIFY(!form.CheckBox_Dog_plus_Data->isEnabled());
        QVERIFY(form.ComboBox_Vid_FU->isEnabled());
    }

    void dependenciesOnClick()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        form.ChkBox_Kasa_Name->click();
        QVERIFY(form.SpinEdit_Kasa_Name->isEnabled());
        form.ChkBox_Kasa_Name->click();
        QVERIFY(!form.SpinEdit_Kasa_Name->isEnabled());
        form.ChkBox_Etiket_Name->click();
        QVERIFY(form.SpinEdit_Etiket_Name->isEnabled());

        form.CheckBox_Dog_Data_Por_N_den->click();
        QVERIFY(form.CheckBox_Dog_plus_Data->isChecked());
        QVERIFY(!form.CheckBox_Dog_plus_Data->isEnabled());
        QVERIFY(form.CheckBox_Prefix->isChecked());
        QVERIFY(!form.CheckBox_Prefix->isEnabled());
        form.CheckBox_Dog_Data_Por_N_den->click();
        QVERIFY(!form.CheckBox_Dog_plus_Data->isChecked());
        QVERIFY(form.CheckBox_Dog_plus_Data->isEnabled());
        QVERIFY(!form.CheckBox_Prefix->isChecked());
        QVERIFY(form.CheckBox_Prefix->isEnabled());

        form.ComboBox_FB->setCurrentIndex(2);
        Q_EMIT form.ComboBox_FB->activated(2);
        QVERIFY(form.ComboBox_Vid_FU->isEnabled());
        form.ComboBox_Vid_FU->setCurrentIndex(5);
        form.ComboBox_FB->setCurrentIndex(0);
        Q_EMIT form.ComboBox_FB->activated(0);
        QVERIFY(!form.ComboBox_Vid_FU->isEnabled());
        QVERIFY(form.Button_SaveClick());
        QCOMPARE(Settings::readString(Keys::Tuning_24), QStringLiteral("0: НЕ РАЗПЕЧАТВА"));
        QCOMPARE(Settings::readInteger(Keys::Tuning_FB), 0LL);
    }

    void posDeviceSwitchesAutostart()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        form.CheckBox_Set_As_POS->click();
        QVERIFY(form.CheckBox_ShutDown->isChecked());
        QVERIFY(form.CheckBox_Start_with_Windows->isChecked());
        QVERIFY(QFile::exists(Autostart::entryPath()));
        QVERIFY(Autostart::isEnabled());
        TForm_Sistemni_Nastr again; // the box shows the entry
        QVERIFY(again.CheckBox_Start_with_Windows->isChecked());
        form.CheckBox_Set_As_POS->click();
        QVERIFY(!form.CheckBox_ShutDown->isChecked());
        QVERIFY(!QFile::exists(Autostart::entryPath()));
        form.CheckBox_Start_with_Windows->click();
        QVERIFY(QFile::exists(Autostart::entryPath()));
        form.CheckBox_Start_with_Windows->click();
        QVERIFY(!QFile::exists(Autostart::entryPath()));
    }

    void deviceTextThatMatchesNoItem_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("item");
        QTest::newRow("default") << "0" << 0;
        QTest::newRow("exact") << "3: ДАТЕКС - Касов апарат MP5000" << 3;
        QTest::newRow("number only") << "7" << 7;
        QTest::newRow("renamed device") << "12: DP50 D" << 12;
        QTest::newRow("out of range") << "25: X" << 0;
        QTest::newRow("no number") << "ДАТЕКС" << 0;
    }
    void deviceTextThatMatchesNoItem()
    {
        QFETCH(QString, stored);
        QFETCH(int, item);
        TestProgram program(false);
        IniFile ini(Settings::filePath());
        Settings::writeInteger(ini, Keys::Tuning_FB, 1);
        Settings::writeString(ini, Keys::Tuning_24, stored);
        QVERIFY(ini.save());
        TForm_Sistemni_Nastr form;
        QCOMPARE(form.ComboBox_Vid_FU->currentIndex(), item);
        QVERIFY(form.Button_SaveClick());
        QCOMPARE(Settings::readString(Keys::Tuning_24), FiscalDeviceTypes::all().at(item));
    }

    void saveRefusesBadInput()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        form.Edit_Firm_Name->setText(QStringLiteral("Нова"));
        for (const char *bad : {"abc", "", "100,5", "-1", "20%"}) {
            form.Edit_DDS_Percent->setText(QString::fromUtf8(bad));
            QVERIFY(!form.Button_SaveClick());
        }
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 5);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().contains(QStringLiteral("от 0 до 100")));
        QVERIFY(!QFile::exists(Settings::filePath()));

        form.Edit_DDS_Percent->setText(QStringLiteral("20"));
        form.Edit_Path_Temp_Bon->setText(QStringLiteral("bon"));
        QVERIFY(!form.Button_SaveClick());
        QVERIFY(!QFile::exists(Settings::filePath()));

        form.Edit_Path_Temp_Bon->setText(QStringLiteral("/srv/Kasa/Bon"));
        form.Edit_DDS_Percent->setText(QStringLiteral(" 20,5 "));
        QVERIFY(form.Button_SaveClick());
        QCOMPARE(Settings::readString(Keys::Firm_Data_DDS), QStringLiteral("20.5"));
        QCOMPARE(form.Edit_DDS_Percent->text(), QStringLiteral("20.5"));
        QCOMPARE(Settings::readString(Keys::Tuning_19), QStringLiteral("/srv/Kasa/Bon"));
    }

    void vatPercentIsStoredInPlainDecimals()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        const struct {
            const char *typed;
            const char *stored; // nullptr: refused
        } cases[] = {
            {"0.00001", "0.00001"}, {"0,00001", "0.00001"}, {"100", "100"},   {"0", "0"},
            {"+7", "7"},           {"1e-5", nullptr},      {"100.0001", nullptr}, {"-0.5", nullptr},
            {"1 000", nullptr},    {"nan", nullptr},       {"inf", nullptr},
        };
        for (const auto &c : cases) {
            PlatformScript::clearEvents();
            Settings::writeString(Keys::Firm_Data_DDS, QStringLiteral("20"));
            form.Edit_DDS_Percent->setText(QString::fromUtf8(c.typed));
            QCOMPARE(form.Button_SaveClick(), c.stored != nullptr);
            QCOMPARE(Settings::readString(Keys::Firm_Data_DDS),
                     c.stored ? QString::fromUtf8(c.stored) : QStringLiteral("20"));
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), c.stored ? 0 : 1);
        }
        // Every stored form is one the VAT split accepts.
        form.Edit_DDS_Percent->setText(QStringLiteral("0.00001"));
        QVERIFY(form.Button_SaveClick());
        QCOMPARE(GET_DDS(100).VatRate, dec("0.00001"));
    }

    void oldWindowsReceiptFolderShowsTheDefault()
    {
        TestProgram program(false);
        Settings::writeString(Keys::Tuning_19, QStringLiteral("C:\\Temp"));
        TForm_Sistemni_Nastr form;
        QCOMPARE(form.Edit_Path_Temp_Bon->text(), program.file(QStringLiteral("Bon")));
    }

    void saveShowsTerminal()
    {
        TestProgram program(false);
        TForm_Sistemni_Nastr form;
        QSignalSpy spy(&AppState::instance(), &AppState::terminalChanged);
        form.SpinEdit_Term_N->setValue(6);
        QVERIFY(form.Button_SaveClick());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 6);
        QCOMPARE(AppState::instance().terminal(), 6);
        QCOMPARE(Settings::readInteger(Keys::DBVer_Term), 6LL);
    }
};
VTEST(TestSettingsWindow)

class TestSettingsAutostart : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        qunsetenv("VENTAROS_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }

    void entryLocation()
    {
        qputenv("XDG_CONFIG_HOME", "/tmp/cfg-a");
        QCOMPARE(Autostart::entryPath(), QStringLiteral("/tmp/cfg-a/autostart/ventaros.desktop"));
        qputenv("XDG_CONFIG_HOME", "relative/cfg"); // invalid: ignored
        QCOMPARE(Autostart::entryPath(), QDir::homePath() + QStringLiteral("/.config/autostart/ventaros.desktop"));
    }

    void commandStartsThisProgramFolder()
    {
        TestProgram program(false);
        QCOMPARE(Autostart::command(QStringLiteral("/opt/ventaros/ventaros")),
                 QStringLiteral("/opt/ventaros/ventaros"));
        QCOMPARE(Autostart::command(QStringLiteral("/opt/my apps/ventaros")),
                 QStringLiteral("\"/opt/my apps/ventaros\""));

        const QString home = program.file(QStringLiteral("Каса 1"));
        ProgramFolder::setPath(home);
        qputenv("VENTAROS_HOME", home.toLocal8Bit());
        QCOMPARE(Autostart::command(QStringLiteral("/opt/ventaros/ventaros")),
                 QStringLiteral("env \"VENTAROS_HOME=") + home + QStringLiteral("\" /opt/ventaros/ventaros"));

        qunsetenv("VENTAROS_HOME");
        // $, " and \ escaped inside the quotes, then the file's own escapes; % doubled
        QCOMPARE(Autostart::command(QStringLiteral("/opt/a$b\\c\"d 100%/ventaros")),
                 QStringLiteral("\"/opt/a\\\\$b\\\\\\\\c\\\\\"d 100%%/ventaros\""));
    }

    void entryWrittenAndRemoved()
    {
        TestProgram program(false);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(!Autostart::isEnabled(QStringLiteral("/opt/ventaros/ventaros")));
        QVERIFY(Autostart::enable(QStringLiteral("/opt/ventaros/ventaros")));
        const QString text = readFile(Autostart::entryPath());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        QVERIFY(text.contains(QStringLiteral("\nExec=/opt/ventaros/ventaros\n")));
        QVERIFY(Autostart::isEnabled(QStringLiteral("/opt/ventaros/ventaros")));
        QVERIFY(!Autostart::isEnabled(QStringLiteral("/opt/other/ventaros")));
        QVERIFY(Autostart::disable());
        QVERIFY(!QFile::exists(Autostart::entryPath()));
        QVERIFY(Autostart::disable()); // nothing to remove is no failure
    }
};
VTEST(TestSettingsAutostart)

#include "test_settings_window.moc"
