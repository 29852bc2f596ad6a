#include "documents/form_generalform_dokumentaciq.h"

#include "documents/document_query.h"
#include "documents/form_nastrojki.h"
#include "documents/layout_report.h"
#include "documents/print_numbering.h"
#include "documents/layout_build.h"
#include "documents/layout_canvas.h"
#include "documents/layout_document.h"
#include "documents/layout_rich_text.h"
#include "documents/layout_save.h"
#include "documents/name_of_dokument.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"
#include "platform/report/report_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Layout;

TForm_GeneralForm_Dokumentaciq::TForm_GeneralForm_Dokumentaciq(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_GeneralForm_Dokumentaciq"));
    setWindowTitle(QStringLiteral("ДОКУМЕНТАЦИЯ"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    outer->setMenuBar(MainMenu1);
    QMenu *file = MainMenu1->addMenu(QStringLiteral("File"));
    QMenu *open = file->addMenu(QStringLiteral("Отвори"));
    auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N_Open_File = item(open, "N_Open_File", QStringLiteral("Файл"));
    N_otvori_gore = item(open, "N_otvori_gore", QStringLiteral("към текст отгоре"));
    N_otvori_otdolu = item(open, "N_otvori_otdolu", QStringLiteral("към текст отдолу"));
    N2 = item(file, "N2", QStringLiteral("Запази"));
    N_Pregled = item(file, "N_Pregled", QStringLiteral("Преглед"));
    N_Pe4at = item(file, "N_Pe4at", QStringLiteral("Печат"));
    // Printing is done from the preview.
    N_Pe4at->setEnabled(false);
    QMenu *add = MainMenu1->addMenu(QStringLiteral("Добави данни"));
    N_Etiket = item(add, "N_Etiket", QStringLiteral("Етикет"));
    N_Kartinka = item(add, "N_Kartinka", QStringLiteral("Картинка"));
    N_Etiket->setCheckable(true);
    N_Kartinka->setCheckable(true);
    N4 = MainMenu1->addAction(QStringLiteral("Изход"));
    N4->setObjectName(QStringLiteral("N4"));

    // The text toolbar has no effect.
    auto *tools = new QHBoxLayout;
    tools->setContentsMargins(4, 4, 4, 0);
    auto tool = [&](const char *name, const QString &text, const QString &hint) {
        auto *b = named(new QToolButton(this), name);
        b->setText(text);
        b->setToolTip(hint);
        tools->addWidget(b);
        return b;
    };
    ToolButton_Bold = tool("ToolButton_Bold", QStringLiteral("B"), QStringLiteral("Bold"));
    ToolButton_Italic = tool("ToolButton_Italic", QStringLiteral("I"), QStringLiteral("Italic"));
    ToolButton_Underline = tool("ToolButton_Underline", QStringLiteral("U"), QStringLiteral("Underline"));
    tool("ToolButton_Left", QStringLiteral("Л"), QStringLiteral("Ляво"));
    tool("ToolButton_Center", QStringLiteral("Ц"), QStringLiteral("Център"));
    tool("ToolButton_Right", QStringLiteral("Д"), QStringLiteral("Дясно"));
    ComboBox_WinFonts = named(new QComboBox(this), "ComboBox_WinFonts");
    ComboBox_WinFonts->addItems(QFontDatabase::families());
    ComboBox_WinFonts->setCurrentText(QStringLiteral("Arial"));
    // The tool row stays within a 1280-pixel screen whatever the font names
    // and document names: the combos elide what does not fit.
    ComboBox_WinFonts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox_WinFonts->setMinimumContentsLength(14);
    ComboBox_Size = named(new QComboBox(this), "ComboBox_Size");
    for (int s = 8; s <= 72; s += 2)
        ComboBox_Size->addItem(QString::number(s));
    ComboBox_Size->setCurrentText(QStringLiteral("10"));
    tools->addWidget(ComboBox_WinFonts);
    tools->addWidget(ComboBox_Size);
    tools->addSpacing(20);
    tools->addWidget(new QLabel(QStringLiteral("Документа ще се използва за: "), this));
    CheckBox_Magazin = named(new QCheckBox(QStringLiteral("МАГАЗИН"), this), "CheckBox_Magazin");
    CheckBox_Magazin->setChecked(true);
    CheckBox_Serviz = named(new QCheckBox(QStringLiteral("СЕРВИЗ"), this), "CheckBox_Serviz");
    CheckBox_Fisk_Centar = named(new QCheckBox(QStringLiteral("Фискален сервиз"), this), "CheckBox_Fisk_Centar");
    tools->addWidget(CheckBox_Magazin);
    tools->addWidget(CheckBox_Serviz);
    tools->addWidget(CheckBox_Fisk_Centar);
    tools->addSpacing(20);
    Label2 = named(new QLabel(QStringLiteral("ДОКУМЕНТИ"), this), "Label2");
    ComboBox_Dokumenti = named(new QComboBox(this), "ComboBox_Dokumenti");
    ComboBox_Dokumenti->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox_Dokumenti->setMinimumContentsLength(20);
    Label2->hide();
    ComboBox_Dokumenti->hide();
    tools->addWidget(Label2);
    tools->addWidget(ComboBox_Dokumenti);
    tools->addStretch();
    outer->addLayout(tools);

    ScrollBox1 = named(new QScrollArea(this), "ScrollBox1");
    QuickRep1 = new LayoutCanvas;
    ScrollBox1->setWidget(QuickRep1);
    ScrollBox1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    outer->addWidget(ScrollBox1, 1);

    m_saveDialog = new TName_Of_Dokument(this);

    connect(N_Open_File, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_Open_FileClick);
    connect(N_otvori_gore, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_otvori_goreClick);
    connect(N_otvori_otdolu, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_otvori_otdoluClick);
    connect(N2, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N2Click);
    connect(N_Etiket, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_EtiketClick);
    connect(N_Kartinka, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_KartinkaClick);
    connect(N_Pregled, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N_PregledClick);
    connect(N4, &QAction::triggered, this, &TForm_GeneralForm_Dokumentaciq::N4Click);
    // The user's choice only, not the filling of the list.
    connect(ComboBox_Dokumenti, &QComboBox::activated, this, &TForm_GeneralForm_Dokumentaciq::ComboBox_DokumentiChange);
    // A fiscal-service layout is laid out from the device query's fields too.
    connect(CheckBox_Fisk_Centar, &QCheckBox::toggled, this, [this](bool on) {
        if (m_editor)
            m_editor->fillFieldList(on);
    });
    resize(1000, 700);
    setWindowState(Qt::WindowMaximized);
}

TForm_GeneralForm_Dokumentaciq::~TForm_GeneralForm_Dokumentaciq() = default;

void TForm_GeneralForm_Dokumentaciq::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refresh();
}

void TForm_GeneralForm_Dokumentaciq::refresh()
{
    QuickRep1->refresh();
}

void TForm_GeneralForm_Dokumentaciq::CreateForm_Nastrojki()
{
    if (!m_editor) {
        m_editor = new TForm_Nastrojki(this);
        connect(m_editor, &TForm_Nastrojki::layoutChanged, this, &TForm_GeneralForm_Dokumentaciq::refresh);
    }
    m_editor->fillFieldList(CheckBox_Fisk_Centar->isChecked()); // before the size: the list sets the width
    m_editor->adjustSize();
    if (QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        // Below the designer's tool row, but never past the screen's foot:
        // "СЪЗДАЙ" and "ИЗТРИИ" stay on the screen (30 for the title bar).
        const int top = qMax(area.top(), qMin(area.top() + 35, area.bottom() - m_editor->height() - 30));
        m_editor->move(area.right() - (m_editor->width() + 10), top);
    }
    Document &d = current();
    d.headerHeight = m_editor->SpinEdit_GroupHeaderBand1_Height->value();
    d.detailHeight = m_editor->SpinEdit_QRSubDetail1_Height->value();
    d.footerHeight = m_editor->SpinEdit_GroupFooterBand1_Height->value();
    m_editor->show();
    refresh();
}

void TForm_GeneralForm_Dokumentaciq::openEditorPage(int page)
{
    N_Etiket->setChecked(page == 0);
    N_Kartinka->setChecked(page == 1);
    CreateForm_Nastrojki();
    m_editor->PageControl1->setCurrentIndex(page);
    m_editor->ComboBox_Sobstvenik_na_Obekt->setCurrentIndex(1);
    m_editor->ComboBox_Sobstvenik_na_ObektChange();
    if (page == 0)
        m_editor->setFocus();
}

void TForm_GeneralForm_Dokumentaciq::N_EtiketClick()
{
    openEditorPage(0);
}

void TForm_GeneralForm_Dokumentaciq::N_KartinkaClick()
{
    openEditorPage(1);
}

void TForm_GeneralForm_Dokumentaciq::N_Open_FileClick()
{
    ComboBox_Dokumenti->clear();
    try {
        for (const LayoutSave::Row &row : LayoutSave::documents())
            ComboBox_Dokumenti->addItem(row.opisanie);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът с документи не може да бъде прочетен:\n%1").arg(e.message()), this);
        return;
    }
    ComboBox_Dokumenti->setCurrentIndex(-1);
    ComboBox_Dokumenti->show();
    Label2->show();
}

void TForm_GeneralForm_Dokumentaciq::ComboBox_DokumentiChange(int index)
{
    const QString name = ComboBox_Dokumenti->itemText(index);
    if (name.isEmpty())
        return;
    // The editor is opened on the detail band before the build, as every build does.
    openEditorPage(0);
    // Reopening for editing asks no prompts.
    if (!LayoutBuild::build(name, DdsSplit(), false, this)) {
        refresh();
        return;
    }
    m_editor->reloadFromLayout();
    m_documentName = name;
    try {
        if (const auto row = LayoutSave::document(name)) {
            const LayoutSave::WhereUsed where = LayoutSave::whereUsedFrom(row->kadeSeIzpolzva);
            CheckBox_Magazin->setChecked(where.magazin);
            CheckBox_Serviz->setChecked(where.serviz);
            CheckBox_Fisk_Centar->setChecked(where.fiskCentar);
        }
    } catch (const DbError &) {
        // the boxes keep their state
    }
    refresh();
}

bool TForm_GeneralForm_Dokumentaciq::loadText(bool header)
{
    const QString path = Dialogs::openFile(QStringLiteral("Отвори"), QStringLiteral("Text (*.txt);;Word (*.rtf);;All Files (*)"),
                                           {}, this);
    if (path.isEmpty())
        return false;
    bool ok = false;
    const QString html = LayoutRichText::readFile(path, &ok);
    if (!ok) {
        Dialogs::message(QStringLiteral("Файлът не може да бъде прочетен:\n%1").arg(path), this);
        return false;
    }
    (header ? current().headerText : current().footerText) = html;
    refresh();
    return true;
}

void TForm_GeneralForm_Dokumentaciq::N_otvori_goreClick()
{
    loadText(true);
}

void TForm_GeneralForm_Dokumentaciq::N_otvori_otdoluClick()
{
    loadText(false);
}

void TForm_GeneralForm_Dokumentaciq::N2Click()
{
    m_saveDialog->where = {CheckBox_Magazin->isChecked(), CheckBox_Serviz->isChecked(),
                           CheckBox_Fisk_Centar->isChecked()};
    if (Dialogs::exec(m_saveDialog) == QDialog::Accepted)
        m_documentName = m_saveDialog->Edit_Name_Of_Dok->text();
}

void TForm_GeneralForm_Dokumentaciq::N4Click()
{
    if (m_editor)
        m_editor->close();
    reject();
}

void TForm_GeneralForm_Dokumentaciq::done(int result)
{
    // Closing ends the design: the layout and the editor go.
    if (m_editor) {
        m_editor->close();
        m_editor->deleteLater();
        m_editor = nullptr;
    }
    current().clear();
    m_documentName.clear();
    ComboBox_Dokumenti->clear();
    ComboBox_Dokumenti->hide();
    Label2->hide();
    N_Etiket->setChecked(false);
    N_Kartinka->setChecked(false);
    refresh();
    QDialog::done(result);
}

void TForm_GeneralForm_Dokumentaciq::N_PregledClick()
{
    const QString name = m_documentName;
    DocumentQuery::Context context = DocumentQuery::designerContext();
    context.documentName = name;
    Report::Model model = LayoutReport::model(current(), name);
    QString error;
    // A layout of the fiscal tab shows as that tab prints it: when that tab is
    // active, when it is the layout's only tab, or when the shop's or the
    // service's rules cannot read its fields.
    const bool fiscal = CheckBox_Fisk_Centar->isChecked();
    bool read = false;
    if (fiscal
        && (DocumentQuery::activeTab() == DocumentQuery::FiscalTab
            || !(CheckBox_Magazin->isChecked() || CheckBox_Serviz->isChecked()))) {
        read = DocumentQuery::fiscalPreviewData(&model.data, &error);
    } else {
        read = DocumentQuery::ADD_SQL_TO_QUERY_QUICKREPORT(current(), context, &model.data, &error);
        QString fiscalError;
        if (!read && fiscal && DocumentQuery::fiscalPreviewData(&model.data, &fiscalError))
            read = true;
    }
    if (!read) {
        Dialogs::message(error, this);
        return;
    }
    // The designer's preview never logs or numbers.
    PrintState &state = programPrintState();
    state.PrintCallerCode = CallerDesigner;
    state.CurrentDocumentName = name;
    PrintNumbering::attach(model, state, {});
    Report::preview(model, this);
}
