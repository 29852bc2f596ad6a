#pragma once
#include <QStringList>
#include <QWidget>

class QListWidget;
class QPushButton;

// The printer list of the working tabs: the installed printers with a check
// box each and the buttons "Всички" / "Нищо". Each tab names its list
// (CheckListBox_Printers, CheckListBox_Printers_Ser, CheckListBox_Printers_FC).
class PrinterCheckList : public QWidget
{
    Q_OBJECT
public:
    explicit PrinterCheckList(const QString &listName = QStringLiteral("CheckListBox_Printers"),
                              QWidget *parent = nullptr);

    QListWidget *CheckListBox_Printers; // objectName: the list name given
    QPushButton *BitBtn5;               // "Всички"
    QPushButton *BitBtn4;               // "Нищо"

    void BitBtn5Click(); // check all
    void BitBtn4Click(); // clear all

    // Fills the list with the installed printers and "PDF файл"; the program's selected
    // printer is checked when `checkSelected`. Returns that printer's name.
    QString reload(bool checkSelected = true);
    QStringList checkedPrinters() const; // in list order
    void setChecked(const QString &printer, bool checked);
};
