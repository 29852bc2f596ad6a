#include "schema_description.h"

#include "platform/db/database.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <QStringList>

namespace {
QString kind(const QString &type)
{
    const QString t = type.toLower();
    if (t == QLatin1String("integer") || t == QLatin1String("bigint"))
        return QStringLiteral("integer");
    if (t == QLatin1String("double") || t == QLatin1String("double precision"))
        return QStringLiteral("double");
    if (t == QLatin1String("blob") || t == QLatin1String("bytea"))
        return QStringLiteral("blob");
    return t;
}

// A default or a condition without the server's casts, brackets and case.
QString plain(QString text)
{
    static const QRegularExpression cast(QStringLiteral("::[a-z ]+"));
    text = text.toLower().remove(cast);
    text.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
    return text.simplified();
}

QString column(const QString &name, const QString &type, bool notNull, const QString &def, bool key, bool handedOut)
{
    QString out = name.toLower() + QLatin1Char(' ') + kind(type);
    if (notNull && !key)
        out += QStringLiteral(" not null");
    if (!def.isEmpty())
        out += QStringLiteral(" default ") + plain(def);
    if (key)
        out += QStringLiteral(" primary key");
    if (handedOut)
        out += QStringLiteral(" handed out");
    return out;
}

QString index(const QString &table, bool unique, const QStringList &columns, const QString &where)
{
    return QStringLiteral("on ") + table.toLower() + (unique ? QStringLiteral(" unique (") : QStringLiteral(" ("))
           + columns.join(QStringLiteral(", ")).toLower() + QLatin1Char(')')
           + (where.isEmpty() ? QString() : QStringLiteral(" where ") + plain(where));
}

QMap<QString, QString> ofSqlite(const QSqlDatabase &db)
{
    QMap<QString, QString> out;
    for (const QSqlRecord &t : Db::rows(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND "
                                                       "name NOT LIKE 'sqlite_%' AND sql NOT LIKE 'CREATE VIRTUAL%'"),
                                        {}, db)) {
        const QString table = t.value(0).toString();
        const bool autoincrement = t.value(1).toString().contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
        QStringList columns;
        for (const QSqlRecord &c : Db::rows(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk FROM "
                                                           "pragma_table_info(?) ORDER BY cid"),
                                            {table}, db))
            columns << column(c.value(0).toString(), c.value(1).toString(), c.value(2).toInt() != 0,
                              c.value(3).toString(), c.value(4).toInt() > 0, c.value(4).toInt() > 0 && autoincrement);
        out.insert(QStringLiteral("table ") + table.toLower(), columns.join(QStringLiteral(", ")));
        for (const QSqlRecord &i : Db::rows(QStringLiteral("SELECT l.name, l.\"unique\", m.sql FROM pragma_index_list(?) l "
                                                           "JOIN sqlite_master m ON m.name = l.name WHERE l.origin = 'c'"),
                                            {table}, db)) {
            QStringList names;
            for (const QSqlRecord &c : Db::rows(QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"),
                                                {i.value(0)}, db))
                names << c.value(0).toString();
            const QString sql = i.value(2).toString();
            const qsizetype where = sql.indexOf(QLatin1String(" WHERE "), 0, Qt::CaseInsensitive);
            out.insert(QStringLiteral("index ") + i.value(0).toString().toLower(),
                       index(table, i.value(1).toInt() != 0, names, where < 0 ? QString() : sql.mid(where + 7)));
        }
    }
    return out;
}

QMap<QString, QString> ofServer(const QSqlDatabase &db)
{
    QMap<QString, QString> out;
    for (const QSqlRecord &t : Db::rows(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                                       "table_schema = current_schema() AND table_type = 'BASE TABLE'"),
                                        {}, db)) {
        const QString table = t.value(0).toString();
        QStringList keys;
        for (const QSqlRecord &k : Db::rows(QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON "
                                                           "a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) WHERE "
                                                           "i.indrelid = CAST(? AS regclass) AND i.indisprimary"),
                                            {table}, db))
            keys << k.value(0).toString();
        QStringList columns;
        for (const QSqlRecord &c : Db::rows(QStringLiteral("SELECT column_name, data_type, is_nullable, column_default, "
                                                           "is_identity FROM information_schema.columns WHERE table_schema = "
                                                           "current_schema() AND table_name = ? AND column_name <> 'rowid' "
                                                           "ORDER BY ordinal_position"),
                                            {table}, db)) {
            const QString name = c.value(0).toString();
            columns << column(name, c.value(1).toString(), c.value(2).toString() == QLatin1String("NO"),
                              c.value(3).toString(), keys.contains(name),
                              c.value(4).toString() == QLatin1String("YES"));
        }
        out.insert(QStringLiteral("table ") + table.toLower(), columns.join(QStringLiteral(", ")));
        for (const QSqlRecord &i : Db::rows(QStringLiteral("SELECT c.relname, i.indisunique, pg_get_expr(i.indpred, i.indrelid), "
                                                           "(SELECT string_agg(a.attname, ',' ORDER BY k.n) FROM "
                                                           "unnest(i.indkey) WITH ORDINALITY k(attnum, n) JOIN pg_attribute a "
                                                           "ON a.attrelid = i.indrelid AND a.attnum = k.attnum), "
                                                           "0 = ANY(i.indkey) FROM pg_index i JOIN pg_class c ON c.oid = "
                                                           "i.indexrelid WHERE i.indrelid = CAST(? AS regclass) AND NOT "
                                                           "i.indisprimary"),
                                            {table}, db)) {
            if (i.value(4).toBool())
                continue; // an expression index: the server's own name search
            out.insert(QStringLiteral("index ") + i.value(0).toString().toLower(),
                       index(table, i.value(1).toBool(), i.value(3).toString().split(QLatin1Char(',')),
                             i.value(2).toString()));
        }
    }
    return out;
}
} // namespace

QMap<QString, QString> schemaDescription(const QSqlDatabase &db)
{
    return Db::engine(db) == Db::Engine::Postgres ? ofServer(db) : ofSqlite(db);
}
