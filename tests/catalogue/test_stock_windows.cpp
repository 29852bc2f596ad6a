#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "stock_documents_support.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "catalogue/article_list.h"
#include "catalogue/deliveries.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_brak.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_revision.h"
#include "catalogue/form_transfer.h"
#include "catalogue/stock_lines.h"
#include "catalogue/stock_taking.h"
#include "common/program_folder.h"
#include "common/text_file.h"
#include "platform/db/database.h"
#include "platform/db/work_tables.h"
#include "platform/script.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace StockTest;

namespace {
// Answers of the quantity prompt, in order: a quantity, or "" for "ОТКАЖИ".
QStringList promptAnswers;
QStringList promptLabels;
// What the catalogue does while it shows as a picker.
std::function<void(TForm_Artikuli *)> catalogueSteps;
std::function<void(QDialog *)> otherWindow;

void scriptWindows()
{
    PlatformScript::setModalHandler([](QDialog *d) {
        if (auto *prompt = qobject_cast<TForm_Get_Kol *>(d)) {
            prompt->show();
            promptLabels << prompt->Label_Opis->text();
            const QString answer = promptAnswers.isEmpty() ? QString() : promptAnswers.takeFirst();
            prompt->hide();
            if (answer.isEmpty())
                return TForm_Get_Kol::ResultCancel;
            prompt->Edit_Kol->setText(answer);
            return TForm_Get_Kol::ResultOk;
        }
        if (auto *w = qobject_cast<TForm_Artikuli *>(d)) {
            w->setResult(0);
            w->show();
            if (catalogueSteps)
                catalogueSteps(w);
            const int result = w->isVisible() ? int(QDialog::Rejected) : w->result();
            if (w->isVisible())
                w->done(QDialog::Rejected);
            w->hide();
            return result;
        }
        if (otherWindow && !qobject_cast<QDialog *>(d)->inherits("TForm_Print_Vid_Fail")) {
            d->show();
            otherWindow(d);
            d->hide();
        }
        return int(QDialog::Rejected);
    });
}

// A fresh program whose windows the test drives.
struct Program : TestProgram {
    Program() { scriptWindows(); }
};

void markRows(TForm_Artikuli *w, const QList<int> &rows)
{
    w->DBGrid_Articles->clearSelection();
    for (int r : rows)
        w->DBGrid_Articles->selectionModel()->select(w->list()->index(r, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        w->DBGrid_Articles->selectionModel()->setCurrentIndex(w->list()->index(rows.last(), 0),
                                                              QItemSelectionModel::NoUpdate);
}

// The catalogue picks row `row` of the list and the prompt answers `quantity`.
void pickRow(StockMoveWindow &w, int row, const QString &quantity)
{
    promptAnswers = {quantity};
    catalogueSteps = [row](TForm_Artikuli *c) {
        markRows(c, {row});
        c->BitBtn1Click();
    };
    w.Button_Add_ArtClick();
}

void shop()
{
    CatalogueTest::writeTree({QStringLiteral("Всички артикули"), QStringLiteral("1:Стоки")});
    CatalogueTest::addGroup(1, QStringLiteral("Стоки"));
    addWarehouse(1, QStringLiteral("Магазин"));
    addWarehouse(2, QStringLiteral("Склад"));
    addCurrency(QStringLiteral("EUR2"), 2);
    addArticle(10, QStringLiteral("Кафе"), 10, QStringLiteral("EUR2"));
    addArticle(11, QStringLiteral("Чай"), 4);
}

// The report's lines (UTF-8 with CR LF).
QStringList reportLines(const QString &name)
{
    QFile f(QDir(ProgramFolder::path()).filePath(QStringLiteral("TEMP/") + name + QStringLiteral(".txt")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.split(QStringLiteral("\r\n"));
}

QString cell(QTableView *grid, int row, const QString &field)
{
    auto *model = static_cast<StockLinesModel *>(grid->model());
    return model->data(model->index(row, model->fieldIndex(field))).toString();
}
} // namespace

class StockWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::activate();
        ArticlePickMode = -1;
        PriceDecimals = 2;
        promptAnswers.clear();
        promptLabels.clear();
        catalogueSteps = {};
        otherWindow = {};
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        delete Form_Artikuli;
        delete Form_Dostavki;
    }

    void transferNeedsTwoWarehouses()
    {
        Program program;
        addWarehouse(1, QStringLiteral("Магазин"));
        TForm_Transfer w;
        w.FormShow();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("В програмата има зададен само един склад!")});
        QVERIFY(!w.prepared());
        QVERIFY(!w.Edit_Art_ID->isEnabled());
        QVERIFY(!w.BitBtn3->isEnabled());
    }

    void transferLinesValueAndSave()
    {
        Program program;
        shop();
        setStock(10, 1, 7);
        TForm_Transfer w;
        w.show();
        w.FormShow();
        QCOMPARE(w.ComboBox_Sklad_Ot->currentText(), QStringLiteral("1:Магазин"));
        QCOMPARE(w.ComboBox_Sklad_Do->currentText(), QStringLiteral("2:Склад"));
        // the proposed quantity is the source's stock
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        QCOMPARE(w.Label_Sel_Art->text(), QStringLiteral("10:Кафе"));
        QCOMPARE(w.Edit_Kol->text(), QStringLiteral("7.000"));
        w.Edit_Kol->setText(QStringLiteral("3"));
        w.Edit_KolKeyPress();
        QCOMPARE(cell(w.DBGrid2, 0, QStringLiteral("Sum_Row")), QStringLiteral("60.00"));
        QCOMPARE(w.Edit_Ob6to->text(), QStringLiteral("60.00"));
        w.Edit_Art_ID->setText(QStringLiteral("11"));
        w.Edit_Art_IDKeyPress();
        QCOMPARE(w.Edit_Kol->text(), QStringLiteral("0.000"));
        w.Edit_Kol->setText(QStringLiteral("abc"));
        w.Edit_KolKeyPress();
        QCOMPARE(w.model()->rowCount(), 1); // a quantity that is no number adds nothing
        // an unknown number: the message, then the picker
        bool picked = false;
        catalogueSteps = [&picked](TForm_Artikuli *) { picked = ArticlePickMode == TForm_Transfer::PickMode; };
        PlatformScript::clearEvents();
        w.Edit_Art_ID->setText(QStringLiteral("999"));
        w.Edit_Art_IDKeyPress();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Въведеният номер за артикул не съществува!")});
        QVERIFY(picked);
        // the report
        QVERIFY(w.Button_PrintClick());
        const QStringList lines = reportLines(QStringLiteral("Revision"));
        QCOMPARE(lines.mid(0, 5), (QStringList{QString(), QStringLiteral("\t ТРАНСФЕР НА СТОКИ МЕЖДУ СКЛАДОВЕ"),
                                               QStringLiteral("\tОТ СКЛАД: 1:Магазин"),
                                               QStringLiteral("\tКЪМ СКЛАД: 2:Склад"), QString()}));
        QVERIFY(lines.at(5).startsWith(QStringLiteral("\tОт Дата:") + QDate::currentDate().toString("dd.MM.yyyy")
                                       + QStringLiteral(", ")));
        QVERIFY(lines.contains(QStringLiteral("\tОБЩО: 60.00")));
        // the line fixes the warehouses: one into other warehouses is refused
        w.ComboBox_Sklad_Do->setCurrentIndex(0);
        PlatformScript::clearEvents();
        QVERIFY(!w.addArticle(11, 1));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QString::fromUtf8(StockMoveList::OtherWarehouses)});
        QCOMPARE(w.model()->rowCount(), 1);
        w.ComboBox_Sklad_Do->setCurrentIndex(1);
        QVERIFY(w.BitBtn3Click());
        QVERIFY(!w.isVisible());
        QCOMPARE(stock(10, 1).toDouble(), 4.0);
        QCOMPARE(stock(10, 2).toDouble(), 3.0);
    }

    void transferPickAsksEachMarkedArticle()
    {
        Program program;
        shop();
        TForm_Transfer w;
        w.show();
        w.FormShow();
        promptAnswers = {QString(), QStringLiteral("2,5")}; // the first prompt cancelled
        catalogueSteps = [](TForm_Artikuli *c) {
            markRows(c, {0, 1});
            c->BitBtn1Click();
        };
        w.Button_Add_ArtClick();
        QCOMPARE(promptLabels, (QStringList{QStringLiteral("10:Кафе"), QStringLiteral("11:Чай")}));
        QCOMPARE(w.model()->rowCount(), 1);
        QCOMPARE(w.model()->value(0, QStringLiteral("Art_ID")).toLongLong(), 11LL);
        QCOMPARE(w.model()->value(0, QStringLiteral("Kol")).toDouble(), 2.5);
        QCOMPARE(w.model()->value(0, QStringLiteral("Sklad_Do")).toLongLong(), 2LL);
        // editing the quantity of the line
        promptAnswers = {QStringLiteral("4")};
        w.DBGrid2->setCurrentIndex(w.model()->index(0, 1));
        w.Button_EditClick();
        QCOMPARE(w.model()->value(0, QStringLiteral("Kol")).toDouble(), 4.0);
        QCOMPARE(ArticlePickMode, -1);
    }

    void writeOff()
    {
        Program program;
        {
            TForm_Brak none;
            none.FormShow();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{QStringLiteral("В програмата няма зададен склад!")});
            none.Edit_Art_ID->setText(QStringLiteral("10"));
            none.Edit_Art_IDKeyPress();
            QCOMPARE(none.model()->rowCount(), 0);
        }
        shop();
        setStock(10, 2, 5);
        TForm_Brak w;
        w.show();
        w.FormShow();
        w.ComboBox_Sklad_Ot->setCurrentIndex(1);
        promptAnswers = {QStringLiteral("2")};
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress(); // Enter asks the quantity
        QCOMPARE(w.model()->rowCount(), 1);
        QVERIFY(!w.ComboBox_Sklad_Ot->isEnabled()); // the lines belong to the warehouse chosen
        QCOMPARE(w.Edit_Ob6to->text(), QStringLiteral("40.00"));
        pickRow(w, 1, QStringLiteral("1"));
        QCOMPARE(w.model()->rowCount(), 2);
        QVERIFY(w.Button_PrintClick());
        const QStringList lines = reportLines(QStringLiteral("Brak"));
        QCOMPARE(lines.mid(0, 4), (QStringList{QString(), QStringLiteral("\t БРАКУВАНЕ НА СТОКИ"),
                                               QStringLiteral("\tСКЛАД: 2:Склад"), QString()}));
        QVERIFY(lines.at(4).startsWith(QStringLiteral("\tОт Дата:") + QDate::currentDate().toString("dd.MM.yyyy")));
        QVERIFY(w.BitBtn3Click());
        QCOMPARE(stock(10, 2).toDouble(), 3.0);
        QCOMPARE(stock(11, 2).toDouble(), -1.0);
        QVERIFY(!stock(10, 1).isValid());
    }

    void stockTakingWindow()
    {
        Program program;
        shop();
        setStock(10, 2, 8);
        {
            // a count of warehouse 2 left unfinished
            StockTaking::prepare();
            StockTaking::addLine(10, 5, 2);
        }
        TForm_Revision w;
        w.show();
        w.FormShow();
        QCOMPARE(w.ComboBox_Sklad->currentText(), QStringLiteral("2:Склад"));
        QVERIFY(!w.ComboBox_Sklad->isEnabled());
        QCOMPARE(w.ComboBox_Osnovanie->currentText(), QStringLiteral("Проверка наличности"));
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        QCOMPARE(w.Edit_Kol->text(), QStringLiteral("8.000")); // held once, at the first line
        w.Edit_Kol->setText(QStringLiteral("3"));
        w.Edit_KolKeyPress();
        QCOMPARE(w.model()->rowCount(), 2);
        QCOMPARE(w.Edit_Difrents->text(), QStringLiteral("0.00"));
        QCOMPARE(w.Edit_Ob6to_Nal->text(), QStringLiteral("160.00"));
        // picked lines hold the counted warehouse's stock too
        promptAnswers = {QStringLiteral("1")};
        catalogueSteps = [](TForm_Artikuli *c) {
            markRows(c, {1});
            c->BitBtn1Click();
        };
        setStock(11, 1, 50);
        w.Button_Add_ArtClick();
        QCOMPARE(w.model()->rowCount(), 3);
        QCOMPARE(w.model()->value(2, QStringLiteral("Nal_Kol")).toDouble(), 0.0);
        QVERIFY(w.Button_PrintClick());
        const QStringList lines = reportLines(QStringLiteral("Revision"));
        QCOMPARE(lines.mid(0, 3), (QStringList{QString(), QStringLiteral("\t РЕВИЗИЯ N: 1"), QString()}));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("\tОт Дата:")));
        QVERIFY(lines.contains(QStringLiteral("\tСума разлика: ") + w.Edit_Difrents->text()));
        // leaving a started count asks; No keeps it
        w.reject();
        QVERIFY(w.isVisible());
        QVERIFY(w.BitBtn_SaveClick());
        QCOMPARE(stock(10, 2).toDouble(), 8.0);
        QCOMPARE(stock(11, 2).toDouble(), 1.0);
        QCOMPARE(CatalogueTest::count(QStringLiteral("SELECT COUNT(*) FROM Revision_Art")), 2LL);
    }

    void deliveryWindow()
    {
        Program program;
        shop();
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addDocumentKind(QStringLiteral("Фактура"));
        auto *w = new TForm_Dostavki;
        Form_Dostavki = w;
        w->show();
        w->FormShow();
        QCOMPARE(w->state(), 1);
        QCOMPARE(w->ComboBox_Valuta->currentText(), QStringLiteral("BGN"));
        QCOMPARE(w->Label12->text(), QStringLiteral("1"));
        // supplier search and pick
        w->Edit_Dostav4ik->setText(QStringLiteral("достав"));
        Q_EMIT w->Edit_Dostav4ik->textEdited(w->Edit_Dostav4ik->text());
        QCOMPARE(w->ListBox_SelectDostav4ik->count(), 1);
        w->pickSupplier(w->ListBox_SelectDostav4ik->item(0)->text());
        QCOMPARE(w->Edit_Dostav4ik->text(), QStringLiteral("7:Доставчик ООД"));
        QCOMPARE(w->Label_Sel_Nomenkl->text(), QStringLiteral("н.")); // the supplier's numbers
        w->Label_Sel_NomenklClick();
        QCOMPARE(w->Label_Sel_Nomenkl->text(), QStringLiteral("а."));
        // two lines of one article
        for (const char *kol : {"2", "3"}) {
            w->Edit_Art_ID->setText(QStringLiteral("11"));
            w->Edit_Art_IDKeyPress();
            w->Edit_dost_Cena->setText(QStringLiteral("1,5"));
            w->Edit_Kol->setText(QString::fromLatin1(kol));
            QVERIFY2(w->Button_AddClick(), qPrintable(PlatformScript::texts(QStringLiteral("message")).join('|')));
        }
        QCOMPARE(w->model()->rowCount(), 2);
        // editing the second leaves the first
        w->DBGrid_Art_Dost->setCurrentIndex(w->model()->index(1, 2));
        w->Button_EditClick();
        QCOMPARE(w->Button_Add->text(), QStringLiteral("Приеми"));
        w->Edit_Kol->setText(QStringLiteral("4"));
        QVERIFY(w->Button_AddClick());
        QCOMPARE(w->model()->value(0, QStringLiteral("Kolitchestvo")).toDouble(), 2.0);
        QCOMPARE(w->model()->value(1, QStringLiteral("Kolitchestvo")).toDouble(), 4.0);
        QCOMPARE(w->Button_Add->text(), QStringLiteral("Добави"));
        // "Серийни номера" waits for the warranty cards
        QVERIFY(!w->Button1->isEnabled());
        long long serialsOf = 0;
        TForm_Dostavki::setSerialNumbersOpener(
            [&serialsOf](const TForm_Dostavki::SerialNumbersRequest &r, QWidget *) { serialsOf = r.article; });
        w->FormShow();
        QVERIFY(w->Button1->isEnabled());
        w->Button1Click();
        QCOMPARE(serialsOf, 11LL);
        TForm_Dostavki::setSerialNumbersOpener({});
        // the picker: the current row only, one prompt, then the line
        promptAnswers = {QStringLiteral("5")};
        catalogueSteps = [](TForm_Artikuli *c) {
            markRows(c, {1, 0}); // two marked, the current row is the first
            c->BitBtn1Click();
        };
        w->Button_DobaviClick();
        QCOMPARE(promptLabels, QStringList{QStringLiteral("10:Кафе")});
        QCOMPARE(w->model()->rowCount(), 3);
        QCOMPARE(w->model()->value(2, QStringLiteral("Kolitchestvo")).toDouble(), 5.0);
        QCOMPARE(w->model()->value(2, QStringLiteral("Valuta_P")).toString(), QStringLiteral("EUR2"));
        promptAnswers = {QString()}; // cancelled: no line
        w->Button_DobaviClick();
        QCOMPARE(w->model()->rowCount(), 3);
        w->DBGrid_Art_Dost->setCurrentIndex(w->model()->index(2, 2));
        PlatformScript::answer(true);
        w->Button_DeleteClick();
        QCOMPARE(w->model()->rowCount(), 2);
        // payments: a comma is a decimal point, a text is refused
        w->Edit_Plateno_Banka->setText(QStringLiteral("abc"));
        PlatformScript::clearEvents();
        QVERIFY(!w->save());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(w->state(), 1);
        w->Edit_Plateno_Banka->setText(QStringLiteral("3,5"));
        w->Button_Calculate_SUMsClick();
        QCOMPARE(w->Edit_Plateno_Broj->text(), QStringLiteral("5.50"));
        // no warehouse chosen
        PlatformScript::clearEvents();
        QVERIFY(!w->save());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QString::fromUtf8(Deliveries::NoWarehouse)});
        QVERIFY(w->Button_PrintClick());
        const QStringList lines = reportLines(QStringLiteral("Доставка"));
        QCOMPARE(lines.mid(0, 2), (QStringList{QString(), QStringLiteral("\tДОСТАВКА АРТИКУЛИ")}));
        QCOMPARE(lines.at(5), QStringLiteral("\tДОСТАВЧИК: 7:Доставчик ООД"));
        QCOMPARE(lines.at(6), QStringLiteral("\tДокумент: 1:Фактура"));
        QCOMPARE(lines.at(8), QStringLiteral("\tСклад: "));
        w->ComboBox_Sklad->setCurrentIndex(1);
        {
            // Another workstation writes past the wait: told in Bulgarian, the delivery stays open.
            shortenBusyWait(200);
            WriteLockHolder holder;
            PlatformScript::clearEvents();
            QVERIFY(!w->save());
            const QStringList said = PlatformScript::texts(QStringLiteral("message"));
            QCOMPARE(said.size(), 1);
            QVERIFY2(said.first().startsWith(QString::fromUtf8(Deliveries::NotSaved) + QString::fromUtf8(Db::BusyText)),
                     qPrintable(said.first()));
            QCOMPARE(w->state(), 1);
        }
        QVERIFY(w->save());
        QCOMPARE(w->state(), 0);
        // the cleared delivery's payments: zeros, not a negative cash amount
        QCOMPARE(w->Edit_Plateno_Broj->text(), QStringLiteral("0.00"));
        QCOMPARE(w->Edit_Plateno_Banka->text(), QStringLiteral("0.0000"));
        QCOMPARE(w->Edit_Neplateno->text(), QStringLiteral("0.0000"));
        QCOMPARE(w->Label_SUM_BezDDS->text(), QStringLiteral("0.00"));
        QCOMPARE(stock(11, 2).toDouble(), 6.0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Pay_Bank FROM Dostavki")).toDouble(), 3.5);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Dostavna_Cena FROM Produkti WHERE ID = 11")).toDouble(), 1.5);
        // the next delivery starts without the payments of this one
        w->Btn_NovClick();
        QCOMPARE(w->state(), 1);
        QCOMPARE(w->Label12->text(), QStringLiteral("2"));
        QCOMPARE(w->Edit_Plateno_Banka->text(), QStringLiteral("0.0000"));
        QCOMPARE(w->Edit_Plateno_Broj->text(), QStringLiteral("0.00"));
        QCOMPARE(w->model()->rowCount(), 0);
    }

    // A delivery, transfer or write-off line takes a quantity above 0: typed,
    // asked by the prompt, given to a picked article or to a line edited.
    void quantitiesAboveZero()
    {
        const QStringList refused = {QStringLiteral("-2"), QStringLiteral("0"), QStringLiteral("-0,5")};
        Program program;
        shop();
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addDocumentKind(QStringLiteral("Фактура"));
        setStock(10, 1, 10);
        const auto namesQuantity = [] {
            const QStringList m = PlatformScript::texts(QStringLiteral("message"));
            return m.size() == 1 && m.first().contains(QStringLiteral("Количество"));
        };

        TForm_Brak brak;
        brak.show();
        brak.FormShow();
        TForm_Transfer transfer;
        transfer.show();
        transfer.FormShow();
        auto *delivery = new TForm_Dostavki;
        Form_Dostavki = delivery;
        delivery->show();
        delivery->FormShow();
        for (const QString &q : refused) {
            // write-off: the prompt after Enter, the picker, the edit of a line
            PlatformScript::clearEvents();
            promptAnswers = {q};
            brak.Edit_Art_ID->setText(QStringLiteral("10"));
            brak.Edit_Art_IDKeyPress();
            QVERIFY2(namesQuantity(), qPrintable(q));
            QCOMPARE(brak.model()->rowCount(), 0);
            PlatformScript::clearEvents();
            pickRow(brak, 0, q);
            QVERIFY2(namesQuantity(), qPrintable(q));
            QCOMPARE(brak.model()->rowCount(), 0);
            // transfer: the typed quantity and the picker
            PlatformScript::clearEvents();
            transfer.Edit_Art_ID->setText(QStringLiteral("10"));
            transfer.Edit_Art_IDKeyPress();
            transfer.Edit_Kol->setText(q);
            transfer.Edit_KolKeyPress();
            transfer.Button_AddClick();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);
            QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().contains(QStringLiteral("Количество")));
            QCOMPARE(transfer.model()->rowCount(), 0);
            PlatformScript::clearEvents();
            pickRow(transfer, 0, q);
            QVERIFY2(namesQuantity(), qPrintable(q));
            QCOMPARE(transfer.model()->rowCount(), 0);
            // delivery: the typed quantity and the picker
            PlatformScript::clearEvents();
            delivery->Edit_Art_ID->setText(QStringLiteral("11"));
            delivery->Edit_Art_IDKeyPress();
            delivery->Edit_Kol->setText(q);
            QVERIFY(!delivery->Button_AddClick());
            QVERIFY2(namesQuantity(), qPrintable(q));
            PlatformScript::clearEvents();
            promptAnswers = {q};
            catalogueSteps = [](TForm_Artikuli *c) {
                markRows(c, {0});
                c->BitBtn1Click();
            };
            delivery->Button_DobaviClick();
            QVERIFY2(namesQuantity(), qPrintable(q));
            QCOMPARE(delivery->model()->rowCount(), 0);
        }
        // a line's quantity edited to one not above 0 stays as it was
        promptAnswers = {QStringLiteral("2")};
        brak.Edit_Art_IDKeyPress();
        transfer.Edit_Kol->setText(QStringLiteral("3"));
        transfer.Button_AddClick();
        delivery->Edit_Kol->setText(QStringLiteral("4"));
        QVERIFY(delivery->Button_AddClick());
        for (const QString &q : refused) {
            for (StockMoveWindow *w : {static_cast<StockMoveWindow *>(&brak), static_cast<StockMoveWindow *>(&transfer)}) {
                const double before = w->model()->value(0, QStringLiteral("Kol")).toDouble();
                PlatformScript::clearEvents();
                promptAnswers = {q};
                w->DBGrid2->setCurrentIndex(w->model()->index(0, 1));
                w->Button_EditClick();
                QVERIFY2(namesQuantity(), qPrintable(q));
                QCOMPARE(w->model()->value(0, QStringLiteral("Kol")).toDouble(), before);
            }
            PlatformScript::clearEvents();
            delivery->DBGrid_Art_Dost->setCurrentIndex(delivery->model()->index(0, 2));
            delivery->Button_EditClick();
            delivery->Edit_Kol->setText(q);
            QVERIFY(!delivery->Button_AddClick());
            QVERIFY2(namesQuantity(), qPrintable(q));
            delivery->Button_DeleteClick(); // leaves the replace state
            QCOMPARE(delivery->model()->value(0, QStringLiteral("Kolitchestvo")).toDouble(), 4.0);
        }
        // so the stock only ever moves the right way
        QVERIFY(brak.BitBtn3Click());
        QCOMPARE(stock(10, 1).toDouble(), 8.0);
        QVERIFY(transfer.BitBtn3Click());
        QCOMPARE(stock(10, 1).toDouble(), 5.0);
        QCOMPARE(stock(10, 2).toDouble(), 3.0);
    }


    // A count is 0 or more: typed, given to a picked article, or a line edited
    // to below 0 is refused in the window and in the module, so no stock-taking
    // sets a stock negative.
    // Totals past the exact decimals' range are told, not fatal.
    void aCountTooLargeToTotalIsTold()
    {
        Program program;
        shop();
        setStock(10, 1, 44);
        Db::execute(QStringLiteral("UPDATE Produkti SET Ed_Cena = 1000 WHERE ID = 10"));
        TForm_Revision w;
        w.show();
        w.FormShow();
        PlatformScript::clearEvents();
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        w.Edit_Kol->setText(QStringLiteral("100000000"));
        w.Edit_KolKeyPress();
        const QStringList told = PlatformScript::texts(QStringLiteral("message"));
        QVERIFY2(told.join(QLatin1Char('|')).contains(QStringLiteral("извън допустимия обхват")), qPrintable(told.join('|')));
        QCOMPARE(w.model()->rowCount(), 0); // the count is not kept
        QVERIFY(w.isVisible());
    }

    void countsFromZeroUp()
    {
        Program program;
        shop();
        setStock(10, 1, 44);
        TForm_Revision w;
        w.show();
        w.FormShow();
        const auto refused = [] {
            const QStringList m = PlatformScript::texts(QStringLiteral("message"));
            PlatformScript::clearEvents();
            return m.size() == 1 && m.first().contains(QStringLiteral("не е число, по-голямо или равно на 0"));
        };
        PlatformScript::clearEvents();
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        w.Edit_Kol->setText(QStringLiteral("-5"));
        w.Edit_KolKeyPress();
        QVERIFY2(refused(), "typed");
        promptAnswers = {QStringLiteral("-5")};
        catalogueSteps = [](TForm_Artikuli *c) {
            markRows(c, {0});
            c->BitBtn1Click();
        };
        w.Button_Add_ArtClick();
        QVERIFY2(refused(), "picked");
        QCOMPARE(w.model()->rowCount(), 0);
        w.Edit_Kol->setText(QStringLiteral("0"));
        w.Edit_KolKeyPress(); // nothing found is a count too
        QCOMPARE(w.model()->rowCount(), 1);
        PlatformScript::clearEvents();
        promptAnswers = {QStringLiteral("-5")};
        w.DBGrid1->setCurrentIndex(w.model()->index(0, 1));
        w.DBGrid1DblClick();
        QVERIFY2(refused(), "edited");
        QCOMPARE(w.model()->value(0, QStringLiteral("Otkr_Kol")).toDouble(), 0.0);
        // the module refuses it too
        const long long n = w.model()->value(0, QStringLiteral("N")).toLongLong();
        QCOMPARE(StockTaking::addLine(10, Decimal(-5), 1), 0LL);
        QVERIFY(!StockTaking::setCounted(n, Decimal(-5)));
        // a line below 0 left by an older version stops the save
        Db::execute(QStringLiteral("UPDATE ") + WorkTables::qualified(QStringLiteral("Revision_TMP"))
                    + QStringLiteral(" SET Otkr_Kol = -5"));
        PlatformScript::clearEvents();
        QVERIFY(!w.BitBtn_SaveClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(stock(10, 1).toDouble(), 44.0);
        QVERIFY(StockTaking::setCounted(n, Decimal(0)));
        QVERIFY(w.BitBtn_SaveClick());
        QCOMPARE(stock(10, 1).toDouble(), 0.0);
    }

    // A quantity keeps its three decimals whatever the price decimals (2
    // here): in the delivery grid, the stock saved and the quantities the
    // windows propose. A fourth decimal is refused with a message wherever a
    // quantity is typed.
    void quantitiesKeepThreeDecimals()
    {
        Program program;
        shop();
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addDocumentKind(QStringLiteral("Фактура"));
        auto *delivery = new TForm_Dostavki;
        Form_Dostavki = delivery;
        delivery->show();
        delivery->FormShow();
        delivery->pickSupplier(QStringLiteral("7:Доставчик ООД"));
        delivery->Label_Sel_NomenklClick(); // our own article numbers
        const auto typeLine = [delivery](const QString &kol) {
            delivery->Edit_Art_ID->setText(QStringLiteral("11"));
            delivery->Edit_Art_IDKeyPress();
            delivery->Edit_dost_Cena->setText(QStringLiteral("1.5"));
            delivery->Edit_Kol->setText(kol);
            return delivery->Button_AddClick();
        };
        QVERIFY(typeLine(QStringLiteral("1.235")));
        QVERIFY(typeLine(QStringLiteral("0,004")));
        QCOMPARE(cell(delivery->DBGrid_Art_Dost, 0, QStringLiteral("Kolitchestvo")), QStringLiteral("1.235"));
        QCOMPARE(cell(delivery->DBGrid_Art_Dost, 1, QStringLiteral("Kolitchestvo")), QStringLiteral("0.004"));

        const auto refusedFourth = [](const QString &typed) {
            const QStringList m = PlatformScript::texts(QStringLiteral("message"));
            PlatformScript::clearEvents();
            return m.size() == 1 && m.first().contains(typed) && m.first().contains(QStringLiteral("3 знака"));
        };
        PlatformScript::clearEvents();
        QVERIFY(!typeLine(QStringLiteral("1.2345")));
        QVERIFY2(refusedFourth(QStringLiteral("1.2345")), "delivery");
        QCOMPARE(delivery->model()->rowCount(), 2);
        delivery->ComboBox_Sklad->setCurrentIndex(0);
        QCOMPARE(delivery->ComboBox_Sklad->currentText(), QStringLiteral("1:Магазин"));
        QVERIFY(delivery->save());
        QCOMPARE(stock(11, 1).toDouble(), 1.239);

        TForm_Transfer transfer;
        transfer.show();
        transfer.FormShow();
        transfer.Edit_Art_ID->setText(QStringLiteral("11"));
        transfer.Edit_Art_IDKeyPress();
        QCOMPARE(transfer.Edit_Kol->text(), QStringLiteral("1.239")); // the source's stock, whole
        transfer.Edit_Kol->setText(QStringLiteral("0.0005"));
        transfer.Edit_KolKeyPress();
        QVERIFY2(refusedFourth(QStringLiteral("0.0005")), "transfer");
        QCOMPARE(transfer.model()->rowCount(), 0);

        TForm_Brak brak;
        brak.show();
        brak.FormShow();
        promptAnswers = {QStringLiteral("2,0001")};
        brak.Edit_Art_ID->setText(QStringLiteral("11"));
        brak.Edit_Art_IDKeyPress();
        QVERIFY2(refusedFourth(QStringLiteral("2,0001")), "write-off");
        QCOMPARE(brak.model()->rowCount(), 0);

        TForm_Revision revision;
        revision.show();
        revision.FormShow();
        revision.Edit_Art_ID->setText(QStringLiteral("11"));
        revision.Edit_Art_IDKeyPress();
        QCOMPARE(revision.Edit_Kol->text(), QStringLiteral("1.239")); // held, whole
        revision.Edit_Kol->setText(QStringLiteral("1.2391"));
        revision.Edit_KolKeyPress();
        QVERIFY2(refusedFourth(QStringLiteral("1.2391")), "stock-taking");
        QCOMPARE(revision.model()->rowCount(), 0);
        revision.Edit_Kol->setText(QStringLiteral("1.239"));
        revision.Edit_KolKeyPress();
        QVERIFY(revision.BitBtn_SaveClick());
        QCOMPARE(stock(11, 1).toDouble(), 1.239);
    }

    // A delivery shows an article's own unit and currencies whenever its
    // fields show that article, also when the window comes back after a save.
    void deliveryShowsTheArticlesUnitAndCurrencies()
    {
        Program program;
        shop();
        addSupplier(7, QStringLiteral("Доставчик ООД"));
        addDocumentKind(QStringLiteral("Фактура"));
        addArticle(1003, QStringLiteral("Бисквити"), 3);
        Db::execute(QStringLiteral("UPDATE Produkti SET Mqrka = 'пакет', Valuta_D = 'EUR2', Valuta_P = 'BGN' "
                                   "WHERE ID = 1003"));
        addArticle(1004, QStringLiteral("Сол"), 1, QStringLiteral("XYZ")); // a currency the rates lack
        auto *w = new TForm_Dostavki;
        Form_Dostavki = w;
        w->show();
        w->FormShow();
        w->pickSupplier(QStringLiteral("7:Доставчик ООД"));
        w->ComboBox_Sklad->setCurrentIndex(0);
        w->Label_Sel_NomenklClick(); // own numbers
        const auto shows = [w](const char *unit, const char *delivery, const char *sale) {
            return w->ComboBox_Mqrka->currentText() == QString::fromUtf8(unit)
                   && w->ComboBox_Valuta->currentText() == QString::fromUtf8(delivery)
                   && w->ComboBoxValuta_P->currentText() == QString::fromUtf8(sale);
        };
        w->Edit_Art_ID->setText(QStringLiteral("1003"));
        w->Edit_Art_IDKeyPress();
        QVERIFY(shows("пакет", "EUR2", "BGN"));
        w->Edit_Art_ID->setText(QStringLiteral("1004"));
        w->Edit_Art_IDKeyPress();
        QVERIFY(shows("бр.", "BGN", "BGN"));
        w->Edit_Art_ID->setText(QStringLiteral("1003"));
        w->Edit_Art_IDKeyPress();
        w->Edit_dost_Cena->setText(QStringLiteral("2"));
        w->Edit_Kol->setText(QStringLiteral("5"));
        QVERIFY(w->Button_AddClick());
        QVERIFY(w->save());
        // the window opened again keeps the article in its fields: its own unit and currencies
        w->hide();
        w->show();
        w->FormShow();
        QCOMPARE(w->state(), 1);
        QCOMPARE(w->Label_Sel_Art->text(), QStringLiteral("1003:Бисквити"));
        QVERIFY(shows("пакет", "EUR2", "BGN"));
        QVERIFY(w->Button_AddClick()); // one Enter
        QCOMPARE(w->model()->value(0, QStringLiteral("Mqrka")).toString(), QStringLiteral("пакет"));
        QCOMPARE(w->model()->value(0, QStringLiteral("Valuta_D")).toString(), QStringLiteral("EUR2"));
        QCOMPARE(w->model()->value(0, QStringLiteral("Valuta_P")).toString(), QStringLiteral("BGN"));
        // changed meanwhile elsewhere: the stored ones again
        Db::execute(QStringLiteral("UPDATE Produkti SET Mqrka = 'кг.', Valuta_D = 'BGN' WHERE ID = 1003"));
        w->FormShow();
        QVERIFY(shows("кг.", "BGN", "BGN"));
    }

    // Once a transfer has lines its warehouses are fixed, so the stock moved
    // and the printed list name the same two.
    void transferWarehousesLockedWhileItHasLines()
    {
        Program program;
        shop();
        addWarehouse(3, QStringLiteral("Сергия"));
        setStock(10, 1, 7);
        TForm_Transfer w;
        w.show();
        w.FormShow();
        QVERIFY(w.ComboBox_Sklad_Ot->isEnabled() && w.ComboBox_Sklad_Do->isEnabled());
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        w.Edit_Kol->setText(QStringLiteral("2"));
        w.Edit_KolKeyPress();
        QCOMPARE(w.model()->rowCount(), 1);
        QVERIFY(!w.ComboBox_Sklad_Ot->isEnabled());
        QVERIFY(!w.ComboBox_Sklad_Do->isEnabled());
        // the picker's lines too take the list's warehouses
        pickRow(w, 1, QStringLiteral("1"));
        QCOMPARE(w.model()->rowCount(), 2);
        QCOMPARE(w.model()->value(1, QStringLiteral("Sklad_Do")).toLongLong(), 2LL);
        // the list refuses a line of two other warehouses
        QString refusal;
        QCOMPARE(w.list().addLine(11, 1, 3, 2, &refusal), 0LL);
        QCOMPARE(refusal, QString::fromUtf8(StockMoveList::OtherWarehouses));
        // all lines dropped: the warehouses may change again
        w.DBGrid2->setCurrentIndex(w.model()->index(1, 1));
        w.Button_DeleteClick();
        QVERIFY(!w.ComboBox_Sklad_Ot->isEnabled());
        w.DBGrid2->setCurrentIndex(w.model()->index(0, 1));
        w.Button_DeleteClick();
        QVERIFY(w.ComboBox_Sklad_Ot->isEnabled() && w.ComboBox_Sklad_Do->isEnabled());
        w.ComboBox_Sklad_Do->setCurrentIndex(2);
        w.Edit_Art_ID->setText(QStringLiteral("10"));
        w.Edit_Art_IDKeyPress();
        w.Edit_Kol->setText(QStringLiteral("2"));
        w.Edit_KolKeyPress();
        QVERIFY(w.Button_PrintClick());
        QCOMPARE(reportLines(QStringLiteral("Revision")).at(3), QStringLiteral("\tКЪМ СКЛАД: 3:Сергия"));
        QVERIFY(w.BitBtn3Click());
        QCOMPARE(stock(10, 3).toDouble(), 2.0);
        QVERIFY(!stock(10, 2).isValid());
        // a window shown again starts unlocked
        w.FormShow();
        QVERIFY(w.ComboBox_Sklad_Ot->isEnabled() && w.ComboBox_Sklad_Do->isEnabled());
    }

    void groupDeliveryFromTheCatalogue()
    {
        Program program;
        shop();
        bool shown = false;
        otherWindow = [&shown](QDialog *d) {
            auto *w = qobject_cast<TForm_Dostavki *>(d);
            if (!w)
                return;
            shown = true;
            QCOMPARE(w->state(), 1);
            QVERIFY(w->Button_Dobavi->isEnabled());
            QCOMPARE(w->model()->rowCount(), 2);
            QCOMPARE(w->model()->value(0, QStringLiteral("Have_DDS")).toString(), QStringLiteral("True"));
            // an unknown number: the message, then a picker of its own over the delivery
            PlatformScript::clearEvents();
            w->Edit_Art_ID->setText(QStringLiteral("999"));
            w->Edit_Art_IDKeyPress();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{QStringLiteral("Въведеният номер за артикул не съществува!")});
            QCOMPARE(PlatformScript::texts(QStringLiteral("modal")).count(QStringLiteral("Form_Artikuli")), 1);
            QVERIFY(TForm_Dostavki::isOpen());
        };
        catalogueSteps = [](TForm_Artikuli *c) {
            if (c != Form_Artikuli) { // the delivery's own picker
                QCOMPARE(ArticlePickMode, TForm_Dostavki::PickMode);
                QVERIFY(c->Panel_Izberi->isVisible());
                c->PopupMenu_TreePopup();
                QVERIFY(!c->N_Dostavka_Grupa->isEnabled());
                return;
            }
            c->TreeView1->setCurrentItem(CatalogueTest::node(c->TreeView1, QStringLiteral("Всички артикули")));
            c->N_Dostavka_GrupaClick();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                     QStringLiteral("Необходимо е да изберете валидна група"));
            c->TreeView1->setCurrentItem(CatalogueTest::node(c->TreeView1, QStringLiteral("1:Стоки")));
            c->N_Dostavka_GrupaClick();
        };
        TForm_Artikuli::N_ArtikuliClick(nullptr);
        QVERIFY(shown);
        QCOMPARE(Deliveries::lineCount(), 2);
        // during a pick the command is off
        catalogueSteps = [](TForm_Artikuli *c) {
            c->PopupMenu_TreePopup();
            QVERIFY(!c->N_Dostavka_Grupa->isEnabled());
        };
        ArticlePickMode = 11;
        TForm_Artikuli::N_ArtikuliClick(nullptr);
    }
};

VTEST(StockWindows)

#include "test_stock_windows.moc"
