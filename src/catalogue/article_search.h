#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// The statements of the catalogue's article list: a tree node's articles,
// the searches of the search bar and the availability of marked articles.
// Every list names each Produkti column but the picture (only the editor
// reads it), plus the group's number and name; column names come only from
// the fixed lists below and every typed value is bound.
namespace ArticleSearch {
enum class Kind { Number, Text, Group };

// A standard grid column, in grid order.
struct Column {
    const char *field;
    const char *title;
    int width;
    Kind kind;
};
const QList<Column> &columns(); // the eight standard columns, "Арт. №" first
int columnOfField(const QString &field); // -1 when no standard column shows it

// The search criteria: "Сериен номер", "Баркод", the column titles, "Номер на контрагент".
enum Criterion { Serial = 0, Barcode = 1, FirstColumn = 2, CounterpartyNumber = 10 };
QStringList criteria();
inline int criterionOfColumn(int column) { return column + FirstColumn; }

enum Comparison { Equal = 0, AtLeast = 1, AtMost = 2, Between = 3 };
QStringList comparisonTitles(); // "равно", "по - голямо", "по - малко", "между"

inline constexpr const char *RootNodeText = "Всички артикули";
inline constexpr const char *DeletedGroupName = "Изтрити артикули";
inline constexpr const char *BadCriteria = "Некоректен критерии за търсене!";

// A ninth grid column some lists bring.
enum class Extra { None, Firm, Stock };

struct ListQuery {
    QString sql; // without ORDER BY: the list orders its pages
    QVariantList params;
    Extra extra = Extra::None;
    // The same statement in its parts: "SELECT ...", " FROM ...", the condition.
    QString select, from, where;
    // A tree node's list: every article of the catalogue or of one group, its
    // orders served by the article indexes.
    bool node = false;
    bool wholeCatalogue = false;
    QString countSql; // counts the list without reading its rows; empty: its rows are counted
    // A condition met by many articles (a common part of a name): the list
    // is read along its order's index with it, a page at a time, its rows
    // counted as they are read, never all found first (in the group order
    // group by group, each group's articles along their number).
    bool alongOrder = false;
};

// The Produkti columns a list reads ("Produkti.ID, Produkti.Nomenkl_N, ...").
QString articleColumns();
// The articles joined to their groups (" FROM Produkti JOIN Grupi ON ...").
QString articlesFrom();

bool isRoot(const QString &nodeText);
// A node of the special group: named "Изтрити артикули", whatever its key.
bool isDeletedGroup(const QString &nodeText);

// The root lists every article whose group exists; another node only the
// articles directly in its group.
ListQuery nodeList(const QString &nodeText);

// The search by a criterion. Nothing (*message = BadCriteria) for the group
// columns, an unknown criterion, or a number criterion given a text that is
// not a number. A part of a name is looked up in the name index (DbError).
std::optional<ListQuery> search(int criterion, int comparison, const QString &from, const QString &to,
                                bool partOfWord, QString *message = nullptr);

// Stock over all warehouses of the given articles (0 without stock rows).
ListQuery availability(const QList<long long> &ids);
} // namespace ArticleSearch
