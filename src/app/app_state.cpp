#include "app/app_state.h"

#include "common/reference_text.h"

int PriceDecimals = 4;
int SortDirection = 0;
int ArticlePickMode = -1;
int CounterpartyPickMode = -1;
int PromptMode = -1;
int CurrentBill = 0;
QStringList SharedStringList;
QStringList RightsList;
QStringList DocumentLineList;
QMap<QString, QString> OperatorCounterpartyList;
int LongOperationFlag = -1;

AppState &AppState::instance()
{
    static AppState state;
    return state;
}

void AppState::setCurrentOperator(const QString &name)
{
    m_operator = name;
    Q_EMIT currentOperatorChanged(name);
}

void AppState::setActiveWarehouseText(const QString &referenceText)
{
    m_warehouse = referenceText;
    Q_EMIT activeWarehouseChanged(referenceText);
}

int AppState::activeWarehouseId() const
{
    return GetID_MFromTreeNodeName(m_warehouse);
}

void AppState::setTerminal(int number)
{
    m_terminal = number;
    Q_EMIT terminalChanged(number);
}
