#pragma once
#include <QDialog>

class QLabel;

// "ЗА НАС": the program's name and version.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    QLabel *ProgramIcon;
    QLabel *ProductName;
    QLabel *Version;
    QLabel *Copyright;
    QLabel *Comments;

protected:
    void showEvent(QShowEvent *event) override;
};
