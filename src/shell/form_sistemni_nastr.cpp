#include "shell/form_sistemni_nastr.h"

#include "common/fiscal_device_types.h"
#include "common/ini_file.h"
#include "common/money.h"
#include "common/settings.h"
#include "platform/autostart.h"
#include "platform/dialogs.h"
#include "app/app_state.h"
#include "app/record_ops.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include "platform/named.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QCheckBox *check(QWidget *parent, const char *name, const char *text)
{
    return named(new QCheckBox(QString::fromUtf8(text), parent), name);
}

QLineEdit *edit(QWidget *parent, const char *name)
{
    return named(new QLineEdit(parent), name);
}

QSpinBox *spin(QWidget *parent, const char *name, int min, int max, int value)
{
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

// A check box with a spin edit after it on one line.
QHBoxLayout *row(QWidget *first, QWidget *second, QWidget *third = nullptr)
{
    auto *l = new QHBoxLayout;
    l->addWidget(first);
    l->addWidget(second);
    if (third)
        l->addWidget(third);
    l->addStretch();
    return l;
}

const QStringList kReceiptKinds = {QStringLiteral("НЕ СЕ РАЗПЕЧАТВА"), QStringLiteral("СЛУЖЕБЕН"),
                                   QStringLiteral("ФИСКАЛЕН")};
} // namespace

TForm_Sistemni_Nastr::TForm_Sistemni_Nastr(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form_Sistemni_Nastr"));
    setWindowTitle(QStringLiteral("Системни настройки"));

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    PageControl1->addTab(buildGeneralTab(), QStringLiteral("Общи"));
    PageControl1->addTab(buildFiscalTab(), QStringLiteral("Фискални"));
    PageControl1->addTab(buildFirmTab(), QStringLiteral("Данни за фирмата"));
    PageControl1->addTab(buildFiscalServiceTab(), QStringLiteral("Фискален сервиз"));

    Button_Save = named(new QPushButton(QStringLiteral("Запис"), this), "Button_Save");
    Button_Save->setDefault(true);
    Button_Cancel = named(new QPushButton(QStringLiteral("Отказ"), this), "Button_Cancel");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button_Save);
    buttons->addWidget(Button_Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    // Handlers follow the user's clicks only: filling the controls in code
    // never fires them, so loading switches nothing on.
    connect(Button_Save, &QPushButton::clicked, this, [this] { Button_SaveClick(); });
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ChkBox_Kasa_Name, &QCheckBox::clicked, this, &TForm_Sistemni_Nastr::ChkBox_Kasa_NameClick);
    connect(ChkBox_Etiket_Name, &QCheckBox::clicked, this,
            &TForm_Sistemni_Nastr::ChkBox_Etiket_NameClick);
    connect(CheckBox_Dog_plus_Data, &QCheckBox::clicked, this,
            &TForm_Sistemni_Nastr::CheckBox_Dog_plus_DataClick);
    connect(CheckBox_Dog_Data_Por_N_den, &QCheckBox::clicked, this,
            &TForm_Sistemni_Nastr::CheckBox_Dog_Data_Por_N_denClick);
    connect(CheckBox_Set_As_POS, &QCheckBox::clicked, this,
            &TForm_Sistemni_Nastr::CheckBox_Set_As_POSClick);
    connect(CheckBox_Start_with_Windows, &QCheckBox::clicked, this,
            &TForm_Sistemni_Nastr::CheckBox_Start_with_WindowsClick);
    connect(ComboBox_FB, &QComboBox::activated, this, &TForm_Sistemni_Nastr::ComboBox_FBChange);

    FormShow();
}

void TForm_Sistemni_Nastr::open(QWidget *parent)
{
    TForm_Sistemni_Nastr form(parent);
    Dialogs::exec(&form);
}

QWidget *TForm_Sistemni_Nastr::buildGeneralTab()
{
    auto *page = new QWidget;
    ChkBox_Otorization = check(page, "ChkBox_Otorization", "Изисква оторизация след продажба");
    ChkBox_End_Oder_Operators = check(page, "ChkBox_End_Oder_Operators",
                                      "Операторът може да приключва сметки на други оператори");
    ChkBox_Seek_Trajnost = check(page, "ChkBox_Seek_Trajnost", "Предупреди за стоки с изтичаща трайност ");
    SpinEdit2 = spin(page, "SpinEdit2", 0, 1000, 0);
    ComboBox1 = named(new QComboBox(page), "ComboBox1");
    ComboBox1->addItems({QStringLiteral("часа"), QStringLiteral("дни"), QStringLiteral("месеци"),
                         QStringLiteral("години")});
    ChkBox_Add_Min_Kol = check(page, "ChkBox_Add_Min_Kol",
                               "Автоматично изготвяне на заявки при продажба под минималното количество");
    ChkBox_Calculate_Minus_Dostavka = check(page, "ChkBox_Calculate_Minus_Dostavka",
                                            "При Доставка изчисли загуба от застояла стока");
    ChkBox_forbid_Konsignation = check(page, "ChkBox_forbid_Konsignation",
                                       "Забрана за консигнация/кредит на клиент с неплатени вноски");
    ChkBox_Seek_NotPayed_Klients = check(page, "ChkBox_Seek_NotPayed_Klients",
                                         "Следи за закъснели с вноските клиенти");
    ChkBox_Seek_Prodajba_NotPayed_Klients = check(page, "ChkBox_Seek_Prodajba_NotPayed_Klients",
                                                  "Следи за продажба на клиенти неплатили вноски");
    ChkBox_Kasa_Name = check(page, "ChkBox_Kasa_Name", "Фиксирана дължина на касово име до ");
    SpinEdit_Kasa_Name = spin(page, "SpinEdit_Kasa_Name", 1, 100, 20);
    ChkBox_Etiket_Name = check(page, "ChkBox_Etiket_Name", "Фиксирана дължина на етикетно име до");
    SpinEdit_Etiket_Name = spin(page, "SpinEdit_Etiket_Name", 1, 100, 20);
    ChkBox_Update_By_Import = check(page, "ChkBox_Update_By_Import", "Замени старите данни при Импорт");
    CheckBox_ShutDown = check(page, "CheckBox_ShutDown", "Изключи компютъра при изход");
    CheckBox_Set_Trajnost = check(page, "CheckBox_Set_Trajnost",
                                  "При продажба въвеждай стойност на Трайност за гаранционни продукти ");
    CheckBox_Set_As_POS = check(page, "CheckBox_Set_As_POS", "Използвай като пос устройство");
    CheckBox_Start_with_Windows = check(page, "CheckBox_Start_with_Windows",
                                        "Стартирай програмата при старт на Windows");
    CheckBox_Show_Valutes = check(page, "CheckBox_Show_Valutes", "Показвай курсовете на валутите на екран");
    CheckBox_Video_Help = check(page, "CheckBox_Video_Help", "Активна видео помощ");
    CheckBox_Video_Help->setVisible(false);
    ChkBox_ShowProjzvodstvo_elements = check(page, "ChkBox_ShowProjzvodstvo_elements",
                                             "Показвай елементите от Пройзводство");
    CheckBox1 = check(page, "CheckBox1", "Редакция на Рецепта,Разпад и Пройзводство при продажба");
    CheckBox3 = check(page, "CheckBox3", "При доставка генерирай  разпад");
    SpEdit_Zakraglenie = spin(page, "SpEdit_Zakraglenie", 1, 8, 2);
    SpinEdit_Term_N = spin(page, "SpinEdit_Term_N", 1, 10, 1);

    auto *sales = new QGroupBox(QStringLiteral("Продажби и доставки"), page);
    auto *s = new QVBoxLayout(sales);
    s->addWidget(ChkBox_Otorization);
    s->addWidget(ChkBox_End_Oder_Operators);
    s->addLayout(row(ChkBox_Seek_Trajnost, SpinEdit2, ComboBox1));
    s->addWidget(ChkBox_Add_Min_Kol);
    s->addWidget(ChkBox_Calculate_Minus_Dostavka);
    s->addWidget(ChkBox_forbid_Konsignation);
    s->addWidget(ChkBox_Seek_NotPayed_Klients);
    s->addWidget(ChkBox_Seek_Prodajba_NotPayed_Klients);
    s->addWidget(CheckBox_Set_Trajnost);
    s->addWidget(ChkBox_ShowProjzvodstvo_elements);
    s->addWidget(CheckBox1);
    s->addWidget(CheckBox3);

    auto *articles = new QGroupBox(QStringLiteral("Артикули и импорт"), page);
    auto *a = new QVBoxLayout(articles);
    a->addLayout(row(ChkBox_Kasa_Name, SpinEdit_Kasa_Name));
    a->addLayout(row(ChkBox_Etiket_Name, SpinEdit_Etiket_Name));
    a->addWidget(ChkBox_Update_By_Import);

    auto *station = new QGroupBox(QStringLiteral("Работно място"), page);
    auto *w = new QVBoxLayout(station);
    w->addWidget(CheckBox_Set_As_POS);
    w->addWidget(CheckBox_ShutDown);
    w->addWidget(CheckBox_Start_with_Windows);
    w->addWidget(CheckBox_Show_Valutes);
    w->addWidget(CheckBox_Video_Help);
    w->addLayout(row(new QLabel(QStringLiteral("Закръгли до "), page), SpEdit_Zakraglenie,
                     new QLabel(QStringLiteral("знак след запетаята"), page)));
    w->addLayout(row(new QLabel(QStringLiteral("Терминал N:"), page), SpinEdit_Term_N));

    auto *lower = new QHBoxLayout;
    lower->addWidget(articles, 0, Qt::AlignTop);
    lower->addWidget(station, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(sales);
    layout->addLayout(lower);
    layout->addStretch();
    return page;
}

QWidget *TForm_Sistemni_Nastr::buildFiscalTab()
{
    auto *page = new QWidget;
    ComboBox_FB = named(new QComboBox(page), "ComboBox_FB");
    ComboBox_FB->addItems(kReceiptKinds);
    ComboBox_Vid_FU = named(new QComboBox(page), "ComboBox_Vid_FU");
    ComboBox_Vid_FU->addItems(FiscalDeviceTypes::all());
    Edit_Path_Temp_Bon = edit(page, "Edit_Path_Temp_Bon");
    Button_Select_Dir = named(new QPushButton(QStringLiteral("Избери директория"), page), "Button_Select_Dir");
    Button_Select_Dir->setVisible(false);
    ChkBox_Count_Copia_Bon = check(page, "ChkBox_Count_Copia_Bon", "Брой копия на разпечатваният бон");
    ChkBox_Count_Copia_Bon->setVisible(false);
    SpinEdit_Copia_Fisk_Bon = spin(page, "SpinEdit_Copia_Fisk_Bon", 0, 10, 0);
    SpinEdit_Copia_Fisk_Bon->setVisible(false);
    ChkBox_Print_Prigotvqse_Bon = check(page, "ChkBox_Print_Prigotvqse_Bon",
                                        "Печат на бележка за всеки отдел за приготвяне");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Разпечатваният бон при продажба е :"), ComboBox_FB);
    form->addRow(QStringLiteral("Тип на фискално устройство"), ComboBox_Vid_FU);
    auto *path = new QHBoxLayout;
    path->addWidget(Edit_Path_Temp_Bon, 1);
    path->addWidget(Button_Select_Dir);
    form->addRow(QStringLiteral("Път към фискален бон"), path);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(row(ChkBox_Count_Copia_Bon, SpinEdit_Copia_Fisk_Bon));
    layout->addWidget(ChkBox_Print_Prigotvqse_Bon);
    layout->addStretch();
    return page;
}

QWidget *TForm_Sistemni_Nastr::buildFirmTab()
{
    auto *page = new QWidget;
    Edit_Firm_Name = edit(page, "Edit_Firm_Name");
    Edit_Firm_EIK = edit(page, "Edit_Firm_EIK");
    Edit_Firm_Mol = edit(page, "Edit_Firm_Mol");
    Edit_Firm_Adres = edit(page, "Edit_Firm_Adres");
    Edit_Firm_IBAN = edit(page, "Edit_Firm_IBAN");
    Edit_Firm_BIC = edit(page, "Edit_Firm_BIC");
    Edit_Firm_Bank = edit(page, "Edit_Firm_Bank");
    Edit_Firm_Phone = edit(page, "Edit_Firm_Phone");
    Edit_Firm_IBAN_DDS = edit(page, "Edit_Firm_IBAN_DDS");
    Edit_Firm_BIC_DDS = edit(page, "Edit_Firm_BIC_DDS");
    Edit_Firm_Bank_DDS = edit(page, "Edit_Firm_Bank_DDS");
    Edit_Firm_Phone_DDS = edit(page, "Edit_Firm_Phone_DDS");
    Edit_DDS_Percent = edit(page, "Edit_DDS_Percent");
    Edit_DDS_Percent->setMaximumWidth(80);
    Edit_ZDDS = edit(page, "Edit_ZDDS");
    Edit_E_mail = edit(page, "Edit_E_mail");

    auto *firm = new QFormLayout;
    firm->addRow(QStringLiteral("Име"), Edit_Firm_Name);
    firm->addRow(QStringLiteral("Индент. код"), Edit_Firm_EIK);
    firm->addRow(QStringLiteral("Номер по ЗДДС"), Edit_ZDDS);
    firm->addRow(QStringLiteral("МОЛ"), Edit_Firm_Mol);
    firm->addRow(QStringLiteral("Адрес"), Edit_Firm_Adres);
    firm->addRow(QStringLiteral("Телефон"), Edit_Firm_Phone);
    firm->addRow(QStringLiteral("Е - маил"), Edit_E_mail);
    firm->addRow(QStringLiteral("IBAN"), Edit_Firm_IBAN);
    firm->addRow(QStringLiteral("BIC"), Edit_Firm_BIC);
    firm->addRow(QStringLiteral("Банка"), Edit_Firm_Bank);

    auto *vat = new QGroupBox(QStringLiteral("ДДС сметка"), page);
    auto *v = new QFormLayout(vat);
    v->addRow(QStringLiteral("IBAN"), Edit_Firm_IBAN_DDS);
    v->addRow(QStringLiteral("BIC"), Edit_Firm_BIC_DDS);
    v->addRow(QStringLiteral("Банка"), Edit_Firm_Bank_DDS);
    v->addRow(QStringLiteral("Телефон"), Edit_Firm_Phone_DDS);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(firm);
    layout->addWidget(vat);
    layout->addLayout(row(new QLabel(QStringLiteral("Стойност на  ДДС"), page), Edit_DDS_Percent,
                          new QLabel(QStringLiteral("%"), page)));
    layout->addStretch();
    return page;
}

QWidget *TForm_Sistemni_Nastr::buildFiscalServiceTab()
{
    auto *page = new QWidget;
    Edit_FS_Name = edit(page, "Edit_FS_Name");
    Edit_FS_EIK = edit(page, "Edit_FS_EIK");
    Edit_FS_Adres = edit(page, "Edit_FS_Adres");
    Edit_FS_Mol = edit(page, "Edit_FS_Mol");
    Edit_Phone_Ser = edit(page, "Edit_Phone_Ser");
    SpinEdit_Kol_Cifri = spin(page, "SpinEdit_Kol_Cifri", 1, 10, 10);
    CheckBox_Prefix = check(page, "CheckBox_Prefix", "Използвай 10 цифрен префикс в номера на договора");
    CheckBox_Dog_plus_Data = check(page, "CheckBox_Dog_plus_Data",
                                   "В номера на договора се съдържа и дата на издаване");
    CheckBox_Dog_Data_Por_N_den = check(page, "CheckBox_Dog_Data_Por_N_den",
                                        "Номер на договор се генерира от дата и пореден номер за деня");
    ComboBox_FormatDate_Dogovor = named(new QComboBox(page), "ComboBox_FormatDate_Dogovor");
    ComboBox_FormatDate_Dogovor->addItems({QStringLiteral("ddmmyyyy"), QStringLiteral("ddmmyy")});

    auto *centre = new QGroupBox(QStringLiteral("Сервизен център"), page);
    auto *c = new QFormLayout(centre);
    c->addRow(QStringLiteral("Име"), Edit_FS_Name);
    c->addRow(QStringLiteral("Индентификационен код"), Edit_FS_EIK);
    c->addRow(QStringLiteral("Адрес"), Edit_FS_Adres);
    c->addRow(QStringLiteral("МОЛ"), Edit_FS_Mol);
    c->addRow(QStringLiteral("Телефон"), Edit_Phone_Ser);

    auto *contracts = new QGroupBox(QStringLiteral("Договори"), page);
    auto *d = new QVBoxLayout(contracts);
    d->addLayout(row(new QLabel(QStringLiteral("Брой на цифрите в номера на договора "), page),
                     SpinEdit_Kol_Cifri));
    d->addWidget(CheckBox_Prefix);
    d->addWidget(CheckBox_Dog_plus_Data);
    d->addWidget(CheckBox_Dog_Data_Por_N_den);
    d->addLayout(row(new QLabel(QStringLiteral("Формат на дата в договора"), page),
                     ComboBox_FormatDate_Dogovor));

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(centre);
    layout->addWidget(contracts);
    layout->addStretch();
    return page;
}

void TForm_Sistemni_Nastr::FormShow()
{
    using namespace Keys;
    const IniFile ini(Settings::filePath());
    auto text = [&](QLineEdit *e, const SettingKey &k) { e->setText(Settings::readString(ini, k)); };
    auto flag = [&](QCheckBox *b, const SettingKey &k) { b->setChecked(Settings::readBool(ini, k)); };
    auto number = [&](QSpinBox *s, const SettingKey &k) {
        const long long v = Settings::readInteger(ini, k);
        s->setValue(int(std::clamp<long long>(v, s->minimum(), s->maximum())));
    };

    text(Edit_Firm_Name, Firm_Data_Name);
    text(Edit_Firm_EIK, Firm_Data_EIK);
    text(Edit_Firm_Mol, Firm_Data_Mol);
    text(Edit_Firm_Adres, Firm_Data_Adress);
    text(Edit_Firm_IBAN, Firm_Data_IBAN);
    text(Edit_Firm_BIC, Firm_Data_BIC);
    text(Edit_Firm_Bank, Firm_Data_Bank);
    text(Edit_Firm_Phone, Firm_Data_Phone);
    text(Edit_Firm_IBAN_DDS, Firm_Data_IBAN_DDS);
    text(Edit_Firm_BIC_DDS, Firm_Data_BIC_DDS);
    text(Edit_Firm_Bank_DDS, Firm_Data_Bank_DDS);
    text(Edit_Firm_Phone_DDS, Firm_Data_Phone_DDS);
    text(Edit_DDS_Percent, Firm_Data_DDS);
    text(Edit_Phone_Ser, Firm_Data_Phone_Ser);
    text(Edit_FS_Mol, Firm_Data_Mol_Ser);
    flag(ChkBox_Otorization, Tuning_1);
    flag(ChkBox_End_Oder_Operators, Tuning_2);
    flag(ChkBox_Seek_Trajnost, Tuning_3);
    flag(ChkBox_Add_Min_Kol, Tuning_4);
    flag(ChkBox_Calculate_Minus_Dostavka, Tuning_5);
    flag(ChkBox_forbid_Konsignation, Tuning_6);
    flag(ChkBox_Seek_NotPayed_Klients, Tuning_7);
    flag(ChkBox_Seek_Prodajba_NotPayed_Klients, Tuning_8);
    flag(ChkBox_Kasa_Name, Tuning_10);
    flag(ChkBox_Etiket_Name, Tuning_11);
    number(SpEdit_Zakraglenie, Values_9);
    number(SpinEdit_Kasa_Name, Values_10);
    number(SpinEdit_Etiket_Name, Values_11);
    flag(ChkBox_Update_By_Import, Tuning_12);
    flag(CheckBox_ShutDown, Tuning_13);
    flag(CheckBox_Set_Trajnost, Tuning_14);
    const long long fb = Settings::readInteger(ini, Tuning_FB);
    ComboBox_FB->setCurrentIndex(fb >= 0 && fb < ComboBox_FB->count() ? int(fb) : 0);
    Edit_Path_Temp_Bon->setText(Settings::receiptFolder(ini));
    flag(CheckBox_Set_As_POS, Tuning_20);
    number(SpinEdit_Term_N, DBVer_Term);
    flag(ChkBox_Count_Copia_Bon, Tuning_21);
    number(SpinEdit_Copia_Fisk_Bon, Tuning_22);
    flag(ChkBox_Print_Prigotvqse_Bon, Tuning_23);
    number(SpinEdit_Kol_Cifri, Tuning_15);
    flag(CheckBox_Prefix, Tuning_16);
    flag(CheckBox_Dog_plus_Data, Tuning_17);
    flag(CheckBox_Dog_Data_Por_N_den, Tuning_18);
    const int format = ComboBox_FormatDate_Dogovor->findText(Settings::readString(ini, Tuning_FormatDate));
    ComboBox_FormatDate_Dogovor->setCurrentIndex(format >= 0 ? format : 0);

    // The entry's state is not stored: the box shows whether it exists.
    CheckBox_Start_with_Windows->setChecked(Autostart::isEnabled());

    // Enabled states as the dependencies give them for the loaded values.
    SpinEdit_Kasa_Name->setEnabled(ChkBox_Kasa_Name->isChecked());
    SpinEdit_Etiket_Name->setEnabled(ChkBox_Etiket_Name->isChecked());
    CheckBox_Prefix->setEnabled(!CheckBox_Dog_plus_Data->isChecked());
    CheckBox_Dog_plus_Data->setEnabled(!CheckBox_Dog_Data_Por_N_den->isChecked());
    if (ComboBox_FB->currentIndex() > 0) {
        ComboBox_Vid_FU->setEnabled(true);
    } else {
        ComboBox_Vid_FU->setCurrentIndex(0);
        ComboBox_Vid_FU->setEnabled(false);
    }
    // A text that is no item still selects its device number, so a save
    // never writes an empty device type.
    ComboBox_Vid_FU->setCurrentIndex(FiscalDeviceTypes::itemFor(Settings::readString(ini, Tuning_24)));
}

bool TForm_Sistemni_Nastr::Button_SaveClick()
{
    double vat = 0;
    if (!ParseVatPercent(Edit_DDS_Percent->text(), &vat)) {
        PageControl1->setCurrentWidget(Edit_DDS_Percent->parentWidget());
        Dialogs::message(QStringLiteral("Стойността на ДДС трябва да е число от 0 до 100."), this);
        Edit_DDS_Percent->setFocus();
        return false;
    }
    if (!QDir::isAbsolutePath(Edit_Path_Temp_Bon->text())) {
        PageControl1->setCurrentWidget(Edit_Path_Temp_Bon->parentWidget());
        Dialogs::message(QStringLiteral("Пътят към фискален бон трябва да е пълен път до папка, например ")
                             + Keys::defaultReceiptFolder(),
                         this);
        Edit_Path_Temp_Bon->setFocus();
        return false;
    }
    Edit_DDS_Percent->setText(Numbers::toText(vat));

    using namespace Keys;
    IniFile ini(Settings::filePath());
    auto text = [&](const SettingKey &k, QLineEdit *e) { Settings::writeString(ini, k, e->text()); };
    auto flag = [&](const SettingKey &k, QCheckBox *b) { Settings::writeBool(ini, k, b->isChecked()); };
    auto number = [&](const SettingKey &k, QSpinBox *s) { Settings::writeInteger(ini, k, s->value()); };

    text(Firm_Data_Name, Edit_Firm_Name);
    text(Firm_Data_EIK, Edit_Firm_EIK);
    text(Firm_Data_Mol, Edit_Firm_Mol);
    text(Firm_Data_Adress, Edit_Firm_Adres);
    text(Firm_Data_IBAN, Edit_Firm_IBAN);
    text(Firm_Data_BIC, Edit_Firm_BIC);
    text(Firm_Data_Bank, Edit_Firm_Bank);
    text(Firm_Data_Phone, Edit_Firm_Phone);
    text(Firm_Data_IBAN_DDS, Edit_Firm_IBAN_DDS);
    text(Firm_Data_BIC_DDS, Edit_Firm_BIC_DDS);
    text(Firm_Data_Bank_DDS, Edit_Firm_Bank_DDS);
    text(Firm_Data_Phone_DDS, Edit_Firm_Phone_DDS);
    text(Firm_Data_DDS, Edit_DDS_Percent);
    text(Firm_Data_Phone_Ser, Edit_Phone_Ser);
    text(Firm_Data_Mol_Ser, Edit_FS_Mol);
    flag(Tuning_1, ChkBox_Otorization);
    flag(Tuning_2, ChkBox_End_Oder_Operators);
    flag(Tuning_3, ChkBox_Seek_Trajnost);
    flag(Tuning_4, ChkBox_Add_Min_Kol);
    flag(Tuning_5, ChkBox_Calculate_Minus_Dostavka);
    flag(Tuning_6, ChkBox_forbid_Konsignation);
    flag(Tuning_7, ChkBox_Seek_NotPayed_Klients);
    flag(Tuning_8, ChkBox_Seek_Prodajba_NotPayed_Klients);
    flag(Tuning_10, ChkBox_Kasa_Name);
    flag(Tuning_11, ChkBox_Etiket_Name);
    flag(Tuning_12, ChkBox_Update_By_Import);
    flag(Tuning_13, CheckBox_ShutDown);
    flag(Tuning_14, CheckBox_Set_Trajnost);
    flag(Tuning_20, CheckBox_Set_As_POS);
    text(Tuning_19, Edit_Path_Temp_Bon);
    Settings::writeInteger(ini, Tuning_FB, ComboBox_FB->currentIndex());
    number(Values_9, SpEdit_Zakraglenie);
    number(Values_10, SpinEdit_Kasa_Name);
    number(Values_11, SpinEdit_Etiket_Name);
    number(DBVer_Term, SpinEdit_Term_N);
    flag(Tuning_21, ChkBox_Count_Copia_Bon);
    number(Tuning_22, SpinEdit_Copia_Fisk_Bon);
    flag(Tuning_23, ChkBox_Print_Prigotvqse_Bon);
    number(Tuning_15, SpinEdit_Kol_Cifri);
    flag(Tuning_16, CheckBox_Prefix);
    flag(Tuning_17, CheckBox_Dog_plus_Data);
    flag(Tuning_18, CheckBox_Dog_Data_Por_N_den);
    Settings::writeString(ini, Tuning_FormatDate, ComboBox_FormatDate_Dogovor->currentText());
    const int device = ComboBox_Vid_FU->currentIndex() >= 0 ? ComboBox_Vid_FU->currentIndex() : 0;
    Settings::writeString(ini, Tuning_24, ComboBox_Vid_FU->itemText(device));

    QString error;
    if (!ini.save(&error)) {
        Dialogs::message(QStringLiteral("Настройките не бяха записани: ") + error, this);
        return false;
    }
    AppState::instance().setTerminal(SpinEdit_Term_N->value());
    return true;
}

void TForm_Sistemni_Nastr::ChkBox_Kasa_NameClick()
{
    SpinEdit_Kasa_Name->setEnabled(ChkBox_Kasa_Name->isChecked());
}

void TForm_Sistemni_Nastr::ChkBox_Etiket_NameClick()
{
    SpinEdit_Etiket_Name->setEnabled(ChkBox_Etiket_Name->isChecked());
}

void TForm_Sistemni_Nastr::CheckBox_Dog_plus_DataClick()
{
    CheckBox_Prefix->setChecked(CheckBox_Dog_plus_Data->isChecked());
    CheckBox_Prefix->setEnabled(!CheckBox_Dog_plus_Data->isChecked());
}

void TForm_Sistemni_Nastr::CheckBox_Dog_Data_Por_N_denClick()
{
    CheckBox_Dog_plus_Data->setChecked(CheckBox_Dog_Data_Por_N_den->isChecked());
    CheckBox_Dog_plus_Data->setEnabled(!CheckBox_Dog_Data_Por_N_den->isChecked());
    CheckBox_Dog_plus_DataClick();
}

void TForm_Sistemni_Nastr::CheckBox_Set_As_POSClick()
{
    CheckBox_ShutDown->setChecked(CheckBox_Set_As_POS->isChecked());
    CheckBox_Start_with_Windows->setChecked(CheckBox_Set_As_POS->isChecked());
    CheckBox_Start_with_WindowsClick();
}

void TForm_Sistemni_Nastr::CheckBox_Start_with_WindowsClick()
{
    const bool wanted = CheckBox_Start_with_Windows->isChecked();
    QString error;
    if (wanted ? Autostart::enable({}, &error) : Autostart::disable(&error))
        return;
    CheckBox_Start_with_Windows->setChecked(!wanted);
    Dialogs::message((wanted ? QStringLiteral("Програмата не може да бъде добавена към автоматичното стартиране: ")
                             : QStringLiteral("Програмата не може да бъде премахната от автоматичното стартиране: "))
                         + error,
                     this);
}

void TForm_Sistemni_Nastr::ComboBox_FBChange()
{
    if (ComboBox_FB->currentIndex() > 0) {
        ComboBox_Vid_FU->setEnabled(true);
    } else {
        ComboBox_Vid_FU->setCurrentIndex(0);
        ComboBox_Vid_FU->setEnabled(false);
    }
}
