#include "desk/desk_search.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/database.h"

namespace DeskSearch {
namespace {
// The code table of a letter joined to its article: table alias S, code column.
struct CodeTable {
    char letter;
    const char *table;
    const char *field;
};
constexpr CodeTable kCodes[] = {
    {'b', "Barkodes", "Barkode"}, {'k', "Karti", "Karts"}, {'s', "Serials", "Serial_ID"}};

bool isTrue(const QVariant &v)
{
    return v.toString().compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

// An article as the entry row takes it: Produkti P with Grupi G joined.
const QString kArticleColumns =
    QStringLiteral("P.ID, P.Opisanie, P.Valuta_P, P.Trajnost, G.Opisanie, P.Ed_Cena, P.Garancionen, P.Poredica, "
                   "EXISTS (SELECT 1 FROM Rezept_Art R WHERE R.ID_Art = P.ID)");

Article articleOf(const QSqlRecord &r)
{
    Article a;
    a.id = r.value(0).toLongLong();
    a.Opisanie = r.value(1).toString();
    a.Valuta_P = r.value(2).toString();
    a.Trajnost = r.value(3).toString();
    a.group = r.value(4).toString();
    a.Ed_Cena = Decimal::fromVariant(r.value(5));
    a.Garancionen = isTrue(r.value(6));
    a.Poredica = isTrue(r.value(7));
    a.hasRecipes = r.value(8).toBool();
    return a;
}
} // namespace

bool tableFor(QChar letter, QString *table, QString *field)
{
    static const QList<std::tuple<char, const char *, const char *>> prefixes = {
        {'a', "Produkti", "ID"},      {'b', "Barkodes", "Barkode"},  {'i', "Produkti", "Opisanie"},
        {'k', "Karti", "Karts"},      {'n', "Produkti", "Nomenkl_N"}, {'s', "Serials", "Serial_ID"}};
    for (const auto &[l, t, f] : prefixes) {
        if (letter == QLatin1Char(l)) {
            *table = QString::fromLatin1(t);
            *field = QString::fromLatin1(f);
            return true;
        }
    }
    return false;
}

Statement statement(QChar letter, const QString &text, bool folded, const std::optional<Hit> &after)
{
    Statement s;
    // A code finds one article as a rule: it comes with what the entry row
    // needs, so the scan reads it in the same round trip.
    const QString select = QStringLiteral("SELECT ") + kArticleColumns + QStringLiteral(" FROM ");
    const QString groups = QStringLiteral(" LEFT JOIN Grupi G ON G.ID = P.Nomer_Grupa");
    // The exact text by the code's own index, or the code in any case.
    auto compare = [&](const QString &column) -> QString {
        if (!folded) {
            s.params = {text};
            return column + QStringLiteral(" = ?");
        }
        const Db::Condition c = Db::codeInAnyCase(column, text);
        s.params = c.params;
        return c.sql;
    };
    if (letter == QLatin1Char('a')) {
        long long id = 0;
        if (folded || !Numbers::parseInteger(text, &id))
            return s;
        s.sql = select + QStringLiteral("Produkti P") + groups + QStringLiteral(" WHERE P.ID = ?");
        s.params = {id};
    } else if (letter == QLatin1Char('i')) {
        if (folded)
            return s;
        const Db::Condition name = Db::articleName(QStringLiteral("P"), text, Db::NameMatch::Contains, true);
        s.sql = QStringLiteral("SELECT P.ID, P.Opisanie FROM Produkti P WHERE ") + name.sql;
        s.params = name.params;
        if (after) {
            // One range of the name index; the namesakes' numbers only filter.
            s.sql += QStringLiteral(" AND P.Opisanie >= ? AND (P.Opisanie > ? OR P.ID > ?)");
            s.params << after->name << after->name << after->id;
        }
        s.sql += QStringLiteral(" ORDER BY P.Opisanie, P.ID LIMIT ") + QString::number(PageHits);
    } else if (letter == QLatin1Char('n')) {
        s.sql = select + QStringLiteral("Produkti P") + groups + QStringLiteral(" WHERE ")
                + compare(QStringLiteral("P.Nomenkl_N")) + QStringLiteral(" ORDER BY P.ID");
    } else {
        for (const CodeTable &c : kCodes) {
            if (letter != QLatin1Char(c.letter))
                continue;
            s.sql = QStringLiteral("SELECT DISTINCT ") + kArticleColumns
                    + QStringLiteral(" FROM %1 S JOIN Produkti P ON P.ID = S.ID").arg(QString::fromLatin1(c.table))
                    + groups + QStringLiteral(" WHERE ") + compare(QStringLiteral("S.") + QString::fromLatin1(c.field))
                    + QStringLiteral(" ORDER BY P.ID");
        }
        if (s.sql.isEmpty())
            return s;
    }
    s.valid = true;
    return s;
}

std::optional<QList<Hit>> find(QChar letter, const QString &text, const std::optional<Hit> &after)
{
    Statement s = statement(letter, text, false, after);
    if (!s.valid)
        return std::nullopt;
    QList<QSqlRecord> rows = Db::rows(s.sql, s.params);
    if (rows.isEmpty()) {
        const Statement folded = statement(letter, text, true);
        if (folded.valid)
            rows = Db::rows(folded.sql, folded.params);
    }
    QList<Hit> hits;
    for (const QSqlRecord &r : rows)
        hits << Hit{r.value(0).toLongLong(), r.value(1).toString(),
                    r.count() > 2 ? std::optional<Article>(articleOf(r)) : std::nullopt};
    return hits;
}

std::optional<Article> article(long long id)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT ") + kArticleColumns
                                    + QStringLiteral(" FROM Produkti P LEFT JOIN Grupi G ON G.ID = P.Nomer_Grupa "
                                                     "WHERE P.ID = ?"),
                                {id});
    if (!r)
        return std::nullopt;
    return articleOf(*r);
}

QList<QSqlRecord> serials(long long article)
{
    return Db::rows(QStringLiteral("SELECT Serial_ID, Data FROM Serials WHERE ID = ? ORDER BY Serial_ID"), {article});
}

QString serialDate(long long article, const QString &serial)
{
    return Dates::isoToShort(
        Db::scalar(QStringLiteral("SELECT Data FROM Serials WHERE ID = ? AND Serial_ID = ?"), {article, serial})
            .toString());
}

Decimal GET_KURS(long long article)
{
    return Decimal::fromVariant(Db::scalar(
        QStringLiteral("SELECT V.Kurs FROM Produkti P JOIN Valuti V ON V.Opisanie = P.Valuta_P WHERE P.ID = ?"),
        {article}));
}
} // namespace DeskSearch
