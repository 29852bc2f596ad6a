#include "platform/db/work_tables.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_data.h"
#include "app/app_state.h"
#include "app/export_kinds.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "offers/form_oferti.h"
#include "offers/offer_panel.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace {
// The offers window with its offer half, opened; the hooks are unset again at the end.
struct Offers {
    TestProgram program;
    std::unique_ptr<TForm_Oferti> w;
    OfferPanel *p = nullptr;

    explicit Offers(const QStringList &elements = {})
    {
        for (int i = 0; i < elements.size(); ++i)
            Db::execute(QStringLiteral("INSERT INTO Zad_el (ID, Opisanie, Checked) VALUES (?, ?, 'False')"),
                        {i + 1, elements.at(i)});
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('EUR', 1.95583), ('eur', 2)"));
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Telefon, ID_Mol) VALUES (3, 'Бета', '02 1', 9)"));
        addSupplier(1, QStringLiteral("Алфа"));
        addGroup(1, 1, QStringLiteral("Разни"));
        writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Разни")});
        OfferPanel::install();
        w = std::make_unique<TForm_Oferti>();
        TForm_Oferti::open(w.get());
        p = OfferPanel::of(w.get());
        PlatformScript::clearEvents();
    }
    ~Offers()
    {
        w.reset();
        for (auto set : {&TForm_Oferti::setBuildHook, &TForm_Oferti::setShowHook, &TForm_Oferti::setCloseHook,
                         &TForm_Oferti::setAddHook})
            set({});
    }

    // The catalogue rows of the group, all marked, into position `marker`.
    void add(const QList<CatalogueArticle> &articles, int marker, const QString &op = QStringLiteral("+"),
             const QString &correction = QStringLiteral("0"))
    {
        Db::execute(QStringLiteral("DELETE FROM Art_CL"));
        addArticles(1, 1, articles);
        for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it)
            if ((*it)->text(0) == QStringLiteral("1:Разни"))
                w->TreeView1->setCurrentItem(*it);
        w->TreeView1Click();
        w->DBGrid_Art->selectAll();
        p->SpinEdit_Marker->setValue(marker);
        p->ComboBox_Znak_Korekcia->setCurrentText(op);
        p->Edit_Korekcia->setText(correction);
        p->Button_InsertClick();
    }
    QList<bool> ticks() const
    {
        QList<bool> out;
        for (int i = 0; i < p->CheckListBox_Zad_el->count(); ++i)
            out << (p->CheckListBox_Zad_el->item(i)->checkState() == Qt::Checked);
        return out;
    }
    void mark(const QList<int> &rows) const
    {
        p->DBGrid_Oferta->clearSelection();
        for (int r : rows)
            p->DBGrid_Oferta->selectionModel()->select(p->offerList()->index(r, 0),
                                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    int row(const QString &opisanie) const { return p->offerList()->findRow(QStringLiteral("Opisanie"), opisanie); }
    QStringList document(const QString &ext = QStringLiteral(".txt")) const
    {
        QFile f(program.file(QStringLiteral("TEMP/Oferts") + ext));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text.split(QStringLiteral("\r\n"));
    }
};

CatalogueArticle art(const QString &name, double cena1, const QString &valuta = QStringLiteral("BGN"),
                     double cena2 = 0)
{
    CatalogueArticle a;
    a.opisanie = name;
    a.cena1 = cena1;
    a.cena2 = cena2;
    a.valuta = valuta;
    a.katN = QStringLiteral("K-") + name;
    return a;
}

int lineCount()
{
    return Db::scalar((QStringLiteral("SELECT COUNT(*) FROM ") + WorkTables::qualified(QStringLiteral("Oferta_TMP")))).toInt();
}
} // namespace

class OfferPanelTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        PriceDecimals = 4;
        SortDirection = 0;
        ExportKinds::resetToStart();
    }

    void ticksFollowTheLinesOfEachPosition()
    {
        Offers o({QStringLiteral("Каса"), QStringLiteral("Принтер")});
        QVERIFY(o.p->isVisible());
        o.add({art(QStringLiteral("А"), 100)}, 3, QStringLiteral("/"), QStringLiteral("3"));
        QCOMPARE(o.ticks(), (QList<bool>{false, false}));
        QCOMPARE(o.p->offerList()->value(0, QStringLiteral("Cena")).toDouble(), 100.0 / 3);
        // The grid shows money with the price decimals; the stored value stays whole.
        const auto shown = [&o](const char *field) {
            const QModelIndex at = o.p->offerList()->index(0, o.p->offerList()->fieldIndex(QString::fromLatin1(field)));
            auto *delegate = qobject_cast<QStyledItemDelegate *>(o.p->DBGrid_Oferta->itemDelegateForIndex(at));
            return delegate ? delegate->displayText(at.data(), QLocale::c()) : QString();
        };
        QCOMPARE(shown("Cena"), QStringLiteral("33.3333"));
        QCOMPARE(shown("Suma"), QStringLiteral("33.3333"));
        PriceDecimals = 2;
        QCOMPARE(shown("Cena"), QStringLiteral("33.33"));
        QCOMPARE(shown("Cena_2"), QStringLiteral("0.00"));
        QCOMPARE(shown("ID_Mark"), QStringLiteral("3"));
        PriceDecimals = 4;
        QCOMPARE(o.p->SpinEdit_Kol->value(), 1);

        // A third element: position 3 has its line already.
        o.p->Button_Add_Zad_ElemClick();
        QCOMPARE(o.p->Button_Add_Zad_Elem->text(), QStringLiteral("Запис"));
        QCOMPARE(o.p->Button_Del_Zad_Elem->text(), QStringLiteral("Откажи"));
        o.p->Edit_Zad_El->setText(QStringLiteral("Кабел"));
        QTest::keyClick(o.p->Edit_Zad_El, Qt::Key_Return);
        QCOMPARE(o.p->CheckListBox_Zad_el->item(2)->text(), QStringLiteral("3:Кабел"));
        QCOMPARE(o.ticks(), (QList<bool>{false, false, true}));
        QVERIFY(o.p->Edit_Zad_El->isHidden());
        QCOMPARE(o.p->Button_Add_Zad_Elem->text(), QStringLiteral("Добави"));

        o.add({art(QStringLiteral("Б"), 10)}, 2);
        o.add({art(QStringLiteral("В"), 20)}, 2);
        QCOMPARE(o.ticks(), (QList<bool>{false, true, true}));
        o.mark({o.row(QStringLiteral("Б"))});
        QTest::keyClick(o.p->DBGrid_Oferta, Qt::Key_Delete);
        QCOMPARE(o.ticks(), (QList<bool>{false, true, true})); // one alternative remains
        o.mark({o.row(QStringLiteral("В"))});
        o.p->Button_DeleteClick();
        QCOMPARE(o.ticks(), (QList<bool>{false, false, true}));
        o.p->N_Select_All_OfertaClick();
        o.p->Button_DeleteClick();
        QCOMPARE(lineCount(), 0);
        QCOMPARE(o.ticks(), (QList<bool>{false, false, false}));
        QCOMPARE(o.p->Label_Sum->text(), QStringLiteral("0.0000"));
    }

    void badCorrectionsAddNothing()
    {
        Offers o;
        const char *cases[][2] = {{"/", "0"}, {"+", "abc"}, {"x", "1"}};
        for (const auto &c : cases) {
            PlatformScript::clearEvents();
            o.add({art(QStringLiteral("А"), 100)}, 1, QString::fromUtf8(c[0]), QString::fromUtf8(c[1]));
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
            QCOMPARE(lineCount(), 0);
        }
        o.add({art(QStringLiteral("А"), 100)}, 1, QStringLiteral("*"), QStringLiteral("1,2"));
        QCOMPARE(o.p->offerList()->value(0, QStringLiteral("Cena")).toDouble(), 120.0);
        QCOMPARE(o.p->offerList()->value(0, QStringLiteral("Korekt")).toString(), QStringLiteral("* 1,2"));
    }

    void comparisonColoursAlternativesAndUnratedLinesBlockTheDocument()
    {
        Offers o;
        o.add({art(QStringLiteral("Евро"), 10, QStringLiteral("EUR"), 12), art(QStringLiteral("Лев"), 20, QStringLiteral("BGN"), 15),
               art(QStringLiteral("Друго"), 5, QStringLiteral("XYZ"), 5)},
              1);
        QCOMPARE(lineCount(), 3);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().startsWith(
            QStringLiteral("Няма валутен курс за: XYZ")));
        QCOMPARE(o.p->Label_Sum->text(), QStringLiteral("39.5583")); // EUR counted once, at 1.95583

        o.p->SpinEdit_Cena_N->setValue(2);
        QCOMPARE(o.p->Label_Sum->text(), QStringLiteral("38.4700"));
        const int suma = o.p->offerList()->fieldIndex(QStringLiteral("Suma"));
        QCOMPARE(o.p->offerList()->headerData(suma, Qt::Horizontal).toString(), QStringLiteral("Общо лв:Цена2"));
        QCOMPARE(o.p->DBGrid_OfertaDrawColumnCell(o.row(QStringLiteral("Лев"))), OfferPanel::Mark::Lowest);
        QCOMPARE(o.p->DBGrid_OfertaDrawColumnCell(o.row(QStringLiteral("Евро"))), OfferPanel::Mark::Highest);
        QCOMPARE(o.p->DBGrid_OfertaDrawColumnCell(o.row(QStringLiteral("Друго"))), OfferPanel::Mark::Plain);
        QVERIFY(o.p->offerList()->value(o.row(QStringLiteral("Друго")), QStringLiteral("Suma")).isNull());

        PlatformScript::clearEvents();
        o.p->Button_PrintClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма валутен курс за: XYZ")});
        o.p->Label_ID_Kontragent->setText(QStringLiteral("3:Бета"));
        o.p->Button_Save_OfertaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);
        QVERIFY(!QFile::exists(o.program.file(QStringLiteral("TEMP/Oferts.txt"))));

        o.mark({o.row(QStringLiteral("Друго"))});
        o.p->Button_DeleteClick();
        o.p->Button_PrintClick();
        QVERIFY(QFile::exists(o.program.file(QStringLiteral("TEMP/Oferts.txt"))));
    }

    void stockArticlesAndCustomerComeFromThePickers()
    {
        Offers o({QStringLiteral("Каса"), QStringLiteral("Принтер")});
        for (int id = 1; id <= 3; ++id)
            Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Opisanie, Ed_Cena, Valuta_P) "
                                       "VALUES (?, ?, ?, ?, 'BGN')"),
                        {id, QStringLiteral("N%1").arg(id), QStringLiteral("Арт %1").arg(id), 10.0 * id});

        int modeSeen = -2;
        driveWindows<TForm_Artikuli>([&](TForm_Artikuli *) { modeSeen = ArticlePickMode; });
        o.p->Button1Click();
        QCOMPARE(modeSeen, 5);
        QCOMPARE(ArticlePickMode, -1);

        o.p->SpinEdit_Marker->setValue(2);
        o.p->SpinEdit_Kol->setValue(4);
        o.p->ComboBox_Znak_Korekcia->setCurrentText(QStringLiteral("*"));
        o.p->Edit_Korekcia->setText(QStringLiteral("1.5"));
        ArticlePick::Picked picked;
        picked.marked = Db::rows(QStringLiteral("SELECT * FROM Produkti ORDER BY ID"));
        QVERIFY(ArticlePick::deliver(5, picked));
        QVERIFY(!o.p->StockArticlesPending);
        const auto lines = Db::rows((QStringLiteral("SELECT * FROM ") + WorkTables::qualified(QStringLiteral("Oferta_TMP")) + QStringLiteral(" ORDER BY ID")));
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const int id = 3 - i; // walked from the last marked
            QCOMPARE(lines.at(i).value(QStringLiteral("Grup")).toString(), QStringLiteral("Арт. N: %1").arg(id));
            QCOMPARE(lines.at(i).value(QStringLiteral("Firma")).toString(), QStringLiteral("В наличност"));
            QCOMPARE(lines.at(i).value(QStringLiteral("Kat_N")).toString(), QStringLiteral("Ном. N: N%1").arg(id));
            QCOMPARE(lines.at(i).value(QStringLiteral("Cena")).toDouble(), 15.0 * id);
            QCOMPARE(lines.at(i).value(QStringLiteral("Cena_2")).toDouble(), 0.0);
            QCOMPARE(lines.at(i).value(QStringLiteral("Cena_3")).toDouble(), 0.0);
            QCOMPARE(lines.at(i).value(QStringLiteral("Kol")).toDouble(), 4.0);
            QCOMPARE(lines.at(i).value(QStringLiteral("ID_Mark")).toInt(), 2);
            QCOMPARE(lines.at(i).value(QStringLiteral("Korekt")).toString(), QStringLiteral("* 1.5"));
        }
        QCOMPARE(o.p->SpinEdit_Kol->value(), 1);
        QCOMPARE(o.ticks(), (QList<bool>{false, true}));

        modeSeen = -2;
        driveWindows<TForm_Kontrakents>([&](TForm_Kontrakents *) { modeSeen = CounterpartyPickMode; });
        o.p->Label3Click();
        QCOMPARE(modeSeen, 5);
        CounterpartyPick::Picked customer;
        customer.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 3"));
        QVERIFY(CounterpartyPick::deliver(5, customer));
        QCOMPARE(o.p->Label_ID_Kontragent->text(), QStringLiteral("3:Бета"));

        // A minimise and a restore keep the offer; a close and an opening start anew.
        o.w->showMinimized();
        TForm_Oferti::open(o.w.get());
        QCOMPARE(lineCount(), 3);
        QCOMPARE(o.p->offerList()->rowCount(), 3);
        QCOMPARE(o.p->Label_ID_Kontragent->text(), QStringLiteral("3:Бета"));

        // A title click sorts by the line's own description.
        o.p->DBGrid_OfertaTitleClick(o.p->offerList()->fieldIndex(QStringLiteral("Opisanie")));
        QCOMPARE(o.p->offerList()->value(0, QStringLiteral("Opisanie")).toString(), QStringLiteral("Арт 3"));
        o.p->DBGrid_OfertaTitleClick(o.p->offerList()->fieldIndex(QStringLiteral("Opisanie")));
        QCOMPARE(o.p->offerList()->value(0, QStringLiteral("Opisanie")).toString(), QStringLiteral("Арт 1"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());

        o.w->close();
        QVERIFY(!Db::tableExists(QStringLiteral("Oferta_TMP")));
        QVERIFY(!workTableExists(QStringLiteral("Oferta_TMP")));
        TForm_Oferti::open(o.w.get());
        QCOMPARE(lineCount(), 0);
        QCOMPARE(o.p->Label_ID_Kontragent->text(), QStringLiteral("0: Няма избран контрагент"));
    }

    void printWritesTheDocumentWithTheOfferTotal()
    {
        Offers o;
        AppState::instance().setCurrentOperator(QStringLiteral("Мария"));
        o.add({art(QStringLiteral("Едно"), 10)}, 1);
        o.add({art(QStringLiteral("Две"), 20)}, 2);
        o.p->SpinEdit_Marker->setValue(1); // the label shows position 1 now
        QCOMPARE(o.p->Label_Sum->text(), QStringLiteral("10.0000"));
        o.p->Button_PrintClick();
        QStringList doc = o.document();
        QCOMPARE(doc.at(1), QString(32, QLatin1Char(' ')) + QStringLiteral(" ОФЕРТА "));
        QCOMPARE(doc.at(3), QStringLiteral("До: "));
        QVERIFY(!doc.at(4).startsWith(QStringLiteral("Тел: ")));
        QVERIFY(doc.contains(QStringLiteral("На обща стойност в лева: 30.0000 ")));
        QVERIFY(doc.contains(QStringLiteral("Оставаща сума в лева: 30.0000 ")));
        QVERIFY(doc.contains(QStringLiteral("      /               /              Мария")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")).size(), 1);

        o.p->Edit_Avans->setText(QStringLiteral("12,5"));
        o.p->Button_PrintClick();
        doc = o.document();
        QVERIFY(doc.contains(QStringLiteral("Предплата: 12,5 ")));
        QVERIFY(doc.contains(QStringLiteral("Оставаща сума в лева: 17.5000 ")));

        QFile::remove(o.program.file(QStringLiteral("TEMP/Oferts.txt")));
        PlatformScript::clearEvents();
        o.p->Edit_Avans->setText(QStringLiteral("abc"));
        o.p->Button_PrintClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(!QFile::exists(o.program.file(QStringLiteral("TEMP/Oferts.txt"))));

        o.p->Edit_Avans->setText(QStringLiteral("0"));
        QVERIFY(ExportKinds::apply(3));
        o.p->Button_PrintClick();
        QVERIFY(o.document(QStringLiteral(".html")).contains(QStringLiteral("<pre>")));

        // With no lines there is nothing to print.
        o.p->N_Select_All_OfertaClick();
        o.p->Button_DeleteClick();
        PlatformScript::clearEvents();
        o.p->Button_PrintClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма данни за печат")});
    }

    void saveAsksForTheCustomerAndCopiesIntoTheOrderList()
    {
        Offers o;
        o.add({art(QStringLiteral("Едно"), 10, QStringLiteral("BGN"), 8)}, 1);
        o.add({art(QStringLiteral("Две"), 20, QStringLiteral("BGN"), 18)}, 2);

        // No customer and the picker cancelled: the document still goes out; Yes copies.
        PlatformScript::answer(true); // the message
        PlatformScript::answer(true);
        o.p->Button_Save_OfertaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Не е посочен Контрагент")});
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Желаете ли данните от офертата да се добавят към Списък за заявки?")});
        QStringList doc = o.document();
        QCOMPARE(doc.at(3), QStringLiteral("До: "));
        QCOMPARE(doc.at(4), QStringLiteral("Тел: "));
        auto rows = Db::rows(QStringLiteral("SELECT * FROM Zaqvki_All ORDER BY ID"));
        QCOMPARE(rows.size(), 2);
        for (const auto &r : rows) {
            QCOMPARE(r.value(QStringLiteral("Art_ID")).toInt(), 0);
            QCOMPARE(r.value(QStringLiteral("Dost_Ime")).toString(), QStringLiteral("Алфа"));
            QCOMPARE(r.value(QStringLiteral("Klient_Ime")).toString(), QStringLiteral("0: Няма избран контрагент"));
        }
        QCOMPARE(rows.at(0).value(QStringLiteral("Dost_Cena")).toDouble() + rows.at(1).value(QStringLiteral("Dost_Cena")).toDouble(), 26.0);

        // Every element ticked: the question is still asked.
        Db::execute(QStringLiteral("DELETE FROM Zaqvki_All"));
        Db::execute(QStringLiteral("INSERT INTO Zad_el (ID, Opisanie, Checked) VALUES (1, 'Каса', 'False'), (2, 'Кабел', 'False')"));
        o.w->close();
        TForm_Oferti::open(o.w.get());
        o.add({art(QStringLiteral("Едно"), 10)}, 1);
        o.add({art(QStringLiteral("Две"), 20)}, 2);
        QCOMPARE(o.ticks(), (QList<bool>{true, true}));
        CounterpartyPick::Picked customer;
        customer.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 3"));
        CounterpartyPick::deliver(5, customer);
        PlatformScript::clearEvents();
        PlatformScript::answer(true);
        o.p->Button_Save_OfertaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zaqvki_All WHERE Klient_Ime = '3:Бета'")).toInt(), 2);
        doc = o.document();
        QCOMPARE(doc.at(3), QStringLiteral("До: Бета"));
        QCOMPARE(doc.at(4), QStringLiteral("Тел: 02 1"));

        // An unticked element: its question first; No ends the save.
        o.mark({o.row(QStringLiteral("Две"))});
        o.p->Button_DeleteClick();
        PlatformScript::clearEvents();
        PlatformScript::answer(false);
        o.p->Button_Save_OfertaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Задължителните елементи: \n2:Кабел,\nне са добавени в офертата, желаете ли "
                                            "да продължите?")});

        // A failing copy writes nothing at all.
        o.add({art(QStringLiteral("Три"), 30)}, 2);
        Db::execute(QStringLiteral("DELETE FROM Zaqvki_All"));
        QFile::remove(o.program.file(QStringLiteral("TEMP/Oferts.txt")));
        refuseWrites(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Zaqvki_All WHEN NEW.Opisanie = 'Три' "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        PlatformScript::clearEvents();
        PlatformScript::answer(true);
        o.p->Button_Save_OfertaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Некоректни или липсващи данни за запис")});
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zaqvki_All")).toInt(), 0);
        QVERIFY(!QFile::exists(o.program.file(QStringLiteral("TEMP/Oferts.txt"))));

        // A prepayment that is no number: no rows, no file.
        dropTrigger(QStringLiteral("fail"));
        o.p->Edit_Avans->setText(QStringLiteral("abc"));
        PlatformScript::clearEvents();
        PlatformScript::answer(true);
        o.p->Button_Save_OfertaClick();
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zaqvki_All")).toInt(), 0);
        QVERIFY(!QFile::exists(o.program.file(QStringLiteral("TEMP/Oferts.txt"))));
        PlatformScript::clearAnswers();
    }
};

VTEST(OfferPanelTest)
#include "test_offer_panel.moc"
