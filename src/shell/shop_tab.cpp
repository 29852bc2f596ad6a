#include "shell/shop_tab.h"

#include "common/money.h"
#include "platform/dialogs.h"
#include "app/action_button.h"
#include "shell/main_menu.h"
#include "shell/operator_shortcuts.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include "platform/named.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>


ShopTab::ShopTab(QWidget *parent)
    : ModeTab(QStringLiteral("TabSheet_Magazin"), QStringLiteral("МАГАЗИН"), parent)
{
    Label_Izbor_Kontragent = named(new QLabel(QStringLiteral("Клиент:"), this), "Label_Izbor_Kontragent");
    Label_Selected_Kontragent = named(new QLineEdit(QString::fromUtf8(NoCounterparty), this),
                                      "Label_Selected_Kontragent");
    Panel_Smetki = named(new QWidget(this), "Panel_Smetki");
    ComboBox_Smetka = named(new QComboBox(Panel_Smetki), "ComboBox_Smetka");
    ComboBox_Smetka->setMinimumContentsLength(4);
    auto *bills = new QHBoxLayout(Panel_Smetki);
    bills->setContentsMargins(0, 0, 0, 0);
    bills->addWidget(new QLabel(QStringLiteral("Отворени сметки"), Panel_Smetki));
    bills->addWidget(ComboBox_Smetka);
    Panel_Smetki->hide(); // shown while more than one bill is open

    auto *top = new QHBoxLayout;
    top->addWidget(Label_Izbor_Kontragent);
    top->addWidget(Label_Selected_Kontragent, 1);
    top->addSpacing(12);
    top->addWidget(Panel_Smetki);

    DeskArea = named(new QWidget(this), "DeskArea");
    DeskAreaLayout = new QVBoxLayout(DeskArea);
    DeskAreaLayout->setContentsMargins(0, 0, 0, 0);

    Edit_Broj = named(new QLineEdit(QStringLiteral("1"), this), "Edit_Broj");
    Edit_Broj->setAlignment(Qt::AlignRight);
    Button_Insert_in_List = named(new QPushButton(this), "Button_Insert_in_List");
    Button_Prodajba = named(new QPushButton(this), "Button_Prodajba");
    Button_Otkaz = named(new QPushButton(this), "Button_Otkaz");
    Button_Select_all = named(new QPushButton(this), "Button_Select_all");
    Button_TO = named(new QPushButton(this), "Button_TO");
    Button_Refresh = named(new QPushButton(this), "Button_Refresh");
    Button_Pe4at_Dokumenti = named(new QPushButton(QStringLiteral("Печат документи"), this),
                                   "Button_Pe4at_Dokumenti");
    SpdBtn_Kasa = named(new QToolButton(this), "SpdBtn_Kasa");
    SpdBtn_Kasa->setText(QStringLiteral("КАСА"));
    SpdBtn_Kasa->setToolTip(QStringLiteral("Паричен калкулатор"));
    SpdBtn_Kasa->setCheckable(true);
    SpdBtn_Kasa->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto *side = new QVBoxLayout;
    auto *qty = new QHBoxLayout;
    qty->addWidget(new QLabel(QStringLiteral("Количество:"), this));
    qty->addWidget(Edit_Broj);
    side->addLayout(qty);
    for (QWidget *w : {static_cast<QWidget *>(Button_Insert_in_List), static_cast<QWidget *>(Button_Prodajba),
                       static_cast<QWidget *>(Button_Otkaz), static_cast<QWidget *>(Button_Select_all),
                       static_cast<QWidget *>(Button_TO), static_cast<QWidget *>(Button_Refresh),
                       static_cast<QWidget *>(Button_Pe4at_Dokumenti), static_cast<QWidget *>(SpdBtn_Kasa)})
        side->addWidget(w);
    side->addStretch();

    auto *body = new QHBoxLayout;
    body->addWidget(DeskArea, 1);
    body->addLayout(side);
    content()->addLayout(top);
    content()->addLayout(body, 1);

    connect(Edit_Broj, &QLineEdit::textEdited, this, &ShopTab::Edit_BrojChange);
}

void ShopTab::bindActions(const MainMenuActions &menu)
{
    const std::pair<QAbstractButton *, const char *> pairs[] = {
        {Button_Insert_in_List, "Enter1"}, {Button_Prodajba, "N_Prodajba"},
        {Button_Otkaz, "N_Cancel_Prodajba"}, {Button_Select_all, "N_Select_All"},
        {Button_TO, "N_Ob6ta_TO"},          {Button_Refresh, "N_Refresh"},
        {SpdBtn_Kasa, "N_Kasa"},
    };
    for (const auto &[button, item] : pairs)
        if (QAction *a = menu.action(QString::fromLatin1(item)))
            bindButtonToAction(button, a);
    // The print button prints (the item shows the lists): it takes only the item's enabled state.
    if (QAction *a = menu.action(QStringLiteral("N_Dokumenti"))) {
        Button_Pe4at_Dokumenti->setEnabled(a->isEnabled());
        connect(a, &QAction::changed, Button_Pe4at_Dokumenti, [a, this] { Button_Pe4at_Dokumenti->setEnabled(a->isEnabled()); });
    }
    rebuildCaptions(menu);
}

void ShopTab::rebuildCaptions(const MainMenuActions &menu, bool fromShortcutsWindow)
{
    auto key = [&menu](const char *item) { return OperatorShortcuts::text(menu, QString::fromLatin1(item)); };
    Button_Insert_in_List->setText(QStringLiteral("Добави в списък")
                                   + QString(fromShortcutsWindow ? 3 : 8, QLatin1Char(' ')) + key("Enter1"));
    Button_Prodajba->setText(QStringLiteral("Продажба     ") + key("N_Prodajba"));
    Button_Otkaz->setText(QStringLiteral("Откажи          ") + key("N_Cancel_Prodajba"));
    Button_Select_all->setText(QStringLiteral("Избери всичко    ") + key("N_Select_All"));
    Button_TO->setText(QStringLiteral("Свободна отстъпка   ") + key("N_Ob6ta_TO"));
    Button_Refresh->setText(QStringLiteral("Обнови   ") + key("N_Refresh"));
}

void ShopTab::Edit_BrojChange()
{
    double value = 0;
    if (Numbers::parse(Edit_Broj->text(), &value) && value < 0) {
        Dialogs::message(QStringLiteral("Не се допускат отрицателни количества"), this);
        Edit_Broj->setText(QStringLiteral("1"));
    }
}
