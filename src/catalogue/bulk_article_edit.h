#pragma once
#include <QList>
#include <QString>

#include <optional>

// One common value for chosen fields of several articles. Only the fields
// that are set are written; nothing else of the articles changes.
struct BulkArticleFields {
    std::optional<int> Dan_grup;          // item index of the VAT group
    std::optional<long long> Prigotvq_Se; // department key
    std::optional<QString> Trajnost;      // "<unit>:<value>"
    std::optional<QString> Valuta_P;
    std::optional<QString> Mqrka;
    std::optional<double> Min_Kol;
    std::optional<double> Max_TO;
    std::optional<QString> Garancionen; // "True"/"False"
    std::optional<QString> Poredica;    // "True"/"False"
    bool isEmpty() const;
};

namespace BulkArticleEdit {
// The assignments of the set fields, in the fixed order, "col = ?" each.
QString setClause(const BulkArticleFields &fields);

// Writes the set fields to every article of `ids`, in their order, in one
// write transaction: a failure leaves every article unchanged. Nothing is
// written when no field is set or no article is given. Returns the number of
// articles written; throws DbError.
int apply(const BulkArticleFields &fields, const QList<long long> &ids);
} // namespace BulkArticleEdit
