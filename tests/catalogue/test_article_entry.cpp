#include "catalogue/article_entry.h"
#include "common/settings.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

namespace {
ArticleEntry::Fields typed()
{
    ArticleEntry::Fields f;
    f.number = QStringLiteral("125");
    f.description = QStringLiteral("Кафе");
    f.priceText = QStringLiteral("2.5000");
    f.maxDiscountText = QStringLiteral("0.0000");
    f.currency = QStringLiteral("BGN");
    f.unit = QStringLiteral("бр.");
    f.minQuantity = 1;
    f.shelfUnit = 1;
    f.shelfValue = 30;
    f.scaleCode = 125;
    f.taxGroup = 2;
    f.department = 4;
    return f;
}
} // namespace

class ArticleEntryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The first failing field, in the order of the fields, with its message.
    void refusals()
    {
        using F = ArticleEntry::Field;
        const struct {
            QString ArticleEntry::Fields::*field;
            const char *text;
            F refused;
            const char *message;
        } cases[] = {
            {&ArticleEntry::Fields::number, "0", F::Number, "Некоректен номер за артикул!"},
            {&ArticleEntry::Fields::number, "12a", F::Number, "Некоректен номер за артикул!"},
            {&ArticleEntry::Fields::description, "  ", F::Description, "Въведете описание за артикул"},
            {&ArticleEntry::Fields::priceText, " ", F::Price, "Въведете цена за артикул"},
            {&ArticleEntry::Fields::priceText, "2,5лв", F::Price, "\"2,5лв\" не е число!"},
            {&ArticleEntry::Fields::maxDiscountText, "x", F::MaxDiscount, "Максималната отстъпка \"x\" не е число!"},
        };
        for (const auto &c : cases) {
            ArticleEntry::Fields f = typed();
            f.*c.field = QString::fromUtf8(c.text);
            f.maxDiscountText = c.refused == F::MaxDiscount ? f.maxDiscountText : QStringLiteral("0");
            const ArticleEntry::Result r = ArticleEntry::toArticle(Article{}, f, std::nullopt, 3);
            QVERIFY2(r.refusal && !r.article, c.text);
            QCOMPARE(r.refusal->field, c.refused);
            QCOMPARE(r.refusal->message, QString::fromUtf8(c.message));
        }
        // A bad number comes before a bad price.
        ArticleEntry::Fields f = typed();
        f.number.clear();
        f.priceText.clear();
        QCOMPARE(ArticleEntry::toArticle(Article{}, f, std::nullopt, 3).refusal->field, F::Number);
    }

    void newArticleTakesEveryValue()
    {
        const ArticleEntry::Result r = ArticleEntry::toArticle(Article{}, typed(), std::nullopt, 3);
        QVERIFY(r.article && !r.refusal);
        const Article &a = *r.article;
        QCOMPARE(a.id, 125LL);
        QCOMPARE(a.Nomenkl_N, QStringLiteral("3125")); // the group's default
        QCOMPARE(a.Nomer_Grupa, 3LL);
        QCOMPARE(a.Ed_Cena, 2.5);
        QCOMPARE(a.Valuta_D, QStringLiteral("BGN"));
        QCOMPARE(a.Trajnost, QStringLiteral("1:30"));
        QCOMPARE(a.Kod_Vezna, 125LL);
        QCOMPARE(a.Dan_Grup, 2);
        QCOMPARE(a.Prigotvq_Se, 4LL);
    }

    // A stored article: a field left as it was shown keeps the stored value
    // behind it; a changed one stores what is shown.
    void storedValuesBehindUntouchedFields()
    {
        Article stored;
        stored.id = 50;
        stored.Nomer_Grupa = 2;
        stored.Ed_Cena = 9.123456;
        stored.Max_TO = 2.55555;
        stored.Min_Kol = 500.5;
        stored.Trajnost = QStringLiteral("1:730");
        stored.Kod_Vezna = 3000000000LL;
        ArticleEntry::Fields shown = typed();
        shown.number = QStringLiteral("50");
        shown.catalogueNumber = QStringLiteral("K50");
        shown.priceText = QStringLiteral("9.1235");
        shown.maxDiscountText = QStringLiteral("2.56");
        shown.minQuantity = 500;
        shown.shelfValue = 730;
        shown.scaleCode = 2147483647;

        const Article kept = *ArticleEntry::toArticle(stored, shown, shown, 7).article;
        QCOMPARE(kept.Nomer_Grupa, 2LL); // a stored article keeps its group
        QCOMPARE(kept.Nomenkl_N, QStringLiteral("K50"));
        QCOMPARE(kept.Ed_Cena, 9.123456);
        QCOMPARE(kept.Max_TO, 2.55555);
        QCOMPARE(kept.Min_Kol, 500.5);
        QCOMPARE(kept.Trajnost, QStringLiteral("1:730"));
        QCOMPARE(kept.Kod_Vezna, 3000000000LL);

        ArticleEntry::Fields changed = shown;
        changed.priceText = QStringLiteral("9.5");
        changed.maxDiscountText = QStringLiteral("3");
        changed.minQuantity = 2;
        changed.shelfUnit = 2;
        changed.scaleCode = 7;
        const Article edited = *ArticleEntry::toArticle(stored, changed, shown, 7).article;
        QCOMPARE(edited.Ed_Cena, 9.5);
        QCOMPARE(edited.Max_TO, 3.0);
        QCOMPARE(edited.Min_Kol, 2.0);
        QCOMPARE(edited.Trajnost, QStringLiteral("2:730"));
        QCOMPARE(edited.Kod_Vezna, 7LL);

        // No stored shelf life: the shown one is written.
        stored.Trajnost.clear();
        QCOMPARE(ArticleEntry::toArticle(stored, shown, shown, 7).article->Trajnost, QStringLiteral("1:730"));
    }

    void nameLimits()
    {
        TestProgram program;
        const struct {
            bool on;
            long long value;
            int limit;
        } cases[] = {{false, 20, 0}, {true, 20, 20}, {true, 0, 0}, {true, -3, 0}, {true, 32767, 0}, {true, 32766, 32766}};
        for (const auto &c : cases) {
            Settings::writeBool(Keys::Tuning_10, c.on);
            Settings::writeInteger(Keys::Values_10, c.value);
            Settings::writeBool(Keys::Tuning_11, !c.on);
            Settings::writeInteger(Keys::Values_11, 40);
            QCOMPARE(ArticleEntry::nameLimit(true), c.limit);
            QCOMPARE(ArticleEntry::nameLimit(false), c.on ? 0 : 40);
        }
    }
};

VTEST(ArticleEntryTest)
#include "test_article_entry.moc"
