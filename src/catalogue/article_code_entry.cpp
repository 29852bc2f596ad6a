#include "catalogue/article_code_entry.h"

#include "catalogue/article_codes.h"
#include "platform/db/database.h"

#include <functional>

namespace {
using Result = ArticleCodeEntry::Result;

Result done(const QString &message = {})
{
    return Result{true, message};
}

Result refused(const QString &message)
{
    return Result{false, message};
}

Result guarded(const QString &failure, const std::function<Result()> &work)
{
    try {
        return work();
    } catch (const DbError &e) {
        return refused(failure + QStringLiteral(":\n") + e.message());
    }
}

const QString BarcodeNotWritten = QStringLiteral("Баркодът не е записан");
const QString NumberNotWritten = QStringLiteral("Номенклатурният номер не е записан");
} // namespace

QStringList ArticleCodeEntry::barcodes() const
{
    return m_owner > 0 ? ArticleCodes::barcodes(m_owner) : m_pending.barcodes;
}

QList<CatalogueNumber> ArticleCodeEntry::numbers() const
{
    return m_owner > 0 ? ArticleCodes::catalogueNumbers(m_owner) : m_pending.numbers;
}

ArticleCodeEntry::Result ArticleCodeEntry::addBarcode(const QString &code)
{
    if (code.trimmed().isEmpty())
        return refused(QStringLiteral("Въведете баркод!"));
    return guarded(BarcodeNotWritten, [&] {
        if (m_owner > 0)
            ArticleCodes::addBarcode(m_owner, code.trimmed());
        else
            m_pending.barcodes.append(code.trimmed());
        return done();
    });
}

ArticleCodeEntry::Result ArticleCodeEntry::changeBarcode(const QString &oldCode, const QString &code)
{
    if (code.trimmed().isEmpty())
        return refused(QStringLiteral("Въведете баркод!"));
    return guarded(BarcodeNotWritten, [&] {
        bool changed = false;
        if (m_owner > 0) {
            changed = ArticleCodes::changeBarcode(m_owner, oldCode, code.trimmed());
        } else if (const qsizetype i = m_pending.barcodes.indexOf(oldCode); i >= 0) {
            m_pending.barcodes[i] = code.trimmed();
            changed = true;
        }
        return changed ? done()
                       : done(QStringLiteral("Баркодът \"") + oldCode
                              + QStringLiteral("\" вече не съществува: нищо не е променено."));
    });
}

ArticleCodeEntry::Result ArticleCodeEntry::removeBarcode(int row, const QString &code)
{
    return guarded(QStringLiteral("Баркодът не е изтрит"), [&] {
        if (m_owner > 0)
            ArticleCodes::removeBarcode(m_owner, code);
        else if (row >= 0 && row < m_pending.barcodes.size())
            m_pending.barcodes.removeAt(row);
        return done();
    });
}

ArticleCodeEntry::Result ArticleCodeEntry::addNumber(const CatalogueNumber &entered)
{
    if (entered.number.trimmed().isEmpty())
        return refused(QStringLiteral("Въведете номенклатурен номер!"));
    if (entered.counterparty <= 0)
        return refused(QStringLiteral("Изберете контрагент на когото е посоченият номер!"));
    return guarded(NumberNotWritten, [&] {
        if (m_owner > 0)
            ArticleCodes::addCatalogueNumber(m_owner, entered.number.trimmed(), entered.counterparty);
        else
            m_pending.numbers.append(CatalogueNumber{entered.number.trimmed(), entered.counterparty,
                                                     entered.counterpartyName});
        return done();
    });
}

ArticleCodeEntry::Result ArticleCodeEntry::changeNumber(const CatalogueNumber &old, const CatalogueNumber &entered)
{
    if (entered.number.trimmed().isEmpty())
        return refused(QStringLiteral("Въведете номенклатурен номер!"));
    if (entered.counterparty <= 0)
        return refused(QStringLiteral("Изберете контрагент на когото е посоченият номер!"));
    return guarded(NumberNotWritten, [&] {
        bool changed = false;
        if (m_owner > 0) {
            changed = ArticleCodes::changeCatalogueNumber(m_owner, old, entered.number.trimmed(), entered.counterparty);
        } else if (const qsizetype i = m_pending.numbers.indexOf(old); i >= 0) {
            m_pending.numbers[i] = CatalogueNumber{entered.number.trimmed(), entered.counterparty,
                                                   entered.counterpartyName};
            changed = true;
        }
        return changed ? done()
                       : done(QStringLiteral("Номенклатурният номер \"") + old.number
                              + QStringLiteral("\" вече не съществува: нищо не е променено."));
    });
}

ArticleCodeEntry::Result ArticleCodeEntry::removeNumber(int row, const CatalogueNumber &number)
{
    return guarded(QStringLiteral("Номенклатурният номер не е изтрит"), [&] {
        if (m_owner > 0)
            ArticleCodes::removeCatalogueNumber(m_owner, number);
        else if (row >= 0 && row < m_pending.numbers.size())
            m_pending.numbers.removeAt(row);
        return done();
    });
}
