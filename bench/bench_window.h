// The program's main window, logged in as a user would, shared by the roads
// that work in it (the desk, the offers window): made once per process, as
// the program makes it, and kept until the process ends, since it holds the
// program folder's instance lock.
#pragma once
#include "bench_support.h"

#include "platform/script.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QObject>
#include <QSize>

#include <functional>

class QTableView;
class QWidget;
class ShopDesk;
class TGeneral_Form;

namespace Bench {
// Counts the paints of a widget, so a road is known to have repainted.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *w);
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override;
};

struct MainWindow {
    TGeneral_Form *form = nullptr;
    ShopDesk *desk = nullptr;
    PaintCounter *gridPaints = nullptr; // the desk's bill
};
MainWindow &mainWindow();
// Triggers the main window's menu command of that objectName.
void command(const char *name);

// Until the next setModalHandler: each modal window of type W the program
// opens is shown (at `size` when valid), painted, given to `drive` and
// hidden; every other modal window is refused.
template <class W>
void driveWindows(QSize size, const std::function<void(W *)> &drive)
{
    PlatformScript::setModalHandler([size, drive](QDialog *d) {
        auto *w = qobject_cast<W *>(d);
        if (!w)
            return int(QDialog::Rejected);
        if (size.isValid())
            w->resize(size);
        w->show();
        settle();
        drive(w);
        w->hide();
        return int(QDialog::Rejected);
    });
}

// What Qt itself needs to show a page: a plain QTableView over a table
// model that holds the page's texts and no more, as large as a window's grid
// with its column widths, the rows set in one reset and painted. Part of each baseline of a road that
// shows a page, so a ratio weighs the window's own work.
namespace RawGrid {
void shapeLike(QTableView *grid);
// `shown`: the row's values that are grid columns, in column order.
void show(const QList<QList<QByteArray>> &rows, const QList<int> &shown);
void hide();
} // namespace RawGrid
} // namespace Bench
