#include "platform/browser_widgets.h"
#include "platform/grid_text_delegate.h"
#include "test_registry.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QHeaderView>
#include <QTableView>
#include <QTest>

class TestBrowserWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A single value shows the first edit alone and wide; a range both, the first narrow.
    void rangeEdits()
    {
        QWidget parent;
        const BrowserWidgets::RangeEdits r = BrowserWidgets::rangeEdits(&parent, 300, 120);
        parent.show();
        // The first step is the state the edits are made in.
        const struct {
            bool set, between;
            int fromWidth;
        } steps[] = {{false, false, 300}, {true, true, 120}, {true, false, 300}};
        for (const auto &s : steps) {
            if (s.set)
                r.setBetween(s.between);
            QCOMPARE(r.from->width(), s.fromWidth);
            QCOMPARE(r.from->isVisible(), true);
            for (QWidget *w : {static_cast<QWidget *>(r.fromLabel), static_cast<QWidget *>(r.toLabel),
                               static_cast<QWidget *>(r.to)})
                QCOMPARE(w->isVisible(), s.between);
            QCOMPARE(r.to->isEnabled(), s.between);
        }
        QCOMPARE(parent.findChild<QLineEdit *>(QStringLiteral("Edit_Do")), r.to);
        QCOMPARE(parent.findChild<QLabel *>(QStringLiteral("Label_Ot"))->text(), QStringLiteral("От"));
    }

    // No current row, a current row, and a current index the model no longer has.
    void currentRow()
    {
        QTableView grid;
        QCOMPARE(BrowserWidgets::currentRow(&grid), -1); // no model
        QStandardItemModel model(3, 2);
        grid.setModel(&model);
        QCOMPARE(BrowserWidgets::currentRow(&grid), -1);
        grid.setCurrentIndex(model.index(2, 1));
        QCOMPARE(BrowserWidgets::currentRow(&grid), 2);
        model.removeRows(1, 2);
        QCOMPARE(BrowserWidgets::currentRow(&grid), 0); // the view moves to a row that is left
        model.removeRows(0, 1);
        QCOMPARE(BrowserWidgets::currentRow(&grid), -1);
    }

    void groupEntries()
    {
        QMenu tree;
        const BrowserWidgets::GroupEntries add = BrowserWidgets::addGroupEntries(&tree, "N_G", "N_P");
        const QMenu *menu = tree.findChild<QMenu *>(QStringLiteral("N_Dobavi"));
        QVERIFY(menu);
        QCOMPARE(menu->actions(), (QList<QAction *>{add.group, add.subgroup}));
        QCOMPARE(add.group->objectName(), QStringLiteral("N_G"));
        QCOMPARE(add.subgroup->text(), QStringLiteral("Подгрупа"));
        QVERIFY(add.group->isCheckable() && add.subgroup->isCheckable());
    }
    // The kept glyphs paint a grid as the style does: plain, right-aligned,
    // coloured and marked cells, an empty one, and a name too long for its
    // column, cut short. A text is kept when painted again, its cut form a
    // paint later: each repaint must look the same.
    void cellsLookAsTheStylePaintsThem()
    {
        const QList<QStringList> rows = {
            {QStringLiteral("Кисело мляко 400 гр."), QStringLiteral("12.50"), QStringLiteral("бр.")},
            {QStringLiteral("Салам"), QStringLiteral("1 234.00"), QString()},
            {QStringLiteral("Много дълго име на артикул, което не се събира в колоната"), QStringLiteral("0.00"),
             QStringLiteral("кг")},
            {QStringLiteral("Ябълки"), QStringLiteral("-3.10"), QStringLiteral("Ж")}};
        QStandardItemModel model(int(rows.size()), 3);
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 3; ++c) {
                auto *item = new QStandardItem(rows[r][c]);
                if (c == 1)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                model.setItem(r, c, item);
            }
        model.item(3, 1)->setForeground(Qt::red);
        model.item(3, 0)->setBackground(Qt::yellow);
        QList<QImage> painted;
        for (bool kept : {false, true}) {
            QTableView grid;
            grid.setModel(&model);
            if (kept)
                GridTextDelegate::install(&grid);
            else
                grid.setWordWrap(false); // as the kept grid cuts its texts
            grid.verticalHeader()->setDefaultSectionSize(22);
            grid.verticalHeader()->hide();
            grid.setColumnWidth(0, 170);
            grid.resize(400, 130);
            grid.setSelectionBehavior(QAbstractItemView::SelectRows);
            grid.selectRow(1);
            for (int paint = 0; paint < (kept ? 4 : 1); ++paint)
                painted << grid.grab().toImage();
        }
        for (int paint = 1; paint < painted.size(); ++paint) {
            QCOMPARE(painted[paint].size(), painted[0].size());
            int differ = 0;
            for (int y = 0; y < painted[0].height(); ++y)
                for (int x = 0; x < painted[0].width(); ++x)
                    differ += painted[0].pixel(x, y) != painted[paint].pixel(x, y);
            QVERIFY2(differ == 0, qPrintable(QStringLiteral("paint %1 of the kept grid: %2 pixels differ").arg(paint).arg(differ)));
        }
    }
};

VTEST(TestBrowserWidgets)
#include "test_browser_widgets.moc"
