#include "platform/db/paged_list_model.h"

#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QSqlQuery>

#include <algorithm>

namespace {
constexpr int KeptPages = 64;
}

PagedListModel::PagedListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QList<QVariantList> PagedListModel::readByKey(qint64 offset, qint64 limit, QSqlRecord *fields) const
{
    const KeysetReader &reader = *m_keyset;
    const int before = reader.statementsRun();
    limit = qMax<qint64>(0, qMin(limit, m_count - offset));
    // The nearest row whose key is known: the first, the last, the ends of
    // the pages held, the row found last.
    struct Start {
        std::optional<KeysetReader::Key> key;
        qint64 row = -1; // -1 before the first row, m_count after the last
        qint64 distance = 0;
    };
    Start best{std::nullopt, -1, offset};
    auto consider = [&](qint64 row, const KeysetReader::Key &key) {
        const qint64 d = row < offset ? offset - row - 1 : row >= offset + limit ? row - offset - limit : 0;
        if (d < best.distance)
            best = {key, row, d};
    };
    if (!m_more && m_count - offset - limit < best.distance)
        best = {std::nullopt, m_count, m_count - offset - limit};
    if (fields == nullptr) {
        for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
            if (it->isEmpty())
                continue;
            consider(qint64(it.key()) * PageSize, reader.keyOf(m_fields, it->first()));
            consider(qint64(it.key()) * PageSize + it->size() - 1, reader.keyOf(m_fields, it->last()));
        }
        if (m_anchor)
            consider(m_anchor->first, m_anchor->second);
        for (auto it = m_estimated.cbegin(); it != m_estimated.cend(); ++it)
            consider(it.key(), it.value());
    }
    QList<QVariantList> rows;
    if (fields == nullptr && !m_more && best.distance > ExactRows && !spread().isEmpty()) {
        // Far from every key known: the page holding the row starts at the
        // spread row nearest its place, and that start is kept, so the rows
        // numbered from it keep their numbers when read again. Near the
        // list's end the exact road below is taken.
        const qint64 page = offset / PageSize * PageSize;
        const qint64 at = qBound<qint64>(0, page * spread().size() / qMax<qint64>(m_count, 1), spread().size() - 1);
        rows = reader.read(spread().at(at), true, true, offset - page, limit, nullptr);
        if (rows.size() == limit) {
            m_estimated.insert(page, spread().at(at));
            m_statements += reader.statementsRun() - before;
            return rows;
        }
        rows.clear();
    }
    if (best.row < offset) {
        rows = reader.read(best.key, true, false, best.distance, limit, fields);
    } else if (best.row >= offset + limit) {
        rows = reader.read(best.key, false, false, best.distance, limit, fields);
        std::reverse(rows.begin(), rows.end());
    } else {
        rows = reader.read(best.key, false, false, 0, best.row - offset, fields);
        std::reverse(rows.begin(), rows.end());
        rows += reader.read(best.key, true, true, 0, offset + limit - best.row, fields);
    }
    m_statements += reader.statementsRun() - before;
    return rows;
}

QList<QVariantList> PagedListModel::readRows(qint64 offset, qint64 limit, QSqlRecord *fields) const
{
    if (m_keyset)
        return readByKey(offset, limit, fields);
    if (!m_rowSql.isEmpty()) {
        const QVariantList keys = m_keys.mid(offset, limit);
        QStringList marks;
        for (qsizetype i = 0; i < keys.size(); ++i)
            marks << QStringLiteral("?");
        // No key at all still names the fields.
        QSqlRecord named;
        const QList<QVariantList> got = Db::valueRows(
            m_rowSql.arg(keys.isEmpty() ? QStringLiteral("NULL") : marks.join(QLatin1Char(','))), keys, &named, m_rowSql);
        ++m_statements;
        if (fields)
            *fields = named;
        const int keyColumn = named.indexOf(m_keyField);
        QHash<QString, QVariantList> byKey;
        for (const QVariantList &row : got)
            byKey.insert(row.value(keyColumn).toString(), row);
        QList<QVariantList> rows;
        for (const QVariant &key : keys) {
            const auto it = byKey.constFind(key.toString());
            if (it != byKey.constEnd())
                rows.append(*it);
        }
        return rows;
    }
    QVariantList params = m_params;
    params << limit << offset;
    const QList<QVariantList> got = Db::valueRows(m_sql + QStringLiteral(" LIMIT ? OFFSET ?"), params, fields, m_sql);
    ++m_statements;
    return got;
}

void PagedListModel::setQuery(const QString &sql, const QVariantList &params, qint64 count)
{
    start(sql, params, {}, {}, {}, std::nullopt, count);
}

void PagedListModel::setKeysetQuery(const KeysetList &list, std::optional<qint64> count)
{
    const KeysetReader reader(list);
    start(reader.sql(), list.params, {}, {}, {}, reader, count ? *count : reader.count());
}

void PagedListModel::setGrowingKeysetQuery(const KeysetList &list)
{
    const KeysetReader reader(list);
    start(reader.sql(), list.params, {}, {}, {}, reader, PageSize, true);
}

bool PagedListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void PagedListModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_more)
        return;
    try {
        const QVariantList *last = row(int(m_count - 1));
        if (!last)
            return;
        const int before = m_keyset->statementsRun();
        const qint64 got =
            m_keyset->read(m_keyset->keyOf(m_fields, *last), true, false, 0, GrowRows).size();
        m_statements += m_keyset->statementsRun() - before;
        grow(m_count + got, got == GrowRows);
    } catch (const DbError &) {
        // The grid asks again when it next reaches the end.
    }
}

void PagedListModel::fetchAll()
{
    while (m_more) {
        const qint64 before = m_count;
        fetchMore({});
        if (m_count == before)
            throw DbError(QStringLiteral("Списъкът не се дочете"));
    }
}

void PagedListModel::grow(qint64 count, bool more)
{
    // The last page read may be short of the rows now known.
    const int lastPage = int((m_count - 1) / PageSize);
    if (m_count > 0 && m_pages.value(lastPage).size() < PageSize) {
        m_pages.remove(lastPage);
        m_recent.removeOne(lastPage);
    }
    if (count > m_count) {
        beginInsertRows({}, int(m_count), int(count - 1));
        m_count = count;
        m_more = more;
        endInsertRows();
    } else {
        m_more = more;
    }
}

int PagedListModel::rowWhere(const QString &condition, const QVariantList &params) const
{
    if (!m_keyset)
        return -1;
    const std::optional<KeysetReader::Key> key = m_keyset->keyWhere(condition, params);
    if (!key)
        return -1;
    qint64 row = heldRow(*key);
    if (row < 0) {
        const int statements = m_keyset->statementsRun();
        const auto [before, after] = m_keyset->rowsAround(*key, ExactRows);
        row = before;
        if (row >= ExactRows && (m_more || m_keyset->list().grouped || spread().isEmpty())) {
            // A growing list, a grouped one (a group's last term is not its
            // own) or one with no spread rows: numbered from its first.
            row = m_keyset->rowsBefore(*key);
        } else if (row >= ExactRows) {
            row = after < ExactRows ? m_count - 1 - after : estimatedRow(*key);
        }
        m_statements += m_keyset->statementsRun() - statements;
    }
    if (m_more && row >= m_count) // the rows up to it exist: the grid shows them
        const_cast<PagedListModel *>(this)->grow(row + 1, true);
    if (row < 0 || row >= m_count)
        return -1;
    m_anchor = std::make_pair(row, *key);
    return int(row);
}

const QList<KeysetReader::Key> &PagedListModel::spread() const
{
    if (!m_spread)
        m_spread = m_keyset ? m_keyset->spread(SpreadRows) : QList<KeysetReader::Key>{};
    return *m_spread;
}

qint64 PagedListModel::heldRow(const KeysetReader::Key &key) const
{
    QList<int> at;
    for (const KeysetList::Term &t : m_keyset->list().order)
        at << fieldIndex(t.field);
    if (at.contains(-1) || key.size() != at.size())
        return -1;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it)
        for (qsizetype r = 0; r < it->size(); ++r) {
            int same = 0;
            while (same < at.size() && it->at(r).value(at.at(same)) == key.at(same))
                ++same;
            if (same == at.size())
                return qint64(it.key()) * PageSize + r;
        }
    return -1;
}

qint64 PagedListModel::estimatedRow(const KeysetReader::Key &key) const
{
    // The key's place among the spread rows, as a share of the list; the
    // rows counted exactly near either end are not where it is.
    QVariantList values;
    for (const KeysetReader::Key &k : spread())
        values << k.last();
    values << key.last();
    const QList<KeysetReader::Key> placed = m_keyset->keysOf(values);
    qint64 at = 0;
    while (at < placed.size() && placed.at(at).last() != key.last())
        ++at;
    const qint64 row = at * m_count / qMax<qint64>(placed.size(), 1);
    return qBound<qint64>(ExactRows, row, qMax<qint64>(ExactRows, m_count - 1 - ExactRows));
}

int PagedListModel::rowOfKey(const QVariant &key) const
{
    const QString wanted = key.toString();
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        if (m_keys.at(i).toString() == wanted)
            return int(i);
    return -1;
}

void PagedListModel::setKeyedQuery(const QString &keySql, const QVariantList &params, const QString &rowSql,
                                   const QString &keyField)
{
    QList<QVariant> keys;
    {
        QSqlQuery q = Db::exec(keySql, params);
        while (q.next())
            keys.append(q.value(0));
        q.finish();
    }
    start(keySql, params, rowSql, keyField, keys, std::nullopt, keys.size());
}

void PagedListModel::start(const QString &sql, const QVariantList &params, const QString &rowSql,
                           const QString &keyField, const QList<QVariant> &keys,
                           const std::optional<KeysetReader> &keyset, qint64 count, bool growing)
{
    const QString oldSql = m_sql, oldRowSql = m_rowSql, oldKeyField = m_keyField;
    const QVariantList oldParams = m_params;
    const QList<QVariant> oldKeys = m_keys;
    const std::optional<KeysetReader> oldKeyset = m_keyset;
    const qint64 oldCount = m_count;
    const bool oldMore = m_more;
    m_sql = sql;
    m_params = params;
    m_rowSql = rowSql;
    m_keyField = keyField;
    m_keys = keys;
    m_keyset = keyset;
    m_count = qMax<qint64>(count, 0);
    m_more = growing; // read as if the list went on until its first page says
    m_statements = 0;
    QSqlRecord fields;
    QList<QVariantList> first;
    try {
        first = readRows(0, PageSize, &fields);
    } catch (...) {
        m_sql = oldSql;
        m_params = oldParams;
        m_rowSql = oldRowSql;
        m_keyField = oldKeyField;
        m_keys = oldKeys;
        m_keyset = oldKeyset;
        m_count = oldCount;
        m_more = oldMore;
        throw;
    }
    if (growing) {
        m_count = first.size();
        m_more = first.size() == PageSize;
    }
    beginResetModel();
    m_fields = fields;
    m_names.clear();
    for (int c = 0; c < fields.count(); ++c)
        m_names << fields.fieldName(c);
    m_anchor.reset();
    // The same list made anew (after an edit) keeps the rows it spread over
    // itself: they are a sample to place rows by, each looked up anew where
    // it now sorts, so a row added or moved since does not mislead it.
    if (!(keyset && oldKeyset && sql == oldSql && params == oldParams))
        m_spread.reset();
    m_estimated.clear();
    m_pages.clear();
    m_recent.clear();
    m_pages.insert(0, first);
    m_recent.append(0);
    endResetModel();
}

void PagedListModel::clear()
{
    beginResetModel();
    m_sql.clear();
    m_params.clear();
    m_rowSql.clear();
    m_keyField.clear();
    m_keys.clear();
    m_keyset.reset();
    m_anchor.reset();
    m_spread.reset();
    m_estimated.clear();
    m_fields = QSqlRecord();
    m_names.clear();
    m_count = 0;
    m_more = false;
    m_pages.clear();
    m_recent.clear();
    endResetModel();
}

void PagedListModel::clearRows()
{
    beginResetModel();
    m_count = 0;
    m_more = false;
    m_keys.clear();
    m_anchor.reset();
    m_spread.reset();
    m_estimated.clear();
    m_pages.clear();
    m_recent.clear();
    endResetModel();
}

void PagedListModel::setShownColumns(int count)
{
    beginResetModel();
    m_shown = count;
    endResetModel();
}

void PagedListModel::setHeaderTitle(const QString &field, const QString &title)
{
    m_titles.insert(field.toUpper(), title);
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

const QVariantList *PagedListModel::row(int r) const
{
    if (r < 0 || r >= m_count || m_sql.isEmpty())
        return nullptr;
    const int page = r / PageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        QList<QVariantList> rows;
        try {
            rows = readRows(qint64(page) * PageSize, PageSize);
        } catch (const DbError &) {
            return nullptr; // the grid shows an empty row; the next paint tries again
        }
        // Evicted before the insert: a removal may move the hash's other
        // entries, and the iterator kept must be the new page's.
        if (m_recent.size() >= KeptPages)
            m_pages.remove(m_recent.takeFirst());
        it = m_pages.insert(page, std::move(rows));
    } else {
        m_recent.removeOne(page);
    }
    m_recent.append(page);
    const int at = r % PageSize;
    return at < it->size() ? &it->at(at) : nullptr;
}

QSqlRecord PagedListModel::record(int r) const
{
    QSqlRecord rec = m_fields;
    if (const QVariantList *values = row(r))
        for (int c = 0; c < rec.count(); ++c)
            rec.setValue(c, values->value(c));
    return rec;
}

QVariant PagedListModel::value(int r, const QString &field) const
{
    const int c = fieldIndex(field);
    const QVariantList *values = c < 0 ? nullptr : row(r);
    return values ? values->value(c) : QVariant();
}

int PagedListModel::fieldIndex(const QString &field) const
{
    for (int c = 0; c < m_names.size(); ++c)
        if (m_names.at(c).compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QList<QSqlRecord> PagedListModel::records(const QList<int> &rows) const
{
    QList<QSqlRecord> out;
    out.reserve(rows.size());
    for (int i = 0; i < rows.size();) {
        int j = i + 1;
        while (j < rows.size() && rows.at(j) == rows.at(j - 1) + 1)
            ++j;
        const int first = rows.at(i);
        if (first >= 0 && first < m_count && !m_sql.isEmpty()) {
            const QList<QVariantList> read = readRows(first, j - i);
            for (const QVariantList &values : read) {
                QSqlRecord rec = m_fields;
                for (int c = 0; c < rec.count(); ++c)
                    rec.setValue(c, values.value(c));
                out.append(rec);
            }
        }
        i = j;
    }
    return out;
}

int PagedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(qMin<qint64>(m_count, std::numeric_limits<int>::max()));
}

int PagedListModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_shown < 0 ? m_fields.count() : qMin(m_shown, int(m_fields.count()));
}

QVariant PagedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariantList *values = row(index.row());
    if (!values)
        return {};
    const QVariant v = values->value(index.column());
    if (role == Qt::DisplayRole)
        return m_decimals.displayText(m_names.value(index.column()), v);
    return v;
}

QVariant PagedListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_fields.count())
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString &name = m_names.at(section);
    return m_titles.value(name.toUpper(), name);
}
