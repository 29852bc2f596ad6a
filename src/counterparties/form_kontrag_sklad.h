#pragma once
#include "counterparties/counterparty_rows_window.h"

class QLineEdit;

// "Складове за избран контрагент": the sites of one counterparty, each with
// its own place, address, telephone and responsible person.
class TForm_Kontrag_Sklad : public CounterpartyRowsWindow
{
    Q_OBJECT
public:
    explicit TForm_Kontrag_Sklad(QWidget *parent = nullptr);

    QPushButton *Button_NEW_Save;
    QLineEdit *Edit_Name;
    QLineEdit *Edit_Grad;
    QLineEdit *Edit_Adres;
    QLineEdit *Edit_Tel;
    QLineEdit *Edit_Mol;
    QLineEdit *Edit_EGN;
    QLineEdit *Edit_LK;
    QLineEdit *Edit_Izd_Ot;

    void Button_NEW_SaveClick() { leftButtonClick(); }

protected:
    void titleColumns() override;
    void clearEdits(bool afterSave) override;
    void fillEdits(const QSqlRecord &row) override;
    void insertRow(long long counterparty) override;
    void updateRow(long long counterparty, long long id) override;
    QString removeRow(long long counterparty, long long id) override;
    QString deleteQuestion() const override;
    QString deleteRefused(const QString &table) const override;

private:
    QList<QLineEdit *> edits() const;
};
