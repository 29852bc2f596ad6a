// The roads that meet the shop's history: a stock-taking of 10 000 lines
// ("Ревизия" from the menu: a line counted while 10 000 wait, and "ЗАПИС"
// of them all) and an article deleted from the catalogue while the history
// tables hold some 750 000 rows that name articles. Each baseline runs raw
// the statements the window needs and no more.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "catalogue/form_artikuli.h"
#include "catalogue/form_revision.h"
#include "catalogue/stock_taking.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/work_tables.h"
#include "platform/script.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>
#include <vector>

namespace Bench {
namespace {
constexpr int CountedLines = 10000;

QString workTable()
{
    return WorkTables::qualified(QString::fromLatin1(StockTaking::WorkTable));
}

// The count as a cashier leaves it: articles 1 .. CountedLines counted in
// the first warehouse.
void fillCount()
{
    StockTaking::prepare();
    Db::execute(QStringLiteral("DELETE FROM %1").arg(workTable()));
    Db::execute(QStringLiteral("INSERT INTO %1 (Sklad_ID, Art_ID, Opisanie, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                               "SELECT 1, ID, Opisanie, 10, 9, Mqrka, Ed_Cena, Valuta_P FROM Produkti "
                               "WHERE ID <= ?")
                    .arg(workTable()),
                {CountedLines});
}

// The article of the n-th line counted on top of them: one counted before
// (found again on another shelf), so it carries its held quantity.
long long lineArticle(int n)
{
    return 1 + (n * 997LL) % CountedLines;
}

int gridRows(QTableView *grid)
{
    return grid->model()->rowCount();
}

} // namespace

void stockTakingRoads()
{
    fillCount();
    // A line: the article's number, Enter, the quantity, Enter; the grid and
    // the totals shown again.
    int added = 0;
    Timing line;
    driveWindows<TForm_Revision>({1100, 800}, [&](TForm_Revision *w) {
        if (gridRows(w->DBGrid1) != CountedLines)
            fail(QStringLiteral("the stock-taking shows %1 lines").arg(gridRows(w->DBGrid1)));
        RawGrid::shapeLike(w->DBGrid1);
        line = measure(
            [&] {
                const long long article = lineArticle(added);
                w->Edit_Art_ID->setFocus();
                w->Edit_Art_ID->setText(QString::number(article));
                QTest::keyClick(w->Edit_Art_ID, Qt::Key_Return);
                w->Edit_Kol->setText(QStringLiteral("5"));
                QTest::keyClick(w->Edit_Kol, Qt::Key_Return);
                settle();
                if (gridRows(w->DBGrid1) != CountedLines + ++added)
                    fail(QStringLiteral("the counted line was not added: ") + lastMessage());
            },
            {}, First::Cold);
    });
    command("N_Revizia");
    PlatformScript::setModalHandler({});

    const QString table = workTable();
    Raw article(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"));
    Raw held(StockTaking::heldLookup(0).sql);
    Raw stock(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = 1"));
    Raw values(QStringLiteral("SELECT Opisanie, Mqrka, Ed_Cena, Valuta_P FROM Produkti WHERE ID = ?"));
    Raw insert(QStringLiteral("INSERT INTO %1 (Sklad_ID, Art_ID, Opisanie, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                              "VALUES (1, ?, ?, ?, 5, ?, ?, ?)")
                   .arg(table));
    Raw last(QStringLiteral("SELECT MAX(N) FROM %1").arg(table));
    Raw share(StockTaking::articleTotalsLookup(0).sql);
    const KeysetList list = StockTaking::linesList();
    Raw page(list.select + list.from + QStringLiteral(" ORDER BY t.N LIMIT %1").arg(200));
    page.keepRows();
    const Timing lineBase = measure([&] {
        const long long a = lineArticle(added++);
        article.bind(1, a).run();
        share.bind(1, a).run();
        held.bind(1, a).run();
        double kept = held.firstRow().value(0).toDouble();
        if (held.rows() == 0) {
            stock.bind(1, a).run();
            kept = stock.firstRow().value(0).toDouble();
        }
        values.bind(1, a).run();
        const QList<QByteArray> v = values.firstRow();
        rawExec("BEGIN IMMEDIATE");
        insert.bind(1, a).bind(2, v.value(0)).bind(3, kept).bind(4, v.value(1)).bind(5, v.value(2).toDouble())
            .bind(6, v.value(3))
            .run();
        last.run();
        rawExec("COMMIT");
        share.bind(1, a).run();
        page.run();
        RawGrid::show(page.allRows(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    });
    RawGrid::hide();
    report({QStringLiteral("stocktaking.line"), QStringLiteral("ревизия: ред при 10 000 реда"), line, lineBase, 3,
            QStringLiteral("номер, Enter, количество, Enter; база: търсенията, записът и страница")});

    // "ЗАПИС" of a count of 10 000 lines: the window opened on it each run.
    Samples s;
    int run = 0;
    driveWindows<TForm_Revision>({}, [&](TForm_Revision *w) {
        s.timed(QStringLiteral("stocktaking.save"), run, [&] { w->BitBtn_Save->click(); });
        if (StockTaking::lineCount() != 0)
            fail(QStringLiteral("the stock-taking was not saved: ") + lastMessage());
    });
    for (run = 0; run < options().runs; ++run) {
        fillCount();
        command("N_Revizia");
    }
    PlatformScript::setModalHandler({});

    Raw lines(QStringLiteral("SELECT Art_ID, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta FROM %1 ORDER BY N").arg(table));
    lines.keepRows();
    Raw number(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Revision"));
    Raw head(QStringLiteral("INSERT INTO Revision (ID, Date_Rev, Time_Rev, Osnovanie, Sklad_ID) "
                            "VALUES (?, '2026-01-01', '12:00:00', 'Проверка наличности', 1)"));
    Raw row(QStringLiteral("INSERT INTO Revision_Art (ID_Rev, Art_ID, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"));
    Raw set(QStringLiteral("UPDATE Store_Kol SET Kol = ? WHERE Art_ID = ? AND Sklad_ID = 1"));
    Raw clear(QStringLiteral("DELETE FROM %1").arg(table));
    const Timing saveBase = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            lines.run();
            const long long id = number.run();
            head.bind(1, id).run();
            for (const QList<QByteArray> &l : lines.allRows()) {
                const long long a = l.value(0).toLongLong();
                row.bind(1, id).bind(2, a).bind(3, l.value(1).toDouble()).bind(4, l.value(2).toDouble())
                    .bind(5, l.value(3)).bind(6, l.value(4).toDouble()).bind(7, l.value(5))
                    .run();
                set.bind(1, l.value(2).toDouble()).bind(2, a).run();
            }
            clear.run();
            rawExec("COMMIT");
        },
        fillCount);
    Db::execute(QStringLiteral("DELETE FROM %1").arg(table));
    report({QStringLiteral("stocktaking.save"), QStringLiteral("ревизия: „ЗАПИС“ на 10 000 реда"),
            s.of(QStringLiteral("stocktaking.save")), saveBase, 3,
            QStringLiteral("база: редовете, главата, 10 000 реда и наличности в една транзакция")});
}

// "Изтрии" on the last article of the catalogue, one that nothing names:
// every table that may name an article is looked at.
void articleDeleteRoad()
{
    const long long doomed = options().articles + 1LL;
    const QString name = QStringLiteral("Ящик за изтриване");
    const auto reset = [&] {
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Dostavna_Cena, Valuta_D, "
                                   "Ed_Cena, Valuta_P, Mqrka, Garancionen, Kasovo_Ime, Poredica, Min_Kol, Max_TO, "
                                   "Dan_Grup, Prigotvq_Se) VALUES (?, 'N-изтриване', 1, ?, 1, 'BGL', 2, 'BGL', 'бр.', "
                                   "'False', ?, 'False', 0, 0, 2, 0)"),
                    {doomed, name, name});
        Db::execute(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, '2999999999999')"), {doomed});
    };
    Samples s;
    int run = 0;
    driveWindows<TForm_Artikuli>({1280, 900}, [&](TForm_Artikuli *w) {
        if (run == 0)
            RawGrid::shapeLike(w->DBGrid_Articles);
        w->DBGrid_Articles->setFocus();
        QTest::keyClick(w->DBGrid_Articles, Qt::Key_End, Qt::ControlModifier);
        settle();
        if (w->currentRecord().value(QStringLiteral("ID")).toLongLong() != doomed)
            fail(QStringLiteral("the last article is not the one to delete"));
        PlatformScript::answer(true);
        s.timed(QStringLiteral("delete"), run, [&] { w->N_Iztrii->trigger(); });
        if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID = ?"), {doomed}).toInt() != 0
            || gridRows(w->DBGrid_Articles) != options().articles)
            fail(QStringLiteral("the article was not deleted: ") + lastMessage());
    });
    QWidget owner;
    for (run = 0; run < options().runs; ++run) {
        reset();
        if (run == 0)
            delete Form_Artikuli.data();
        TForm_Artikuli::N_ArtikuliClick(&owner);
    }
    PlatformScript::setModalHandler({});
    delete Form_Artikuli.data();

    // The same statements raw: the article read, each table that may name
    // it asked by the registry's own statement, the deletes, then the kept
    // count and the last page.
    std::vector<std::pair<std::unique_ptr<Raw>, QVariantList>> checks;
    for (const ColumnRegistry::Check &c :
         ColumnRegistry::referenceChecks(QStringLiteral("Produkti"), QStringLiteral("ID"), doomed))
        if (Db::tableExists(c.table))
            checks.emplace_back(std::make_unique<Raw>(c.sql), c.params);
    Raw read(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = ?"));
    Raw codes(QStringLiteral("DELETE FROM Barkodes WHERE ID = ?"));
    std::unique_ptr<Raw> numbers;
    if (Db::tableExists(QStringLiteral("Nomenklatures")))
        numbers = std::make_unique<Raw>(QStringLiteral("DELETE FROM Nomenklatures WHERE ID = ?"));
    Raw remove(QStringLiteral("DELETE FROM Produkti WHERE ID = ?"));
    Raw count(QStringLiteral("SELECT COALESCE(SUM(Broi), 0) FROM Produkti_Broi"));
    Raw page(QStringLiteral("SELECT Produkti.ID, Produkti.Nomenkl_N, Produkti.Opisanie, Produkti.Ed_Cena, "
                            "Produkti.Valuta_P, Produkti.Mqrka, Grupi.ID, Grupi.Opisanie FROM Produkti JOIN Grupi ON "
                            "Grupi.ID = Produkti.Nomer_Grupa ORDER BY Produkti.ID DESC LIMIT 200"));
    page.keepRows();
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            read.bind(1, doomed).run();
            for (auto &[check, params] : checks) {
                check->bindAll(params);
                if (check->run(), check->rows() > 0)
                    fail(QStringLiteral("the article to delete is named somewhere"));
            }
            codes.bind(1, doomed).run();
            if (numbers)
                numbers->bind(1, doomed).run();
            remove.bind(1, doomed).run();
            rawExec("COMMIT");
            count.run();
            page.run();
            RawGrid::show(page.allRows(), {0, 1, 2, 3, 4, 5, 6, 7});
        },
        reset);
    RawGrid::hide();
    const long long history = Db::scalar(QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM Prodajbi) + (SELECT COUNT(*) FROM Dostavka_art) + (SELECT COUNT(*) FROM "
        "Revision_Art) + (SELECT COUNT(*) FROM Invalidate_Sales) + (SELECT COUNT(*) FROM Printed_Dok)")).toLongLong();
    report({QStringLiteral("delete"), QStringLiteral("каталог: изтриване на артикул"), s.of(QStringLiteral("delete")),
            base, 3,
            QStringLiteral("%1 реда история, %2 таблици проверени; база: същите проверки сурово")
                .arg(history)
                .arg(checks.size())});
}
} // namespace Bench
