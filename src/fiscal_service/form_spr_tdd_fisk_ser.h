#pragma once
#include <QDialog>

class QDateEdit;
class QPushButton;

// The period of the tax-office file: "ОК" selects the registrations of the
// period, writes FISKAL.SER and offers a copy to a chosen folder.
class TForm_SPR_TDD_Fisk_Ser : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_SPR_TDD_Fisk_Ser(QWidget *parent = nullptr);

    QDateEdit *DateTimePicker_Ot, *DateTimePicker_Do;
    QPushButton *Button1;

    void FormShow();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Writes the file; false (told) when it could not be written.
    bool writeFile(const QByteArray &bytes);
    void offerCopy(const QByteArray &bytes);
};
