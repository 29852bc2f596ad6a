#pragma once
#include "catalogue/article_record.h"

#include <QString>

#include <optional>

// The article editor's fields as the user left them, and the article they
// make. A stored article keeps a stored value behind a field that shows it
// rounded (a price, a spin) as long as the field is left as it was shown.
namespace ArticleEntry {
struct Fields {
    QString number, catalogueNumber, description, priceText, maxDiscountText;
    QString currency, unit, fiscalName, labelName;
    bool warranty = false, series = false;
    int shelfUnit = 0, taxGroup = 0;
    int minQuantity = -1, shelfValue = -1, scaleCode = -1; // -1: none shown
    long long department = 0;
};

// The field a refusal sends the user back to, with the message to show.
enum class Field { Number, Description, Price, MaxDiscount };
struct Refusal {
    Field field;
    QString message;
};

// A typed price: "Въведете цена за артикул" for an empty one, "\"<text>\" не
// е число!" for one that is no number; nothing when `price` holds it.
std::optional<QString> priceRefusal(const QString &typed, double *price);

// The article to store: `loaded` with the entered values, checked in the
// order of the fields. `shown` is what the fields showed when the stored
// article was opened, nothing for a new article (which takes every value
// and the group). An empty catalogue number is the group's default.
struct Result {
    std::optional<Article> article;
    std::optional<Refusal> refusal;
};
Result toArticle(const Article &loaded, const Fields &entered, const std::optional<Fields> &shown, long long group);

// The longest fiscal (or label) name the settings allow; 0 for no limit.
int nameLimit(bool fiscal);
} // namespace ArticleEntry
