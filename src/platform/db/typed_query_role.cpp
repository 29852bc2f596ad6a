// The server role typed queries run as: a login role of its own, named after
// the shop's role ("<shop role>_query"), that the server's administrator makes
// (the shop's role cannot make roles) and whose password libpq finds as it
// finds the shop's (the password file, or PGPASSWORD). The shop's role, which
// owns the tables, grants it SELECT on every table of the database but the
// protected columns; it reaches no workstation's work schema, belongs to no
// other role, and the functions that run SQL text of their own or read files
// are taken from PUBLIC in the database (SQLs/TypedQueries.pg.sql). So the
// server itself refuses every form of reading what is kept from typed
// queries, and a query cannot become another role: no membership to switch to.
#include "platform/db/database.h"
#include "platform/db/postgres_engine.h"
#include "platform/db/transaction.h"
#include "platform/db/typed_query.h"

#include <QSqlRecord>

#include <libpq-fe.h>

namespace {
QString &roleForTests()
{
    static QString role;
    return role;
}

// An identifier quoted for the server (names from its catalogue, the role's name).
QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// What the query role should read and does not, or reads and should not, as
// the statements that mend it.
QStringList mending(const QSqlDatabase &db, const QString &role)
{
    QStringList out;
    // Ordinary tables only: a view or materialized view reads with its owner's rights.
    const QList<QSqlRecord> columns = Db::rows(
        QStringLiteral("SELECT c.relname, a.attname, has_column_privilege(?::name, c.oid, a.attnum, 'SELECT') "
                       "FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid "
                       "WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind IN ('r', 'p') "
                       "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY c.relname, a.attnum"),
        {role}, db);
    QString table;
    QStringList readable;
    bool wrong = false;    // a protected column readable, or a readable column not
    bool guarded = false;  // the table has a protected column
    auto close = [&] {
        if (table.isEmpty() || !wrong)
            return;
        const QString t = quoted(table);
        const QString r = quoted(role);
        if (guarded) {
            // Revoking the table's right takes its columns' rights with it.
            out << QStringLiteral("REVOKE SELECT ON %1 FROM %2").arg(t, r);
            if (!readable.isEmpty())
                out << QStringLiteral("GRANT SELECT (%1) ON %2 TO %3").arg(readable.join(QStringLiteral(", ")), t, r);
        } else {
            out << QStringLiteral("GRANT SELECT ON %1 TO %2").arg(t, r);
        }
    };
    for (const QSqlRecord &c : columns) {
        const QString name = c.value(0).toString();
        if (name != table) {
            close();
            table = name;
            readable.clear();
            wrong = guarded = false;
        }
        const QString column = c.value(1).toString();
        const bool kept = TypedQuery::findProtected(name, column) != nullptr;
        guarded = guarded || kept;
        if (!kept)
            readable << quoted(column);
        if (kept == c.value(2).toBool())
            wrong = true;
    }
    close();
    return out;
}
} // namespace

QString PostgresEngine::queryRole(const QString &shopRole)
{
    return roleForTests().isEmpty() ? shopRole + QStringLiteral("_query") : roleForTests();
}

void PostgresEngine::setQueryRoleForTests(const QString &role)
{
    roleForTests() = role;
}

void PostgresEngine::grantQueryReads(const QSqlDatabase &db)
{
    const QString role = queryRole(db.userName());
    if (!Db::scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = ?)"), {role}, db).toBool())
        return; // the typed query says what is missing
    if (mending(db, role).isEmpty())
        return;
    // Under the write lock, so two workstations never change one row of the catalogue at once.
    WriteTransaction tx(db);
    for (const QString &sql : mending(db, role))
        Db::execute(sql, {}, db);
    tx.commit();
}

QString PostgresEngine::queryRoleProblem(const QSqlDatabase &db)
{
    QStringList more;
    auto list = [&](const QString &sql, const QVariantList &values) {
        QStringList names;
        for (const QSqlRecord &r : Db::rows(sql, values, db))
            names << r.value(0).toString();
        return names;
    };
    const QStringList roles = list(QStringLiteral("SELECT r.rolname FROM pg_auth_members m JOIN pg_roles r ON r.oid = "
                                                  "m.roleid WHERE m.member = (SELECT oid FROM pg_roles WHERE rolname = "
                                                  "current_user)"),
                                   {});
    if (!roles.isEmpty())
        more << QStringLiteral("е член на ролите %1").arg(roles.join(QStringLiteral(", ")));
    for (const TypedQuery::ProtectedColumn &p : TypedQuery::protectedColumns()) {
        // Directly, or through a view or function that reads with its owner's rights.
        const QStringList columns = list(
            QStringLiteral("SELECT n.nspname || '.' || c.relname || '.' || a.attname FROM pg_class c "
                           "JOIN pg_namespace n ON n.oid = c.relnamespace JOIN pg_attribute a ON a.attrelid = c.oid "
                           "WHERE lower(c.relname) = lower(?) AND lower(a.attname) = lower(?) AND "
                           "has_column_privilege(c.oid, a.attnum, 'SELECT')"),
            {p.table, p.column});
        if (!columns.isEmpty())
            more << QStringLiteral("чете %1").arg(columns.join(QStringLiteral(", ")));
        const QStringList views = list(
            QStringLiteral("SELECT DISTINCT v.relname FROM pg_depend d JOIN pg_rewrite w ON w.oid = d.objid "
                           "JOIN pg_class v ON v.oid = w.ev_class JOIN pg_class t ON t.oid = d.refobjid "
                           "WHERE d.classid = 'pg_rewrite'::regclass AND d.refclassid = 'pg_class'::regclass "
                           "AND lower(t.relname) = lower(?) AND v.oid <> t.oid AND has_table_privilege(v.oid, 'SELECT')"),
            {p.table});
        if (!views.isEmpty())
            more << QStringLiteral("чете изгледите %1 на таблицата %2").arg(views.join(QStringLiteral(", ")), p.table);
    }
    const QStringList schemas = list(QStringLiteral("SELECT nspname FROM pg_namespace WHERE starts_with(nspname, ?) "
                                                    "AND has_schema_privilege(oid, 'USAGE')"),
                                     {QString::fromLatin1(WorkSchemaPrefix)});
    if (!schemas.isEmpty())
        more << QStringLiteral("ползва работните схеми %1").arg(schemas.join(QStringLiteral(", ")));
    const QStringList functions = list(
        QStringLiteral("SELECT p.oid::regprocedure::text FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
                       "WHERE (p.proname ~ ? OR (p.prosecdef AND n.nspname NOT IN ('pg_catalog', "
                       "'information_schema'))) AND has_function_privilege(p.oid, 'EXECUTE') ORDER BY 1 LIMIT 10"),
        {QString::fromLatin1(SqlTextFunctions)});
    if (!functions.isEmpty())
        more << QStringLiteral("изпълнява функциите %1").arg(functions.join(QStringLiteral(", ")));
    if (more.isEmpty())
        return {};
    return QStringLiteral("Потребителят на собствените справки %1 има права, които не трябва да има: %2. Собствените "
                          "справки не се изпълняват, докато администраторът на сървъра не ги отнеме, както е описано "
                          "в README (\"Several machines\").")
        .arg(db.userName(), more.join(QStringLiteral("; ")));
}

QString PostgresEngine::queryLoginFailure(const QSqlDatabase &db)
{
    const QSqlError error = db.lastError();
    const QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return QStringLiteral("Собствените справки на сървъра се изпълняват като потребителя %1, когото сървърът не "
                          "прие: такъв потребител няма или паролата му не е в файла ~/.pgpass (или в PGPASSWORD). "
                          "Администраторът на сървъра го създава, както е описано в README (\"Several machines\").\n(")
           + db.userName() + QStringLiteral(": ") + text.trimmed() + QLatin1Char(')');
}
