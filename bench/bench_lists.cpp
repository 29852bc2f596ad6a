// The long lists opened from the main window's menu: the sales report over
// every sale of the shop ("Справка" with no filter, the next page, a header
// click, Ctrl+End and the scroll bar dragged to the middle, a click on the
// article's and on the counterparty's column; "Справка" with one filter
// ticked, or a day and the payment type) and the
// counterparty browser over the whole register (opened, a header click).
// The window is opened from the menu each run; the first run follows a drop
// of the database from the OS cache. Each baseline runs raw what the window
// must show and no more: the report's totals and a page read from where it
// begins, by the index of its order.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "app/app_state.h"
#include "counterparties/form_kontrakents.h"
#include "documents/form_spravka_prodajba.h"
#include "documents/report_filter.h"
#include "documents/sales_report.h"
#include "offers/catalogue_search.h"
#include "offers/form_oferti.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <QTest>

#include <memory>
#include <tuple>
#include <vector>
#include <utility>

namespace Bench {
namespace {
constexpr int Page = PagedListModel::PageSize;

void clickTitle(QTableView *grid, int column)
{
    QHeaderView *header = grid->horizontalHeader();
    grid->horizontalScrollBar()->setValue(0);
    settle();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

int columnTitled(QTableView *grid, const QString &title)
{
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString().trimmed() == title)
            return c;
    fail(QStringLiteral("%1 has no column %2").arg(grid->objectName(), title));
}

QString cell(QTableView *grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

void dragToMiddle(QTableView *grid)
{
    QScrollBar *bar = grid->verticalScrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum() / 2);
    bar->setSliderDown(false);
}

QList<int> firstColumns(int n)
{
    QList<int> shown;
    for (int c = 0; c < n; ++c)
        shown << c;
    return shown;
}

// A raw page shown in the raw grid.
void page(Raw &r, const QList<QByteArray> &values, int columns)
{
    for (int i = 0; i < values.size(); ++i)
        r.bind(i + 1, values.at(i));
    r.run();
    if (r.rows() == 0)
        fail(QStringLiteral("a raw page is empty"));
    RawGrid::show(r.allRows(), firstColumns(columns));
}
} // namespace

void salesReportRoads()
{
    // The generated sales and those the desk's roads made.
    const int sales = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi")).toInt();
    Samples s;
    int run = 0;
    int dateColumn = -1;
    QList<QByteArray> middleKey; // the date and row key at the middle, for its baseline
    driveWindows<TForm_Spravka_prodajba>({1280, 900}, [&](TForm_Spravka_prodajba *w) {
        QTableView *grid = w->DBGrid1;
        s.timed(QStringLiteral("report.open"), run, [&] { w->Button_Search->click(); });
        if (grid->model()->rowCount() != sales)
            fail(QStringLiteral("the sales report lists %1 of %2 sales").arg(grid->model()->rowCount()).arg(sales));
        if (run == 0)
            RawGrid::shapeLike(grid);
        s.timed(QStringLiteral("report.next"), run, [&] { grid->verticalScrollBar()->setValue(Page); });
        if (grid->rowAt(0) != Page || cell(grid, Page, 0).isEmpty())
            fail(QStringLiteral("the next page shows row %1").arg(grid->rowAt(0)));
        // "Дата" descending: the first click of a column sorts it so.
        dateColumn = columnTitled(grid, QStringLiteral("Дата"));
        SortDirection = 0;
        s.timed(QStringLiteral("report.sort"), run, [&] { clickTitle(grid, dateColumn); });
        const QString newest = cell(grid, 0, dateColumn);
        if (newest.isEmpty() || grid->model()->rowCount() != sales)
            fail(QStringLiteral("the report sorted by date shows %1 rows").arg(grid->model()->rowCount()));
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        s.timed(QStringLiteral("report.last"), run,
                [&] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); });
        if (grid->currentIndex().row() != sales - 1)
            fail(QStringLiteral("Ctrl+End went to row %1").arg(grid->currentIndex().row()));
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        settle();
        s.timed(QStringLiteral("report.middle"), run, [&] { dragToMiddle(grid); });
        const int top = grid->rowAt(0);
        if (top < sales / 4 || top > sales * 3 / 4 || cell(grid, top, dateColumn).isEmpty())
            fail(QStringLiteral("the middle of the report shows row %1").arg(top));
        // Columns of other tables, descending (the rows without one last),
        // then the article's ascending.
        SortDirection = 0;
        for (const auto &[key, title] : {std::pair{"report.article", "Описание"}, std::pair{"report.article.up", "Описание"},
                                         std::pair{"report.client", "Клиент"}, std::pair{"report.group", "Име на група"},
                                         std::pair{"report.group.up", "Име на група"}, std::pair{"report.amount", "Общо"}}) {
            const int column = columnTitled(grid, QString::fromUtf8(title));
            if (QByteArray(key) == "report.group" || QByteArray(key) == "report.amount")
                SortDirection = 0; // descending too
            s.timed(QString::fromLatin1(key), run, [&] { clickTitle(grid, column); });
            // Every sale has its article; most have no client, which a
            // server sorts first when descending.
            const bool named = !QByteArray(key).startsWith("report.client");
            if ((named && cell(grid, 0, column).isEmpty()) || grid->model()->rowCount() != sales)
                fail(QStringLiteral("the report sorted by „%1“ shows %2 rows, the first without it")
                         .arg(QString::fromUtf8(title))
                         .arg(grid->model()->rowCount()));
        }
        SortDirection = 0;
    });
    for (run = 0; run < options().runs; ++run)
        command("N_Spravka_Prodajba");
    PlatformScript::setModalHandler({});

    // "Справка" with one filter ticked, or a day and the payment type: each
    // a tick (and its value), the click timed, the tick taken back.
    const QDate middleDay = QDate::fromString(
        Db::scalar(QStringLiteral("SELECT D_Prodajba FROM Prodajbi ORDER BY ID_Red LIMIT 1 OFFSET ?"), {sales / 2}).toString(),
        Qt::ISODate);
    const auto tickDay = [&](TForm_Spravka_prodajba *w) {
        w->ChkBox_Data->click();
        w->ComboBox_Select_Data->setCurrentIndex(ReportFilter::Equal);
        w->DateTimePicker_Data_Ot->setDate(middleDay);
    };
    const struct {
        const char *key;
        const char *road;
        std::function<void(TForm_Spravka_prodajba *)> tick;
    } filters[] = {
        {"report.filter.pay", "справка продажби: „Тип плащане“ в брой",
         [](TForm_Spravka_prodajba *w) { w->CheckBox_Type_Pay->click(); }},
        {"report.filter.operator", "справка продажби: „Оператор“", [](TForm_Spravka_prodajba *w) { w->ChkBox_Operators->click(); }},
        {"report.filter.warehouse", "справка продажби: „Склад“", [](TForm_Spravka_prodajba *w) { w->ChkBox_Sklad->click(); }},
        {"report.filter.dayPay", "справка продажби: ден и „Тип плащане“",
         [&](TForm_Spravka_prodajba *w) {
             tickDay(w);
             w->CheckBox_Type_Pay->click();
         }},
        {"report.filter.time", "справка продажби: „Час“ от 00:00:00",
         [](TForm_Spravka_prodajba *w) {
             w->CheckBox_T_Prodajba->click();
             w->ComboBox_T_Prodajba->setCurrentIndex(ReportFilter::AtLeast);
             w->DateTimePicker_T_Prodajba_Ot->setTime(QTime(0, 0));
         }},
        {"report.filter.amount", "справка продажби: „Сума“ от 10",
         [](TForm_Spravka_prodajba *w) {
             w->ChkBox_Suma->click();
             w->ComboBox_Select_Suma->setCurrentIndex(ReportFilter::AtLeast);
             w->Edit_Ot->setText(QStringLiteral("10"));
         }},
    };
    QHash<QString, SalesReport::Filter> chosen; // what each road's window filtered, for its baseline
    driveWindows<TForm_Spravka_prodajba>({1280, 900}, [&](TForm_Spravka_prodajba *w) {
        for (const auto &f : filters) {
            f.tick(w);
            s.timed(QString::fromLatin1(f.key), run, [&] { w->Button_Search->click(); });
            if (w->DBGrid1->model()->rowCount() == 0)
                fail(QStringLiteral("„Справка“ for %1 lists no sale").arg(QString::fromLatin1(f.key)));
            chosen.insert(QString::fromLatin1(f.key), w->filter());
            for (QCheckBox *box : {w->ChkBox_Data, w->CheckBox_T_Prodajba, w->ChkBox_Suma, w->ChkBox_Operators,
                                   w->CheckBox_Type_Pay, w->ChkBox_Sklad})
                if (box->isChecked())
                    box->click();
        }
    });
    for (run = 0; run < options().runs; ++run)
        command("N_Spravka_Prodajba");
    PlatformScript::setModalHandler({});

    // ---- the baselines: the window's statement, a page read by its index ----
    // The window's own columns and joins, every sale.
    const std::optional<KeysetList> byIndex = SalesReport::list(SalesReport::where({}), sales).byIndex;
    if (!byIndex)
        fail(QStringLiteral("%1 sales are too few for the report to read them by key").arg(sales));
    const KeysetList all = *byIndex;
    const QString select = all.select + all.from + QStringLiteral(" WHERE ") + all.where;
    const int columns = int(SalesReport::listFields().size());
    const QString limit = QStringLiteral(" LIMIT %1").arg(Page);
    // The totals as the window reads them: the kept sums of the days and the
    // sales of no date.
    std::vector<std::unique_ptr<Raw>> totals;
    for (const auto &[sql, values] : SalesReport::totalsStatements(SalesReport::where({})))
        totals.push_back(std::make_unique<Raw>(sql));
    const auto figure = [&](const QString &key, const QString &road, const Timing &base, const QString &note) {
        report({key, road, s.of(key), base, 3, note});
    };
    {
        Raw first(select + QStringLiteral(" ORDER BY Prodajbi.ID_Red") + limit);
        first.keepRows();
        figure(QStringLiteral("report.open"), QStringLiteral("справка продажби: „Справка“ (500 000)"), measure([&] {
                   for (const auto &t : totals)
                       t->run();
                   page(first, {}, columns);
               }),
               QStringLiteral("база: пазените суми на дните и първата страница"));
    }
    {
        Raw key(QStringLiteral("SELECT ID_Red FROM Prodajbi ORDER BY ID_Red LIMIT 1 OFFSET %1").arg(Page - 1));
        key.run();
        const QByteArray after = key.firstRow().value(0);
        Raw next(select + QStringLiteral(" AND Prodajbi.ID_Red > ? ORDER BY Prodajbi.ID_Red") + limit);
        next.keepRows();
        figure(QStringLiteral("report.next"), QStringLiteral("справка продажби: следващите 200 реда"),
               measure([&] { page(next, {after}, columns); }), QStringLiteral("база: страницата след ключа"));
    }
    {
        Raw sorted(select + QStringLiteral(" ORDER BY Prodajbi.D_Prodajba DESC, Prodajbi.ID_Red DESC") + limit);
        sorted.keepRows();
        figure(QStringLiteral("report.sort"), QStringLiteral("справка продажби: колона „Дата“"),
               measure([&] { page(sorted, {}, columns); }), QStringLiteral("база: първата страница по датата"));
        Raw last(select + QStringLiteral(" ORDER BY Prodajbi.D_Prodajba, Prodajbi.ID_Red") + limit);
        last.keepRows();
        figure(QStringLiteral("report.last"), QStringLiteral("справка продажби: Ctrl+End"),
               measure([&] { page(last, {}, columns); }), QStringLiteral("база: последната страница по датата"));
        Raw middle(QStringLiteral("SELECT D_Prodajba, ID_Red FROM Prodajbi ORDER BY D_Prodajba DESC, ID_Red DESC "
                                  "LIMIT 1 OFFSET %1")
                       .arg(sales / 2));
        middle.run();
        middleKey = middle.firstRow();
        Raw from(select + QStringLiteral(" AND (Prodajbi.D_Prodajba, Prodajbi.ID_Red) <= (?, ?) "
                                         "ORDER BY Prodajbi.D_Prodajba DESC, Prodajbi.ID_Red DESC")
                 + limit);
        from.keepRows();
        figure(QStringLiteral("report.middle"), QStringLiteral("справка продажби: плъзгач до средата"),
               measure([&] { page(from, middleKey, columns); }), QStringLiteral("база: страница от ключа на средата"));
    }
    // The first page in the order of another table's column: that table's
    // rows along its index, each one's sales along theirs, in one statement.
    const QString others = QStringLiteral(" LEFT JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa "
                                          "LEFT JOIN Sklad ON Sklad.ID_Sklad = Prodajbi.Sklad_ID");
    for (const auto &[key, road, from, order, way] :
         {std::tuple{"report.article", "справка продажби: колона „Описание“",
                     " FROM Produkti CROSS JOIN Prodajbi LEFT JOIN Firmi ON Firmi.ID = Prodajbi.ID_Klient",
                     "Produkti.Opisanie, Produkti.ID", " DESC"},
          std::tuple{"report.client", "справка продажби: колона „Клиент“",
                     " FROM Firmi CROSS JOIN Prodajbi LEFT JOIN Produkti ON Produkti.ID = Prodajbi.ID_Art",
                     "Firmi.Ime_Firma, Firmi.ID", " DESC"}}) {
        const QString link = QString::fromLatin1(from).contains(QLatin1String("FROM Produkti"))
                                 ? QStringLiteral("Prodajbi.ID_Art = Produkti.ID")
                                 : QStringLiteral("Prodajbi.ID_Klient = Firmi.ID");
        QStringList terms = QString::fromLatin1(order).split(QStringLiteral(", "));
        terms << QStringLiteral("Prodajbi.ID_Red");
        Raw first(all.select + QString::fromLatin1(from)
                  + QStringLiteral(" JOIN Valuti ON Valuti.Opisanie = Prodajbi.Valuta") + others + QStringLiteral(" WHERE ")
                  + link + QStringLiteral(" ORDER BY ") + terms.join(QString::fromLatin1(way) + QStringLiteral(", "))
                  + QString::fromLatin1(way) + limit);
        first.keepRows();
        figure(QString::fromLatin1(key), QString::fromUtf8(road), measure([&] { page(first, {}, columns); }),
               QStringLiteral("база: първата страница по колоната"));
    }
    for (const bool up : {false, true}) {
        // The groups by name, each one's articles by number, each article's
        // sales: each table told apart by its row number, as the window does.
        // Ascending, the sales of no group first: none here, as the kept
        // lists say.
        const QString way = up ? QString() : QStringLiteral(" DESC");
        const QString row = Db::rowNumberTerm(QStringLiteral("Grupi")).isEmpty() ? QString() : way + QStringLiteral(", Grupi.rowid");
        const QString articleRow = row.isEmpty() ? QString() : way + QStringLiteral(", Produkti.rowid");
        Raw none(SalesReport::list(SalesReport::where({}), sales, QStringLiteral("Ime_Grupa"), false).byIndex->orphansKept);
        Raw first(all.select
                  + QStringLiteral(" FROM Grupi CROSS JOIN Produkti CROSS JOIN Prodajbi JOIN Valuti ON Valuti.Opisanie = "
                                   "Prodajbi.Valuta LEFT JOIN Firmi ON Firmi.ID = Prodajbi.ID_Klient "
                                   "LEFT JOIN Sklad ON Sklad.ID_Sklad = Prodajbi.Sklad_ID "
                                   "WHERE Produkti.Nomer_Grupa = Grupi.ID AND Prodajbi.ID_Art = Produkti.ID "
                                   "ORDER BY Grupi.Opisanie")
                  + way + QStringLiteral(", Grupi.ID") + row + way + QStringLiteral(", Produkti.ID") + articleRow + way
                  + QStringLiteral(", Prodajbi.ID_Red") + way + limit);
        first.keepRows();
        if (up)
            figure(QStringLiteral("report.group.up"), QStringLiteral("справка продажби: колона „Име на група“ ↑"),
                   measure([&] {
                       none.run();
                       page(first, {}, columns);
                   }),
                   QStringLiteral("база: пазените списъци без група и първата страница"));
        else
            figure(QStringLiteral("report.group"), QStringLiteral("справка продажби: колона „Име на група“"),
                   measure([&] { page(first, {}, columns); }), QStringLiteral("база: първата страница по колоната"));
    }
    {
        // The greatest amounts: the sales of the shop's one currency along
        // the index of the amount in it.
        const QString own =
            SalesReport::list(SalesReport::where({}), sales, QStringLiteral("Suma"), true).byIndex->order.at(1).expression;
        Raw first(select + QStringLiteral(" AND Prodajbi.Valuta = 'BGL' ORDER BY %1 DESC, Prodajbi.ID_Red DESC").arg(own)
                  + limit);
        first.keepRows();
        figure(QStringLiteral("report.amount"), QStringLiteral("справка продажби: колона „Общо“"),
               measure([&] { page(first, {}, columns); }),
               QStringLiteral("база: първата страница на валутата по сумата в нея"));
    }
    {
        // Ascending, the rows without an article first: none are kept as
        // such here, so there are none to look for.
        Raw none(QStringLiteral("SELECT 1 FROM Prodajbi_Bez_Art LIMIT 1"));
        Raw first(all.select
                  + QStringLiteral(" FROM Produkti CROSS JOIN Prodajbi LEFT JOIN Firmi ON Firmi.ID = Prodajbi.ID_Klient "
                                   "JOIN Valuti ON Valuti.Opisanie = Prodajbi.Valuta")
                  + others
                  + QStringLiteral(" WHERE Prodajbi.ID_Art = Produkti.ID "
                                   "ORDER BY Produkti.Opisanie, Produkti.ID, Prodajbi.ID_Red")
                  + limit);
        first.keepRows();
        figure(QStringLiteral("report.article.up"), QStringLiteral("справка продажби: колона „Описание“ ↑"),
               measure([&] {
                   none.run();
                   page(first, {}, columns);
               }),
               QStringLiteral("база: продажбите без артикул, пазени отделно, и първата страница"));
    }
    // A filtered "Справка": the statements of its totals and the first page
    // in the order sold, raw.
    for (const auto &f : filters) {
        const QString key = QString::fromLatin1(f.key);
        const SalesReport::Where w = SalesReport::where(chosen.value(key));
        const QList<std::pair<QString, QVariantList>> statements = SalesReport::totalsStatements(w);
        std::vector<std::unique_ptr<Raw>> sums;
        for (const auto &[sql, values] : statements)
            sums.push_back(std::make_unique<Raw>(sql));
        Raw first(select + w.sql + QStringLiteral(" ORDER BY Prodajbi.ID_Red") + limit);
        first.keepRows();
        figure(key, QString::fromUtf8(f.road), measure([&] {
                   for (size_t i = 0; i < sums.size(); ++i)
                       sums.at(i)->bindAll(statements.at(int(i)).second).run();
                   first.bindAll(w.values).run();
                   RawGrid::show(first.allRows(), firstColumns(columns));
               }),
               w.kept ? QStringLiteral("база: пазените суми и първата страница") : QStringLiteral("база: сборът на продажбите и първата страница"));
    }
    RawGrid::hide();
}

void counterpartyBrowserRoads()
{
    Samples s;
    int run = 0;
    long long start = 0, before = 0, growth = 0;
    int nameColumn = -1;
    driveWindows<TForm_Kontrakents>({1280, 900}, [&](TForm_Kontrakents *w) {
        s.add(QStringLiteral("counterparties.open"), msSince(start));
        QTableView *grid = w->DBGrid_Kontragenti;
        if (grid->model()->rowCount() != CounterpartyCount)
            fail(QStringLiteral("the browser lists %1 counterparties").arg(grid->model()->rowCount()));
        if (run == 0)
            RawGrid::shapeLike(grid);
        nameColumn = columnTitled(grid, QStringLiteral("Наименование"));
        SortDirection = 0;
        s.timed(QStringLiteral("counterparties.sort"), run, [&] { clickTitle(grid, nameColumn); });
        if (cell(grid, 0, nameColumn).isEmpty())
            fail(QStringLiteral("the browser sorted by name shows no first row"));
        growth = qMax(growth, residentBytes() - before);
        SortDirection = 0;
    });
    for (run = 0; run < options().runs; ++run) {
        if (run == 0)
            dropCaches();
        before = residentBytes();
        start = nowNs();
        command("N_Klienti");
    }
    PlatformScript::setModalHandler({});

    const QString select = QStringLiteral("SELECT Firmi.ID, Firmi.Ime_Firma, Firmi.EIK, Firmi.Dan_N, Firmi.Grad, "
                                          "Firmi.Adres_Firma, Firmi.Telefon, Firmi.Banka_Kod, Firmi.Banka_Smetka, "
                                          "Firmi.Banka_Ime, Firmi.T_O FROM Firmi");
    const QString limit = QStringLiteral(" LIMIT %1").arg(Page);
    {
        Raw count(QStringLiteral("SELECT COUNT(*) FROM Firmi"));
        Raw first(select + QStringLiteral(" ORDER BY Firmi.ID") + limit);
        first.keepRows();
        Figure f{QStringLiteral("counterparties.open"), QStringLiteral("контрагенти: отваряне (100 000)"),
                 s.of(QStringLiteral("counterparties.open")), measure([&] {
                     count.run();
                     page(first, {}, 11);
                 }),
                 3, QStringLiteral("памет +%1 MB (под 20); база: броят и първата страница").arg(growth / 1048576.0, 0, 'f', 1)};
        f.failed = growth >= 20 * 1048576LL;
        report(f);
    }
    {
        Raw sorted(select + QStringLiteral(" ORDER BY Firmi.Ime_Firma, Firmi.ID") + limit);
        sorted.keepRows();
        report({QStringLiteral("counterparties.sort"), QStringLiteral("контрагенти: колона „Наименование“"),
                s.of(QStringLiteral("counterparties.sort")), measure([&] { page(sorted, {}, 11); }), 3,
                QStringLiteral("база: първата страница по името")});
    }
    RawGrid::hide();
}
} // namespace Bench

namespace Bench {
// "Оферти" over the supplier's catalogue the import road has just read
// (100 000 lines in 200 groups): a group's listing, a click on "Описание"
// there, a search of a fragment every name holds over the whole catalogue,
// a click on "Описание" then and Ctrl+End. Each listing is counted with its
// price extremes, which the window shows; a click keys the listing in the
// new order once and reads its pages by those keys. The baselines run the
// count and the first page in the listing's own order, and a click's first
// page sorted raw (no index orders a listing by its columns).
void offerListRoads(TForm_Oferti *w, int lines)
{
    if (!w || !w->isVisible())
        fail(QStringLiteral("the offers window is not open"));
    QTreeWidgetItem *supplier = w->TreeView1->topLevelItem(0);
    if (!supplier || supplier->childCount() == 0)
        fail(QStringLiteral("the offers window's tree has no group"));
    supplier->setExpanded(true);
    settle();
    QTreeWidgetItem *group = supplier->child(0);
    QTableView *grid = w->DBGrid_Art;
    const QString fragment = QStringLiteral("гр.");
    Samples s;
    long long supplierId = 0, groupId = 0;
    qint64 groupRows = 0;
    for (int run = 0; run < options().runs; ++run) {
        s.timed(QStringLiteral("offers.group"), run, [&] {
            w->TreeView1->scrollToItem(group);
            QTest::mouseClick(w->TreeView1->viewport(), Qt::LeftButton, {},
                              w->TreeView1->visualItemRect(group).center());
        });
        groupRows = grid->model()->rowCount();
        if (groupRows == 0)
            fail(QStringLiteral("the group's listing is empty"));
        if (run == 0) {
            RawGrid::shapeLike(grid);
            supplierId = w->artList()->value(0, QStringLiteral("ID_F")).toLongLong();
            groupId = w->artList()->value(0, QStringLiteral("ID_G")).toLongLong();
        }
        const int name = columnTitled(grid, QStringLiteral("Описание"));
        SortDirection = 0;
        s.timed(QStringLiteral("offers.groupSort"), run, [&] { clickTitle(grid, name); });
        if (cell(grid, 0, name).isEmpty() || grid->model()->rowCount() != groupRows)
            fail(QStringLiteral("the group sorted by name shows %1 rows").arg(grid->model()->rowCount()));

        w->SearchCriterion = 0;
        w->Edit_Search->setText(fragment);
        s.timed(QStringLiteral("offers.search"), run,
                [&] { QTest::mouseClick(w->Button_Search, Qt::LeftButton); });
        if (grid->model()->rowCount() != lines)
            fail(QStringLiteral("the search for %1 shows %2 rows").arg(fragment).arg(grid->model()->rowCount()));
        SortDirection = 0;
        s.timed(QStringLiteral("offers.searchSort"), run, [&] { clickTitle(grid, name); });
        if (cell(grid, 0, name).isEmpty())
            fail(QStringLiteral("the search sorted by name shows no first row"));
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        s.timed(QStringLiteral("offers.searchLast"), run,
                [&] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); });
        if (grid->currentIndex().row() != lines - 1)
            fail(QStringLiteral("Ctrl+End went to row %1").arg(grid->currentIndex().row()));
    }
    SortDirection = 0;

    const QString limit = QStringLiteral(" LIMIT %1").arg(Page);
    const QString byName = CatalogueSearch::orderBy({QStringLiteral("Opisanie")}, 1);
    const QString byNameUp = CatalogueSearch::orderBy({QStringLiteral("Opisanie")}, 0);
    const auto shown = [](Raw &r) {
        r.run();
        if (r.rows() == 0)
            fail(QStringLiteral("a raw page is empty"));
        RawGrid::show(r.allRows(), firstColumns(CatalogueSearch::GridColumns));
    };
    const auto listed = [&](const QString &key, const QString &road, const CatalogueSearch::Listing &l,
                            const QString &note) {
        Raw count(CatalogueSearch::summarySql(l));
        Raw first(CatalogueSearch::listingSql(l, QStringLiteral("Art_CL.ID")) + limit);
        first.keepRows();
        report({key, road, s.of(key), measure([&] {
                    count.bindAll(CatalogueSearch::summaryParams(l)).run();
                    shown(first.bindAll(l.params));
                }),
                3, note});
    };
    const auto sorted = [&](const QString &key, const QString &road, const CatalogueSearch::Listing &l,
                            const QString &order, const QString &note) {
        Raw page(CatalogueSearch::listingSql(l, order) + limit);
        page.keepRows();
        report({key, road, s.of(key), measure([&] { shown(page.bindAll(l.params)); }), 3, note});
    };
    const CatalogueSearch::Listing inGroup = CatalogueSearch::groupListing(supplierId, groupId);
    const CatalogueSearch::Listing found = CatalogueSearch::searchListing(0, fragment, {supplierId});
    listed(QStringLiteral("offers.group"), QStringLiteral("оферти: група (%1 реда)").arg(groupRows), inGroup,
           QStringLiteral("база: броят, цените и първата страница"));
    sorted(QStringLiteral("offers.groupSort"), QStringLiteral("оферти: група, колона „Описание“"), inGroup, byName,
           QStringLiteral("база: първата страница по описанието"));
    listed(QStringLiteral("offers.search"), QStringLiteral("оферти: търсене „%1“ (%2)").arg(fragment).arg(lines), found,
           QStringLiteral("база: броят, цените и първата страница"));
    sorted(QStringLiteral("offers.searchSort"), QStringLiteral("оферти: търсене, колона „Описание“"), found, byName,
           QStringLiteral("база: първата страница по описанието"));
    sorted(QStringLiteral("offers.searchLast"), QStringLiteral("оферти: търсене, колона „Описание“, Ctrl+End"), found,
           byNameUp, QStringLiteral("база: последната страница по описанието"));
    RawGrid::hide();
}
} // namespace Bench
