#include "fiscal_tab_fixture.h"
#include "tax_file_fixture.h"
#include "test_registry.h"
#include "test_support.h"

#include "app/mode_tab.h"
#include "common/cp1251.h"
#include "common/dates.h"
#include "common/ini_file.h"
#include "common/settings.h"
#include "fiscal_service/fiscal_tab.h"
#include "fiscal_service/form_spr_tdd_fisk_ser.h"
#include "fiscal_service/tax_office_file.h"
#include "platform/script.h"

#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace taxfixture;

namespace {
QString pad(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList fileLines(const QByteArray &bytes)
{
    QStringList lines = Cp1251::decode(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList linesOf(const QDate &from, const QDate &to, const QString &person = {})
{
    TaxOfficeFile::Company c{QStringLiteral("123456789"), QStringLiteral("Сервиз ЕООД"), QStringLiteral("София"),
                             QString(), person};
    return TaxOfficeFile::GET_DATA_TO_SPR_TDD(c, from, to, TaxOfficeFile::registrations(from, to));
}

void answerMessage() { PlatformScript::answer(QStringLiteral("ok")); }

// The period dialog run with "ОК" for the period.
void runDialog(TForm_SPR_TDD_Fisk_Ser &d, const QDate &from, const QDate &to)
{
    d.show();
    d.DateTimePicker_Ot->setDate(from);
    d.DateTimePicker_Do->setDate(to);
    d.Button1->click();
}

const QDate kDay(2025, 5, 6);
} // namespace

class TaxOfficeFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::clearEvents(); }

    void fieldsKeepTheirWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("field");
        QTest::newRow("padded") << "abc" << 5 << "abc  ";
        QTest::newRow("cut") << "abcdef" << 3 << "abc";
        QTest::newRow("empty") << "" << 4 << "    ";
        QTest::newRow("tab") << "a\tb" << 3 << "a b";
        QTest::newRow("line break") << "x\r\ny" << 4 << "x  y";
        QTest::newRow("outside the code page") << "Müller" << 6 << "M?ller";
        QTest::newRow("outside the plane") << QString::fromUtf8("\xF0\x9F\x98\x80" "a") << 2 << "?a";
        QTest::newRow("cyrillic cut") << "Огнян" << 3 << "Огн";
    }
    void fieldsKeepTheirWidth()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, field);
        const QString got = TaxOfficeFile::field(text, width);
        QCOMPARE(got, field);
        QCOMPARE(Cp1251::encode(got).size(), width);
    }

    void countOfFourCharacters_data()
    {
        QTest::addColumn<qlonglong>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0LL << "0000";
        QTest::newRow("5") << 5LL << "0005";
        QTest::newRow("12") << 12LL << "0012";
        QTest::newRow("9999") << 9999LL << "9999";
        QTest::newRow("12345") << 12345LL << "1234";
    }
    void countOfFourCharacters()
    {
        QFETCH(qlonglong, count);
        QFETCH(QString, text);
        QCOMPARE(TaxOfficeFile::countText(count), text);
    }

    // An empty period through the tab's button: the count message, a header
    // and the trailer, from the program's own settings only.
    void emptyPeriodFromTheTab()
    {
        TestProgram program;
        IniFile own(Settings::filePath());
        Settings::writeString(own, Keys::Firm_Data_EIK, QStringLiteral("123456789"));
        Settings::writeString(own, Keys::Firm_Data_Name, QStringLiteral("Сервиз ЕООД"));
        Settings::writeString(own, Keys::Firm_Data_Adress, QStringLiteral("Пловдив, ул. Дълга 1"));
        Settings::writeString(own, Keys::Firm_Data_Phone_Ser, QStringLiteral("0888123"));
        QVERIFY(own.save());
        QVERIFY(writeFile(program.file(QStringLiteral("Data/Firm_Data.ini")),
                          "[Firm_Data]\r\nEIK=999999999\r\nName=Other\r\nAdress=Elsewhere\r\nPhone_Ser=1\r\n"));

        fiscaltest::Tab page;
        FiscalTab *tab = page.t;
        QVERIFY(tab->Button7->isEnabled());
        QList<QDate> shownDates;
        driveWindows<TForm_SPR_TDD_Fisk_Ser>([&](TForm_SPR_TDD_Fisk_Ser *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Период за който се отнася справката"));
            shownDates << d->DateTimePicker_Ot->date() << d->DateTimePicker_Do->date();
            d->DateTimePicker_Ot->setDate(QDate(2020, 1, 1));
            d->DateTimePicker_Do->setDate(QDate(2020, 1, 31));
            d->Button1->click();
        });
        tab->Button7->click();
        TForm_SPR_TDD_Fisk_Ser *dialog = tab->taxFileDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Открити са :0 записа.\nГенериране на справка!")});
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Желаете ли данните да бъдат копирани в избрана папка")});
        QVERIFY(PlatformScript::texts(QStringLiteral("chooseFolder")).isEmpty()); // "No"

        const QString header = QStringLiteral("00") + pad({}, 10) + QStringLiteral("123456789")
                               + pad(QStringLiteral("Сервиз ЕООД"), 50) + pad(QStringLiteral("Пловдив, ул. Дълга 1"), 80)
                               + pad(QStringLiteral("0888123"), 15) + pad(QStringLiteral("0888123"), 30)
                               + QStringLiteral("01.01.202031.01.20200000");
        QCOMPARE(readFile(program.file(QStringLiteral("FISKAL.SER"))),
                 Cp1251::encode(header) + "\r\n99\r\n");
        QCOMPARE(header.size(), 220);

        // Made once; the dates are today at every showing.
        tab->Button7->click();
        QCOMPARE(tab->taxFileDialog(), dialog);
        const QDate today = QDate::currentDate();
        QCOMPARE(shownDates, (QList<QDate>{today, today, today, today}));
        PlatformScript::setModalHandler({});
    }

    // One registration with every part: each line at its width and its fields in place.
    void oneRegistrationWithEveryPart()
    {
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), Dates::toIso(kDay));
        const QStringList lines = linesOf(kDay, kDay, QStringLiteral("Огнян Сивков Лазов"));
        const QList<int> widths{220, 31, 177, 142, 27, 62, 242, 18, 18, 142, 52, 33, 2};
        QCOMPARE(lines.size(), widths.size());
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(Cp1251::encode(lines[i]).size(), widths[i]);
            QCOMPARE(lines[i].left(2), i == 0 ? QStringLiteral("00")
                                              : i == 12 ? QStringLiteral("99") : QString::asprintf("%02d", i));
        }
        QVERIFY(lines[0].endsWith(QStringLiteral("06.05.202506.05.20250001")));
        QCOMPARE(lines[1], QStringLiteral("01") + pad({}, 10) + QStringLiteral("0010100100123456789"));
        // The owner's town, not the person's.
        QCOMPARE(lines[2], QStringLiteral("02") + pad(QStringLiteral("Иванов ЕООД"), 50) + pad(QStringLiteral("София"), 25)
                               + pad(QStringLiteral("бул. Витоша 5"), 50) + pad(QStringLiteral("Иван Иванов"), 50));
        QCOMPARE(lines[3].left(2 + 50 + 25).mid(52), pad(QStringLiteral("София"), 25));
        QCOMPARE(lines[4], QStringLiteral("04") + pad(QStringLiteral("НАП София"), 25));
        QCOMPARE(lines[5], QStringLiteral("05") + pad(QStringLiteral("Datecs DP-25"), 60));
        QCOMPARE(lines[6], QStringLiteral("06") + pad({}, 240));
        QCOMPARE(lines[7], QStringLiteral("0712345601.02.2020"));
        QCOMPARE(lines[8], QStringLiteral("08DT12345602123456"));
        QCOMPARE(lines[9].mid(2, 50), pad(QStringLiteral("Сервиз Фиск ООД"), 50));
        QCOMPARE(lines[9].mid(52, 25), pad(QStringLiteral("Пловдив"), 25));
        QCOMPARE(lines[10], QStringLiteral("10Огнян Сивков Лазов") + pad({}, 32));
        QCOMPARE(lines[11], QStringLiteral("1106.05.2025") + pad({}, 20) + QStringLiteral("0"));
        QCOMPARE(lines[12], QStringLiteral("99"));
        // Without the setting, line 10 is blank.
        QCOMPARE(linesOf(kDay, kDay).at(10), QStringLiteral("10") + pad({}, 50));

        // A long name is cut; a letter outside the code page and a TAB keep every width.
        const QString longName = QString(60, QChar(0x0416));
        exec(QStringLiteral("UPDATE Firmi SET Ime_Firma = ?, Adres_Firma = ? WHERE ID = 1"),
             {longName, QStringLiteral("ул.\tMüller 5")});
        const QStringList changed = linesOf(kDay, kDay);
        QCOMPARE(changed[2].mid(2, 50), longName.left(50));
        QCOMPARE(changed[2].mid(77, 50), pad(QStringLiteral("ул. M?ller 5"), 50));
        const QByteArray bytes = TaxOfficeFile::bytes(changed);
        const QList<QByteArray> raw = bytes.split('\n');
        QCOMPARE(raw.size(), widths.size() + 1); // the last line break ends the file
        for (int i = 0; i < widths.size(); ++i)
            QCOMPARE(raw[i].size(), widths[i] + 1); // the line and its CR
    }

    // The period includes both ends; rows in dossier order, each once, also
    // with two contracts or without site and tax office.
    void periodAndRows()
    {
        TestProgram program;
        firms();
        registration(9, QStringLiteral("FIRST"), QStringLiteral("2025-03-01"));
        registration(5, QStringLiteral("LAST"), QStringLiteral("2025-03-31"));
        registration(3, QStringLiteral("AFTER"), QStringLiteral("2025-04-01"));
        registration(2, QStringLiteral("BEFORE"), QStringLiteral("2025-02-28"));
        registration(6, QStringLiteral("BARE"), QStringLiteral("2025-03-15"));
        exec(QStringLiteral("UPDATE Reg_EKA SET ID_Sklad = 99, TDD_ID = 0 WHERE EKA = 'BARE'"));
        contract(QStringLiteral("LAST"), QStringLiteral("0000000001"), QStringLiteral("2025-01-01"));
        contract(QStringLiteral("LAST"), QStringLiteral("0000000002"), QStringLiteral("2026-01-01"));

        const QStringList lines = linesOf(QDate(2025, 3, 1), QDate(2025, 3, 31));
        QCOMPARE(lines.size(), 1 + 3 * 11 + 1);
        QVERIFY(lines[0].endsWith(QStringLiteral("0003")));
        QStringList devices;
        for (const QString &l : lines)
            if (l.startsWith(QStringLiteral("08")))
                devices << l.mid(2, 8).trimmed();
        QCOMPARE(devices, (QStringList{"LAST", "BARE", "FIRST"}));
        const int bare = 1 + 11; // the second row
        QCOMPARE(lines[bare + 2], QStringLiteral("03") + pad({}, 140));
        QCOMPARE(lines[bare + 3], QStringLiteral("04") + pad({}, 25));
        QCOMPARE(lines[bare + 1].mid(2, 50), pad(QStringLiteral("Иванов ЕООД"), 50));
    }

    // A reversed period is refused and writes nothing; the same period twice
    // writes the same bytes; the copy replaces the file in the chosen folder.
    void dialogWritesAndCopies()
    {
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), Dates::toIso(kDay));
        const QString path = program.file(QStringLiteral("FISKAL.SER"));
        QVERIFY(writeFile(path, "old"));
        TForm_SPR_TDD_Fisk_Ser dialog;

        runDialog(dialog, kDay.addDays(1), kDay);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{"Началната дата е след крайната"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(readFile(path), QByteArray("old"));

        PlatformScript::clearEvents();
        runDialog(dialog, kDay, kDay);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Открити са :1 записа.\nГенериране на справка!")});
        const QByteArray first = readFile(path);
        QCOMPARE(fileLines(first).size(), 13);

        QTemporaryDir target;
        QVERIFY(writeFile(QDir(target.path()).filePath(QStringLiteral("FISKAL.SER")), "an older report"));
        PlatformScript::clearEvents();
        answerMessage();
        PlatformScript::answer(true);
        PlatformScript::answer(target.path());
        runDialog(dialog, kDay, kDay);
        QCOMPARE(readFile(path), first);
        QCOMPARE(readFile(QDir(target.path()).filePath(QStringLiteral("FISKAL.SER"))), first);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Копирането завършено"));

        // A copy that cannot replace the file there says so.
        QFile::setPermissions(QDir(target.path()).filePath(QStringLiteral("FISKAL.SER")), QFile::ReadOwner);
        PlatformScript::clearEvents();
        answerMessage();
        PlatformScript::answer(true);
        PlatformScript::answer(target.path());
        runDialog(dialog, kDay, kDay);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Неуспешно копиране на файла\nФайлът е само за четене: ")
                     + QDir(target.path()).filePath(QStringLiteral("FISKAL.SER")));
    }

    // The copy is for the person who takes it to the tax office: outside the
    // program folder it is made as the user's umask gives; the program's own
    // file, and a copy inside the program folder, stay the shop's.
    void theCopyIsReadableAsTheUsersUmaskGives()
    {
        UserUmask user(022);
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), Dates::toIso(kDay));
        QTemporaryDir outside;
        const QString inside = program.file(QStringLiteral("TEMP"));
        TForm_SPR_TDD_Fisk_Ser dialog;
        for (const QString &folder : {outside.path(), inside}) {
            answerMessage();
            PlatformScript::answer(true);
            PlatformScript::answer(folder);
            runDialog(dialog, kDay, kDay);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Копирането завършено"));
        }
        QCOMPARE(fileMode(QDir(outside.path()).filePath(QStringLiteral("FISKAL.SER"))), 0644);
        QCOMPARE(fileMode(QDir(inside).filePath(QStringLiteral("FISKAL.SER"))), 0640);
        QCOMPARE(fileMode(program.file(QStringLiteral("FISKAL.SER"))), 0640);
    }

    // A failed write keeps the old file whole and offers no copy.
    void failedWriteOffersNoCopy()
    {
        TestProgram program;
        const QString path = program.file(QStringLiteral("FISKAL.SER"));
        QVERIFY(writeFile(path, "old report"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        TForm_SPR_TDD_Fisk_Ser dialog;
        answerMessage();
        PlatformScript::answer(true);
        runDialog(dialog, kDay, kDay);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Неуспешен запис на данни!\nПрепоръчва се повторно генериране на файл.\n"
                                "Файлът е само за четене: ")
                     + path);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        QCOMPARE(readFile(path), QByteArray("old report"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
};

VTEST(TaxOfficeFileTest)
#include "test_tax_office_file.moc"
