#pragma once
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <optional>
#include <utility>

// An ordered list whose order an index serves, read by the key of a row the
// reader knows instead of counting rows from the first: the rows after a key
// are those whose order values are greater, each such piece one index range,
// however far into the list it lies. NULL sorts where the engine sorts it
// (SQLite first, a server last); a descending list is the ascending one read
// backwards.
struct KeysetList {
    struct Term {
        QString expression; // in the statement ("Produkti.Opisanie")
        QString field;      // the result column that shows it ("Opisanie")
    };
    QString select; // "SELECT <columns>"
    QString from;   // " FROM <table> [JOIN ...]"
    QString where;  // a condition, or empty
    QVariantList params;
    QList<Term> order; // the last term is unique per row and never NULL
    // The first terms come from a table joined one row to many (a group and
    // its articles): its rows are stepped through one at a time, and a piece,
    // within one of them, is ordered by the other terms alone, so an index
    // of the many rows serves it and no piece sorts a whole group's rows.
    int groupTerms = 0;
    // The FROM of the step to the next group, when it is not `from`: the
    // same rows, the first terms' table written first. With `stepWhere`, the
    // step's whole condition instead of `where` (it takes the list's values),
    // such as that the table's row has rows in the list.
    QString stepFrom;
    QString stepWhere;
    // The FROM and whole condition (with `where`, taking the list's values)
    // that read the rows of the following groups in one statement, the first
    // terms' table written first: for groups of a few rows each.
    QString pageFrom;
    QString pageWhere;
    // The order of the first terms in the step and in that statement
    // (ascending), when not those terms: with the rest of each table's index
    // and its Db::rowNumberTerm after that table's terms, where the engine
    // has one, so it reads each table's rows in order without sorting them.
    QStringList groupOrder;
    // How many first terms the step's table alone orders, when fewer than
    // the group's (a group two joins away: the groups' table, then their
    // articles): a server sorts all the rows of such a value whole before the
    // first of them, so a page from the start of the following groups is
    // read from the key of the first one, one piece within that value first.
    int pageOrderedTerms = 0;
    // Where `from` joins the first terms' table to the rest as an outer
    // join and the step to the next group an inner one: the condition, on
    // `orphansFrom` (`from` when empty) with `where`, of the rows `from` finds
    // no row of that table for (`orphansFrom` may find more). They are one
    // group, every group term NULL, where the engine sorts NULL.
    QString orphans;
    QString orphansFrom;
    // A statement that finds no row when there are none: asked first, as
    // a server may walk a whole index for `orphans`.
    QString orphansKept;
    // The condition, on `from`, their rows are read by (in the last terms'
    // order) when it is not that every group term IS NULL: an engine may
    // read a whole table to find NULLs of an outer join.
    QString orphanRows;
    // The condition they are read by instead when none is among the list's
    // first rows, along a list kept of them: read as `orphanRows`, a few of
    // them among many rows would be looked for through every row.
    QString orphanRowsKept;
    bool descending = false;
    // Each row is a group of the order terms (the select aggregates the
    // other columns): rows are counted and passed over as groups.
    bool grouped = false;
    // A grouped list's whole-number column of its table's rows, indexed,
    // that spreads it: the groups of the rows at evenly spaced values.
    QString spreadBy;
    // A list merged from a few parts (a currency's sales each), each a
    // condition on `from` whose rows, in the order of the terms after the
    // first, are in the list's order too: within a part the first term never
    // falls as the second rises (an amount times a rate above 0). A piece is
    // read from every part along the part's index and the rows merged. From
    // a value of the first term (their first "?", then `boundParams`),
    // `atLeast` and `atMost` bound the second term of the part's rows whose
    // first term is at least, or at most, that value.
    struct Part {
        QString condition;
        QVariantList params;
        QString atLeast, atMost;
        QVariantList boundParams;
    };
    QList<Part> parts;
};

class KeysetReader
{
public:
    using Key = QVariantList; // the values of the order terms

    KeysetReader() = default;
    explicit KeysetReader(KeysetList list);
    const KeysetList &list() const { return m_list; }

    // The whole list in its order, and its rows counted (the statement that
    // counts them takes the list's values); throws DbError.
    QString sql() const;
    QString countSql() const;
    qint64 count() const;
    // Up to `take` rows after `key` (from the first row when there is none),
    // `skip` rows passed over first. Forward follows the list's order,
    // backward goes towards its first row; `inclusive` starts at the key's own
    // row. `fields` receives the columns. Throws DbError.
    QList<QVariantList> read(const std::optional<Key> &key, bool forward, bool inclusive, qint64 skip,
                             qint64 take, QSqlRecord *fields = nullptr) const;
    // How many rows come before the row of `key`, counted up to `atMost`
    // when it is not negative; throws DbError.
    qint64 rowsBefore(const Key &key, qint64 atMost = -1) const;
    // Those before and those after it, each counted up to `atMost`, in one
    // statement; throws DbError.
    std::pair<qint64, qint64> rowsAround(const Key &key, qint64 atMost) const;
    // The keys of up to `size` rows spread over the list, in its order: the
    // first row at or after each of `size` values evenly spaced between the
    // least and the greatest of the last term (a whole number; `spreadBy`
    // in a grouped list), each found by one indexed step. Fewer when values
    // repeat; none for a grouped list without `spreadBy`. Throws DbError.
    QList<Key> spread(int size) const;
    // The keys of the listed rows whose last term is one of `values`, in the
    // list's order; throws DbError.
    QList<Key> keysOf(const QVariantList &values) const;
    // The key of the first row that also meets `condition`; throws DbError.
    std::optional<Key> keyWhere(const QString &condition, const QVariantList &params) const;
    Key keyOf(const QSqlRecord &fields, const QVariantList &row) const;

    int statementsRun() const { return m_statements; }

private:
    struct Piece {
        QString condition;
        QVariantList params;
        // The first term's values the piece's rows lie between, where known.
        QVariant low, high;
    };
    QString orderBy(bool ascending, int terms, int from = 0) const;
    QString groupOrderBy(bool ascending) const;
    QString whereWith(const QString &condition) const; // with the GROUP BY of a grouped list
    QString whereOwn(const QString &own, const QString &condition) const; // a statement's own condition, not `where`
    QString terms() const; // the order terms as a select list
    QString countSql(const QString &condition) const;
    qint64 countOf(const QString &condition, const QVariantList &params) const;
    // The key `skip` rows on from `key` (the first row when there is none),
    // read by the order terms alone; none when the list ends first.
    std::optional<Key> keyAfter(const std::optional<Key> &key, bool forward, bool inclusive, qint64 skip) const;
    // The pieces of rows after the first `terms` values of `key`, nearest first.
    QList<Piece> piecesAfter(const Key &key, int terms, int lowest, bool ascending, bool inclusive) const;
    Piece equalTo(const Key &key, int terms, int from = 0) const; // terms [from, terms)
    Piece orphanRows() const; // the rows of the group of none
    qint64 rowsBeside(const Key &key, bool before, qint64 atMost) const;
    QString boundedCount(const Piece &piece) const; // of a piece's rows, up to a bound (its last value)
    QList<Key> keysWhere(const QString &condition, const QVariantList &params) const;
    std::optional<Key> nextGroup(const std::optional<Key> &group, bool ascending) const;
    bool orphansFirst(bool ascending) const;
    bool isOrphans(const Key &group) const;
    bool hasOrphans() const;
    // A piece as it is read: itself, or its rows of each part of a merged
    // list, bounded along that part's index.
    QList<Piece> split(const Piece &piece) const;
    // Reads one piece into `rows`, passing over `skip` rows (counted when the
    // piece holds fewer); `whole`: of following groups, on `pageFrom`.
    void readPiece(const Piece &piece, bool ascending, qint64 *skip, qint64 *take, QList<QVariantList> *rows,
                   QSqlRecord *fields, bool whole = false) const;
    // The rows of the groups after `group` (from the first when none).
    void readGroupsAfter(std::optional<Key> group, bool ascending, qint64 *skip, qint64 *take,
                         QList<QVariantList> *rows, QSqlRecord *fields) const;

    KeysetList m_list;
    mutable int m_statements = 0;
    mutable std::optional<bool> m_orphans; // looked for once: it may read every row
    mutable bool m_orphansNear = false;    // one is among the list's first rows
    static constexpr int OrphansProbed = 256;
};
