#include "platform/db/keyset_reader.h"

#include "platform/db/database.h"

#include <QStringList>

#include <algorithm>

KeysetReader::KeysetReader(KeysetList list)
    : m_list(std::move(list))
{
}

QString KeysetReader::orderBy(bool ascending, int terms, int from) const
{
    QStringList out;
    for (int i = from; i < terms; ++i)
        out << m_list.order.at(i).expression + (ascending ? QString() : QStringLiteral(" DESC"));
    return QStringLiteral(" ORDER BY ") + out.join(QStringLiteral(", "));
}

QString KeysetReader::groupOrderBy(bool ascending) const
{
    if (m_list.groupOrder.isEmpty())
        return orderBy(ascending, m_list.groupTerms);
    const QString way = ascending ? QString() : QStringLiteral(" DESC");
    return QStringLiteral(" ORDER BY ") + m_list.groupOrder.join(way + QStringLiteral(", ")) + way;
}

QString KeysetReader::whereWith(const QString &condition) const
{
    QStringList parts;
    for (const QString &c : {m_list.where, condition})
        if (!c.isEmpty())
            parts << QLatin1Char('(') + c + QLatin1Char(')');
    const QString group = m_list.grouped ? QStringLiteral(" GROUP BY ") + terms() : QString();
    return (parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "))) + group;
}

QString KeysetReader::whereOwn(const QString &own, const QString &condition) const
{
    return QStringLiteral(" WHERE (") + own
           + (condition.isEmpty() ? QString() : QStringLiteral(") AND (") + condition) + QLatin1Char(')');
}

QString KeysetReader::terms() const
{
    QStringList columns;
    for (const KeysetList::Term &t : m_list.order)
        columns << t.expression;
    return columns.join(QStringLiteral(", "));
}

QString KeysetReader::countSql(const QString &condition) const
{
    return m_list.grouped ? QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 AS n%1%2) counted").arg(m_list.from, whereWith(condition))
                          : QStringLiteral("SELECT COUNT(*)") + m_list.from + whereWith(condition);
}

QString KeysetReader::countSql() const
{
    return countSql({});
}

qint64 KeysetReader::countOf(const QString &condition, const QVariantList &params) const
{
    ++m_statements;
    return Db::scalar(countSql(condition), m_list.params + params).toLongLong();
}

QString KeysetReader::sql() const
{
    return m_list.select + m_list.from + whereWith({}) + orderBy(!m_list.descending, int(m_list.order.size()));
}

qint64 KeysetReader::count() const
{
    return countOf({}, {});
}

KeysetReader::Piece KeysetReader::equalTo(const Key &key, int terms, int from) const
{
    Piece p;
    QStringList parts;
    for (int i = from; i < terms; ++i) {
        const QString &e = m_list.order.at(i).expression;
        if (key.value(i).isNull()) {
            parts << e + QStringLiteral(" IS NULL");
        } else {
            parts << e + QStringLiteral(" = ?");
            p.params << key.value(i);
        }
    }
    p.condition = parts.join(QStringLiteral(" AND "));
    return p;
}

QList<KeysetReader::Piece> KeysetReader::piecesAfter(const Key &key, int terms, int lowest, bool ascending,
                                                      bool inclusive) const
{
    // Rows after (a, b, c): a = ? AND b = ? AND c > ?, then a = ? AND b > ?,
    // then a > ?. NULLs come where the engine sorts them: SQLite before every
    // value, a server after (ascending), so read one way they are after
    // nothing or after every value.
    const bool nullsLast = ascending != (Db::engine() == Db::Engine::Sqlite);
    QList<Piece> pieces;
    for (int j = terms - 1; j >= lowest; --j) {
        const int g = m_list.groupTerms;
        Piece prefix = equalTo(key, j);
        if (g > 0 && j >= g && !m_list.orphanRows.isEmpty() && isOrphans(key.mid(0, g))) {
            const Piece rest = equalTo(key, j, g);
            prefix = orphanRows();
            if (!rest.condition.isEmpty())
                prefix.condition += QStringLiteral(" AND ") + rest.condition;
            prefix.params += rest.params;
        }
        const QString &e = m_list.order.at(j).expression;
        const QVariant v = key.value(j);
        if (j > 0 && !key.value(0).isNull())
            prefix.low = prefix.high = key.value(0);
        auto add = [&](const QString &condition, bool bindValue) {
            Piece p = prefix;
            p.condition += (p.condition.isEmpty() ? QString() : QStringLiteral(" AND ")) + condition;
            if (bindValue) {
                p.params << v;
                if (j == 0)
                    (ascending ? p.low : p.high) = v;
            }
            pieces << p;
        };
        const bool own = inclusive && j == terms - 1;
        const QString after = ascending ? (own ? QStringLiteral(" >= ?") : QStringLiteral(" > ?"))
                                        : (own ? QStringLiteral(" <= ?") : QStringLiteral(" < ?"));
        if (j == m_list.order.size() - 1) {
            add(e + after, true); // the unique last term is never NULL
        } else if (v.isNull()) {
            if (own)
                add(e + QStringLiteral(" IS NULL"), false);
            if (!nullsLast)
                add(e + QStringLiteral(" IS NOT NULL"), false);
        } else {
            add(e + after, true);
            if (nullsLast)
                add(e + QStringLiteral(" IS NULL"), false);
        }
    }
    return pieces;
}

QList<KeysetReader::Piece> KeysetReader::split(const Piece &piece) const
{
    if (m_list.parts.isEmpty())
        return {piece};
    QList<Piece> out;
    const QString &second = m_list.order.at(1).expression;
    for (const KeysetList::Part &part : m_list.parts) {
        Piece p;
        QStringList conditions{part.condition};
        p.params = part.params;
        if (!piece.low.isNull()) {
            conditions << second + QStringLiteral(" >= ") + part.atLeast;
            p.params << piece.low << part.boundParams;
        }
        if (!piece.high.isNull()) {
            conditions << second + QStringLiteral(" <= ") + part.atMost;
            p.params << piece.high << part.boundParams;
        }
        if (!piece.condition.isEmpty())
            conditions << piece.condition;
        p.condition = QLatin1Char('(') + conditions.join(QStringLiteral(") AND (")) + QLatin1Char(')');
        p.params += piece.params;
        out << p;
    }
    return out;
}

void KeysetReader::readPiece(const Piece &piece, bool ascending, qint64 *skip, qint64 *take,
                             QList<QVariantList> *rows, QSqlRecord *fields, bool whole) const
{
    QString sql;
    QVariantList params;
    QList<Piece> counted{piece}; // passed over whole when the rows wanted lie after them
    if (!m_list.parts.isEmpty() && !whole) {
        // Each part's rows along its index, up to the rows wanted, then the
        // few read sorted together.
        counted = split(piece);
        QStringList reads, terms;
        for (const Piece &p : counted) {
            reads << QStringLiteral("SELECT * FROM (") + m_list.select + m_list.from + whereWith(p.condition)
                         + orderBy(ascending, int(m_list.order.size()), 1)
                         + QStringLiteral(" LIMIT ?) part%1").arg(reads.size());
            params << m_list.params << p.params << *take + *skip;
        }
        for (const KeysetList::Term &t : m_list.order)
            terms << t.field + (ascending ? QString() : QStringLiteral(" DESC"));
        sql = QStringLiteral("SELECT * FROM (") + reads.join(QStringLiteral(" UNION ALL "))
              + QStringLiteral(") merged ORDER BY ") + terms.join(QStringLiteral(", "));
    } else {
        // A piece of a stepped list lies within one row of the first terms'
        // table: ordered by those terms too, an engine may sort the piece
        // whole. A whole piece spans the following rows, in the whole order.
        QString order = orderBy(ascending, int(m_list.order.size()), whole ? 0 : m_list.groupTerms);
        if (whole && !m_list.groupOrder.isEmpty())
            order = groupOrderBy(ascending) + QStringLiteral(", ")
                    + orderBy(ascending, int(m_list.order.size()), m_list.groupTerms).mid(10);
        sql = m_list.select
              + (whole ? m_list.pageFrom + whereOwn(m_list.pageWhere, piece.condition) : m_list.from + whereWith(piece.condition))
              + order;
        params = m_list.params + piece.params;
    }
    // Kept prepared: a server parses a list's page statement once, not at
    // every click, and frees none of them in a round trip of its own.
    const QList<QVariantList> got = Db::valueRows(sql + QStringLiteral(" LIMIT ? OFFSET ?"),
                                                  params + QVariantList{*take, *skip},
                                                  fields && fields->isEmpty() ? fields : nullptr, m_list.select);
    ++m_statements;
    if (got.isEmpty() && *skip > 0) {
        // The piece ends before the rows wanted: pass over all of it.
        for (const Piece &p : counted) {
            if (whole) {
                ++m_statements;
                *skip -= Db::scalar(QStringLiteral("SELECT COUNT(*)") + m_list.pageFrom + whereOwn(m_list.pageWhere, p.condition),
                                    m_list.params + p.params)
                             .toLongLong();
            } else {
                *skip -= countOf(p.condition, p.params);
            }
        }
        *skip = qMax<qint64>(*skip, 0);
        return;
    }
    *skip = 0;
    *take -= got.size();
    *rows += got;
}

KeysetReader::Piece KeysetReader::orphanRows() const
{
    if (m_list.orphanRows.isEmpty())
        return equalTo(Key(m_list.groupTerms), m_list.groupTerms);
    // Many near the start are read row by row; else along the kept list.
    const bool kept = !m_list.orphanRowsKept.isEmpty() && hasOrphans() && !m_orphansNear;
    return Piece{kept ? m_list.orphanRowsKept : m_list.orphanRows, {}, {}, {}};
}

bool KeysetReader::orphansFirst(bool ascending) const
{
    return ascending == (Db::engine() == Db::Engine::Sqlite);
}

bool KeysetReader::isOrphans(const Key &group) const
{
    // A group of the step has its table's key, never NULL.
    return !m_list.orphans.isEmpty()
           && std::all_of(group.cbegin(), group.cend(), [](const QVariant &v) { return v.isNull(); });
}

bool KeysetReader::hasOrphans() const
{
    if (m_list.orphans.isEmpty())
        return false;
    if (!m_orphans && !m_list.orphansKept.isEmpty()) {
        ++m_statements;
        if (!Db::firstRow(m_list.orphansKept).has_value())
            m_orphans = false;
    }
    if (!m_orphans && !m_list.orphanRows.isEmpty() && !m_list.grouped) {
        // Where they are many (sales of no client), one is among the list's
        // first rows: found without a server's join of every row.
        ++m_statements;
        const QString probed = QStringLiteral("SELECT 1 FROM (SELECT %1 AS Orphan").arg(m_list.orphanRows) + m_list.from
                               + whereWith(QString())
                               + QStringLiteral(" LIMIT %1) probed WHERE probed.Orphan LIMIT 1").arg(OrphansProbed);
        if (Db::firstRow(probed, m_list.params).has_value())
            m_orphans = m_orphansNear = true;
    }
    if (!m_orphans) {
        ++m_statements;
        const QString from = m_list.orphansFrom.isEmpty() ? m_list.from : m_list.orphansFrom;
        m_orphans = Db::firstRow(QStringLiteral("SELECT 1") + from + whereWith(m_list.orphans) + QStringLiteral(" LIMIT 1"),
                                 m_list.params)
                        .has_value();
    }
    return *m_orphans;
}

std::optional<KeysetReader::Key> KeysetReader::nextGroup(const std::optional<Key> &group, bool ascending) const
{
    // The rows without a group's row are none of the step's groups: they
    // come where their NULLs sort.
    const int g = m_list.groupTerms;
    const bool first = orphansFirst(ascending);
    const bool atOrphans = group && isOrphans(*group);
    if (!group && first && hasOrphans())
        return Key(g);
    if (atOrphans && !first)
        return std::nullopt;
    QStringList columns;
    for (int i = 0; i < g; ++i)
        columns << m_list.order.at(i).expression;
    const QList<Piece> pieces = group && !atOrphans ? piecesAfter(*group, g, 0, ascending, false) : QList<Piece>{Piece{}};
    const bool ownWhere = !m_list.stepFrom.isEmpty() && !m_list.stepWhere.isEmpty();
    for (const Piece &p : pieces) {
        const QString where = ownWhere ? whereOwn(m_list.stepWhere, p.condition) : whereWith(p.condition);
        ++m_statements;
        const auto row = Db::firstRow(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", "))
                                          + (m_list.stepFrom.isEmpty() ? m_list.from : m_list.stepFrom) + where
                                          + groupOrderBy(ascending) + QStringLiteral(" LIMIT 1"),
                                      m_list.params + p.params);
        if (row) {
            Key key;
            for (int i = 0; i < g; ++i)
                key << row->value(i);
            return key;
        }
    }
    if (!first && !atOrphans && hasOrphans())
        return Key(g);
    return std::nullopt;
}

void KeysetReader::readGroupsAfter(std::optional<Key> group, bool ascending, qint64 *skip, qint64 *take,
                                   QList<QVariantList> *rows, QSqlRecord *fields) const
{
    const int g = m_list.groupTerms;
    auto wanted = [&] { return *take > 0 || (fields && fields->isEmpty()); };
    if (m_list.pageFrom.isEmpty()) {
        // The next groups, one at a time, each read by its own index range.
        while (wanted()) {
            group = nextGroup(group, ascending);
            if (!group) {
                if (fields && fields->isEmpty())
                    readPiece(Piece{QStringLiteral("1 = 0"), {}, {}, {}}, ascending, skip, take, rows, fields);
                return;
            }
            readPiece(isOrphans(*group) ? orphanRows() : equalTo(*group, g), ascending, skip, take, rows, fields);
        }
        return;
    }
    // Groups of a few rows: the following groups' rows in one statement
    // each piece, the rows without a group where they sort.
    const bool first = orphansFirst(ascending);
    const Key none(g);
    if (!group && first && hasOrphans()) {
        readPiece(orphanRows(), ascending, skip, take, rows, fields);
        group = none;
    }
    const bool afterOrphans = group && isOrphans(*group);
    if (!(afterOrphans && !first)) {
        QList<Piece> pieces{Piece{}};
        if (group && !afterOrphans) {
            pieces = piecesAfter(*group, g, 0, ascending, false);
        } else if (Db::engine() == Db::Engine::Postgres && m_list.pageOrderedTerms > 0 && m_list.pageOrderedTerms < g) {
            // From the first group's key: its piece lies within one row of
            // the step's table, whose rows the server then reads in order.
            const std::optional<Key> start = nextGroup(group, ascending);
            pieces = start && !isOrphans(*start) ? piecesAfter(*start, g, 0, ascending, true) : QList<Piece>{};
        }
        for (const Piece &p : pieces)
            if (wanted())
                readPiece(p, ascending, skip, take, rows, fields, true);
        if (!first && wanted() && hasOrphans())
            readPiece(orphanRows(), ascending, skip, take, rows, fields);
    }
    if (fields && fields->isEmpty())
        readPiece(Piece{QStringLiteral("1 = 0"), {}, {}, {}}, ascending, skip, take, rows, fields);
}

std::optional<KeysetReader::Key> KeysetReader::keyAfter(const std::optional<Key> &key, bool forward, bool inclusive,
                                                        qint64 skip) const
{
    const bool ascending = forward != m_list.descending;
    const QList<Piece> pieces =
        key ? piecesAfter(*key, int(m_list.order.size()), 0, ascending, inclusive) : QList<Piece>{Piece{}};
    for (const Piece &p : pieces) {
        ++m_statements;
        const auto row = Db::firstRow(QStringLiteral("SELECT ") + terms() + m_list.from + whereWith(p.condition)
                                          + orderBy(ascending, int(m_list.order.size())) + QStringLiteral(" LIMIT 1 OFFSET ?"),
                                      m_list.params + p.params + QVariantList{skip});
        if (row) {
            Key found;
            for (int i = 0; i < row->count(); ++i)
                found << row->value(i);
            return found;
        }
        skip -= countOf(p.condition, p.params);
        if (skip < 0)
            return std::nullopt;
    }
    return std::nullopt;
}

QList<QVariantList> KeysetReader::read(const std::optional<Key> &key, bool forward, bool inclusive, qint64 skip,
                                       qint64 take, QSqlRecord *fields) const
{
    // A far row: its key is found by the order terms alone, which the index
    // holds, and the rows are read from it; the rows passed over are not.
    constexpr qint64 FarSkip = 1000;
    if (skip > FarSkip && m_list.groupTerms == 0 && m_list.parts.isEmpty() && !(fields && fields->isEmpty())) {
        const std::optional<Key> far = keyAfter(key, forward, inclusive, skip);
        return far ? read(far, forward, true, 0, take, fields) : QList<QVariantList>{};
    }
    const bool ascending = forward != m_list.descending;
    const int terms = int(m_list.order.size());
    const int g = m_list.groupTerms;
    QList<QVariantList> rows;
    std::optional<Key> group;
    if (key) {
        for (const Piece &p : piecesAfter(*key, terms, g, ascending, inclusive)) {
            if (take <= 0 && !(fields && fields->isEmpty()))
                return rows;
            readPiece(p, ascending, &skip, &take, &rows, fields);
        }
        if (g == 0)
            return rows;
        group = key->mid(0, g);
    } else if (g == 0) {
        readPiece(Piece{}, ascending, &skip, &take, &rows, fields);
        return rows;
    }
    readGroupsAfter(group, ascending, &skip, &take, &rows, fields);
    return rows;
}

qint64 KeysetReader::rowsBefore(const Key &key, qint64 atMost) const
{
    return rowsBeside(key, true, atMost);
}

QString KeysetReader::boundedCount(const Piece &piece) const
{
    return QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 AS n") + m_list.from + whereWith(piece.condition)
           + QStringLiteral(" LIMIT ?) counted");
}

std::pair<qint64, qint64> KeysetReader::rowsAround(const Key &key, qint64 atMost) const
{
    // Each piece counted up to the bound, so the pieces of both sides go in
    // one statement: on a server one round trip instead of one a piece.
    QStringList counts;
    QVariantList params;
    QList<bool> sides;
    for (const bool before : {true, false}) {
        for (const Piece &piece : piecesAfter(key, int(m_list.order.size()), 0, before == m_list.descending, false)) {
            for (const Piece &p : split(piece)) {
                counts << QStringLiteral("(%1) AS c%2").arg(boundedCount(p)).arg(counts.size());
                params << m_list.params << p.params << atMost;
                sides << before;
            }
        }
    }
    ++m_statements;
    const auto row = Db::firstRow(QStringLiteral("SELECT ") + counts.join(QStringLiteral(", ")), params);
    qint64 before = 0, after = 0;
    for (qsizetype i = 0; row && i < sides.size(); ++i)
        (sides.at(i) ? before : after) += row->value(int(i)).toLongLong();
    return {qMin(before, atMost), qMin(after, atMost)};
}

qint64 KeysetReader::rowsBeside(const Key &key, bool before, qint64 atMost) const
{
    // Rows before a key are those after it read the other way.
    const bool ascending = before == m_list.descending;
    qint64 n = 0;
    QList<Piece> pieces;
    for (const Piece &piece : piecesAfter(key, int(m_list.order.size()), 0, ascending, false))
        pieces += split(piece);
    for (const Piece &p : pieces) {
        if (atMost < 0) {
            n += countOf(p.condition, p.params);
            continue;
        }
        // A bounded count stops reading where the bound is reached.
        ++m_statements;
        n += Db::scalar(boundedCount(p), m_list.params + p.params + QVariantList{atMost - n}).toLongLong();
        if (n >= atMost)
            return atMost;
    }
    return n;
}

QList<KeysetReader::Key> KeysetReader::keysWhere(const QString &condition, const QVariantList &params) const
{
    ++m_statements;
    return Db::valueRows(QStringLiteral("SELECT ") + terms() + m_list.from + whereWith(condition)
                             + orderBy(!m_list.descending, int(m_list.order.size())),
                         m_list.params + params);
}

QList<KeysetReader::Key> KeysetReader::keysOf(const QVariantList &values) const
{
    if (values.isEmpty())
        return {};
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    return keysWhere(m_list.order.last().expression + QStringLiteral(" IN (") + marks.join(QLatin1Char(','))
                         + QLatin1Char(')'),
                     values);
}

QList<KeysetReader::Key> KeysetReader::spread(int size) const
{
    if (size <= 0 || (m_list.grouped && m_list.spreadBy.isEmpty()))
        return {}; // a group's terms are no one number to spread
    // A grouped list: the groups of the rows found, its rows read ungrouped.
    const QString &last = m_list.grouped ? m_list.spreadBy : m_list.order.last().expression;
    const auto rowsWhere = [&](const QString &condition) {
        return whereOwn(m_list.where.isEmpty() ? QStringLiteral("1 = 1") : m_list.where, condition);
    };
    // The least and the greatest in one statement, each one step along the
    // last term's index.
    auto end = [&](bool least) -> QString {
        return QStringLiteral("(SELECT ") + last + m_list.from + rowsWhere(last + QStringLiteral(" IS NOT NULL"))
               + QStringLiteral(" ORDER BY ") + last + (least ? QString() : QStringLiteral(" DESC")) + QStringLiteral(" LIMIT 1)");
    };
    ++m_statements;
    const std::optional<QSqlRecord> ends =
        Db::firstRow(QStringLiteral("SELECT ") + end(true) + QStringLiteral(", ") + end(false), m_list.params + m_list.params);
    const QVariant least = ends ? ends->value(0) : QVariant();
    static const QList<int> whole{QMetaType::Int, QMetaType::UInt, QMetaType::LongLong, QMetaType::ULongLong};
    if (least.isNull() || !whole.contains(least.typeId()))
        return {}; // no rows, or a last term that is no number to spread

    // The evenly spaced values made by the statement itself: a server plans
    // one step instead of one per value.
    const QVariantList at{size, least.toLongLong(), ends->value(1).toLongLong(), least.toLongLong(), size};
    const QString values =
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < CAST(? AS INTEGER)), "
                       "spread(v) AS (SELECT CAST(CAST(? AS BIGINT) + (CAST(? AS BIGINT) - CAST(? AS BIGINT)) * "
                       "(i / CAST(? AS DOUBLE PRECISION)) AS BIGINT) FROM n) ");
    // Each value's row is one step along the last term's index.
    const QString first = QStringLiteral("(SELECT ") + last + m_list.from + rowsWhere(last + QStringLiteral(" >= spread.v"))
                          + QStringLiteral(" ORDER BY ") + last + QStringLiteral(" LIMIT 1)");
    const QString picked = values + QStringLiteral("SELECT ") + first + QStringLiteral(" AS v FROM spread");
    if (!m_list.grouped)
        return keysWhere(last + QStringLiteral(" IN (") + picked + QLatin1Char(')'), at + m_list.params);
    // The rows found first, then each one's group: an engine that knows no
    // better would walk every row in the groups' order instead of sorting
    // those few groups.
    ++m_statements;
    return Db::valueRows(QStringLiteral("SELECT ") + terms() + QStringLiteral(" FROM (") + picked
                             + QStringLiteral(") picked CROSS JOIN ") + m_list.from.mid(6)
                             + whereWith(last + QStringLiteral(" = picked.v"))
                             + orderBy(!m_list.descending, int(m_list.order.size())),
                         at + m_list.params + m_list.params);
}

std::optional<KeysetReader::Key> KeysetReader::keyWhere(const QString &condition, const QVariantList &params) const
{
    ++m_statements;
    const auto row = Db::firstRow(QStringLiteral("SELECT ") + terms() + m_list.from + whereWith(condition)
                                      + QStringLiteral(" LIMIT 1"),
                                  m_list.params + params);
    if (!row)
        return std::nullopt;
    Key key;
    for (int i = 0; i < row->count(); ++i)
        key << row->value(i);
    return key;
}

KeysetReader::Key KeysetReader::keyOf(const QSqlRecord &fields, const QVariantList &row) const
{
    Key key;
    for (const KeysetList::Term &t : m_list.order) {
        int at = -1;
        for (int c = 0; c < fields.count() && at < 0; ++c)
            if (fields.fieldName(c).compare(t.field, Qt::CaseInsensitive) == 0)
                at = c;
        key << row.value(at);
    }
    return key;
}
