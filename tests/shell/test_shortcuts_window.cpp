#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "platform/exception_log.h"
#include "shell/form_fast_buttons.h"
#include "shell/operator_shortcuts.h"
#include "shell/shop_tab.h"

#include <QAction>
#include <QFile>
#include <QMap>
#include <QKeySequenceEdit>
#include <QTest>
#include <QTreeWidget>

using namespace shelltest;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// Per-operator shortcuts: the stored section and the shortcuts window.
class ShortcutsWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sectionRoundTrip()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        MainMenuActions &menu = form->menu();
        menu.action(QStringLiteral("N_Sklad"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
        menu.action(QStringLiteral("N_Klienti"))->setShortcut(QKeySequence());
        IniFile ini(Settings::filePath());
        OperatorShortcuts::save(ini, QStringLiteral("Мария"), menu);
        QVERIFY(ini.save());

        const IniFile read(Settings::filePath());
        const QString section = QStringLiteral("Оператор: Мария");
        QCOMPARE(read.readInteger(section, QStringLiteral("Counts")), menu.count());
        QCOMPARE(read.readString(section, QString::number(menu.numberOf(QStringLiteral("N_Sklad")))),
                 QStringLiteral("Ctrl+W"));
        QCOMPARE(read.readString(section, QString::number(menu.numberOf(QStringLiteral("N_Prodajba")))),
                 QStringLiteral("Ins"));
        QVERIFY(read.valueExists(section, QString::number(menu.numberOf(QStringLiteral("N_Klienti")))));
        QVERIFY(!read.valueExists(section, QStringLiteral("0")));

        menu.resetShortcuts();
        OperatorShortcuts::apply(read, QStringLiteral("Мария"), menu);
        QCOMPARE(menu.action(QStringLiteral("N_Sklad"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
        QVERIFY(menu.action(QStringLiteral("N_Klienti"))->shortcut().isEmpty());
        QCOMPARE(menu.action(QStringLiteral("N_Zada4i"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

        // A section saved with fewer items: the rest keep their design keys.
        IniFile older(Settings::filePath());
        const int klienti = menu.numberOf(QStringLiteral("N_Klienti"));
        older.writeInteger(section, QStringLiteral("Counts"), klienti);
        QVERIFY(older.save());
        OperatorShortcuts::apply(IniFile(Settings::filePath()), QStringLiteral("Мария"), menu);
        QCOMPARE(menu.action(QStringLiteral("N_Klienti"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
        QCOMPARE(menu.action(QStringLiteral("N_Prodajba"))->shortcut(), QKeySequence(Qt::Key_Insert));
    }

    void loadingNeverPutsOneKeyOnTwoItems()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        MainMenuActions &menu = form->menu();
        const int klienti = menu.numberOf(QStringLiteral("N_Klienti")); // design Ctrl+K
        const int sklad = menu.numberOf(QStringLiteral("N_Sklad"));
        const int zada4i = menu.numberOf(QStringLiteral("N_Zada4i")); // design Ctrl+Z
        QVERIFY(klienti < sklad);
        const QString section = QStringLiteral("Оператор: Мария");
        IniFile ini(Settings::filePath());
        ini.writeInteger(section, QStringLiteral("Counts"), menu.count());
        // A later item names a key an earlier item keeps by design, and two
        // stored items name one new key.
        ini.writeString(section, QString::number(sklad), QStringLiteral("Ctrl+K"));
        ini.writeString(section, QString::number(zada4i), QStringLiteral("F9"));
        ini.writeString(section, QString::number(menu.numberOf(QStringLiteral("N_Oferti"))), QStringLiteral("F9"));
        QVERIFY(ini.save());
        QFile::remove(ExceptionLog::filePath());

        OperatorShortcuts::apply(IniFile(Settings::filePath()), QStringLiteral("Мария"), menu);
        QMap<QKeySequence, QString> owners;
        for (int i = 1; i < menu.count(); ++i) {
            const QKeySequence key = menu.node(i).action->shortcut();
            if (key.isEmpty())
                continue;
            QVERIFY2(!owners.contains(key), qPrintable(key.toString() + QStringLiteral(" twice")));
            owners.insert(key, QString::fromLatin1(menu.node(i).def->name));
        }
        const int first = qMin(zada4i, menu.numberOf(QStringLiteral("N_Oferti")));
        QCOMPARE(owners.value(QKeySequence(Qt::CTRL | Qt::Key_K)), QStringLiteral("N_Klienti"));
        QVERIFY(menu.action(QStringLiteral("N_Sklad"))->shortcut().isEmpty());
        QCOMPARE(owners.value(QKeySequence(Qt::Key_F9)), QString::fromLatin1(menu.node(first).def->name));
        const QString log = QString::fromUtf8(readAll(ExceptionLog::filePath()));
        QCOMPARE(log.count(QStringLiteral("OperatorShortcuts")), 2);
        QVERIFY(log.contains(QStringLiteral("N_Sklad")));
    }

    void applyRefusesTakenKey()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        TForm_Fast_Buttons w(form.get());
        w.FormShow();
        QCOMPARE(w.TreeView_Fast_Butons->currentItem(), w.node(0));
        const int sklad = form->menu().numberOf(QStringLiteral("N_Sklad"));
        w.TreeView_Fast_Butons->setCurrentItem(w.node(form->menu().numberOf(QStringLiteral("N_Klienti"))));
        QCOMPARE(w.HotKey1->keySequence(), QKeySequence(Qt::CTRL | Qt::Key_K));

        w.TreeView_Fast_Butons->setCurrentItem(w.node(sklad));
        QVERIFY(w.HotKey1->keySequence().isEmpty());
        w.HotKey1->setKeySequence(QKeySequence(Qt::CTRL | Qt::Key_K));
        w.BitBtn_PrilogiClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().contains(QStringLiteral("\"Контрагенти...\"")));
        QVERIFY(form->action(QStringLiteral("N_Sklad"))->shortcut().isEmpty());

        w.HotKey1->setKeySequence(QKeySequence(Qt::Key_F7));
        w.BitBtn_PrilogiClick();
        QCOMPARE(form->action(QStringLiteral("N_Sklad"))->shortcut(), QKeySequence(Qt::Key_F7));
        // Giving an item its own key again is no conflict.
        w.BitBtn_PrilogiClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
    }

    void saveWritesTheCurrentOperatorsSection()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        TForm_Fast_Buttons w(form.get());
        w.FormShow();
        const int sale = form->menu().numberOf(QStringLiteral("N_Prodajba"));
        w.TreeView_Fast_Butons->setCurrentItem(w.node(sale));
        w.HotKey1->setKeySequence(QKeySequence(Qt::Key_F9));
        w.BitBtn_PrilogiClick();
        w.BitBtn_ZapisClick();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        const IniFile ini(Settings::filePath());
        QCOMPARE(ini.readString(QStringLiteral("Оператор: Администратор"), QString::number(sale)), QStringLiteral("F9"));
        ShopTab *shop = form->TabSheet_Magazin;
        QCOMPARE(shop->Button_Prodajba->text(), QStringLiteral("Продажба     F9"));
        QCOMPARE(shop->Button_Insert_in_List->text(), QStringLiteral("Добави в списък   "));

        // The next login of the same operator reads it back.
        form->action(QStringLiteral("N_Prodajba"))->setShortcut(QKeySequence());
        loginAs(QStringLiteral("Администратор"), QStringLiteral("admin"));
        QVERIFY(form->N_dostapClick());
        QCOMPARE(form->action(QStringLiteral("N_Prodajba"))->shortcut(), QKeySequence(Qt::Key_F9));
        form->Timer1->stop();
    }
};
VTEST(ShortcutsWindowTest)

#include "test_shortcuts_window.moc"
