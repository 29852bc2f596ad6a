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
#include <QAbstractTableModel>
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
// The page's texts and no more: set in one reset, as a page is read.
class PageModel : public QAbstractTableModel
{
public:
    void set(QList<QStringList> rows, int columns)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_columns = columns;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_columns; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(m_rows.at(index.row()).value(index.column())) : QVariant();
    }

private:
    QList<QStringList> m_rows;
    int m_columns = 0;
};

struct Grid {
    QTableView view;
    PageModel model;
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
    QList<QStringList> texts;
    texts.reserve(rows.size());
    for (const QList<QByteArray> &r : rows) {
        QStringList row;
        row.reserve(shown.size());
        for (int c : shown)
            row << QString::fromUtf8(r.value(c));
        texts << row;
    }
    g.model.set(std::move(texts), int(shown.size()));
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
