#pragma once
#include "common/decimal.h"

#include <QString>
#include <QVariantList>

// The lists of the transfer and the write-off windows: articles to move out
// of a warehouse (into another for a transfer), kept in a work table of the
// window, each line keyed by N. "ЗАПИС" books the whole list in one write
// transaction through the stock writer; no document is stored (the printed
// list serves).
class StockMoveList
{
public:
    enum Kind { Transfer, WriteOff };
    explicit StockMoveList(Kind kind);

    Kind kind() const { return m_kind; }
    QString table() const; // the work table, qualified

    void create(); // created empty when the window opens; throws DbError
    void drop();

    // Adds a line for an existing article (description, unit, price and sale
    // currency copied). 0 when nothing was added: *refusal says why when the
    // quantity is not above 0 with at most three decimals or the list's lines go between two other
    // warehouses (its first line fixes them), and stays empty when the article
    // does not exist. Throws DbError.
    long long addLine(long long article, Decimal quantity, long long from, long long to = 0,
                      QString *refusal = nullptr);
    // False (nothing changed) when the line is gone or the quantity not acceptable.
    bool setQuantity(long long n, Decimal quantity);
    bool removeLine(long long n);
    int lineCount() const;

    // Stock of an article: in one warehouse, over all when `warehouse` is 0.
    static Decimal stock(long long article, long long warehouse);

    // The grid statement: Sum_Row = quantity * price * rate (empty when the
    // currency is missing from Valuti), lines in entry order.
    QString linesSql(QVariantList *params) const;
    ExactSum total() const; // exact sum of Sum_Row over the lines with a known rate

    // Books the list in one transaction: each line's quantity leaves its
    // source warehouse (and enters its destination for a transfer), then the
    // lines are removed. Refused (*refusal, nothing written, false) when the
    // list is empty or a transfer line's source is its destination. A
    // database failure throws DbError and writes nothing.
    bool save(QString *refusal);

    static constexpr const char *EmptyList = "Няма въведени артикули.";
    static constexpr const char *SameWarehouse = "Складът, от който се изтегля, и складът, в който се прехвърля, "
                                                 "трябва да са различни!";
    static constexpr const char *OtherWarehouses = "Складовете на операцията не се сменят, докато в нея има редове.";

private:
    Kind m_kind;
};
