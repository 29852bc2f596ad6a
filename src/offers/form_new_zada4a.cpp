#include "offers/form_new_zada4a.h"

#include "app/app_state.h"
#include "app/list_export.h"
#include "common/dates.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "counterparties/form_kontrakents.h"
#include "offers/task_assigner.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TForm_NewZada4a> Form_NewZada4a;

namespace {
QTime nowToSecond()
{
    const QTime t = QTime::currentTime();
    return QTime(t.hour(), t.minute(), t.second());
}
} // namespace

TForm_NewZada4a::TForm_NewZada4a(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_NewZada4a"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Въвеждане на нова задача"));
    buildLayout();
}

void TForm_NewZada4a::buildLayout()
{
    Edit_Opisanie = namedEdit(QStringLiteral("Edit_Opisanie"), this);
    Edit_Izpalnitel = namedEdit(QStringLiteral("Edit_Izpalnitel"), this);
    ComboBox_Status = named(new QComboBox(this), "ComboBox_Status");
    ComboBox_Status->setEditable(false);
    Edit_Vazlojitel = namedEdit(QStringLiteral("Edit_Vazlojitel"), this);
    Button1 = namedButton(QStringLiteral("Button1"), QStringLiteral("Нов"), this);

    auto dateEdit = [this](const char *name) {
        auto *e = named(new QDateEdit(this), name);
        e->setDisplayFormat(QLatin1String(Dates::ShortFormat));
        e->setCalendarPopup(true);
        return e;
    };
    auto timeEdit = [this](const char *name) {
        auto *e = named(new QTimeEdit(this), name);
        e->setDisplayFormat(QLatin1String(Dates::TimeFormat));
        return e;
    };
    DateTimePicker_D_Vazlagane = dateEdit("DateTimePicker_D_Vazlagane");
    DateTimePicker_T_Vazlagane = timeEdit("DateTimePicker_T_Vazlagane");
    DateTimePicker_D_Izpalnenie = dateEdit("DateTimePicker_D_Izpalnenie");
    DateTimePicker_T_Izpalnenie = timeEdit("DateTimePicker_T_Izpalnenie");
    ComboBox_Povtorenie = named(new QComboBox(this), "ComboBox_Povtorenie");
    ComboBox_Povtorenie->addItems(Tasks::repetitionTitles());
    Memo_Zabel = named(new QPlainTextEdit(this), "Memo_Zabel");

    BitBtn_Ok = namedButton(QStringLiteral("BitBtn_Ok"), QStringLiteral("Приеми"), this);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("Откажи"), this);
    Button2 = namedButton(QStringLiteral("Button2"), QStringLiteral("ПЕЧАТ"), this);
    SpdBtn_InsertToBEX = named(new QToolButton(this), "SpdBtn_InsertToBEX");
    SpdBtn_InsertToBEX->setText(QStringLiteral("Бексплан"));
    SpdBtn_InsertToBEX->setToolTip(QStringLiteral("Прехвърли към Бексплан"));
    // The organiser program it would feed does not exist here.
    SpdBtn_InsertToBEX->setEnabled(false);

    auto *grid = new QGridLayout;
    int row = 0;
    auto add = [&](const QString &caption, QWidget *w, QWidget *beside = nullptr) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        if (beside) {
            auto *h = new QHBoxLayout;
            h->addWidget(w, 1);
            h->addWidget(beside);
            grid->addLayout(h, row, 1, 1, 3);
        } else {
            grid->addWidget(w, row, 1, 1, 3);
        }
        ++row;
    };
    add(QStringLiteral("Задача"), Edit_Opisanie);
    add(QStringLiteral("Изпълнители"), Edit_Izpalnitel);
    add(QStringLiteral("Статус"), ComboBox_Status);
    add(QStringLiteral("Възложител"), Edit_Vazlojitel, Button1);
    grid->addWidget(new QLabel(QStringLiteral("Дата на възлагане"), this), row, 0);
    grid->addWidget(DateTimePicker_D_Vazlagane, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("Час на възлагане"), this), row, 2);
    grid->addWidget(DateTimePicker_T_Vazlagane, row, 3);
    ++row;
    grid->addWidget(new QLabel(QStringLiteral("Дата на изпълнение"), this), row, 0);
    grid->addWidget(DateTimePicker_D_Izpalnenie, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("Час на изпълнение"), this), row, 2);
    grid->addWidget(DateTimePicker_T_Izpalnenie, row, 3);
    ++row;
    add(QStringLiteral("Задачата ще се изпълнява"), ComboBox_Povtorenie);
    grid->addWidget(new QLabel(QStringLiteral("Забележка"), this), row, 0, Qt::AlignTop);
    grid->addWidget(Memo_Zabel, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SpdBtn_InsertToBEX);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn_Ok);
    buttons->addWidget(BitBtn_Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    // The drop list floats under the assigner edit, over the other controls.
    ListBox_SelectDostav4ik = named(new QListWidget(this), "ListBox_SelectDostav4ik");
    ListBox_SelectDostav4ik->hide();

    Edit_Vazlojitel->installEventFilter(this);
    ListBox_SelectDostav4ik->installEventFilter(this);
    connect(Edit_Vazlojitel, &QLineEdit::textEdited, this, [this] { Edit_VazlojitelChange(); });
    connect(ListBox_SelectDostav4ik, &QListWidget::itemDoubleClicked, this,
            [this] { ListBox_SelectDostav4ikDblClick(); });
    connect(Button1, &QPushButton::clicked, this, &TForm_NewZada4a::Button1Click);
    connect(ComboBox_Povtorenie, &QComboBox::activated, this, [this] { ComboBox_PovtorenieChange(); });
    connect(BitBtn_Ok, &QPushButton::clicked, this, &TForm_NewZada4a::BitBtn_OkClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &TForm_NewZada4a::BitBtn_CancelClick);
    connect(Button2, &QPushButton::clicked, this, &TForm_NewZada4a::Button2Click);
    connect(SpdBtn_InsertToBEX, &QToolButton::clicked, this, &TForm_NewZada4a::SpdBtn_InsertToBEXClick);
    resize(620, 420);
}

// ---- showing and loading -------------------------------------------------------------

void TForm_NewZada4a::clearFields()
{
    Edit_Opisanie->clear();
    Edit_Izpalnitel->clear();
    Edit_Vazlojitel->clear();
    Memo_Zabel->clear();
    rebuildStatuses(QString::fromUtf8(Tasks::StatusAssigned));
}

void TForm_NewZada4a::rebuildStatuses(const QString &selected)
{
    QStringList items;
    if (m_mode == ChangeTask) {
        items = Tasks::changeStatuses();
        // The task's own status stays on offer, so a change never loses it.
        if (!items.contains(selected))
            items.prepend(selected);
    } else {
        items << QString::fromUtf8(Tasks::StatusAssigned);
    }
    ComboBox_Status->clear();
    ComboBox_Status->addItems(items);
    ComboBox_Status->setCurrentIndex(qMax(0, items.indexOf(selected)));
}

void TForm_NewZada4a::loadTask(const Tasks::Task &task, const QString &assignerText)
{
    m_taskId = task.id;
    m_loadedStatus = task.status;
    Edit_Opisanie->setText(task.description);
    Edit_Izpalnitel->setText(task.performers);
    Edit_Vazlojitel->setText(assignerText);
    ComboBox_Povtorenie->setCurrentIndex(task.repetition);
    DateTimePicker_D_Vazlagane->setDate(task.assignedDate);
    DateTimePicker_T_Vazlagane->setTime(task.assignedTime);
    DateTimePicker_D_Izpalnenie->setDate(task.dueDate);
    DateTimePicker_T_Izpalnenie->setTime(task.dueTime);
    Memo_Zabel->setPlainText(task.note);
}

void TForm_NewZada4a::FormShow()
{
    ListBox_SelectDostav4ik->hide();
    m_suppressLookup = false;
    if (m_mode == ChangeTask) {
        rebuildStatuses(m_loadedStatus);
        return;
    }
    m_taskId = 0;
    m_loadedStatus.clear();
    clearFields();
    const QDate today = QDate::currentDate();
    const QTime now = nowToSecond();
    DateTimePicker_D_Vazlagane->setDate(today);
    DateTimePicker_D_Izpalnenie->setDate(today);
    DateTimePicker_T_Vazlagane->setTime(now);
    DateTimePicker_T_Izpalnenie->setTime(now);
    ComboBox_Povtorenie->setCurrentIndex(Tasks::Once);
}

Tasks::Task TForm_NewZada4a::currentTask() const
{
    Tasks::Task t;
    t.id = m_mode == ChangeTask ? m_taskId : 0;
    t.description = Edit_Opisanie->text();
    t.performers = Edit_Izpalnitel->text();
    t.status = ComboBox_Status->currentText();
    t.assigner = Tasks::assignerKey(Edit_Vazlojitel->text());
    t.assignedDate = DateTimePicker_D_Vazlagane->date();
    t.assignedTime = DateTimePicker_T_Vazlagane->time();
    t.dueDate = DateTimePicker_D_Izpalnenie->date();
    t.dueTime = DateTimePicker_T_Izpalnenie->time();
    t.note = Memo_Zabel->toPlainText();
    t.repetition = qMax(0, ComboBox_Povtorenie->currentIndex());
    return t;
}

// ---- the assigner look-up ---------------------------------------------------------------

void TForm_NewZada4a::showDropList(const QStringList &items, int height, bool focus)
{
    ListBox_SelectDostav4ik->clear();
    ListBox_SelectDostav4ik->addItems(items);
    const QPoint at = Edit_Vazlojitel->mapTo(this, QPoint(0, Edit_Vazlojitel->height()));
    ListBox_SelectDostav4ik->setGeometry(at.x(), at.y(), Edit_Vazlojitel->width(), height);
    if (ListBox_SelectDostav4ik->count() > 0)
        ListBox_SelectDostav4ik->setCurrentRow(0);
    ListBox_SelectDostav4ik->raise();
    ListBox_SelectDostav4ik->show();
    if (focus)
        ListBox_SelectDostav4ik->setFocus();
}

void TForm_NewZada4a::Edit_VazlojitelChange()
{
    if (m_suppressLookup)
        return;
    const QString text = Edit_Vazlojitel->text();
    if (text.isEmpty() || QStringLiteral(" +-!").contains(text.at(0)))
        return;
    QStringList items;
    try {
        items = TaskAssigner::byName(text);
    } catch (const DbError &) {
        ListBox_SelectDostav4ik->hide();
        return;
    }
    showDropList(items, 90, false);
}

bool TForm_NewZada4a::Edit_VazlojitelKeyDown(int key)
{
    bool used = false;
    switch (key) {
    case Qt::Key_Down:
        if (ListBox_SelectDostav4ik->isVisible()) {
            ListBox_SelectDostav4ik->setFocus();
            used = true;
        }
        break;
    case Qt::Key_Space:
        // The blank this key types must not start a name search: the full list stays.
        m_suppressLookup = true;
        try {
            showDropList(TaskAssigner::all(), 90, true);
        } catch (const DbError &) {
            Dialogs::message(QStringLiteral("Некоректни данни"), this);
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        GetDostav4ik(Edit_Vazlojitel->text());
        used = true;
        break;
    default:
        break;
    }
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter
        && key != Qt::Key_Backspace && key != Qt::Key_Delete)
        m_suppressLookup = false;
    return used;
}

void TForm_NewZada4a::GetDostav4ik(const QString &text)
{
    try {
        const std::optional<QStringList> found = TaskAssigner::byCode(text);
        if (!found)
            return;
        if (found->size() > 1) {
            showDropList(*found, 100, true);
            return;
        }
        ListBox_SelectDostav4ik->hide();
        Edit_Vazlojitel->setText(found->isEmpty() ? QString() : found->first());
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Некоректни данни"), this);
    }
}

void TForm_NewZada4a::pickFromDropList()
{
    if (QListWidgetItem *item = ListBox_SelectDostav4ik->currentItem())
        Edit_Vazlojitel->setText(item->text());
    else if (ListBox_SelectDostav4ik->count() == 0)
        return; // nothing to pick
    ListBox_SelectDostav4ik->hide();
    Edit_Vazlojitel->setFocus();
}

void TForm_NewZada4a::ListBox_SelectDostav4ikDblClick()
{
    pickFromDropList();
}

bool TForm_NewZada4a::ListBox_SelectDostav4ikKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pickFromDropList();
        return true;
    case Qt::Key_Escape:
        Edit_Vazlojitel->setFocus();
        ListBox_SelectDostav4ik->hide();
        return true;
    default:
        return false;
    }
}

void TForm_NewZada4a::ListBox_SelectDostav4ikExit()
{
    ListBox_SelectDostav4ik->hide();
}

bool TForm_NewZada4a::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == Edit_Vazlojitel)
            return Edit_VazlojitelKeyDown(key);
        if (watched == ListBox_SelectDostav4ik)
            return ListBox_SelectDostav4ikKeyDown(key);
    } else if (event->type() == QEvent::FocusOut && watched == ListBox_SelectDostav4ik) {
        ListBox_SelectDostav4ikExit();
    } else if (event->type() == QEvent::FocusOut && watched == Edit_Vazlojitel
               && QApplication::focusWidget() != ListBox_SelectDostav4ik) {
        // A name-search list left open would cover the controls below it.
        ListBox_SelectDostav4ik->hide();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_NewZada4a::Button1Click()
{
    // Only to enter a missing counterparty; nothing comes back into the editor.
    CounterpartyPickMode = -1;
    TForm_Kontrakents::N_KlientiClick(this);
}

// ---- repetition, checks and save ---------------------------------------------------------

void TForm_NewZada4a::ComboBox_PovtorenieChange()
{
    const QDateTime assigned(DateTimePicker_D_Vazlagane->date(), DateTimePicker_T_Vazlagane->time());
    const QDateTime due(DateTimePicker_D_Izpalnenie->date(), DateTimePicker_T_Izpalnenie->time());
    const QDateTime next = Tasks::dueMoment(ComboBox_Povtorenie->currentIndex(), assigned, due);
    DateTimePicker_D_Izpalnenie->setDate(next.date());
    DateTimePicker_T_Izpalnenie->setTime(next.time());
}

bool TForm_NewZada4a::save()
{
    const Tasks::Task task = currentTask();
    if (m_mode == ChangeTask) {
        try {
            if (!Tasks::update(task)) {
                Dialogs::message(QStringLiteral("Задачата не беше записана: вече не съществува."), this);
                return false;
            }
        } catch (const DbError &e) {
            Dialogs::message(QStringLiteral("Задачата не беше записана:\n") + e.message(), this);
            return false;
        }
        return true;
    }
    try {
        Tasks::insert(task);
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Невалидни данни"), this);
        return false;
    }
    return true;
}

void TForm_NewZada4a::BitBtn_OkClick()
{
    const Tasks::Task task = currentTask();
    switch (Tasks::checkMoments(task)) {
    case Tasks::MomentCheck::DueDateEarlier:
        DateTimePicker_D_Izpalnenie->setFocus();
        Dialogs::message(QString::fromUtf8(Tasks::DueDateEarlierMessage), this);
        break;
    case Tasks::MomentCheck::DueTimeEarlier:
        DateTimePicker_T_Izpalnenie->setFocus();
        Dialogs::message(QString::fromUtf8(Tasks::DueTimeEarlierMessage), this);
        break;
    case Tasks::MomentCheck::Ok:
        if (save()) {
            if (m_mode == NewTask)
                clearFields();
            QDialog::accept();
        }
        break;
    }
    Q_EMIT okHandled();
}

void TForm_NewZada4a::reject()
{
    clearFields();
    QDialog::reject();
}

void TForm_NewZada4a::BitBtn_CancelClick()
{
    reject();
}

// ---- the execution protocol ----------------------------------------------------------------

bool TForm_NewZada4a::Button2Click()
{
    const QString path = QDir(ProgramFolder::tempFolder()).filePath(QLatin1String(Tasks::ProtocolFile));
    ListExport file(path, QString());
    file.addLines(Tasks::protocolLines(currentTask(), Edit_Vazlojitel->text(),
                                       Settings::readString(Keys::Firm_Data_Name),
                                       Settings::readString(Keys::Firm_Data_Adress),
                                       QDateTime::currentDateTime()));
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return false;
    }
    SHELLEXECUTE_OPENFILE(path);
    return true;
}

void TForm_NewZada4a::SpdBtn_InsertToBEXClick()
{
    Dialogs::message(QStringLiteral("!!! РАЗРАБОТВА СЕ !!!"), this);
}
