#include "shell/imports/catalogue_number_import.h"

#include "common/money.h"

CatalogueNumberImport::CatalogueNumberImport(const QSqlDatabase &db)
{
    using ImportRun::Statement;
    m_article = std::make_unique<Statement>(db, QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"));
    m_firm = std::make_unique<Statement>(db, QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE ID = ?"));
    m_exists = std::make_unique<Statement>(
        db, QStringLiteral("SELECT ID FROM Nomenklatures WHERE ID = ? AND Nomenkl_N = ? AND ID_Kontrag = ?"));
    m_insert = std::make_unique<Statement>(
        db, QStringLiteral("INSERT INTO Nomenklatures (ID, Nomenkl_N, ID_Kontrag) VALUES (?, ?, ?)"));
}

CatalogueNumberImport::~CatalogueNumberImport() = default;

QString CatalogueNumberImport::process(const TaggedLine &line, ImportRun::Memo &memo)
{
    if (!line.has(1) || !line.has(2) || !line.has(3))
        return QStringLiteral("липсва едно от полетата 1, 2 и 3");
    long long article = 0;
    long long firm = 0;
    if (!Numbers::parseInteger(line.value(1), &article) || article <= 0)
        return QStringLiteral("номерът на артикула (поле 1) не е цяло число над 0");
    if (!Numbers::parseInteger(line.value(3), &firm) || firm <= 0)
        return QStringLiteral("номерът на контрагента (поле 3) не е цяло число над 0");
    const QVariant articleName = m_article->value({article});
    if (!articleName.isValid())
        return QStringLiteral("артикул %1 не съществува").arg(article);
    const QVariant firmName = m_firm->value({firm});
    if (!firmName.isValid())
        return QStringLiteral("контрагент %1 не съществува").arg(firm);
    const QString number = line.value(2);
    if (m_exists->exists({article, number, firm}))
        return QStringLiteral("номенклатурният номер вече е записан за този артикул и контрагент");
    m_insert->execute({article, number, firm});
    memo.record(QStringLiteral("- Артикул: [") + line.value(1) + QStringLiteral(" - ") + articleName.toString()
                + QStringLiteral("], Номенклатурен N: [") + number + QStringLiteral("], Контрагент N: [")
                + line.value(3) + QStringLiteral(" - ") + firmName.toString() + QStringLiteral("] - ДОБАВЕН"));
    ++m_added;
    return {};
}

void CatalogueNumberImport::chunkEnded(bool committed)
{
    if (committed)
        m_savedAdded = m_added;
    else
        m_added = m_savedAdded;
}

QStringList CatalogueNumberImport::summary() const
{
    return {QString(), QStringLiteral("Добавени: %1").arg(m_added)};
}
