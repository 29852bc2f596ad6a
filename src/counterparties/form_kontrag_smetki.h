#pragma once
#include "counterparties/counterparty_rows_window.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// "Сметки за избран контрагент": the bank accounts of one counterparty.
class TForm_Kontrag_Smetki : public CounterpartyRowsWindow
{
    Q_OBJECT
public:
    explicit TForm_Kontrag_Smetki(QWidget *parent = nullptr);

    QPushButton *Button_New_Save;
    QLineEdit *Edit_Nomer_SM;
    QLineEdit *Edit_Kod_SM;
    QComboBox *ComboBox_Banka; // typed, or one of the banks already stored
    QLineEdit *Edit_Klon;
    QCheckBox *CheckBox_DDS_SM;

    void Button_New_SaveClick() { leftButtonClick(); }

protected:
    void titleColumns() override;
    void clearEdits(bool afterSave) override;
    void fillEdits(const QSqlRecord &row) override;
    void startNew() override;
    void insertRow(long long counterparty) override;
    void updateRow(long long counterparty, long long id) override;
    QString removeRow(long long counterparty, long long id) override;
    QString deleteQuestion() const override;
    QString deleteRefused(const QString &table) const override;
};
