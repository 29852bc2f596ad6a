#include "shell/imports/catalogue_number_import.h"

#include "common/money.h"

namespace {
struct Fields {
    long long article = 0;
    QString number;
    long long firm = 0;
};

// The line's fields; empty the reason it is skipped for.
QString read(const TaggedLine &line, Fields *f)
{
    if (!line.has(1) || !line.has(2) || !line.has(3))
        return QStringLiteral("липсва едно от полетата 1, 2 и 3");
    if (!Numbers::parseInteger(line.value(1), &f->article) || f->article <= 0)
        return QStringLiteral("номерът на артикула (поле 1) не е цяло число над 0");
    if (!Numbers::parseInteger(line.value(3), &f->firm) || f->firm <= 0)
        return QStringLiteral("номерът на контрагента (поле 3) не е цяло число над 0");
    f->number = line.value(2);
    return {};
}

QString key(long long article, const QString &number, long long firm)
{
    return QString::number(article) + QLatin1Char('\n') + number + QLatin1Char('\n') + QString::number(firm);
}
} // namespace

CatalogueNumberImport::CatalogueNumberImport(const QSqlDatabase &db)
{
    using ImportRun::KeyLookup;
    m_articles = std::make_unique<KeyLookup>(db, QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID IN (%1)"));
    m_firms = std::make_unique<KeyLookup>(db, QStringLiteral("SELECT ID, Ime_Firma FROM Firmi WHERE ID IN (%1)"));
    // By the index of the number and the counterparty; the article is matched here.
    m_numbers = std::make_unique<KeyLookup>(
        db, QStringLiteral("SELECT ID, Nomenkl_N, ID_Kontrag FROM Nomenklatures "
                           "WHERE Nomenkl_N IN (%1) AND ID_Kontrag IN (%1)"));
    m_insert = &batchInsert(db, QStringLiteral("Nomenklatures"),
                            {QStringLiteral("ID"), QStringLiteral("Nomenkl_N"), QStringLiteral("ID_Kontrag")});
}

CatalogueNumberImport::~CatalogueNumberImport() = default;

void CatalogueNumberImport::lookAhead(const QList<TaggedLine> &lines)
{
    m_articleNames.clear();
    m_firmNames.clear();
    m_held.clear();
    QSet<long long> articles, firms;
    QSet<QString> asked;
    QList<QVariantList> articleKeys, firmKeys, numberKeys;
    for (const TaggedLine &line : lines) {
        Fields f;
        if (!read(line, &f).isEmpty())
            continue;
        if (!articles.contains(f.article)) {
            articles.insert(f.article);
            articleKeys.append(QVariantList{f.article});
        }
        if (!firms.contains(f.firm)) {
            firms.insert(f.firm);
            firmKeys.append(QVariantList{f.firm});
        }
        const QString k = key(f.article, f.number, f.firm);
        if (!asked.contains(k) && !m_inChunk.contains(k)) {
            asked.insert(k);
            numberKeys.append(QVariantList{f.number, f.firm});
        }
    }
    for (const QVariantList &row : m_articles->rows(articleKeys))
        m_articleNames.insert(row.at(0).toLongLong(), row.at(1).toString());
    for (const QVariantList &row : m_firms->rows(firmKeys))
        m_firmNames.insert(row.at(0).toLongLong(), row.at(1).toString());
    for (const QVariantList &row : m_numbers->rows(numberKeys))
        m_held.insert(key(row.at(0).toLongLong(), row.at(1).toString(), row.at(2).toLongLong()));
}

QString CatalogueNumberImport::process(const TaggedLine &line, ImportRun::Memo &memo)
{
    Fields f;
    const QString reason = read(line, &f);
    if (!reason.isEmpty())
        return reason;
    const auto articleName = m_articleNames.constFind(f.article);
    if (articleName == m_articleNames.constEnd())
        return QStringLiteral("артикул %1 не съществува").arg(f.article);
    const auto firmName = m_firmNames.constFind(f.firm);
    if (firmName == m_firmNames.constEnd())
        return QStringLiteral("контрагент %1 не съществува").arg(f.firm);
    const QString k = key(f.article, f.number, f.firm);
    if (m_held.contains(k) || m_inChunk.contains(k))
        return QStringLiteral("номенклатурният номер вече е записан за този артикул и контрагент");
    m_insert->add({f.article, f.number, f.firm});
    m_inChunk.insert(k);
    memo.record(QStringLiteral("- Артикул: [") + line.value(1) + QStringLiteral(" - ") + articleName.value()
                + QStringLiteral("], Номенклатурен N: [") + f.number + QStringLiteral("], Контрагент N: [")
                + line.value(3) + QStringLiteral(" - ") + firmName.value() + QStringLiteral("] - ДОБАВЕН"));
    ++m_added;
    return {};
}

void CatalogueNumberImport::chunkEnded(bool committed)
{
    m_inChunk.clear();
    if (committed)
        m_savedAdded = m_added;
    else
        m_added = m_savedAdded;
}

QStringList CatalogueNumberImport::summary() const
{
    return {QString(), QStringLiteral("Добавени: %1").arg(m_added)};
}
