#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "catalogue/article_pick.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "shell/main_menu.h"
#include "shell/openers.h"
#include "shell/rights.h"
#include "shell/status_widgets.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>

using namespace shelltest;

// The menu table, its frozen numbering and the rights applied to it.
class RightsMenuTableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numberingIsFrozen()
    {
        // Stored rights and shortcut sections are numbered by this order.
        const QStringList frozen = {
            "N_Dejstviq", "N_Prodajba", "N_Cancel_Prodajba", "Enter1", "N_Select_All", "N_Ob6ta_TO",
            "N_Refresh", "N_Show_Gre6ni_Danni", "N_Dokumenti", "N39", "N_Kasa", "N5", "N_Otcheti",
            "N_ot4et_bez_Nula", "N_ot4et_s_Nula", "N68", "N70", "N_Select_Kontrag", "N_Select_artikuli",
            "N_dostap", "N_Izhod", "N_Nomenklaturi", "N_Artikuli", "N_Klienti", "N45", "N_Sklad", "N_TO",
            "N6", "N_Dokumentacia", "N_Dostavka", "N_Revizia", "N_Transfer", "N_Brak", "N_Projzvodstvo",
            "N_Gar_Prod", "N_Spravki", "N_Operacii", "N_Osnovni", "N_Spravka_Prodajba", "N_SprDostavka",
            "N_Pomo6ni_Spr", "N_Izgotveni_Oferti", "N_Spr_Nali4nosti_Art", "N_Spr_Izd_Dok", "N_Garanc_Prod",
            "N_Spr_Serviz", "N_Spr_Izdadeni_Ser", "N_Spr_Anulirani", "N_Spr_Invalidate_Sales", "N79",
            "N_Nastrojki", "N_Sistemni_Nastr", "N_Sistemni", "N64", "N67", "N25", "N_Valuti", "N63",
            "N_Masa_And_Places", "N_Operatori", "N34", "N_Nastr_SERVICE", "N_Sastoqnie_Remont",
            "N_Nastr_Fisk_Ser", "N_SV_BIM", "N_Pomo6ni", "N_Zaqvki_All", "N_Zada4i", "N_Oferti",
            "N_Pomo6nici", "N_SendMessage", "N_Calc", "N_Notepad", "Open_Exe", "N14", "N_Baza_Danni",
            "N_Open_DataBase", "N_Nova_Baza", "N_Update_DB", "N_Import_Danni", "N_Import_art",
            "N_Import_Kontragents", "N_Imp_Nomenkl_Kontrag", "N_Import_Garanc_Prod", "N_Pomo6t", "N_Help",
            "N_Send_Reports", "N43", "N_Anulirane", "N_Invalidate_Sales", "N_Anul_Dokument"};
        QMainWindow w;
        MainMenuActions menu;
        menu.build(&w, w.menuBar());
        QCOMPARE(menu.count(), frozen.size() + 1);
        for (int i = 1; i < menu.count(); ++i)
            QCOMPARE(QString::fromLatin1(menu.node(i).def->name), frozen.at(i - 1));
        // The tree numbering (depth first) is the table order itself.
        QStringList tableOrder;
        for (const MenuItemDef &d : MainMenu::items())
            if (!(d.flags & MenuItemDef::Separator))
                tableOrder.append(QString::fromLatin1(d.name));
        QCOMPARE(tableOrder, frozen);
        QCOMPARE(QSet<QString>(frozen.begin(), frozen.end()).size(), frozen.size());
    }

    void openersNameRealItems()
    {
        for (const Opener &o : Openers::table()) {
            QVERIFY2(!MainMenu::caption(QString::fromLatin1(o.item)).isEmpty(), o.item);
            if (o.needs)
                QVERIFY2(!MainMenu::caption(QString::fromLatin1(o.needs)).isEmpty(), o.needs);
        }
        // What another module will open stays unusable until its window exists.
        QVERIFY(!Openers::available(QStringLiteral("N_Anul_Dokument")));
        QVERIFY(Openers::available(QStringLiteral("N45")));
        QVERIFY(Openers::available(QStringLiteral("N_Artikuli")));
        // The desk's article pick waits for a receiver of its mode.
        QVERIFY(!Openers::available(QStringLiteral("N_Select_artikuli")));
        ArticlePick::registerTarget(2, [](const ArticlePick::Picked &) {});
        QVERIFY(Openers::available(QStringLiteral("N_Select_artikuli")));
        ArticlePick::unregisterTarget(2);
        QVERIFY(Openers::available(QStringLiteral("N_Valuti")));
    }

    void hiddenItemsKeepTheirActions()
    {
        QMainWindow w;
        MainMenuActions menu;
        menu.build(&w, w.menuBar());
        for (const char *name : {"N_dostap", "N_Select_Kontrag", "N_Select_artikuli", "N45", "N_Invalidate_Sales"}) {
            QAction *a = menu.action(QString::fromLatin1(name));
            QVERIFY2(a, name);
            QVERIFY2(w.actions().contains(a), name); // shortcuts work without the menu bar
            const int parent = menu.node(menu.numberOf(QString::fromLatin1(name))).parent;
            if (QMenu *m = menu.node(parent).menu)
                QVERIFY2(!m->actions().contains(a) || (menu.node(parent).def->flags & MenuItemDef::Hidden), name);
        }
        QVERIFY(!w.menuBar()->actions().contains(menu.action(QStringLiteral("N_Anulirane"))));
        QVERIFY(w.menuBar()->actions().contains(menu.action(QStringLiteral("N_Dejstviq"))));
    }

    void rightsTextEntries()
    {
        QCOMPARE(Rights::GETRIGHTS(QString()), QStringList());
        QCOMPARE(Rights::GETRIGHTS(QStringLiteral("0=0,1=1,2=0,")),
                 (QStringList{"0=0", "1=1", "2=0"}));
        // The entry after the last comma is no entry.
        QCOMPARE(Rights::GETRIGHTS(QStringLiteral("0=0,1=1,2=0")), (QStringList{"0=0", "1=1"}));
        const QStringList e = Rights::GETRIGHTS(QStringLiteral("0=0,1=1,2=x,3=7,4=0,"));
        QCOMPARE(Rights::entryState(e, 1), int(Rights::Denied));
        QCOMPARE(Rights::entryState(e, 2), int(Rights::Denied)); // damaged: denied, not opened
        QCOMPARE(Rights::entryState(e, 3), -1);                   // other numbers: design state
        QCOMPARE(Rights::entryState(e, 4), int(Rights::Allowed));
        QCOMPARE(Rights::entryState(e, 9), -1);
        QCOMPARE(Rights::rightsText({0, 1, 0}), QStringLiteral("0=0,1=1,2=0,"));
    }

    void setMenuVisibleStartsFromDesignState()
    {
        TestProgram program;
        resetProgramState();
        TGeneral_Form form;
        MainMenuActions &menu = form.menu();
        const int valuti = menu.numberOf(QStringLiteral("N_Valuti"));
        const int about = menu.numberOf(QStringLiteral("N43"));
        QVERIFY(valuti > 0 && about > valuti);

        Rights::SetMenuVisible(menu, Rights::GETRIGHTS(QStringLiteral("%1=1,%2=1,").arg(valuti).arg(about)));
        form.applyItemStates();
        QVERIFY(!form.action(QStringLiteral("N_Valuti"))->isEnabled());
        QVERIFY(!form.action(QStringLiteral("N43"))->isEnabled());

        // The next operator's rights never inherit the previous ones.
        Rights::SetMenuVisible(menu, Rights::GETRIGHTS(QString()));
        form.applyItemStates();
        QVERIFY(form.action(QStringLiteral("N_Valuti"))->isEnabled());
        QVERIFY(form.action(QStringLiteral("N43"))->isEnabled());

        // A damaged entry denies its own item only; the walk goes on.
        Rights::SetMenuVisible(menu, Rights::GETRIGHTS(QStringLiteral("%1=?,%2=1,").arg(valuti).arg(about)));
        form.applyItemStates();
        QVERIFY(!form.action(QStringLiteral("N_Valuti"))->isEnabled());
        QVERIFY(!form.action(QStringLiteral("N43"))->isEnabled());

        // An item inside a denied menu cannot be used either.
        const int settings = menu.numberOf(QStringLiteral("N_Nastrojki"));
        Rights::SetMenuVisible(menu, Rights::GETRIGHTS(QStringLiteral("%1=1,%2=0,").arg(settings).arg(valuti)));
        form.applyItemStates();
        QVERIFY(!form.action(QStringLiteral("N_Valuti"))->isEnabled());
        QVERIFY(!menu.menu(QStringLiteral("N_Nastrojki"))->menuAction()->isEnabled());

        // An item without a window stays disabled whatever the rights say.
        QVERIFY(!form.action(QStringLiteral("N_Anul_Dokument"))->isEnabled());
        // A toolbar button follows its item.
        QCOMPARE(form.SpdBtn_Dostavka->isEnabled(), form.action(QStringLiteral("N_Dostavka"))->isEnabled());
    }

    void deniedRatesReachedNowhere()
    {
        TestProgram program;
        resetProgramState();
        TGeneral_Form form;
        // Both operators put the rates window on the same key.
        loginDeniedOne(form, QStringLiteral("N_Valuti"), QStringLiteral("Ctrl+Shift+V"));

        auto reachAll = [&form] {
            form.action(QStringLiteral("N_Valuti"))->trigger();                  // menu
            form.triggerItem(QStringLiteral("N_Valuti"));                        // toolbar / panel road
            Q_EMIT form.Image_Show_Valuta_Kurs->clicked();                       // ticker click
            QTest::keyClick(&form, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier); // shortcut
        };
        reachAll();
        QCOMPARE(modalCount(QStringLiteral("Form_Valuti")), 0);
        QVERIFY(!form.action(QStringLiteral("N_Valuti"))->isEnabled());

        loginAdministrator(form);
        reachAll();
        QCOMPARE(modalCount(QStringLiteral("Form_Valuti")), 4);
        form.Timer1->stop();
        form.Timer2->stop();
    }
};
VTEST(RightsMenuTableTest)

#include "test_rights.moc"
