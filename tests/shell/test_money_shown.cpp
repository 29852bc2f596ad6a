// Money in grids and their exports where no format is given: prices with the
// price decimals, amounts with two, whatever the stored double looks like.
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/app_state.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_list.h"
#include "catalogue/article_search.h"
#include "catalogue/form_artikuli.h"
#include "common/program_folder.h"
#include "common/tree_file.h"
#include "documents/form_spr_dostavka.h"
#include "documents/form_spravka_prodajba.h"
#include "documents/sales_report.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QFile>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
void exec(const char *sql, const QVariantList &values = {})
{
    Db::execute(QString::fromUtf8(sql), values);
}

// Articles 12 (1.2) and 40 (459); sales of 3 x 1.2, 0.9 x 459 and 12.735 x
// 1.2 (3.6, 413.1, 15.282); a delivery of 3 at 0.5, sold at 1.2.
void money()
{
    exec("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Nomer_Grupa) VALUES "
         "(12, 'Кабел', 1.2, 'BGN', 1), (40, 'Щепсел', 459, 'BGN', 1)");
    const char *sale = "INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                       "Valuta, ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) "
                       "VALUES (?, ?, 'Иван', '2024-03-05', '09:00:00', ?, ?, 'BGN', 0, 0, 0, 'в брой', 1, 1)";
    exec(sale, {1, 12, 3.0, 1.2});
    exec(sale, {2, 40, 0.9, 459.0});
    exec(sale, {3, 12, 12.735, 1.2});
    exec("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Доставчик ООД', 0)");
    exec("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура')");
    exec("DELETE FROM Sklad");
    exec("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Основен')");
    exec("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Стоки')");
    exec("INSERT INTO Dostavki (ID, Data_Dostavka, Time_Dostavka, Nomer_Dostav4ik, Vid_Dokument, Data_Dokument, "
         "Nomer_Dokument, ID_Sklad, Pay_Cach, Pay_Bank, Pay_Not) "
         "VALUES (1, '2024-03-02', '10:00:00', 7, 1, '2024-03-01', '12', 1, 1.5, 0, 0)");
    exec("INSERT INTO Dostavka_art (ID_Dostavka, Nomer_Produkt, Dostavna_Cena, Valuta_D, Prodajna_Cena, Valuta_P, "
         "Kolitchestvo, Mqrka) VALUES (1, 12, 0.5, 'BGN', 1.2, 'BGN', 3, 'бр.')");
}

// A grid column as shown, top to bottom.
QStringList shown(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts << model->index(r, column).data().toString().trimmed();
    return texts;
}

struct Opened {
    std::shared_ptr<QWidget> window;
    const QAbstractItemModel *model = nullptr;
    int column = -1;
    QString exportFile; // the window's list export, when the case looks at it
};

std::shared_ptr<TForm_Spravka_prodajba> salesReport()
{
    auto w = std::make_shared<TForm_Spravka_prodajba>();
    w->FormShow();
    w->Button_SearchClick();
    return w;
}

Opened salesColumn(const char *field)
{
    auto w = salesReport();
    return {w, w->DBGrid1->model(), int(SalesReport::listFields().indexOf(QString::fromLatin1(field))), {}};
}

std::shared_ptr<TForm_Artikuli> catalogue()
{
    TreeFile::write(ArticleGroups::treeFilePath(), {{QStringLiteral("Всички артикули"), 0}, {QStringLiteral("1:Стоки"), 1}});
    auto w = std::make_shared<TForm_Artikuli>();
    w->loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath()));
    w->TreeView1->setCurrentItem(w->TreeView1->topLevelItem(0));
    w->FormShow();
    w->DBGrid_ArticlesTitleClick(0); // by number
    return w;
}

Opened deliveryColumn(const char *field)
{
    auto w = std::make_shared<TForm_SprDostavka>();
    w->FormShow();
    w->Button_SearchClick();
    return {w, w->DBGrid_Art->model(), w->linesList()->fieldIndex(QString::fromLatin1(field)), {}};
}

enum class Kind { Price, Amount, Export };

struct Case {
    const char *name;
    Kind kind;
    std::function<Opened()> open;
    QStringList texts; // the column, or the values the export holds
};

const QList<Case> &cases()
{
    static const QList<Case> c = {
        {"sales report: price", Kind::Price, [] { return salesColumn("Ed_Cena"); }, {"1.20", "459.00", "1.20"}},
        {"sales report: amount", Kind::Amount, [] { return salesColumn("Suma"); }, {"3.60", "413.10", "15.28"}},
        {"sales report: Spr_Prod export", Kind::Export,
         [] {
             auto w = salesReport();
             w->Button1Click();
             return Opened{w, nullptr, -1, QStringLiteral("Spr_Prod")};
         },
         {"1.20", "459.00", "3.60", "413.10", "15.28"}},
        {"catalogue: price", Kind::Price,
         [] {
             auto w = catalogue();
             return Opened{w, w->DBGrid_Articles->model(), ArticleSearch::columnOfField(QStringLiteral("Ed_Cena")), {}};
         },
         {"1.20", "459.00"}},
        {"catalogue: export", Kind::Export,
         [] {
             auto w = catalogue();
             w->N11Click();
             return Opened{w, nullptr, -1, QStringLiteral("Export_Articles")};
         },
         {"1.20", "459.00"}},
        {"deliveries report: delivery price", Kind::Price, [] { return deliveryColumn("Dostavna_Cena"); }, {"0.50"}},
        {"deliveries report: sale price", Kind::Price, [] { return deliveryColumn("Prodajna_Cena"); }, {"1.20"}},
        {"deliveries report: delivered amount", Kind::Amount, [] { return deliveryColumn("Sum_Dost_Cena"); }, {"1.50"}},
        {"deliveries report: sold amount", Kind::Amount, [] { return deliveryColumn("Sum_Prod_Cena"); }, {"3.60"}},
    };
    return c;
}
} // namespace

class MoneyShownTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        PriceDecimals = 2; // [Values] 9 as the desk sets it
    }
    void cleanup() { PriceDecimals = 4; }

    void moneyWithItsDecimals_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < cases().size(); ++i)
            QTest::newRow(cases().at(i).name) << i;
    }
    void moneyWithItsDecimals()
    {
        QFETCH(int, index);
        const Case &c = cases().at(index);
        TestProgram program;
        money();
        const Opened o = c.open();
        if (c.kind == Kind::Export) {
            const QString text = exportFileLines(o.exportFile).join(QLatin1Char('\n'));
            QVERIFY2(!text.isEmpty(), qPrintable(o.exportFile));
            for (const QString &t : c.texts)
                QVERIFY2(text.contains(QLatin1Char(' ') + t) || text.contains(QLatin1Char('|') + t),
                         qPrintable(t + QStringLiteral(" in\n") + text));
            for (const char *raw : {"1.2 ", "15.282", "413.1 ", "459 "})
                QVERIFY2(!text.contains(QLatin1String(raw)), raw);
            return;
        }
        QVERIFY(o.model);
        QVERIFY(o.column >= 0);
        QCOMPARE(shown(o.model, o.column), c.texts);
        // Prices follow the price decimals as they are when shown; amounts keep two.
        PriceDecimals = 3;
        QCOMPARE(shown(o.model, o.column).first(),
                 c.kind == Kind::Price ? c.texts.first() + QLatin1Char('0') : c.texts.first());
    }
};

VTEST(MoneyShownTest)
#include "test_money_shown.moc"
