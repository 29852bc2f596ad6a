#include "catalogue/stock_lines.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "app/general_popup_menu.h"
#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QBrush>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>

StockLinesModel::StockLinesModel(QObject *parent)
    : PagedListModel(parent)
{
}

void StockLinesModel::setNumberFields(const QStringList &fields)
{
    m_numbers.clear();
    for (const QString &f : fields)
        m_numbers.insert(f.toUpper());
}

void StockLinesModel::setQuantityFields(const QStringList &fields)
{
    m_quantities.clear();
    for (const QString &f : fields)
        m_quantities.insert(f.toUpper());
}

void StockLinesModel::setBlueRows(const QString &field, const QString &value)
{
    m_blueField = field;
    m_blueValue = value;
}

QVariant StockLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const QString field = record().fieldName(index.column()).toUpper();
    const bool quantity = m_quantities.contains(field);
    const bool number = quantity || m_numbers.contains(field);
    if (number && role == Qt::DisplayRole) {
        const QVariant v = PagedListModel::data(index, Qt::EditRole);
        if (v.isNull())
            return QString();
        return quantity ? StockQuantity::text(Decimal::fromDouble(v.toDouble()))
                        : Money::fixed(v.toDouble(), PriceDecimals);
    }
    if (number && role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && !m_blueField.isEmpty()
        && value(index.row(), m_blueField).toString() == m_blueValue)
        return QBrush(Qt::blue);
    return PagedListModel::data(index, role);
}

QString StockLinesModel::widestText(int column) const
{
    const QString field = record().fieldName(column).toUpper();
    if (m_quantities.contains(field))
        return StockQuantity::text(Decimal::fromDouble(1234567.89));
    // At least four price decimals: the width holds when the shop shows more later.
    if (m_numbers.contains(field))
        return Money::fixed(1234567.89, qMax(PriceDecimals, 4));
    return {};
}

QTableView *StockLines::makeGrid(const char *name, StockLinesModel *model, QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    General_PopupMenu()->attach(grid);
    return grid;
}

void StockLines::showColumns(QTableView *grid, StockLinesModel *model, const Columns &columns, bool fit)
{
    QSet<QString> shown;
    for (const auto &[field, title] : columns) {
        model->setHeaderTitle(field, title);
        shown.insert(field.toUpper());
    }
    for (int c = 0; c < model->columnCount(); ++c)
        grid->setColumnHidden(c, !shown.contains(model->record().fieldName(c).toUpper()));
    if (fit)
        LongTextStyle::fitColumns(grid);
    // The text of a cell has the style's focus margin on either side.
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString widest = model->widestText(c);
        const int needed = widest.isEmpty() ? 0 : grid->fontMetrics().horizontalAdvance(widest) + margins;
        if (!grid->isColumnHidden(c) && grid->columnWidth(c) < needed)
            grid->setColumnWidth(c, needed);
    }
}

namespace {
void keepRow(QTableView *grid, StockLinesModel *model, const StockLines::Columns &columns, int row, bool fit)
{
    StockLines::showColumns(grid, model, columns, fit);
    if (model->rowCount() > 0)
        grid->setCurrentIndex(model->index(qBound(0, row, model->rowCount() - 1), 1));
}
} // namespace

void StockLines::reload(QTableView *grid, StockLinesModel *model, const QString &sql, const QVariantList &params,
                        const Columns &columns)
{
    const int row = grid->currentIndex().row();
    const qint64 count = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM (%1) counted").arg(sql), params).toLongLong();
    model->setQuery(sql, params, count);
    keepRow(grid, model, columns, row, true);
}

void StockLines::reload(QTableView *grid, StockLinesModel *model, const KeysetList &list, qint64 count,
                        const Columns &columns)
{
    const int row = grid->currentIndex().row();
    // Fitting the columns reads rows: once, when the lines first show.
    const bool fit = model->rowCount() == 0;
    model->setKeysetQuery(list, count);
    keepRow(grid, model, columns, row, fit);
}

bool StockLines::gridKey(QEvent *event, const std::function<void()> &edit, const std::function<void()> &remove)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        edit();
        return true;
    }
    if (key == Qt::Key_Delete) {
        remove();
        return true;
    }
    return false;
}

QLineEdit *StockLines::sumField(const char *name, QWidget *parent)
{
    QLineEdit *edit = namedEdit(QString::fromLatin1(name), parent);
    edit->setReadOnly(true);
    edit->setText(QStringLiteral("0.0000"));
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

long long StockLines::currentKey(const QTableView *grid, const StockLinesModel *model)
{
    const int row = grid->currentIndex().row();
    if (row < 0 || row >= model->rowCount())
        return 0;
    return model->value(row, QStringLiteral("N")).toLongLong();
}

bool StockLines::parseField(const QString &text, const QString &what, Decimal *value, QWidget *parent)
{
    if (const std::optional<Decimal> v = Decimal::parse(text)) {
        *value = *v;
        return true;
    }
    Dialogs::message(what + QStringLiteral(": невалидно число \"") + text + QStringLiteral("\""), parent);
    return false;
}

bool StockLines::parseQuantity(const QString &text, Decimal *value, QWidget *parent, bool aboveZero)
{
    QString error;
    const std::optional<Decimal> q = StockQuantity::parse(text, &error, aboveZero);
    if (!q) {
        Dialogs::message(error, parent);
        return false;
    }
    *value = *q;
    return true;
}

bool StockLines::askQuantity(const QString &label, Decimal *quantity, QWidget *parent, bool aboveZero)
{
    PromptMode = 0;
    TForm_Get_Kol *prompt = promptDialog();
    prompt->Label_Opis->setText(label);
    if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
        return false;
    return parseQuantity(prompt->Edit_Kol->text(), quantity, parent, aboveZero);
}

QString StockLines::amount(Decimal value)
{
    return Money::formatWidth(value, 4, PriceDecimals);
}

bool StockLines::removeCurrent(QTableView *grid, const StockLinesModel *model,
                               const std::function<void(long long)> &remove, QWidget *parent, const QString &confirm)
{
    const long long n = currentKey(grid, model);
    if (n == 0)
        return false;
    if (!confirm.isEmpty() && !Dialogs::yesNo(confirm, parent))
        return false;
    try {
        remove(n);
    } catch (const DbError &e) {
        Dialogs::message(e.message(), parent);
    }
    return true;
}

bool StockLines::editCurrentQuantity(QTableView *grid, const StockLinesModel *model, const QString &describe,
                                     const std::function<void(long long, Decimal)> &store, QWidget *parent,
                                     bool aboveZero)
{
    const long long n = currentKey(grid, model);
    if (n == 0)
        return false;
    const int row = grid->currentIndex().row();
    const QString label = model->value(row, QStringLiteral("Art_ID")).toString() + QLatin1Char(':')
                          + model->value(row, describe).toString();
    Decimal quantity;
    if (!askQuantity(label, &quantity, parent, aboveZero))
        return false;
    try {
        store(n, quantity);
    } catch (const DbError &e) {
        Dialogs::message(e.message(), parent);
    }
    return true;
}

bool StockLines::addLine(const std::function<long long(QString *refusal)> &add, QWidget *parent)
{
    try {
        QString refusal;
        if (add(&refusal) == 0) {
            Dialogs::message(refusal.isEmpty() ? QStringLiteral("Въведеният номер за артикул не съществува!") : refusal,
                             parent);
            return false;
        }
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Редът не беше добавен.\n") + e.message(), parent);
        return false;
    } catch (const DecimalOverflow &e) {
        Dialogs::message(QStringLiteral("Редът не беше добавен.\n") + QString::fromStdString(e.what()), parent);
        return false;
    }
    return true;
}
