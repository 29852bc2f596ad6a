#include "counterparties/counterparty_search.h"

#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"

namespace {
const QList<CounterpartySearch::Column> kColumns = {
    {"ID", "Номер", true},
    {"Ime_Firma", "Наименование", false},
    {"EIK", "Инден. код", false},
    {"Dan_N", "ЗДДС N", false},
    {"Grad", "Населено място", false},
    {"Adres_Firma", "Адрес", false},
    {"Telefon", "Телефон", false},
    {"Banka_Kod", "Банков код", false},
    {"Banka_Smetka", "Банкова сметка", false},
    {"Banka_Ime", "Банка", false},
    {"T_O", "ТО в %", true},
};


// A typed number bound as a number: a whole one as an integer (the key
// column), any other as a double.
std::optional<QVariant> typedNumber(const QString &text)
{
    long long whole = 0;
    if (Numbers::parseInteger(text, &whole))
        return QVariant(whole);
    double value = 0;
    if (Numbers::parse(text, &value))
        return QVariant(value);
    return std::nullopt;
}

void refuse(QString *message)
{
    if (message)
        *message = QString::fromUtf8(CounterpartySearch::BadCriteria);
}
} // namespace

const QList<CounterpartySearch::Column> &CounterpartySearch::columns()
{
    return kColumns;
}

QStringList CounterpartySearch::titles()
{
    QStringList out;
    for (const Column &c : kColumns)
        out << QString::fromUtf8(c.title);
    return out;
}

int CounterpartySearch::columnOfField(const QString &field)
{
    for (int i = 0; i < kColumns.size(); ++i)
        if (field.compare(QLatin1String(kColumns.at(i).field), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList CounterpartySearch::comparisonTitles()
{
    return {QStringLiteral("равно"), QStringLiteral("по - малко"), QStringLiteral("по - голямо"),
            QStringLiteral("между")};
}

QString CounterpartySearch::ListQuery::sql() const
{
    return QStringLiteral("SELECT * FROM Firmi") + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where)
           + QStringLiteral(" ORDER BY ") + (order == QLatin1String("ID") ? QString() : order + QStringLiteral(", "))
           + QStringLiteral("ID");
}

CounterpartySearch::ListQuery CounterpartySearch::groupList(const QString &nodeText)
{
    if (nodeText == QString::fromUtf8(RootNodeText))
        return {};
    return {QStringLiteral("Nomer_Grupa = ?"), {QVariant(qlonglong(GetID_MFromTreeNodeName(nodeText)))}, true};
}

CounterpartySearch::ListQuery CounterpartySearch::allCounterparties()
{
    return {{}, {}, false, QStringLiteral("ID")};
}

CounterpartySearch::ListQuery CounterpartySearch::listedBy(const QString &statement)
{
    return {QStringLiteral("ID IN (SELECT ID FROM (%1) listed)").arg(statement)};
}

std::optional<CounterpartySearch::ListQuery> CounterpartySearch::search(int column, int comparison,
                                                                        const QString &from, const QString &to,
                                                                        QString *message)
{
    if (column < 0 || column >= kColumns.size()) {
        refuse(message);
        return std::nullopt;
    }
    const Column &c = kColumns.at(column);
    const QString field = QString::fromLatin1(c.field);
    const QString byNumber = QStringLiteral("ID");
    if (!c.numeric) {
        return ListQuery{QStringLiteral("UPPER(") + field + QStringLiteral(") LIKE UPPER(?) ESCAPE '\\'"),
                         {Db::likeContains(from)}, false, byNumber};
    }
    const auto low = typedNumber(from);
    if (!low) {
        refuse(message);
        return std::nullopt;
    }
    switch (comparison) {
    case Equal:
        return ListQuery{field + QStringLiteral(" = ?"), {*low}, false, byNumber};
    case AtMost:
        return ListQuery{field + QStringLiteral(" <= ?"), {*low}, false, byNumber};
    case AtLeast:
        return ListQuery{field + QStringLiteral(" >= ?"), {*low}, false, byNumber};
    case Between: {
        const auto high = typedNumber(to);
        if (!high) {
            refuse(message);
            return std::nullopt;
        }
        return ListQuery{field + QStringLiteral(" BETWEEN ? AND ?"), {*low, *high}, false, byNumber};
    }
    default:
        refuse(message);
        return std::nullopt;
    }
}
