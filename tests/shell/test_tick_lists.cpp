#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/form_koloni.h"
#include "documents/form_spr_izd_dok.h"
#include "documents/form_spravka_prodajba.h"

#include <QListWidget>
#include <QStyle>
#include <QTest>

using namespace shelltest;

namespace {
// Two unticked items, as every filler makes them.
void fill(QListWidget *list)
{
    list->clear();
    for (const char *text : {"Фактура", "Стокова разписка"}) {
        auto *item = new QListWidgetItem(QString::fromUtf8(text), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
}

QPoint boxOf(QListWidget *list, QListWidgetItem *item)
{
    const QRect r = list->visualItemRect(item);
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int box = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
    return {r.left() + margin + box / 2, r.center().y()};
}

QPoint textOf(QListWidget *list, QListWidgetItem *item)
{
    return {list->visualItemRect(item).left() + 80, list->visualItemRect(item).center().y()};
}

// One click on the box and one on the name each toggle the tick once.
void clicksToggleOnce(QListWidget *list)
{
    const QString name = list->objectName();
    QVERIFY2(list->isVisible(), qPrintable(name));
    fill(list);
    QListWidgetItem *item = list->item(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, boxOf(list, item));
    QVERIFY2(item->checkState() == Qt::Checked, qPrintable(name + QStringLiteral(": box")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, textOf(list, item));
    QVERIFY2(item->checkState() == Qt::Unchecked, qPrintable(name + QStringLiteral(": name")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, textOf(list, item));
    QVERIFY2(item->checkState() == Qt::Checked, qPrintable(name + QStringLiteral(": name again")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, boxOf(list, item));
    QVERIFY2(item->checkState() == Qt::Unchecked, qPrintable(name + QStringLiteral(": box again")));
    QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
}
} // namespace

// Every tick list of the program: a click on a tick box or on its name
// toggles it once.
class TickLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainWindowTabs()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        form->resize(1280, 800);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QList<std::pair<int, QStringList>> tabs = {
            {0, {"ChkListBox_Pokaj_Dokum", "CheckListBox_Dokumenti_kam_Magazin", "CheckListBox_Printers"}},
            {1, {"ChkListBox_Pokaj_Dokum_Ser", "CheckListBox_Printers_Ser"}},
            {2, {"ChkListBox_Pokaj_Dokum_FC", "CheckListBox_Printers_FC"}},
        };
        for (const auto &[tab, names] : tabs) {
            form->PageControl1->setCurrentIndex(tab);
            for (const QString &name : names) {
                auto *list = form->findChild<QListWidget *>(name);
                QVERIFY2(list, qPrintable(name));
                // The panels that hold them are shown by their toggles.
                for (QWidget *w = list; w && w != form.get(); w = w->parentWidget())
                    w->show();
                clicksToggleOnce(list);
            }
        }
        form->Timer1->stop();
        form->hide();
    }

    void reportsAndColumnChooser()
    {
        TestProgram program;
        TForm_Koloni columns;
        TForm_Spravka_prodajba sales;
        TForm_Spr_Izd_Dok issued;
        for (const auto &[window, list] : {std::pair<QWidget *, QListWidget *>{&columns, columns.CheckListBox_Koloni},
                                           {&sales, sales.CheckListBox_Dok},
                                           {&issued, issued.CheckListBox_New_Dok}}) {
            window->resize(1000, 700);
            window->show();
            for (QWidget *w = list; w && w != window; w = w->parentWidget())
                w->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            clicksToggleOnce(list);
            window->hide();
        }
    }
};
VTEST(TickLists)

#include "test_tick_lists.moc"
