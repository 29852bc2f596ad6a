#include "shell/imports/counterparty_import.h"

#include "app/next_number.h"
#include "counterparties/counterparty_record.h"

namespace {
// The keys a line is looked up by: its EIK, or its name with the person's EGN.
QString eikKey(const QString &eik)
{
    return QStringLiteral("e") + eik;
}
QString nameKey(const QString &name, const QString &egn)
{
    return QStringLiteral("n") + name + QLatin1Char('\n') + egn;
}
// The person's EGN as the pair stores it: a missing one keeps the register's "0".
QString egnOf(const TaggedLine &line)
{
    const QString egn = line.value(15);
    return egn.trimmed().isEmpty() ? CounterpartyFields().EGN : egn;
}
bool withoutEik(const QString &eik)
{
    return eik.trimmed().isEmpty();
}

QString lookupPattern(CounterpartyImport::By by)
{
    if (by == CounterpartyImport::By::Eik)
        return QStringLiteral("SELECT EIK FROM Firmi WHERE EIK IN (%1)");
    // Firmi's index on the name finds the companies, Klienti's key each one's
    // person: the person is read in a subquery, so no engine's plan walks the
    // whole of Klienti for a long list. A name and an EGN of two different
    // lines may meet here: the caller keeps only the pairs it asked for.
    return QStringLiteral("SELECT Ime_Firma, EGN FROM (SELECT f.Ime_Firma AS Ime_Firma, "
                          "(SELECT k.EGN FROM Klienti k WHERE k.ID = f.ID_Mol) AS EGN "
                          "FROM Firmi f WHERE f.Ime_Firma IN (%1)) AS named WHERE EGN IN (%1)");
}
} // namespace

CounterpartyImport::CounterpartyImport(bool replace, const QSqlDatabase &db)
    : m_replace(replace)
{
    m_byEik = std::make_unique<ImportRun::KeyLookup>(db, lookupPattern(By::Eik));
    m_byNameAndEgn = std::make_unique<ImportRun::KeyLookup>(db, lookupPattern(By::NameAndEgn));
    m_companies = &batchInsert(db, QStringLiteral("Firmi"), CounterpartyRecord::companyColumns());
    m_persons = &batchInsert(db, QStringLiteral("Klienti"), CounterpartyRecord::personColumns());
}

CounterpartyImport::~CounterpartyImport() = default;

QString CounterpartyImport::lookupSql(By by, int keys)
{
    return ImportRun::KeyLookup::sql(lookupPattern(by), keys);
}

QList<CounterpartyImport::Lookup> CounterpartyImport::lookups(const QString &eik, const QString &name,
                                                               const QString &egn)
{
    return {{lookupSql(By::Eik, 1), {eik}}, {lookupSql(By::NameAndEgn, 1), {name, egn}}};
}

void CounterpartyImport::lookAhead(const QList<TaggedLine> &lines)
{
    m_found.clear();
    QSet<QString> asked;
    QList<QVariantList> eiks, pairs;
    for (const TaggedLine &line : lines) {
        const QString eik = line.value(1);
        const bool byName = withoutEik(eik);
        const QString key = byName ? nameKey(line.value(3), egnOf(line)) : eikKey(eik);
        // A pair added earlier in the chunk is known without asking.
        if (m_inChunk.contains(key) || asked.contains(key))
            continue;
        asked.insert(key);
        if (byName)
            pairs.append(QVariantList{line.value(3), egnOf(line)});
        else
            eiks.append(QVariantList{eik});
    }
    for (const QVariantList &row : m_byEik->rows(eiks))
        m_found.insert(eikKey(row.at(0).toString()));
    for (const QVariantList &row : m_byNameAndEgn->rows(pairs)) {
        const QString key = nameKey(row.at(0).toString(), row.at(1).toString());
        if (asked.contains(key))
            m_found.insert(key);
    }
}

QString CounterpartyImport::process(const TaggedLine &line, ImportRun::Memo &memo)
{
    CounterpartyFields f;
    const QString discount = line.value(10);
    if (!discount.trimmed().isEmpty() && !CounterpartyRecord::parseDiscount(discount, &f.T_O))
        return QStringLiteral("отстъпката (поле 10) не е число до 100");
    f.Ime_Firma = line.value(3);
    f.Ime_Klient = line.value(11);
    if (f.Ime_Firma.trimmed().isEmpty() && f.Ime_Klient.trimmed().isEmpty())
        return QStringLiteral("липсва име (полета 3 и 11)");
    // Codes stay as written; a missing one keeps the register's "0".
    const auto code = [&line](int field, QString *target) {
        if (!line.value(field).trimmed().isEmpty())
            *target = line.value(field);
    };
    code(1, &f.EIK);
    code(2, &f.Dan_N);
    f.EGN = egnOf(line);
    f.Grad = line.value(4);
    f.Adres_Firma = line.value(5);
    f.Telefon = line.value(6);
    f.Banka_Ime = line.value(7);
    f.Banka_Kod = line.value(8);
    f.Banka_Smetka = line.value(9);
    f.Zabel = line.value(17);
    f.Grad_Klient = line.value(12);
    f.Adres_Klient = line.value(13);
    f.Telefon_Klient = line.value(14);

    const QString eik = line.value(1);
    const QString label = QStringLiteral("- Контрагент: ") + eik + QLatin1Char('[') + f.Ime_Firma + QLatin1Char(']');
    const QString byName = nameKey(f.Ime_Firma, f.EGN);
    const QString key = withoutEik(eik) ? byName : eikKey(eik);
    if (m_found.contains(key) || m_inChunk.contains(key)) {
        ++m_repeated;
        if (!m_replace)
            memo.record(label + QStringLiteral(" - Избраният контрагент СЪЩЕСТВУВА"));
        return {};
    }
    // Numbers are read once a chunk (its write lock keeps them), then counted here.
    if (m_next.id == 0) {
        m_next.idMol = NextNumber::next(QStringLiteral("Klienti"), QStringLiteral("ID"));
        m_next.id = NextNumber::next(QStringLiteral("Firmi"), QStringLiteral("ID"));
    }
    m_companies->add(CounterpartyRecord::companyValues(f, m_next, 0));
    m_persons->add(CounterpartyRecord::personValues(f, m_next.idMol));
    ++m_next.id;
    ++m_next.idMol;
    m_inChunk << eikKey(f.EIK) << byName; // as the database holds them
    memo.record(label + QStringLiteral(" - ДОБАВЕН"));
    ++m_added;
    return {};
}

void CounterpartyImport::chunkEnded(bool committed)
{
    m_next = {};
    m_found.clear();
    m_inChunk.clear();
    if (committed) {
        m_savedAdded = m_added;
        m_savedRepeated = m_repeated;
    } else {
        m_added = m_savedAdded;
        m_repeated = m_savedRepeated;
    }
}

QStringList CounterpartyImport::summary() const
{
    return {QString(), QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ ДАННИ:%1").arg(m_added + m_repeated),
            QStringLiteral("Добавени: %1").arg(m_added),
            m_replace ? QStringLiteral("Актуализации: 0") : QStringLiteral("Повторени: %1").arg(m_repeated)};
}
