#include "counterparties/form_kontrag_sklad.h"
#include "platform/named.h"

#include "counterparties/counterparty_sites.h"
#include "platform/db/list_model.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

TForm_Kontrag_Sklad::TForm_Kontrag_Sklad(QWidget *parent)
    : CounterpartyRowsWindow(QStringLiteral("Form_Kontrag_Sklad"), QStringLiteral("Складове за избран контрагент"),
                             QStringLiteral("Button_NEW_Save"), QStringLiteral("Kontrag_Sklad"),
                             QStringLiteral("ID_SK"), parent)
{
    Button_NEW_Save = leftButton();
    Edit_Name = namedEdit(QStringLiteral("Edit_Name"), this);
    Edit_Grad = namedEdit(QStringLiteral("Edit_Grad"), this);
    Edit_Adres = namedEdit(QStringLiteral("Edit_Adres"), this);
    Edit_Tel = namedEdit(QStringLiteral("Edit_Tel"), this);
    Edit_Mol = namedEdit(QStringLiteral("Edit_Mol"), this);
    Edit_EGN = namedEdit(QStringLiteral("Edit_EGN"), this);
    Edit_LK = namedEdit(QStringLiteral("Edit_LK"), this);
    Edit_Izd_Ot = namedEdit(QStringLiteral("Edit_Izd_Ot"), this);

    auto *grid = new QGridLayout;
    const QList<QPair<QString, QLineEdit *>> left = {
        {QStringLiteral("Описание"), Edit_Name}, {QStringLiteral("Град"), Edit_Grad},
        {QStringLiteral("Адрес"), Edit_Adres}, {QStringLiteral("Телефон"), Edit_Tel}};
    const QList<QPair<QString, QLineEdit *>> right = {
        {QStringLiteral("МОЛ"), Edit_Mol}, {QStringLiteral("ЕГН"), Edit_EGN},
        {QStringLiteral("Лична карта"), Edit_LK}, {QStringLiteral("Издадена от"), Edit_Izd_Ot}};
    for (int i = 0; i < left.size(); ++i) {
        grid->addWidget(new QLabel(left[i].first, this), i, 0);
        grid->addWidget(left[i].second, i, 1);
        grid->addWidget(new QLabel(right[i].first, this), i, 2);
        grid->addWidget(right[i].second, i, 3);
    }
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    setEditArea(grid);
    resize(820, 480);
}

QList<QLineEdit *> TForm_Kontrag_Sklad::edits() const
{
    return {Edit_Name, Edit_Grad, Edit_Adres, Edit_Tel, Edit_Mol, Edit_EGN, Edit_LK, Edit_Izd_Ot};
}

void TForm_Kontrag_Sklad::titleColumns()
{
    static const QList<QPair<const char *, const char *>> titles = {
        {"ID_SK", "N"},          {"Opisanie_SK", "Описание"}, {"Grad_SK", "Град"},
        {"Adres_SK", "Адрес"},   {"Tel_SK", "Телефон"},       {"MOL_SK", "МОЛ"},
        {"EGN_MOL_SK", "ЕГН на МОЛ"}, {"LK_Mol_SK", "ЛК на МОЛ"}, {"LK_Izd_Ot", "Издадена от"}};
    for (const auto &t : titles)
        list()->setHeaderTitle(QString::fromLatin1(t.first), QString::fromUtf8(t.second));
}

void TForm_Kontrag_Sklad::clearEdits(bool)
{
    for (QLineEdit *e : edits())
        e->clear();
}

void TForm_Kontrag_Sklad::fillEdits(const QSqlRecord &row)
{
    static const char *fields[] = {"Opisanie_SK", "Grad_SK", "Adres_SK", "Tel_SK",
                                   "MOL_SK", "EGN_MOL_SK", "LK_Mol_SK", "LK_Izd_Ot"};
    const QList<QLineEdit *> all = edits();
    for (int i = 0; i < all.size(); ++i)
        all[i]->setText(row.value(QLatin1String(fields[i])).toString());
}

namespace {
CounterpartySites::Site siteOf(const TForm_Kontrag_Sklad &w, long long id)
{
    CounterpartySites::Site s;
    s.id = id;
    s.Opisanie_SK = w.Edit_Name->text();
    s.Grad_SK = w.Edit_Grad->text();
    s.Adres_SK = w.Edit_Adres->text();
    s.Tel_SK = w.Edit_Tel->text();
    s.MOL_SK = w.Edit_Mol->text();
    s.EGN_MOL_SK = w.Edit_EGN->text();
    s.LK_Mol_SK = w.Edit_LK->text();
    s.LK_Izd_Ot = w.Edit_Izd_Ot->text();
    return s;
}
} // namespace

void TForm_Kontrag_Sklad::insertRow(long long counterparty)
{
    CounterpartySites::insertSite(counterparty, siteOf(*this, 0));
}

void TForm_Kontrag_Sklad::updateRow(long long counterparty, long long id)
{
    CounterpartySites::updateSite(counterparty, siteOf(*this, id));
}

QString TForm_Kontrag_Sklad::removeRow(long long counterparty, long long id)
{
    return CounterpartySites::removeSite(counterparty, id);
}

QString TForm_Kontrag_Sklad::deleteQuestion() const
{
    return QStringLiteral("Желаете ли да изтриете избрания склад?");
}

QString TForm_Kontrag_Sklad::deleteRefused(const QString &table) const
{
    return QStringLiteral("Складът не може да бъде изтрит: използва се в таблица ") + table;
}
