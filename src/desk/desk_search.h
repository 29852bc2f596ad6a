#pragma once
#include "common/decimal.h"

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <optional>

// The desk's article search by the chosen prefix letter: "a" article number,
// "b" barcode, "i" part of the name, "k" customer card, "n" catalogue number,
// "s" serial number. The codes are looked up by their exact text first (an
// indexed equality) and, when that finds nothing, in any case (through the
// upper-cased copy the database keeps), so a code stored in any case is
// found; a name by the name index. Functions that read the database throw
// DbError.
namespace DeskSearch {
// GetTableName: the table and column a letter searches; false for another
// letter (then nothing changes).
bool tableFor(QChar letter, QString *table, QString *field);

struct Statement {
    bool valid = false; // "a" with a text that is not a whole number: no search
    QString sql;        // columns ID, Opisanie of the articles found (a code's: the whole Article)
    QVariantList params;
};
// The found article with what the entry row and the extras need.
struct Article {
    long long id = 0;
    QString Opisanie, Valuta_P, Trajnost, group;
    Decimal Ed_Cena;
    bool Garancionen = false, Poredica = false;
    bool hasRecipes = false; // recipes make it: the entry opens them
};
struct Hit {
    long long id = 0;
    QString name;
    std::optional<Article> article; // found by a code: the article itself, read with it
};
// The statement of one letter: the exact look-up, or (`folded`) the
// upper-cased comparison of a code ("i" has only the one). A name is looked up
// in the name index first (Db::articleName), a page of names in name order
// after `after`; throws DbError.
Statement statement(QChar letter, const QString &text, bool folded = false, const std::optional<Hit> &after = {});

// Names read at a time for a name search: the list reads the next ones as
// it is scrolled, so the first shows as soon as a page of names is found.
inline constexpr int PageHits = 100;

// The articles found; nullopt when the text cannot be searched by that letter.
// For a name, the page after `after`.
std::optional<QList<Hit>> find(QChar letter, const QString &text, const std::optional<Hit> &after = {});

std::optional<Article> article(long long id);
// Serial_ID, Data of the article's serial numbers, in stored order.
QList<QSqlRecord> serials(long long article);
// The valid-until date of one serial of the article, as shown (dd.MM.yyyy).
QString serialDate(long long article, const QString &serial);
// GET_KURS: the rate of the article's sale currency (0 when none).
Decimal GET_KURS(long long article);
} // namespace DeskSearch
