#pragma once
#include "fiscal_service/contract_numbering.h"
#include "fiscal_service/fiscal_tab.h"

#include <QObject>

// The contract mode of the fiscal tab (ДОГОВОР, mode 6): shows the device's
// valid contract or proposes a new number, renumbers on a contract date the
// user picks, and saves.
class ContractMode : public QObject, public FiscalContractMode
{
public:
    // Makes the mode (owned by the tab) and installs it.
    static ContractMode *install(FiscalTab *tab);

    void buttonClicked(bool down) override;
    void save() override;
    void DateTimePicker_Dog_OtChange(); // a contract date the user picked

    // The number proposed last (empty while a valid contract is shown).
    QString proposed() const { return m_proposed; }

private:
    explicit ContractMode(FiscalTab *tab);
    void showEditors(bool on);
    void setNumber(const QString &number);
    void setDates(const QDate &from, const QDate &until);
    void proposeFor(const QDate &date);
    bool guarded(const std::function<void()> &work);

    FiscalTab *t;
    QString m_proposed;
    QDate m_numberingDate;
    Contracts::Stored m_shown; // the valid contract shown, if any
    bool m_settingDates = false;
};
