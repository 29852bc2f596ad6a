#include "catalogue/warehouses.h"

#include "common/reference_text.h"
#include "common/settings.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "app/app_state.h"

#include <QSet>
#include <QSqlRecord>

#include <climits>

namespace {
Warehouse fromRecord(const QSqlRecord &r)
{
    Warehouse w;
    w.id = r.value(QStringLiteral("ID_Sklad")).toLongLong();
    w.name = r.value(QStringLiteral("Opis_Sklad")).toString();
    w.town = r.value(QStringLiteral("Grad")).toString();
    w.address = r.value(QStringLiteral("Adres")).toString();
    w.mol = r.value(QStringLiteral("Mol_Sklad")).toString();
    return w;
}

const QString SelectAll = QStringLiteral(
    "SELECT ID_Sklad, Opis_Sklad, Grad, Adres, Mol_Sklad FROM Sklad");

QString quoted(const QString &name)
{
    return QStringLiteral("\"") + name + QStringLiteral("\"");
}

WarehouseSaveResult refused(int entry, int column, const QString &message)
{
    WarehouseSaveResult r;
    r.entry = entry;
    r.column = column;
    r.message = message;
    return r;
}
} // namespace

QString Warehouse::referenceText() const
{
    return ReferenceText::make(id, name);
}

QList<Warehouse> Warehouses::all()
{
    QList<Warehouse> list;
    for (const QSqlRecord &r : Db::rows(SelectAll + QStringLiteral(" ORDER BY ID_Sklad")))
        list.append(fromRecord(r));
    return list;
}

std::optional<Warehouse> Warehouses::find(long long id)
{
    const auto r = Db::firstRow(SelectAll + QStringLiteral(" WHERE ID_Sklad = ?"), {id});
    if (!r)
        return std::nullopt;
    return fromRecord(*r);
}

QStringList Warehouses::referenceTexts()
{
    QStringList texts;
    for (const Warehouse &w : all())
        texts.append(w.referenceText());
    return texts;
}

long long Warehouses::parseNumber(const QString &typed)
{
    // The panel and every combo carry the number in a reference text.
    return ReferenceText::parseKey(typed);
}

WarehouseSaveResult Warehouses::save(const QList<WarehouseEntry> &entries)
{
    const QString badNumber = QStringLiteral("Номерът на склада трябва да бъде цяло число, по-голямо от 0.");
    // Everything the operator can mend is checked before the transaction.
    QList<long long> numbers;
    QSet<long long> typedNew;
    for (int i = 0; i < entries.size(); ++i) {
        const WarehouseEntry &e = entries.at(i);
        const long long n = parseNumber(e.number);
        if (e.savedId > 0) {
            if (n != e.savedId)
                return refused(i, 0, QStringLiteral("Номерът на съществуващ склад не може да бъде променян."));
        } else {
            if (n <= 0)
                return refused(i, 0, badNumber);
            if (typedNew.contains(n))
                return refused(i, 0, QStringLiteral("Склад с номер %1 вече съществува.").arg(n));
            typedNew.insert(n);
        }
        if (e.name.trimmed().isEmpty())
            return refused(i, 1, QStringLiteral("Въведете наименование на склада."));
        numbers.append(n);
    }

    try {
        WriteTransaction tx;
        for (int i = 0; i < entries.size(); ++i) {
            const WarehouseEntry &e = entries.at(i);
            const QVariantList values{e.name.trimmed(), e.town.trimmed(), e.address.trimmed(),
                                      e.mol.trimmed(), numbers.at(i)};
            if (e.savedId > 0) {
                const int changed = Db::execute(
                    QStringLiteral("UPDATE Sklad SET Opis_Sklad = ?, Grad = ?, Adres = ?, "
                                   "Mol_Sklad = ? WHERE ID_Sklad = ?"),
                    values);
                if (changed != 1)
                    return refused(i, 1, QStringLiteral("Склад с номер %1 вече не съществува "
                                                        "(изтрит е от друго работно място).")
                                             .arg(e.savedId));
                continue;
            }
            // Checked inside the transaction: another workstation may have
            // taken the number since the grid was read.
            if (Db::firstRow(QStringLiteral("SELECT ID_Sklad FROM Sklad WHERE ID_Sklad = ?"),
                             {numbers.at(i)}))
                return refused(i, 0, QStringLiteral("Склад с номер %1 вече съществува.").arg(numbers.at(i)));
            Db::execute(QStringLiteral("INSERT INTO Sklad (Opis_Sklad, Grad, Adres, Mol_Sklad, ID_Sklad) "
                                       "VALUES (?, ?, ?, ?, ?)"),
                        values);
        }
        tx.commit();
    } catch (const DbError &) {
        return refused(-1, -1, QStringLiteral("Складовете не бяха записани: грешка при запис в базата данни."));
    }
    WarehouseSaveResult ok;
    ok.ok = true;
    return ok;
}

bool Warehouses::isActive(long long id)
{
    return id > 0
        && (Settings::readInteger(Keys::Store_Active) == id
            || AppState::instance().activeWarehouseId() == id);
}

QString Warehouses::removalRefusal(const Warehouse &warehouse)
{
    const QString named = quoted(warehouse.referenceText());
    if (isActive(warehouse.id))
        return QStringLiteral("Складът ") + named
            + QStringLiteral(" е активният склад на това работно място и не може да бъде изтрит.");
    const QString usedBy = ColumnRegistry::referencedBy(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"),
                                                        warehouse.id);
    if (!usedBy.isEmpty())
        return QStringLiteral("Складът ") + named + QStringLiteral(" се използва (таблица ") + usedBy
            + QStringLiteral(") и не може да бъде изтрит.");
    return {};
}

bool Warehouses::remove(long long id, QString *reason)
{
    WriteTransaction tx;
    const auto w = find(id);
    if (!w) {
        tx.commit();
        return true; // already gone
    }
    const QString refusal = removalRefusal(*w);
    if (!refusal.isEmpty()) {
        if (reason)
            *reason = refusal;
        return false;
    }
    Db::execute(QStringLiteral("DELETE FROM Sklad WHERE ID_Sklad = ?"), {id});
    tx.commit();
    return true;
}

QString Warehouses::activeReferenceText()
{
    const long long id = Settings::readInteger(Keys::Store_Active);
    try {
        if (const auto w = find(id))
            return w->referenceText();
    } catch (const DbError &) {
    }
    return QString::fromLatin1(NoWarehouseText);
}

void Warehouses::LoadActiveWarehouse()
{
    AppState::instance().setActiveWarehouseText(activeReferenceText());
}

bool Warehouses::chooseActive(const Warehouse &warehouse, QString *error)
{
    if (!Settings::writeInteger(Keys::Store_Active, warehouse.id, error))
        return false;
    AppState::instance().setActiveWarehouseText(warehouse.referenceText());
    return true;
}
