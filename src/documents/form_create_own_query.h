#pragma once
#include "platform/db/typed_query.h"

#include <QDialog>

class OwnQueryModel;
class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// "Създай собствени справки": typed queries, run read-only, stored by name in
// SQLs/Own_SQL.ini, their column totals and their export. In design mode the
// text is editable and "Запис" shown; in run mode stored queries only run.
class TForm_Create_Own_Query : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Create_Own_Query(QWidget *parent = nullptr);

    QComboBox *ComboBox_SQLs;   // "n:name"
    QPlainTextEdit *Memo1;
    QPushButton *Button_Create; // "Генерирай"
    QPushButton *Button_Print;  // "Печат"
    QPushButton *Button_Save;   // "Запис"
    QLineEdit *Edit_Result;
    QTableView *DBGrid1;
    QMenu *PopupMenu1;
    QMenu *N1;                  // "Изчисли"
    QAction *N3;                // "Обща сума"
    QAction *N4;                // "Средна стойност"
    QAction *N2;                // "Настройка колони ..."

    void setDesignMode(bool design);
    bool designMode() const { return m_design; }
    OwnQueryModel *result() const { return m_result; }

    void FormShow();
    void ComboBox_SQLsClick();
    // Starts the query on a worker thread: the window answers meanwhile, the
    // search indicator plays, and closing the window ends the query.
    void Button_CreateClick();
    bool queryRunning() const;
    void Button_SaveClick();
    void Button_PrintClick();
    void PopupMenu1Popup(); // "Изчисли" only on a floating-point column
    void N3Click();
    void N4Click();

    // "Настройки" → "Системни" → "Създай собствени справки ..." (design) and
    // "Справки" → "Собствени справки ..." (run): made once, shown modally.
    static void open(QWidget *owner, bool design);

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void queryFinished(const TypedQuery::Result &result);
    void stopQuery();
    void setRunning(bool running);

    OwnQueryModel *m_result;
    TypedQueryRun *m_run;
    bool m_design = true;
};
