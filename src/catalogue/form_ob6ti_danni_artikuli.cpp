#include "catalogue/form_ob6ti_danni_artikuli.h"

#include "app/window_owner.h"
#include "catalogue/article_record.h"
#include "catalogue/bulk_article_edit.h"
#include "catalogue/departments.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlRecord>
#include <QVBoxLayout>

QPointer<TForm_Ob6ti_Danni_artikuli> Form_Ob6ti_Danni_artikuli;

namespace {
constexpr int SpinMaximum = 100000;

QComboBox *combo(const char *name, const QStringList &items, QWidget *parent)
{
    auto *c = named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

void refill(QComboBox *box, const QStringList &items)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(0);
}
} // namespace

TForm_Ob6ti_Danni_artikuli::TForm_Ob6ti_Danni_artikuli(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Ob6ti_Danni_artikuli"));
    setWindowTitle(QStringLiteral("Укажи общи данни за артикули"));
    const QStringList flags = {QStringLiteral("False"), QStringLiteral("True")};

    ChkBox_Dan_Grup = named(new QCheckBox(QStringLiteral("Данъчна група"), this), "ChkBox_Dan_Grup");
    ComboBox_Dan_Grup = combo("ComboBox_Dan_Grup", ArticleRecord::taxGroups(), this);
    ChkBox_Prigotvq_Se = named(new QCheckBox(QStringLiteral("Къде се приготвя"), this), "ChkBox_Prigotvq_Se");
    ComboBox_Prigotvq_Se = combo("ComboBox_Prigotvq_Se", {}, this);
    ChkBox_Trajnost = named(new QCheckBox(QStringLiteral("Трайност"), this), "ChkBox_Trajnost");
    ComboBox_Trajnost = combo("ComboBox_Trajnost", ArticleRecord::shelfLifeUnits(), this);
    SpinEdit_Trajnost_Value = named(new QSpinBox(this), "SpinEdit_Trajnost_Value");
    SpinEdit_Trajnost_Value->setRange(0, SpinMaximum);
    ChkBox_Valuta = named(new QCheckBox(QStringLiteral("Валута"), this), "ChkBox_Valuta");
    ComBox_Valuta = combo("ComBox_Valuta", {}, this);
    ChkBox_Mqrka = named(new QCheckBox(QStringLiteral("Мярка"), this), "ChkBox_Mqrka");
    ComBox_Mqrka = combo("ComBox_Mqrka", {QStringLiteral("бр.")}, this);
    ChkBox_Min_Kol = named(new QCheckBox(QStringLiteral("Минимално количество"), this), "ChkBox_Min_Kol");
    SpinEdit_Min_Kol = named(new QSpinBox(this), "SpinEdit_Min_Kol");
    SpinEdit_Min_Kol->setRange(0, SpinMaximum);
    ChkBox_Max_TO = named(new QCheckBox(QStringLiteral("Максимална отстъпка при продажба"), this), "ChkBox_Max_TO");
    Edit_Max_TO = namedEdit(QStringLiteral("Edit_Max_TO"), this);
    ChkBox_Garancionen = named(new QCheckBox(QStringLiteral("Гаранционен продукт"), this), "ChkBox_Garancionen");
    ComboBox_Garancionen = combo("ComboBox_Garancionen", flags, this);
    ChkBox_Poredica = named(new QCheckBox(QStringLiteral("Поддържа поредица"), this), "ChkBox_Poredica");
    ComboBox_Poredica = combo("ComboBox_Poredica", flags, this);
    ChkBox_Otstapka = named(new QCheckBox(QStringLiteral("Отстъпка"), this), "ChkBox_Otstapka");
    Edit_Otstapka = namedEdit(QStringLiteral("Edit_Otstapka"), this);
    Edit_Otstapka->setText(QStringLiteral("0.00"));
    ChkBox_Otstapka->hide();
    Edit_Otstapka->hide();

    auto *maxTo = new QHBoxLayout;
    maxTo->addWidget(Edit_Max_TO, 1);
    maxTo->addWidget(new QLabel(QStringLiteral("%"), this));
    auto *shelf = new QHBoxLayout;
    shelf->addWidget(ComboBox_Trajnost, 1);
    shelf->addWidget(SpinEdit_Trajnost_Value);

    auto *grid = new QGridLayout;
    int row = 0;
    auto add = [&](QCheckBox *box, QWidget *control, QLayout *layout = nullptr) {
        grid->addWidget(box, row, 0);
        if (layout)
            grid->addLayout(layout, row, 1);
        else
            grid->addWidget(control, row, 1);
        ++row;
    };
    add(ChkBox_Dan_Grup, ComboBox_Dan_Grup);
    add(ChkBox_Prigotvq_Se, ComboBox_Prigotvq_Se);
    add(ChkBox_Trajnost, nullptr, shelf);
    add(ChkBox_Valuta, ComBox_Valuta);
    add(ChkBox_Mqrka, ComBox_Mqrka);
    add(ChkBox_Min_Kol, SpinEdit_Min_Kol);
    add(ChkBox_Max_TO, nullptr, maxTo);
    add(ChkBox_Garancionen, ComboBox_Garancionen);
    add(ChkBox_Poredica, ComboBox_Poredica);
    grid->setColumnStretch(1, 1);

    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("ЗАПИС"), this);
    BitBtn1->setDefault(true);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ОТКАЖИ"), this);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Ob6ti_Danni_artikuli::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(520, 380);

    for (QCheckBox *box : {ChkBox_Dan_Grup, ChkBox_Prigotvq_Se, ChkBox_Trajnost, ChkBox_Valuta, ChkBox_Mqrka,
                           ChkBox_Min_Kol, ChkBox_Max_TO, ChkBox_Garancionen, ChkBox_Poredica})
        connect(box, &QCheckBox::clicked, this, [this, box] { ChkBox_Click(box); });
}

void TForm_Ob6ti_Danni_artikuli::FormShow(const QList<long long> &articles)
{
    m_articles = articles;
    m_wrote = false;
    for (QCheckBox *box : {ChkBox_Dan_Grup, ChkBox_Prigotvq_Se, ChkBox_Trajnost, ChkBox_Valuta, ChkBox_Mqrka,
                           ChkBox_Min_Kol, ChkBox_Max_TO, ChkBox_Garancionen, ChkBox_Poredica}) {
        box->setChecked(false);
        box->setEnabled(true);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ComboBox_Dan_Grup, ComboBox_Prigotvq_Se, ComboBox_Trajnost,
                                                        SpinEdit_Trajnost_Value, ComBox_Valuta, ComBox_Mqrka,
                                                        SpinEdit_Min_Kol, Edit_Max_TO, ComboBox_Garancionen,
                                                        ComboBox_Poredica})
        w->setEnabled(false);
    ComboBox_Trajnost->setCurrentIndex(0);
    SpinEdit_Trajnost_Value->setValue(0);
    SpinEdit_Min_Kol->setValue(1);
    Edit_Max_TO->setText(QStringLiteral("0.00"));
}

void TForm_Ob6ti_Danni_artikuli::ChkBox_Click(QCheckBox *box)
{
    const bool on = box->isChecked();
    try {
        if (box == ChkBox_Dan_Grup) {
            ComboBox_Dan_Grup->setEnabled(on);
            if (on)
                ComboBox_Dan_Grup->setCurrentIndex(ArticleRecord::DefaultTaxGroup);
        } else if (box == ChkBox_Prigotvq_Se) {
            ComboBox_Prigotvq_Se->setEnabled(on);
            if (on)
                refill(ComboBox_Prigotvq_Se, Departments::listItems());
        } else if (box == ChkBox_Trajnost) {
            ComboBox_Trajnost->setEnabled(on);
            SpinEdit_Trajnost_Value->setEnabled(on);
        } else if (box == ChkBox_Valuta) {
            ComBox_Valuta->setEnabled(on);
            if (on) {
                QStringList names;
                for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY ID")))
                    names.append(r.value(0).toString());
                refill(ComBox_Valuta, names);
            }
        } else if (box == ChkBox_Mqrka) {
            ComBox_Mqrka->setEnabled(on);
            if (on)
                refill(ComBox_Mqrka, ArticleRecord::unitList());
        } else if (box == ChkBox_Min_Kol) {
            SpinEdit_Min_Kol->setEnabled(on);
        } else if (box == ChkBox_Max_TO) {
            Edit_Max_TO->setEnabled(on);
        } else if (box == ChkBox_Garancionen) {
            // The two flags are never set in one run.
            ComboBox_Garancionen->setEnabled(on);
            if (on)
                ComboBox_Garancionen->setCurrentIndex(0);
            ChkBox_Poredica->setEnabled(!on);
        } else if (box == ChkBox_Poredica) {
            ComboBox_Poredica->setEnabled(on);
            if (on)
                ComboBox_Poredica->setCurrentIndex(0);
            ChkBox_Garancionen->setEnabled(!on);
        }
    } catch (const DbError &e) {
        box->setChecked(false);
        Dialogs::message(QStringLiteral("Списъкът не може да бъде прочетен:\n") + e.message(), this);
    }
}

void TForm_Ob6ti_Danni_artikuli::BitBtn1Click()
{
    BulkArticleFields f;
    if (ChkBox_Dan_Grup->isChecked())
        f.Dan_grup = ComboBox_Dan_Grup->currentIndex();
    if (ChkBox_Prigotvq_Se->isChecked())
        f.Prigotvq_Se = qMax(0, ReferenceText::key(ComboBox_Prigotvq_Se->currentText()));
    if (ChkBox_Trajnost->isChecked())
        f.Trajnost = ArticleRecord::shelfLife(ComboBox_Trajnost->currentIndex(), SpinEdit_Trajnost_Value->value());
    if (ChkBox_Valuta->isChecked())
        f.Valuta_P = ComBox_Valuta->currentText();
    if (ChkBox_Mqrka->isChecked())
        f.Mqrka = ComBox_Mqrka->currentText();
    if (ChkBox_Min_Kol->isChecked())
        f.Min_Kol = SpinEdit_Min_Kol->value();
    if (ChkBox_Max_TO->isChecked()) {
        double value = 0;
        if (!Numbers::parse(Edit_Max_TO->text(), &value)) {
            Dialogs::message(QStringLiteral("Максималната отстъпка \"") + Edit_Max_TO->text()
                                 + QStringLiteral("\" не е число!"),
                             this);
            Edit_Max_TO->setFocus();
            return;
        }
        f.Max_TO = value;
    }
    if (ChkBox_Garancionen->isChecked())
        f.Garancionen = ComboBox_Garancionen->currentText();
    if (ChkBox_Poredica->isChecked())
        f.Poredica = ComboBox_Poredica->currentText();
    try {
        m_wrote = BulkArticleEdit::apply(f, m_articles) > 0;
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Данните не са записани, никой артикул не е променен:\n") + e.message(), this);
        return;
    }
    accept();
}

bool TForm_Ob6ti_Danni_artikuli::open(const QList<long long> &articles, QWidget *parent)
{
    if (!Form_Ob6ti_Danni_artikuli) {
        QWidget *owner = WindowOwner::mainWindow();
        Form_Ob6ti_Danni_artikuli = new TForm_Ob6ti_Danni_artikuli(owner ? owner : parent);
    }
    Form_Ob6ti_Danni_artikuli->FormShow(articles);
    Dialogs::exec(Form_Ob6ti_Danni_artikuli);
    return Form_Ob6ti_Danni_artikuli->wrote();
}
