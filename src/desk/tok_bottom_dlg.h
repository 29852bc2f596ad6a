#pragma once
#include "common/decimal.h"

#include <QDialog>

class QLineEdit;

// "Обща отстъпка за артикулите": the percent for the marked desk lines, typed
// or computed from an old and a new price; up to 100 (a negative one is a
// surcharge).
class TOKBottomDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TOKBottomDlg(QWidget *parent = nullptr);
    QLineEdit *Edit_Ob6ta_TO;
    QLineEdit *Edit_Cena1; // "Стара цена"
    QLineEdit *Edit_Cena2; // "Нова цена"

    void FormShow();
    void Edit_Cena2Change();
    void OKBtnClick();
    Decimal percent() const { return m_percent; }

    // Shows the dialog (made once, owned by `owner`); true with the percent on OK.
    static bool ask(QWidget *owner, Decimal *percent);

private:
    Decimal m_percent;
};
