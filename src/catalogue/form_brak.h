#pragma once
#include "catalogue/stock_move_window.h"

// "Бракуване на стоки": articles written off one warehouse. Enter in the
// article number asks the quantity; "ЗАПИС" takes every line's quantity out
// of the warehouse in one transaction and closes. Made once and kept; each
// showing starts an empty list.
class TForm_Brak : public StockMoveWindow
{
    Q_OBJECT
public:
    explicit TForm_Brak(QWidget *parent = nullptr);

    static constexpr int PickMode = 17;

    // "Брак..." (N_Brak): shows the window modally.
    static void open(TForm_Brak *window);

protected:
    void articleFound(const QSqlRecord &article) override;
    QStringList reportHead() const override;
    QString reportName() const override { return QStringLiteral("Brak"); }
    bool fillWarehouses() override;
};
