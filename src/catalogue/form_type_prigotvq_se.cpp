#include "catalogue/form_type_prigotvq_se.h"

#include "app/window_owner.h"
#include "common/fiscal_device_types.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Type_Prigotvq_Se> Form_Type_Prigotvq_Se;

namespace {
const char *const ColumnNames[] = {"ID", "Opisanie", "Path", "Vid_FU"};
} // namespace

DepartmentsModel::DepartmentsModel(QObject *parent)
    : InPlaceRows(parent, ColumnCount)
{
}

bool DepartmentsModel::reload()
{
    QList<PreparationDepartment> rows;
    bool ok = true;
    try {
        rows = Departments::all();
    } catch (const DbError &e) {
        Q_EMIT failed(QStringLiteral("Отделите не могат да бъдат прочетени:\n") + e.message());
        ok = false;
    }
    setRows(rows);
    return ok;
}

void DepartmentsModel::addRow()
{
    PreparationDepartment d;
    d.device = FiscalDeviceTypes::all().value(0);
    InPlaceRows::addRow(d);
}

bool DepartmentsModel::removeRowAt(int r)
{
    return removeRow(r, [](const PreparationDepartment &d) { return Departments::remove(d.id); });
}

QVariant DepartmentsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const PreparationDepartment &d = m_rows.at(index.row());
    switch (index.column()) {
    case ColNumber:
        return d.id == 0 ? QVariant(QString()) : QVariant(d.id);
    case ColName:
        return d.name;
    case ColPath:
        return d.path;
    default:
        return d.device;
    }
}

QVariant DepartmentsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        static const char *titles[] = {"Номер", "Описание", "Път за печат ", "Тип печатащо устройство"};
        return QString::fromUtf8(titles[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DepartmentsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    PreparationDepartment &d = m_rows[index.row()];
    const QString text = value.toString();
    QString error;
    if (index.column() == ColNumber) {
        if (d.id == 0) {
            long long id = 0;
            error = Departments::add(text, d, &id);
            if (error.isEmpty())
                d.id = id;
        } else {
            error = Departments::renumber(d.id, text);
            if (error.isEmpty())
                d.id = Departments::parseNumber(text);
        }
    } else {
        QString *field = index.column() == ColName ? &d.name : index.column() == ColPath ? &d.path : &d.device;
        if (d.id != 0)
            error = Departments::setField(d.id, QString::fromLatin1(ColumnNames[index.column()]), text);
        if (error.isEmpty())
            *field = text; // a new row keeps it until its number is typed
    }
    return finishEdit(index, error);
}

TForm_Type_Prigotvq_Se::TForm_Type_Prigotvq_Se(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Type_Prigotvq_Se"));
    setWindowTitle(QStringLiteral("Отдели за изготвяне на продукция"));
    m_model = new DepartmentsModel(this);
    connect(m_model, &DepartmentsModel::failed, this, [this](const QString &m) { Dialogs::message(m, this); });
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid1->setModel(m_model);
    // "Тип печатащо устройство" is picked from the fiscal device types.
    DBGrid1->setItemDelegate(new ComboColumnDelegate(DepartmentsModel::ColDevice, FiscalDeviceTypes::all(),
                                                     FiscalDeviceTypes::itemFor, DBGrid1));
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setColumnWidth(DepartmentsModel::ColNumber, 60);
    DBGrid1->setColumnWidth(DepartmentsModel::ColName, 180);
    DBGrid1->setColumnWidth(DepartmentsModel::ColPath, 200);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    auto *hint = new QLabel(QStringLiteral("Insert - нов отдел, Ctrl+Delete - изтриване"), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(hint);
    resize(720, 320);
}

void TForm_Type_Prigotvq_Se::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Insert) {
        m_model->addRow();
        DBGrid1->setCurrentIndex(m_model->index(m_model->rowCount() - 1, DepartmentsModel::ColNumber));
        return;
    }
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        deleteCurrent();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm_Type_Prigotvq_Se::deleteCurrent()
{
    const int r = DBGrid1->currentIndex().row();
    if (r < 0 || r >= m_model->rowCount())
        return false;
    const PreparationDepartment &d = m_model->row(r);
    if (d.id != 0 && !Dialogs::yesNo(QStringLiteral("Изтриване на отдел \"") + d.name + QStringLiteral("\"?"), this))
        return false;
    return m_model->removeRowAt(r);
}

void TForm_Type_Prigotvq_Se::N63Click(QWidget *mainWindow)
{
    if (!Form_Type_Prigotvq_Se) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Type_Prigotvq_Se = new TForm_Type_Prigotvq_Se(owner ? owner : mainWindow);
    }
    if (!Form_Type_Prigotvq_Se->model()->reload())
        return;
    Dialogs::exec(Form_Type_Prigotvq_Se);
}
