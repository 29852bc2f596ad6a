#pragma once
#include "catalogue/article_record.h"

#include <QString>

// The barcodes and catalogue numbers of the article open in the editor:
// held here for a new article until its save writes them with it, written at
// once for a stored article, always under the number it was opened with.
class ArticleCodeEntry
{
public:
    struct Result {
        bool done = false; // false: nothing written, the entry stays open
        QString message;   // for the operator; may come with done (nothing matched)
    };

    void setStoredArticle(long long id) { m_owner = id; } // 0: a new article
    long long storedArticle() const { return m_owner; }
    const PendingCodes &pending() const { return m_pending; }
    void clearPending() { m_pending = {}; }

    QStringList barcodes() const;           // throws DbError
    QList<CatalogueNumber> numbers() const; // throws DbError

    Result addBarcode(const QString &code);
    Result changeBarcode(const QString &oldCode, const QString &code);
    Result removeBarcode(int row, const QString &code);
    // The counterparty must be chosen (key above 0).
    Result addNumber(const CatalogueNumber &entered);
    // The row is the one remembered when its edit began.
    Result changeNumber(const CatalogueNumber &old, const CatalogueNumber &entered);
    Result removeNumber(int row, const CatalogueNumber &number);

private:
    long long m_owner = 0;
    PendingCodes m_pending;
};
