#include "documents/document_query.h"

#include "app/app_state.h"
#include "platform/db/database.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlRecord>

namespace DocumentQuery {

namespace {
std::function<int()> &tabHook()
{
    static std::function<int()> hook;
    return hook;
}

TabData &fiscalDataHook()
{
    static TabData hook;
    return hook;
}

QHash<int, std::function<long long()>> &counterpartyHooks()
{
    static QHash<int, std::function<long long()>> hooks;
    return hooks;
}

// The tables as the database names them.
QString schemaName(const QString &designerName)
{
    if (designerName.compare(QStringLiteral("Prodajbi_vremenni"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Prodajbi_Vremenni");
    if (designerName.compare(QStringLiteral("Zada4i_zadanie"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Zada4i_Zadanie");
    return designerName;
}

// The designer's table a layout names ("PRODUKTI.DB" is Produkti), empty when none.
QString tableOf(const QString &layoutName)
{
    QString t = layoutName.trimmed();
    if (t.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        t.chop(3);
    for (const QString &table : Layout::designerTables())
        if (table.compare(t, Qt::CaseInsensitive) == 0)
            return schemaName(table);
    return QString();
}

bool isIdentifier(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return identifier.match(name).hasMatch();
}

// The table's own spelling of a field, empty when it has none or the designer hides it.
QString fieldOf(const QString &table, const QString &field)
{
    const QSqlRecord record = Db::tableColumns(table);
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        if (name.compare(field.trimmed(), Qt::CaseInsensitive) == 0)
            return Layout::designerHidesField(table, name) || !isIdentifier(name) ? QString() : name;
    }
    return QString();
}

bool same(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// Tables a table's rule needs besides itself.
QStringList needs(const QString &table, const QString &lines)
{
    if (same(table, "Produkti") || same(table, "Valuti"))
        return {lines};
    if (same(table, "Grupi"))
        return {QStringLiteral("Produkti"), lines};
    return {};
}

bool hasRule(const QString &table, const QString &lines)
{
    for (const char *t : {"Firmi", "Klienti", "Operators", "Produkti", "Dokumenti", "Valuti", "Grupi"})
        if (same(table, t))
            return true;
    return table.compare(lines, Qt::CaseInsensitive) == 0;
}
} // namespace

QString linesTable(int tab)
{
    return tab == ServiceTab ? QStringLiteral("Priem_Ser_Vremen") : QStringLiteral("Prodajbi_Vremenni");
}

Query build(const QList<QPair<QString, QString>> &fields, const Context &context)
{
    Query q;
    const QString lines = linesTable(context.tab);
    QStringList tables; // in the order the layout first names them
    QStringList select;
    for (const auto &[layoutTable, layoutField] : fields) {
        const QString table = tableOf(layoutTable);
        if (table.isEmpty()) {
            q.error = QStringLiteral("Документът ползва таблица \"%1\", която не може да се печата.").arg(layoutTable);
            return q;
        }
        if (!hasRule(table, lines)) {
            q.error = QStringLiteral("Документът ползва таблица \"%1\", която не се свързва с избраните редове.")
                          .arg(table);
            return q;
        }
        const QString field = fieldOf(table, layoutField);
        if (field.isEmpty()) {
            q.error = QStringLiteral("Документът ползва поле \"%1\", което липсва в таблица \"%2\".")
                          .arg(layoutField, table);
            return q;
        }
        const QString column = table + QLatin1Char('.') + field;
        if (q.columns.contains(column, Qt::CaseInsensitive))
            continue;
        q.columns.append(column);
        select.append(QStringLiteral("%1.%2 AS \"%3\"").arg(table, field, column));
        if (!tables.contains(table, Qt::CaseInsensitive))
            tables.append(table);
    }
    if (select.isEmpty())
        return q; // no data field: no query

    // A rule brings in the tables it joins through.
    for (int i = 0; i < tables.size(); ++i)
        for (const QString &t : needs(tables.at(i), lines))
            if (!tables.contains(t, Qt::CaseInsensitive))
                tables.append(t);

    // The client is joined to the rows, never a condition on them: a sale
    // without one (or whose client is gone) prints with the client fields empty.
    QStringList from, joins, where;
    QVariantList joinValues;
    for (const QString &t : tables) {
        if (same(t, "Firmi")) {
            joins.append(QStringLiteral("LEFT JOIN Firmi ON Firmi.ID = ?"));
            joinValues.append(context.counterparty);
            continue;
        }
        if (same(t, "Klienti")) {
            joins.append(QStringLiteral("LEFT JOIN Klienti ON Klienti.ID = (SELECT f.ID_Mol FROM Firmi f WHERE f.ID = ?)"));
            joinValues.append(context.counterparty);
            continue;
        }
        from.append(t);
        if (t.compare(lines, Qt::CaseInsensitive) == 0) {
            if (context.lines.isEmpty()) {
                where.append(lines + QStringLiteral(".Operator = ?"));
                q.values.append(context.operatorName);
            } else {
                QStringList marks;
                for (long long line : context.lines) {
                    marks.append(QStringLiteral("?"));
                    q.values.append(line);
                }
                where.append(lines + QStringLiteral(".N_Prodajba IN (") + marks.join(QStringLiteral(", "))
                             + QLatin1Char(')'));
            }
        } else if (same(t, "Operators")) {
            where.append(QStringLiteral("Operators.Ime = ?"));
            q.values.append(context.operatorName);
        } else if (same(t, "Produkti")) {
            where.append(QStringLiteral("Produkti.ID = ") + lines + QStringLiteral(".Barkod"));
        } else if (same(t, "Dokumenti")) {
            where.append(QStringLiteral("Dokumenti.Opisanie = ?"));
            q.values.append(context.documentName);
        } else if (same(t, "Valuti")) {
            where.append(QStringLiteral("Valuti.Opisanie = ") + lines + QStringLiteral(".Valuta"));
        } else if (same(t, "Grupi")) {
            where.append(QStringLiteral("Grupi.ID = Produkti.Nomer_Grupa"));
        }
    }
    if (from.isEmpty())
        from.append(QStringLiteral("(SELECT 1 AS One) AS Client_Only")); // client fields alone: one row
    q.values = joinValues + q.values; // the joins' marks come first in the text
    q.sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
            + from.join(QStringLiteral(", "));
    if (!joins.isEmpty())
        q.sql += QLatin1Char(' ') + joins.join(QLatin1Char(' '));
    if (!where.isEmpty())
        q.sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    // Lines in the order they were entered.
    if (tables.contains(lines, Qt::CaseInsensitive))
        q.sql += QStringLiteral(" ORDER BY ") + lines + QStringLiteral(".N_Prodajba");
    return q;
}

Query build(const Layout::Document &document, const Context &context)
{
    QList<QPair<QString, QString>> fields;
    for (const Layout::Element &e : document.elements)
        if (e.kind == Layout::Kind::DataField)
            fields.append({e.table, e.field});
    return build(fields, context);
}

bool ADD_SQL_TO_QUERY_QUICKREPORT(const Layout::Document &document, const Context &context, Report::Data *data,
                                  QString *error)
{
    data->clear();
    Query q;
    try {
        q = build(document, context);
    } catch (const DbError &e) {
        q.error = e.message();
    }
    if (!q.ok()) {
        if (error)
            *error = q.error;
        return false;
    }
    if (q.sql.isEmpty()) {
        data->setColumns({});
        data->addRow({});
        data->setMoneyFormat(true);
        return true;
    }
    QString why;
    if (!data->open(q.sql, q.values, &why)) {
        if (error)
            *error = QStringLiteral("Данните на документа не могат да бъдат прочетени: ") + why;
        return false;
    }
    data->markRegistryColumns();
    data->setMoneyFormat(true);
    return true;
}

void setActiveTabHook(std::function<int()> hook)
{
    tabHook() = std::move(hook);
}

int activeTab()
{
    return tabHook() ? tabHook()() : ShopTab;
}

void setCounterpartyHook(int tab, std::function<long long()> hook)
{
    if (hook)
        counterpartyHooks().insert(tab, std::move(hook));
    else
        counterpartyHooks().remove(tab);
}

void setFiscalDataHook(TabData hook)
{
    fiscalDataHook() = std::move(hook);
}

bool fiscalPreviewData(Report::Data *data, QString *error)
{
    data->clear();
    if (!fiscalDataHook()) {
        if (error)
            *error = QStringLiteral("Документът се печата от раздел \"Фискален сервиз\".");
        return false;
    }
    if (!fiscalDataHook()(data, error))
        return false;
    if (data->rowCount() == 0)
        data->addRow({}); // no device shown: the layout, its fields empty
    return true;
}

Context designerContext()
{
    Context c;
    c.tab = activeTab() == ServiceTab ? ServiceTab : ShopTab;
    const auto hook = counterpartyHooks().value(c.tab);
    c.counterparty = hook ? hook() : 0;
    c.operatorName = AppState::instance().currentOperator();
    return c;
}
} // namespace DocumentQuery
