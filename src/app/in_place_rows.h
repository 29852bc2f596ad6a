#pragma once
#include <QAbstractTableModel>
#include <QComboBox>
#include <QList>
#include <QStyledItemDelegate>

#include <functional>

// The base of the small in-place grids (currencies, departments). The model
// asks nothing: its window tells failed() and asks before a delete.
class InPlaceModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    InPlaceModel(QObject *parent, int columns)
        : QAbstractTableModel(parent)
        , m_columns(columns)
    {
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_columns; }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }

Q_SIGNALS:
    void failed(const QString &message); // a refused edit or a failed read, for the window to tell

protected:
    // The end of a setData: an error text refuses the edit.
    bool finishEdit(const QModelIndex &index, const QString &error)
    {
        if (!error.isEmpty()) {
            Q_EMIT failed(error);
            return false;
        }
        Q_EMIT dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(m_columns - 1));
        return true;
    }

private:
    int m_columns;
};

// The rows of such a grid; a row's `id` is 0 until it is stored.
template <class Row>
class InPlaceRows : public InPlaceModel
{
public:
    using InPlaceModel::InPlaceModel;

    const Row &row(int r) const { return m_rows.at(r); }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }

    void setRows(const QList<Row> &rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }

    // A new, unsaved row at the end; one at a time.
    void addRow(const Row &blank = Row{})
    {
        if (!m_rows.isEmpty() && m_rows.last().id == 0)
            return;
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
        m_rows.append(blank);
        endInsertRows();
    }

    // A stored row goes when `remove` gives no error text (else failed());
    // an unsaved one goes at once.
    bool removeRow(int r, const std::function<QString(const Row &)> &remove)
    {
        if (r < 0 || r >= m_rows.size())
            return false;
        if (m_rows.at(r).id != 0) {
            const QString error = remove(m_rows.at(r));
            if (!error.isEmpty()) {
                Q_EMIT failed(error);
                return false;
            }
        }
        beginRemoveRows({}, r, r);
        m_rows.removeAt(r);
        endRemoveRows();
        return true;
    }

protected:
    QList<Row> m_rows;
};

// One column of such a grid is picked from a fixed list; the other columns
// edit as text. `indexFor` maps a stored text to its item; without it the
// item of the same text is chosen.
class ComboColumnDelegate : public QStyledItemDelegate
{
public:
    ComboColumnDelegate(int column, QStringList items, std::function<int(const QString &)> indexFor,
                        QObject *parent)
        : QStyledItemDelegate(parent)
        , m_column(column)
        , m_items(std::move(items))
        , m_indexFor(std::move(indexFor))
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (index.column() != m_column)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *box = new QComboBox(parent);
        box->addItems(m_items);
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *box = qobject_cast<QComboBox *>(editor);
        if (!box)
            QStyledItemDelegate::setEditorData(editor, index);
        else if (m_indexFor)
            box->setCurrentIndex(m_indexFor(index.data(Qt::EditRole).toString()));
        else
            box->setCurrentText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor))
            model->setData(index, box->currentText(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    int m_column;
    QStringList m_items;
    std::function<int(const QString &)> m_indexFor;
};
