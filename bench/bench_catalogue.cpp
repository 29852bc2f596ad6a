// The catalogue window as a user works it, each road with its repaint:
// opened from the menu on every article, a header click on each column in
// either direction, the jump to the last row and the scroll bar dragged to
// the middle (sorted by name), the return to an article after it was edited
// there, the name searches of a fragment that 3 % of the names hold and of
// one every name holds, each followed by a header click (the latter by a
// second, on "Група"), and a group click.
// The first run of each road follows a drop of the database from the OS
// cache, and the window is made anew for it. Each baseline runs raw what the
// window's database work needs and no more: the count the catalogue keeps per
// group, the page in that order read from where it begins.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "app/app_state.h"
#include "catalogue/article_list.h"
#include "catalogue/article_search.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_new_artikul.h"
#include "platform/db/database.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

namespace Bench {
namespace {
const QString kColumns = QStringLiteral(
    "Produkti.ID, Produkti.Nomenkl_N, Produkti.Nomer_Grupa, Produkti.Opisanie, Produkti.Dostavna_Cena, "
    "Produkti.Valuta_D, Produkti.Ed_Cena, Produkti.Valuta_P, Produkti.Mqrka, Produkti.Garancionen, "
    "Produkti.Kasovo_Ime, Produkti.Etiketno_Ime, Produkti.Dostav4ik, Produkti.Poredica, Produkti.Min_Kol, "
    "Produkti.Max_TO, Produkti.Trajnost, Produkti.Kod_Vezna, Produkti.Dan_Grup, Produkti.Prigotvq_Se, "
    "Grupi.ID AS ID_Grupa, Grupi.Opisanie AS Grupa_Opis");
const QString kFrom = QStringLiteral(" FROM Produkti JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa");
const QString kPage = QStringLiteral(" LIMIT %1").arg(PagedListModel::PageSize);

// The count the catalogue keeps per group, summed over the groups.
const QString kCount = QStringLiteral(
    "SELECT COALESCE(SUM(Produkti_Broi.Broi), 0) FROM Produkti_Broi JOIN Grupi ON Grupi.ID = Produkti_Broi.Nomer_Grupa");

const QString kSearchColumn = QStringLiteral("Ed_Cena"); // the header clicked after a search

QString orderOf(const QString &field, bool descending)
{
    const QString d = descending ? QStringLiteral(" DESC") : QString();
    const QString e = field == QLatin1String("ID_Grupa") ? QStringLiteral("Produkti.Nomer_Grupa")
                                                          : QStringLiteral("Produkti.") + field;
    if (field == QLatin1String("ID"))
        return e + d;
    return e + d + QStringLiteral(", Produkti.ID") + d;
}

// The grid's columns among the statement's (kColumns).
const QList<int> kShown = {0, 1, 3, 6, 7, 8, 20, 21};

void showRaw(const QList<QList<QByteArray>> &rows)
{
    RawGrid::show(rows, kShown);
}

// Runs a raw statement with text values and checks that it gave rows.
void runFilled(Raw &r, const QList<QByteArray> &values = {})
{
    for (int i = 0; i < values.size(); ++i)
        r.bind(i + 1, values.at(i));
    r.run();
    if (r.rows() == 0)
        fail(QStringLiteral("a raw page is empty"));
}

// The kept count plus the first page in one order.
struct CountAndPage {
    Raw count, page;
    explicit CountAndPage(const QString &orderBy)
        : count(kCount)
        , page(QStringLiteral("SELECT ") + kColumns + kFrom + QStringLiteral(" ORDER BY ") + orderBy + kPage)
    {
        page.keepRows();
    }
    void run()
    {
        count.run();
        runFilled(page);
        showRaw(page.allRows());
    }
};

// The "Група" order as the window reads it: the first group by name that
// has articles (that hold `typed` in their name, when given), then its
// articles by number, group after group until a page is full; each step one
// index range, the groups walked first.
struct GroupSteps {
    bool descending;
    QList<QByteArray> like; // the name's pattern, bound first
    Raw count, first, sameName, nextName, rows;
    explicit GroupSteps(bool desc, const QString &typed = {})
        : descending(desc)
        , like(typed.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{Db::likeContains(typed).toUtf8()})
        , count(kCount)
        , first(steps() + QStringLiteral(" ORDER BY Grupi.Opisanie") + d() + QStringLiteral(", Grupi.ID") + d()
                + QStringLiteral(" LIMIT 1"))
        , sameName(steps() + QStringLiteral(" AND Grupi.Opisanie = ? AND Grupi.ID ")
                   + (desc ? QStringLiteral("<") : QStringLiteral(">")) + QStringLiteral(" ? ORDER BY Grupi.Opisanie") + d()
                   + QStringLiteral(", Grupi.ID") + d() + QStringLiteral(" LIMIT 1"))
        , nextName(steps() + QStringLiteral(" AND Grupi.Opisanie ") + (desc ? QStringLiteral("<") : QStringLiteral(">"))
                   + QStringLiteral(" ? ORDER BY Grupi.Opisanie") + d() + QStringLiteral(", Grupi.ID") + d()
                   + QStringLiteral(" LIMIT 1"))
        , rows(QStringLiteral("SELECT ") + kColumns + kFrom + QStringLiteral(" WHERE ") + filter()
               + QStringLiteral(" Grupi.Opisanie = ? AND Grupi.ID = ? ORDER BY Produkti.ID") + d()
               + QStringLiteral(" LIMIT ?"))
    {
        rows.keepRows();
    }
    QString d() const { return descending ? QStringLiteral(" DESC") : QString(); }
    QString filter() const
    {
        return like.isEmpty() ? QString() : QStringLiteral("UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\' AND");
    }
    QString steps() const
    {
        return QStringLiteral("SELECT Grupi.Opisanie, Grupi.ID FROM Grupi CROSS JOIN Produkti WHERE ") + filter()
               + QStringLiteral(" Grupi.ID = Produkti.Nomer_Grupa");
    }
    void run()
    {
        if (like.isEmpty()) // a search's list is counted as it is read
            count.run();
        int left = PagedListModel::PageSize;
        QByteArray name;
        long long id = 0;
        QList<QList<QByteArray>> page;
        bool found = step(first, like, &name, &id);
        while (found && left > 0) {
            for (int i = 0; i < like.size(); ++i)
                rows.bind(i + 1, like.at(i));
            rows.bind(int(like.size()) + 1, name).bind(int(like.size()) + 2, id).bind(int(like.size()) + 3, (long long)left).run();
            left -= rows.rows();
            page += rows.allRows();
            found = left > 0 && nextGroup(&name, &id);
        }
        if (page.isEmpty())
            fail(QStringLiteral("no group has articles"));
        showRaw(page);
    }

private:
    bool nextGroup(QByteArray *name, long long *id)
    {
        const QByteArray n = *name;
        if (step(sameName, like + QList<QByteArray>{n, QByteArray::number(*id)}, name, id))
            return true;
        return step(nextName, like + QList<QByteArray>{n}, name, id);
    }
    static bool step(Raw &r, const QList<QByteArray> &values, QByteArray *name, long long *id)
    {
        for (int i = 0; i < values.size(); ++i)
            r.bind(i + 1, values.at(i));
        r.run();
        if (r.rows() == 0)
            return false;
        *name = r.firstRow().value(0);
        *id = r.firstRow().value(1).toLongLong();
        return true;
    }
};

// The column's header brought into view, as a user does before clicking
// it: a scroll is no part of the click's road.
void showColumn(TForm_Artikuli *w, int column)
{
    w->DBGrid_Articles->scrollTo(w->list()->index(w->DBGrid_Articles->rowAt(0) < 0 ? 0 : w->DBGrid_Articles->rowAt(0),
                                                  column));
    settle();
}

void clickHeader(TForm_Artikuli *w, int column)
{
    QHeaderView *header = w->DBGrid_Articles->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

int columnOf(const char *field)
{
    return ArticleSearch::columnOfField(QString::fromLatin1(field));
}

QString textAt(TForm_Artikuli *w, int row, const char *field)
{
    return w->list()->value(row, QString::fromLatin1(field)).toString();
}

} // namespace

void catalogueRoads()
{
    const int columns = int(ArticleSearch::columns().size());
    const long long groupKey = GroupCount / 2;
    const int groupRows = options().articles / GroupCount;
    const int articles = options().articles;
    Samples s;
    long long growth = 0;
    long long start = 0;
    long long before = 0;
    int run = 0;
    long long edited = 0;
    long long editStart = 0;
    QStringList middleKey;    // the name and number at the middle row, for its baseline
    QString editName;
    QMap<QString, int> found; // hits of each search
    const auto timed = [&](const QString &key, const std::function<void()> &work) { s.timed(key, run, work); };
    std::function<int(QDialog *)> handler = [&](QDialog *d) -> int {
        if (auto *editor = qobject_cast<TForm_NewArtikul *>(d)) {
            // "Цена" changed and "Приеми": the catalogue is timed from here.
            editor->show();
            settle();
            editor->Edit_Cena->setText(QStringLiteral("%1.%2").arg(10 + run).arg(run % 10));
            editStart = nowNs();
            editor->BitBtn_OK->click();
            return editor->result();
        }
        auto *w = qobject_cast<TForm_Artikuli *>(d);
        if (!w)
            return int(QDialog::Rejected);
        w->resize(1280, 900);
        w->show();
        settle();
        s.add(QStringLiteral("catalogue.open"), msSince(start));
        if (run == 0)
            RawGrid::shapeLike(w->DBGrid_Articles);
        if (w->list()->rowCount() != articles)
            fail(QStringLiteral("the catalogue shows %1 articles").arg(w->list()->rowCount()));
        for (int descending = 0; descending < 2; ++descending) {
            SortDirection = descending;
            for (int c = 0; c < columns; ++c) {
                const QString field = QString::fromLatin1(ArticleSearch::columns().at(c).field);
                showColumn(w, c);
                timed((descending ? QStringLiteral("catalogue.sortdesc.") : QStringLiteral("catalogue.sort.")) + field,
                      [&] { clickHeader(w, c); });
                const QString firstId = textAt(w, 0, "ID");
                if (firstId.isEmpty())
                    fail(QStringLiteral("the list sorted by %1 shows no first row").arg(field));
            }
        }
        SortDirection = 0;
        showColumn(w, columnOf("Opisanie"));
        clickHeader(w, columnOf("Opisanie"));
        settle();
        w->DBGrid_Articles->setFocus();
        timed(QStringLiteral("catalogue.last"),
              [&] { QTest::keyClick(w->DBGrid_Articles, Qt::Key_End, Qt::ControlModifier); });
        if (w->DBGrid_Articles->currentIndex().row() != articles - 1)
            fail(QStringLiteral("the jump went to row %1").arg(w->DBGrid_Articles->currentIndex().row()));

        // The scroll bar dragged to the middle of the list sorted by name.
        QScrollBar *bar = w->DBGrid_Articles->verticalScrollBar();
        QTest::keyClick(w->DBGrid_Articles, Qt::Key_Home, Qt::ControlModifier);
        settle();
        timed(QStringLiteral("catalogue.middle"), [&] {
            bar->setSliderDown(true);
            bar->setSliderPosition(bar->maximum() / 2);
            bar->setSliderDown(false);
        });
        const int top = w->DBGrid_Articles->rowAt(0);
        if (top < articles / 4 || top > articles * 3 / 4 || textAt(w, top, "ID").isEmpty()
            || textAt(w, top + 5, "Opisanie") < textAt(w, top, "Opisanie"))
            fail(QStringLiteral("the middle of the list shows row %1 (%2)").arg(top).arg(textAt(w, top, "Opisanie")));
        middleKey = {textAt(w, top, "Opisanie"), textAt(w, top, "ID")};

        // An article there edited: back on it, the list read again.
        const int row = top + 5;
        w->DBGrid_Articles->setCurrentIndex(w->list()->index(row, columnOf("Opisanie")));
        edited = textAt(w, row, "ID").toLongLong();
        editName = textAt(w, row, "Opisanie");
        if (run == 0)
            dropCaches();
        w->N_Redaktiraj->trigger();
        settle();
        s.add(QStringLiteral("catalogue.edit"), msSince(editStart));
        const QModelIndex current = w->DBGrid_Articles->currentIndex();
        if (textAt(w, current.row(), "ID").toLongLong() != edited
            || w->DBGrid_Articles->visualRect(current).isEmpty())
            fail(QStringLiteral("after the edit the catalogue is on row %1, not on article %2")
                     .arg(current.row())
                     .arg(edited));

        // The name searches, each followed by a header click.
        for (const auto &[key, typed] : {std::pair{QStringLiteral("catalogue.search3"), QStringLiteral("кис")},
                                         std::pair{QStringLiteral("catalogue.search100"), QStringLiteral("гр.")}}) {
            w->Edit_Ot->setText(typed);
            timed(key, [&] { w->Button_artikul->click(); });
            if (w->list()->rowCount() == 0 || !textAt(w, 0, "Opisanie").toUpper().contains(typed.toUpper()))
                fail(QStringLiteral("the search for %1 shows %2").arg(typed, textAt(w, 0, "Opisanie")));
            found[key] = w->list()->rowCount();
            showColumn(w, columnOf("Ed_Cena"));
            timed(key + QStringLiteral(".sort"), [&] { clickHeader(w, columnOf("Ed_Cena")); });
            if (!textAt(w, 0, "Opisanie").toUpper().contains(typed.toUpper()))
                fail(QStringLiteral("the search for %1 sorted shows %2").arg(typed, textAt(w, 0, "Opisanie")));
            if (key != QLatin1String("catalogue.search100"))
                continue;
            showColumn(w, columnOf("Grupa_Opis"));
            timed(key + QStringLiteral(".group"), [&] { clickHeader(w, columnOf("Grupa_Opis")); });
            if (!textAt(w, 0, "Opisanie").toUpper().contains(typed.toUpper()) || textAt(w, 0, "Grupa_Opis").isEmpty())
                fail(QStringLiteral("the search for %1 by group shows %2").arg(typed, textAt(w, 0, "Opisanie")));
        }

        QTreeWidgetItem *node = w->nodeOfKey(groupKey);
        w->TreeView1->scrollToItem(node);
        settle();
        timed(QStringLiteral("catalogue.group"), [&] {
            QTest::mouseClick(w->TreeView1->viewport(), Qt::LeftButton, {}, w->TreeView1->visualItemRect(node).center());
        });
        if (w->list()->rowCount() != groupRows)
            fail(QStringLiteral("the group shows %1 articles").arg(w->list()->rowCount()));
        growth = qMax(growth, residentBytes() - before);
        w->hide();
        return int(QDialog::Rejected);
    };
    PlatformScript::setModalHandler(handler);
    QWidget owner;
    for (run = 0; run < options().runs; ++run) {
        if (run == 0) {
            delete Form_Artikuli.data(); // made anew for the first run
            dropCaches();
        }
        before = residentBytes();
        start = nowNs();
        TForm_Artikuli::N_ArtikuliClick(&owner);
    }
    PlatformScript::setModalHandler({});
    delete Form_Artikuli.data();

    // ---- the baselines ----
    const auto figure = [&](const QString &key, const QString &road, const Timing &base, const QString &note = {}) {
        Figure f{key, road, s.of(key), base, 3, note};
        report(f);
    };
    {
        CountAndPage all(QStringLiteral("Produkti.ID"));
        const Timing base = measure([&] { all.run(); });
        Figure f{QStringLiteral("catalogue.open"), QStringLiteral("каталог: отваряне"),
                 s.of(QStringLiteral("catalogue.open")), base, 3,
                 QStringLiteral("памет +%1 MB (под 20)").arg(growth / 1048576.0, 0, 'f', 1)};
        f.failed = growth >= 20 * 1048576LL;
        report(f);
    }
    for (int descending = 0; descending < 2; ++descending) {
        for (int c = 0; c < columns; ++c) {
            const ArticleSearch::Column &col = ArticleSearch::columns().at(c);
            const QString field = QString::fromLatin1(col.field);
            const QString key = (descending ? QStringLiteral("catalogue.sortdesc.") : QStringLiteral("catalogue.sort.")) + field;
            const QString road = QStringLiteral("каталог: колона „%1“%2")
                                     .arg(QString::fromUtf8(col.title), descending ? QStringLiteral(" ↓") : QString());
            if (field == QLatin1String("Grupa_Opis")) {
                GroupSteps steps(descending);
                figure(key, road, measure([&] { steps.run(); }), QStringLiteral("база: група по група"));
                continue;
            }
            CountAndPage page(orderOf(field, descending));
            figure(key, road, measure([&] { page.run(); }));
        }
    }
    {
        CountAndPage last(orderOf(QStringLiteral("Opisanie"), true));
        figure(QStringLiteral("catalogue.last"), QStringLiteral("каталог: последна страница"),
               measure([&] { last.run(); }));
    }
    {
        // The page that starts at the middle row, its key known.
        Raw page(QStringLiteral("SELECT ") + kColumns + kFrom
                 + QStringLiteral(" WHERE (Produkti.Opisanie, Produkti.ID) >= (?, ?) ORDER BY Produkti.Opisanie, "
                                  "Produkti.ID")
                 + kPage);
        page.keepRows();
        const QList<QByteArray> key{middleKey.value(0).toUtf8(), middleKey.value(1).toUtf8()};
        figure(QStringLiteral("catalogue.middle"), QStringLiteral("каталог: плъзгач до средата"), measure([&] {
                   runFilled(page, key);
                   showRaw(page.allRows());
               }),
               QStringLiteral("база: страница от ключа на средата"));
    }
    {
        // The price written, the count, the rows before and from the article.
        Raw write(QStringLiteral("UPDATE Produkti SET Ed_Cena = ? WHERE ID = ?"));
        Raw count(kCount);
        Raw before(QStringLiteral("SELECT ") + kColumns + kFrom
                   + QStringLiteral(" WHERE (Produkti.Opisanie, Produkti.ID) < (?, ?) ORDER BY Produkti.Opisanie DESC, "
                                    "Produkti.ID DESC LIMIT 100"));
        Raw from(QStringLiteral("SELECT ") + kColumns + kFrom
                 + QStringLiteral(" WHERE (Produkti.Opisanie, Produkti.ID) >= (?, ?) ORDER BY Produkti.Opisanie, "
                                  "Produkti.ID LIMIT 100"));
        before.keepRows();
        from.keepRows();
        const QList<QByteArray> key{editName.toUtf8(), QByteArray::number(edited)};
        const Timing base = measure([&] {
            rawExec("BEGIN IMMEDIATE");
            write.bind(1, 12.5).bind(2, edited).run();
            rawExec("COMMIT");
            count.run();
            runFilled(before, key);
            runFilled(from, key);
            QList<QList<QByteArray>> rows = before.allRows();
            std::reverse(rows.begin(), rows.end());
            showRaw(rows + from.allRows());
        });
        figure(QStringLiteral("catalogue.edit"), QStringLiteral("каталог: обратно на артикула след редакция"), base,
               QStringLiteral("от „Приеми“ до изрисувания каталог"));
    }
    for (const auto &[key, typed, share] :
         {std::tuple{QStringLiteral("catalogue.search3"), QStringLiteral("кис"), QStringLiteral("3 %")},
          std::tuple{QStringLiteral("catalogue.search100"), QStringLiteral("гр."), QStringLiteral("100 %")}}) {
        // The first page of the hits in number order (by the name index where
        // the database has one), then the first page in price order.
        const Db::Condition name = Db::articleName(QStringLiteral("Produkti"), typed, Db::NameMatch::Contains);
        const QByteArray like = Db::likeContains(typed).toUtf8();
        std::unique_ptr<Raw> first;
        QList<QByteArray> firstValues;
        // A part found in many names only filters: the page is read along the
        // numbers with the condition.
        const bool filtered = onServer() || name.many;
        if (filtered) {
            first = std::make_unique<Raw>(QStringLiteral("SELECT ") + kColumns + kFrom
                                          + QStringLiteral(" WHERE UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\' "
                                                           "ORDER BY Produkti.ID")
                                          + kPage);
            firstValues = {like};
        } else {
            first = std::make_unique<Raw>(
                QStringLiteral("SELECT ") + kColumns
                + QStringLiteral(" FROM Produkti_Ime JOIN Produkti ON Produkti.ID = Produkti_Ime.rowid JOIN Grupi ON "
                                 "Grupi.ID = Produkti.Nomer_Grupa WHERE Produkti_Ime MATCH ? AND "
                                 "UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\' ORDER BY Produkti_Ime.rowid")
                + kPage);
            firstValues = {name.params.value(0).toString().toUtf8(), like};
        }
        const int hits = found.value(key);
        first->keepRows();
        figure(key, QStringLiteral("каталог: търсене „%1“ (%2 от имената)").arg(typed, share), measure([&] {
                   runFilled(*first, firstValues);
                   showRaw(first->allRows());
               }),
               QStringLiteral("%1 намерени; база: първата страница %2")
                   .arg(hits)
                   .arg(filtered ? QStringLiteral("по номер с условието") : QStringLiteral("по индекса на имената")));
        Raw sorted(QStringLiteral("SELECT ") + kColumns + kFrom
                   + QStringLiteral(" WHERE UPPER(Produkti.Opisanie) LIKE UPPER(?) ESCAPE '\\' ORDER BY ")
                   + orderOf(kSearchColumn, false) + kPage);
        sorted.keepRows();
        figure(key + QStringLiteral(".sort"), QStringLiteral("каталог: „%1“, после колона „Цена“").arg(typed),
               measure([&] {
                   runFilled(sorted, {like});
                   showRaw(sorted.allRows());
               }),
               QStringLiteral("база: индексът на цената с условието"));
        if (key != QLatin1String("catalogue.search100"))
            continue;
        GroupSteps steps(false, typed);
        figure(key + QStringLiteral(".group"), QStringLiteral("каталог: „%1“, после колона „Група“").arg(typed),
               measure([&] { steps.run(); }), QStringLiteral("база: група по група с условието"));
    }
    {
        Raw count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Nomer_Grupa = ?"));
        Raw page(QStringLiteral("SELECT ") + kColumns + kFrom
                 + QStringLiteral(" WHERE Produkti.Nomer_Grupa = ? ORDER BY Produkti.ID") + kPage);
        page.keepRows();
        figure(QStringLiteral("catalogue.group"), QStringLiteral("каталог: клик на група"), measure([&] {
                   count.bind(1, groupKey).run();
                   page.bind(1, groupKey).run();
                   showRaw(page.allRows());
               }));
    }
    RawGrid::hide();
}
} // namespace Bench
