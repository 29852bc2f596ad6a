#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// The free-text prompt: one edit and "ПРИЕМИ". Made at its first use and kept;
// the edit keeps the last text.
class TForm_Free_Tekst : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Free_Tekst(QWidget *parent = nullptr);
    QLineEdit *Edit1;
    QPushButton *Button1;

    void Button1Click();
    // The one prompt of the program.
    static TForm_Free_Tekst *instance();
    // Shows it preset with `preset`; false when it was closed without "ПРИЕМИ".
    static bool ask(const QString &preset, QString *text);

protected:
    void showEvent(QShowEvent *event) override;
};

// The text last accepted in the prompt.
extern QString FreeTextCaption;
