#include "catalogue/article_entry.h"

#include "common/money.h"
#include "common/settings.h"

std::optional<QString> ArticleEntry::priceRefusal(const QString &typed, double *price)
{
    if (typed.trimmed().isEmpty())
        return QStringLiteral("Въведете цена за артикул");
    if (!Numbers::parse(typed, price))
        return QStringLiteral("\"") + typed + QStringLiteral("\" не е число!");
    return std::nullopt;
}

ArticleEntry::Result ArticleEntry::toArticle(const Article &loaded, const Fields &entered,
                                             const std::optional<Fields> &shown, long long group)
{
    const auto refuse = [](Field field, const QString &message) { return Result{std::nullopt, Refusal{field, message}}; };
    const long long id = ArticleRecord::parseNumber(entered.number);
    if (id == 0)
        return refuse(Field::Number, QStringLiteral("Некоректен номер за артикул!"));
    if (entered.description.trimmed().isEmpty())
        return refuse(Field::Description, QStringLiteral("Въведете описание за артикул"));
    double price = 0;
    if (const auto refusal = priceRefusal(entered.priceText, &price))
        return refuse(Field::Price, *refusal);
    double maxDiscount = 0;
    if (!Numbers::parse(entered.maxDiscountText, &maxDiscount))
        return refuse(Field::MaxDiscount, QStringLiteral("Максималната отстъпка \"") + entered.maxDiscountText
                                              + QStringLiteral("\" не е число!"));

    Article a = loaded;
    a.id = id;
    a.Nomenkl_N = entered.catalogueNumber.trimmed().isEmpty()
                      ? ArticleRecord::defaultCatalogueNumber(group, entered.number)
                      : entered.catalogueNumber;
    if (!shown)
        a.Nomer_Grupa = group;
    a.Opisanie = entered.description;
    a.Valuta_D = entered.currency;
    a.Valuta_P = entered.currency;
    if (!shown || entered.priceText != shown->priceText)
        a.Ed_Cena = price;
    a.Mqrka = entered.unit;
    a.Garancionen = entered.warranty;
    a.Poredica = entered.series;
    a.Kasovo_Ime = entered.fiscalName;
    a.Etiketno_Ime = entered.labelName;
    if (!shown || entered.minQuantity != shown->minQuantity)
        a.Min_Kol = entered.minQuantity;
    if (!shown || entered.maxDiscountText != shown->maxDiscountText)
        a.Max_TO = maxDiscount;
    int storedUnit = 0;
    long long storedValue = 0;
    ArticleRecord::parseShelfLife(loaded.Trajnost, &storedUnit, &storedValue);
    if (!shown || loaded.Trajnost.isEmpty() || entered.shelfUnit != storedUnit
        || entered.shelfValue != shown->shelfValue)
        a.Trajnost = ArticleRecord::shelfLife(entered.shelfUnit, entered.shelfValue);
    if (!shown || entered.scaleCode != shown->scaleCode)
        a.Kod_Vezna = entered.scaleCode;
    a.Dan_Grup = entered.taxGroup;
    a.Prigotvq_Se = entered.department;
    return Result{a, std::nullopt};
}

int ArticleEntry::nameLimit(bool fiscal)
{
    const bool on = Settings::readBool(fiscal ? Keys::Tuning_10 : Keys::Tuning_11);
    const long long limit = on ? Settings::readInteger(fiscal ? Keys::Values_10 : Keys::Values_11) : 0;
    return limit > 0 && limit < 32767 ? int(limit) : 0;
}
