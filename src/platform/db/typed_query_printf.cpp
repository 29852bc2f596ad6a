#include "platform/db/typed_query_printf.h"

#include <QStringList>

#include <sqlite3.h>

#include <cstring>

namespace {
// A width or precision of the format (given, or taken from a value by "*")
// longer than `most`.
bool widthPast(int argc, sqlite3_value **argv, qint64 most)
{
    const auto *p = sqlite3_value_text(argv[0]);
    if (!p)
        return false;
    constexpr qint64 Huge = qint64(1) << 40;
    int next = 1;
    auto fromValue = [&]() -> qint64 {
        const qint64 v = next < argc ? sqlite3_value_int64(argv[next++]) : 0;
        return v < -Huge || v > Huge ? Huge : qAbs(v);
    };
    auto number = [&]() -> qint64 {
        if (*p == '*') {
            ++p;
            return fromValue();
        }
        qint64 n = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            n = qMin(Huge, n * 10 + (*p - '0'));
        return n;
    };
    for (; *p; ++p) {
        if (*p != '%' || !*++p || *p == '%')
            continue;
        while (*p && std::strchr("-+ #!0,", *p))
            ++p;
        const qint64 width = number();
        const qint64 precision = *p == '.' ? (++p, number()) : 0;
        if (width > most || precision > most)
            return true;
        while (*p == 'l')
            ++p;
        if (!*p)
            break;
        ++next; // the value the conversion takes
    }
    return false;
}
} // namespace

bool BoundedPrintf::install(sqlite3 *db)
{
    m_db = db;
    for (const char *name : {"printf", "format"})
        if (sqlite3_create_function_v2(db, name, -1, SQLITE_UTF8, this, &BoundedPrintf::call, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            return false;
    return true;
}

void BoundedPrintf::close()
{
    for (sqlite3_stmt *stmt : std::as_const(m_statements))
        sqlite3_finalize(stmt);
    m_statements.clear();
    if (m_own)
        sqlite3_close_v2(m_own);
    m_own = nullptr;
}

void BoundedPrintf::call(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    static_cast<BoundedPrintf *>(sqlite3_user_data(context))->run(context, argc, argv);
}

void BoundedPrintf::run(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const int most = sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, -1);
    if (widthPast(argc, argv, most)) {
        sqlite3_result_error_toobig(context);
        return;
    }
    sqlite3_stmt *stmt = statement(argc, most);
    if (!stmt) {
        sqlite3_result_error_nomem(context);
        return;
    }
    for (int i = 0; i < argc; ++i)
        sqlite3_bind_value(stmt, i + 1, argv[i]);
    const int rc = sqlite3_step(stmt);
    // A format that is not NULL gives a text: a NULL is one that grew too long.
    if (rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
        sqlite3_result_value(context, sqlite3_column_value(stmt, 0));
    else if (rc == SQLITE_ROW || (rc & 0xff) == SQLITE_TOOBIG)
        sqlite3_result_error_toobig(context);
    else if ((rc & 0xff) == SQLITE_NOMEM)
        sqlite3_result_error_nomem(context);
    else
        sqlite3_result_error(context, sqlite3_errmsg(m_own), -1);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

sqlite3_stmt *BoundedPrintf::statement(int argc, int most)
{
    if (!m_own) {
        if (sqlite3_open_v2(":memory:", &m_own, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(m_own);
            m_own = nullptr;
            return nullptr;
        }
        sqlite3_limit(m_own, SQLITE_LIMIT_LENGTH, most);
    }
    if (sqlite3_stmt *known = m_statements.value(argc))
        return known;
    QStringList values;
    for (int i = 1; i <= argc; ++i)
        values << QStringLiteral("?%1").arg(i);
    const QByteArray sql = QStringLiteral("SELECT printf(%1)").arg(values.join(QLatin1Char(','))).toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_own, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    m_statements.insert(argc, stmt);
    return stmt;
}
