#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Recipes: named variants of a base article's composition (Rezept_Art) and
// their elements (Rezept_El). The recipe window edits a variant in the work
// table Rezept_TMP (ID_R, ID_El, Kol_El, Name_R, Changed) and stores it here.
// A variant is named once within its base article (names compared
// case-insensitively) and holds an element once. Functions that read or
// write the database throw DbError.
namespace Recipes {
inline constexpr const char *WorkTable = "Rezept_TMP";
// Changed of a work-table row
enum Mark { Stored = 0, Added = 1, QuantityChanged = 2, Removed = 3 };
// Vid_R
QStringList kinds(); // "Рецепта", "Разпад", "Пройзводство"

void createWorkTable(); // when missing; a table that exists keeps its rows
void emptyWorkTable();
void dropWorkTable();

// "Стандарт", "Минимум", "Максимум" and every stored name of the article,
// sorted as text, each once.
QStringList names(long long article);
// The work table := every stored element of the article's variants (mark 0),
// in one transaction.
void loadWorkTable(long long article);

// The element grid of one variant (parameter: its name): ID_El, Opisanie,
// Kol_El, Mqrka, Ed_Cena, Valuta_P, ID_R, Changed, Vid_R (null for a variant
// not stored). Rows marked for removal are not listed.
QString shownSql();

struct Variant {
    long long id = 0;
    long long article = 0;
    double quantity = 1; // Kol_Art
    int kind = 0;        // Vid_R
    QString name;
};
// The article's variant of that name (exact, case-insensitive).
std::optional<Variant> find(long long article, const QString &name);

// Work-table edits of the variant shown (by its name). Adding an element the
// variant holds adds to its quantity.
void addElement(long long variantNumber, const QString &name, long long element, double quantity);
void changeQuantity(const QString &name, long long element, double quantity);
// Composing a new variant the row goes; editing a stored one it is marked
// for removal (an element added in this editing goes at once).
void removeElement(const QString &name, long long element, bool editingStored);

struct SaveResult {
    bool ok = false;
    long long id = 0;
    QString message; // Bulgarian, when not ok
};
// A new variant with the work table's elements of that name, in one
// transaction; the quantity and every element quantity must be above 0 and
// the name free within the article. The work rows become stored (mark 0).
SaveResult saveNew(long long article, double quantity, int kind, const QString &name);
// The stored variant `id` of `editedArticle`: its article, quantity, kind
// and name, and the work table's marked elements, in one transaction.
SaveResult saveStored(long long id, long long editedArticle, long long article, double quantity, int kind,
                      const QString &name);

// An element of a variant as it goes to the sale.
struct SaleElement {
    long long article = 0;
    QString Opisanie, Mqrka, Valuta_P, Trajnost;
    bool Garancionen = false, Poredica = false;
    int Dan_Grup = 0;
    long long Prigotvq_Se = 0;
    double quantity = 0; // per base quantity 1: Kol_El / Kol_Art
};
QList<SaleElement> saleElements(const QString &name);
} // namespace Recipes
