#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// "Контакти": a contact's name, address, telephone and note with its
// business-card picture, a tree of contacts and a search box. The window
// has no actions: its buttons stay off, it stores and finds nothing, and
// "Затвори" only closes it.
class TForm_Kontakti : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Kontakti(QWidget *parent = nullptr);

    QTreeWidget *TreeView_Kontakti;
    QLineEdit *Edit_Tarsi;
    QPushButton *Button_Tarsi;    // "Търси"
    QLineEdit *Edit_Ime;          // "Име"
    QLineEdit *Edit_Adres;        // "Адрес"
    QLineEdit *Edit_Telefon;      // "Телефон"
    QPlainTextEdit *Memo_Zabelejka; // "Бележка"
    QLabel *Image_Vizitka;        // the business card
    QPushButton *Button_Nov;      // "Нов"
    QPushButton *Button_Zapis;    // "Запис"
    QPushButton *Button_Iztrii;   // "Изтрии"
    QPushButton *Button_Zatvori;  // "Затвори"
};
