#include "schema_description.h"

#include "platform/db/database.h"
#include "platform/db/sqlite_engine.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <QStringList>

#include <sqlite3.h>

namespace {
// The kind of a column type. SQLite's INTEGER holds 64 bits: its twin is
// BIGINT, and a server's 32-bit integer is a kind of its own.
QString kind(const QString &type, bool server)
{
    const QString t = type.toLower().simplified();
    if (server) {
        if (t == QLatin1String("bigint"))
            return QStringLiteral("integer");
        if (t == QLatin1String("integer"))
            return QStringLiteral("int4");
        if (t == QLatin1String("double precision"))
            return QStringLiteral("double");
        if (t == QLatin1String("bytea"))
            return QStringLiteral("blob");
    }
    return t;
}

// A default or a condition without the server's casts and brackets, its words
// in lower case; quoted texts stay as they are.
QString plain(const QString &text)
{
    static const QRegularExpression cast(QStringLiteral("::[a-z ]+"));
    QStringList parts = text.split(QLatin1Char('\''));
    for (int i = 0; i < parts.size(); i += 2) {
        QString p = parts.at(i).toLower().remove(cast);
        p.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        parts[i] = p;
    }
    return parts.join(QLatin1Char('\'')).simplified();
}

struct Column {
    QString name, type, def, collation;
    bool notNull = false, key = false, handedOut = false, always = false;
};

QString column(const Column &c, bool server)
{
    QString out = c.name.toLower() + QLatin1Char(' ') + kind(c.type, server);
    if (c.notNull && !c.key)
        out += QStringLiteral(" not null");
    if (!c.def.isEmpty())
        out += QStringLiteral(" default ") + plain(c.def);
    if (!c.collation.isEmpty())
        out += QStringLiteral(" collate ") + c.collation.toLower();
    if (c.key)
        out += QStringLiteral(" primary key");
    if (c.handedOut)
        out += c.always ? QStringLiteral(" handed out always") : QStringLiteral(" handed out");
    return out;
}

QString lowerJoined(const QStringList &names)
{
    return names.join(QStringLiteral(", ")).toLower();
}

QString index(const QString &table, bool unique, const QStringList &columns, const QString &where)
{
    return QStringLiteral("on ") + table.toLower() + (unique ? QStringLiteral(" unique (") : QStringLiteral(" ("))
           + lowerJoined(columns) + QLatin1Char(')')
           + (where.isEmpty() ? QString() : QStringLiteral(" where ") + plain(where));
}

// A key or unique constraint has no name of its own on SQLite: it is told by
// its table and columns.
QString constraintKey(const QString &what, const QString &table, const QStringList &columns)
{
    return what + QLatin1Char(' ') + table.toLower() + QStringLiteral(" (") + lowerJoined(columns) + QLatin1Char(')');
}

int checkCount(const QString &createTable)
{
    static const QRegularExpression check(QStringLiteral("\\bCHECK\\s*\\("), QRegularExpression::CaseInsensitiveOption);
    return int(createTable.count(check));
}

QMap<QString, QString> ofSqlite(const QSqlDatabase &db)
{
    QMap<QString, QString> out;
    sqlite3 *handle = SqliteEngine::handle(db);
    // Ordinary tables only: the name search's virtual table and its shadow
    // tables are SQLite's own way of what a server does with an index.
    for (const QSqlRecord &t : Db::rows(QStringLiteral("SELECT l.name, m.sql FROM pragma_table_list l JOIN sqlite_master m "
                                                       "ON m.name = l.name WHERE l.schema = 'main' AND l.type = 'table' "
                                                       "AND l.name NOT LIKE 'sqlite_%' ORDER BY l.name"),
                                        {}, db)) {
        const QString table = t.value(0).toString();
        const QString sql = t.value(1).toString();
        const bool autoincrement = sql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
        QStringList columns;
        QMap<int, QString> keyColumns;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk FROM "
                                                           "pragma_table_info(?) ORDER BY cid"),
                                            {table}, db)) {
            Column c;
            c.name = r.value(0).toString();
            c.type = r.value(1).toString();
            c.notNull = r.value(2).toInt() != 0;
            c.def = r.value(3).toString();
            c.key = r.value(4).toInt() > 0;
            c.handedOut = c.key && autoincrement;
            const char *collation = nullptr;
            if (handle
                && sqlite3_table_column_metadata(handle, "main", table.toUtf8().constData(), c.name.toUtf8().constData(),
                                                 nullptr, &collation, nullptr, nullptr, nullptr)
                       == SQLITE_OK
                && collation && qstricmp(collation, "BINARY") != 0)
                c.collation = QString::fromUtf8(collation);
            if (c.key)
                keyColumns.insert(r.value(4).toInt(), c.name);
            columns << column(c, false);
        }
        out.insert(QStringLiteral("table ") + table.toLower(), columns.join(QStringLiteral(", ")));
        if (keyColumns.size() > 1)
            out.insert(constraintKey(QStringLiteral("primary key"), table, keyColumns.values()), QString());
        if (const int checks = checkCount(sql))
            out.insert(QStringLiteral("checks ") + table.toLower(), QString::number(checks));
        for (const QSqlRecord &i : Db::rows(QStringLiteral("SELECT l.name, l.\"unique\", l.origin, m.sql FROM "
                                                           "pragma_index_list(?) l LEFT JOIN sqlite_master m ON m.name = "
                                                           "l.name AND m.type = 'index' WHERE l.origin <> 'pk'"),
                                            {table}, db)) {
            QStringList names;
            for (const QSqlRecord &c : Db::rows(QStringLiteral("SELECT name, \"desc\" FROM pragma_index_xinfo(?) WHERE "
                                                               "key ORDER BY seqno"),
                                                {i.value(0)}, db))
                names << (c.value(0).isNull() ? QStringLiteral("(expression)") : c.value(0).toString())
                             + (c.value(1).toInt() ? QStringLiteral(" desc") : QString());
            if (i.value(2).toString() == QLatin1String("u")) {
                out.insert(constraintKey(QStringLiteral("unique"), table, names), QString());
                continue;
            }
            const QString create = i.value(3).toString();
            const qsizetype where = create.indexOf(QLatin1String(" WHERE "), 0, Qt::CaseInsensitive);
            out.insert(QStringLiteral("index ") + i.value(0).toString().toLower(),
                       index(table, i.value(1).toInt() != 0, names, where < 0 ? QString() : create.mid(where + 7)));
        }
        QMap<int, QStringList> foreign; // by id: from columns, then the table and its columns
        for (const QSqlRecord &f : Db::rows(QStringLiteral("SELECT id, \"from\", \"table\", \"to\", on_delete, on_update "
                                                           "FROM pragma_foreign_key_list(?) ORDER BY id, seq"),
                                            {table}, db)) {
            QStringList &k = foreign[f.value(0).toInt()];
            if (k.isEmpty())
                k << QString() << f.value(2).toString() + QStringLiteral(" on delete ") + f.value(4).toString()
                                       + QStringLiteral(" on update ") + f.value(5).toString();
            k[0] += (k[0].isEmpty() ? QString() : QStringLiteral(", ")) + f.value(1).toString();
            k << f.value(3).toString();
        }
        for (const QStringList &k : foreign)
            out.insert(QStringLiteral("foreign key ") + table.toLower() + QStringLiteral(" (") + k.at(0).toLower()
                           + QLatin1Char(')'),
                       QStringLiteral("references ") + k.at(1).toLower() + QStringLiteral(" (")
                           + lowerJoined(k.mid(2)) + QLatin1Char(')'));
    }
    return out;
}

QString serverAction(const QString &code)
{
    static const QMap<QString, QString> actions{{QStringLiteral("a"), QStringLiteral("no action")},
                                                {QStringLiteral("r"), QStringLiteral("restrict")},
                                                {QStringLiteral("c"), QStringLiteral("cascade")},
                                                {QStringLiteral("n"), QStringLiteral("set null")},
                                                {QStringLiteral("d"), QStringLiteral("set default")}};
    return actions.value(code, code).toUpper();
}

QMap<QString, QString> ofServer(const QSqlDatabase &db)
{
    QMap<QString, QString> out;
    for (const QSqlRecord &t : Db::rows(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                                       "table_schema = current_schema() AND table_type = 'BASE TABLE'"),
                                        {}, db)) {
        const QString table = t.value(0).toString();
        QStringList keys;
        for (const QSqlRecord &k : Db::rows(QStringLiteral("SELECT a.attname FROM pg_index i, unnest(i.indkey) WITH "
                                                           "ORDINALITY k(attnum, n) JOIN pg_attribute a ON a.attnum = "
                                                           "k.attnum WHERE a.attrelid = i.indrelid AND i.indrelid = "
                                                           "CAST(? AS regclass) AND i.indisprimary ORDER BY k.n"),
                                            {table}, db))
            keys << k.value(0).toString();
        QStringList columns;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT column_name, data_type, is_nullable, column_default, "
                                                           "is_identity, identity_generation, collation_name FROM "
                                                           "information_schema.columns WHERE table_schema = "
                                                           "current_schema() AND table_name = ? AND column_name <> 'rowid' "
                                                           "ORDER BY ordinal_position"),
                                            {table}, db)) {
            Column c;
            c.name = r.value(0).toString();
            c.type = r.value(1).toString();
            c.notNull = r.value(2).toString() == QLatin1String("NO");
            c.def = r.value(3).toString();
            c.key = keys.contains(c.name);
            c.handedOut = r.value(4).toString() == QLatin1String("YES");
            c.always = r.value(5).toString() == QLatin1String("ALWAYS");
            c.collation = r.value(6).toString();
            columns << column(c, true);
        }
        out.insert(QStringLiteral("table ") + table.toLower(), columns.join(QStringLiteral(", ")));
        if (keys.size() > 1)
            out.insert(constraintKey(QStringLiteral("primary key"), table, keys), QString());
        const int checks = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM pg_constraint WHERE conrelid = CAST(? AS "
                                                     "regclass) AND contype = 'c'"),
                                      {table}, db)
                               .toInt();
        if (checks)
            out.insert(QStringLiteral("checks ") + table.toLower(), QString::number(checks));
        // Every index but the key's; the name search's is of another kind
        // than a b-tree (a trigram index) and is the server's own.
        for (const QSqlRecord &i : Db::rows(QStringLiteral(
                 "SELECT c.relname, i.indisunique, pg_get_expr(i.indpred, i.indrelid), "
                 "(SELECT string_agg(CASE WHEN k.attnum = 0 THEN '(expression)' ELSE a.attname END || CASE WHEN "
                 "i.indoption[k.n - 1] & 1 = 1 THEN ' desc' ELSE '' END, ',' ORDER BY k.n) FROM unnest(i.indkey) WITH "
                 "ORDINALITY k(attnum, n) LEFT JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
                 "WHERE k.n <= i.indnkeyatts), "
                 "EXISTS (SELECT 1 FROM pg_constraint n WHERE n.conindid = i.indexrelid AND n.contype = 'u'), am.amname "
                 "FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_am am ON am.oid = c.relam "
                 "WHERE i.indrelid = CAST(? AS regclass) AND NOT i.indisprimary"),
                                            {table}, db)) {
            if (i.value(5).toString() != QLatin1String("btree"))
                continue;
            const QStringList names = i.value(3).toString().split(QLatin1Char(','));
            if (i.value(4).toBool()) {
                out.insert(constraintKey(QStringLiteral("unique"), table, names), QString());
                continue;
            }
            out.insert(QStringLiteral("index ") + i.value(0).toString().toLower(),
                       index(table, i.value(1).toBool(), names, i.value(2).toString()));
        }
        for (const QSqlRecord &f : Db::rows(QStringLiteral(
                 "SELECT (SELECT string_agg(a.attname, ', ' ORDER BY k.n) FROM unnest(n.conkey) WITH ORDINALITY "
                 "k(attnum, n) JOIN pg_attribute a ON a.attrelid = n.conrelid AND a.attnum = k.attnum), "
                 "CAST(n.confrelid AS regclass), (SELECT string_agg(a.attname, ', ' ORDER BY k.n) FROM "
                 "unnest(n.confkey) WITH ORDINALITY k(attnum, n) JOIN pg_attribute a ON a.attrelid = n.confrelid AND "
                 "a.attnum = k.attnum), n.confdeltype, n.confupdtype FROM pg_constraint n WHERE n.conrelid = "
                 "CAST(? AS regclass) AND n.contype = 'f'"),
                                            {table}, db))
            out.insert(QStringLiteral("foreign key ") + table.toLower() + QStringLiteral(" (") + f.value(0).toString().toLower()
                           + QLatin1Char(')'),
                       QStringLiteral("references ") + (f.value(1).toString() + QStringLiteral(" on delete ")
                                                         + serverAction(f.value(3).toString()) + QStringLiteral(" on update ")
                                                         + serverAction(f.value(4).toString()))
                                                            .toLower()
                           + QStringLiteral(" (") + f.value(2).toString().toLower() + QLatin1Char(')'));
    }
    return out;
}
} // namespace

QMap<QString, QString> schemaDescription(const QSqlDatabase &db)
{
    return Db::engine(db) == Db::Engine::Postgres ? ofServer(db) : ofSqlite(db);
}

QMap<QString, QString> schemaDefinitions(const QSqlDatabase &db)
{
    QMap<QString, QString> out = schemaDescription(db);
    if (Db::engine(db) == Db::Engine::Sqlite) {
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE "
                                                           "'sqlite_%'"),
                                            {}, db))
            out.insert(QStringLiteral("sql %1 %2").arg(r.value(0).toString(), r.value(1).toString()), r.value(2).toString());
        return out;
    }
    // The server's own text of what the description leaves out or tells in
    // its own words: indexes, triggers, their functions, constraints, the
    // extensions, and the row-number columns.
    const QString objects = QStringLiteral(
        "SELECT 'index ' || c.relname, pg_get_indexdef(c.oid) FROM pg_class c JOIN pg_namespace s ON s.oid = "
        "c.relnamespace WHERE c.relkind = 'i' AND s.nspname = current_schema() "
        "UNION ALL SELECT 'trigger ' || t.tgname, pg_get_triggerdef(t.oid) FROM pg_trigger t JOIN pg_class c ON c.oid = "
        "t.tgrelid JOIN pg_namespace s ON s.oid = c.relnamespace WHERE NOT t.tgisinternal AND s.nspname = "
        "current_schema() "
        "UNION ALL SELECT 'function ' || p.proname, pg_get_functiondef(p.oid) FROM pg_proc p JOIN pg_namespace s ON "
        "s.oid = p.pronamespace WHERE s.nspname = current_schema() AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE "
        "d.objid = p.oid AND d.deptype = 'e') "
        "UNION ALL SELECT 'constraint ' || n.conname, pg_get_constraintdef(n.oid) FROM pg_constraint n JOIN "
        "pg_namespace s ON s.oid = n.connamespace WHERE s.nspname = current_schema() "
        "UNION ALL SELECT 'extension ' || extname, extversion FROM pg_extension "
        "UNION ALL SELECT 'row number ' || table_name, identity_generation FROM information_schema.columns WHERE "
        "table_schema = current_schema() AND column_name = 'rowid'");
    for (const QSqlRecord &r : Db::rows(objects, {}, db))
        out.insert(QStringLiteral("sql ") + r.value(0).toString(), r.value(1).toString());
    return out;
}
