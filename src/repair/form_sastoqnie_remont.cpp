#include "repair/form_sastoqnie_remont.h"

#include "app/item_rights.h"
#include "app/window_owner.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "repair/repair_states.h"
#include "repair/work_list_link.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

QPointer<TForm_Sastoqnie_Remont> Form_Sastoqnie_Remont;

namespace {
void failed(const DbError &e, QWidget *parent)
{
    Dialogs::message(QStringLiteral("Грешка при работа с базата данни:\n") + e.message(), parent);
}
} // namespace

TForm_Sastoqnie_Remont::TForm_Sastoqnie_Remont(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Sastoqnie_Remont"));
    setWindowTitle(QStringLiteral("Състояние при ремонт"));
    Edit_Status = namedEdit(QStringLiteral("Edit_Status"), this);
    ComboBox_Color = named(new QComboBox(this), "ComboBox_Color");
    ComboBox_Color->addItems(RepairStates::colourNames()); // picks only: every state has a real colour
    ComboBox_Color->setCurrentIndex(RepairStates::DefaultColour);
    Button_New = namedButton(QStringLiteral("Button_New"), QStringLiteral("Добави"), this);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    Button_Edit = namedButton(QStringLiteral("Button_Edit"), QStringLiteral("Редактирай"), this);
    m_states = new SqlListModel(this);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid1->setModel(m_states);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setStretchLastSection(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Състояние "), this), 0, 0);
    grid->addWidget(Edit_Status, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Цвят"), this), 1, 0);
    grid->addWidget(ComboBox_Color, 1, 1, 1, 2);
    grid->addWidget(Button_New, 2, 0);
    grid->addWidget(Button_Delete, 2, 1);
    grid->addWidget(Button_Edit, 2, 2);
    grid->addWidget(DBGrid1, 3, 0, 1, 3);
    grid->setRowStretch(3, 1);
    resize(320, 360);

    connect(DBGrid1, &QTableView::clicked, this, &TForm_Sastoqnie_Remont::DBGrid1CellClick);
    connect(ComboBox_Color, &QComboBox::activated, this, &TForm_Sastoqnie_Remont::ComboBox_ColorChange);
    connect(Button_Edit, &QPushButton::clicked, this, &TForm_Sastoqnie_Remont::Button_EditClick);
    connect(Button_New, &QPushButton::clicked, this, &TForm_Sastoqnie_Remont::Button_NewClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Sastoqnie_Remont::Button_DeleteClick);
    setEditMode(false);
}

void TForm_Sastoqnie_Remont::open(QWidget *parent)
{
    if (!ItemRights::permit(QStringLiteral("N_Sastoqnie_Remont"), parent))
        return;
    if (!Form_Sastoqnie_Remont) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Sastoqnie_Remont = new TForm_Sastoqnie_Remont(owner ? owner : parent);
    }
    Dialogs::exec(Form_Sastoqnie_Remont);
}

void TForm_Sastoqnie_Remont::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm_Sastoqnie_Remont::FormShow()
{
    relist();
    ComboBox_Color->setCurrentIndex(RepairStates::DefaultColour);
    ComboBox_ColorChange();
}

void TForm_Sastoqnie_Remont::relist()
{
    try {
        m_states->setQuery(QStringLiteral("SELECT ID, Opisanie FROM Status_Remont ORDER BY ID"));
    } catch (const DbError &e) {
        m_states->clear();
        failed(e, this);
        return;
    }
    m_states->setHeaderTitle(QStringLiteral("ID"), QStringLiteral("N"));
    m_states->setHeaderTitle(QStringLiteral("Opisanie"), QStringLiteral("Състояние"));
    DBGrid1->setColumnWidth(0, 40);
    DBGrid1->setColumnWidth(1, 200);
}

void TForm_Sastoqnie_Remont::DBGrid1CellClick()
{
    const int row = DBGrid1->currentIndex().row();
    if (row >= 0)
        SelectedStatusId = m_states->value(row, QStringLiteral("ID")).toLongLong();
}

void TForm_Sastoqnie_Remont::ComboBox_ColorChange()
{
    QPalette p = Edit_Status->palette();
    const std::optional<QColor> c = RepairStates::colour(ComboBox_Color->currentIndex());
    if (!c)
        return;
    p.setColor(QPalette::Text, *c);
    Edit_Status->setPalette(p);
}

bool TForm_Sastoqnie_Remont::editMode() const
{
    return Button_New->property("tag").toInt() == 1;
}

void TForm_Sastoqnie_Remont::setEditMode(bool edit)
{
    Button_New->setProperty("tag", edit ? 1 : 0);
    Button_Delete->setProperty("tag", edit ? 1 : 0);
    Button_New->setText(edit ? QStringLiteral("Приеми") : QStringLiteral("Добави"));
    Button_Delete->setText(edit ? QStringLiteral("Откажи") : QStringLiteral("Изтрии"));
}

void TForm_Sastoqnie_Remont::resetEntry()
{
    Edit_Status->clear();
    ComboBox_Color->setCurrentIndex(RepairStates::DefaultColour);
    ComboBox_ColorChange();
}

void TForm_Sastoqnie_Remont::Button_EditClick()
{
    const int row = DBGrid1->currentIndex().row();
    if (row < 0)
        return; // nothing listed to edit
    setEditMode(true);
    Edit_Status->setText(m_states->value(row, QStringLiteral("Opisanie")).toString());
    SelectedStatusId = m_states->value(row, QStringLiteral("ID")).toLongLong();
    try {
        const QVariant colour = Db::scalar(QStringLiteral("SELECT Color FROM Status_Remont WHERE ID = ?"),
                                           {SelectedStatusId});
        bool ok = false;
        const int index = colour.toInt(&ok);
        if (ok && index >= 0 && index < RepairStates::ColourCount)
            ComboBox_Color->setCurrentIndex(index);
    } catch (const DbError &e) {
        failed(e, this);
    }
    ComboBox_ColorChange();
}

void TForm_Sastoqnie_Remont::Button_NewClick()
{
    try {
        if (editMode()) {
            RepairStates::update(SelectedStatusId, Edit_Status->text(), ComboBox_Color->currentIndex());
            setEditMode(false);
        } else {
            RepairStates::add(Edit_Status->text(), ComboBox_Color->currentIndex());
        }
    } catch (const DbError &e) {
        failed(e, this); // the window stays in its mode with what was typed
        return;
    }
    resetEntry();
    relist();
}

void TForm_Sastoqnie_Remont::Button_DeleteClick()
{
    if (editMode()) {
        setEditMode(false);
        Edit_Status->clear();
        relist();
        return;
    }
    try {
        const QString refused = RepairStates::remove(SelectedStatusId);
        if (!refused.isEmpty())
            Dialogs::message(refused, this);
    } catch (const DbError &e) {
        failed(e, this);
    }
    relist();
}

void TForm_Sastoqnie_Remont::done(int result)
{
    // Closing writes nothing: it only refills the work list's states when it exists.
    if (editMode()) {
        setEditMode(false);
        Edit_Status->clear();
    }
    WorkListLink::refillStates();
    QDialog::done(result);
}
