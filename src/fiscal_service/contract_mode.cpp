#include "fiscal_service/contract_mode.h"

#include "common/dates.h"
#include "fiscal_service/device_register.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace {
constexpr int kTypedLength = 16; // typing is limited; a proposal may be longer
}

ContractMode *ContractMode::install(FiscalTab *tab)
{
    auto *mode = new ContractMode(tab);
    tab->setContractMode(mode);
    return mode;
}

ContractMode::ContractMode(FiscalTab *tab) : QObject(tab), t(tab)
{
    // Only a date the user picks renumbers; the program's own settings are guarded.
    connect(t->DateTimePicker_Dog_Ot, &QDateEdit::dateChanged, this, [this] {
        if (!m_settingDates)
            DateTimePicker_Dog_OtChange();
    });
}

bool ContractMode::guarded(const std::function<void()> &work)
{
    try {
        work();
        return true;
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при работа с базата данни:\n") + e.message(), t->Edit_ID_EKA->window());
        return false;
    }
}

void ContractMode::showEditors(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{t->Edit_Dog_ID, t->DateTimePicker_Dog_Ot,
                                                       t->DateTimePicker_Data_Dog, t->ComboBox_Vid_Dog,
                                                       t->SpinEdit_Period_Dog, t->Label_Period_Dog,
                                                       t->Label_Period_Mes}) {
        w->setVisible(on);
        if (on)
            w->raise();
    }
}

void ContractMode::setNumber(const QString &number)
{
    t->Edit_Dog_ID->setMaxLength(qMax(kTypedLength, static_cast<int>(number.size())));
    t->Edit_Dog_ID->setText(number);
}

void ContractMode::setDates(const QDate &from, const QDate &until)
{
    m_settingDates = true;
    t->DateTimePicker_Dog_Ot->setDate(from);
    t->DateTimePicker_Data_Dog->setDate(until);
    m_settingDates = false;
}

void ContractMode::proposeFor(const QDate &date)
{
    m_numberingDate = date;
    m_proposed = ContractNumbering::propose(ContractNumbering::readRules(), date);
    setNumber(m_proposed);
}

void ContractMode::buttonClicked(bool down)
{
    showEditors(down);
    if (!down) {
        t->Edit_Dog_ID->setMaxLength(kTypedLength);
        return;
    }
    const QString device = t->shownDevice();
    const bool ok = guarded([&] {
        const Contracts::Stored c = Contracts::latest(device);
        const bool valid = c.exists && c.until.isValid()
                           && !DeviceRegister::contractExpired(Dates::toIso(c.until));
        const QDate today = QDate::currentDate();
        if (valid) {
            m_shown = c;
            m_proposed.clear();
            setNumber(c.prefix + c.serial);
            t->ExistingContractFlag = 1;
            setDates(c.from.isValid() ? c.from : today, c.until);
        } else {
            // A new number: both dates start at today, never at an expired contract's.
            m_shown = Contracts::Stored();
            proposeFor(today);
            setDates(today, today);
        }
        t->ComboBox_Vid_Dog->setEditText(c.kind);
    });
    if (ok)
        t->setMode(FiscalTab::Contract);
}

void ContractMode::DateTimePicker_Dog_OtChange()
{
    if (m_shown.exists)
        return; // a valid contract keeps its number
    guarded([&] { proposeFor(t->DateTimePicker_Dog_Ot->date()); });
}

void ContractMode::save()
{
    Contracts::Input in;
    in.device = t->shownDevice(); // never a number typed since the lookup
    in.number = t->Edit_Dog_ID->text();
    in.proposed = m_proposed;
    in.numberingDate = m_numberingDate;
    in.shown = m_shown;
    in.kind = t->ComboBox_Vid_Dog->currentText();
    in.from = t->DateTimePicker_Dog_Ot->date();
    in.until = t->DateTimePicker_Data_Dog->date();
    in.existingFlag = t->ExistingContractFlag;
    Contracts::Result r = Contracts::Result::NothingToDo;
    if (!guarded([&] { r = Contracts::save(in, ContractNumbering::readRules()); }))
        return; // the mode and the editors stay as they were
    if (r != Contracts::Result::Saved && r != Contracts::Result::NothingToDo) {
        Dialogs::message(Contracts::message(r), t->Edit_ID_EKA->window());
        return;
    }
    t->raise(t->SpdBtn_Dog);
    t->SpdBtn_DogClick();
    // The view shows the device just saved, whatever was typed into the number since.
    t->Edit_ID_EKA->setText(in.device);
    t->Edit_ID_EKAKeyPress();
}
