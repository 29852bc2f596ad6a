#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "app/action_button.h"
#include "app/item_rights.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_revision.h"
#include "common/tree_file.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_klienti.h"
#include "desk/shop_desk.h"
#include "documents/form_spravka_prodajba.h"
#include "repair/form_remont.h"
#include "repair/service_tab.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "shell/main_menu.h"
#include "shell/openers.h"
#include "shell/rights.h"
#include "shell/status_widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>

using namespace shelltest;

namespace {
// Who logs in when a login window comes (the operators window asks for one).
std::shared_ptr<LoginScript> g_login;

// Windows are rejected as they come, a login is answered, and the window
// named `window` is shown and driven by `inside` first.
void through(const QString &window = {}, const std::function<void(QDialog *)> &inside = {})
{
    PlatformScript::setModalHandler([window, inside](QDialog *d) {
        if (auto *login = qobject_cast<TForm_Dostap_Operators *>(d)) {
            login->ComboBox_Operators->setCurrentIndex(login->ComboBox_Operators->findText(g_login->name));
            login->Edit_Password->setText(g_login->password);
            login->OKBtn->click();
            return login->result();
        }
        if (d->objectName() == window && inside) {
            d->show();
            inside(d);
            d->hide();
        }
        return int(QDialog::Rejected);
    });
}

// "kind:text" of every event a walk recorded.
QStringList eventsOf(const std::function<void()> &walk)
{
    PlatformScript::clearEvents();
    walk();
    QStringList seen;
    for (const PlatformScript::Event &e : PlatformScript::events())
        seen << e.kind + QLatin1Char(':') + e.text;
    PlatformScript::clearEvents();
    through();
    return seen;
}

template <class W>
std::function<void(QDialog *)> in(std::function<void(W *)> steps)
{
    return [steps](QDialog *d) { steps(qobject_cast<W *>(d)); };
}

// Roads to an item's window or action that other windows take.
struct Road {
    const char *item;
    const char *what;
    const char *reaches; // the event the road leads to when the right allows it
    std::function<void(TGeneral_Form &)> walk;
};

const QList<Road> &otherRoads()
{
    static const QList<Road> roads = {
        {"N_Dostavka", "Артикули → група → Операции над избраната група → Доставка", "modal:Form_Dostavki",
         [](TGeneral_Form &f) {
             through(QStringLiteral("Form_Artikuli"), in<TForm_Artikuli>([](TForm_Artikuli *c) {
                         c->TreeView1->setCurrentItem(c->nodeOfKey(1));
                         c->TreeView1Click();
                         c->PopupMenu_TreePopup();
                         c->N_Dostavka_Grupa->trigger();
                     }));
             Openers::open(f, QStringLiteral("N_Artikuli"));
         }},
        {"N_Artikuli", "Ревизия → Добави", "modal:Form_Artikuli",
         [](TGeneral_Form &f) {
             through(QStringLiteral("Form_Revision"),
                     in<TForm_Revision>([](TForm_Revision *w) { w->Button_Add_Art->click(); }));
             Openers::open(f, QStringLiteral("N_Revizia"));
         }},
        {"N_Artikuli", "МАГАЗИН: търсене в каталога", "modal:Form_Artikuli",
         [](TGeneral_Form &) { Q_EMIT ShopDesk::instance()->articlesRequested(); }},
        {"N_Artikuli", "СЕРВИЗ: артикул", "modal:Form_Artikuli",
         [](TGeneral_Form &) { Q_EMIT ServiceTab::instance()->articlesRequested(7); }},
        {"N_Klienti", "Артикули → Въвеждане → Контрагенти (Ctrl+K)", "modal:Form_Kontrakents",
         [](TGeneral_Form &f) {
             through(QStringLiteral("Form_Artikuli"),
                     in<TForm_Artikuli>([](TForm_Artikuli *c) { c->N_Kontragenti->trigger(); }));
             Openers::open(f, QStringLiteral("N_Artikuli"));
         }},
        {"N_Klienti", "СЕРВИЗ: клиент", "modal:Form_Kontrakents",
         [](TGeneral_Form &) { Q_EMIT ServiceTab::instance()->counterpartiesRequested(1); }},
        {"N_Klienti", "МАГАЗИН: избор на клиент", "modal:Form_Kontrakents",
         [](TGeneral_Form &) { Q_EMIT ShopDesk::instance()->counterpartiesRequested(); }},
        {"N_TO", "Контрагент → Специални отстъпки", "modal:Form_Spec_Otstapki",
         [](TGeneral_Form &f) {
             TForm_Klienti editor(&f);
             editor.Button_Sp_TOClick();
         }},
        {"N5", "МАГАЗИН: задължения", "modal:Form_Vnoski_Kredit",
         [](TGeneral_Form &) { ShopDesk::instance()->SpdBtn_ZadaljeniqClick(); }},
        {"N_Dokumentacia", "Артикули → Документация (Ctrl+Alt+D)", "modal:Form_GeneralForm_Dokumentaciq",
         [](TGeneral_Form &f) {
             through(QStringLiteral("Form_Artikuli"),
                     in<TForm_Artikuli>([](TForm_Artikuli *c) { c->N_Dokumentacia->trigger(); }));
             Openers::open(f, QStringLiteral("N_Artikuli"));
         }},
        {"N_Sastoqnie_Remont", "Ремонт → Промени статус", "modal:Form_Sastoqnie_Remont",
         [](TGeneral_Form &f) {
             TForm_Remont work(&f);
             work.Label_Status_RemontClick();
         }},
        {"N_Invalidate_Sales", "Справки → Продажби → Анулирай", "yesNo:Найстина ли желаете да анулирате избраните продажби",
         [](TGeneral_Form &f) {
             through(QStringLiteral("Form_Spravka_prodajba"),
                     in<TForm_Spravka_prodajba>([](TForm_Spravka_prodajba *report) {
                         report->Button_SearchClick();
                         report->DBGrid1->selectionModel()->select(
                             report->DBGrid1->model()->index(0, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
                         report->Button_Invalidate_SalesClick();
                     }));
             Openers::open(f, QStringLiteral("N_Spravka_Prodajba"));
         }},
    };
    return roads;
}

// A group with an article, a warehouse and a sale: what the roads above need.
void firstDayData()
{
    Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки')"));
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka) "
                               "VALUES (1, 1, 'Кафе', 2.5, 'BGN', 'бр.')"));
    TreeFile::write(ArticleGroups::treeFilePath(), {{QStringLiteral("Всички артикули"), 0}, {QStringLiteral("1:Стоки"), 0}});
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                               "Valuta, ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) "
                               "VALUES (1, 1, 'Администратор', ?, '10:00:00', 1, 2.5, 'BGN', 0, 0, '0', 'в брой', 1, 1)"),
                {QDate::currentDate().toString(Qt::ISODate)});
    AppState::instance().setActiveWarehouseText(QStringLiteral("1:Магазин"));
}
} // namespace

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

    // Each right in turn denied: its item cannot be used on any road that
    // reaches its window or its action (the menu, the buttons that share its
    // action, its shortcut, the openers that call it, other windows' buttons,
    // pickers and context menus), and the roads that are not greyed say why.
    void aDeniedRightHoldsOnEveryRoad()
    {
        TestProgram program;
        firstDayData();
        auto form = startedWindow();
        QVERIFY(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Timer2->stop();
        addOperator(QStringLiteral("Касиер"), QStringLiteral("1"));
        g_login = std::make_shared<LoginScript>();
        const auto logIn = [&form](const QString &name, const QString &password) {
            g_login->name = name;
            g_login->password = password;
            through();
            QVERIFY(form->N_dostapClick());
            form->Timer1->stop();
        };
        logIn(QStringLiteral("Администратор"), QStringLiteral("admin"));
        // What each item and each road does when the right allows it.
        QHash<QString, QStringList> does;
        for (const Opener &o : Openers::table())
            if (qstrcmp(o.item, "N_Izhod") != 0) // it would end the program
                does.insert(QString::fromLatin1(o.item),
                            eventsOf([&] { Openers::open(*form, QString::fromLatin1(o.item)); }));
        for (const Road &road : otherRoads()) {
            const QStringList events = eventsOf([&] { road.walk(*form); });
            QVERIFY2(events.contains(QString::fromUtf8(road.reaches)),
                     qPrintable(QString::fromUtf8(road.what) + QStringLiteral(": ") + events.join(QLatin1Char('|'))));
        }
        const auto deliveryLines = [] {
            return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM DostavkiTMP")).toLongLong();
        };
        const long long lines = deliveryLines();

        int walked = 0;
        for (const Opener &o : Openers::table()) {
            const QString item = QString::fromLatin1(o.item);
            const int number = form->menu().numberOf(item);
            Db::execute(QStringLiteral("UPDATE Operators SET Prava = ? WHERE Ime = ?"),
                        {QStringLiteral("%1=1,").arg(number), QStringLiteral("Касиер")});
            logIn(QStringLiteral("Касиер"), QStringLiteral("1"));
            QAction *action = form->action(item);
            QVERIFY2(!action->isEnabled(), o.item);
            const QString refusal = QStringLiteral("message:") + ItemRights::refusal(form->itemPath(item));
            QStringList seen = eventsOf([&] {
                action->trigger(); // the menu
                for (QAbstractButton *b : form->findChildren<QAbstractButton *>())
                    if (b->property(BoundItemProperty).toString() == item)
                        b->click(); // toolbar and tab buttons
                if (!action->shortcut().isEmpty())
                    QTest::keySequence(form.get(), action->shortcut());
            });
            QVERIFY2(!seen.contains(refusal), o.item); // greyed roads say nothing
            // Roads that are not greyed: the panels and other openers, which say why.
            QList<std::function<void()>> told = {[&] { QVERIFY(!form->triggerItem(item)); },
                                                 [&] { QVERIFY(!Openers::open(*form, item)); }};
            for (const Opener &other : Openers::table())
                if (other.needs && item == QLatin1String(other.needs))
                    told << [&form, &other] { QVERIFY(!Openers::open(*form, QString::fromLatin1(other.item))); };
            for (const Road &road : otherRoads())
                if (item == QLatin1String(road.item))
                    told << [&form, &road] { road.walk(*form); };
            for (const auto &walk : told) {
                const QStringList events = eventsOf(walk);
                QVERIFY2(events.contains(refusal), qPrintable(item + QStringLiteral(": ") + events.join(QLatin1Char('|'))));
                seen << events;
            }
            // Nothing the item does when allowed happened on any road.
            for (const QString &event : does.value(item))
                if (event != QLatin1String("modal:Form_Dostap_Operators"))
                    QVERIFY2(!seen.contains(event), qPrintable(item + QStringLiteral(" reached: ") + event));
            for (const Road &road : otherRoads())
                if (item == QLatin1String(road.item))
                    QVERIFY2(!seen.contains(QString::fromUtf8(road.reaches)), road.what);
            QVERIFY2(form->isVisible(), o.item);
            QCOMPARE(ArticlePickMode, -1);
            QCOMPARE(CounterpartyPickMode, -1);
            ++walked;
        }
        QCOMPARE(walked, Openers::table().size());
        // The group's articles never went into a delivery.
        QCOMPARE(deliveryLines(), lines);
        PlatformScript::setModalHandler({});
        form->Timer1->stop();
        form->hide();
    }
};
VTEST(RightsMenuTableTest)

#include "test_rights.moc"
