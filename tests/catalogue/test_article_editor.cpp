#include "catalogue/article_codes.h"
#include "catalogue/article_editor.h"
#include "catalogue/article_record.h"
#include "catalogue/form_new_artikul.h"
#include "common/settings.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/schema_columns.h"
#include "test_registry.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

namespace {
void addGroup(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"), {id, name});
}

long long addCounterparty(const QString &name)
{
    CounterpartyFields f;
    f.Ime_Firma = name;
    f.Ime_Klient = name;
    return CounterpartyRecord::insertPair(f, 0).id;
}

QStringList messages()
{
    return PlatformScript::texts(QStringLiteral("message"));
}

long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    // One key press per letter, as typed (keyClicks takes only Latin-1).
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Picks the counterparty in the browser (or cancels with 0).
void pickCounterparty(long long id)
{
    driveWindows<TForm_Kontrakents>([id](TForm_Kontrakents *w) {
        if (id > 0 && w->positionOn(id))
            w->BitBtn_Izberi_Kontragent->click();
        else
            w->BitBtn_Otkaji_Kontragent->click();
    });
}
} // namespace

class ArticleEditorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerSchemaColumns(); }
    void cleanup()
    {
        delete Form_Kontrakents;
        CounterpartyPickMode = -1;
        PlatformScript::setModalHandler({});
    }

    void newArticleIsFilledAndStored()
    {
        TestProgram program;
        addGroup(3, QStringLiteral("Съдове"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Mqrka) VALUES (124, 1, 'м.')"));
        TForm_NewArtikul form;
        ArticleEditor::prepareNew(form, 3);
        form.FormShow();
        QCOMPARE(form.Label_Grupa_name->text(), QStringLiteral("Група: 3:Съдове"));
        QCOMPARE(form.Edit_Art_N->text(), QStringLiteral("125"));
        QCOMPARE(form.ComBox_Valuta->currentText(), QStringLiteral("BGN"));
        QCOMPARE(form.ComboBox_Dan_Grupa->currentIndex(), 1);
        QCOMPARE(form.ComboBox_Prigotvq_Se->currentText(), QStringLiteral("0:Не се приготвя"));
        QVERIFY(form.ComBox_Mqrka->findText(QStringLiteral("м.")) >= 0);
        QVERIFY(!form.GroupBox_Snimka->isEnabled());
        QVERIFY(!form.BitBtn_Help->isEnabled()); // no clip in a fresh program folder

        type(form.Edit_Opisanie, QStringLiteral("Чаша \"Ретро\""));
        QCOMPARE(form.Edit_Opisanie->text(), QStringLiteral("Чаша 'Ретро'"));
        form.Edit_Cena->setText(QStringLiteral("12,5"));
        form.ChkBox_Garancia->click();
        QVERIFY(!form.ChkBox_Poredica->isEnabled());
        form.ComboBox_Godnost->setCurrentIndex(2);
        form.SpinEdit_dni->setValue(6);
        form.BitBtn_OK->click();
        QVERIFY2(messages().isEmpty(), qPrintable(messages().join(QLatin1Char('|'))));
        QCOMPARE(form.savedId(), std::optional<long long>(125));
        const Article a = *ArticleRecord::read(125);
        QCOMPARE(a.Nomenkl_N, QStringLiteral("3125"));
        QCOMPARE(a.Ed_Cena, 12.5);
        QCOMPARE(a.Trajnost, QStringLiteral("2:6"));
        QCOMPARE(a.Kod_Vezna, 125LL);
        QCOMPARE(a.Kasovo_Ime, QStringLiteral("Чаша 'Ретро'"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Garancionen || Poredica FROM Produkti WHERE ID = 125")).toString(),
                 QStringLiteral("TrueFalse"));
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("message");
        QTest::newRow("used number") << "7" << "1" << "0" << "Некоректен номер за артикул!";
        QTest::newRow("empty number") << "" << "1" << "0" << "Некоректен номер за артикул!";
        QTest::newRow("text price") << "8" << "евтино" << "0" << "\"евтино\" не е число!";
        QTest::newRow("empty price") << "8" << "" << "0" << "Въведете цена за артикул";
        QTest::newRow("text discount") << "8" << "1" << "много" << "Максималната отстъпка \"много\" не е число!";
    }

    void badInputIsRefused()
    {
        QFETCH(QString, number);
        QFETCH(QString, price);
        QFETCH(QString, discount);
        QFETCH(QString, message);
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa) VALUES (7, 1)"));
        TForm_NewArtikul form;
        ArticleEditor::prepareNew(form, 1);
        form.Edit_Art_N->setText(number);
        form.Edit_Opisanie->setText(QStringLiteral("Нещо"));
        form.Edit_Cena->setText(price);
        form.Edit_Max_TO->setText(discount);
        form.BitBtn_OK->click();
        QCOMPARE(messages(), QStringList{message});
        QVERIFY(!form.savedId());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 1LL);
    }

    void fiscalNameStopsBeforeItsLimit()
    {
        TestProgram program;
        Settings::writeBool(Keys::Tuning_10, true);
        Settings::writeInteger(Keys::Values_10, 10);
        TForm_NewArtikul form;
        ArticleEditor::prepareNew(form, 1);
        form.FormShow();
        type(form.Edit_Opisanie, QStringLiteral("Абвгдежзийклмн")); // 14 letters
        QCOMPARE(form.Edit_Kasovo_ime->text(), QStringLiteral("Абвгдежзи"));
        QCOMPARE(form.Edit_Etiketno_ime->text(), QStringLiteral("Абвгдежзийклмн"));
    }

    void openingAndSavingKeepsStoredValues()
    {
        TestProgram program;
        addGroup(2, QStringLiteral("Храни"));
        Db::execute(QStringLiteral(
            "INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Valuta_D, Mqrka, "
            "Garancionen, Poredica, Kasovo_Ime, Etiketno_Ime, Min_Kol, Max_TO, Trajnost, Kod_Vezna, Dan_Grup, "
            "Prigotvq_Se) VALUES (50, 'K50', 2, 'Сирене краве', 9.99, 'BGN', 'BGN', 'кг.', 'False', 'True', "
            "'СИРЕНЕ', 'Сирене етикет', 500, 2.55555, '1:730', 4242, 3, 0)"));
        Db::execute(QStringLiteral("UPDATE Produkti SET Ed_Cena = 9.123456 WHERE ID = 50"));
        TForm_NewArtikul form;
        QVERIFY(ArticleEditor::prepareEdit(form, 50));
        form.FormShow();
        QCOMPARE(form.Label_Grupa_name->text(), QStringLiteral("Група: 2:Храни"));
        QCOMPARE(form.Edit_Cena->text(), QStringLiteral("9.1235"));
        QVERIFY(!form.ChkBox_Garancia->isEnabled());
        QVERIFY(!form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheet_Serials)));
        form.BitBtn_OK->click();
        QCOMPARE(form.savedId(), std::optional<long long>(50));
        const Article a = *ArticleRecord::read(50);
        QCOMPARE(a.Kasovo_Ime, QStringLiteral("СИРЕНЕ"));
        QCOMPARE(a.Etiketno_Ime, QStringLiteral("Сирене етикет"));
        QCOMPARE(a.Min_Kol, 500.0);
        QCOMPARE(a.Trajnost, QStringLiteral("1:730"));
        QCOMPARE(a.Kod_Vezna, 4242LL);
        QCOMPARE(a.Dan_Grup, 3);
        QCOMPARE(a.Max_TO, 2.55555);
        QCOMPARE(a.Ed_Cena, 9.123456);
        QCOMPARE(a.Nomenkl_N, QStringLiteral("K50"));
    }

    void pictureIsStoredAsTheFilesBytes()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (5, 1, 'А')"));
        const QString bmp = program.file(QStringLiteral("a.bmp"));
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(bmp, "BMP"));
        const QString text = program.file(QStringLiteral("a.txt"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();

        TForm_NewArtikul form;
        QVERIFY(ArticleEditor::prepareEdit(form, 5));
        PlatformScript::answer(text);
        form.BitBtn_Edit_Snimka->click();
        QCOMPARE(messages().size(), 1);
        QVERIFY(ArticleRecord::picture(5).isEmpty());
        PlatformScript::answer(bmp);
        form.BitBtn_Edit_Snimka->click();
        QFile stored(bmp);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(ArticleRecord::picture(5), stored.readAll());
        QVERIFY(!form.DBImage1->pixmap().isNull());
        form.BitBtn_Del_Snimka->click();
        QVERIFY(ArticleRecord::picture(5).isEmpty());
    }

    void heldCodesOfANewArticle()
    {
        TestProgram program;
        const long long firm = addCounterparty(QStringLiteral("Доставчик"));
        for (bool accept : {false, true}) {
            TForm_NewArtikul form;
            ArticleEditor::prepareNew(form, 1);
            form.Edit_Opisanie->setText(QStringLiteral("Нов"));
            form.BitBtn_Add_Barkod->click();
            form.Edit_Insert_Barkode->setText(QStringLiteral("3800"));
            form.BitBtn_Add_Barkod->click();
            form.BitBtn_Add_Nomenkl->click();
            form.Edit_Insert_Nomenkl_N->setText(QStringLiteral("D-1"));
            form.Label_ID_Kontragent->setText(QStringLiteral("%1:Доставчик").arg(firm));
            form.BitBtn_Add_Nomenkl->click();
            QCOMPARE(form.DBGrid_Barkodes->rowCount(), 1);
            QCOMPARE(form.DBGrid1->rowCount(), 1);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")), 0LL);
            if (accept)
                form.BitBtn_OK->click();
            else
                form.BitBtn_Cancel->click();
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")), accept ? 1LL : 0LL);
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), accept ? 1LL : 0LL);
        }
        QCOMPARE(ArticleCodes::barcodes(1), QStringList{QStringLiteral("3800")});
    }

    void storedArticleCodesGoToTheOpenedNumber()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (5, 1, 'А'), (6, 1, 'Б')"));
        TForm_NewArtikul form;
        QVERIFY(ArticleEditor::prepareEdit(form, 5));
        form.Edit_Art_N->setText(QStringLiteral("6")); // typed, not saved
        form.BitBtn_Add_Barkod->click();
        form.Edit_Insert_Barkode->setText(QStringLiteral("555"));
        form.BitBtn_Add_Barkod->click();
        QCOMPARE(ArticleCodes::barcodes(5), QStringList{QStringLiteral("555")});
        QVERIFY(ArticleCodes::barcodes(6).isEmpty());

        form.DBGrid_Barkodes->setCurrentCell(0, 0);
        form.BitBtn_Edit_Barkod->click();
        QCOMPARE(form.Edit_Insert_Barkode->text(), QStringLiteral("555"));
        form.Edit_Insert_Barkode->setText(QStringLiteral("556"));
        form.BitBtn_Add_Barkod->click();
        QCOMPARE(ArticleCodes::barcodes(5), QStringList{QStringLiteral("556")});
        form.BitBtn_Del_Barkod->click();
        QVERIFY(ArticleCodes::barcodes(5).isEmpty());
    }

    void counterpartyPickOfACatalogueNumber()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie) VALUES (5, 1, 'А')"));
        const long long alpha = addCounterparty(QStringLiteral("Алфа"));
        const long long beta = addCounterparty(QStringLiteral("Бета"));
        TForm_NewArtikul form;
        QVERIFY(ArticleEditor::prepareEdit(form, 5));

        // "Приеми" without a counterparty asks for one; a cancelled pick inserts nothing.
        form.BitBtn_Add_Nomenkl->click();
        form.Edit_Insert_Nomenkl_N->setText(QStringLiteral("N-1"));
        pickCounterparty(0);
        form.BitBtn_Add_Nomenkl->click();
        QCOMPARE(messages(), QStringList{QStringLiteral("Изберете контрагент на когото е посоченият номер!")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 0LL);
        QCOMPARE(form.numberTag(), 1);
        QCOMPARE(CounterpartyPickMode, -1);

        // Mode 14 writes the reference text into the label.
        pickCounterparty(alpha);
        form.Label_Select_Kontrag->click();
        QCOMPARE(form.Label_ID_Kontragent->text(), QStringLiteral("%1:Алфа").arg(alpha));
        QCOMPARE(CounterpartyPickMode, -1);
        PlatformScript::setModalHandler({});
        form.BitBtn_Add_Nomenkl->click();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE ID = 5 AND Nomenkl_N = 'N-1' "
                                      "AND ID_Kontrag = ?"),
                       {alpha}),
                 1LL);
        QCOMPARE(form.Label_ID_Kontragent->text(), QStringLiteral("0: Няма избран контрагент"));
        QCOMPARE(form.DBGrid1->item(0, 1)->text(), QStringLiteral("Алфа"));

        // An edit with a new counterparty changes its row.
        form.DBGrid1->setCurrentCell(0, 0);
        form.BitBtn_Edit_Nomenkl->click();
        QCOMPARE(form.Label_ID_Kontragent->text(), QStringLiteral("%1:Алфа").arg(alpha));
        form.Edit_Insert_Nomenkl_N->setText(QStringLiteral("N-2"));
        pickCounterparty(beta);
        form.Label_Select_Kontrag->click();
        form.BitBtn_Add_Nomenkl->click();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures WHERE Nomenkl_N = 'N-2' AND ID_Kontrag = ?"),
                       {beta}),
                 1LL);
    }

    void serialHintIsShownEscaped()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Garancionen) "
                                   "VALUES (5, 1, 'А', 'True')"));
        Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура')"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (4, 'Д', 1)"));
        Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok, ID_Dok, Data, Zabel) "
                                   "VALUES (1, 4, 1, '7', '2026-01-02', '<b>')"));
        Db::execute(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Serial_ID, Data) VALUES (1, 5, 'S1', '2027-01-02')"));
        TForm_NewArtikul form;
        QVERIFY(ArticleEditor::prepareEdit(form, 5));
        QVERIFY(form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheet_Serials)));
        QCOMPARE(form.DBGrid_Serials->rowCount(), 1);
        form.DBGrid_Serials->setCurrentCell(0, 0);
        form.DBGrid_SerialsClick();
        QVERIFY(form.toolTip().contains(QStringLiteral("Забележка: &lt;b&gt;;")));
        QVERIFY(form.toolTip().contains(QStringLiteral("Валиден до: 02.01.2027;")));
    }

    void openerReportsAnEditorThatCannotBePrepared()
    {
        TestProgram program;
        QVERIFY(!ArticleEditor::openEdit(77, nullptr));
        QCOMPARE(messages(), QStringList{QStringLiteral("Артикул с номер 77 не съществува!")});
        PlatformScript::clearEvents();
        Db::execute(QStringLiteral("DROP TABLE Type_Prigotvq_Se"));
        bool shown = false;
        driveWindows<TForm_NewArtikul>([&](TForm_NewArtikul *) { shown = true; });
        QVERIFY(!ArticleEditor::openNew(1, nullptr));
        QVERIFY(!shown);
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().startsWith(QStringLiteral("Редакцията на артикула не може да бъде подготвена")));
    }

    void openerReturnsTheSavedNumber()
    {
        TestProgram program;
        driveWindows<TForm_NewArtikul>([](TForm_NewArtikul *w) {
            w->Edit_Opisanie->setText(QStringLiteral("Ново"));
            w->BitBtn_OK->click();
        });
        QCOMPARE(ArticleEditor::openNew(1, nullptr), std::optional<long long>(1));
        driveWindows<TForm_NewArtikul>([](TForm_NewArtikul *w) {
            w->Edit_Art_N->setText(QStringLiteral("9"));
            w->BitBtn_OK->click();
        });
        QCOMPARE(ArticleEditor::openEdit(1, nullptr), std::optional<long long>(9));
        driveWindows<TForm_NewArtikul>([](TForm_NewArtikul *w) { w->BitBtn_Cancel->click(); });
        QCOMPARE(ArticleEditor::openEdit(9, nullptr), std::nullopt);
    }

    void lastAndFreeNumbersOfTheGroup()
    {
        TestProgram program;
        addGroup(7, QStringLiteral("Седма"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa) VALUES (1, 7), (2, 7), (5, 7)"));
        TForm_NewArtikul form;
        ArticleEditor::prepareNew(form, 7);
        form.SpeedButton1->click();
        QCOMPARE(form.Edit_Art_N->text(), QStringLiteral("6"));
        QCOMPARE(form.SpinEdit_Kod_Vezna->value(), 6);

        QList<long long> listed;
        driveWindows<QDialog>([&](QDialog *d) {
            auto *grid = d->findChild<QAbstractItemView *>(QStringLiteral("DBGrid1"));
            for (int r = 0; r < grid->model()->rowCount(); ++r)
                listed.append(grid->model()->index(r, 1).data().toLongLong());
            grid->setCurrentIndex(grid->model()->index(1, 1));
            d->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
        });
        form.SpeedButton2->click();
        QCOMPARE(listed, (QList<long long>{3, 4}));
        QCOMPARE(form.Edit_Art_N->text(), QStringLiteral("4"));
        QCOMPARE(workTableExists(QStringLiteral("Free_Art")), false);
    }
};
VTEST(ArticleEditorTest)

#include "test_article_editor.moc"
