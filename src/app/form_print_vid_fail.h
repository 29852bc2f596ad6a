#pragma once
#include <QDialog>
#include <QList>
#include <QPointer>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The export-type chooser every list export shows before it writes its file:
// "ПРИЕМИ" sets ExportExtension, ExportSeparator (and ExportViewer) from the
// chosen kind; closing it any other way leaves them as they were.
class TForm_Print_Vid_Fail : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Print_Vid_Fail(QWidget *parent = nullptr);

    QGroupBox *RadioGroup_Select_Print_Into;
    QList<QRadioButton *> items; // "Текстов файл", "Excel", "Word", "HTML"
    QPushButton *Button_Priemi;  // "ПРИЕМИ", the default button
    QPushButton *Button_Cancel;  // "ОТКАЖИ", hidden

    int itemIndex() const; // -1 when none is chosen
    void setItemIndex(int index);

    void Button_PriemiClick();
    void Button_CancelClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QButtonGroup *m_group;
};

// The one chooser of the run. It belongs to the main window (never to the
// list window of the first export, which may be gone by the next one).
extern QPointer<TForm_Print_Vid_Fail> Form_Print_Vid_Fail;
TForm_Print_Vid_Fail *exportChooser();
// Shows the chooser modally. Callers go on with the current values whatever
// way it was closed.
void showExportChooser();
