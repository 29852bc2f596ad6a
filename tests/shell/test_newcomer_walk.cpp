#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_get_kol.h"
#include "catalogue/article_list.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_grupi.h"
#include "catalogue/form_new_artikul.h"
#include "catalogue/form_revision.h"
#include "catalogue/form_sklad.h"
#include "catalogue/stock_lines.h"
#include "counterparties/counterparty_list.h"
#include "counterparties/form_klienti.h"
#include "counterparties/form_kontrakents.h"
#include "desk/form_pay_type.h"
#include "desk/form_spec_otstapki.h"
#include "desk/form_vnoski_kredit.h"
#include "desk/shop_desk.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/form_nastrojki.h"
#include "documents/form_rab_dokumenti.h"
#include "documents/name_of_dokument.h"
#include "app/data_module.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/folder_tree.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "shell/form_dostap_operators.h"
#include "shell/form_sazdava_nova_baza.h"
#include "shell/shop_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyle>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace shelltest;

namespace {
// Typed key by key, as a user types (Cyrillic too).
void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Keys typed into a widget that is not an edit (a tree's search by name).
void typeKeys(QWidget *w, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void enter(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Return);
}

// Every grid column a window shows has a Bulgarian title.
void titlesAreBulgarian(QWidget *window)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    for (QTableView *grid : window->findChildren<QTableView *>()) {
        const QAbstractItemModel *m = grid->model();
        if (!m || !grid->isVisible())
            continue;
        for (int c = 0; c < m->columnCount(); ++c) {
            const QString title = m->headerData(c, Qt::Horizontal).toString();
            if (!grid->isColumnHidden(c) && !title.isEmpty())
                QVERIFY2(title.contains(cyrillic) || title == QLatin1String("N"),
                         qPrintable(window->objectName() + QLatin1Char('.') + grid->objectName() + QStringLiteral(": ")
                                    + title));
        }
    }
}

template <class W>
ModalWalk::Step in(std::function<void(W *)> steps)
{
    return [steps](QDialog *d) {
        auto *w = qobject_cast<W *>(d);
        QVERIFY2(w, qPrintable(QStringLiteral("unexpected window ") + d->objectName()));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        titlesAreBulgarian(w);
        steps(w);
    };
}

ModalWalk::Step quantity(const QString &typed)
{
    return in<TForm_Get_Kol>([typed](TForm_Get_Kol *prompt) {
        type(prompt->Edit_Kol, typed);
        prompt->BitBtn1->click();
    });
}

void walk(TGeneral_Form &form, ModalWalk &steps, const char *item)
{
    steps.start();
    PlatformScript::clearEvents();
    QVERIFY2(form.triggerItem(QString::fromLatin1(item)), item);
    PlatformScript::setModalHandler({});
    // Nothing went wrong on the way: no message box came.
    QVERIFY2(PlatformScript::texts(QStringLiteral("message")).isEmpty(),
             qPrintable(PlatformScript::texts(QStringLiteral("message")).join(QLatin1Char('|'))));
    QVERIFY2(steps.taken() == steps.size(), qPrintable(QStringLiteral("%1: %2 of %3 windows: %4")
                                                         .arg(QLatin1String(item))
                                                         .arg(steps.taken())
                                                         .arg(steps.size())
                                                         .arg(steps.opened.join(QLatin1Char(' ')))));
}

long long count(const char *sql)
{
    return Db::scalar(QString::fromLatin1(sql)).toLongLong();
}

// The window and the buttons named stand on the screen, a title bar of 30
// pixels above the window included.
void onTheScreen(QWidget *window, const QList<QWidget *> &buttons)
{
    QCoreApplication::processEvents();
    const QRect screen = window->screen()->availableGeometry();
    const QRect g = window->geometry().adjusted(0, -30, 0, 0);
    QVERIFY2(screen.contains(g), qPrintable(QStringLiteral("%1 at %2,%3 %4 x %5").arg(window->objectName())
                                                .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())));
    for (QWidget *b : buttons)
        QVERIFY2(screen.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())), qPrintable(b->objectName()));
}
} // namespace

// A newcomer's first day, through the windows alone: from an empty program
// folder a document kind, a group, an article, a supplier and a warehouse,
// the first delivery, a sale, a special discount set in the counterparty
// editor and a shop document printed.
class NewcomerWalk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
        Printers::resetSelection();
        delete Form_Kontrakents;
        delete Form_Artikuli;
        delete Form_Dostavki;
    }

    void fromAnEmptyFolder()
    {
        TestProgram program;
        Printers::setInstalledForTests(QStringList()); // printouts go to PDF files
        auto form = startedWindow();
        QVERIFY(form);
        form->resize(1280, 800);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Timer2->stop();

        // "Работни документи ...": the kind "Фактура".
        {
            ModalWalk steps;
            steps.then(in<TForm_Rab_Dokumenti>([](TForm_Rab_Dokumenti *kinds) {
                kinds->Action_Insert->trigger();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QLineEdit *editor = nullptr;
                for (QLineEdit *e : kinds->DBGrid1->findChildren<QLineEdit *>())
                    if (e->isVisible())
                        editor = e;
                QVERIFY(editor);
                type(editor, QStringLiteral("Фактура"));
                enter(editor);
                QCoreApplication::sendPostedEvents();
                QCoreApplication::sendPostedEvents();
                kinds->close();
            }));
            walk(*form, steps, "N25");
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Rab_Dokumenti")).toString(), QStringLiteral("Фактура"));
        }

        // "Складове...": the shop's warehouse, made the active one.
        {
            ModalWalk steps;
            steps.then(in<TForm_Sklad>([](TForm_Sklad *warehouses) {
                QTest::mouseClick(warehouses->BitBtn_New_Sklad, Qt::LeftButton);
                const int row = warehouses->DBGrid_Sklad->currentIndex().row();
                warehouses->model()->item(row, TForm_Sklad::ColName)->setText(QStringLiteral("Магазин"));
                QTest::mouseClick(warehouses->BitBtn_New_Sklad, Qt::LeftButton); // "Приеми"
                QTest::mouseClick(warehouses->Button1, Qt::LeftButton);          // "ИЗБЕРИ"
            }));
            walk(*form, steps, "N_Sklad");
            QCOMPARE(count("SELECT COUNT(*) FROM Sklad"), 1LL);
        }

        // "Артикули ...": the group "Хранителни" and its article "Кафе".
        {
            ModalWalk steps;
            steps.then(in<TForm_Artikuli>([](TForm_Artikuli *catalogue) {
                     catalogue->N_Grupa->trigger();
                     QTreeWidgetItem *group = catalogue->nodeOfKey(1);
                     QVERIFY(group);
                     catalogue->TreeView1->setCurrentItem(group);
                     catalogue->TreeView1Click();
                     catalogue->N_Nov->trigger();
                     QCOMPARE(catalogue->list()->rowCount(), 1);
                     catalogue->N_Nov->trigger();
                     QCOMPARE(catalogue->list()->rowCount(), 2);
                     catalogue->close();
                 }))
                .then(in<TForm_Grupi>([](TForm_Grupi *dialog) {
                    QCOMPARE(dialog->Edit_Nomer_Grupa->text(), QStringLiteral("1"));
                    type(dialog->Edit_Opisanie, QStringLiteral("Хранителни"));
                    dialog->BitBtn_Priemi->click();
                }))
                .then(in<TForm_NewArtikul>([](TForm_NewArtikul *editor) {
                    QCOMPARE(editor->Edit_Art_N->text(), QStringLiteral("1"));
                    type(editor->Edit_Opisanie, QStringLiteral("Кафе"));
                    type(editor->Edit_Cena, QStringLiteral("3,50"));
                    editor->BitBtn_OK->click();
                }))
                .then(in<TForm_NewArtikul>([](TForm_NewArtikul *editor) {
                    QCOMPARE(editor->Edit_Art_N->text(), QStringLiteral("2"));
                    type(editor->Edit_Opisanie, QStringLiteral("Кафемашина"));
                    type(editor->Edit_Cena, QStringLiteral("1234567,89"));
                    editor->BitBtn_OK->click();
                }));
            walk(*form, steps, "N_Artikuli");
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie || ' ' || Ed_Cena FROM Produkti WHERE ID = 1")).toString(),
                     QStringLiteral("Кафе 3.5"));
        }

        // "Контрагенти...": the supplier, and the customer of the discount.
        {
            ModalWalk steps;
            steps.then(in<TForm_Kontrakents>([](TForm_Kontrakents *browser) {
                     browser->BitBtn1->click();
                     browser->BitBtn1->click();
                     QCOMPARE(browser->list()->rowCount(), 2);
                     browser->close();
                 }))
                .then(in<TForm_Klienti>([](TForm_Klienti *editor) {
                    type(editor->Edit_Ime_Firma, QStringLiteral("Кафе Доставки ООД"));
                    type(editor->Edit_EIK, QStringLiteral("831641791"));
                    type(editor->Edit_EGN_Mol, QStringLiteral("0010100100"));
                    editor->Button_Insert->click();
                }))
                .then(in<TForm_Klienti>([](TForm_Klienti *editor) {
                    type(editor->Edit_Ime_Firma, QStringLiteral("Редовен Клиент ЕТ"));
                    // No codes at hand: the question is answered "Да".
                    PlatformScript::answer(true);
                    editor->Button_Insert->click();
                }));
            walk(*form, steps, "N_Klienti");
            QCOMPARE(count("SELECT COUNT(*) FROM Firmi"), 2LL);
        }

        // "Доставки...": the first delivery, its article taken through the picker.
        {
            ModalWalk steps;
            steps.then(in<TForm_Dostavki>([](TForm_Dostavki *delivery) {
                     QCOMPARE(delivery->state(), 1);
                     type(delivery->Edit_Dostav4ik, QStringLiteral("кафе"));
                     QCOMPARE(delivery->ListBox_SelectDostav4ik->count(), 1);
                     QTest::keyClick(delivery->Edit_Dostav4ik, Qt::Key_Down);
                     enter(delivery->ListBox_SelectDostav4ik);
                     QCOMPARE(delivery->Edit_Dostav4ik->text(), QStringLiteral("1:Кафе Доставки ООД"));
                     delivery->ComboBox_Dok_Vid->setCurrentIndex(0);
                     delivery->ComboBox_Sklad->setCurrentIndex(0);
                     type(delivery->Edit_Nomer_Dokument, QStringLiteral("0000123"));
                     delivery->Button_Dobavi->click(); // the picker, then the line
                     QCOMPARE(delivery->model()->rowCount(), 1);
                     type(delivery->Edit_Plateno_Banka, QStringLiteral("10"));
                     delivery->Button_Calculate_SUMsClick();
                     delivery->Btn_Nov->click(); // "Запис"
                     QCOMPARE(delivery->state(), 0);
                     QVERIFY(!delivery->Edit_Plateno_Broj->text().startsWith(QLatin1Char('-')));
                     delivery->close();
                 }))
                .then(in<TForm_Artikuli>([](TForm_Artikuli *picker) {
                    QVERIFY(picker->Panel_Izberi->isVisible());
                    QVERIFY(picker->positionOn(1));
                    picker->BitBtn1->click();
                }))
                .then(quantity(QStringLiteral("20")));
            walk(*form, steps, "N_Dostavka");
            QCOMPARE(count("SELECT COUNT(*) FROM Dostavki"), 1LL);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), 20.0);
        }

        // A sale at the shop desk: the article by its number, two of it, in cash.
        ShopDesk *desk = ShopDesk::instance();
        QVERIFY(desk);
        ShopTab *shop = form->TabSheet_Magazin;
        form->PageControl1->setCurrentIndex(0);
        const auto addLine = [&] {
            type(desk->Edit_Barkod, QStringLiteral("1"));
            enter(desk->Edit_Barkod);
            type(shop->Edit_Broj, QStringLiteral("2"));
            shop->Button_Insert_in_List->click(); // "Добави в списък"
        };
        addLine();
        QCOMPARE(desk->lines()->rowCount(), 1);
        // The bill's columns, left to right: the amount before the operator.
        {
            QStringList titles;
            const QHeaderView *header = desk->DBGrid1->horizontalHeader();
            for (int v = 0; v < header->count(); ++v)
                if (const int c = header->logicalIndex(v); !header->isSectionHidden(c))
                    titles << desk->lines()->headerData(c, Qt::Horizontal).toString();
            QCOMPARE(titles, (QStringList{QStringLiteral("Арт. №"), QStringLiteral("Описание"), QStringLiteral("Кол."),
                                          QStringLiteral("Мярка"), QStringLiteral("Ед. Цена"), QStringLiteral("Валута"),
                                          QStringLiteral("TO в %"), QStringLiteral("Общо в лева"),
                                          QStringLiteral("Оператор")}));
        }
        {
            ModalWalk steps;
            steps.then(in<TForm_Pay_Type>([](TForm_Pay_Type *pay) {
                QVERIFY(pay->Item[0]->isChecked());
                type(pay->Edit_Dadena_Sum, QStringLiteral("10"));
                pay->BitBtn_Priemi->click();
            }));
            steps.start();
            desk->DBGrid1->selectAll();
            shop->Button_Prodajba->click();
            PlatformScript::setModalHandler({});
            QCOMPARE(steps.taken(), 1);
        }
        QCOMPARE(count("SELECT COUNT(*) FROM Prodajbi"), 1LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), 18.0);
        QCOMPARE(desk->lines()->rowCount(), 0);

        // Special discounts from the counterparty editor: 5 % on "Кафе" for the customer.
        {
            ModalWalk steps;
            steps.then(in<TForm_Kontrakents>([](TForm_Kontrakents *browser) {
                     QVERIFY(browser->positionOn(2));
                     browser->BitBtn_Redaktiraj_Kontragent->click();
                     browser->close();
                 }))
                .then(in<TForm_Klienti>([](TForm_Klienti *editor) { editor->Button_Sp_TO->click(); }))
                .then(in<TForm_Spec_Otstapki>([](TForm_Spec_Otstapki *discounts) {
                    discounts->Button1->click(); // "Добави": the customer
                    QCOMPARE(discounts->Label_TO_Klient->text(), QStringLiteral("2:Редовен Клиент ЕТ"));
                    discounts->ComboBox_Select_G_A->setCurrentIndex(1); // "артикул"
                    Q_EMIT discounts->ComboBox_Select_G_A->activated(1);
                    QCOMPARE(discounts->Label_TO_Artikul->text(), QStringLiteral("1:Кафе"));
                    type(discounts->Edit_TO, QStringLiteral("5"));
                    discounts->Button_Nova_TO->click();    // "Добави"
                    discounts->Button_New_T_O->click();    // "Запис"
                    discounts->Button_Cancel_All->click(); // closes
                }))
                .then(in<TForm_Kontrakents>([](TForm_Kontrakents *picker) {
                    QVERIFY(picker->Panel_IZberi->isVisible());
                    QVERIFY(picker->positionOn(2));
                    picker->BitBtn_Izberi_Kontragent->click();
                }))
                .then(in<TForm_Artikuli>([](TForm_Artikuli *picker) {
                    QVERIFY(picker->positionOn(1));
                    picker->BitBtn1->click();
                }));
            walk(*form, steps, "N_Klienti");
            const auto discount =
                Db::firstRow(QStringLiteral("SELECT ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O FROM SP_otstapka"));
            QVERIFY(discount);
            QCOMPARE(QStringLiteral("%1:%2:%3:%4")
                         .arg(discount->value(0).toString(), discount->value(1).toString(),
                              discount->value(2).toString())
                         .arg(discount->value(3).toDouble()),
                     QStringLiteral("2:A:1:5"));
        }

        // A shop document: designed in "Документация...", printed from the shop tab.
        {
            ModalWalk steps;
            steps.then(in<TForm_GeneralForm_Dokumentaciq>([](TForm_GeneralForm_Dokumentaciq *designer) {
                     QVERIFY(designer->CheckBox_Magazin->isChecked());
                     designer->N_Etiket->trigger();
                     TForm_Nastrojki *editor = designer->editor();
                     QVERIFY(editor);
                     // "Добавяне на елементи" on a 1280 x 800 screen: its buttons on it.
                     onTheScreen(editor, {editor->BitBtn1, editor->BitBtn2});
                     editor->RadioButton_Baza->click();
                     editor->BitBtn1->click(); // "СЪЗДАЙ"
                     const int field = editor->ComboBox_Poleta->findText(QStringLiteral("Produkti-Opisanie"));
                     QVERIFY(field >= 0);
                     editor->ComboBox_Poleta->setCurrentIndex(field);
                     Q_EMIT editor->ComboBox_Poleta->activated(field);
                     designer->N2->trigger(); // "Запази"
                     designer->close();
                 }))
                .then(in<TName_Of_Dokument>([](TName_Of_Dokument *name) {
                    type(name->Edit_Name_Of_Dok, QStringLiteral("Стокова разписка"));
                    name->SpinEdit_Nomer_Dok->setValue(1); // numbered from 1
                    name->OKBtn->click();
                }));
            walk(*form, steps, "N_Dokumentacia");
            QCOMPARE(count("SELECT COUNT(*) FROM Dokumenti"), 1LL);
        }
        addLine();
        QCOMPARE(desk->lines()->rowCount(), 1);
        desk->DBGrid1->selectAll();
        form->action(QStringLiteral("N_Dokumenti"))->trigger(); // Ctrl+P: the documents and the printers
        QCOMPARE(desk->ChkListBox_Pokaj_Dokum->count(), 1);
        const auto tick = [](QListWidget *list, int row) {
            const QRect r = list->visualItemRect(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        };
        tick(desk->ChkListBox_Pokaj_Dokum, 0);
        QCOMPARE(desk->ChkListBox_Pokaj_Dokum->item(0)->checkState(), Qt::Checked);
        // No printer is installed: the printout goes to a PDF file.
        QListWidget *printers = desk->Printers->CheckListBox_Printers;
        QCOMPARE(printers->count(), 1);
        tick(printers, 0);
        QCOMPARE(desk->Printers->checkedPrinters(), QStringList{Printers::PdfFile});
        const QString pdf = program.file(QStringLiteral("разписка.pdf"));
        {
            ModalWalk steps;
            steps.then(in<ReportPreview>([&pdf](ReportPreview *preview) {
                PlatformScript::answer(pdf);
                QTest::mouseClick(preview->Button_Print, Qt::LeftButton);
                preview->Button_Close->click();
            }));
            steps.start();
            shop->Button_Pe4at_Dokumenti->click();
            PlatformScript::setModalHandler({});
            QCOMPARE(steps.taken(), 1);
        }
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID_Art || ':' || N_Dok FROM Printed_Dok")).toString(),
                 QStringLiteral("1:1"));
        const double stock = Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble();

        // "Ревизия": a count of -5 is refused where it is typed; the stock stays.
        {
            ModalWalk steps;
            steps.then(in<TForm_Revision>([](TForm_Revision *count) {
                type(count->Edit_Art_ID, QStringLiteral("1"));
                enter(count->Edit_Art_ID);
                type(count->Edit_Kol, QStringLiteral("-5"));
                enter(count->Edit_Kol);
                QCOMPARE(count->model()->rowCount(), 0);
                count->close();
            }));
            steps.start();
            PlatformScript::clearEvents();
            QVERIFY(form->triggerItem(QStringLiteral("N_Revizia")));
            PlatformScript::setModalHandler({});
            QCOMPARE(steps.taken(), 1);
            const QStringList told = PlatformScript::texts(QStringLiteral("message"));
            QVERIFY2(told.size() == 1 && told.first().contains(QStringLiteral("по-голямо или равно на 0")),
                     qPrintable(told.join(QLatin1Char('|'))));
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), stock);
        }

        // "Ревизия" of a cheap line, then of one at 1 234 567.8900: the price
        // is shown whole, not cut to "1234…".
        {
            ModalWalk steps;
            steps.then(in<TForm_Revision>([](TForm_Revision *count) {
                type(count->Edit_Art_ID, QStringLiteral("1"));
                enter(count->Edit_Art_ID);
                enter(count->Edit_Kol); // the quantity held
                type(count->Edit_Art_ID, QStringLiteral("2"));
                enter(count->Edit_Art_ID);
                type(count->Edit_Kol, QStringLiteral("1"));
                enter(count->Edit_Kol);
                QCOMPARE(count->model()->rowCount(), 2);
                QTableView *grid = count->DBGrid1;
                const int price = count->model()->fieldIndex(QStringLiteral("Ed_Cena"));
                const QString shown = count->model()->data(count->model()->index(1, price)).toString();
                QVERIFY2(shown.startsWith(QStringLiteral("1234567.89")), qPrintable(shown));
                const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
                // As shown, and at four price decimals.
                for (const QString &text : {shown, QStringLiteral("1234567.8900")})
                    QVERIFY2(grid->columnWidth(price) >= grid->fontMetrics().horizontalAdvance(text) + margins,
                             qPrintable(QStringLiteral("%1: %2 < %3").arg(text).arg(grid->columnWidth(price))
                                            .arg(grid->fontMetrics().horizontalAdvance(text) + margins)));
                QVERIFY(count->BitBtn_SaveClick());
            }));
            walk(*form, steps, "N_Revizia");
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), stock);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 2")).toDouble(), 1.0);
        }

        // "Изплащане вноски" from the menu: no counterparty chosen, said in Bulgarian.
        {
            ModalWalk steps;
            steps.then(in<TForm_Vnoski_Kredit>([](TForm_Vnoski_Kredit *instalments) {
                QCOMPARE(instalments->Label_Kontrag_Vnoski->text(), QStringLiteral("0: Няма избран контрагент"));
                QCOMPARE(instalments->ComboBox_N_Kredit->count(), 0);
                instalments->Button_Cancel->click();
            }));
            walk(*form, steps, "N5");
        }

        // A cashier denied "Доставки...": the catalogue's group command
        // "Доставка" is refused too, and no delivery line is written.
        {
            const int deliveries = form->menu().numberOf(QStringLiteral("N_Dostavka"));
            addOperator(QStringLiteral("Касиер"), QStringLiteral("1"), QStringLiteral("%1=1,").arg(deliveries));
            loginAs(QStringLiteral("Касиер"), QStringLiteral("1"));
            QVERIFY(form->N_dostapClick());
            PlatformScript::setModalHandler({});
            QVERIFY(!form->action(QStringLiteral("N_Dostavka"))->isEnabled());
            QVERIFY(!form->SpdBtn_Dostavka->isEnabled());
            ModalWalk steps;
            steps.then(in<TForm_Artikuli>([](TForm_Artikuli *catalogue) {
                catalogue->TreeView1->setCurrentItem(catalogue->nodeOfKey(1));
                catalogue->TreeView1Click();
                catalogue->PopupMenu_TreePopup(); // right-click on the group
                catalogue->N_Dostavka_Grupa->trigger(); // "Операции над избраната група" → "Доставка"
                catalogue->close();
            }));
            steps.start();
            PlatformScript::clearEvents();
            QVERIFY(form->triggerItem(QStringLiteral("N_Artikuli")));
            PlatformScript::setModalHandler({});
            QCOMPARE(steps.opened, QStringList{QStringLiteral("Form_Artikuli")}); // no delivery window
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{QStringLiteral("Няма права за достъп до \"Номенклатури → Доставки\".")});
            QCOMPARE(count("SELECT COUNT(*) FROM DostavkiTMP"), 0LL);
            QCOMPARE(count("SELECT COUNT(*) FROM Dostavki"), 1LL);
            QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 1")).toDouble(), stock);
        }

        // "Нова база": a click on one folder, then the keyboard to another;
        // the new database is made where the tree shows.
        {
            const QString clicked = program.file(QStringLiteral("Системна"));
            const QString chosen = program.file(QStringLiteral("Бази"));
            QVERIFY(QDir().mkpath(clicked));
            QVERIFY(QDir().mkpath(chosen));
            ModalWalk steps;
            steps.then(in<TForm_Sazdava_Nova_Baza>([&](TForm_Sazdava_Nova_Baza *create) {
                     type(create->Edit_ime_baza, QStringLiteral("Втори магазин"));
                     FolderTree *tree = create->DirectoryListBox1;
                     auto *model = qobject_cast<QFileSystemModel *>(tree->model());
                     QTRY_VERIFY(model->index(clicked).isValid() && model->index(chosen).isValid());
                     tree->scrollTo(model->index(clicked));
                     QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                                       tree->visualRect(model->index(clicked)).center());
                     typeKeys(tree, QStringLiteral("Бази"));
                     QCOMPARE(model->filePath(tree->currentIndex()), chosen);
                     enter(tree); // opens the folder, the window stays
                     QVERIFY(create->isVisible());
                     create->BitBtn_OK->click();
                 }))
                .then(in<TForm_Dostap_Operators>([](TForm_Dostap_Operators *login) {
                    login->ComboBox_Operators->setCurrentIndex(
                        login->ComboBox_Operators->findText(QStringLiteral("Администратор")));
                    login->Edit_Password->setText(QStringLiteral("admin"));
                    login->OKBtn->click();
                }));
            walk(*form, steps, "N_Nova_Baza");
            const QString made = QDir(chosen).filePath(QStringLiteral("Втори магазин"));
            QCOMPARE(DataModule1->databaseFolder(), made);
            QVERIFY(Db::folderHoldsDatabase(made));
            QVERIFY(QDir(clicked).isEmpty());
        }
        form->Timer1->stop();
        form->hide();
    }
};
VTEST(NewcomerWalk)

#include "test_newcomer_walk.moc"
