#pragma once
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

// State the main window holds for the whole run and every window reads:
// the current operator (shown in Panel_Operator after "Оператор: "), the
// active warehouse (Panel_Sklad after "Склад: "), the terminal number
// (Panel_terminal). The main window mirrors the changes into its panels.
class AppState : public QObject
{
    Q_OBJECT
public:
    static AppState &instance();

    QString currentOperator() const { return m_operator; }
    void setCurrentOperator(const QString &name);

    // The active warehouse as its reference text "<ID_Sklad>:<Opis_Sklad>".
    QString activeWarehouseText() const { return m_warehouse; }
    void setActiveWarehouseText(const QString &referenceText);
    int activeWarehouseId() const; // key of that text, -1 when there is none

    int terminal() const { return m_terminal; }
    void setTerminal(int number);

Q_SIGNALS:
    void currentOperatorChanged(const QString &name);
    void activeWarehouseChanged(const QString &referenceText);
    void terminalChanged(int number);

private:
    QString m_operator;
    QString m_warehouse;
    int m_terminal = 1;
};

// Program-wide values of the run.
extern int PriceDecimals;        // decimals of money texts written with "%*.*f" (initially 4)
extern int SortDirection;        // 0 ascending, 1 descending (flipped by grid title clicks)
extern int ArticlePickMode;      // what the article picker delivers; -1 plain browsing
extern int CounterpartyPickMode; // what the counterparty picker delivers; -1 plain browsing
extern int PromptMode;           // layout of the prompt dialog
extern int CurrentBill;          // the desk's open bill (Sm_N); set by the bill prompt and combo
extern QStringList SharedStringList;
extern QStringList RightsList;
extern QStringList DocumentLineList;   // lines whose documents are printed; emptied by each login
// Each operator's desk counterparty (reference text), kept between logins for the run.
extern QMap<QString, QString> OperatorCounterpartyList;
extern int LongOperationFlag;          // -1 idle; 1 catalogue import, 2 supplier update running
