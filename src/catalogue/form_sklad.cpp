#include "catalogue/form_sklad.h"
#include "platform/named.h"

#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "app/app_state.h"
#include "app/record_ops.h"
#include "app/window_owner.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

TForm_Sklad::TForm_Sklad(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Sklad"));
    setWindowTitle(QStringLiteral("Складове"));

    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Номер"), QStringLiteral("Наименование"),
                                        QStringLiteral("Населено място"), QStringLiteral("Адрес"),
                                        QStringLiteral("МОЛ")});
    DBGrid_Sklad = new QTableView(this);
    DBGrid_Sklad->setObjectName(QStringLiteral("DBGrid_Sklad"));
    DBGrid_Sklad->setModel(m_model);
    DBGrid_Sklad->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid_Sklad->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid_Sklad->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Sklad->verticalHeader()->setDefaultSectionSize(22);
    DBGrid_Sklad->verticalHeader()->hide();
    DBGrid_Sklad->setColumnWidth(ColNumber, 70);
    DBGrid_Sklad->setColumnWidth(ColName, 190);
    DBGrid_Sklad->setColumnWidth(ColTown, 130);
    DBGrid_Sklad->setColumnWidth(ColAddress, 200);
    DBGrid_Sklad->horizontalHeader()->setStretchLastSection(true);

    BitBtn_New_Sklad = namedButton("BitBtn_New_Sklad", QStringLiteral("Нов"), this);
    BitBtn_Del_Sklad = namedButton("BitBtn_Del_Sklad", QStringLiteral("Изтрии"), this);
    BitBtn_Red_Sklad = namedButton("BitBtn_Red_Sklad", QStringLiteral("Редактирай"), this);
    Button1 = namedButton("Button1", QStringLiteral("ИЗБЕРИ"), this);
    Button2 = namedButton("Button2", QStringLiteral("ЗАТВОРИ"), this);
    connect(BitBtn_New_Sklad, &QPushButton::clicked, this, &TForm_Sklad::BitBtn_New_SkladClick);
    connect(BitBtn_Del_Sklad, &QPushButton::clicked, this, &TForm_Sklad::BitBtn_Del_SkladClick);
    connect(BitBtn_Red_Sklad, &QPushButton::clicked, this, &TForm_Sklad::BitBtn_Red_SkladClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Sklad::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_Sklad::Button2Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn_New_Sklad);
    buttons->addWidget(BitBtn_Del_Sklad);
    buttons->addWidget(BitBtn_Red_Sklad);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid_Sklad, 1);
    layout->addLayout(buttons);
    resize(780, 360);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    reload();
}

void TForm_Sklad::showEvent(QShowEvent *event)
{
    // The list is read anew at every showing (the constructor read it for the first).
    if (m_shown && m_tag == 0)
        reload();
    m_shown = true;
    QDialog::showEvent(event);
}

void TForm_Sklad::appendRow(const Warehouse &w)
{
    QList<QStandardItem *> items;
    const QStringList texts{QString::number(w.id), w.name, w.town, w.address, w.mol};
    for (const QString &t : texts) {
        auto *item = new QStandardItem(t);
        item->setData(t, SavedRole);
        items.append(item);
    }
    // A stored warehouse keeps its number: stock rows and documents name it.
    items[ColNumber]->setData(w.id, SavedIdRole);
    items[ColNumber]->setEditable(false);
    m_model->appendRow(items);
}

bool TForm_Sklad::reload()
{
    m_model->removeRows(0, m_model->rowCount());
    QList<Warehouse> list;
    try {
        list = Warehouses::all();
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Складовете не могат да бъдат прочетени от базата данни."), this);
        return false;
    }
    for (const Warehouse &w : list)
        appendRow(w);
    // The cursor starts on the active warehouse when it is listed.
    int row = 0;
    const int active = AppState::instance().activeWarehouseId();
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->item(r, ColNumber)->data(SavedIdRole).toLongLong() == active)
            row = r;
    if (m_model->rowCount() > 0)
        selectRow(row, ColNumber);
    return true;
}

void TForm_Sklad::selectRow(int row, int column)
{
    const QModelIndex index = m_model->index(row, column);
    if (!index.isValid())
        return;
    DBGrid_Sklad->setCurrentIndex(index);
    DBGrid_Sklad->scrollTo(index);
}

void TForm_Sklad::setEntering(bool entering)
{
    m_tag = entering ? 1 : 0;
    BitBtn_New_Sklad->setText(entering ? QStringLiteral("Приеми") : QStringLiteral("Нов"));
    BitBtn_Del_Sklad->setText(entering ? QStringLiteral("Откажи") : QStringLiteral("Изтрии"));
    BitBtn_Red_Sklad->setEnabled(!entering);
    DBGrid_Sklad->setEditTriggers(entering ? QAbstractItemView::DoubleClicked
                                                 | QAbstractItemView::EditKeyPressed
                                                 | QAbstractItemView::AnyKeyPressed
                                                 | QAbstractItemView::SelectedClicked
                                           : QAbstractItemView::NoEditTriggers);
}

void TForm_Sklad::commitEditor()
{
    // Moving the cursor commits a cell still being edited.
    const QModelIndex current = DBGrid_Sklad->currentIndex();
    DBGrid_Sklad->setCurrentIndex(QModelIndex());
    if (current.isValid())
        DBGrid_Sklad->setCurrentIndex(current);
}

std::optional<Warehouse> TForm_Sklad::savedWarehouse(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return std::nullopt;
    const long long id = m_model->item(row, ColNumber)->data(SavedIdRole).toLongLong();
    if (id <= 0)
        return std::nullopt;
    auto saved = [&](int column) { return m_model->item(row, column)->data(SavedRole).toString(); };
    Warehouse w;
    w.id = id;
    w.name = saved(ColName);
    w.town = saved(ColTown);
    w.address = saved(ColAddress);
    w.mol = saved(ColMol);
    return w;
}

void TForm_Sklad::BitBtn_New_SkladClick()
{
    if (m_tag != 0) {
        Priemi();
        return;
    }
    setEntering(true);
    const int current = DBGrid_Sklad->currentIndex().row();
    const int row = current >= 0 ? current : m_model->rowCount();
    QList<QStandardItem *> items;
    for (int c = 0; c < ColumnCount; ++c)
        items.append(new QStandardItem);
    items[ColNumber]->setData(0, SavedIdRole);
    // The number is typed; the next free one is offered.
    const long long proposed = GET_MAX_NUMBER(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"));
    if (proposed > 0)
        items[ColNumber]->setText(QString::number(proposed));
    m_model->insertRow(row, items);
    selectRow(row, ColNumber);
    DBGrid_Sklad->setFocus();
}

void TForm_Sklad::BitBtn_Red_SkladClick()
{
    if (m_tag != 0)
        return;
    setEntering(true);
    const int row = DBGrid_Sklad->currentIndex().row();
    if (row >= 0)
        selectRow(row, ColName);
    DBGrid_Sklad->setFocus();
}

bool TForm_Sklad::Priemi()
{
    commitEditor();
    QList<WarehouseEntry> entries;
    QList<int> rows;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        WarehouseEntry e;
        e.savedId = m_model->item(r, ColNumber)->data(SavedIdRole).toLongLong();
        bool changed = e.savedId <= 0;
        for (int c = 0; c < ColumnCount; ++c) {
            const QStandardItem *item = m_model->item(r, c);
            if (item->text() != item->data(SavedRole).toString())
                changed = true;
        }
        if (!changed)
            continue;
        e.number = m_model->item(r, ColNumber)->text();
        e.name = m_model->item(r, ColName)->text();
        e.town = m_model->item(r, ColTown)->text();
        e.address = m_model->item(r, ColAddress)->text();
        e.mol = m_model->item(r, ColMol)->text();
        entries.append(e);
        rows.append(r);
    }
    long long lastNumber = 0;
    if (!entries.isEmpty()) {
        const WarehouseSaveResult result = Warehouses::save(entries);
        if (!result.ok) {
            // The entry stays on screen as typed, with the cursor on the fault.
            Dialogs::message(result.message, this);
            if (result.entry >= 0)
                selectRow(rows.at(result.entry), result.column == 0 ? ColNumber : ColName);
            DBGrid_Sklad->setFocus();
            return false;
        }
        lastNumber = Warehouses::parseNumber(entries.last().number);
    }
    setEntering(false);
    reload();
    if (lastNumber > 0)
        for (int r = 0; r < m_model->rowCount(); ++r)
            if (m_model->item(r, ColNumber)->data(SavedIdRole).toLongLong() == lastNumber)
                selectRow(r, ColNumber);

    // A renamed active warehouse shows its new name on the status panel.
    AppState &state = AppState::instance();
    const int active = state.activeWarehouseId();
    if (active > 0) {
        try {
            if (const auto w = Warehouses::find(active))
                if (w->referenceText() != state.activeWarehouseText())
                    state.setActiveWarehouseText(w->referenceText());
        } catch (const DbError &) {
        }
    }
    return true;
}

void TForm_Sklad::Otkaji()
{
    setEntering(false);
    reload();
}

void TForm_Sklad::BitBtn_Del_SkladClick()
{
    if (m_tag != 0) {
        Otkaji();
        return;
    }
    const auto w = savedWarehouse(DBGrid_Sklad->currentIndex().row());
    if (!w) {
        Dialogs::message(QStringLiteral("Изберете склад от списъка."), this);
        return;
    }
    try {
        const QString refusal = Warehouses::removalRefusal(*w);
        if (!refusal.isEmpty()) {
            Dialogs::message(refusal, this);
            return;
        }
        if (!Dialogs::yesNo(QStringLiteral("Да бъде ли изтрит склад \"") + w->referenceText()
                                + QStringLiteral("\"?"),
                            this))
            return;
        QString reason;
        if (!Warehouses::remove(w->id, &reason)) {
            Dialogs::message(reason, this);
            return;
        }
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Складът не беше изтрит: грешка в базата данни."), this);
        return;
    }
    reload();
}

void TForm_Sklad::Button1Click()
{
    if (m_tag != 0) {
        Dialogs::message(QStringLiteral("Приемете или откажете въведените данни, преди да изберете склад."),
                         this);
        return;
    }
    const auto w = savedWarehouse(DBGrid_Sklad->currentIndex().row());
    if (!w) {
        Dialogs::message(QStringLiteral("Изберете склад от списъка."), this);
        return;
    }
    QString error;
    if (!Warehouses::chooseActive(*w, &error)) {
        Dialogs::message(QStringLiteral("Активният склад не беше записан в настройките.\n") + error, this);
        return;
    }
    accept();
}

void TForm_Sklad::Button2Click()
{
    reject();
}

void TForm_Sklad::done(int result)
{
    // Closing discards an entry that was neither accepted nor cancelled.
    if (m_tag != 0)
        setEntering(false);
    QDialog::done(result);
}

bool TForm_Sklad::open(QWidget *parent)
{
    TForm_Sklad form(parent ? parent : WindowOwner::mainWindow());
    return Dialogs::exec(&form) == QDialog::Accepted;
}
