#include "shell/form_dostap_operators.h"

#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "app/data_module.h"
#include "shell/database_open.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Dostap_Operators::TForm_Dostap_Operators(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form_Dostap_Operators"));
    setWindowTitle(QStringLiteral("Достъп"));
    setModal(true);

    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);

    ComboBox_Operators = new QComboBox(frame);
    ComboBox_Operators->setObjectName(QStringLiteral("ComboBox_Operators"));
    ComboBox_Operators->setMinimumWidth(220);
    Edit_Password = new QLineEdit(frame);
    Edit_Password->setObjectName(QStringLiteral("Edit_Password"));
    Edit_Password->setEchoMode(QLineEdit::Password);
    OKBtn = new QPushButton(QStringLiteral("OK"), frame);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    OKBtn->setProperty("tag", 0);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), frame);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);

    auto *title = new QLabel(QStringLiteral("ВЕНТАРОС"), frame);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Оператор"), frame), 0, 0);
    grid->addWidget(ComboBox_Operators, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Парола"), frame), 1, 0);
    grid->addWidget(Edit_Password, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *inner = new QVBoxLayout(frame);
    inner->setContentsMargins(18, 14, 18, 14);
    inner->addWidget(title);
    inner->addSpacing(6);
    inner->addLayout(grid);
    inner->addSpacing(6);
    inner->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    connect(OKBtn, &QPushButton::clicked, this, &TForm_Dostap_Operators::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TForm_Dostap_Operators::CancelBtnClick);
}

bool TForm_Dostap_Operators::firstLogin() const
{
    return OKBtn->property("tag").toInt() == 0;
}

bool TForm_Dostap_Operators::FormShow(bool cancelAllowed)
{
    m_operator.reset();
    m_end = false;
    if (!DatabaseOpen::openAliasFolder(parentWidget()))
        return false;
    ComboBox_Operators->clear();
    try {
        ComboBox_Operators->addItems(OperatorLogin::names());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът на операторите не може да бъде прочетен:\n") + e.message(),
                         this);
    }
    const QString last = Settings::readString(Keys::Store_ActiveOper);
    const int index = last.isEmpty() ? -1 : ComboBox_Operators->findText(last, Qt::MatchExactly);
    ComboBox_Operators->setCurrentIndex(index >= 0 ? index : 0);
    if (index >= 0)
        Edit_Password->setFocus();
    else
        ComboBox_Operators->setFocus();
    CancelBtn->setEnabled(cancelAllowed);
    adjustSize();
    return true;
}

void TForm_Dostap_Operators::OKBtnClick()
{
    std::optional<OperatorRecord> found;
    try {
        found = OperatorLogin::check(ComboBox_Operators->currentText(), Edit_Password->text());
    } catch (const DbError &e) {
        Edit_Password->clear();
        Dialogs::message(QStringLiteral("Операторите не могат да бъдат проверени:\n") + e.message(), this);
        return;
    }
    if (!found) {
        Edit_Password->clear();
        ComboBox_Operators->setFocus();
        Dialogs::message(QStringLiteral("Невалидни данни"), this);
        return;
    }
    m_operator = found;
    accept();
}

void TForm_Dostap_Operators::CancelBtnClick()
{
    if (!CancelBtn->isEnabled())
        return;
    if (Dialogs::yesNo(QStringLiteral("Найстина ли желаете да приключите работа"), this)) {
        m_end = true;
        done(QDialog::Rejected);
        return;
    }
    ComboBox_Operators->setFocus();
}

void TForm_Dostap_Operators::reject()
{
    CancelBtnClick();
}
