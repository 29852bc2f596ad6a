#include "catalogue/free_article_numbers.h"

#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

#include <QSqlRecord>
#include <QVariant>

#include <vector>

namespace {
constexpr int ChunkRows = 2000;

void writeChunk(const std::vector<long long> &numbers, long long group)
{
    WriteTransaction tx;
    const QString sql = QStringLiteral("INSERT INTO ") + WorkTables::qualified(QString::fromLatin1(FreeArticleNumbers::WorkTable))
                        + QStringLiteral(" (Art_ID, Grupa_ID) VALUES (?, ?)");
    for (long long n : numbers)
        Db::execute(sql, {n, group});
    tx.commit();
}
} // namespace

FreeArticleNumbers::Range FreeArticleNumbers::range(long long group)
{
    Range r;
    const auto row = Db::firstRow(QStringLiteral("SELECT MIN(ID), MAX(ID) FROM Produkti WHERE Nomer_Grupa = ?"), {group});
    if (row && !row->value(1).isNull()) {
        r.lowest = row->value(0).toLongLong();
        r.highest = row->value(1).toLongLong();
    }
    return r;
}

FreeArticleNumbers::Result FreeArticleNumbers::search(long long group, const std::function<bool(long long)> &goOn)
{
    WorkTables::create(QString::fromLatin1(WorkTable), QStringLiteral("Art_ID INTEGER, Grupa_ID INTEGER"));
    Result result;
    const Range r = range(group);
    if (r.highest == 0)
        return result;
    // Every number used in the range, by any group, in one ordered read.
    std::vector<long long> used;
    for (const QSqlRecord &row : Db::rows(
             QStringLiteral("SELECT DISTINCT ID FROM Produkti WHERE ID BETWEEN ? AND ? ORDER BY ID"), {r.lowest, r.highest}))
        used.push_back(row.value(0).toLongLong());

    used.push_back(r.highest + 1); // closes the last gap
    std::vector<long long> chunk;
    long long previous = r.lowest - 1;
    for (long long u : used) {
        for (long long n = previous + 1; n < u; ++n) {
            if (result.listed >= MaxListed) {
                result.cut = true;
                break;
            }
            chunk.push_back(n);
            ++result.listed;
            if (chunk.size() >= size_t(ChunkRows)) {
                writeChunk(chunk, group);
                chunk.clear();
                if (goOn && !goOn(n)) {
                    result.stopped = true;
                    return result;
                }
            }
        }
        if (result.cut)
            break;
        previous = u;
    }
    if (!chunk.empty())
        writeChunk(chunk, group);
    if (goOn && !result.cut)
        goOn(r.highest);
    return result;
}

void FreeArticleNumbers::dropWorkTable()
{
    try {
        WorkTables::drop(QString::fromLatin1(WorkTable));
    } catch (const DbError &) {
        // A table that cannot be dropped is emptied by the next search.
    }
}
