#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "offers/task_test_data.h"

#include "app/app_state.h"
#include "app/export_kinds.h"
#include "app/list_export.h"
#include "common/settings.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_kontrakents.h"
#include "offers/form_new_zada4a.h"
#include "offers/form_zada4i.h"
#include "offers/tasks.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "shell/openers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

#include <functional>

namespace {
long long addTask(const QString &description, long long assigner, const QString &status = QStringLiteral("Възложен"),
                  const QDate &due = QDate(2025, 3, 12), const QString &note = {})
{
    Tasks::Task t;
    t.description = description;
    t.status = status;
    t.assigner = assigner;
    t.assignedDate = QDate(2025, 3, 10);
    t.assignedTime = QTime(10, 0, 0);
    t.dueDate = due;
    t.dueTime = QTime(10, 15, 42);
    t.note = note;
    return Tasks::insert(t);
}

QVariant column(long long id, const char *field)
{
    return Db::scalar(QStringLiteral("SELECT ") + QLatin1String(field)
                          + QStringLiteral(" FROM Zada4i_Zadanie WHERE ID = ?"),
                      {id});
}

int taskCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zada4i_Zadanie")).toInt();
}

QStringList comboItems(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList listItems(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList descriptions(const TForm_Zada4i &form)
{
    QStringList out;
    for (int r = 0; r < form.list()->rowCount(); ++r)
        out << form.list()->value(r, QStringLiteral("Opisanie_Z")).toString();
    return out;
}

// Typed key by key (the look-up reacts to each), Cyrillic included.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, char(c.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

QString ref(long long id, const QString &name)
{
    return QString::number(id) + QLatin1Char(':') + name;
}

// Editors opened from the list are driven by `steps`; other windows are
// recorded by class name and closed at once.
struct EditorScript {
    QStringList others;
    int editorRuns = 0;
    int othersMode = -2; // CounterpartyPickMode while another window was open
};

void driveEditor(EditorScript &script, const std::function<void(TForm_NewZada4a *)> &steps)
{
    PlatformScript::setModalHandler([&script, steps](QDialog *d) {
        if (auto *editor = qobject_cast<TForm_NewZada4a *>(d)) {
            ++script.editorRuns;
            editor->show();
            steps(editor);
            const int result = editor->isVisible() ? int(QDialog::Rejected) : editor->result();
            editor->hide();
            return result;
        }
        script.others << QString::fromLatin1(d->metaObject()->className());
        script.othersMode = CounterpartyPickMode;
        return int(QDialog::Rejected);
    });
}

void fillValidTask(TForm_NewZada4a *w, const QString &description)
{
    w->Edit_Opisanie->setText(description);
    w->Edit_Izpalnitel->setText(QStringLiteral("Иван"));
    w->DateTimePicker_D_Vazlagane->setDate(QDate(2025, 3, 10));
    w->DateTimePicker_T_Vazlagane->setTime(QTime(10, 15, 42));
    w->DateTimePicker_D_Izpalnenie->setDate(QDate(2025, 3, 10));
    w->DateTimePicker_T_Izpalnenie->setTime(QTime(10, 15, 42));
}
} // namespace

class TaskEditorWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { PlatformScript::setModalHandler({}); }

    void newTaskRoundTripAndChecks()
    {
        TestProgram program;
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        EditorScript script;
        const QString description = QStringLiteral("Смяна на \"дисплей\" и 'капак'");
        const QString note = QStringLiteral("ред 1\nред \"2\"\n'ред 3'");
        driveEditor(script, [&](TForm_NewZada4a *w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Въвеждане на нова задача"));
            QCOMPARE(comboItems(w->ComboBox_Status), QStringList{QStringLiteral("Възложен")});
            QCOMPARE(w->ComboBox_Status->currentText(), QStringLiteral("Възложен"));
            QCOMPARE(w->ComboBox_Povtorenie->currentText(), QStringLiteral("еднократно"));
            QCOMPARE(w->DateTimePicker_D_Izpalnenie->date(), QDate::currentDate());
            QVERIFY(w->Edit_Opisanie->text().isEmpty());
            QVERIFY(!w->SpdBtn_InsertToBEX->isEnabled());
            QCOMPARE(w->SpdBtn_InsertToBEX->toolTip(), QStringLiteral("Прехвърли към Бексплан"));

            fillValidTask(w, description);
            w->Memo_Zabel->setPlainText(note);
            // One second earlier on the same day: refused, focus on the due time.
            w->DateTimePicker_T_Izpalnenie->setTime(QTime(10, 15, 41));
            QTest::mouseClick(w->BitBtn_Ok, Qt::LeftButton);
            QVERIFY(w->isVisible());
            QCOMPARE(w->focusWidget(), w->DateTimePicker_T_Izpalnenie);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                     QStringLiteral("Не е позволено час на изпълнение\nда е преди час на възлагане"));
            // An earlier day: the date message, focus on the due date.
            w->DateTimePicker_D_Izpalnenie->setDate(QDate(2025, 3, 9));
            w->DateTimePicker_T_Izpalnenie->setTime(QTime(23, 0));
            QTest::mouseClick(w->BitBtn_Ok, Qt::LeftButton);
            QVERIFY(w->isVisible());
            QCOMPARE(w->focusWidget(), w->DateTimePicker_D_Izpalnenie);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                     QStringLiteral("Не е позволено дата на изпълнение\nда е преди дата на възлагане"));
            QCOMPARE(taskCount(), 0);
            QCOMPARE(w->Edit_Opisanie->text(), description);
            // Equal moments are accepted.
            w->DateTimePicker_D_Izpalnenie->setDate(QDate(2025, 3, 10));
            w->DateTimePicker_T_Izpalnenie->setTime(QTime(10, 15, 42));
            QTest::mouseClick(w->BitBtn_Ok, Qt::LeftButton);
            QVERIFY(!w->isVisible());
        });
        form.BitBtn_Nova_Zada4aClick();
        QCOMPARE(script.editorRuns, 1);
        QCOMPARE(taskCount(), 1);
        const long long id = Db::scalar(QStringLiteral("SELECT ID FROM Zada4i_Zadanie")).toLongLong();
        QCOMPARE(column(id, "Opisanie_Z").toString(), description);
        QCOMPARE(column(id, "Zabel").toString(), note);
        QCOMPARE(column(id, "Status").toString(), QStringLiteral("Възложен"));
        QCOMPARE(column(id, "Vazlojil_Klient").toLongLong(), -1LL);
        QCOMPARE(column(id, "D_Izpalnenie").toString(), QStringLiteral("2025-03-10"));
        QCOMPARE(column(id, "T_Izpalnenie").toString(), QStringLiteral("10:15:42"));
        // The list read the new task (it names no counterparty).
        QCOMPARE(descriptions(form), QStringList{description});
    }

    void aFailedInsertKeepsTheWindow()
    {
        TestProgram program;
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        refuseWrites(QStringLiteral("CREATE TRIGGER no_tasks BEFORE INSERT ON Zada4i_Zadanie "
                                   "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        EditorScript script;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            fillValidTask(w, QStringLiteral("Важна"));
            w->Memo_Zabel->setPlainText(QStringLiteral("бележка"));
            w->BitBtn_OkClick();
            QVERIFY(w->isVisible());
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Невалидни данни"));
            QCOMPARE(w->Edit_Opisanie->text(), QStringLiteral("Важна"));
            QCOMPARE(w->Memo_Zabel->toPlainText(), QStringLiteral("бележка"));
            QCOMPARE(w->ComboBox_Status->currentText(), QStringLiteral("Възложен"));
        });
        form.BitBtn_Nova_Zada4aClick();
        QCOMPARE(taskCount(), 0);
    }

    void aFailedUpdateKeepsTheWindow()
    {
        TestProgram program;
        const long long id = addTask(QStringLiteral("Първа"), -1);
        refuseWrites(QStringLiteral("CREATE TRIGGER no_changes BEFORE UPDATE ON Zada4i_Zadanie "
                                   "BEGIN SELECT RAISE(ABORT, 'locked'); END"));
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        EditorScript script;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            w->Edit_Opisanie->setText(QStringLiteral("Променена"));
            w->BitBtn_OkClick();
            QVERIFY(w->isVisible());
            QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().startsWith(
                QStringLiteral("Задачата не беше записана")));
            QCOMPARE(w->Edit_Opisanie->text(), QStringLiteral("Променена"));
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(column(id, "Opisanie_Z").toString(), QStringLiteral("Първа"));
    }

    void anEditChangesOnlyItsTaskAndKeepsItsStatus()
    {
        TestProgram program;
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        const long long first = addTask(QStringLiteral("Първа"), firm);
        const long long second = addTask(QStringLiteral("Втора"), firm, QStringLiteral("Отложен"));
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        QVERIFY(form.positionOn(first));
        EditorScript script;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Редактиране на задача"));
            QCOMPARE(w->Edit_Opisanie->text(), QStringLiteral("Първа"));
            QCOMPARE(w->Edit_Vazlojitel->text(), ref(firm, QStringLiteral("Алфа")));
            QVERIFY(!w->ListBox_SelectDostav4ik->isVisible());
            QCOMPARE(w->DateTimePicker_T_Izpalnenie->time(), QTime(10, 15, 42));
            // Its own status stays on offer and is selected.
            QCOMPARE(comboItems(w->ComboBox_Status),
                     (QStringList{QStringLiteral("Възложен"), QStringLiteral("Изпълнява се"),
                                  QStringLiteral("Отложен"), QStringLiteral("Изпълнен")}));
            QCOMPARE(w->ComboBox_Status->currentText(), QStringLiteral("Възложен"));
            w->Memo_Zabel->setPlainText(QStringLiteral("само бележка"));
            // The list moves to another row meanwhile: the editor's task is changed.
            form.positionOn(second);
            w->BitBtn_OkClick();
            QVERIFY(!w->isVisible());
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(column(first, "Zabel").toString(), QStringLiteral("само бележка"));
        QCOMPARE(column(first, "Status").toString(), QStringLiteral("Възложен"));
        QCOMPARE(column(first, "Vazlojil_Klient").toLongLong(), firm);
        QVERIFY(column(second, "Zabel").toString().isEmpty());
        QCOMPARE(column(second, "Status").toString(), QStringLiteral("Отложен"));
        QCOMPARE(form.currentTaskId(), first);

        // A status of the three is offered once.
        QVERIFY(form.positionOn(second));
        driveEditor(script, [&](TForm_NewZada4a *w) {
            QCOMPARE(w->ComboBox_Status->count(), 3);
            QCOMPARE(w->ComboBox_Status->currentText(), QStringLiteral("Отложен"));
            w->BitBtn_CancelClick();
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(column(second, "Status").toString(), QStringLiteral("Отложен"));
    }

    void assignerPicksCarryTheirNumber()
    {
        TestProgram program;
        const long long alfa = addTaskCounterparty(QStringLiteral("Алфа ООД"), QStringLiteral("121212"), QStringLiteral("BG123"));
        const long long zalfa = addTaskCounterparty(QStringLiteral("Зелена алфа"), QStringLiteral("129999"));
        const long long beta = addTaskCounterparty(QStringLiteral("Бета"));
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        EditorScript script;

        struct Case {
            const char *name;
            std::function<void(TForm_NewZada4a *)> pick;
            long long stored;
        };
        const QList<Case> cases = {
            {"name search, other case",
             [&](TForm_NewZada4a *w) {
                 typeText(w->Edit_Vazlojitel, QStringLiteral("АЛФ"));
                 QVERIFY(w->ListBox_SelectDostav4ik->isVisible());
                 QCOMPARE(listItems(w->ListBox_SelectDostav4ik),
                          (QStringList{ref(alfa, QStringLiteral("Алфа ООД")), ref(zalfa, QStringLiteral("Зелена алфа"))}));
                 QTest::keyClick(w->Edit_Vazlojitel, Qt::Key_Down);
                 w->ListBox_SelectDostav4ik->setCurrentRow(1);
                 QTest::keyClick(w->ListBox_SelectDostav4ik, Qt::Key_Return);
                 QVERIFY(!w->ListBox_SelectDostav4ik->isVisible());
                 QCOMPARE(w->Edit_Vazlojitel->text(), ref(zalfa, QStringLiteral("Зелена алфа")));
             },
             zalfa},
            {"space lists every counterparty",
             [&](TForm_NewZada4a *w) {
                 QTest::keyClick(w->Edit_Vazlojitel, Qt::Key_Space);
                 // The blank typed does not narrow the list.
                 QCOMPARE(listItems(w->ListBox_SelectDostav4ik).size(), 3);
                 QVERIFY(w->ListBox_SelectDostav4ik->isVisible());
                 w->ListBox_SelectDostav4ik->setCurrentRow(2);
                 w->ListBox_SelectDostav4ikDblClick();
                 QCOMPARE(w->Edit_Vazlojitel->text(), ref(beta, QStringLiteral("Бета")));
             },
             beta},
            {"EIK with two matches",
             [&](TForm_NewZada4a *w) {
                 typeText(w->Edit_Vazlojitel, QStringLiteral("-12"));
                 QVERIFY(!w->ListBox_SelectDostav4ik->isVisible());
                 QTest::keyClick(w->Edit_Vazlojitel, Qt::Key_Return);
                 QVERIFY(w->ListBox_SelectDostav4ik->isVisible());
                 QCOMPARE(w->ListBox_SelectDostav4ik->height(), 100);
                 QCOMPARE(listItems(w->ListBox_SelectDostav4ik).size(), 2);
                 QTest::keyClick(w->ListBox_SelectDostav4ik, Qt::Key_Return);
                 QCOMPARE(w->Edit_Vazlojitel->text(), ref(alfa, QStringLiteral("Алфа ООД")));
             },
             alfa},
            {"tax number with one match",
             [&](TForm_NewZada4a *w) {
                 typeText(w->Edit_Vazlojitel, QStringLiteral("+123"));
                 QTest::keyClick(w->Edit_Vazlojitel, Qt::Key_Return);
                 QVERIFY(!w->ListBox_SelectDostav4ik->isVisible());
                 QCOMPARE(w->Edit_Vazlojitel->text(), ref(alfa, QStringLiteral("Алфа ООД")));
             },
             alfa},
            {"a name typed and never picked",
             [&](TForm_NewZada4a *w) {
                 typeText(w->Edit_Vazlojitel, QStringLiteral("Бета"));
                 QTest::keyClick(w->ListBox_SelectDostav4ik, Qt::Key_Escape);
                 QVERIFY(!w->ListBox_SelectDostav4ik->isVisible());
             },
             -1},
        };
        for (const Case &c : cases) {
            driveEditor(script, [&](TForm_NewZada4a *w) {
                fillValidTask(w, QString::fromUtf8(c.name));
                c.pick(w);
                w->BitBtn_OkClick();
                QVERIFY2(!w->isVisible(), c.name);
            });
            form.BitBtn_Nova_Zada4aClick();
            const QVariant stored = Db::scalar(QStringLiteral("SELECT Vazlojil_Klient FROM Zada4i_Zadanie WHERE Opisanie_Z = ?"),
                                               {QString::fromUtf8(c.name)});
            QVERIFY2(stored.isValid(), c.name);
            QCOMPARE(stored.toLongLong(), c.stored);
        }
        // A tax number that nothing has empties the text.
        driveEditor(script, [&](TForm_NewZada4a *w) {
            typeText(w->Edit_Vazlojitel, QStringLiteral("+999"));
            QTest::keyClick(w->Edit_Vazlojitel, Qt::Key_Return);
            QVERIFY(w->Edit_Vazlojitel->text().isEmpty());
            w->BitBtn_CancelClick();
        });
        form.BitBtn_Nova_Zada4aClick();
    }

    void newCounterpartyProtocolAndTransfer()
    {
        TestProgram program;
        Settings::writeString(Keys::Firm_Data_Name, QStringLiteral("Вентарос еоод"));
        Settings::writeString(Keys::Firm_Data_Adress, QStringLiteral("София"));
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        const long long id = addTask(QStringLiteral("Монтаж"), firm);
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        EditorScript script;
        QStringList protocol;
        auto readProtocol = [&] {
            QFile f(program.file(QStringLiteral("TEMP/ProtZadanie.txt")));
            if (!f.open(QIODevice::ReadOnly))
                return QStringList();
            QString text = QString::fromUtf8(f.readAll());
            return text.split(QStringLiteral("\r\n"));
        };
        driveEditor(script, [&](TForm_NewZada4a *w) {
            w->Button1Click();
            w->Edit_Opisanie->setText(QStringLiteral("Монтаж и настройка"));
            QVERIFY(w->Button2Click());
            protocol = readProtocol();
            w->SpdBtn_InsertToBEXClick();
            w->BitBtn_CancelClick();
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(script.others, QStringList{QStringLiteral("TForm_Kontrakents")});
        QCOMPARE(script.othersMode, -1);
        QCOMPARE(protocol.size(), 37); // 36 lines, each ending in CR LF
        {
            QFile f(program.file(QStringLiteral("TEMP/ProtZadanie.txt")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().startsWith("\xEF\xBB\xBF\r\n\t"));
        }
        QCOMPARE(protocol.at(1), QStringLiteral("\tВЕНТАРОС ЕООД\tСОФИЯ"));
        QCOMPARE(protocol.at(7), QStringLiteral("\tЗАДАНИЕ N:%1\tОт дата:10.03.2025").arg(id));
        QCOMPARE(protocol.at(8), QStringLiteral("\tВЪЗЛОЖИТЕЛ: ") + ref(firm, QStringLiteral("Алфа")));
        // The window's values, not the stored ones.
        QCOMPARE(protocol.at(9), QStringLiteral("\tЗАДАНИЕ: Монтаж и настройка"));
        QCOMPARE(protocol.at(35), QStringLiteral("\t") + ReportFooter);
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).last().endsWith(QStringLiteral("TEMP/ProtZadanie.txt")));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("!!! РАЗРАБОТВА СЕ !!!"));
        QCOMPARE(column(id, "Opisanie_Z").toString(), QStringLiteral("Монтаж"));

        // A new task's protocol has no number yet.
        driveEditor(script, [&](TForm_NewZada4a *w) {
            QVERIFY(w->Button2Click());
            protocol = readProtocol();
            w->BitBtn_CancelClick();
        });
        form.BitBtn_Nova_Zada4aClick();
        QVERIFY(protocol.at(7).startsWith(QStringLiteral("\tЗАДАНИЕ N:\tОт дата:")));
    }

    void repetitionChoiceSetsTheDueMoment()
    {
        TestProgram program;
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        EditorScript script;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            w->DateTimePicker_D_Vazlagane->setDate(QDate(2025, 12, 31));
            w->DateTimePicker_T_Vazlagane->setTime(QTime(23, 30, 0));
            w->ComboBox_Povtorenie->setCurrentIndex(Tasks::Hourly);
            w->ComboBox_PovtorenieChange();
            QCOMPARE(w->DateTimePicker_D_Izpalnenie->date(), QDate(2026, 1, 1));
            QCOMPARE(w->DateTimePicker_T_Izpalnenie->time(), QTime(0, 30, 0));
            w->ComboBox_Povtorenie->setCurrentIndex(Tasks::Monthly);
            w->ComboBox_PovtorenieChange();
            QCOMPARE(w->DateTimePicker_D_Izpalnenie->date(), QDate(2026, 1, 30));
            QCOMPARE(w->DateTimePicker_T_Izpalnenie->time(), QTime(23, 30, 0));
            w->BitBtn_OkClick();
        });
        form.BitBtn_Nova_Zada4aClick();
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Povtorenie FROM Zada4i_Zadanie")).toInt(), int(Tasks::Monthly));
    }
};
VTEST(TaskEditorWindow)

class TaskListWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        SortDirection = 0;
    }

    void listsEveryTaskAndOpensTheRowOnEnterAndDoubleClick()
    {
        TestProgram program;
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        const long long gone = addTaskCounterparty(QStringLiteral("Изтрита"));
        addTask(QStringLiteral("С възложител"), firm);
        const long long none = addTask(QStringLiteral("Без възложител"), -1);
        const long long withGone = addTask(QStringLiteral("С изтрит"), gone);
        Db::execute(QStringLiteral("DELETE FROM Firmi WHERE ID = ?"), {gone});

        QVERIFY(Openers::available(QStringLiteral("N_Zada4i")));
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        QCOMPARE(form.list()->rowCount(), 3);
        QCOMPARE(form.list()->value(0, QStringLiteral("Ime_Firma")).toString(), QStringLiteral("Алфа"));
        QVERIFY(form.list()->value(1, QStringLiteral("Ime_Firma")).isNull());

        // The grid's columns, titles and widths.
        const QStringList titles = {QStringLiteral("Описание задача"), QStringLiteral("Възложител"),
                                    QStringLiteral("Изпълнители"), QStringLiteral("Статус"),
                                    QStringLiteral("Дата изпълнение"), QStringLiteral("Час изпълнение"),
                                    QStringLiteral("Дата възлагане"), QStringLiteral("Час възлагане"),
                                    QStringLiteral("Забележка")};
        const QList<int> widths = {200, 200, 100, 80, 110, 89, 106, 83, 150};
        QStringList shown;
        QCOMPARE(form.list()->columnCount(), 9); // the column chooser offers these only
        for (int c = 0; c < form.list()->columnCount(); ++c) {
            if (form.DBGrid_Zada4i->isColumnHidden(c))
                continue;
            shown << form.list()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            QCOMPARE(form.DBGrid_Zada4i->columnWidth(c), widths.at(shown.size() - 1));
        }
        QCOMPARE(shown, titles);
        QCOMPARE(form.list()->data(form.list()->index(0, 4), Qt::DisplayRole).toString(), QStringLiteral("12.03.2025"));
        QVERIFY(form.BitBtn_Nova_Zada4a->isDefault());
        QCOMPARE(form.BitBtn_Nova_Zada4a->text(), QStringLiteral("Нова           "));
        QVERIFY(form.BitBtn_Pokaji_Vsi4ko->isHidden());

        EditorScript script;
        QStringList opened;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            opened << w->Edit_Opisanie->text() + QLatin1Char('|') + w->Edit_Vazlojitel->text();
            w->BitBtn_OkClick();
        });
        QVERIFY(form.positionOn(none));
        form.show();
        QTest::keyClick(form.DBGrid_Zada4i, Qt::Key_Return);
        QVERIFY(form.positionOn(withGone));
        form.DBGrid_Zada4iDblClick();
        QCOMPARE(opened, (QStringList{QStringLiteral("Без възложител|"), QStringLiteral("С изтрит|")}));
        // Enter in the grid opens no new task.
        QCOMPARE(taskCount(), 3);
        // Saved without a pick, both name nobody.
        QCOMPARE(column(none, "Vazlojil_Klient").toLongLong(), -1LL);
        QCOMPARE(column(withGone, "Vazlojil_Klient").toLongLong(), -1LL);
        form.hide();
    }

    void titleClicksSortAndASaveKeepsTheTask()
    {
        TestProgram program;
        const long long a = addTask(QStringLiteral("А"), -1);
        addTask(QStringLiteral("Б"), -1);
        addTask(QStringLiteral("В"), -1);
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        SortDirection = 1;
        form.DBGrid_Zada4iTitleClick(0);
        QCOMPARE(SortDirection, 0);
        QCOMPARE(descriptions(form), (QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")}));
        form.DBGrid_Zada4i->horizontalHeader()->sectionClicked(0);
        QCOMPARE(descriptions(form), (QStringList{QStringLiteral("В"), QStringLiteral("Б"), QStringLiteral("А")}));
        QCOMPARE(SortDirection, 1);

        // "А" is last; after the change it is still the current task.
        QVERIFY(form.positionOn(a));
        EditorScript script;
        driveEditor(script, [&](TForm_NewZada4a *w) {
            w->Edit_Opisanie->setText(QStringLiteral("Я"));
            w->BitBtn_OkClick();
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(form.currentTaskId(), a);
        QCOMPARE(form.list()->value(form.DBGrid_Zada4i->currentIndex().row(), QStringLiteral("Opisanie_Z")).toString(),
                 QStringLiteral("Я"));

        // A refused save reloads the list as well and stays on the task.
        Db::execute(QStringLiteral("UPDATE Zada4i_Zadanie SET Zabel = 'от друго място' WHERE ID = ?"), {a});
        driveEditor(script, [&](TForm_NewZada4a *w) {
            w->DateTimePicker_D_Izpalnenie->setDate(QDate(2020, 1, 1));
            w->BitBtn_OkClick();
            QVERIFY(w->isVisible());
            w->BitBtn_CancelClick();
        });
        form.BitBtn_Redakt_Zada4aClick();
        QCOMPARE(form.currentTaskId(), a);
        QCOMPARE(form.list()->value(form.DBGrid_Zada4i->currentIndex().row(), QStringLiteral("Zabel")).toString(),
                 QStringLiteral("от друго място"));
    }

    void rowColours()
    {
        TestProgram program;
        const QDate today = QDate::currentDate();
        addTask(QStringLiteral("вчера"), -1, QStringLiteral("възложен"), today.addDays(-1));
        addTask(QStringLiteral("утре"), -1, QStringLiteral("Възложен"), today.addDays(1));
        addTask(QStringLiteral("работи"), -1, QStringLiteral("Изпълнява се"), today.addDays(-1));
        addTask(QStringLiteral("отложен"), -1, QStringLiteral("Отложен"), today.addDays(-1));
        addTask(QStringLiteral("готов"), -1, QStringLiteral("Изпълнен"), today.addDays(-1));
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        const QList<QVariant> expected = {QColor(255, 0, 0), QVariant(), QColor(0, 128, 0), QColor(0, 0, 255), QVariant()};
        for (int r = 0; r < expected.size(); ++r)
            QCOMPARE(form.list()->data(form.list()->index(r, 0), Qt::ForegroundRole), expected.at(r));
    }

    void searchRow()
    {
        TestProgram program;
        const long long firm = addTaskCounterparty(QStringLiteral("Алфа"));
        addTask(QStringLiteral("Първа"), firm, QStringLiteral("Възложен"), QDate(2025, 3, 1));
        addTask(QStringLiteral("Втора"), -1, QStringLiteral("Възложен"), QDate(2025, 3, 5));
        addTask(QStringLiteral("Трета"), -1, QStringLiteral("Възложен"), QDate(2025, 3, 9));
        Db::execute(QStringLiteral("UPDATE Zada4i_Zadanie SET T_Vazlagane = '10:16:00' WHERE Opisanie_Z <> 'Първа'"));
        Db::execute(QStringLiteral("UPDATE Zada4i_Zadanie SET T_Vazlagane = '10:15:42' WHERE Opisanie_Z = 'Първа'"));
        TForm_Zada4i form;
        form.show();
        form.BitBtn_Pokaji_Vsi4koClick();
        QCOMPARE(form.windowTitle(), QStringLiteral("ЗАДАЧИ - Търсене по: Описание задача"));

        // A text column.
        form.DBGrid_Zada4iCellClick(1);
        QCOMPARE(form.Label3->text(), QStringLiteral("Търсене по: Възложител"));
        QCOMPARE(form.list()->headerData(1, Qt::Horizontal, Qt::BackgroundRole), QVariant(QColor(255, 0, 0)));
        QVERIFY(!form.list()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).isValid());
        QVERIFY(form.Edit_Ot->isVisible());
        QVERIFY(!form.DateTimePicker_Ot->isVisible());
        QVERIFY(!form.ComboBox1->isEnabled());
        typeText(form.Edit_Ot, QStringLiteral("АЛФ"));
        form.BitBtn1Click();
        QCOMPARE(descriptions(form), QStringList{QStringLiteral("Първа")});

        // A date column, "между" with both bounds included.
        form.DBGrid_Zada4iCellClick(4);
        QVERIFY(form.DateTimePicker_Ot->isVisible());
        QVERIFY(!form.Edit_Ot->isVisible());
        QVERIFY(form.ComboBox1->isEnabled());
        QVERIFY(!form.DateTimePicker_Do->isVisible());
        form.ComboBox1->setCurrentIndex(3);
        form.ComboBox1Change();
        QVERIFY(form.DateTimePicker_Do->isVisible());
        QVERIFY(form.Label_Ot->isVisible() && form.Label_Do->isVisible());
        QVERIFY(!form.Edit_Ot->isVisible() && !form.Edit_Do->isVisible());
        form.DateTimePicker_Ot->setDate(QDate(2025, 3, 1));
        form.DateTimePicker_Do->setDate(QDate(2025, 3, 5));
        form.BitBtn1Click();
        QCOMPARE(descriptions(form), (QStringList{QStringLiteral("Първа"), QStringLiteral("Втора")}));

        // A time column, "равно" takes the whole minute.
        form.DBGrid_Zada4iCellClick(7);
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("равно"));
        QVERIFY(!form.DateTimePicker_Do->isVisible());
        form.DateTimePicker_Ot->setTime(QTime(10, 15));
        form.BitBtn1Click();
        QCOMPARE(descriptions(form), QStringList{QStringLiteral("Първа")});
        form.hide();
    }

    void exportWritesTheList()
    {
        TestProgram program;
        TForm_Zada4i form;
        form.BitBtn_Pokaji_Vsi4koClick();
        QVERIFY(!form.Button1Click());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Няма данни за печат"));

        ExportKinds::resetToStart();
        addTask(QStringLiteral("Задача"), -1, QStringLiteral("Възложен"), QDate(2025, 3, 12),
                QStringLiteral("първи ред\nвтори ред"));
        form.BitBtn_Pokaji_Vsi4koClick();
        QVERIFY(form.Button1Click());
        QFile f(program.file(QStringLiteral("TEMP/Prot_Zad") + ExportExtension));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() > 9);
        QCOMPARE(lines.at(0), QString());
        QCOMPARE(lines.at(1), QStringLiteral("\tСПРАВКА ЗАДАЧИ "));
        QCOMPARE(lines.at(2), QString());
        QVERIFY(lines.at(3).startsWith(QStringLiteral("\tДата:") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
        QVERIFY(lines.at(5).startsWith(ExportSeparator + QStringLiteral("Описание задача")));
        const QString row = lines.at(7);
        QVERIFY(row.contains(QStringLiteral("12.03.2025")));
        QVERIFY(row.contains(QStringLiteral("първи ред втори ред")));
        // One empty line, then the footer without a TAB.
        QCOMPARE(lines.at(lines.size() - 2), ReportFooter);
        QCOMPARE(lines.at(lines.size() - 3), QString());
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).last().endsWith(QStringLiteral("Prot_Zad") + ExportExtension));
    }
};
VTEST(TaskListWindow)

#include "test_task_windows.moc"
