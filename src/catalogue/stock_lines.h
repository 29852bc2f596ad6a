#pragma once
#include "common/decimal.h"
#include "platform/db/paged_list_model.h"

#include <QPair>
#include <QSet>
#include <QString>

#include <functional>

class QEvent;
class QLineEdit;
class QTableView;
class QWidget;

// The line grids of the stock documents (delivery, stock-taking, transfer,
// write-off): every line is a row of its own, keyed by its N, read a page at
// a time; numbers are shown with a fixed number of decimals, empty money (a
// currency without a rate) stays empty, quantities show their three
// decimals, and the rows of one flag value may be drawn in blue.
class StockLinesModel : public PagedListModel
{
    Q_OBJECT
public:
    explicit StockLinesModel(QObject *parent = nullptr);
    // Fields shown with PriceDecimals decimals.
    void setNumberFields(const QStringList &fields);
    // Fields shown as quantities (three decimals).
    void setQuantityFields(const QStringList &fields);
    // Rows whose `field` holds `value` are drawn in blue.
    void setBlueRows(const QString &field, const QString &value);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The widest text a number column is made to show whole (seven digits
    // before the point); empty for other columns.
    QString widestText(int column) const;

private:
    QSet<QString> m_numbers;    // upper case
    QSet<QString> m_quantities; // upper case
    QString m_blueField, m_blueValue;
};

namespace StockLines {
// A read-only whole-row grid over the model with the main window's grid menu.
QTableView *makeGrid(const char *name, StockLinesModel *model, QWidget *parent);
using Columns = QList<QPair<QString, QString>>; // field, title; in grid order
// Titles the listed fields and hides every other column (the statement
// lists the shown fields in grid order); with `fit`, the columns take the
// widths of their texts. A number column is never narrower than its
// widest text: it is fitted to the first lines, and later ones may be longer.
void showColumns(QTableView *grid, StockLinesModel *model, const Columns &columns, bool fit = true);
// Runs the grid's statement again and keeps the current row where it was.
// The statement orders its lines completely (by N). Throws DbError.
void reload(QTableView *grid, StockLinesModel *model, const QString &sql, const QVariantList &params,
            const Columns &columns);
// The same for a list of `count` lines read by key, so a long list costs a
// page at any length. Throws DbError.
void reload(QTableView *grid, StockLinesModel *model, const KeysetList &list, qint64 count, const Columns &columns);
// Enter (edit) and Delete on a line grid; true when the key was one of them.
bool gridKey(QEvent *event, const std::function<void()> &edit, const std::function<void()> &remove);
// A read-only total field, "0.0000" at first.
QLineEdit *sumField(const char *name, QWidget *parent);
// N of the grid's current row; 0 when there is none.
long long currentKey(const QTableView *grid, const StockLinesModel *model);
// Adds one line through `add` (its N; 0 when nothing was added, with the
// refusal when there is one, else the article does not exist). False after
// the message when no line was added.
bool addLine(const std::function<long long(QString *refusal)> &add, QWidget *parent);
// Deletes the grid's current line through `remove` (after `confirm` is
// answered yes, when given); a database failure is shown. False when there
// was no line or the user declined, so nothing needs recounting.
bool removeCurrent(QTableView *grid, const StockLinesModel *model, const std::function<void(long long)> &remove,
                   QWidget *parent, const QString &confirm = QString());
// Asks a new quantity for the grid's current line, labelled "<Art_ID>:<the
// `describe` field>", and stores it through `store`; a database failure is
// shown. False when there was no line or the prompt gave no quantity.
bool editCurrentQuantity(QTableView *grid, const StockLinesModel *model, const QString &describe,
                         const std::function<void(long long, Decimal)> &store, QWidget *parent,
                         bool aboveZero = false);
// The quantity prompt (PromptMode 0) for one line, `label` above it.
// False when cancelled or when the text is no quantity of 0 or more (above 0
// with `aboveZero`), after a message.
bool askQuantity(const QString &label, Decimal *quantity, QWidget *parent, bool aboveZero = false);
// A typed number: false after the message "<what>: невалидно число" when it
// is none.
bool parseField(const QString &text, const QString &what, Decimal *value, QWidget *parent);
// A typed quantity: false after the message naming "Количество" when it is
// no number, has more than three decimals, is below 0 or (with aboveZero: a
// delivery, transfer or write-off line) is not above 0.
bool parseQuantity(const QString &text, Decimal *value, QWidget *parent, bool aboveZero = true);
// A money or quantity text: width 4 and PriceDecimals decimals.
QString amount(Decimal value);
} // namespace StockLines
