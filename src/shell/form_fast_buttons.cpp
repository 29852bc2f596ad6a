#include "shell/form_fast_buttons.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "platform/dialogs.h"
#include "app/app_state.h"
#include "shell/general_form.h"
#include "shell/operator_shortcuts.h"
#include "shell/rights.h"
#include "shell/shop_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QCoreApplication>
#include <QLabel>
#include <QTranslator>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// The key edit's prompt in Bulgarian (Qt writes it again whenever the edit is cleared).
class KeyEditPrompt : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "QKeySequenceEdit") == 0 && qstrcmp(source, "Press shortcut") == 0)
            return QStringLiteral("Натиснете клавиш");
        return {};
    }
};
} // namespace

TForm_Fast_Buttons::TForm_Fast_Buttons(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    static KeyEditPrompt *prompt = nullptr;
    if (!prompt) {
        prompt = new KeyEditPrompt(QCoreApplication::instance());
        QCoreApplication::installTranslator(prompt);
    }
    setObjectName(QStringLiteral("Form_Fast_Buttons"));
    setWindowTitle(QStringLiteral("Настройка на бързи бутони"));
    TreeView_Fast_Butons = new QTreeWidget(this);
    TreeView_Fast_Butons->setObjectName(QStringLiteral("TreeView_Fast_Butons"));
    TreeView_Fast_Butons->setHeaderHidden(true);
    HotKey1 = new QKeySequenceEdit(this);
    HotKey1->setObjectName(QStringLiteral("HotKey1"));
    BitBtn_Zapis = new QPushButton(QStringLiteral("ЗАПИС"), this);
    BitBtn_Zapis->setObjectName(QStringLiteral("BitBtn_Zapis"));
    BitBtn_Otkaz = new QPushButton(QStringLiteral("ОТКАЗ"), this);
    BitBtn_Otkaz->setObjectName(QStringLiteral("BitBtn_Otkaz"));
    BitBtn_Prilogi = new QPushButton(QStringLiteral("ПРИЛОЖИ"), this);
    BitBtn_Prilogi->setObjectName(QStringLiteral("BitBtn_Prilogi"));
    BitBtn_Prilogi->setDefault(true);

    auto *key = new QHBoxLayout;
    key->addWidget(new QLabel(QStringLiteral("Бърз бутон"), this));
    key->addWidget(HotKey1, 1);
    key->addWidget(BitBtn_Prilogi);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_Zapis);
    buttons->addWidget(BitBtn_Otkaz);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(TreeView_Fast_Butons, 1);
    layout->addLayout(key);
    layout->addLayout(buttons);
    resize(440, 560);

    connect(TreeView_Fast_Butons, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { TreeView_Fast_ButonsChange(item); });
    // One key per item: a second key typed into the edit replaces the first.
    connect(HotKey1, &QKeySequenceEdit::editingFinished, this, [this] {
        const QKeySequence s = HotKey1->keySequence();
        if (s.count() > 1)
            HotKey1->setKeySequence(QKeySequence(s[s.count() - 1]));
    });
    connect(BitBtn_Prilogi, &QPushButton::clicked, this, &TForm_Fast_Buttons::BitBtn_PrilogiClick);
    connect(BitBtn_Zapis, &QPushButton::clicked, this, &TForm_Fast_Buttons::BitBtn_ZapisClick);
    connect(BitBtn_Otkaz, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Fast_Buttons::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm_Fast_Buttons::FormShow()
{
    if (!General_Form)
        return;
    m_nodes = Rights::buildTree(TreeView_Fast_Butons, General_Form->menu());
    TreeView_Fast_Butons->expandAll();
    if (!m_nodes.isEmpty())
        TreeView_Fast_Butons->setCurrentItem(m_nodes.first());
}

int TForm_Fast_Buttons::selectedNode() const
{
    const QTreeWidgetItem *item = TreeView_Fast_Butons->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : 0;
}

void TForm_Fast_Buttons::TreeView_Fast_ButonsChange(QTreeWidgetItem *item)
{
    const int n = item ? item->data(0, Qt::UserRole).toInt() : 0;
    if (n > 0 && General_Form)
        HotKey1->setKeySequence(General_Form->menu().node(n).action->shortcut());
    else
        HotKey1->clear();
}

void TForm_Fast_Buttons::BitBtn_PrilogiClick()
{
    const int n = selectedNode();
    if (n <= 0 || !General_Form)
        return;
    MainMenuActions &menu = General_Form->menu();
    const QKeySequence typed = HotKey1->keySequence();
    const QKeySequence key = typed.isEmpty() ? QKeySequence() : QKeySequence(typed[0]);
    const int other = menu.nodeWithShortcut(key, n);
    if (other > 0) {
        Dialogs::message(QStringLiteral("Бързият бутон ") + key.toString(QKeySequence::NativeText)
                             + QStringLiteral(" вече е зададен на \"")
                             + QString::fromUtf8(menu.node(other).def->caption).trimmed()
                             + QStringLiteral("\".\nИзберете друг бутон или първо освободете този."),
                         this);
        return;
    }
    menu.node(n).action->setShortcut(key);
}

void TForm_Fast_Buttons::BitBtn_ZapisClick()
{
    if (!General_Form)
        return;
    IniFile ini(Settings::filePath());
    OperatorShortcuts::save(ini, AppState::instance().currentOperator(), General_Form->menu());
    QString error;
    if (!ini.save(&error)) {
        Dialogs::message(QStringLiteral("Бързите бутони не бяха записани:\n") + error, this);
        return;
    }
    General_Form->TabSheet_Magazin->rebuildCaptions(General_Form->menu(), true);
    accept();
}
