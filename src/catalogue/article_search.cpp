#include "catalogue/article_search.h"

#include "common/money.h"
#include "common/reference_text.h"
#include "platform/db/database.h"

namespace {
const char *const kArticleFields[] = {"ID",         "Nomenkl_N",   "Nomer_Grupa",  "Opisanie",  "Dostavna_Cena",
                                      "Valuta_D",   "Ed_Cena",     "Valuta_P",     "Mqrka",     "Garancionen",
                                      "Kasovo_Ime", "Etiketno_Ime", "Dostav4ik",   "Poredica",  "Min_Kol",
                                      "Max_TO",     "Trajnost",    "Kod_Vezna",    "Dan_Grup",  "Prigotvq_Se"};

QString listSelect()
{
    return QStringLiteral("SELECT ") + ArticleSearch::articleColumns()
           + QStringLiteral(", Grupi.ID AS ID_Grupa, Grupi.Opisanie AS Grupa_Opis");
}

// A list statement from its parts; the whole text too.
ArticleSearch::ListQuery listOf(const QString &select, const QString &from, const QString &where,
                                const QVariantList &params, ArticleSearch::Extra extra = ArticleSearch::Extra::None)
{
    ArticleSearch::ListQuery q;
    q.select = select;
    q.from = from;
    q.where = where;
    q.params = params;
    q.extra = extra;
    q.sql = select + from + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where);
    return q;
}

QString nameOf(const QString &nodeText)
{
    const int colon = nodeText.indexOf(QLatin1Char(':'));
    return colon < 0 ? nodeText : nodeText.mid(colon + 1);
}
} // namespace

const QList<ArticleSearch::Column> &ArticleSearch::columns()
{
    static const QList<Column> c = {
        {"ID", "Арт. №", 46, Kind::Number},          {"Nomenkl_N", "Каталожен №", 80, Kind::Text},
        {"Opisanie", "Описание", 216, Kind::Text},   {"Ed_Cena", "Цена", 49, Kind::Number},
        {"Valuta_P", "Валута", 41, Kind::Text},      {"Mqrka", "Мярка", 41, Kind::Text},
        {"ID_Grupa", "Група N", 50, Kind::Group},    {"Grupa_Opis", "Група", 150, Kind::Group},
    };
    return c;
}

int ArticleSearch::columnOfField(const QString &field)
{
    const auto &c = columns();
    for (int i = 0; i < c.size(); ++i)
        if (field.compare(QLatin1String(c.at(i).field), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList ArticleSearch::criteria()
{
    QStringList out{QStringLiteral("Сериен номер"), QStringLiteral("Баркод")};
    for (const Column &c : columns())
        out << QString::fromUtf8(c.title);
    out << QStringLiteral("Номер на контрагент");
    return out;
}

QStringList ArticleSearch::comparisonTitles()
{
    return {QStringLiteral("равно"), QStringLiteral("по - голямо"), QStringLiteral("по - малко"),
            QStringLiteral("между")};
}

QString ArticleSearch::articleColumns()
{
    QStringList out;
    for (const char *f : kArticleFields)
        out << QStringLiteral("Produkti.") + QLatin1String(f);
    return out.join(QStringLiteral(", "));
}

QString ArticleSearch::articlesFrom()
{
    return QStringLiteral(" FROM Produkti JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa");
}

bool ArticleSearch::isRoot(const QString &nodeText)
{
    return nodeText == QString::fromUtf8(RootNodeText);
}

bool ArticleSearch::isDeletedGroup(const QString &nodeText)
{
    return nameOf(nodeText) == QString::fromUtf8(DeletedGroupName);
}

ArticleSearch::ListQuery ArticleSearch::nodeList(const QString &nodeText)
{
    const bool root = isRoot(nodeText);
    ListQuery q = root ? listOf(listSelect(), ArticleSearch::articlesFrom(), {}, {})
                       : listOf(listSelect(), ArticleSearch::articlesFrom(), QStringLiteral("Produkti.Nomer_Grupa = ?"),
                                {qlonglong(GetID_MFromTreeNodeName(nodeText))});
    q.node = true;
    q.wholeCatalogue = root;
    // The articles are counted per group as they are written: summed over
    // the groups that exist, they are the rows of the join, read without
    // walking the articles.
    if (root)
        q.countSql = QStringLiteral(
            "SELECT COALESCE(SUM(Produkti_Broi.Broi), 0) FROM Produkti_Broi JOIN Grupi ON Grupi.ID = Produkti_Broi.Nomer_Grupa");
    return q;
}

std::optional<ArticleSearch::ListQuery> ArticleSearch::search(int criterion, int comparison, const QString &from,
                                                               const QString &to, bool partOfWord,
                                                               QString *message)
{
    auto refuse = [message]() -> std::optional<ListQuery> {
        if (message)
            *message = QString::fromUtf8(BadCriteria);
        return std::nullopt;
    };
    const QString typed = from.trimmed();
    if (criterion == Serial || criterion == Barcode) {
        const bool serial = criterion == Serial;
        const Db::Condition code =
            Db::codeInAnyCase(serial ? QStringLiteral("Serials.Serial_ID") : QStringLiteral("Barkodes.Barkode"), typed);
        return listOf(listSelect(), ArticleSearch::articlesFrom(),
                      (serial ? QStringLiteral("Produkti.ID IN (SELECT Serials.ID FROM Serials WHERE ")
                              : QStringLiteral("Produkti.ID IN (SELECT Barkodes.ID FROM Barkodes WHERE "))
                          + code.sql + QLatin1Char(')'),
                      code.params);
    }
    if (criterion == CounterpartyNumber)
        return listOf(listSelect() + QStringLiteral(", Nomenklatures.Nomenkl_N AS Nom_ID, Firmi.Ime_Firma"),
                      QStringLiteral(" FROM Nomenklatures JOIN Produkti ON Produkti.ID = Nomenklatures.ID "
                                     "JOIN Firmi ON Firmi.ID = Nomenklatures.ID_Kontrag "
                                     "JOIN Grupi ON Grupi.ID = Produkti.Nomer_Grupa"),
                      QStringLiteral("UPPER(Nomenklatures.Nomenkl_N) LIKE UPPER(?) ESCAPE '\\'"),
                      {Db::likeContains(typed)}, Extra::Firm);
    const int column = criterion - FirstColumn;
    if (column < 0 || column >= columns().size())
        return refuse();
    const Column &c = columns().at(column);
    const QString field = QStringLiteral("Produkti.") + QLatin1String(c.field);
    switch (c.kind) {
    case Kind::Group:
        return refuse();
    case Kind::Text:
        if (field == QLatin1String("Produkti.Opisanie")) {
            const Db::Condition name = Db::articleName(
                QStringLiteral("Produkti"), typed, partOfWord ? Db::NameMatch::Contains : Db::NameMatch::Whole);
            ListQuery q = listOf(listSelect(), ArticleSearch::articlesFrom(), name.sql, name.params);
            q.alongOrder = name.many;
            return q;
        }
        return listOf(listSelect(), ArticleSearch::articlesFrom(), QStringLiteral("UPPER(") + field
                      + QStringLiteral(") LIKE UPPER(?) ESCAPE '\\'"),
                      {partOfWord ? Db::likeContains(typed) : Db::likeEscape(typed)});
    case Kind::Number:
        break;
    }
    double low = 0;
    double high = 0;
    if (!Numbers::parse(from, &low))
        return refuse();
    if (comparison == Between && !Numbers::parse(to, &high))
        return refuse();
    QString condition;
    switch (comparison) {
    case Equal:
        condition = field + QStringLiteral(" = ?");
        break;
    case AtLeast:
        condition = field + QStringLiteral(" >= ?");
        break;
    case AtMost:
        condition = field + QStringLiteral(" <= ?");
        break;
    case Between:
        condition = field + QStringLiteral(" BETWEEN ? AND ?");
        break;
    default:
        return refuse();
    }
    QVariantList params{low};
    if (comparison == Between)
        params << high;
    return listOf(listSelect(), ArticleSearch::articlesFrom(), condition, params);
}

ArticleSearch::ListQuery ArticleSearch::availability(const QList<long long> &ids)
{
    QStringList marks;
    QVariantList params;
    for (long long id : ids) {
        marks << QStringLiteral("?");
        params << qlonglong(id);
    }
    if (marks.isEmpty())
        marks << QStringLiteral("NULL");
    // An article without stock rows shows 0, not nothing.
    return listOf(listSelect()
                      + QStringLiteral(", COALESCE((SELECT SUM(Store_Kol.Kol) FROM Store_Kol WHERE Store_Kol.Art_ID = "
                                       "Produkti.ID), 0) AS All_Kol"),
                  ArticleSearch::articlesFrom(), QStringLiteral("Produkti.ID IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                  params, Extra::Stock);
}
