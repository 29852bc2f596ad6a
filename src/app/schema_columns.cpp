#include "app/schema_columns.h"

#include "platform/db/column_registry.h"

#include <utility>

void registerSchemaColumns()
{
    using namespace ColumnRegistry;
    // Dates and times
    for (const char *c : {"Data_Gar_Dok", "Data_Priem", "Krai_Data", "D_Vazlagane", "D_Izpalnenie",
                          "Data_Dostavka", "Data_Dokument", "Date_Rev"})
        registerDateColumn(QString::fromLatin1(c));
    for (const char *c : {"Time_Priem", "T_Vazlagane", "T_Izpalnenie", "Time_Dostavka", "Time_Rev"})
        registerTimeColumn(QString::fromLatin1(c));

    for (const char *c : {"D_Prodajba", "Data"})
        registerDateColumn(QString::fromLatin1(c));
    for (const char *c : {"T_Prodajba", "fTime"})
        registerTimeColumn(QString::fromLatin1(c));

    // Deferred-payment contracts, instalments and cancelled sales
    for (const char *c : {"Date_Otd", "Date_Pay", "Data_Pay", "Date_Invalidate"})
        registerDateColumn(QString::fromLatin1(c));
    registerTimeColumn(QStringLiteral("Time_Invalidate"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Konsignation"), QStringLiteral("ID_Kontrag"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Invalidate_Sales"), QStringLiteral("ID_Art"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Invalidate_Sales"), QStringLiteral("ID_Klient"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), QStringLiteral("Invalidate_Sales"), QStringLiteral("Valuta"));

    // Sales records and the order list
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Prodajbi"), QStringLiteral("ID_Art"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Prodajbi"), QStringLiteral("ID_Klient"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), QStringLiteral("Prodajbi"), QStringLiteral("Valuta"));
    registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), QStringLiteral("Prodajbi"), QStringLiteral("Sklad_ID"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Zaqvki_All"), QStringLiteral("Art_ID"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), QStringLiteral("Zaqvki_All"), QStringLiteral("Valuta"));
    // The print log: its document, counterparty and article
    registerReference(QStringLiteral("Dokumenti"), QStringLiteral("ID_Dokument"), QStringLiteral("Printed_Dok"),
                      QStringLiteral("ID_Dok"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Printed_Dok"), QStringLiteral("ID_Kontrag"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Printed_Dok"), QStringLiteral("ID_Art"));

    // Currencies, by name
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"),
                      QStringLiteral("Prodajbi_Vremenni"), QStringLiteral("Valuta"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"),
                      QStringLiteral("Priem_Ser_Vremen"), QStringLiteral("Valuta"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"),
                      QStringLiteral("Produkti"), QStringLiteral("Valuta_D"));
    registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"),
                      QStringLiteral("Produkti"), QStringLiteral("Valuta_P"));
    // Stock documents name currencies, articles, warehouses, suppliers and document kinds
    for (const auto &[table, column] : {std::pair{"DostavkiTMP", "Valuta_D"}, {"DostavkiTMP", "Valuta_P"},
                                        {"Dostavka_art", "Valuta_D"}, {"Dostavka_art", "Valuta_P"},
                                        {"Revision_Art", "Valuta"}})
        registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), QString::fromLatin1(table),
                          QString::fromLatin1(column));
    for (const auto &[table, column] : {std::pair{"DostavkiTMP", "Nomer_Produkt"}, {"Dostavka_art", "Nomer_Produkt"},
                                        {"Revision_Art", "Art_ID"}})
        registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QString::fromLatin1(table),
                          QString::fromLatin1(column));
    registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), QStringLiteral("Dostavki"),
                      QStringLiteral("ID_Sklad"));
    registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"), QStringLiteral("Revision"),
                      QStringLiteral("Sklad_ID"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Dostavki"),
                      QStringLiteral("Nomer_Dostav4ik"));
    registerReference(QStringLiteral("Rab_Dokumenti"), QStringLiteral("ID"), QStringLiteral("Dostavki"),
                      QStringLiteral("Vid_Dokument"));
    // Articles
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"),
                      QStringLiteral("Store_Kol"), QStringLiteral("Art_ID"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"),
                      QStringLiteral("Serials"), QStringLiteral("ID"));
    // Supplier warranty cards name their supplier and document kind
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Garancia_dostavtchik"),
                      QStringLiteral("ID_Kontrag"));
    registerReference(QStringLiteral("Rab_Dokumenti"), QStringLiteral("ID"), QStringLiteral("Garancia_dostavtchik"),
                      QStringLiteral("Vid_Dok"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("SP_otstapka"),
                      QStringLiteral("ID_Art_Gr"), QStringLiteral("Otnasq_se_za"), QStringLiteral("A"));
    // Recipes name their base article and elements; customer cards their article
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"),
                      QStringLiteral("Rezept_Art"), QStringLiteral("ID_Art"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"),
                      QStringLiteral("Rezept_El"), QStringLiteral("ID_El"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), QStringLiteral("Karti"), QStringLiteral("ID"));
    // Article groups: a renumber takes the articles and the group discount rules along
    registerReference(QStringLiteral("Grupi"), QStringLiteral("ID"),
                      QStringLiteral("Produkti"), QStringLiteral("Nomer_Grupa"));
    registerReference(QStringLiteral("Grupi"), QStringLiteral("ID"), QStringLiteral("SP_otstapka"),
                      QStringLiteral("ID_Art_Gr"), QStringLiteral("Otnasq_se_za"), QStringLiteral("G"));
    registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"),
                      QStringLiteral("Prodajbi_Vremenni"), QStringLiteral("Barkod"));
    // Counterparties with discount rules; operators with open desk lines
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"),
                      QStringLiteral("SP_otstapka"), QStringLiteral("ID_Klient"));
    registerReference(QStringLiteral("Operators"), QStringLiteral("Ime"),
                      QStringLiteral("Prodajbi_Vremenni"), QStringLiteral("Operator"));
    // Warehouses
    registerReference(QStringLiteral("Sklad"), QStringLiteral("ID_Sklad"),
                      QStringLiteral("Store_Kol"), QStringLiteral("Sklad_ID"));
    // Preparation departments
    registerReference(QStringLiteral("Type_Prigotvq_Se"), QStringLiteral("ID"),
                      QStringLiteral("Prodajbi_Vremenni"), QStringLiteral("Prigotvq_Se"));
    registerReference(QStringLiteral("Type_Prigotvq_Se"), QStringLiteral("ID"),
                      QStringLiteral("Produkti"), QStringLiteral("Prigotvq_Se"));
    // Counterparties: the person row, the group, sites and bank accounts
    registerReference(QStringLiteral("Klienti"), QStringLiteral("ID"),
                      QStringLiteral("Firmi"), QStringLiteral("ID_Mol"));
    registerReference(QStringLiteral("Grupi_Kontrag"), QStringLiteral("ID"),
                      QStringLiteral("Firmi"), QStringLiteral("Nomer_Grupa"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"),
                      QStringLiteral("Kontrag_Sklad"), QStringLiteral("ID_Kontrag"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"),
                      QStringLiteral("Kontrag_SM"), QStringLiteral("ID_Kontrag"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"),
                      QStringLiteral("Nomenklatures"), QStringLiteral("ID_Kontrag"));
    // The assigner of a task
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"),
                      QStringLiteral("Zada4i_Zadanie"), QStringLiteral("Vazlojil_Klient"));
    // A fiscal device stands at one of its owner's sites
    registerReference(QStringLiteral("Kontrag_Sklad"), QStringLiteral("ID_SK"),
                      QStringLiteral("Reg_EKA"), QStringLiteral("ID_Sklad"));

    // The repair service: reception lines, intakes, repair lines and their archive
    for (const char *c : {"Data_Izd", "Garan_Remont"})
        registerDateColumn(QString::fromLatin1(c));
    registerTimeColumn(QStringLiteral("Time_Izd"));
    for (const char *t : {"Priem_Ser_Vremen", "Priem_Ser", "R_Priem"}) {
        const QString table = QString::fromLatin1(t);
        registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), table, QStringLiteral("ID_Kontrag"));
        registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), table, QStringLiteral("ID_Dostav4ik"));
        registerReference(QStringLiteral("Produkti"), QStringLiteral("ID"), table, QStringLiteral("Barkod"));
    }
    for (const char *t : {"Priem_Ser", "R_Priem", "Remont", "R_Remont"})
        registerReference(QStringLiteral("Valuti"), QStringLiteral("Opisanie"), QString::fromLatin1(t),
                          QStringLiteral("Valuta"));
    registerReference(QStringLiteral("Status_Remont"), QStringLiteral("ID"), QStringLiteral("Priem_Ser"),
                      QStringLiteral("Status"));
    registerReference(QStringLiteral("Operators"), QStringLiteral("Ime"), QStringLiteral("Priem_Ser_Vremen"),
                      QStringLiteral("Operator"));
    // Fiscal devices: owner, service centre, tax office, model; the sealing firm of a certificate
    for (const char *c : {"ID_Kontrag", "ID_Serv", "TDD_ID"})
        registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("Reg_EKA"),
                          QString::fromLatin1(c));
    registerReference(QStringLiteral("SV_BIM"), QStringLiteral("ID"), QStringLiteral("Reg_EKA"), QStringLiteral("Model"));
    registerReference(QStringLiteral("Firmi"), QStringLiteral("ID"), QStringLiteral("SV_BIM"), QStringLiteral("ID_Plomb"));
    for (const char *c : {"Data_Reg", "Dog_Ot", "Valid_Do", "SV_Data"})
        registerDateColumn(QString::fromLatin1(c));
    registerTimeColumn(QStringLiteral("Time_Reg"));
}
