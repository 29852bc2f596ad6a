#include "harness/test_registry.h"
#include "harness/query_plans.h"
#include "harness/test_support.h"

#include "app/app_state.h"
#include "app/item_rights.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_dostavki.h"
#include "common/dates.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/rab_dokumenti.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/work_tables.h"
#include "platform/script.h"
#include "repair/form_garanc_produkti.h"
#include "repair/warranty_cards.h"
#include "repair/warranty_windows.h"
#include "shell/openers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QColor>
#include <QTest>

namespace {
// Articles 11 "Телефон" and 12 "Таблет", supplier 7, kinds 1..5.
void fill()
{
    for (auto [id, name] : {std::pair{11, "Телефон"}, {12, "Таблет"}})
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Garancionen) VALUES (?, ?, 'False')"),
                    {id, QString::fromUtf8(name)});
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Доставчик ООД', 0)"));
    for (const char *k : {"Фактура", "Стокова", "Протокол", "Бележка", "Гаранционна карта"})
        RabDokumenti::add(QString::fromUtf8(k));
}

long long count(const QString &sql, const QVariantList &values = {})
{
    return Db::scalar(sql, values).toLongLong();
}

void addPiece(TForm_Garanc_Produkti &w, const QString &article, const QString &serial)
{
    w.Edit_Sel_Art->setText(article);
    w.Edit_Sel_ArtKeyPress();
    w.Edit_SN->setText(serial);
    w.BitBtn_DobaviClick();
}

void selectKind(TForm_Garanc_Produkti &w, int id)
{
    w.ComboBox_Vid_Dok->setCurrentIndex(w.ComboBox_Vid_Dok->findText(QString::number(id), Qt::MatchStartsWith));
}

QString writeFile(const QString &folder, const QByteArray &text)
{
    const QString path = folder + QStringLiteral("/garancii.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}
} // namespace

class TestWarrantyCards : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validityInDaysAndMonths_data()
    {
        QTest::addColumn<int>("validity");
        QTest::addColumn<QDate>("card");
        QTest::addColumn<int>("term");
        QTest::addColumn<QDate>("until");
        QTest::newRow("months 2023") << 2 << QDate(2023, 1, 31) << 2 << QDate(2023, 4, 1);
        QTest::newRow("months 2024") << 2 << QDate(2024, 1, 31) << 2 << QDate(2024, 3, 31);
        QTest::newRow("days") << 1 << QDate(2024, 12, 30) << 3 << QDate(2025, 1, 2);
        QTest::newRow("until date") << 0 << QDate(2024, 1, 1) << 5 << QDate();
    }
    void validityInDaysAndMonths()
    {
        QFETCH(int, validity);
        QFETCH(QDate, card);
        QFETCH(int, term);
        QFETCH(QDate, until);
        QCOMPARE(WarrantyCards::validUntil(validity, card, term), until);
    }

    // The window computes the label from the card date; switching back to
    // "до дата" keeps it until the picker changes.
    void validityLabel()
    {
        TestProgram program;
        fill();
        TForm_Garanc_Produkti w;
        w.DateTimePicker_Garanc_Data->setDate(QDate(2023, 1, 31));
        w.ComboBox1->setCurrentIndex(2);
        w.ComboBox1Change();
        QVERIFY(w.SpinEdit_Srok->isVisibleTo(&w));
        w.SpinEdit_Srok->setValue(2);
        QCOMPARE(w.Label_Art_date->text(), QStringLiteral("01.04.2023"));
        w.ComboBox1->setCurrentIndex(0);
        w.ComboBox1Change();
        QCOMPARE(w.Label_Art_date->text(), QStringLiteral("01.04.2023"));
        w.DateTimePicker_Art_Data->setDate(QDate(2025, 5, 5));
        w.DateTimePicker_Art_DataChange();
        QCOMPARE(w.Label_Art_date->text(), QStringLiteral("05.05.2025"));
    }

    // Kinds 2 and 5 are stored as their own IDs; the articles become warranted;
    // one serial twice is stored twice; the window is ready for the next card,
    // where a piece needs a validity again.
    void saveStoresTheCard_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("kind 2") << 2;
        QTest::newRow("kind 5") << 5;
    }
    void saveStoresTheCard()
    {
        QFETCH(int, kind);
        TestProgram program;
        fill();
        TForm_Garanc_Produkti w;
        QCOMPARE(w.cardNumber(), 1LL);
        QCOMPARE(w.Label_ID_Karta->text(), QStringLiteral("1"));
        selectKind(w, kind);
        w.Label_Kontragent->setText(QStringLiteral("7:Доставчик ООД"));
        w.Edit_Garanc_Nomer->setText(QStringLiteral("0000012345678")); // 13: cut to 12
        w.Edit_Zabel->setText(QStringLiteral("бележка"));
        w.DateTimePicker_Garanc_Data->setDate(QDate(2024, 2, 1));
        addPiece(w, QStringLiteral("11"), QStringLiteral("SN-1"));
        addPiece(w, QStringLiteral("11"), QStringLiteral("SN-1"));
        QCOMPARE(w.pieces()->rowCount(), 2);
        QCOMPARE(w.Edit_SN->text(), QString());
        QCOMPARE(w.Label_Artikul->text(), QStringLiteral("11:Телефон")); // stays for the next piece
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Garancia_dostavtchik WHERE ID = 1 AND ID_Kontrag = 7 "
                                      "AND Vid_Dok = ? AND ID_Dok = '000001234567' AND Data = '2024-02-01' "
                                      "AND Zabel = 'бележка'"),
                       {kind}),
                 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Serials WHERE ID_Karta = 1 AND ID = 11 "
                                      "AND Serial_ID = 'SN-1' AND Data = ?"),
                       {Dates::todayIso()}),
                 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Garancionen FROM Produkti WHERE ID = 11")).toString(),
                 QStringLiteral("True"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Garancionen FROM Produkti WHERE ID = 12")).toString(),
                 QStringLiteral("False"));
        QCOMPARE(indexesOutOfStep(), QString());
        QCOMPARE(w.pieces()->rowCount(), 0);
        QCOMPARE(w.Label_ID_Karta->text(), QStringLiteral("2"));
        QCOMPARE(w.Label_Kontragent->text(), TForm_Garanc_Produkti::noCounterpartyText());
        QCOMPARE(w.Edit_Garanc_Nomer->text(), QString());
        // The next piece needs its validity chosen again.
        PlatformScript::clearEvents();
        addPiece(w, QStringLiteral("12"), QStringLiteral("SN-2"));
        QCOMPARE(lastMessage(), QStringLiteral("Необходимо е да се въведе валидност за гаранцията"));
        QCOMPARE(w.pieces()->rowCount(), 0);
    }

    // Another workstation took the shown number: the card goes under the next, with all its pieces.
    void takenNumberSavesUnderTheNext()
    {
        TestProgram program;
        fill();
        TForm_Garanc_Produkti w;
        w.Label_Kontragent->setText(QStringLiteral("7:Доставчик ООД"));
        addPiece(w, QStringLiteral("11"), QStringLiteral("A"));
        addPiece(w, QStringLiteral("12"), QStringLiteral("B"));
        Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok) VALUES (1, 7, 1)"));
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Serials WHERE ID_Karta = 2")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Serials WHERE ID_Karta = 1")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Garancia_dostavtchik WHERE ID = 2")), 1LL);
        QCOMPARE(w.Label_ID_Karta->text(), QStringLiteral("3"));
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("pieces");
        QTest::addColumn<QString>("supplier");
        QTest::addColumn<bool>("kinds");
        QTest::addColumn<QString>("message");
        QTest::newRow("no pieces") << false << "7:Доставчик ООД" << true << WarrantyCards::noPiecesMessage();
        QTest::newRow("no supplier") << true << TForm_Garanc_Produkti::noCounterpartyText() << true
                                     << WarrantyCards::noSupplierMessage();
        QTest::newRow("unknown supplier") << true << "8:Друг" << true << WarrantyCards::noSupplierMessage();
        QTest::newRow("name only") << true << "Доставчик ООД" << true << WarrantyCards::noSupplierMessage();
        QTest::newRow("no kinds") << true << "7:Доставчик ООД" << false << WarrantyCards::noKindMessage();
    }
    void refusals()
    {
        QFETCH(bool, pieces);
        QFETCH(QString, supplier);
        QFETCH(bool, kinds);
        QFETCH(QString, message);
        TestProgram program;
        fill();
        if (!kinds)
            Db::execute(QStringLiteral("DELETE FROM Rab_Dokumenti"));
        TForm_Garanc_Produkti w;
        w.Label_Kontragent->setText(supplier);
        if (pieces)
            addPiece(w, QStringLiteral("11"), QStringLiteral("A"));
        PlatformScript::clearEvents();
        w.Button_InsertClick();
        QCOMPARE(lastMessage(), message);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Garancia_dostavtchik")), 0LL);
        QCOMPARE(w.pieces()->rowCount(), pieces ? 1 : 0);
        QCOMPARE(w.Label_Kontragent->text(), supplier);
    }

    // A serials insert that fails stores nothing and keeps the pieces.
    void failingSaveStoresNothing()
    {
        TestProgram program;
        fill();
        refuseWrites(QStringLiteral("CREATE TRIGGER no_serials BEFORE INSERT ON Serials "
                                   "BEGIN SELECT RAISE(ABORT, 'пълен диск'); END"));
        TForm_Garanc_Produkti w;
        w.Label_Kontragent->setText(QStringLiteral("7:Доставчик ООД"));
        addPiece(w, QStringLiteral("11"), QStringLiteral("A"));
        w.Button_InsertClick();
        QVERIFY(lastMessage().startsWith(QStringLiteral("Гаранционната карта не е записана")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Garancia_dostavtchik")), 0LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Garancionen FROM Produkti WHERE ID = 11")).toString(),
                 QStringLiteral("False"));
        QCOMPARE(w.pieces()->rowCount(), 1);
        QCOMPARE(w.pieces()->value(0, QStringLiteral("ID_Karta")).toLongLong(), w.cardNumber());
    }

    // "abc" and an unknown number say so and open the catalogue in mode 3,
    // whose pick fills the article and description.
    void articleLookup_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("text") << "abc";
        QTest::newRow("unknown") << "99";
    }
    void articleLookup()
    {
        QFETCH(QString, typed);
        TestProgram program;
        fill();
        TForm_Garanc_Produkti w;
        int mode = -2;
        driveWindows<TForm_Artikuli>([&mode](TForm_Artikuli *) {
            mode = ArticlePickMode;
            ArticlePick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = 12"));
            ArticlePick::deliver(mode, p);
        });
        w.Edit_Sel_Art->setText(typed);
        w.Edit_Sel_ArtKeyPress();
        QCOMPARE(lastMessage(), QStringLiteral("Въведеният номер за артикул не съществува!"));
        QCOMPARE(mode, 3);
        QCOMPARE(ArticlePickMode, -1);
        QCOMPARE(w.Label_Artikul->text(), QStringLiteral("12:Таблет"));
        QCOMPARE(w.Edit_Opisanie->text(), QStringLiteral("Таблет"));
        // and mode 2 of the counterparty picker fills the supplier
        driveWindows<TForm_Kontrakents>([&mode](TForm_Kontrakents *) {
            mode = CounterpartyPickMode;
            CounterpartyPick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 7"));
            CounterpartyPick::deliver(mode, p);
        });
        w.Label1Click();
        QCOMPARE(mode, 2);
        QCOMPARE(w.Label_Kontragent->text(), QStringLiteral("7:Доставчик ООД"));
    }

    void missingSerialOrArticle()
    {
        TestProgram program;
        fill();
        TForm_Garanc_Produkti w;
        w.Edit_SN->setText(QStringLiteral("A"));
        w.BitBtn_DobaviClick(); // no article
        QCOMPARE(lastMessage(), QStringLiteral("Задължително е да се въведе сериен номер и е да е избран артикул"));
        addPiece(w, QStringLiteral("11"), QString());
        QCOMPARE(lastMessage(), QStringLiteral("Задължително е да се въведе сериен номер и е да е избран артикул"));
        QCOMPARE(w.pieces()->rowCount(), 0);
        addPiece(w, QStringLiteral("11"), QStringLiteral("A"));
        addPiece(w, QStringLiteral("11"), QStringLiteral("B"));
        // "Номер" is drawn red, the other columns in the grid's own colour.
        const QAbstractItemModel *grid = w.DBGrid1->model();
        const int number = w.pieces()->fieldIndex(QStringLiteral("N"));
        QCOMPARE(grid->headerData(number, Qt::Horizontal).toString(), QStringLiteral("Номер"));
        QCOMPARE(grid->index(1, number).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(!grid->index(1, w.pieces()->fieldIndex(QStringLiteral("Serial_ID"))).data(Qt::ForegroundRole).isValid());
        w.DBGrid1->selectRow(0);
        w.BitBtn_DeleteClick();
        QCOMPARE(w.pieces()->rowCount(), 1);
        QCOMPARE(w.pieces()->value(0, QStringLiteral("Serial_ID")).toString(), QStringLiteral("B"));
    }

    // Closing with pieces asks; No keeps the window and its pieces, Yes stores nothing.
    void closingWithPiecesAsks()
    {
        TestProgram program;
        fill();
        {
            TForm_Garanc_Produkti w;
            w.Label_Kontragent->setText(QStringLiteral("7:Доставчик ООД"));
            w.show();
            addPiece(w, QStringLiteral("11"), QStringLiteral("A"));
            PlatformScript::answer(false);
            w.Button3->click();
            QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).value(0),
                     QStringLiteral("Серийните номера не са записани. Желаете ли изход?"));
            QVERIFY(w.isVisible());
            QCOMPARE(w.pieces()->rowCount(), 1);
            PlatformScript::answer(true);
            w.Button3->click();
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Serials")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Garancia_dostavtchik")), 0LL);
        // The next opening starts empty.
        TForm_Garanc_Produkti next;
        QCOMPARE(next.pieces()->rowCount(), 0);
        QCOMPARE(next.cardNumber(), 1LL);
        // An empty card closes without a question.
        PlatformScript::clearEvents();
        next.show();
        next.Button3->click();
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
    }

    // The delivery hands its kind, number, date and supplier (the article
    // look-up runs on its number); the supplier's key is stored.
    void openedFromADelivery()
    {
        TestProgram program;
        fill();
        WarrantyWindows::install();
        long long supplier = 0, kind = 0;
        QString number, article;
        QDate date;
        driveWindows<TForm_Garanc_Produkti>([&](TForm_Garanc_Produkti *w) {
            number = w->Edit_Garanc_Nomer->text();
            date = w->DateTimePicker_Garanc_Data->date();
            article = w->Label_Artikul->text();
            w->Edit_Sel_Art->setText(QStringLiteral("12"));
            w->Edit_Sel_ArtKeyPress();
            w->Edit_SN->setText(QStringLiteral("X1"));
            w->BitBtn_DobaviClick();
            w->Button_InsertClick();
            const auto row = Db::firstRow(QStringLiteral("SELECT ID_Kontrag, Vid_Dok FROM Garancia_dostavtchik"));
            QVERIFY(row);
            supplier = row->value(0).toLongLong();
            kind = row->value(1).toLongLong();
        });
        TForm_Dostavki delivery;
        delivery.ComboBox_Dok_Vid->addItem(QStringLiteral("3:Протокол"));
        delivery.ComboBox_Dok_Vid->setCurrentIndex(delivery.ComboBox_Dok_Vid->count() - 1);
        delivery.Edit_Nomer_Dokument->setText(QStringLiteral("0000000042"));
        delivery.DateTimePicker_Dok->setDate(QDate(2024, 6, 3));
        delivery.Edit_Dostav4ik->setText(QStringLiteral("7:Доставчик ООД"));
        delivery.Button1Click(); // no line: the look-up finds no article
        TForm_Dostavki::setSerialNumbersOpener({});
        QCOMPARE(number, QStringLiteral("0000000042"));
        QCOMPARE(date, QDate(2024, 6, 3));
        QCOMPARE(article, TForm_Garanc_Produkti::noArticleText());
        QCOMPARE(supplier, 7LL);
        QCOMPARE(kind, 3LL);

        // "Гаранционни продукти..." denied: the delivery's road opens no card either.
        ItemRights::install({[](const QString &item) { return item != QLatin1String("N_Gar_Prod"); },
                             [](const QString &) { return QStringLiteral("Номенклатури → Гаранционни продукти..."); }});
        WarrantyWindows::install();
        bool opened = false;
        driveWindows<TForm_Garanc_Produkti>([&](TForm_Garanc_Produkti *) { opened = true; });
        delivery.Button1Click();
        TForm_Dostavki::setSerialNumbersOpener({});
        ItemRights::install({});
        QVERIFY(!opened);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 ItemRights::refusal(QStringLiteral("Номенклатури → Гаранционни продукти...")));
    }

    // Two pieces fill the card, which shows them; the header fields land in the card.
    void importFillsTheCard()
    {
        TestProgram program;
        fill();
        const QString path = writeFile(program.folder(),
                                       "7:[F-100]8:[15.03.2024]9:[партида март]\r\n"
                                       "1:[11]2:[P1]3:[M1]4:[SN-1]5:[15.03.2026]\r\n"
                                       "1:[12]2:[P2]3:[M2]4:[SN-2]5:[15.03.2027]\r\n");
        PlatformScript::answer(path);
        int shownPieces = -1;
        QString number, note;
        QDate date;
        driveWindows<TForm_Garanc_Produkti>([&](TForm_Garanc_Produkti *w) {
            shownPieces = w->pieces()->rowCount();
            number = w->Edit_Garanc_Nomer->text();
            note = w->Edit_Zabel->text();
            date = w->DateTimePicker_Garanc_Data->date();
            QCOMPARE(w->pieces()->value(1, QStringLiteral("Opisanie")).toString(), QStringLiteral("Таблет"));
            QCOMPARE(w->pieces()->value(1, QStringLiteral("Model")).toString(), QStringLiteral("M2"));
            QCOMPARE(w->pieces()->value(1, QStringLiteral("Partida")).toString(), QStringLiteral("P2"));
            QCOMPARE(w->pieces()->value(1, QStringLiteral("Data")).toString(), QStringLiteral("2027-03-15"));
            QCOMPARE(w->pieces()->value(1, QStringLiteral("ID_Karta")).toLongLong(), w->cardNumber());
            w->Label_Kontragent->setText(QStringLiteral("7:Доставчик ООД"));
            w->Button_InsertClick();
        });
        WarrantyWindows::N_Import_Garanc_ProdClick(nullptr);
        QCOMPARE(shownPieces, 2);
        QCOMPARE(number, QStringLiteral("F-100"));
        QCOMPARE(note, QStringLiteral("партида март"));
        QCOMPARE(date, QDate(2024, 3, 15));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Serials WHERE ID_Karta = 1")), 2LL);
    }

    void importErrors_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("card date") << QByteArray("8:[31.02.2024]");
        QTest::newRow("valid-until") << QByteArray("1:[12]4:[SN-2]5:[2027-03-15]");
        QTest::newRow("unknown article") << QByteArray("1:[99]4:[SN-2]5:[15.03.2027]");
        QTest::newRow("open bracket") << QByteArray("1:[12]4:[SN-2");
    }
    void importErrors()
    {
        QFETCH(QByteArray, second);
        TestProgram program;
        fill();
        const QString path =
            writeFile(program.folder(), "1:[11]4:[SN-1]5:[15.03.2026]\n" + second + "\n1:[11]4:[SN-3]5:[01.01.2030]\n");
        PlatformScript::answer(path);
        bool shown = false;
        driveWindows<TForm_Garanc_Produkti>([&shown](TForm_Garanc_Produkti *) { shown = true; });
        WarrantyWindows::N_Import_Garanc_ProdClick(nullptr);
        QVERIFY(!shown);
        QCOMPARE(lastMessage(), QStringLiteral("Грешка в ред 2 на файла"));
        // The card made for the import kept nothing and is gone with its work table.
        QVERIFY(!workTableExists(QStringLiteral("Serials_TMP")) ||
                count((QStringLiteral("SELECT COUNT(*) FROM ") + WorkTables::qualified(QStringLiteral("Serials_TMP")))) == 0);
    }

    // A file in UTF-16 is refused whole, naming the file and its encoding.
    void utf16FileIsRefused()
    {
        TestProgram program;
        fill();
        QByteArray bytes("\xFF\xFE");
        for (const QChar c : QStringLiteral("1:[11]4:[SN-1]5:[15.03.2026]\r\n"))
            bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        const QString path = writeFile(program.folder(), bytes);
        PlatformScript::answer(path);
        bool shown = false;
        driveWindows<TForm_Garanc_Produkti>([&shown](TForm_Garanc_Produkti *) { shown = true; });
        WarrantyWindows::N_Import_Garanc_ProdClick(nullptr);
        QVERIFY(!shown);
        QVERIFY2(lastMessage().contains(QDir::toNativeSeparators(path)) && lastMessage().contains(QStringLiteral("UTF-16 LE")),
                 qPrintable(lastMessage()));
    }

    // A kind a card names stays; the menu items of the cards and reports work.
    void kindOfACardIsKeptAndItemsWork()
    {
        TestProgram program;
        fill();
        Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok) VALUES (1, 7, 2)"));
        QString usedBy;
        QVERIFY(!RabDokumenti::remove(2, &usedBy));
        QCOMPARE(usedBy, QStringLiteral("Garancia_dostavtchik"));
        QVERIFY(RabDokumenti::remove(3));
        for (const char *item : {"N_Gar_Prod", "N_Import_Garanc_Prod", "N_Garanc_Prod", "N_Spr_Izdadeni_Ser"})
            QVERIFY2(Openers::available(QString::fromLatin1(item)), item);
    }

    void importWithoutCardDateIsToday()
    {
        TestProgram program;
        fill();
        const QString path = writeFile(program.folder(), "7:[F-1]\n1:[11]4:[SN-1]5:[15.03.2026]\n");
        PlatformScript::answer(path);
        QDate date;
        driveWindows<TForm_Garanc_Produkti>(
            [&date](TForm_Garanc_Produkti *w) { date = w->DateTimePicker_Garanc_Data->date(); });
        WarrantyWindows::N_Import_Garanc_ProdClick(nullptr);
        QCOMPARE(date, QDate::currentDate());
    }
};

VTEST(TestWarrantyCards)
#include "test_warranty_cards.moc"
