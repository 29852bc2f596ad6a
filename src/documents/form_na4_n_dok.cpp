#include "documents/form_na4_n_dok.h"

#include "documents/print_numbering.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

DocumentNumbersModel::DocumentNumbersModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

bool DocumentNumbersModel::reload(QString *error)
{
    QList<Row> rows;
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral(
                 "SELECT ID_Dokument, Opisanie, N_Dok, Kade_se_izpolzva FROM Dokumenti ORDER BY ID_Dokument")))
            rows.append({r.value(0).toLongLong(), r.value(1).toString(), r.value(2).toString(), r.value(3).toString()});
    } catch (const DbError &e) {
        if (error)
            *error = e.message();
        return false;
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
    return true;
}

void DocumentNumbersModel::release()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

long long DocumentNumbersModel::documentId(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : 0;
}

int DocumentNumbersModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DocumentNumbersModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant DocumentNumbersModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const Row &r = m_rows.at(index.row());
    switch (index.column()) {
    case Opisanie:
        return r.opisanie;
    case N_Dok:
        return r.nDok;
    default:
        return r.kade;
    }
}

QVariant DocumentNumbersModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Opisanie:
        return QStringLiteral("Описание");
    case N_Dok:
        return QStringLiteral("Текущ номер");
    default:
        return QStringLiteral("Къде се използва");
    }
}

Qt::ItemFlags DocumentNumbersModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // A renamed document would lose its layout file.
    if (index.isValid() && index.column() != Opisanie)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DocumentNumbersModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_rows.size() || index.column() == Opisanie)
        return false;
    Row &r = m_rows[index.row()];
    const QString typed = index.column() == N_Dok ? value.toString().trimmed() : value.toString();
    if (typed == (index.column() == N_Dok ? r.nDok : r.kade))
        return false;
    QString error;
    const bool ok = index.column() == N_Dok ? PrintNumberingDb::setStartNumber(r.id, typed, &error)
                                            : PrintNumberingDb::setWhereUsed(r.id, typed, &error);
    if (!ok) {
        Dialogs::message(error);
        return false;
    }
    (index.column() == N_Dok ? r.nDok : r.kade) = typed;
    Q_EMIT dataChanged(index, index);
    return true;
}

TForm_Na4_N_Dok::TForm_Na4_N_Dok(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Na4_N_Dok"));
    setWindowTitle(QStringLiteral("Установяване на начален номер за документ"));
    m_model = new DocumentNumbersModel(this);
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_model);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->setColumnWidth(DocumentNumbersModel::Opisanie, 200);
    DBGrid1->setColumnWidth(DocumentNumbersModel::N_Dok, 100);
    DBGrid1->setColumnWidth(DocumentNumbersModel::Kade_se_izpolzva, 150);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGrid1);
    resize(200 + 100 + 150 + 60, 300);
}

void TForm_Na4_N_Dok::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm_Na4_N_Dok::FormShow()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QString error;
    if (!m_model->reload(&error))
        Dialogs::message(QStringLiteral("Списъкът с документи не може да бъде прочетен:\n") + error, this);
}

void TForm_Na4_N_Dok::done(int result)
{
    m_model->release();
    QDialog::done(result);
}

void TForm_Na4_N_Dok::N64Click(QWidget *owner)
{
    TForm_Na4_N_Dok window(owner);
    Dialogs::exec(&window);
}
