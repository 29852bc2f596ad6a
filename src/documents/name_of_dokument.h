#pragma once
#include "documents/layout_save.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The save dialog of the designer: the document's name, its start number and
// digits. OK saves the current layout; a refused name or a failed save is
// said and keeps the dialog open. Made once by the designer; the fields keep
// their values between saves.
class TName_Of_Dokument : public QDialog
{
    Q_OBJECT
public:
    explicit TName_Of_Dokument(QWidget *parent = nullptr);

    QLineEdit *Edit_Name_Of_Dok;
    QSpinBox *SpinEdit_Nomer_Dok;
    QSpinBox *SpinEdit_Format_Dok;
    QLabel *Label_Formated_Nom;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;

    LayoutSave::WhereUsed where; // the designer's where-used boxes, set before each opening

    void SpinEdit_Nomer_DokChange();
    void OKBtnClick();
};
