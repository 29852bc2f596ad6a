#include "documents/layout_document.h"

#include "platform/db/typed_query.h"

#include <QSet>

namespace Layout {

QStringList designerTables()
{
    return {QStringLiteral("Produkti"),  QStringLiteral("Prodajbi"),        QStringLiteral("Prodajbi_vremenni"),
            QStringLiteral("Operators"), QStringLiteral("Grupi"),           QStringLiteral("Barkodes"),
            QStringLiteral("Dokumenti"), QStringLiteral("Kodove_za_Dokumenti"), QStringLiteral("Firmi"),
            QStringLiteral("Klienti"),   QStringLiteral("Dostavki"),        QStringLiteral("Valuti"),
            QStringLiteral("Rab_Dokumenti"), QStringLiteral("Zada4i_zadanie"), QStringLiteral("Sklad"),
            QStringLiteral("Priem_Ser_Vremen")};
}

bool designerHidesField(const QString &table, const QString &field)
{
    // What no typed query reads, and the operators' rights besides.
    return TypedQuery::findProtected(table, field)
           || (table.compare(QStringLiteral("Operators"), Qt::CaseInsensitive) == 0
               && field.compare(QStringLiteral("Prava"), Qt::CaseInsensitive) == 0);
}

namespace {
std::function<FieldNames()> &fiscalFieldsProvider()
{
    static std::function<FieldNames()> provider;
    return provider;
}
} // namespace

void setFiscalServiceFields(std::function<FieldNames()> provider)
{
    fiscalFieldsProvider() = std::move(provider);
}

FieldNames fiscalServiceFields()
{
    return fiscalFieldsProvider() ? fiscalFieldsProvider()() : FieldNames();
}

QString bandName(Band band)
{
    switch (band) {
    case Band::Header:
        return QStringLiteral("GroupHeaderBand1");
    case Band::Footer:
        return QStringLiteral("GroupFooterBand1");
    case Band::Detail:
        break;
    }
    return QStringLiteral("QRSubDetail1");
}

bool bandFromName(const QString &name, Band *band)
{
    for (Band b : {Band::Header, Band::Detail, Band::Footer})
        if (name == bandName(b)) {
            *band = b;
            return true;
        }
    return false;
}

QString kindClass(Kind kind)
{
    switch (kind) {
    case Kind::DataField:
        return QStringLiteral("TQRDBText");
    case Kind::SystemData:
        return QStringLiteral("TQRSysData");
    case Kind::Picture:
        return QStringLiteral("TQRImage");
    case Kind::Label:
        break;
    }
    return QStringLiteral("TQRLabel");
}

bool kindFromClass(const QString &name, Kind *kind)
{
    for (Kind k : {Kind::DataField, Kind::Label, Kind::SystemData, Kind::Picture})
        if (name == kindClass(k)) {
            *kind = k;
            return true;
        }
    return false;
}

QString kindStem(Kind kind)
{
    return kindClass(kind).mid(1);
}

QStringList labelKinds()
{
    return {QStringLiteral("0:Цена без ДДС"), QStringLiteral("1:ДДС"), QStringLiteral("2:Обща сума продажба"),
            QStringLiteral("3:Сума с думи"), QStringLiteral("4:Свободен текст")};
}

QStringList systemKinds()
{
    return {QStringLiteral("Дата"),
            QStringLiteral("Дата и час"),
            QStringLiteral("DetailCount"),
            QStringLiteral("DetailNo"),
            QStringLiteral("Номер на страница"),
            QStringLiteral("Име на документа"),
            QStringLiteral("Час")};
}

QString numberPromptCaption()
{
    return QStringLiteral("Въведете число за изписване с думи");
}

QString Element::text() const
{
    return printedSet ? printed : caption;
}

QStringList Document::ElementBandList() const
{
    QStringList bands;
    for (const Element &e : elements)
        bands.append(bandName(e.band));
    return bands;
}

QStringList Document::LayoutTableList() const
{
    QStringList tables;
    for (const Element &e : elements)
        if (e.kind == Kind::DataField && !e.table.isEmpty() && !tables.contains(e.table))
            tables.append(e.table);
    tables.sort();
    return tables;
}

QStringList Document::LayoutFieldList() const
{
    QStringList fields;
    for (const Element &e : elements)
        if (e.kind == Kind::DataField && !e.field.isEmpty())
            fields.append(QStringLiteral("\"%1\".\"%2\"").arg(e.table, e.field));
    return fields;
}

int Document::indexOf(const QString &name) const
{
    for (int i = 0; i < elements.size(); ++i)
        if (elements.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString Document::freeName(Kind kind, int from) const
{
    QSet<QString> taken;
    for (const Element &e : elements)
        taken.insert(e.name.toLower());
    for (int n = qMax(1, from);; ++n) {
        const QString name = kindStem(kind) + QString::number(n);
        if (!taken.contains(name.toLower()))
            return name;
    }
}

int Document::bandHeight(Band band) const
{
    switch (band) {
    case Band::Header:
        return headerHeight;
    case Band::Footer:
        return footerHeight;
    case Band::Detail:
        break;
    }
    return detailHeight;
}

void Document::setBandHeight(Band band, int height)
{
    switch (band) {
    case Band::Header:
        headerHeight = height;
        break;
    case Band::Footer:
        footerHeight = height;
        break;
    case Band::Detail:
        detailHeight = height;
        break;
    }
}

void Document::clear()
{
    *this = Document();
}

Document &current()
{
    static Document document;
    return document;
}
} // namespace Layout
