#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_get_kol.h"
#include "catalogue/article_groups.h"
#include "catalogue/deliveries.h"
#include "catalogue/stock_lines.h"
#include "common/tree_file.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_new_artikul.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_klienti.h"
#include "counterparties/form_kontrakents.h"
#include "desk/form_spec_otstapki.h"
#include "desk/form_vnoski_kredit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

using namespace shelltest;

namespace {
long long addCounterparty(const QString &name)
{
    CounterpartyFields f;
    f.Ime_Firma = name;
    f.Ime_Klient = name;
    return CounterpartyRecord::insertPair(f, 0).id;
}

void addArticle(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки')"));
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka) "
                               "VALUES (?, 1, ?, 2.5, 'BGN', 'бр.')"),
                {id, name});
    TreeFile::write(ArticleGroups::treeFilePath(), {{QStringLiteral("Всички артикули"), 0}, {QStringLiteral("1:Стоки"), 0}});
}

// Picks the counterparty of that number in a picker, checking that it picks.
ModalWalk::Step pickCounterparty(long long id, int mode)
{
    return [id, mode](QDialog *d) {
        auto *w = qobject_cast<TForm_Kontrakents *>(d);
        QVERIFY2(w, qPrintable(d->objectName()));
        QVERIFY(w != Form_Kontrakents); // the kept browser shows beneath
        QVERIFY(w->Panel_IZberi->isVisible());
        QCOMPARE(CounterpartyPickMode, mode);
        QVERIFY(w->positionOn(id));
        w->BitBtn_Izberi_Kontragent->click();
        QVERIFY(!w->isVisible());
    };
}

// `over`: the kept catalogue shows beneath.
ModalWalk::Step pickArticle(long long id, int mode, bool over)
{
    return [id, mode, over](QDialog *d) {
        auto *w = qobject_cast<TForm_Artikuli *>(d);
        QVERIFY2(w, qPrintable(d->objectName()));
        QCOMPARE(w != Form_Artikuli, over);
        QVERIFY(w->Panel_Izberi->isVisible());
        QCOMPARE(ArticlePickMode, mode);
        QVERIFY(w->positionOn(id));
        w->BitBtn1->click();
        QVERIFY(!w->isVisible());
    };
}

ModalWalk::Step quantity(const QString &typed)
{
    return [typed](QDialog *d) {
        auto *prompt = qobject_cast<TForm_Get_Kol *>(d);
        QVERIFY2(prompt, qPrintable(d->objectName()));
        prompt->Edit_Kol->setText(typed);
        prompt->done(TForm_Get_Kol::ResultOk);
    };
}
} // namespace

// A window opened over an open browser that asks that browser for a pick
// gets a picker of its own, in its mode; the browser beneath serves on.
class PickersOverOpenBrowsers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        delete Form_Kontrakents;
        delete Form_Artikuli;
        delete Form_Dostavki;
    }

    // Контрагенти -> "Редактирай" -> "Специални отстъпки" -> "Добави", and the
    // article pick of the same window; then the instalments' "Контрагент:".
    void counterpartyEditorsDiscountsAndInstalments()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        const long long alfa = addCounterparty(QStringLiteral("Алфа"));
        const long long beta = addCounterparty(QStringLiteral("Бета"));
        addArticle(7, QStringLiteral("Мляко"));
        QString discountsFor, discountArticle, instalmentsFor;
        ModalWalk walk;
        walk.then<TForm_Kontrakents>([&](TForm_Kontrakents *browser) {
                QVERIFY(!browser->Panel_IZberi->isVisible());
                QVERIFY(browser->positionOn(alfa));
                browser->BitBtn_Redaktiraj_KontragentClick();
                QCOMPARE(CounterpartyPickMode, -1); // the browser beneath browses on
                browser->N_VnoskiClick();
                QCOMPARE(CounterpartyPickMode, -1);
                browser->close();
            })
            .then<TForm_Klienti>([](TForm_Klienti *editor) { editor->Button_Sp_TO->click(); })
            .then<TForm_Spec_Otstapki>([&](TForm_Spec_Otstapki *discounts) {
                discounts->Button1->click();
                discountsFor = discounts->Label_TO_Klient->text();
                discounts->ComboBox_Select_G_A->setCurrentIndex(1);
                discounts->ComboBox_Select_G_AChange();
                discountArticle = discounts->Label_TO_Artikul->text();
                discounts->Button_Cancel_All->click();
            })
            .then(pickCounterparty(beta, 1))
            .then(pickArticle(7, 1, false))
            .then<TForm_Vnoski_Kredit>([&](TForm_Vnoski_Kredit *instalments) {
                instalments->Label1Click();
                instalmentsFor = instalments->Label_Kontrag_Vnoski->text();
                instalments->close();
            })
            .then(pickCounterparty(beta, TForm_Vnoski_Kredit::PickMode));
        walk.start();
        QVERIFY(form->triggerItem(QStringLiteral("N_Klienti")));
        QCOMPARE(walk.taken(), 7);
        QCOMPARE(discountsFor, QStringLiteral("%1:Бета").arg(beta));
        QCOMPARE(discountArticle, QStringLiteral("7:Мляко"));
        QCOMPARE(instalmentsFor, QStringLiteral("%1:Бета").arg(beta));
        QCOMPARE(CounterpartyPickMode, -1);
        QCOMPARE(ArticlePickMode, -1);
    }

    // Артикули -> "Доставка" of a group -> "Добави" picks from a second
    // catalogue; the article editor's "Контрагент:" from the catalogue
    // reached over the counterparties.
    void catalogueDeliveryAndArticleEditor()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        addArticle(7, QStringLiteral("Мляко"));
        const long long beta = addCounterparty(QStringLiteral("Бета"));
        QString lineArticle, lineQuantity, supplier;
        int linesAfterPick = -1;
        ModalWalk walk;
        walk.then<TForm_Artikuli>([&](TForm_Artikuli *catalogue) {
                catalogue->TreeView1->setCurrentItem(catalogue->nodeOfKey(1));
                catalogue->N_Dostavka_GrupaClick();
                QCOMPARE(ArticlePickMode, -1);
                catalogue->close();
            })
            .then<TForm_Dostavki>([&](TForm_Dostavki *delivery) {
                QVERIFY(delivery->Button_Dobavi->isEnabled());
                const int before = delivery->model()->rowCount();
                delivery->Button_Dobavi->click();
                lineArticle = delivery->Label_Sel_Art->text();
                lineQuantity = delivery->Edit_Kol->text();
                linesAfterPick = delivery->model()->rowCount() - before;
                delivery->Btn_CancelClick();
                delivery->close();
            })
            .then(pickArticle(7, TForm_Dostavki::PickMode, true))
            .then(quantity(QStringLiteral("3")));
        walk.start();
        PlatformScript::answer(true); // discard the delivery
        QVERIFY(form->triggerItem(QStringLiteral("N_Artikuli")));
        QCOMPARE(walk.taken(), 4);
        QCOMPARE(lineArticle, QStringLiteral("7:Мляко"));
        QCOMPARE(lineQuantity, QStringLiteral("3"));
        QCOMPARE(linesAfterPick, 1);
        QCOMPARE(ArticlePickMode, -1);

        // Артикули -> Ctrl+K -> editor -> discounts -> article pick (second
        // catalogue) -> "Редактирай" -> "Контрагент:" (second register).
        ModalWalk again;
        again.then<TForm_Artikuli>([](TForm_Artikuli *catalogue) {
                 catalogue->N_KontragentiClick();
                 catalogue->close();
             })
            .then<TForm_Kontrakents>([&](TForm_Kontrakents *browser) {
                QVERIFY(browser->positionOn(beta));
                browser->BitBtn_Redaktiraj_KontragentClick();
                browser->close();
            })
            .then<TForm_Klienti>([](TForm_Klienti *editor) { editor->Button_Sp_TO->click(); })
            .then<TForm_Spec_Otstapki>([](TForm_Spec_Otstapki *discounts) {
                discounts->ComboBox_Select_G_A->setCurrentIndex(1);
                discounts->ComboBox_Select_G_AChange();
                discounts->Button_Cancel_All->click();
            })
            .then<TForm_Artikuli>([](TForm_Artikuli *picker) {
                QVERIFY(picker != Form_Artikuli);
                QVERIFY(picker->Panel_Izberi->isVisible());
                QVERIFY(picker->positionOn(7));
                picker->N_RedaktirajClick();
                QCOMPARE(ArticlePickMode, 1); // still picking for the discounts
                picker->BitBtn2->click();
            })
            .then<TForm_NewArtikul>([&](TForm_NewArtikul *editor) {
                editor->Label_Select_KontragClick();
                supplier = editor->Label_ID_Kontragent->text();
                editor->close();
            })
            .then(pickCounterparty(beta, 14));
        again.start();
        QVERIFY(form->triggerItem(QStringLiteral("N_Artikuli")));
        QCOMPARE(again.taken(), 7);
        QCOMPARE(supplier, QStringLiteral("%1:Бета").arg(beta));
        QCOMPARE(ArticlePickMode, -1);
        QCOMPARE(CounterpartyPickMode, -1);
    }
};
VTEST(PickersOverOpenBrowsers)

#include "test_pickers_over_browsers.moc"
