#pragma once
#include "documents/layout_document.h"
#include "platform/report/report_model.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// The data of a document printed from the shop or service tab, or previewed
// in the designer: the layout's data fields read from their tables, joined by
// fixed rules to the printed lines, the tab's counterparty, the operator and
// the document's own row.
namespace DocumentQuery {

enum Tab { ShopTab = 0, ServiceTab = 1, FiscalTab = 2 };

struct Context {
    int tab = ShopTab;          // whose rules: shop or service
    long long counterparty = 0; // the tab's counterparty key (0: none)
    QList<long long> lines;     // printed line numbers; empty: every line of the operator
    QString operatorName;
    QString documentName;
};

struct Query {
    QString sql;
    QVariantList values;
    QStringList columns; // "Table.Field" per selected field
    QString error;       // why the document cannot be read, in Bulgarian
    bool ok() const { return error.isEmpty(); }
};

// The lines table of a tab: Prodajbi_Vremenni (shop), Priem_Ser_Vremen (service).
QString linesTable(int tab);

// The query of the data fields (table, field) in element order. Tables are
// the designer's (".db" and case do not count), fields their real columns;
// a table no rule joins, or an unknown table or field, gives the error.
Query build(const QList<QPair<QString, QString>> &fields, const Context &context);
Query build(const Layout::Document &document, const Context &context);

// Builds the query and reads it whole into `data`: dates and times marked,
// floating-point values as "0.00". A layout without data fields gets one
// empty row, so its bands print. false with the reason when refused or failed.
bool ADD_SQL_TO_QUERY_QUICKREPORT(const Layout::Document &document, const Context &context,
                                  Report::Data *data, QString *error);

// The active working tab of the main window (0 shop, 1 service, 2 fiscal
// service), registered by the main window; 0 when none is registered.
void setActiveTabHook(std::function<int()> hook);
int activeTab();

// The context of the designer's preview: the service rules while the service
// tab is active, else the shop's; the current operator's lines.
Context designerContext();
// The data of a layout the fiscal tab prints: the device query of the device
// it shows. Registered by the fiscal tab while it lives.
using TabData = std::function<bool(Report::Data *data, QString *error)>;
void setFiscalDataHook(TabData hook);
// The designer's preview of a layout that prints on the fiscal tab: that
// tab's data, or the layout with its fields empty when it shows no device.
// Without a fiscal tab it is refused, saying where the layout prints.
bool fiscalPreviewData(Report::Data *data, QString *error);
// The counterparty of a tab for the designer's preview, registered by the
// tab (0 when none is).
void setCounterpartyHook(int tab, std::function<long long()> hook);
} // namespace DocumentQuery
