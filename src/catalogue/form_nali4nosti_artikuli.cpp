#include "catalogue/form_nali4nosti_artikuli.h"

#include "catalogue/availability.h"
#include "catalogue/warehouses.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "app/form_print_vid_fail.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/long_texts.h"
#include "app/general_popup_menu.h"
#include "app/help_actions.h"
#include "app/list_export.h"
#include "app/window_owner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Nali4nosti_Artikuli> Form_Nali4nosti_Artikuli;

namespace {
// The key of a typed number, read as a reference text ("125" or "125:Име").
long long typedKey(const QLineEdit *edit)
{
    return GetID_MFromTreeNodeName(edit->text().trimmed() + QStringLiteral(":"));
}

// A filter's reference text, or its bare number when no record has it.
QString named(const QString &referenceText, long long key)
{
    return GetID_MFromTreeNodeName(referenceText) == key ? referenceText : QString::number(key);
}

QLabel *redLabel(const QString &text, QWidget *parent)
{
    auto *label = new ElidedLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(p);
    return label;
}
} // namespace

TForm_Nali4nosti_Artikuli::TForm_Nali4nosti_Artikuli(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Nali4nosti_Artikuli"));
    setWindowTitle(QStringLiteral("Справка наличности артикули"));

    ChkBox_Art = new QCheckBox(QStringLiteral("Артикул"), this);
    ChkBox_Art->setObjectName(QStringLiteral("ChkBox_Art"));
    Edit_Sel_Art = new QLineEdit(QStringLiteral("0"), this);
    Edit_Sel_Art->setObjectName(QStringLiteral("Edit_Sel_Art"));
    Edit_Sel_Art->setEnabled(false);
    Label_Art_Name = redLabel(QString::fromUtf8(Availability::NoArticleText), this);
    Label_Art_Name->setObjectName(QStringLiteral("Label_Art_Name"));

    CheckBox1 = new QCheckBox(QStringLiteral("Група"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Edit1 = new QLineEdit(QStringLiteral("0"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEnabled(false);
    Label_Grupa_Name = redLabel(QString::fromUtf8(Availability::NoGroupText), this);
    Label_Grupa_Name->setObjectName(QStringLiteral("Label_Grupa_Name"));

    ChkBox_Sklad = new QCheckBox(QStringLiteral("Склад"), this);
    ChkBox_Sklad->setObjectName(QStringLiteral("ChkBox_Sklad"));
    ComboBox_Sklad = new QComboBox(this);
    ComboBox_Sklad->setObjectName(QStringLiteral("ComboBox_Sklad"));
    ComboBox_Sklad->setEditable(false);
    ComboBox_Sklad->setEnabled(false);
    ComboBox_Sklad->setMinimumWidth(220);

    Button_Search = new QPushButton(QStringLiteral("Търси"), this);
    Button_Search->setObjectName(QStringLiteral("Button_Search"));
    Button_Search->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("ПЕЧАТ"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    m_list = new AvailabilityList(this);
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_list);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->verticalHeader()->hide();
    General_PopupMenu()->attach(DBGrid1);

    connect(ChkBox_Art, &QCheckBox::clicked, this, &TForm_Nali4nosti_Artikuli::ChkBox_ArtClick);
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm_Nali4nosti_Artikuli::CheckBox1Click);
    connect(ChkBox_Sklad, &QCheckBox::clicked, this, &TForm_Nali4nosti_Artikuli::ChkBox_SkladClick);
    connect(Edit_Sel_Art, &QLineEdit::textEdited, this, &TForm_Nali4nosti_Artikuli::Edit_Sel_ArtChange);
    connect(Edit1, &QLineEdit::textEdited, this, &TForm_Nali4nosti_Artikuli::Edit1Change);
    connect(Button_Search, &QPushButton::clicked, this, &TForm_Nali4nosti_Artikuli::Button_SearchClick);
    connect(Button2, &QPushButton::clicked, this, &TForm_Nali4nosti_Artikuli::Button2Click);

    auto *filters = new QGridLayout;
    filters->addWidget(ChkBox_Art, 0, 0);
    filters->addWidget(Edit_Sel_Art, 0, 1);
    filters->addWidget(Label_Art_Name, 0, 2);
    filters->addWidget(CheckBox1, 1, 0);
    filters->addWidget(Edit1, 1, 1);
    filters->addWidget(Label_Grupa_Name, 1, 2);
    filters->addWidget(ChkBox_Sklad, 2, 0);
    filters->addWidget(ComboBox_Sklad, 2, 1, 1, 2);
    filters->setColumnStretch(2, 1);
    Edit_Sel_Art->setFixedWidth(100);
    Edit1->setFixedWidth(100);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Button_Search);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addLayout(filters, 1);
    top->addSpacing(12);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    resize(640, 480);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_Nali4nosti_Artikuli::ChkBox_ArtClick()
{
    Edit_Sel_Art->setEnabled(ChkBox_Art->isChecked());
    if (ChkBox_Art->isChecked()) {
        Edit_Sel_Art->setFocus();
        Edit_Sel_Art->selectAll();
    }
}

void TForm_Nali4nosti_Artikuli::CheckBox1Click()
{
    Edit1->setEnabled(CheckBox1->isChecked());
    if (CheckBox1->isChecked()) {
        Edit1->setFocus();
        Edit1->selectAll();
    }
}

void TForm_Nali4nosti_Artikuli::ChkBox_SkladClick()
{
    ComboBox_Sklad->clear();
    try {
        ComboBox_Sklad->addItems(Warehouses::referenceTexts());
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Складовете не могат да бъдат прочетени от базата данни."), this);
    }
    ComboBox_Sklad->setCurrentIndex(-1);
    ComboBox_Sklad->setEnabled(ChkBox_Sklad->isChecked());
    if (ChkBox_Sklad->isChecked())
        ComboBox_Sklad->setFocus();
}

void TForm_Nali4nosti_Artikuli::Edit_Sel_ArtChange()
{
    Label_Art_Name->setText(Availability::articleText(typedKey(Edit_Sel_Art)));
}

void TForm_Nali4nosti_Artikuli::Edit1Change()
{
    Label_Grupa_Name->setText(Availability::groupText(typedKey(Edit1)));
}

bool TForm_Nali4nosti_Artikuli::Button_SearchClick()
{
    AvailabilityFilter filter;
    if (ChkBox_Art->isChecked()) {
        const long long key = typedKey(Edit_Sel_Art);
        if (key <= 0) {
            Dialogs::message(QStringLiteral("Въведете коректен номер на артикул."), this);
            Edit_Sel_Art->setFocus();
            Edit_Sel_Art->selectAll();
            return false;
        }
        filter.article = key;
    }
    if (CheckBox1->isChecked()) {
        const long long key = typedKey(Edit1);
        if (key <= 0) {
            Dialogs::message(QStringLiteral("Въведете коректен номер на група."), this);
            Edit1->setFocus();
            Edit1->selectAll();
            return false;
        }
        filter.group = key;
    }
    if (ChkBox_Sklad->isChecked()) {
        const long long key = ComboBox_Sklad->currentIndex() < 0
            ? -1
            : GetID_MFromTreeNodeName(ComboBox_Sklad->currentText());
        if (key <= 0) {
            Dialogs::message(QStringLiteral("Изберете склад."), this);
            ComboBox_Sklad->setFocus();
            return false;
        }
        filter.warehouse = key;
    }
    try {
        HelpActions::SearchIndicator indicator;
        m_list->search(filter);
    } catch (const DbError &) {
        m_list->clear();
        Dialogs::message(QStringLiteral("Справката не може да бъде изпълнена: грешка в базата данни."), this);
        return false;
    }
    // The filters the list was made with, for its export.
    m_filterLines.clear();
    if (filter.article)
        m_filterLines.append(QStringLiteral("\tАртикул: ")
                             + named(Availability::articleText(*filter.article), *filter.article));
    if (filter.group)
        m_filterLines.append(QStringLiteral("\tГрупа: ")
                             + named(Availability::groupText(*filter.group), *filter.group));
    if (filter.warehouse)
        m_filterLines.append(QStringLiteral("\tСклад: ") + ComboBox_Sklad->currentText());
    sizeColumns();
    return true;
}

void TForm_Nali4nosti_Artikuli::sizeColumns()
{
    const int widths[] = {70, 300, 90, 60};
    for (int c = 0; c < m_list->columnCount() && c < 4; ++c)
        DBGrid1->setColumnWidth(c, widths[c]);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
}

bool TForm_Nali4nosti_Artikuli::Button2Click()
{
    if (m_list->columnCount() == 0) {
        Dialogs::message(QStringLiteral("Няма данни за печат: натиснете \"Търси\"."), this);
        return false;
    }
    return exportGridToFile(this, QStringLiteral("Nali4nosti_Artikuli"),
                            QStringList{QString(), QStringLiteral("\tСправка наличности артикули"),
                                        exportDateLine()}
                                + m_filterLines,
                            DBGrid1);
}

void TForm_Nali4nosti_Artikuli::open(QWidget *parent)
{
    if (!Form_Nali4nosti_Artikuli) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Nali4nosti_Artikuli = new TForm_Nali4nosti_Artikuli(owner ? owner : parent);
    }
    Dialogs::exec(Form_Nali4nosti_Artikuli);
}
