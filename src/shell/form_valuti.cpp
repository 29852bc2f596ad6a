#include "shell/form_valuti.h"

#include "common/money.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace {
enum Column { ColName, ColRate, ColBasic, ColumnCount };
} // namespace

ValutiModel::ValutiModel(QObject *parent)
    : InPlaceRows(parent, ColumnCount)
{
}

void ValutiModel::reload()
{
    QList<CurrencyRates::Row> rows;
    try {
        rows = CurrencyRates::all();
    } catch (const DbError &e) {
        Q_EMIT failed(QStringLiteral("Валутите не могат да бъдат прочетени:\n") + e.message());
    }
    setRows(rows);
}

bool ValutiModel::removeRowAt(int r)
{
    return removeRow(r, [](const CurrencyRates::Row &row) { return CurrencyRates::remove(row.id); });
}

QVariant ValutiModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const CurrencyRates::Row &r = m_rows.at(index.row());
    switch (index.column()) {
    case ColName:
        return r.name;
    case ColRate:
        return Numbers::toText(r.rate);
    default:
        return r.basic;
    }
}

QVariant ValutiModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        static const char *titles[] = {"Описание", "Курс спрямо лева", "Основна"};
        return QString::fromUtf8(titles[section]);
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section == ColBasic)
        return int(Qt::AlignCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ValutiModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    CurrencyRates::Row &r = m_rows[index.row()];
    const QString text = value.toString();
    QString error;
    if (r.id == 0) {
        // A new row is written once it has a name; until then it is kept here.
        if (index.column() == ColRate) {
            double rate = 0;
            error = CurrencyRates::parseRate(text, &rate);
            if (error.isEmpty())
                r.rate = rate;
        } else if (index.column() == ColBasic) {
            r.basic = text;
        } else if (!text.trimmed().isEmpty()) {
            long long id = 0;
            error = CurrencyRates::add(text, Numbers::toText(r.rate), r.basic, &id);
            if (error.isEmpty()) {
                r.id = id;
                r.name = text.trimmed();
            }
        }
    } else if (index.column() == ColName) {
        error = CurrencyRates::rename(r.id, text);
        if (error.isEmpty())
            r.name = text.trimmed();
    } else if (index.column() == ColRate) {
        error = CurrencyRates::setRate(r.id, text);
        if (error.isEmpty())
            CurrencyRates::parseRate(text, &r.rate);
    } else {
        error = CurrencyRates::setBasic(r.id, text);
        if (error.isEmpty())
            r.basic = text;
    }
    return finishEdit(index, error);
}

TForm_Valuti::TForm_Valuti(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Valuti"));
    setWindowTitle(QStringLiteral("Валутни курсове"));
    m_model = new ValutiModel(this);
    connect(m_model, &ValutiModel::failed, this, [this](const QString &m) { Dialogs::message(m, this); });
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_model);
    // "Основна" is picked from its two values.
    DBGrid1->setItemDelegate(new ComboColumnDelegate(ColBasic, {QStringLiteral("False"), QStringLiteral("True")}, {},
                                                     DBGrid1));
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 8);
    DBGrid1->setColumnWidth(ColName, 151);
    DBGrid1->setColumnWidth(ColRate, 120);
    DBGrid1->setColumnWidth(ColBasic, 80);
    DBGrid1->setToolTip(QStringLiteral("Insert - нова валута, Ctrl+Delete - изтриване"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1);
    resize(420, 280);
    m_model->reload();
}

void TForm_Valuti::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Insert) {
        m_model->addRow();
        DBGrid1->setCurrentIndex(m_model->index(m_model->rowCount() - 1, ColName));
        return;
    }
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        const int r = DBGrid1->currentIndex().row();
        if (r < 0 || r >= m_model->rowCount())
            return;
        const CurrencyRates::Row &row = m_model->row(r);
        if (row.id != 0
            && !Dialogs::yesNo(QStringLiteral("Желаете ли да изтриете валутата \"") + row.name
                                   + QStringLiteral("\"?"),
                               this))
            return;
        m_model->removeRowAt(r);
        return;
    }
    QDialog::keyPressEvent(event);
}
