#include "bench_window.h"

#include "bench_shop.h"
#include "bench_support.h"

#include "app/app_state.h"
#include "desk/shop_desk.h"
#include "platform/script.h"
#include "shell/form_dostap_operators.h"
#include "shell/general_form.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace Bench {
PaintCounter::PaintCounter(QWidget *w)
{
    w->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *, QEvent *e)
{
    if (e->type() == QEvent::Paint)
        ++paints;
    return false;
}

MainWindow &mainWindow()
{
    static MainWindow w;
    if (w.form)
        return w;
    w.form = new TGeneral_Form;
    PlatformScript::setModalHandler([](QDialog *d) {
        auto *login = qobject_cast<TForm_Dostap_Operators *>(d);
        if (!login)
            return int(QDialog::Rejected);
        login->ComboBox_Operators->setCurrentIndex(login->ComboBox_Operators->findText(op()));
        login->Edit_Password->setText(QStringLiteral("admin"));
        login->OKBtn->click();
        return login->result();
    });
    if (!w.form->FormCreate())
        fail(QStringLiteral("the main window did not start"));
    w.form->Timer1->stop();
    PlatformScript::setModalHandler({});
    AppState::instance().setActiveWarehouseText(QStringLiteral("1:Склад 1"));
    w.form->resize(1280, 900);
    w.form->show();
    QApplication::setActiveWindow(w.form);
    if (!QTest::qWaitForWindowActive(w.form))
        fail(QStringLiteral("the main window was never active"));
    w.desk = ShopDesk::instance();
    if (!w.desk)
        fail(QStringLiteral("the main window has no desk"));
    w.gridPaints = new PaintCounter(w.desk->DBGrid1->viewport());
    QApplication::processEvents();
    return w;
}

void command(const char *name)
{
    QAction *a = mainWindow().form->findChild<QAction *>(QString::fromLatin1(name));
    if (!a)
        fail(QStringLiteral("the main window has no command ") + QString::fromLatin1(name));
    a->trigger();
}

namespace {
struct Grid {
    QTableView view;
    QStandardItemModel model;
    QList<int> widths;
};
// Kept until the process ends: a widget must not outlive the application
// object in a static's destructor.
Grid &grid()
{
    static Grid *g = new Grid;
    return *g;
}
} // namespace

void RawGrid::shapeLike(QTableView *shown)
{
    Grid &g = grid();
    g.view.resize(shown->size());
    g.view.setModel(&g.model);
    g.view.verticalHeader()->setDefaultSectionSize(shown->verticalHeader()->defaultSectionSize());
    g.view.verticalHeader()->hide();
    g.widths.clear();
    for (int c = 0; c < shown->model()->columnCount(); ++c)
        g.widths << shown->columnWidth(c);
    g.view.show();
}

void RawGrid::show(const QList<QList<QByteArray>> &rows, const QList<int> &shown)
{
    Grid &g = grid();
    g.model.clear();
    g.model.setColumnCount(int(shown.size()));
    for (const QList<QByteArray> &r : rows) {
        QList<QStandardItem *> items;
        for (int c : shown)
            items << new QStandardItem(QString::fromUtf8(r.value(c)));
        g.model.appendRow(items);
    }
    for (int c = 0; c < g.widths.size(); ++c)
        g.view.setColumnWidth(c, g.widths.at(c));
    g.view.viewport()->repaint();
    settle();
}

void RawGrid::hide()
{
    grid().view.hide();
}
} // namespace Bench
