#pragma once
#include "catalogue/stock_move_window.h"

#include <QPointer>

class QDateEdit;
class QTimeEdit;

// "Трансфер на стоки": a list of articles moved from one warehouse into
// another. "ЗАПИС" moves every line's quantity in one transaction and closes;
// no transfer document is stored, the printed list serves. Made once and
// kept; each showing starts an empty list.
class TForm_Transfer : public StockMoveWindow
{
    Q_OBJECT
public:
    explicit TForm_Transfer(QWidget *parent = nullptr);

    QDateEdit *DateTimePicker_Date;
    QTimeEdit *DateTimePicker_Time;
    QLineEdit *Edit_Kol;     // quantity of the line being added
    QPushButton *Button_Add; // "Добави"

    static constexpr int PickMode = 14;

    void Edit_KolKeyPress(); // Enter: adds the line, back to the number
    void Button_AddClick();  // adds the line, the focus stays

    // "Трансфер..." (N_Transfer): shows the window modally.
    static void open(TForm_Transfer *window);

protected:
    void articleFound(const QSqlRecord &article) override;
    QStringList reportHead() const override;
    QString reportName() const override { return QStringLiteral("Revision"); }
    bool fillWarehouses() override;

private:
    bool addTyped(long long article); // with the typed quantity
};
