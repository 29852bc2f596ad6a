#include "platform/browser_widgets.h"
#include "test_registry.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
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
};

VTEST(TestBrowserWidgets)
#include "test_browser_widgets.moc"
