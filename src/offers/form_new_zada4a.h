#pragma once
#include "offers/tasks.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;

// The task editor: a new task (mode 0, "Въвеждане на нова задача") or a
// change of one task (mode 1, "Редактиране на задача"). Opened only by the
// task list, which sets the caption, the mode and, for a change, the task.
// Made once, shown modally as a tool window.
class TForm_NewZada4a : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_NewZada4a(QWidget *parent = nullptr);

    QLineEdit *Edit_Opisanie;    // "Задача"
    QLineEdit *Edit_Izpalnitel;  // "Изпълнители"
    QComboBox *ComboBox_Status;  // "Статус", pick-only
    QLineEdit *Edit_Vazlojitel;  // "Възложител"
    QPushButton *Button1;        // "Нов": the counterparty register
    QListWidget *ListBox_SelectDostav4ik; // the assigner drop list
    QDateEdit *DateTimePicker_D_Vazlagane;
    QTimeEdit *DateTimePicker_T_Vazlagane;
    QDateEdit *DateTimePicker_D_Izpalnenie;
    QTimeEdit *DateTimePicker_T_Izpalnenie;
    QComboBox *ComboBox_Povtorenie; // "Задачата ще се изпълнява"
    QPlainTextEdit *Memo_Zabel;     // "Забележка"
    QPushButton *BitBtn_Ok;         // "Приеми"
    QPushButton *BitBtn_Cancel;     // "Откажи" (Escape)
    QPushButton *Button2;           // "ПЕЧАТ": the execution protocol
    QToolButton *SpdBtn_InsertToBEX; // "Прехвърли към Бексплан"

    enum Mode { NewTask = 0, ChangeTask = 1 };
    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; }
    // Mode 1: the task's fields into the controls; the editor keeps its ID
    // and changes only that task. `assignerText` is "ID:Name", or empty when
    // the task names no counterparty that exists.
    void loadTask(const Tasks::Task &task, const QString &assignerText);
    long long taskId() const { return m_taskId; }
    Tasks::Task currentTask() const; // the task as the controls show it

    // Each showing: the status list by mode; mode 0 also resets the fields.
    void FormShow();

    void Edit_VazlojitelChange();
    bool Edit_VazlojitelKeyDown(int key); // true when the key was used up
    void GetDostav4ik(const QString &text);
    void ListBox_SelectDostav4ikDblClick();
    bool ListBox_SelectDostav4ikKeyDown(int key);
    void ListBox_SelectDostav4ikExit();
    void Button1Click();
    void ComboBox_PovtorenieChange();
    void BitBtn_OkClick();
    void BitBtn_CancelClick();
    bool Button2Click(); // false when no protocol was written
    void SpdBtn_InsertToBEXClick();

    void reject() override; // Escape and closing: as "Откажи"

Q_SIGNALS:
    // After every "Приеми", saved or refused.
    void okHandled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void clearFields();
    void showDropList(const QStringList &items, int height, bool focus);
    void pickFromDropList();
    void rebuildStatuses(const QString &selected);
    bool save();

    int m_mode = NewTask;
    long long m_taskId = 0;
    QString m_loadedStatus;
    bool m_suppressLookup = false;
};

extern QPointer<TForm_NewZada4a> Form_NewZada4a;
