#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_get_kol.h"
#include "catalogue/article_editor.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_brak.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_nali4nosti_artikuli.h"
#include "catalogue/form_new_artikul.h"
#include "catalogue/form_projzvodstvo.h"
#include "catalogue/form_revision.h"
#include "catalogue/form_transfer.h"
#include "common/settings.h"
#include "common/tree_file.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_klienti.h"
#include "counterparties/form_kontrakents.h"
#include "counterparties/form_kontrag_sklad.h"
#include "desk/consignment.h"
#include "desk/form_konsignation.h"
#include "desk/form_spec_otstapki.h"
#include "desk/form_spr_invalidate_sales.h"
#include "desk/form_vnoski_kredit.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/form_nastrojki.h"
#include "documents/form_spr_dostavka.h"
#include "documents/form_spr_izd_dok.h"
#include "documents/form_spravka_prodajba.h"
#include "fiscal_service/form_data_tofisk_serv.h"
#include "fiscal_service/form_sv_bim.h"
#include "offers/form_add_red_zaqvka.h"
#include "offers/form_oferti.h"
#include "offers/form_zada4i.h"
#include "offers/form_zaqvka_all.h"
#include "offers/offer_panel.h"
#include "platform/long_texts.h"
#include "repair/form_garanc_produkti.h"
#include "repair/form_garancionni_prod.h"
#include "repair/form_remont.h"
#include "repair/form_spr_izdadeni_ser.h"
#include "shell/main_menu.h"
#include "shell/openers.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace shelltest;

namespace {
int screenWidth()
{
    return QGuiApplication::primaryScreen()->availableGeometry().width();
}

// A name of 500 characters.
QString longName(const char *start)
{
    return QString(QString::fromUtf8(start) + QStringLiteral(" с много дълго име")).repeated(40).left(500);
}

// Every kind of name the windows show, each 500 characters long.
struct LongNames {
    long long counterparty = 0;
    QString article = longName("Артикул");
    QString group = longName("Група");
    QString firm = longName("Фирма");
    QString warehouse = longName("Склад");
    QString kind = longName("Вид документ");
    QString document = longName("Документ");

    LongNames()
    {
        Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, ?)"), {group});
        TreeFile::write(ArticleGroups::treeFilePath(),
                        {{QStringLiteral("Всички артикули"), 0}, {QStringLiteral("1:") + group, 0}});
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Nomenkl_N, Opisanie, Ed_Cena, Valuta_P, "
                                   "Mqrka, Kasovo_Ime, Etiketno_Ime) VALUES (7, 1, ?, ?, 2.5, 'BGN', 'бр.', ?, ?)"),
                    {article.left(40), article, article.left(40), article});
        CounterpartyFields f;
        f.Ime_Firma = firm;
        f.Ime_Klient = longName("Лице");
        f.Adres_Firma = longName("Адрес");
        counterparty = CounterpartyRecord::insertPair(f, 0).id;
        Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, ?), (2, ?)"),
                    {warehouse, warehouse});
        Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (Opisanie) VALUES (?)"), {kind});
        Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva) VALUES (?, ?)"),
                    {document, QStringLiteral("МАГАЗИН СЕРВИЗ Фискален сервиз")});
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:") + warehouse);
    }

    static void deliver(const QString &what, const std::function<void()> &pick)
    {
        try {
            pick();
        } catch (const std::exception &e) {
            QFAIL(qPrintable(what + QStringLiteral(": ") + QString::fromUtf8(e.what())));
        }
    }

    // What every registered pick receiver gets: the long counterparty and article.
    void deliverPicks() const
    {
        PlatformScript::setModalHandler([](QDialog *d) {
            if (auto *prompt = qobject_cast<TForm_Get_Kol *>(d)) {
                prompt->Edit_Kol->setText(QStringLiteral("1"));
                return TForm_Get_Kol::ResultOk;
            }
            return int(QDialog::Rejected);
        });
        CounterpartyPick::Picked firmPick;
        firmPick.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = ?"), {counterparty});
        firmPick.marked = {firmPick.current};
        for (int mode = 0; mode < CounterpartyPick::ModeCount; ++mode)
            if (CounterpartyPick::hasTarget(mode))
                deliver(QStringLiteral("counterparty %1").arg(mode), [&] { CounterpartyPick::deliver(mode, firmPick); });
        ArticlePick::Picked articlePick;
        articlePick.current = *Db::firstRow(
            QStringLiteral("SELECT Produkti.*, Grupi.ID AS ID_Grupa, Grupi.Opisanie AS Grupa_Opis FROM Produkti "
                           "JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa WHERE Produkti.ID = 7"));
        articlePick.marked = {articlePick.current};
        articlePick.node = QStringLiteral("1:") + group;
        for (int mode = 0; mode < 20; ++mode)
            if (ArticlePick::hasTarget(mode))
                deliver(QStringLiteral("article %1").arg(mode), [&] { ArticlePick::deliver(mode, articlePick); });
        PlatformScript::setModalHandler({});
    }
};

// The screen the program is made for.
constexpr QSize Screen(1280, 800);
// A window manager's title bar: the offscreen screen draws none.
constexpr int TitleBar = 30;

// Where a window stands, its least size and the buttons that leave the
// screen or the window; empty when it fits. A maximised window needs no
// room for a title bar.
QString placeProblems(QWidget *window)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QRect area = window->screen()->availableGeometry();
    const QRect g = window->geometry();
    const int bar = window->isMaximized() ? 0 : TitleBar;
    QStringList problems;
    if (!area.contains(g) || g.height() + bar > area.height())
        problems << QStringLiteral("at %1,%2 %3 x %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
    const QSize least = window->minimumSizeHint();
    if (least.width() > area.width() || least.height() + bar > area.height())
        problems << QStringLiteral("at least %1 x %2").arg(least.width()).arg(least.height());
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if (!b->isVisibleTo(window) || b->window() != window || b->size().isEmpty())
            continue;
        bool scrolled = false; // a scroll area shows what it scrolls to
        for (QWidget *p = b->parentWidget(); p && p != window && !scrolled; p = p->parentWidget())
            scrolled = qobject_cast<QAbstractScrollArea *>(p) && !qobject_cast<QAbstractScrollArea *>(b->parentWidget());
        const QRect r(b->mapTo(window, QPoint(0, 0)), b->size());
        if (!scrolled && !window->rect().contains(r))
            problems << QStringLiteral("button %1 \"%2\" at %3,%4").arg(b->objectName(), b->text()).arg(r.x()).arg(r.y());
    }
    return problems.join(QStringLiteral("; "));
}

// Every window that shows, the main window included.
QString shownProblems()
{
    QStringList problems;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            continue;
        const QString p = placeProblems(w);
        if (!p.isEmpty())
            problems << w->objectName() + QStringLiteral(" \"") + w->windowTitle() + QStringLiteral("\": ") + p;
    }
    return problems.join(QLatin1Char('\n'));
}

// The dialogs a window of the menu opens: the window's object name and
// what a user does in it.
const QList<std::pair<QString, std::function<void(QDialog *)>>> &dialogsTheyOpen()
{
    static const QList<std::pair<QString, std::function<void(QDialog *)>>> roads = {
        {QStringLiteral("Form_GeneralForm_Dokumentaciq"),
         [](QDialog *d) {
             auto *designer = static_cast<TForm_GeneralForm_Dokumentaciq *>(d);
             designer->N_Etiket->trigger(); // "Добавяне на елементи"
             QVERIFY(designer->editor() && designer->editor()->isVisible());
         }},
        {QStringLiteral("Form_GeneralForm_Dokumentaciq"),
         [](QDialog *d) {
             auto *designer = static_cast<TForm_GeneralForm_Dokumentaciq *>(d);
             designer->N_Open_File->trigger(); // "File" → "Отвори" → "Файл": the documents' list
             designer->ComboBox_Dokumenti->setCurrentIndex(0);
             Q_EMIT designer->ComboBox_Dokumenti->activated(0);
         }},
        {QStringLiteral("Form_Artikuli"),
         [](QDialog *d) {
             auto *catalogue = static_cast<TForm_Artikuli *>(d);
             catalogue->TreeView1->setCurrentItem(catalogue->nodeOfKey(1));
             catalogue->TreeView1Click();
             catalogue->N_Nov->trigger(); // the article editor
         }},
        {QStringLiteral("Form_Artikuli"), [](QDialog *d) { static_cast<TForm_Artikuli *>(d)->N_Grupa->trigger(); }},
        {QStringLiteral("Form_Kontrakents"), [](QDialog *d) { static_cast<TForm_Kontrakents *>(d)->BitBtn1->click(); }},
    };
    return roads;
}

// The window, shown and filled, fits a screen of 1280 x 800; each long name
// it shows is painted elided.
void fitsTheScreen(QWidget *window, const LongNames &names)
{
    const QString title = window->objectName();
    QCoreApplication::processEvents(); // the layout takes in the texts filled
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QSize least = window->minimumSizeHint();
    QVERIFY2(least.width() <= 1280 && least.height() <= 800,
             qPrintable(QStringLiteral("%1: at least %2 x %3").arg(title).arg(least.width()).arg(least.height())));
    QVERIFY2(window->width() <= 1280 && window->height() <= 800,
             qPrintable(QStringLiteral("%1: %2 x %3").arg(title).arg(window->width()).arg(window->height())));
    int longTexts = 0;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().size() < 300)
            continue;
        ++longTexts;
        auto *elided = qobject_cast<ElidedLabel *>(label);
        QVERIFY2(elided, qPrintable(title + QLatin1Char('.') + label->objectName()));
        if (elided->isVisible())
            QVERIFY(elided->shownText().endsWith(QChar(0x2026)));
    }
    for (QComboBox *combo : window->findChildren<QComboBox *>())
        longTexts += combo->currentText().size() >= 300;
    // No grid column grows past its cap for a long name.
    for (QTableView *grid : window->findChildren<QTableView *>())
        for (int c = 0; grid->model() && c < grid->model()->columnCount(); ++c)
            QVERIFY2(grid->columnWidth(c) <= qMax(LongTextStyle::columnWidthCap(grid), 400),
                     qPrintable(QStringLiteral("%1.%2 column %3: %4").arg(title, grid->objectName()).arg(c)
                                    .arg(grid->columnWidth(c))));
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        longTexts += edit->text().size() >= 300;
    for (QAbstractItemView *view : window->findChildren<QAbstractItemView *>()) {
        const QAbstractItemModel *m = view->model();
        for (int r = 0; m && r < qMin(m->rowCount(), 20); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                longTexts += m->index(r, c).data().toString().size() >= 300;
    }
    Q_UNUSED(names);
    window->hide();
    QVERIFY2(longTexts > 0, qPrintable(title + QStringLiteral(": no long name shown")));
}
} // namespace

// Texts of any length from the database never widen a window past the screen.
class WindowSizes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void longNamesLeaveTheMainWindowOnTheScreen()
    {
        TestProgram program;
        const QString name = QStringLiteral("Оператор с много дълго име ").repeated(12);
        addOperator(name, QStringLiteral("p"));
        auto form = startedWindow(name, QStringLiteral("p"));
        QVERIFY(form);
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:") + QStringLiteral("Склад ").repeated(80));
        form->showMaximized(); // as the program shows it
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY2(form->minimumSizeHint().width() <= screenWidth(),
                 qPrintable(QString::number(form->minimumSizeHint().width())));
        QVERIFY2(form->frameGeometry().width() <= screenWidth(), qPrintable(QString::number(form->width())));

        // What other code reads back stays whole; only the painting is cut.
        QCOMPARE(form->Panel_Operator->text(), QStringLiteral("Оператор: ") + name);
        QVERIFY(form->Panel_Operator->shownText().endsWith(QChar(0x2026)));
        QVERIFY(form->Panel_Operator->shownText().size() < form->Panel_Operator->text().size());
        QVERIFY(form->Panel_Sklad->text().endsWith(QStringLiteral("Склад ")));

        // A short text is painted whole.
        form->Panel_Operator->setText(QStringLiteral("Оператор: Ана"));
        QCOMPARE(form->Panel_Operator->shownText(), QStringLiteral("Оператор: Ана"));
        form->Timer1->stop();
        form->hide();
    }

    void aLongOperatorNameLeavesTheLoginNarrow()
    {
        TestProgram program;
        const QString name = QStringLiteral("Касиер на първата каса в магазина ").repeated(6);
        addOperator(name, QStringLiteral("p"));
        Settings::writeString(Keys::Store_ActiveOper, name);
        TForm_Dostap_Operators login;
        QVERIFY(login.FormShow(true));
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        QCOMPARE(login.ComboBox_Operators->currentText(), name);
        QVERIFY2(login.width() <= LongTextStyle::comboWidthCap(login.ComboBox_Operators) + 200,
                 qPrintable(QString::number(login.width())));
        QVERIFY(login.width() <= screenWidth());
        login.hide();
    }

    // Every window that shows a user's name: filled through its own roads
    // (picks, lists read from the database), it stays on a 1280 x 800 screen.
    void windowsWithLongNamesFitTheScreen()
    {
        TestProgram program;
        const LongNames names;
        struct Window {
            std::function<QWidget *()> make;
            std::function<void(QWidget *)> prepare = {}; // as its opener readies it
        };
        const QList<Window> windows = {
            {[] { return new TForm_Dostavki; },
             [](QWidget *w) {
                 auto *delivery = static_cast<TForm_Dostavki *>(w);
                 delivery->FormShow();
                 delivery->Edit_Art_ID->setText(QStringLiteral("7"));
                 delivery->Edit_Art_IDKeyPress();
                 QVERIFY(delivery->Button_AddClick()); // a line of the long article
             }},
            {[] { return new TForm_Spec_Otstapki; }},
            {[] { return new TForm_Add_Red_Zaqvka; }},
            {[] { return new TForm_Remont; }},
            {[] { return new TForm_Garanc_Produkti; }},
            {[] { return new TForm_Spr_Izdadeni_Ser; }},
            {[] { return new TForm_Garancionni_Prod; }},
            {[] { return new TForm_Sv_BIM; }},
            {[] { return new TForm_Revision; }, [](QWidget *w) { static_cast<TForm_Revision *>(w)->FormShow(); }},
            {[] { return new TForm_Transfer; }, [](QWidget *w) { static_cast<TForm_Transfer *>(w)->FormShow(); }},
            {[] { return new TForm_Brak; }, [](QWidget *w) { static_cast<TForm_Brak *>(w)->FormShow(); }},
            {[] { return new TForm_Projzvodstvo; }},
            {[] { return new TForm_Spr_Izd_Dok; }},
            {[] { return new TForm_SprDostavka; }},
            {[] { return new TForm_Spravka_prodajba; }},
            {[] { return new TForm_Vnoski_Kredit; }},
            {[] { return new TForm_Nali4nosti_Artikuli; },
             [](QWidget *w) {
                 auto *report = static_cast<TForm_Nali4nosti_Artikuli *>(w);
                 report->Edit_Sel_Art->setText(QStringLiteral("7"));
                 report->Edit_Sel_ArtChange();
                 report->Edit1->setText(QStringLiteral("1"));
                 report->Edit1Change();
             }},
            {[] { return new TForm_NewArtikul; },
             [&names](QWidget *w) {
                 // A stored article of the long-named group, last delivered by the long-named firm.
                 Db::execute(QStringLiteral("UPDATE Produkti SET Dostav4ik = ? WHERE ID = 7"),
                             {QStringLiteral("%1:%2").arg(names.counterparty).arg(names.firm)});
                 auto *editor = static_cast<TForm_NewArtikul *>(w);
                 editor->ArticleEditMode = 1;
                 QVERIFY(ArticleEditor::prepareEdit(*editor, 7));
                 editor->FormShow();
                 // Each long name shows its start.
                 for (QLineEdit *name : {editor->Edit_Nom_N, editor->Edit_Opisanie, editor->Edit_Kasovo_ime,
                                         editor->Edit_Etiketno_ime})
                     QVERIFY2(name->cursorPosition() == 0, qPrintable(name->objectName()));
             }},
            {[] { return new TForm_Klienti; },
             [&names](QWidget *w) { static_cast<TForm_Klienti *>(w)->openEdit(names.counterparty); }},
        };
        for (const Window &entry : windows) {
            // Filled while shown: report windows reset their filters when they show.
            std::unique_ptr<QWidget> window(entry.make());
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            const int width = window->width();
            if (entry.prepare)
                entry.prepare(window.get());
            names.deliverPicks();
            QCoreApplication::processEvents();
            QVERIFY2(window->width() == width, qPrintable(window->objectName() + QStringLiteral(" grew to ")
                                                          + QString::number(window->width())));
            fitsTheScreen(window.get(), names);
        }
    }

    // The working tabs with the desk's and the service's picks.
    void workingTabsWithLongNamesFitTheScreen()
    {
        TestProgram program;
        const LongNames names;
        auto form = startedWindow();
        QVERIFY(form);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        names.deliverPicks();
        for (int tab = 0; tab < form->PageControl1->count(); ++tab) {
            form->PageControl1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            const QSize least = form->minimumSizeHint();
            QVERIFY2(least.width() <= 1280 && least.height() <= 800,
                     qPrintable(QStringLiteral("tab %1: at least %2 x %3").arg(tab).arg(least.width()).arg(least.height())));
        }
        form->Timer1->stop();
        form->hide();
    }

    // Windows their roads open modally, and the two browsers.
    void promptsBrowsersAndContractsFitTheScreen()
    {
        TestProgram program;
        const LongNames names;
        const QSqlRecord article = *Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = 7"));
        const QString firm = QString::number(names.counterparty) + QLatin1Char(':') + names.firm;
        const auto check = [&names](QDialog *d) { fitsTheScreen(d, names); };
        ModalWalk walk;
        walk.then(check).then(check).then(check).then(check);
        walk.start();
        ArticlePick::quantityWalk(11, {article}, [](const QSqlRecord &, Decimal, const QString &) {});
        Consignment::ContractLine line;
        line.barkod = QStringLiteral("7");
        line.opisanie = names.article;
        line.kol = 1;
        line.edCena = 2.5;
        line.valuta = QStringLiteral("BGN");
        Consignment::Draft draft;
        TForm_Konsignation::INSERTINTO_KONSIGNATION(nullptr, {line}, firm, 0, &draft);
        TForm_Kontrakents::N_KlientiClick(nullptr);
        TForm_Artikuli::N_ArtikuliClick(nullptr);
        PlatformScript::setModalHandler({});
        QCOMPARE(walk.opened, (QStringList{QStringLiteral("Form_Get_Kol"), QStringLiteral("Form_Konsignation"),
                                           QStringLiteral("Form_Kontrakents"), QStringLiteral("Form_Artikuli")}));
        delete Form_Kontrakents;
        delete Form_Artikuli;

        TForm_Kontrag_Sklad sites;
        sites.openFor(firm);
        fitsTheScreen(&sites, names);
        OfferPanel::install();
        TForm_Oferti offers;
        offers.show();
        names.deliverPicks();
        fitsTheScreen(&offers, names);
    }

    // Every window the menu opens, each dialog it opens and the main window
    // after each item stand on a screen of 1280 x 800 with their buttons on
    // it, long names and all.
    void everyWindowOfTheMenuStaysOnTheScreen()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), Screen);
        TestProgram program;
        const LongNames names;
        auto form = startedWindow();
        QVERIFY(form);
        form->showMaximized(); // as the program shows it
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Timer2->stop();
        QStringList problems;
        QStringList opened;
        QSet<int> roads; // the dialogs they open, each walked at least once
        std::function<int(QDialog *)> check = [&](QDialog *d) {
            opened << d->objectName();
            d->show();
            if (!QTest::qWaitForWindowExposed(d))
                problems << d->objectName() + QStringLiteral(" not shown");
            if (const QString p = shownProblems(); !p.isEmpty())
                problems << d->objectName() + QStringLiteral(" shown: ") + p;
            for (int i = 0; i < dialogsTheyOpen().size(); ++i) {
                const auto &[window, walk] = dialogsTheyOpen().at(i);
                if (window != d->objectName())
                    continue;
                walk(d);
                roads.insert(i);
                if (const QString p = shownProblems(); !p.isEmpty())
                    problems << d->objectName() + QStringLiteral(" after its dialog: ") + p;
            }
            d->reject();
            d->hide();
            return int(QDialog::Rejected);
        };
        PlatformScript::setModalHandler([&](QDialog *d) {
            // The login comes back after some items: the administrator again.
            if (auto *login = qobject_cast<TForm_Dostap_Operators *>(d)) {
                login->ComboBox_Operators->setCurrentIndex(
                    login->ComboBox_Operators->findText(QStringLiteral("Администратор")));
                login->Edit_Password->setText(QStringLiteral("admin"));
                login->OKBtn->click();
                check(d);
                return login->result();
            }
            return check(d);
        });
        int items = 0;
        for (const MenuItemDef &def : MainMenu::items()) {
            const QString item = QString::fromLatin1(def.name);
            if (!Openers::find(item) || item == QLatin1String("N_Izhod"))
                continue;
            ++items;
            form->triggerItem(item);
            if (const QString p = shownProblems(); !p.isEmpty())
                problems << item + QStringLiteral(": ") + p;
            for (QWidget *w : QApplication::topLevelWidgets()) // what stays open after its item
                if (w != form.get() && w->isVisible() && qobject_cast<QDialog *>(w))
                    w->close();
        }
        PlatformScript::setModalHandler({});
        for (const QString &p : problems)
            qWarning("%s", qPrintable(p));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.value(0)));
        QCOMPARE(items, Openers::table().size() - 1);
        QCOMPARE(roads.size(), dialogsTheyOpen().size());
        for (const char *window : {"Form_GeneralForm_Dokumentaciq", "Form_NewArtikul", "Form_Klienti", "Form_Dostavki"})
            QVERIFY2(opened.contains(QLatin1String(window)), window);
        form->Timer1->stop();
        form->hide();
    }

    // The desktop adds the application's display name to every title when
    // one is set; the captions already carry the program's name.
    void titlesDoNotRepeatTheProgramName()
    {
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("проба"));
        const QString display = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(name);
        QCOMPARE(display, QStringLiteral("проба")); // no display name of its own

        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("ВЕНТАРОС - МАГАЗИН"));
        form->Timer1->stop();
    }
};
VTEST(WindowSizes)

#include "test_window_sizes.moc"
