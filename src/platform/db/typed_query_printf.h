#pragma once
#include <QHash>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

// printf() and format() of a typed query's SQLite connection: the engine's
// own, run on a connection of their own, because the engine's writes a
// width or precision character by character (past the longest value too,
// seconds long, with no look at a stop) and gives a text that came out too
// long as a NULL. Here a width or precision past the connection's longest
// value, and a text too long, are the engine's "too big" error at once.
class BoundedPrintf
{
public:
    BoundedPrintf() = default;
    ~BoundedPrintf() { close(); }
    BoundedPrintf(const BoundedPrintf &) = delete;
    BoundedPrintf &operator=(const BoundedPrintf &) = delete;

    // Takes the place of both functions on `db`.
    bool install(sqlite3 *db);
    // Its own connection and statements go (they are made at the first call).
    void close();

private:
    static void call(sqlite3_context *context, int argc, sqlite3_value **argv);
    void run(sqlite3_context *context, int argc, sqlite3_value **argv);
    sqlite3_stmt *statement(int argc, int most);

    sqlite3 *m_db = nullptr;   // whose functions these are
    sqlite3 *m_own = nullptr;  // where the engine's run
    QHash<int, sqlite3_stmt *> m_statements; // by their number of values
};
