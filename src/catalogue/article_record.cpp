#include "catalogue/article_record.h"

#include "catalogue/article_codes.h"
#include "common/reference_text.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QSet>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>

namespace {
QString flag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool isTrue(const QVariant &v)
{
    return v.toString().compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

ArticleSaveResult refused(const QString &message, bool number = false)
{
    ArticleSaveResult r;
    r.numberRefused = number;
    r.message = message;
    return r;
}

const QString BadNumber = QStringLiteral("Некоректен номер за артикул!");
} // namespace

QStringList ArticleRecord::defaultUnits()
{
    return {QStringLiteral("бр."),   QStringLiteral("кг."),   QStringLiteral("гр."),
            QStringLiteral("л."),    QStringLiteral("пакет"), QStringLiteral("стек"),
            QStringLiteral("кашон"), QStringLiteral("кв.м.")};
}

QStringList ArticleRecord::unitsInUse()
{
    // DISTINCT would walk the whole index of the units; each step here looks
    // up the next unit above the last one.
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral(
             "WITH RECURSIVE u(m) AS (SELECT MIN(Mqrka) FROM Produkti UNION ALL "
             "SELECT (SELECT MIN(p.Mqrka) FROM Produkti p WHERE p.Mqrka > u.m) FROM u WHERE u.m IS NOT NULL) "
             "SELECT m FROM u WHERE m IS NOT NULL")))
        out << r.value(0).toString();
    return out;
}

QStringList ArticleRecord::unitList()
{
    QSet<QString> seen;
    QStringList units;
    auto add = [&](const QString &u) {
        if (!u.isEmpty() && !seen.contains(u)) {
            seen.insert(u);
            units.append(u);
        }
    };
    for (const QString &u : defaultUnits())
        add(u);
    for (const QString &u : unitsInUse())
        add(u);
    std::sort(units.begin(), units.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    return units;
}

QStringList ArticleRecord::taxGroups()
{
    return {QStringLiteral("0:Данъчна група А - 0 %"), QStringLiteral("1:Данъчна група Б - 20 %"),
            QStringLiteral("2:Данъчна група В - 20 %"), QStringLiteral("3:Данъчна група Г - 7 %")};
}

QStringList ArticleRecord::shelfLifeUnits()
{
    return {QStringLiteral("в часове"), QStringLiteral("в дни"), QStringLiteral("в месеци"),
            QStringLiteral("в години")};
}

QString ArticleRecord::shelfLife(int unit, long long value)
{
    return QString::number(unit) + QLatin1Char(':') + QString::number(value);
}

void ArticleRecord::parseShelfLife(const QString &text, int *unit, long long *value)
{
    *unit = 0;
    *value = 0;
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return;
    bool ok = false;
    const int u = text.left(colon).trimmed().toInt(&ok);
    if (ok && u >= 0 && u < 4)
        *unit = u;
    const long long v = text.mid(colon + 1).trimmed().toLongLong(&ok);
    if (ok && v >= 0)
        *value = v;
}

QString ArticleRecord::shelfLifeText(const QString &trajnost)
{
    static const char *const units[] = {", часа", ", дни", ", месеца", ", години"};
    const QString unit = trajnost.left(1);
    if (unit.size() != 1 || unit.at(0) < QLatin1Char('0') || unit.at(0) > QLatin1Char('3'))
        return {};
    return trajnost.mid(2) + QString::fromUtf8(units[unit.at(0).unicode() - '0']);
}

long long ArticleRecord::parseNumber(const QString &typed)
{
    return ReferenceText::parseKey(typed);
}

QString ArticleRecord::defaultCatalogueNumber(long long group, const QString &articleNumber)
{
    return QString::number(group) + articleNumber.trimmed();
}

std::optional<Article> ArticleRecord::read(long long id)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id});
    if (!r)
        return std::nullopt;
    Article a;
    a.id = r->value(QStringLiteral("ID")).toLongLong();
    a.Nomenkl_N = r->value(QStringLiteral("Nomenkl_N")).toString();
    a.Nomer_Grupa = r->value(QStringLiteral("Nomer_Grupa")).toLongLong();
    a.Opisanie = r->value(QStringLiteral("Opisanie")).toString();
    a.Dostavna_Cena = r->value(QStringLiteral("Dostavna_Cena")).toDouble();
    a.Valuta_D = r->value(QStringLiteral("Valuta_D")).toString();
    a.Ed_Cena = r->value(QStringLiteral("Ed_Cena")).toDouble();
    a.Valuta_P = r->value(QStringLiteral("Valuta_P")).toString();
    a.Mqrka = r->value(QStringLiteral("Mqrka")).toString();
    a.Garancionen = isTrue(r->value(QStringLiteral("Garancionen")));
    a.Kasovo_Ime = r->value(QStringLiteral("Kasovo_Ime")).toString();
    a.Etiketno_Ime = r->value(QStringLiteral("Etiketno_Ime")).toString();
    a.Dostav4ik = r->value(QStringLiteral("Dostav4ik")).toString();
    a.Poredica = isTrue(r->value(QStringLiteral("Poredica")));
    a.Min_Kol = r->value(QStringLiteral("Min_Kol")).toDouble();
    a.Max_TO = r->value(QStringLiteral("Max_TO")).toDouble();
    a.Trajnost = r->value(QStringLiteral("Trajnost")).toString();
    a.Kod_Vezna = r->value(QStringLiteral("Kod_Vezna")).toLongLong();
    a.Dan_Grup = r->value(QStringLiteral("Dan_Grup")).toInt();
    a.Prigotvq_Se = r->value(QStringLiteral("Prigotvq_Se")).toLongLong();
    return a;
}

bool ArticleRecord::exists(long long id)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID = ?"), {id}).toLongLong() > 0;
}

long long ArticleRecord::proposedNumber()
{
    return Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Produkti")).toLongLong() + 1;
}

long long ArticleRecord::lastNumberInGroup(long long group)
{
    return Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM Produkti WHERE Nomer_Grupa = ?"), {group})
               .toLongLong()
           + 1;
}

namespace {
// The columns the editor writes, in the order of both statements.
const QString EditedColumns = QStringLiteral(
    "Nomenkl_N, Opisanie, Valuta_D, Ed_Cena, Valuta_P, Mqrka, Garancionen, Kasovo_Ime, Etiketno_Ime, Poredica, "
    "Min_Kol, Max_TO, Trajnost, Kod_Vezna, Dan_Grup, Prigotvq_Se");

QVariantList editedValues(const Article &a)
{
    return {a.Nomenkl_N, a.Opisanie,          a.Valuta_D,      a.Ed_Cena,           a.Valuta_P, a.Mqrka,
            flag(a.Garancionen), a.Kasovo_Ime, a.Etiketno_Ime, flag(a.Poredica), a.Min_Kol,  a.Max_TO,
            a.Trajnost,  a.Kod_Vezna,         a.Dan_Grup,      a.Prigotvq_Se};
}

// Runs a save inside one write transaction; a database failure is its result.
ArticleSaveResult saveInTransaction(const std::function<std::optional<ArticleSaveResult>()> &work)
{
    try {
        WriteTransaction tx;
        if (const std::optional<ArticleSaveResult> refusal = work())
            return *refusal;
        tx.commit();
    } catch (const DbError &e) {
        return refused(QStringLiteral("Артикулът не е записан:\n") + e.message());
    }
    ArticleSaveResult ok;
    ok.ok = true;
    return ok;
}
} // namespace

ArticleSaveResult ArticleRecord::insert(const Article &a, const PendingCodes &codes)
{
    if (a.id <= 0 || a.id > INT_MAX)
        return refused(BadNumber, true);
    return saveInTransaction([&]() -> std::optional<ArticleSaveResult> {
        if (exists(a.id))
            return refused(BadNumber, true);
        QVariantList values = {a.id, a.Nomer_Grupa};
        values.append(editedValues(a));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Dostavna_Cena, Dostav4ik, ") + EditedColumns
                        + QStringLiteral(") VALUES (?, ?, 0, '0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    values);
        for (const QString &code : codes.barcodes)
            ArticleCodes::addBarcode(a.id, code);
        for (const CatalogueNumber &n : codes.numbers)
            ArticleCodes::addCatalogueNumber(a.id, n.number, n.counterparty);
        return std::nullopt;
    });
}

ArticleSaveResult ArticleRecord::update(long long openedId, const Article &a)
{
    if (a.id <= 0 || a.id > INT_MAX)
        return refused(BadNumber, true);
    return saveInTransaction([&]() -> std::optional<ArticleSaveResult> {
        if (!exists(openedId))
            return refused(QStringLiteral("Артикулът вече не съществува!"));
        if (a.id != openedId) {
            if (exists(a.id))
                return refused(BadNumber, true);
            const QString user = ColumnRegistry::referencedBy(QStringLiteral("Produkti"), QStringLiteral("ID"),
                                                              openedId, Db::connection());
            if (!user.isEmpty())
                return refused(QStringLiteral("Номерът на артикула не може да бъде променен: артикулът е "
                                              "посочен в таблица ")
                                   + user + QStringLiteral("!"),
                               true);
        }
        QString assignments;
        for (const QString &column : EditedColumns.split(QStringLiteral(", ")))
            assignments += QStringLiteral(", ") + column + QStringLiteral(" = ?");
        QVariantList values = {a.id};
        values.append(editedValues(a));
        values.append(openedId);
        Db::execute(QStringLiteral("UPDATE Produkti SET ID = ?") + assignments + QStringLiteral(" WHERE ID = ?"), values);
        if (a.id != openedId) {
            Db::execute(QStringLiteral("UPDATE Barkodes SET ID = ? WHERE ID = ?"), {a.id, openedId});
            Db::execute(QStringLiteral("UPDATE Nomenklatures SET ID = ? WHERE ID = ?"), {a.id, openedId});
        }
        return std::nullopt;
    });
}

double ArticleRecord::stockIn(long long id, long long warehouse)
{
    return Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = ? AND Sklad_ID = ?"), {id, warehouse})
        .toDouble();
}

double ArticleRecord::totalStock(long long id)
{
    return Db::scalar(QStringLiteral("SELECT COALESCE(SUM(Kol), 0) FROM Store_Kol WHERE Art_ID = ?"), {id})
        .toDouble();
}

QByteArray ArticleRecord::picture(long long id)
{
    return Db::scalar(QStringLiteral("SELECT Snimka FROM Produkti WHERE ID = ?"), {id}).toByteArray();
}

void ArticleRecord::setPicture(long long id, const QByteArray &bytes)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("UPDATE Produkti SET Snimka = ? WHERE ID = ?"),
                {bytes.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(bytes), id});
    tx.commit();
}
