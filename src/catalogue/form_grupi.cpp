#include "catalogue/form_grupi.h"

#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Grupi::TForm_Grupi(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Grupi"));
    setWindowTitle(QStringLiteral("Група"));

    Edit_Nomer_Grupa = namedEdit(QStringLiteral("Edit_Nomer_Grupa"), this);
    Edit_Opisanie = namedEdit(QStringLiteral("Edit_Opisanie"), this);
    Edit_Opisanie->setMinimumWidth(280);
    BitBtn_Priemi = named(new QPushButton(QStringLiteral("ПРИЕМИ"), this), "BitBtn_Priemi");
    BitBtn_Priemi->setDefault(true);
    BitBtn_Otkaji = namedButton(QStringLiteral("BitBtn_Otkaji"), QStringLiteral("ОТКАЖИ"), this);
    connect(BitBtn_Priemi, &QPushButton::clicked, this, &TForm_Grupi::BitBtn_PriemiClick);
    connect(BitBtn_Otkaji, &QPushButton::clicked, this, &TForm_Grupi::BitBtn_OtkajiClick);

    auto *docs = new QGroupBox(QStringLiteral("Документация към група"), this);
    DBLookupComboBox1 = named(new QComboBox(docs), "DBLookupComboBox1");
    DBMemo1 = named(new QPlainTextEdit(docs), "DBMemo1");
    DBMemo1->setReadOnly(true);
    DBMemo1->setMaximumHeight(60);
    auto *docsLayout = new QVBoxLayout(docs);
    docsLayout->addWidget(DBLookupComboBox1);
    docsLayout->addWidget(DBMemo1);
    CheckBox1 = named(new QCheckBox(QStringLiteral("Групата поддържа допълнителни данни"), this), "CheckBox1");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Номер на група"), Edit_Nomer_Grupa);
    form->addRow(QStringLiteral("Описание на група"), Edit_Opisanie);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn_Priemi);
    buttons->addWidget(BitBtn_Otkaji);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(docs);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);
}

void TForm_Grupi::prepare(int groupEditMode, const QString &parentNode, long long editedKey,
                          const QString &treePath)
{
    m_mode = groupEditMode;
    m_parentNode = parentNode;
    m_editedKey = editedKey;
    m_treePath = treePath;
    m_result = ArticleGroups::Result();
    fillDocuments();
    Edit_Opisanie->setFocus();
}

void TForm_Grupi::fillDocuments()
{
    DBLookupComboBox1->clear();
    try {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Dokument, Opisanie FROM Dokumenti ORDER BY ID_Dokument")))
            DBLookupComboBox1->addItem(r.value(1).toString(), r.value(0));
    } catch (const DbError &) {
        // no list: nothing to choose, and nothing is stored anyway
    }
    DBLookupComboBox1->setCurrentIndex(-1);
}

void TForm_Grupi::BitBtn_PriemiClick()
{
    if (m_mode == 2)
        m_result = ArticleGroups::edit(m_editedKey, Edit_Nomer_Grupa->text(), Edit_Opisanie->text(), m_treePath);
    else
        m_result = ArticleGroups::add(Edit_Nomer_Grupa->text(), Edit_Opisanie->text(),
                                      m_mode == 1 ? m_parentNode : QString(), m_treePath);
    if (!m_result.ok) {
        Dialogs::message(m_result.message, this);
        if (m_result.message.contains(QStringLiteral("номер")))
            Edit_Nomer_Grupa->setFocus();
        return;
    }
    accept();
}

void TForm_Grupi::BitBtn_OtkajiClick()
{
    reject();
}
