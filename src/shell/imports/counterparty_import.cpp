#include "shell/imports/counterparty_import.h"

#include "app/next_number.h"
#include "counterparties/counterparty_record.h"

namespace {
const char *const ByEik = "SELECT ID FROM Firmi WHERE EIK = ?";
// Firmi's index on the name finds the companies, Klienti's key their persons.
const char *const ByNameAndEgn = "SELECT f.ID FROM Firmi f JOIN Klienti k ON k.ID = f.ID_Mol "
                                 "WHERE f.Ime_Firma = ? AND k.EGN = ?";
} // namespace

CounterpartyImport::CounterpartyImport(bool replace, const QSqlDatabase &db)
    : m_replace(replace)
{
    m_byEik = std::make_unique<ImportRun::Statement>(db, QString::fromLatin1(ByEik));
    m_byNameAndEgn = std::make_unique<ImportRun::Statement>(db, QString::fromLatin1(ByNameAndEgn));
    m_companies = &batchInsert(db, QStringLiteral("Firmi"), CounterpartyRecord::companyColumns());
    m_persons = &batchInsert(db, QStringLiteral("Klienti"), CounterpartyRecord::personColumns());
}

QList<CounterpartyImport::Lookup> CounterpartyImport::lookups(const QString &eik, const QString &name,
                                                               const QString &egn)
{
    return {{QString::fromLatin1(ByEik), {eik}}, {QString::fromLatin1(ByNameAndEgn), {name, egn}}};
}

CounterpartyImport::~CounterpartyImport() = default;

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
    code(15, &f.EGN);
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
    // A counterparty of a line before, still waiting in the batch, is looked up once it is written.
    const QString byEik = QStringLiteral("e") + eik;
    const QString byName = QStringLiteral("n") + f.Ime_Firma + QLatin1Char('\n') + f.EGN;
    const bool withoutEik = eik.trimmed().isEmpty();
    if (m_companies->pending() == 0) {
        m_waiting.clear();
    } else if (m_waiting.contains(withoutEik ? byName : byEik)) {
        m_companies->flush();
        m_persons->flush();
    }
    const bool exists = withoutEik ? m_byNameAndEgn->exists({f.Ime_Firma, f.EGN}) : m_byEik->exists({eik});
    if (exists) {
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
    m_waiting << byEik << byName;
    memo.record(label + QStringLiteral(" - ДОБАВЕН"));
    ++m_added;
    return {};
}

void CounterpartyImport::chunkEnded(bool committed)
{
    m_next = {};
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
