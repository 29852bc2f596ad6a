#include "app/form_print_vid_fail.h"

#include "app/export_kinds.h"
#include "platform/dialogs.h"
#include "app/window_owner.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

QPointer<TForm_Print_Vid_Fail> Form_Print_Vid_Fail;

TForm_Print_Vid_Fail *exportChooser()
{
    if (!Form_Print_Vid_Fail)
        Form_Print_Vid_Fail = new TForm_Print_Vid_Fail(WindowOwner::mainWindow());
    return Form_Print_Vid_Fail;
}

void showExportChooser()
{
    Dialogs::exec(exportChooser());
}

TForm_Print_Vid_Fail::TForm_Print_Vid_Fail(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form_Print_Vid_Fail"));
    setWindowTitle(QStringLiteral("Вид на файла"));

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(2);

    RadioGroup_Select_Print_Into = new QGroupBox(frame);
    RadioGroup_Select_Print_Into->setObjectName(QStringLiteral("RadioGroup_Select_Print_Into"));
    m_group = new QButtonGroup(this);
    auto *grid = new QGridLayout(RadioGroup_Select_Print_Into);
    const QList<ExportKind> &kinds = ExportKinds::all();
    const int perColumn = int(kinds.size() + 1) / 2;
    for (int i = 0; i < kinds.size(); ++i) {
        auto *b = new QRadioButton(QString::fromUtf8(kinds.at(i).caption), RadioGroup_Select_Print_Into);
        b->setObjectName(QStringLiteral("RadioGroup_Select_Print_Into_%1").arg(i));
        m_group->addButton(b, i);
        grid->addWidget(b, i % perColumn, i / perColumn);
        items.append(b);
    }
    items.first()->setChecked(true);

    Button_Priemi = new QPushButton(QStringLiteral("ПРИЕМИ"), frame);
    Button_Priemi->setObjectName(QStringLiteral("Button_Priemi"));
    Button_Priemi->setDefault(true);
    Button_Priemi->setAutoDefault(true);
    Button_Cancel = new QPushButton(QStringLiteral("ОТКАЖИ"), frame);
    Button_Cancel->setObjectName(QStringLiteral("Button_Cancel"));
    Button_Cancel->setVisible(false);

    auto *panel = new QHBoxLayout;
    panel->addStretch();
    panel->addWidget(Button_Priemi);
    panel->addWidget(Button_Cancel);
    panel->addStretch();
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(RadioGroup_Select_Print_Into, 1);
    inner->addLayout(panel);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    resize(284, 112);

    connect(Button_Priemi, &QPushButton::clicked, this, &TForm_Print_Vid_Fail::Button_PriemiClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm_Print_Vid_Fail::Button_CancelClick);
}

int TForm_Print_Vid_Fail::itemIndex() const
{
    return m_group->checkedId();
}

void TForm_Print_Vid_Fail::setItemIndex(int index)
{
    if (index >= 0 && index < items.size()) {
        items.at(index)->setChecked(true);
        return;
    }
    m_group->setExclusive(false);
    for (QRadioButton *b : items)
        b->setChecked(false);
    m_group->setExclusive(true);
}

void TForm_Print_Vid_Fail::showEvent(QShowEvent *event)
{
    // The group shows the kind in force, also after a showing closed
    // without "ПРИЕМИ".
    const int current = ExportKinds::currentIndex();
    if (current >= 0)
        setItemIndex(current);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Button_Priemi->setFocus();
    QDialog::showEvent(event);
}

void TForm_Print_Vid_Fail::Button_PriemiClick()
{
    ExportKinds::apply(itemIndex()); // no item chosen: the values stay
    accept();
}

void TForm_Print_Vid_Fail::Button_CancelClick()
{
    reject();
}
