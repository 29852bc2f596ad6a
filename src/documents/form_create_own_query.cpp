#include "documents/form_create_own_query.h"

#include "app/app_state.h"
#include "app/data_module.h"
#include "app/form_get_kol.h"
#include "app/form_koloni.h"
#include "app/form_print_vid_fail.h"
#include "app/help_actions.h"
#include "app/list_export.h"
#include "common/money.h"
#include "documents/own_queries.h"
#include "platform/dialogs.h"
#include "platform/grid_selection.h"
#include "platform/named.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTextOption>
#include <QVBoxLayout>

namespace {
QPointer<TForm_Create_Own_Query> g_form;
} // namespace

TForm_Create_Own_Query::TForm_Create_Own_Query(QWidget *parent)
    : QDialog(parent)
    , m_result(new OwnQueryModel(this))
    , m_run(new TypedQueryRun(this))
{
    setObjectName(QStringLiteral("Form_Create_Own_Query"));
    setWindowTitle(QStringLiteral("Създай собствени справки"));
    ComboBox_SQLs = named(new QComboBox(this), "ComboBox_SQLs");
    ComboBox_SQLs->setMinimumWidth(300);
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Wrapping at word boundaries lays out a long line without blanks (a
    // pasted query of a megabyte) in time that grows with its square.
    Memo1->setWordWrapMode(QTextOption::WrapAnywhere);
    Button_Create = namedButton(QStringLiteral("Button_Create"), QStringLiteral("Генерирай"), this);
    Button_Print = namedButton(QStringLiteral("Button_Print"), QStringLiteral("Печат"), this);
    Button_Save = namedButton(QStringLiteral("Button_Save"), QStringLiteral("Запис"), this);
    Edit_Result = namedEdit(QStringLiteral("Edit_Result"), this);
    Edit_Result->setReadOnly(true);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_result);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems); // the current column matters
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    N1 = named(PopupMenu1->addMenu(QStringLiteral("Изчисли")), "N1");
    N3 = named(N1->addAction(QStringLiteral("Обща сума")), "N3");
    N4 = named(N1->addAction(QStringLiteral("Средна стойност")), "N4");
    N2 = named(PopupMenu1->addAction(QStringLiteral("Настройка колони ...")), "N2");
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex at = DBGrid1->indexAt(pos);
        if (at.isValid())
            DBGrid1->setCurrentIndex(at);
        PopupMenu1Popup();
        PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos));
    });
    connect(N3, &QAction::triggered, this, &TForm_Create_Own_Query::N3Click);
    connect(N4, &QAction::triggered, this, &TForm_Create_Own_Query::N4Click);
    connect(N2, &QAction::triggered, this, [this] { Nastr_Koloni_Grid(DBGrid1); });

    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Избери справка"), this), 0, 0);
    top->addWidget(ComboBox_SQLs, 0, 1);
    top->addWidget(Memo1, 1, 0, 1, 3);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Button_Create);
    buttons->addWidget(Button_Print);
    buttons->addWidget(Button_Save);
    buttons->addStretch();
    buttons->addWidget(new QLabel(QStringLiteral("Резултат от изчисления"), this));
    buttons->addWidget(Edit_Result);
    top->addLayout(buttons, 1, 3);
    top->setColumnStretch(2, 1);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(top);
    frame->addWidget(DBGrid1, 1);
    resize(900, 640);

    connect(ComboBox_SQLs, &QComboBox::activated, this, &TForm_Create_Own_Query::ComboBox_SQLsClick);
    connect(Button_Create, &QPushButton::clicked, this, &TForm_Create_Own_Query::Button_CreateClick);
    connect(Button_Save, &QPushButton::clicked, this, &TForm_Create_Own_Query::Button_SaveClick);
    connect(Button_Print, &QPushButton::clicked, this, &TForm_Create_Own_Query::Button_PrintClick);
    connect(m_run, &TypedQueryRun::finished, this, &TForm_Create_Own_Query::queryFinished);
    // Rows of another database are not shown once the program switched.
    if (DataModule1)
        connect(DataModule1, &TDataModule1::databaseChanged, this, [this] {
            stopQuery();
            m_result->clear();
        });
}

void TForm_Create_Own_Query::open(QWidget *owner, bool design)
{
    if (!g_form)
        g_form = new TForm_Create_Own_Query(owner);
    g_form->setDesignMode(design);
    Dialogs::exec(g_form);
}

void TForm_Create_Own_Query::setDesignMode(bool design)
{
    m_design = design;
    Memo1->setEnabled(design);
    Button_Save->setVisible(design);
}

void TForm_Create_Own_Query::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm_Create_Own_Query::FormShow()
{
    Memo1->clear();
    ComboBox_SQLs->clear();
    for (const OwnQueries::Stored &q : OwnQueries::list())
        ComboBox_SQLs->addItem(q.item(), q.number);
    ComboBox_SQLs->setCurrentIndex(-1);
}

void TForm_Create_Own_Query::ComboBox_SQLsClick()
{
    Memo1->clear();
    const long long n = ComboBox_SQLs->currentText().section(QLatin1Char(':'), 0, 0).toLongLong();
    if (n > 0)
        Memo1->setPlainText(OwnQueries::text(n));
}

void TForm_Create_Own_Query::Button_CreateClick()
{
    if (m_run->running())
        return;
    m_result->clear();
    setRunning(true);
    m_run->start(Memo1->toPlainText(), OwnQueries::limits());
}

bool TForm_Create_Own_Query::queryRunning() const
{
    return m_run->running();
}

void TForm_Create_Own_Query::setRunning(bool running)
{
    Button_Create->setEnabled(!running);
    Button_Save->setEnabled(!running);
    Button_Print->setEnabled(!running);
    if (running)
        HelpActions::Action_SearchExecute();
    else
        HelpActions::Action_Stop_SearchExecute();
}

void TForm_Create_Own_Query::queryFinished(const TypedQuery::Result &result)
{
    setRunning(false);
    if (result.outcome != TypedQuery::Outcome::Done) {
        Dialogs::message(result.message, this);
        return;
    }
    m_result->setResult(result);
    if (result.truncated)
        Dialogs::message(result.message, this);
}

void TForm_Create_Own_Query::stopQuery()
{
    if (!m_run->running())
        return;
    m_run->stop();
    setRunning(false);
}

void TForm_Create_Own_Query::done(int result)
{
    stopQuery();
    QDialog::done(result);
}

void TForm_Create_Own_Query::Button_SaveClick()
{
    // Only a statement that would run is stored.
    const QString refused = OwnQueries::check(Memo1->toPlainText());
    if (!refused.isEmpty()) {
        Dialogs::message(refused, this);
        return;
    }
    PromptMode = 4;
    TForm_Get_Kol *prompt = promptDialog();
    prompt->Edit_Kol->clear();
    if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
        return;
    const QString name = prompt->Edit_Kol->text().trimmed();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("Въведете име на справката."), this);
        return;
    }
    QString error;
    const long long n = OwnQueries::save(Memo1->toPlainText(), name, &error);
    if (n == 0) {
        Dialogs::message(QStringLiteral("Справката не беше записана:\n") + error, this);
        return;
    }
    ComboBox_SQLs->addItem(OwnQueries::Stored{n, name}.item(), n);
    ComboBox_SQLs->setCurrentIndex(ComboBox_SQLs->count() - 1);
}

void TForm_Create_Own_Query::Button_PrintClick()
{
    showExportChooser();
    ListExport file(QStringLiteral("Own_Query"));
    file.addLine(QStringLiteral("СОБСТВЕНИ СПРАВКИ"));
    file.addLine(QStringLiteral("Дата: ") + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    file.addLine(QStringLiteral("Оператор: ") + AppState::instance().currentOperator());
    file.addLine(QStringLiteral("Тип на справката: ") + ComboBox_SQLs->currentText().toUpper());
    file.addLine();
    file.PRINT_INTO(DBGrid1);
    file.addLine();
    file.addLine(ReportFooter);
    if (!file.finish()) {
        Dialogs::message(file.failureMessage(), this);
        return;
    }
    SHELLEXECUTE_OPENFILE(file.filePath());
}

void TForm_Create_Own_Query::PopupMenu1Popup()
{
    N1->menuAction()->setVisible(m_result->isFloatColumn(DBGrid1->currentIndex().column()));
}

void TForm_Create_Own_Query::N3Click()
{
    Edit_Result->setText(Money::formatWidth(m_result->sum(DBGrid1->currentIndex().column()), 4, PriceDecimals));
}

void TForm_Create_Own_Query::N4Click()
{
    Edit_Result->setText(Money::formatWidth(m_result->average(DBGrid1->currentIndex().column()), 4, PriceDecimals));
}
