// The catalogue window as a user works it: opened from the menu on every
// article, a header click on each column, the jump to the last row and a
// group click, each with its repaint; against a raw count plus one page.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"

#include "catalogue/article_groups.h"
#include "catalogue/article_list.h"
#include "catalogue/article_search.h"
#include "catalogue/form_artikuli.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

namespace Bench {
namespace {

// A grid column and the expression its raw page is ordered by.
struct Column {
    QString title;
    QString orderBy;
};

const QString kColumns = QStringLiteral(
    "Produkti.ID, Produkti.Nomenkl_N, Produkti.Nomer_Grupa, Produkti.Opisanie, Produkti.Dostavna_Cena, "
    "Produkti.Valuta_D, Produkti.Ed_Cena, Produkti.Valuta_P, Produkti.Mqrka, Produkti.Garancionen, "
    "Produkti.Kasovo_Ime, Produkti.Etiketno_Ime, Produkti.Dostav4ik, Produkti.Poredica, Produkti.Min_Kol, "
    "Produkti.Max_TO, Produkti.Trajnost, Produkti.Kod_Vezna, Produkti.Dan_Grup, Produkti.Prigotvq_Se, "
    "Grupi.ID AS ID_Grupa, Grupi.Opisanie AS Grupa_Opis");
const QString kFrom = QStringLiteral(" FROM Produkti JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa");

// A raw count of the list plus one page of it read in the given order.
struct RawPage {
    Raw count, page;
    long long group;
    RawPage(long long groupKey, const QString &orderBy)
        : count(QStringLiteral("SELECT COUNT(*)") + kFrom
                + (groupKey ? QStringLiteral(" WHERE Produkti.Nomer_Grupa = ?") : QString()))
        , page(QStringLiteral("SELECT ") + kColumns + kFrom
               + (groupKey ? QStringLiteral(" WHERE Produkti.Nomer_Grupa = ?") : QString()) + QStringLiteral(" ORDER BY ")
               + orderBy + QStringLiteral(" LIMIT %1").arg(PagedListModel::PageSize))
        , group(groupKey)
    {
    }
    void run()
    {
        if (group) {
            count.bind(1, group);
            page.bind(1, group);
        }
        count.run();
        page.run();
        if (page.rows() == 0)
            fail(QStringLiteral("the raw page is empty"));
    }
    QString note() { return page.sortsWithoutIndex() ? QStringLiteral("база: сортиране без индекс") : QString(); }
};

struct Samples {
    QList<double> open, group, last;
    QList<QList<double>> header; // per column
};

Timing summaryOf(QList<double> s)
{
    // The samples were taken by the runs of the window; summarised the same way.
    int i = 0;
    return measureTimed([&] { return s.at(i++); });
}

void clickHeader(TForm_Artikuli *w, int column)
{
    QHeaderView *header = w->DBGrid_Articles->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}
} // namespace

void catalogueRoads()
{
    const int columns = int(ArticleSearch::columns().size());
    const long long groupKey = GroupCount / 2;
    const int groupRows = options().articles / GroupCount;
    Samples s;
    s.header.resize(columns);
    long long growth = 0;
    long long start = 0;
    long long before = 0;
    PlatformScript::setModalHandler([&](QDialog *d) {
        auto *w = qobject_cast<TForm_Artikuli *>(d);
        if (!w)
            return int(QDialog::Rejected);
        w->resize(1280, 900);
        w->show();
        settle();
        s.open << msSince(start);
        if (w->list()->rowCount() != options().articles)
            fail(QStringLiteral("the catalogue shows %1 articles").arg(w->list()->rowCount()));
        for (int c = 0; c < columns; ++c) {
            const long long t = nowNs();
            clickHeader(w, c);
            settle();
            s.header[c] << msSince(t);
        }
        clickHeader(w, ArticleSearch::columnOfField(QStringLiteral("Opisanie")));
        settle();
        w->DBGrid_Articles->setFocus();
        long long t = nowNs();
        QTest::keyClick(w->DBGrid_Articles, Qt::Key_End, Qt::ControlModifier);
        settle();
        s.last << msSince(t);
        if (w->DBGrid_Articles->currentIndex().row() != options().articles - 1)
            fail(QStringLiteral("the jump went to row %1").arg(w->DBGrid_Articles->currentIndex().row()));
        QTreeWidgetItem *node = w->nodeOfKey(groupKey);
        w->TreeView1->scrollToItem(node);
        settle();
        t = nowNs();
        QTest::mouseClick(w->TreeView1->viewport(), Qt::LeftButton, {}, w->TreeView1->visualItemRect(node).center());
        settle();
        s.group << msSince(t);
        if (w->list()->rowCount() != groupRows)
            fail(QStringLiteral("the group shows %1 articles").arg(w->list()->rowCount()));
        growth = qMax(growth, residentBytes() - before);
        w->hide();
        return int(QDialog::Rejected);
    });
    QWidget owner;
    for (int run = 0; run < options().runs; ++run) {
        before = residentBytes();
        start = nowNs();
        TForm_Artikuli::N_ArtikuliClick(&owner);
    }
    PlatformScript::setModalHandler({});
    delete Form_Artikuli.data();

    RawPage all(0, QStringLiteral("Produkti.ID"));
    const Timing openBase = measure([&] { all.run(); });
    report({QStringLiteral("catalogue.open"), QStringLiteral("каталог: отваряне"), summaryOf(s.open), openBase, 3,
            QStringLiteral("памет +%1 MB (под 20)").arg(growth / 1048576.0, 0, 'f', 1), growth >= 20 * 1048576LL});
    for (int c = 0; c < columns; ++c) {
        const ArticleSearch::Column &col = ArticleSearch::columns().at(c);
        const QString field = QString::fromLatin1(col.field);
        const QString expression = field == QLatin1String("ID_Grupa")     ? QStringLiteral("Grupi.ID")
                                   : field == QLatin1String("Grupa_Opis") ? QStringLiteral("Grupi.Opisanie")
                                                                          : QStringLiteral("Produkti.") + field;
        RawPage page(0, expression + QStringLiteral(", Produkti.ID"));
        const Timing base = measure([&] { page.run(); });
        report({QStringLiteral("catalogue.sort.") + field,
                QStringLiteral("каталог: колона „%1“").arg(QString::fromUtf8(col.title)), summaryOf(s.header.at(c)),
                base, 3, page.note()});
    }
    RawPage last(0, QStringLiteral("Produkti.Opisanie DESC, Produkti.ID DESC"));
    const Timing lastBase = measure([&] { last.run(); });
    report({QStringLiteral("catalogue.last"), QStringLiteral("каталог: последна страница"), summaryOf(s.last), lastBase,
            3, last.note()});
    RawPage group(groupKey, QStringLiteral("Produkti.ID"));
    const Timing groupBase = measure([&] { group.run(); });
    report({QStringLiteral("catalogue.group"), QStringLiteral("каталог: клик на група"), summaryOf(s.group), groupBase,
            3, group.note()});
}
} // namespace Bench
