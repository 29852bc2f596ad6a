#include "counterparties/counterparty_rows_window.h"
#include "platform/named.h"

#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/long_texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CounterpartyRowsWindow::CounterpartyRowsWindow(const QString &objectName, const QString &caption,
                                               const QString &leftButtonName, const QString &table,
                                               const QString &keyColumn, QWidget *parent)
    : QDialog(parent)
    , m_table(table)
    , m_keyColumn(keyColumn)
{
    setObjectName(objectName);
    setWindowTitle(caption);

    Label_Kontrag_ID = new ElidedLabel(this);
    Label_Kontrag_ID->setObjectName(QStringLiteral("Label_Kontrag_ID"));
    Label_Kontrag_ID->setTextFormat(Qt::PlainText);
    QFont bold = Label_Kontrag_ID->font();
    bold.setBold(true);
    Label_Kontrag_ID->setFont(bold);

    m_list = new SqlListModel(this);
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_list);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setStretchLastSection(true);

    m_left = namedButton(leftButtonName, QStringLiteral("НОВ"), this);
    Button_Del_Cancel = namedButton(QStringLiteral("Button_Del_Cancel"), QStringLiteral("ИЗТРИИ"), this);
    Button_Refresh = namedButton(QStringLiteral("Button_Refresh"), QStringLiteral("Refresh"), this);
    Button_Refresh->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_left);
    buttons->addWidget(Button_Del_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label_Kontrag_ID);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);

    connect(m_left, &QPushButton::clicked, this, &CounterpartyRowsWindow::leftButtonClick);
    connect(Button_Del_Cancel, &QPushButton::clicked, this, &CounterpartyRowsWindow::Button_Del_CancelClick);
    connect(Button_Refresh, &QPushButton::clicked, this, &CounterpartyRowsWindow::Button_RefreshClick);
    connect(DBGrid1, &QTableView::doubleClicked, this, &CounterpartyRowsWindow::DBGrid1DblClick);
    setState(0);
}

void CounterpartyRowsWindow::setEditArea(QLayout *edits)
{
    static_cast<QVBoxLayout *>(layout())->insertLayout(2, edits);
}

int CounterpartyRowsWindow::state() const
{
    return m_left->property("Tag").toInt();
}

long long CounterpartyRowsWindow::counterpartyKey() const
{
    return GetID_MFromTreeNodeName(Label_Kontrag_ID->text());
}

void CounterpartyRowsWindow::setState(int state)
{
    m_left->setProperty("Tag", state);
    Button_Del_Cancel->setProperty("Tag", state == 0 ? 0 : 1);
    m_left->setText(state == 0 ? QStringLiteral("НОВ") : QStringLiteral("ЗАПИС"));
    Button_Del_Cancel->setText(state == 0 ? QStringLiteral("ИЗТРИИ") : QStringLiteral("ОТКАЖИ"));
    if (state != 2)
        m_editedId = 0;
}

void CounterpartyRowsWindow::openFor(const QString &counterpartyReference)
{
    Label_Kontrag_ID->setText(counterpartyReference);
    if (GetID_MFromTreeNodeName(m_shownFor) != counterpartyKey()) {
        setState(0);
        clearEdits(true);
    }
    m_shownFor = counterpartyReference;
    Button_RefreshClick();
}

void CounterpartyRowsWindow::Button_RefreshClick()
{
    try {
        // Table and key names come from the subclass, never from a user.
        m_list->setQuery(QStringLiteral("SELECT * FROM %1 WHERE ID_Kontrag = ? ORDER BY %2").arg(m_table, m_keyColumn),
                         {counterpartyKey()});
    } catch (const DbError &e) {
        m_list->clear();
        Dialogs::message(QStringLiteral("Грешка при четене от базата данни:\n") + e.message(), this);
        return;
    }
    titleColumns();
    const int owner = m_list->fieldIndex(QStringLiteral("ID_Kontrag"));
    if (owner >= 0)
        DBGrid1->setColumnHidden(owner, true);
    LongTextStyle::fitColumns(DBGrid1);
}

void CounterpartyRowsWindow::leftButtonClick()
{
    const int current = state();
    if (current == 0) {
        startNew();
        setState(1);
        return;
    }
    try {
        if (current == 1)
            insertRow(counterpartyKey());
        else
            updateRow(counterpartyKey(), m_editedId);
    } catch (const DbError &e) {
        // State and edits stay, so the retry does the same statement again.
        Dialogs::message(QStringLiteral("Записът не е направен:\n") + e.message(), this);
        return;
    }
    setState(0);
    clearEdits(true);
    Button_RefreshClick();
}

void CounterpartyRowsWindow::Button_Del_CancelClick()
{
    if (state() != 0) {
        setState(0);
        clearEdits(false);
        return;
    }
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid()) {
        Dialogs::message(QStringLiteral("Няма избран ред за изтриване"), this);
        return;
    }
    const long long id = m_list->value(current.row(), m_keyColumn).toLongLong();
    if (!Dialogs::yesNo(deleteQuestion(), this))
        return;
    QString refusedBy;
    try {
        refusedBy = removeRow(counterpartyKey(), id);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Изтриването не е направено:\n") + e.message(), this);
        return;
    }
    if (!refusedBy.isEmpty())
        Dialogs::message(deleteRefused(refusedBy), this);
    Button_RefreshClick();
}

void CounterpartyRowsWindow::DBGrid1DblClick(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QSqlRecord row = m_list->record(index.row());
    fillEdits(row);
    setState(2);
    m_editedId = row.value(m_keyColumn).toLongLong();
}
