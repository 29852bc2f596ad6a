#include "shell/form_operatori.h"

#include "common/passwords.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/transaction.h"
#include "platform/dialogs.h"
#include "app/app_state.h"
#include "shell/general_form.h"
#include "shell/rights.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

TForm_Operatori::TForm_Operatori(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Operatori"));
    setWindowTitle(QStringLiteral("ОПЕРАТОРИ"));

    TreeView_Menues = new QTreeWidget(this);
    TreeView_Menues->setObjectName(QStringLiteral("TreeView_Menues"));
    TreeView_Menues->setHeaderHidden(true);
    TreeView_Menues->setToolTip(QStringLiteral("чрез кликване разрешете или забранете"));
    TreeView_Menues->setMinimumWidth(320);

    m_operators = new SqlListModel(this);
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_operators);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setToolTip(QStringLiteral("използвайте двойно кликване за редакция или добавяне"));

    Edit_Ime = new QLineEdit(this);
    Edit_Ime->setObjectName(QStringLiteral("Edit_Ime"));
    Edit_Par = new QLineEdit(this);
    Edit_Par->setObjectName(QStringLiteral("Edit_Par"));
    Edit_Par->setEchoMode(QLineEdit::Password);
    ComboBox_Tip = new QComboBox(this);
    ComboBox_Tip->setObjectName(QStringLiteral("ComboBox_Tip"));
    ComboBox_Tip->setEnabled(false);
    BitBtn_Insert_Operator = new QPushButton(QStringLiteral("ВЪВЕДИ"), this);
    BitBtn_Insert_Operator->setObjectName(QStringLiteral("BitBtn_Insert_Operator"));
    BitBtn_Insert_Operator->setDefault(true);
    BitBtn_Cancel_Operator = new QPushButton(QStringLiteral("ОТКАЖИ"), this);
    BitBtn_Cancel_Operator->setObjectName(QStringLiteral("BitBtn_Cancel_Operator"));

    auto *edits = new QGridLayout;
    edits->addWidget(new QLabel(QStringLiteral("Име"), this), 0, 0);
    edits->addWidget(Edit_Ime, 0, 1);
    edits->addWidget(new QLabel(QStringLiteral("Парола"), this), 1, 0);
    edits->addWidget(Edit_Par, 1, 1);
    edits->addWidget(new QLabel(QStringLiteral("Тип"), this), 2, 0);
    edits->addWidget(ComboBox_Tip, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_Insert_Operator);
    buttons->addWidget(BitBtn_Cancel_Operator);
    auto *right = new QVBoxLayout;
    right->addWidget(DBGrid1, 1);
    right->addLayout(edits);
    right->addLayout(buttons);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(TreeView_Menues, 1);
    layout->addLayout(right, 1);
    resize(720, 520);

    setEditing(false);
    connect(DBGrid1, &QTableView::clicked, this, &TForm_Operatori::DBGrid1CellClick);
    connect(DBGrid1, &QTableView::doubleClicked, this, &TForm_Operatori::DBGrid1DblClick);
    connect(TreeView_Menues, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { TreeView_MenuesClick(item); });
    connect(BitBtn_Insert_Operator, &QPushButton::clicked, this, &TForm_Operatori::BitBtn_Insert_OperatorClick);
    connect(BitBtn_Cancel_Operator, &QPushButton::clicked, this, &TForm_Operatori::BitBtn_Cancel_OperatorClick);
    connect(Edit_Par, &QLineEdit::textEdited, this, [this] { m_passwordTyped = true; });
}

void TForm_Operatori::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm_Operatori::keyPressEvent(QKeyEvent *event)
{
    // Esc is the "ОТКАЖИ" key while an operator is edited.
    if (event->key() == Qt::Key_Escape && BitBtn_Cancel_Operator->isEnabled()) {
        BitBtn_Cancel_Operator->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm_Operatori::setEditing(bool on)
{
    Edit_Ime->setEnabled(on);
    Edit_Par->setEnabled(on);
    BitBtn_Insert_Operator->setEnabled(on);
    BitBtn_Cancel_Operator->setEnabled(on);
}

long long TForm_Operatori::selectedId() const
{
    const QModelIndex current = DBGrid1->currentIndex();
    return current.isValid() ? m_operators->value(current.row(), QStringLiteral("ID")).toLongLong() : 0;
}

void TForm_Operatori::selectId(long long id)
{
    int row = m_operators->findRow(QStringLiteral("ID"), id);
    if (row < 0 && m_operators->rowCount() > 0)
        row = 0;
    if (row >= 0)
        DBGrid1->selectRow(row);
}

void TForm_Operatori::FormShow()
{
    try {
        m_operators->setQuery(QStringLiteral("SELECT ID, Ime FROM Operators ORDER BY ID"));
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Операторите не могат да бъдат прочетени:\n") + e.message(), this);
        return;
    }
    m_operators->setHeaderTitle(QStringLiteral("ID"), QStringLiteral("№"));
    m_operators->setHeaderTitle(QStringLiteral("Ime"), QStringLiteral("Име"));
    DBGrid1->setColumnWidth(0, 50);
    if (General_Form)
        m_nodes = Rights::buildTree(TreeView_Menues, General_Form->menu());
    TreeView_Menues->expandAll();
    const QVariant current = Db::scalar(QStringLiteral("SELECT ID FROM Operators WHERE Ime = ?"),
                                        {AppState::instance().currentOperator()});
    selectId(current.toLongLong());
    DBGrid1->setFocus();
    DBGrid1CellClick();
}

void TForm_Operatori::DBGrid1CellClick()
{
    const long long id = selectedId();
    QString prava;
    QString name;
    try {
        if (const auto row = Db::firstRow(QStringLiteral("SELECT Ime, Prava FROM Operators WHERE ID = ?"), {id})) {
            name = row->value(0).toString();
            prava = row->value(1).toString();
        }
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Операторът не може да бъде прочетен:\n") + e.message(), this);
        return;
    }
    // Every node from its design state (allowed), then the operator's own entries.
    RightsList = Rights::GETRIGHTS(prava);
    for (int i = 0; i < m_nodes.size(); ++i)
        Rights::setImage(m_nodes[i], Rights::entryState(RightsList, i) == Rights::Denied ? Rights::Denied
                                                                                          : Rights::Allowed);
    Edit_Ime->setText(name);
    Edit_Par->setText(QString::fromLatin1(UntouchedPassword));
    m_passwordTyped = false;
}

void TForm_Operatori::TreeView_MenuesClick(QTreeWidgetItem *item)
{
    if (!item)
        return;
    Rights::toggle(item);
    TreeView_Menues->clearSelection();
}

void TForm_Operatori::DBGrid1DblClick()
{
    const Dialogs::Answer a = Dialogs::yesNoCancel(
        QStringLiteral("1. За въвеждане на нов оператор натиснете Yes!\n"
                       "2. За редакция на избраният оператор натиснете No!\n"
                       "3. За отказ от операцията натиснете Cancel!"),
        this);
    if (a == Dialogs::Answer::Cancel)
        return;
    OperatorEditMode = a == Dialogs::Answer::Yes ? 0 : 1;
    setEditing(true);
    DBGrid1CellClick();
    if (OperatorEditMode == 0) {
        // A new operator starts from nothing; the tree keeps the selected
        // operator's rights as a pattern.
        Edit_Ime->clear();
        Edit_Par->clear();
    }
    Edit_Ime->setFocus();
}

QString TForm_Operatori::rightsFromTree() const
{
    QList<int> states;
    for (const QTreeWidgetItem *item : m_nodes)
        states.append(Rights::image(item));
    return Rights::rightsText(states);
}

// Rights that leave no operator able to open this window could never be undone.
bool TForm_Operatori::someoneManagesOperators() const
{
    if (!General_Form)
        return true;
    const MainMenuActions &menu = General_Form->menu();
    const int item = menu.numberOf(QStringLiteral("N_Operatori"));
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Prava FROM Operators")))
        if (Rights::allows(Rights::GETRIGHTS(r.value(0).toString()), menu, item))
            return true;
    return false;
}

void TForm_Operatori::BitBtn_Insert_OperatorClick()
{
    const QString name = Edit_Ime->text().trimmed();
    const bool isNew = OperatorEditMode == 0;
    const long long id = isNew ? 0 : selectedId();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("Въведете име на оператора."), this);
        Edit_Ime->setFocus();
        return;
    }
    if (!isNew && id == 0) {
        Dialogs::message(QStringLiteral("Изберете оператор за редакция."), this);
        return;
    }
    // An untouched password edit keeps the stored password.
    const bool newPassword = isNew || m_passwordTyped;
    if (newPassword && Edit_Par->text().isEmpty()) {
        Dialogs::message(QStringLiteral("Въведете парола на оператора."), this);
        Edit_Par->setFocus();
        return;
    }
    const QString hash = newPassword ? Passwords::hash(Edit_Par->text()) : QString();
    const QString prava = rightsFromTree();
    long long savedId = id;
    try {
        WriteTransaction tx;
        if (Db::scalar(QStringLiteral("SELECT 1 FROM Operators WHERE Ime = ? AND ID <> ?"), {name, id}).isValid()) {
            tx.rollback();
            Dialogs::message(QStringLiteral("Вече има оператор с име \"") + name + QStringLiteral("\"."), this);
            Edit_Ime->setFocus();
            return;
        }
        // A renamed operator would lose the open desk lines and records that carry the old name.
        if (!isNew) {
            const QString old = Db::scalar(QStringLiteral("SELECT Ime FROM Operators WHERE ID = ?"), {id}).toString();
            if (old != name) {
                const QString user = ColumnRegistry::referencedBy(QStringLiteral("Operators"), QStringLiteral("Ime"), old);
                if (!user.isEmpty()) {
                    tx.rollback();
                    Dialogs::message(QStringLiteral("Операторът \"") + old
                                         + QStringLiteral("\" не може да бъде преименуван: името му е записано в ")
                                         + user + QLatin1Char('.'),
                                     this);
                    return;
                }
            }
        }
        if (isNew) {
            savedId = Db::insert(QStringLiteral("INSERT INTO Operators (Ime, Par, Prava) VALUES (?, ?, ?)"),
                                 {name, hash, prava}, QStringLiteral("ID"));
        } else if (newPassword) {
            Db::execute(QStringLiteral("UPDATE Operators SET Ime = ?, Par = ?, Prava = ? WHERE ID = ?"),
                        {name, hash, prava, id});
        } else {
            Db::execute(QStringLiteral("UPDATE Operators SET Ime = ?, Prava = ? WHERE ID = ?"), {name, prava, id});
        }
        if (!someoneManagesOperators()) {
            tx.rollback();
            Dialogs::message(QStringLiteral("Поне един оператор трябва да има достъп до \"Достъп оператори\"."),
                             this);
            return;
        }
        tx.commit();
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Операторът не беше записан:\n") + e.message(), this);
        return;
    }
    setEditing(false);
    try {
        m_operators->refresh();
    } catch (const DbError &) {
    }
    selectId(savedId);
    DBGrid1CellClick();
}

void TForm_Operatori::BitBtn_Cancel_OperatorClick()
{
    DBGrid1CellClick();
    setEditing(false);
}
