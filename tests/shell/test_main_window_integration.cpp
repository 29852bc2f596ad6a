#include "app/app_state.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/counterparty_pick.h"
#include "shell/messages/message_panel.h"
#include "test_main_window_support.h"
#include "test_registry.h"
#include "test_support.h"

#include <QAction>
#include <QToolButton>
#include <QTreeWidget>
#include <QTest>

// The windows of the other shell modules reached from the main window.
class MainWindowIntegration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openersOfTheShellModulesAreEnabled()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        for (const char *item : {"N_Sistemni_Nastr", "N25", "N_Help", "N_SendMessage", "N_Valuti", "N_Sklad",
                                 "N_Spr_Nali4nosti_Art", "N_Klienti", "N_Dostavka", "N_Revizia", "N_Transfer",
                                 "N_Brak", "N45"})
            QVERIFY2(form->action(QString::fromLatin1(item))->isEnabled(), item);
        // Windows of later modules stay disabled until they exist.
        QVERIFY(!form->action(QStringLiteral("N_Anul_Dokument"))->isEnabled());
        QVERIFY(form->SpdBtn_Dostavka->isEnabled());
    }

    // "Избор клиенти" picks in mode 0: enabled only while a window (the desk) receives that mode.
    void counterpartyPickItemFollowsItsReceiver()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        QAction *item = form->action(QStringLiteral("N_Select_Kontrag"));
        QVERIFY(item->isEnabled());
        CounterpartyPick::unregisterTarget(0);
        form->applyItemStates();
        QVERIFY(!item->isEnabled());
        QVERIFY(!form->triggerItem(QStringLiteral("N_Select_Kontrag")));
        CounterpartyPick::registerTarget(0, [](const CounterpartyPick::Picked &) {});
        form->applyItemStates();
        QVERIFY(item->isEnabled());
    }

    // "Артикули ..." and its toolbar button open the catalogue, browsing.
    void catalogueOpensFromMenuAndToolbar()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        QVERIFY(form->action(QStringLiteral("N_Artikuli"))->isEnabled());
        QVERIFY(form->SpdBtn_Artikuli->isEnabled());
        int shown = 0;
        bool panel = true;
        driveWindows<TForm_Artikuli>([&](TForm_Artikuli *w) {
            ++shown;
            panel = w->Panel_Izberi->isVisible();
            QCOMPARE(w->TreeView1->currentItem()->text(0), QStringLiteral("Всички артикули"));
        });
        QVERIFY(form->triggerItem(QStringLiteral("N_Artikuli")));
        PlatformScript::setModalHandler({});
        QCOMPARE(shown, 1);
        QVERIFY(!panel);
        QCOMPARE(ArticlePickMode, -1);
    }

    void messagePanelFollowsItsMenuItem()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        auto *panel = form->findChild<MessagePanel *>(QStringLiteral("Panel7"));
        QVERIFY(panel);
        QVERIFY(!panel->isOpen());
        QAction *item = form->action(QStringLiteral("N_SendMessage"));
        PlatformScript::answer(QString()); // the address prompt: none typed
        item->trigger();
        QVERIFY(panel->isOpen());
        QVERIFY(item->isChecked());
        item->trigger();
        QVERIFY(!panel->isOpen());
        QVERIFY(!item->isChecked());
    }
};
VTEST(MainWindowIntegration)

#include "test_main_window_integration.moc"
