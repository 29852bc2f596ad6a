#include "platform/report/report_model.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
// "Klienti.db" and "KLIENTI.DB" name the table Klienti.
QString bareTable(const QString &table)
{
    QString t = table.trimmed();
    if (t.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        t.chop(3);
    return t;
}

bool isFloating(const QVariant &v)
{
    const int t = v.typeId();
    return t == QMetaType::Double || t == QMetaType::Float;
}

Report::Element smallElement(const QString &name, Report::ElementKind kind, double left, double width)
{
    Report::Element e;
    e.name = name;
    e.kind = kind;
    e.left = left;
    e.top = 2;
    e.width = width;
    e.height = 14;
    e.autoSize = true;
    e.fontSize = 8;
    return e;
}

// The band printed below the group footer of every document: the print date,
// the credit line and the page number.
Report::Band creditBand()
{
    using namespace Report;
    Band b;
    b.height = 35;
    b.elements.append(smallElement(QStringLiteral("QRSysData2"), ElementKind::SystemData, 8, 80));

    Element credit = smallElement(QStringLiteral("QRLabel4"), ElementKind::Label, 100, 518);
    // The "o" of the first word is a Latin letter, as on every printed document.
    credit.caption = QStringLiteral("Този д") + QLatin1Char('o')
                     + QStringLiteral("кумент е издаден от програмен продукт: \"Вентарос\". "
                                      "Програма за управление на магазин, сервиз и фискален сервиз.");
    credit.height = 30;
    credit.autoSize = false;
    credit.wordWrap = true;
    credit.alignment = Qt::AlignHCenter;
    b.elements.append(credit);

    Element page = smallElement(QStringLiteral("QRLabel5"), ElementKind::Label, 640, 30);
    page.caption = QStringLiteral("Стр.");
    b.elements.append(page);

    Element number = smallElement(QStringLiteral("QRSysData4"), ElementKind::SystemData, 670, 30);
    number.system = SystemData::PageNumber;
    b.elements.append(number);

    Element image = smallElement(QStringLiteral("QRImage1"), ElementKind::Picture, 0, 0);
    image.height = 0;
    b.elements.append(image);
    return b;
}
} // namespace

Report::Data Query_Dokumentation;

Report::Element *Report::Band::element(const QString &name)
{
    for (Element &e : elements)
        if (e.name == name)
            return &e;
    return nullptr;
}

void Report::Data::clear()
{
    m_columns.clear();
    m_rows.clear();
    m_date.clear();
    m_time.clear();
}

void Report::Data::setColumns(const QStringList &names)
{
    clear();
    m_columns = names;
    m_date = QList<bool>(names.size(), false);
    m_time = QList<bool>(names.size(), false);
}

void Report::Data::addRow(const QVariantList &values)
{
    QVariantList row = values.mid(0, m_columns.size());
    while (row.size() < m_columns.size())
        row.append(QVariant());
    m_rows.append(row);
}

bool Report::Data::read(QSqlQuery &query, QString *error)
{
    const QSqlRecord rec = Db::fields(query, query.lastQuery());
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names.append(rec.fieldName(i));
    setColumns(names);
    while (query.next()) {
        QVariantList row;
        row.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row.append(query.value(i));
        m_rows.append(row);
    }
    const bool ok = !query.lastError().isValid();
    if (!ok && error)
        *error = Db::errorText(query.lastError());
    query.finish(); // no statement stays open while the report is shown
    return ok;
}

bool Report::Data::open(const QString &sql, const QVariantList &values, QString *error)
{
    clear();
    try {
        QSqlQuery query = Db::exec(sql, values);
        if (read(query, error))
            return true;
    } catch (const DbError &e) {
        if (error)
            *error = e.message();
    }
    clear();
    return false;
}

QVariant Report::Data::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return QVariant();
    return m_rows.at(row).at(column);
}

void Report::Data::setValue(int row, int column, const QVariant &value)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return;
    m_rows[row][column] = value;
}

void Report::Data::setColumnValue(const QString &name, const QVariant &value)
{
    int c = columnNamed(name);
    if (c < 0) {
        m_columns.append(name);
        m_date.append(false);
        m_time.append(false);
        for (QVariantList &row : m_rows)
            row.append(QVariant());
        c = int(m_columns.size()) - 1;
    }
    for (QVariantList &row : m_rows)
        row[c] = value;
}

int Report::Data::columnNamed(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int Report::Data::columnOf(const QString &table, const QString &field) const
{
    // Firmi and Klienti both have Grad: the table's own column comes first.
    const QString t = bareTable(table);
    if (!t.isEmpty()) {
        const int c = columnNamed(t + QLatin1Char('.') + field);
        if (c >= 0)
            return c;
    }
    return columnNamed(field);
}

void Report::Data::markDateColumn(int column)
{
    if (column >= 0 && column < m_date.size())
        m_date[column] = true;
}

void Report::Data::markTimeColumn(int column)
{
    if (column >= 0 && column < m_time.size())
        m_time[column] = true;
}

void Report::Data::markRegistryColumns()
{
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString field = m_columns.at(i).section(QLatin1Char('.'), -1);
        if (ColumnRegistry::isDateColumn(field))
            m_date[i] = true;
        if (ColumnRegistry::isTimeColumn(field))
            m_time[i] = true;
    }
}

QString Report::Data::text(int row, int column) const
{
    const QVariant v = value(row, column);
    if (!v.isValid() || v.isNull())
        return QString();
    if (m_date.value(column) && !isFloating(v))
        return Dates::isoToShort(v.toString());
    if (m_time.value(column)) {
        const QString t = v.toString();
        // A stored date and time ("2024-03-01T10:05:00") shows its time.
        const qsizetype at = t.indexOf(QLatin1Char('T'));
        return at >= 0 ? t.mid(at + 1, 8) : t;
    }
    if (m_money && isFloating(v))
        return Money::fixed(v.toDouble(), 2);
    if (isFloating(v))
        return Numbers::toText(v.toDouble());
    return v.toString();
}

Report::Model::Model()
{
    pageHeader.enabled = false;
    pageFooter.enabled = false;
    child = creditBand();
}

Report::Band &Report::Model::band(BandKind kind)
{
    switch (kind) {
    case BandKind::PageHeader:
        return pageHeader;
    case BandKind::GroupHeader:
        return groupHeader;
    case BandKind::Detail:
        return detail;
    case BandKind::GroupFooter:
        return groupFooter;
    case BandKind::Child:
        return child;
    case BandKind::PageFooter:
        break;
    }
    return pageFooter;
}

const Report::Band &Report::Model::band(BandKind kind) const
{
    return const_cast<Model *>(this)->band(kind);
}

Report::Element *Report::Model::element(const QString &name)
{
    for (Band *b : {&pageHeader, &groupHeader, &detail, &groupFooter, &child, &pageFooter})
        if (Element *e = b->element(name))
            return e;
    return nullptr;
}

QString Report::noDataMessage()
{
    return QStringLiteral("Няма данни за документа");
}
