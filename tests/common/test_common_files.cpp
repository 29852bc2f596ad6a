#include "common/cp1251.h"
#include "common/file_names.h"
#include "common/ini_file.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "common/tree_file.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

namespace {
void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class IniAndTextFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keysAreCaseInsensitiveAndOtherLinesKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        writeBytes(path, "; comment line\n[DBVer]\nVer=22\nforeign line without key\n\n"
                         "[Other]\nx=1\n");
        IniFile ini(path);
        QCOMPARE(ini.readString(QStringLiteral("DBVEr"), QStringLiteral("ver")), QStringLiteral("22"));
        QCOMPARE(ini.readInteger(QStringLiteral("dbver"), QStringLiteral("VER"), 0), 22);
        QCOMPARE(ini.readInteger(QStringLiteral("dbver"), QStringLiteral("missing"), 7), 7);
        ini.writeString(QStringLiteral("DBVER"), QStringLiteral("VER"), QStringLiteral("23"));
        ini.writeString(QStringLiteral("dbver"), QStringLiteral("Term"), QStringLiteral("2"));
        ini.writeBool(QStringLiteral("Оператор: Иван"), QStringLiteral("Counts"), true);
        QVERIFY(ini.save());

        const QString text = QString::fromUtf8(readBytes(path));
        QVERIFY(text.startsWith(QStringLiteral("; comment line\n[DBVer]\nVer=23\n")));
        QVERIFY(text.contains(QStringLiteral("foreign line without key")));
        QVERIFY(text.contains(QStringLiteral("[Other]\nx=1\n")));
        QCOMPARE(text.count(QStringLiteral("Ver=")), 1); // replaced, not added
        IniFile again(path);
        QCOMPARE(again.readString(QStringLiteral("DBVER"), QStringLiteral("term")), QStringLiteral("2"));
        QCOMPARE(again.readBool(QStringLiteral("оператор: иван"), QStringLiteral("counts")), true);
    }

    void manyKeysAtOnceAsOneByOne()
    {
        QTemporaryDir dir;
        const QByteArray start = "[A]\nk=1\nK2=2\n\n\n[B]\nx=1\n[a]\nk=shadowed\nk3=3\n";
        const QList<std::pair<QString, QString>> values{
            {QStringLiteral("K"), QStringLiteral("one")}, {QStringLiteral("new"), QStringLiteral("n\nn")},
            {QStringLiteral("k3"), QStringLiteral("three")}, {QStringLiteral("NEW"), QStringLiteral("again")}};
        for (const QString &section : {QStringLiteral("a"), QStringLiteral("C")}) {
            writeBytes(dir.filePath(QStringLiteral("one.ini")), start);
            writeBytes(dir.filePath(QStringLiteral("many.ini")), start);
            IniFile one(dir.filePath(QStringLiteral("one.ini")));
            for (const auto &[key, value] : values)
                one.writeString(section, key, value);
            IniFile many(dir.filePath(QStringLiteral("many.ini")));
            many.writeStrings(section, values);
            QVERIFY(one.save() && many.save());
            QCOMPARE(readBytes(dir.filePath(QStringLiteral("many.ini"))), readBytes(dir.filePath(QStringLiteral("one.ini"))));
        }
        const QByteArray written = readBytes(dir.filePath(QStringLiteral("many.ini")));
        QVERIFY(written.startsWith("[A]\nk=1\nK2=2\n\n\n[B]"));
        QVERIFY(written.endsWith("\n[C]\nK=one\nnew=again\nk3=three\n"));
        IniFile ini(dir.filePath(QStringLiteral("many.ini")));
        using Values = QList<std::pair<QString, QString>>;
        QCOMPARE(ini.sectionValues(QStringLiteral("A")),
                 (Values{{QStringLiteral("k"), QStringLiteral("1")}, {QStringLiteral("K2"), QStringLiteral("2")},
                         {QStringLiteral("k3"), QStringLiteral("3")}}));
    }

    void valuesOfTheWrongFormGiveTheDefault()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        writeBytes(path, "[Tuning]\n13=abc\n20=1\n21=true\n[Values]\n9=x\n");
        IniFile ini(path);
        QCOMPARE(ini.readBool(QStringLiteral("Tuning"), QStringLiteral("13"), false), false);
        QCOMPARE(ini.readBool(QStringLiteral("Tuning"), QStringLiteral("20"), false), true);
        QCOMPARE(ini.readBool(QStringLiteral("Tuning"), QStringLiteral("21"), false), true);
        QCOMPARE(ini.readInteger(QStringLiteral("Values"), QStringLiteral("9"), 2), 2);
    }

    void codePage1251FileIsRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.ini"));
        writeBytes(path, Cp1251::encode(QStringLiteral("[Firm_Data]\r\nName=Фирма ООД\r\n")));
        IniFile ini(path);
        QCOMPARE(ini.readString(QStringLiteral("firm_data"), QStringLiteral("name")),
                 QStringLiteral("Фирма ООД"));
        QVERIFY(ini.save());
        QCOMPARE(QString::fromUtf8(readBytes(path)), QStringLiteral("[Firm_Data]\nName=Фирма ООД\n"));
    }

    void failedWriteLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        writeBytes(path, "[A]\nk=old\n");
        IniFile ini(path);
        ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QString(20000, QLatin1Char('x')));
        // A file-size limit makes the write fail whatever rights the test runs with.
        signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool saved = ini.save(&error);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(path), QByteArray("[A]\nk=old\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.ini")});
    }

    // A writer killed before its rename leaves its temporary file: the next
    // write of that file removes what such writers left before this run
    // began, and nothing else.
    void killedWritersLeftoversGoAtTheNextWrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Opis.pdt"));
        writeBytes(path, "old");
        const QDateTime before = QDateTime::currentDateTimeUtc().addDays(-1);
        struct Case {
            const char *name;
            bool old;
            bool removed;
        };
        const Case cases[] = {
            {"Opis.pdt.~k3j9x2a", true, true},      // a killed writer's, before this run
            {"Opis.pdt.~q81zz0c", false, false},    // a writer of this run may be at work
            {"Opis.pdt.bak", true, false},          // not a temporary name of ours
            {"Opis.pdt.~", true, false},            // no random part
            {"Opis_Kontrag.pdt.~k3j9x2a", true, false}, // another file's: its own write removes it
        };
        for (const Case &c : cases) {
            const QString file = dir.filePath(QString::fromLatin1(c.name));
            writeBytes(file, "partial");
            if (c.old) {
                QFile f(file);
                QVERIFY(f.open(QIODevice::ReadWrite));
                QVERIFY(f.setFileTime(before, QFileDevice::FileModificationTime));
            }
        }
        QVERIFY(TextFile::writeAtomic(path, "new"));
        QCOMPARE(readBytes(path), QByteArray("new"));
        for (const Case &c : cases)
            QVERIFY2(QFile::exists(dir.filePath(QString::fromLatin1(c.name))) != c.removed, c.name);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1 + 4); // no temporary file of this write
    }

    void unreadableFileIsNeverSavedOver()
    {
        QTemporaryDir dir;
        // A name that exists but cannot be read as a file, whatever rights the
        // test runs with: a link to a folder (a save would replace the link).
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(target));
        const QString path = dir.filePath(QStringLiteral("Firm_Data.ini"));
        QVERIFY(QFile::link(target, path));
        IniFile ini(path);
        QVERIFY(!ini.readable());
        QCOMPARE(Settings::readInteger(ini, Keys::DBVer_Term), 1); // defaults still read
        ini.writeString(QStringLiteral("DBVer"), QStringLiteral("Term"), QStringLiteral("3"));
        QString error;
        QVERIFY(!ini.save(&error));
        QVERIFY(error.contains(path));
        QVERIFY(QFileInfo(path).isSymLink());

        // A missing file is no fault: defaults, then created by the first write.
        const QString fresh = dir.filePath(QStringLiteral("new.ini"));
        IniFile created(fresh);
        QVERIFY(created.readable());
        created.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
        QVERIFY(created.save());
        QCOMPARE(readBytes(fresh), QByteArray("[A]\nk=v\n"));

        // Without root rights a file without read permission is refused as well.
        const QString locked = dir.filePath(QStringLiteral("locked.ini"));
        writeBytes(locked, "[A]\nk=1\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QFile probe(locked);
        if (!probe.open(QIODevice::ReadOnly)) {
            IniFile l(locked);
            QVERIFY(!l.readable());
            QVERIFY(!l.save());
        }
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readBytes(locked), QByteArray("[A]\nk=1\n"));
    }

    // A settings file with lines that are no settings is copied aside, byte for
    // byte, before the first save over it, and the copy named in the log; a
    // later save keeps that first copy. A file of settings alone is not copied.
    void linesThatAreNoSettingsAreKeptAsideOnce()
    {
        const struct {
            const char *name;
            QByteArray bytes;
            bool aside;
        } cases[] = {
            {"settings", "; бележка\n# друга\n[Firm_Data]\nName=Магазин\n\n[Tuning]\n20=1\n", false},
            {"code page 1251", Cp1251::encode(QStringLiteral("[Firm_Data]\r\nName=Фирма\r\n")), false},
            {"a line without a key", "[Firm_Data]\nName=Магазин\nпросто текст\n", true},
            {"an empty key", "[Firm_Data]\n=5\n", true},
            {"control characters", QByteArray("[Firm_Data]\nName=A\0B\n", 21), true},
            {"5 MB of junk", noiseBytes(5 * 1024 * 1024, 43), true},
        };
        for (const auto &c : cases) {
            TestProgram program(false);
            const QString path = Settings::filePath();
            const QString aside = path + QStringLiteral(".bad");
            writeBytes(path, c.bytes);
            QVERIFY2(Settings::writeString(Keys::Store_ActiveOper, QStringLiteral("Мария")), c.name);
            QCOMPARE(Settings::readString(Keys::Store_ActiveOper), QStringLiteral("Мария"));
            const QString log = QString::fromUtf8(readBytes(ProgramFolder::file(QStringLiteral("Exceptions.log"))));
            if (!c.aside) {
                QVERIFY2(!QFile::exists(aside), c.name);
                QVERIFY2(log.isEmpty(), c.name);
                continue;
            }
            QVERIFY2(readBytes(aside) == c.bytes, c.name);
            QVERIFY2(log.contains(aside), c.name);
            QCOMPARE(log.count(QLatin1Char('\n')), 1);
            QVERIFY(Settings::writeString(Keys::Store_ActiveOper, QStringLiteral("Иван")));
            QVERIFY2(readBytes(aside) == c.bytes, c.name);
            QCOMPARE(QString::fromUtf8(readBytes(ProgramFolder::file(QStringLiteral("Exceptions.log")))), log);
        }
    }

    void receiptFolderDefaultsToTheProgramFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Firm_Data.ini"));
        const QString home = ProgramFolder::path();
        const QString bon = ProgramFolder::file(QStringLiteral("Bon"));
        QVERIFY(!bon.startsWith(QDir::tempPath() + QStringLiteral("/ventaros")));
        const struct {
            const char *stored;
            QString expected;
        } cases[] = {
            {nullptr, bon},                 // no key
            {"C:\\Temp", bon},             // the old program's Windows default
            {"c:/fiscal", bon},
            {"D:", bon},
            {"\\\\server\\bon", bon},
            {"/srv/Kasa/Bon", QStringLiteral("/srv/Kasa/Bon")},
            {"  /srv/Бонове ", QStringLiteral("/srv/Бонове")},
        };
        for (const auto &c : cases) {
            IniFile ini(path);
            if (c.stored)
                Settings::writeString(ini, Keys::Tuning_19, QString::fromUtf8(c.stored));
            else
                ini.deleteKey(QStringLiteral("Tuning"), QStringLiteral("19"));
            QCOMPARE(Settings::receiptFolder(ini), c.expected);
        }
        QVERIFY(bon.startsWith(home));
    }

    void settingsTableGivesOneDefault()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Firm_Data.ini"));
        IniFile ini(path);
        QCOMPARE(Settings::readString(ini, Keys::DBVer_Ver), QStringLiteral("0"));
        QCOMPARE(Settings::readInteger(ini, Keys::DBVer_Term), 1);
        QCOMPARE(Settings::readBool(ini, Keys::Tuning_20), false);
        QCOMPARE(Settings::readString(ini, Keys::TIME_Last), Keys::todayText());
        QCOMPARE(Settings::operatorSection(QStringLiteral("Ана")), QStringLiteral("Оператор: Ана"));
    }

    // Read once and kept; read again whenever anyone has written the file,
    // even twice within a second with the same size.
    void settingsKeptUntilTheFileChanges()
    {
        QTemporaryDir dir;
        ProgramFolder::setPath(dir.path());
        const QString path = Settings::filePath();
        const auto writeOther = [&](const QString &value) { // the settings window, another workstation
            IniFile ini(path);
            ini.writeString(QStringLiteral("Values"), QStringLiteral("9"), value);
            QVERIFY(ini.save());
        };
        const int loads = Settings::fileLoads();
        QCOMPARE(Settings::readInteger(Keys::Values_9), 2); // no file yet: the default
        writeOther(QStringLiteral("5"));
        QCOMPARE(Settings::readInteger(Keys::Values_9), 5);
        const int afterWrite = Settings::fileLoads();
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(Settings::readInteger(Keys::Values_9), 5);
            QCOMPARE(Settings::readString(Keys::Firm_Data_DDS), QStringLiteral("20"));
        }
        QCOMPARE(Settings::fileLoads(), afterWrite);
        QVERIFY(afterWrite > loads);
        for (const char *value : {"6", "7", "8"}) { // same size, at once
            writeOther(QString::fromLatin1(value));
            QCOMPARE(Settings::readInteger(Keys::Values_9), QString::fromLatin1(value).toLongLong());
        }
        // Rewritten in place, as an editor may.
        writeBytes(path, "[Values]\n9=3\n");
        QCOMPARE(Settings::readInteger(Keys::Values_9), 3);
        QVERIFY(Settings::writeInteger(Keys::Values_9, 4));
        QCOMPARE(Settings::readInteger(Keys::Values_9), 4);
        QVERIFY(QFile::remove(path));
        QCOMPARE(Settings::readInteger(Keys::Values_9), 2);
        // Another program folder has its own file.
        QTemporaryDir other;
        ProgramFolder::setPath(other.path());
        writeOther(QStringLiteral("1"));
        QCOMPARE(Settings::readInteger(Keys::Values_9), 2);
        writeBytes(Settings::filePath(), "[Values]\n9=6\n");
        QCOMPARE(Settings::readInteger(Keys::Values_9), 6);
    }

    void cp1251RoundTrip()
    {
        const QString text = QStringLiteral("Каса1: Ёё №5 «x» €");
        const QByteArray bytes = Cp1251::encode(text);
        QCOMPARE(bytes.size(), text.size());
        QCOMPARE(uchar(bytes.at(0)), uchar(0xCA)); // К
        QCOMPARE(Cp1251::decode(bytes), text);
        QCOMPARE(Cp1251::encode(QStringLiteral("日")), QByteArray("?"));
        // UTF-8 wins when valid, 1251 otherwise
        QCOMPARE(Cp1251::decodeText(QStringLiteral("Хляб").toUtf8()), QStringLiteral("Хляб"));
        QCOMPARE(Cp1251::decodeText(Cp1251::encode(QStringLiteral("Хляб"))), QStringLiteral("Хляб"));
    }

    void treeFileRoundTripAndDepths()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Opis_Kontrag.pdt"));
        const QList<TreeFileNode> nodes = {{QStringLiteral("0:Всички контрагенти"), 0},
                                           {QStringLiteral("1:Доставчици"), 1},
                                           {QStringLiteral("3:Местни"), 2},
                                           {QStringLiteral("2:Клиенти"), 1}};
        QVERIFY(TreeFile::write(path, nodes));
        QCOMPARE(readBytes(path), QStringLiteral("0:Всички контрагенти\n\t1:Доставчици\n\t\t3:Местни\n"
                                                 "\t2:Клиенти\n")
                                      .toUtf8());
        QTreeWidget tree;
        TreeFile::loadInto(&tree, TreeFile::read(path));
        QCOMPARE(tree.topLevelItemCount(), 1);
        QCOMPARE(tree.topLevelItem(0)->childCount(), 2);
        QCOMPARE(tree.topLevelItem(0)->child(0)->child(0)->text(0), QStringLiteral("3:Местни"));
        const QList<TreeFileNode> back = TreeFile::fromTree(&tree);
        QCOMPARE(back.size(), 4);
        QCOMPARE(back[3].text, QStringLiteral("2:Клиенти"));
        QCOMPARE(back[3].depth, 1);

        // A line two levels deeper than its predecessor hangs just below it.
        writeBytes(path, "A\n\t\t\tB\n");
        TreeFile::loadInto(&tree, TreeFile::read(path));
        QCOMPARE(tree.topLevelItem(0)->child(0)->text(0), QStringLiteral("B"));
    }

    // A name from a row or an imported file stays in the folder it is joined to.
    void plainFileNames()
    {
        const QString longest = QString(125, QChar(0x0416)) + QStringLiteral("12345"); // 255 bytes
        const struct {
            QString name;
            bool plain;
        } cases[] = {
            {QStringLiteral("ToPrepare1.bon"), true},
            {QStringLiteral("Бележка за клиент.psc"), true},
            {QStringLiteral("a.b.c"), true},
            {longest, true},
            {longest + QLatin1Char('6'), false},
            {QString(), false},
            {QStringLiteral("."), false},
            {QStringLiteral(".."), false},
            {QStringLiteral("../pwned.desktop"), false},
            {QStringLiteral("a/b"), false},
            {QStringLiteral("/etc"), false},
            {QStringLiteral("a\\b"), false},
            {QStringLiteral(".hidden"), false},
            {QStringLiteral("a..b"), false},
            {QStringLiteral("tab\tin"), false},
            {QStringLiteral("line\n"), false},
            {QStringLiteral("del\x7f"), false},
            {QStringLiteral("c1\u0085"), false},
            {QStringLiteral("ls\u2028"), false},
            {QString(QChar(0xD800)), false},
        };
        for (const auto &c : cases)
            QVERIFY2(FileNames::isPlain(c.name) == c.plain, qPrintable(c.name));
        // What the program proposes from a title is always plain.
        for (const QString &title : {QStringLiteral("../x"), QStringLiteral(".hidden"), QStringLiteral("a/b\\c\nd"),
                                     QStringLiteral("..."), QString(300, QChar(0x0416)), QStringLiteral("  ")})
            QVERIFY2(FileNames::isPlain(FileNames::plainFrom(title, QStringLiteral("Документ"))), qPrintable(title));
        QCOMPARE(FileNames::plainFrom(QStringLiteral("Фактура 12/2024"), QString()), QStringLiteral("Фактура 12_2024"));
        QCOMPARE(FileNames::plainFrom(QStringLiteral(" "), QStringLiteral("Документ")), QStringLiteral("Документ"));
    }
};
VTEST(IniAndTextFiles)

#include "test_common_files.moc"
