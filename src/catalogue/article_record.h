#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ArticleRecord {
// The VAT group of a new article (Б - 20 %), in the editor and the import alike.
inline constexpr int DefaultTaxGroup = 1;
} // namespace ArticleRecord

// An article: one row of Produkti. Its barcodes (Barkodes) and the numbers
// under which counterparties know it (Nomenklatures) name it by its ID.
struct Article {
    long long id = 0;
    QString Nomenkl_N;
    long long Nomer_Grupa = 0;
    QString Opisanie;
    double Dostavna_Cena = 0;
    QString Valuta_D;
    double Ed_Cena = 0;
    QString Valuta_P;
    QString Mqrka;
    bool Garancionen = false;
    QString Kasovo_Ime;
    QString Etiketno_Ime;
    QString Dostav4ik = QStringLiteral("0");
    bool Poredica = false;
    double Min_Kol = 1;
    double Max_TO = 0;
    QString Trajnost; // "<unit>:<value>"
    long long Kod_Vezna = 0;
    int Dan_Grup = ArticleRecord::DefaultTaxGroup;
    long long Prigotvq_Se = 0;
};

// A number under which a counterparty knows the article.
struct CatalogueNumber {
    QString number;          // Nomenkl_N
    long long counterparty = 0; // ID_Kontrag
    QString counterpartyName;   // Firmi.Ime_Firma, for the list
    bool operator==(const CatalogueNumber &o) const
    {
        return number == o.number && counterparty == o.counterparty;
    }
};

// Barcodes and catalogue numbers typed for a new article before its first
// save; written with its INSERT.
struct PendingCodes {
    QStringList barcodes;
    QList<CatalogueNumber> numbers;
};

struct ArticleSaveResult {
    bool ok = false;
    bool numberRefused = false; // the focus belongs on the number
    QString message;            // Bulgarian, for the operator
};

namespace ArticleRecord {
// Every unit the articles use, once each, in the index's order: one indexed
// step per unit, however many articles use it; throws DbError.
QStringList unitsInUse();
// The unit list of every editor that offers units: the eight units and every
// Mqrka in Produkti, sorted, without repeats. Throws DbError.
QStringList unitList();
QStringList defaultUnits();
// "0:Данъчна група А - 0 %" ... "3:Данъчна група Г - 7 %"
QStringList taxGroups();
// "в часове", "в дни", "в месеци", "в години"
QStringList shelfLifeUnits();
inline constexpr const char *NotPreparedItem = "0:Не се приготвя";

// "<unit>:<value>" and back; unit and value 0 when the text holds none.
QString shelfLife(int unit, long long value);
void parseShelfLife(const QString &text, int *unit, long long *value);
// The warranty text of a sold line from the shelf life "<unit>:<value>": the
// value followed by ", часа", ", дни", ", месеца" or ", години" ("2:6" gives
// "6, месеца"); empty for another unit.
QString shelfLifeText(const QString &trajnost);

// An article number as typed: a whole number from 1 up to the largest key a
// reference text can carry; 0 for anything else.
long long parseNumber(const QString &typed);
// The catalogue number an article gets when none is typed: group key
// followed by the article number (group 3, article 125 give "3125").
QString defaultCatalogueNumber(long long group, const QString &articleNumber);

std::optional<Article> read(long long id); // throws DbError
bool exists(long long id);                 // throws DbError

// The highest article number plus one (1 for none); of one group or of all.
long long proposedNumber();                  // throws DbError
long long lastNumberInGroup(long long group); // throws DbError

// Stores a new article with its pending codes in one write transaction; the
// number is checked inside it. A used number is refused; a database failure
// writes nothing and says so.
ArticleSaveResult insert(const Article &article, const PendingCodes &codes);
// Stores the article opened under `openedId`. A changed number must be free,
// and no registered column may name the article; its barcodes and catalogue
// numbers move with it in the same transaction. The group, the delivery
// price and the last supplier are not written.
ArticleSaveResult update(long long openedId, const Article &article);

// Stock of the article: in one warehouse, and over all warehouses.
double stockIn(long long id, long long warehouse); // throws DbError
double totalStock(long long id);                   // throws DbError

// The picture (the file's bytes); empty clears it. Throws DbError.
QByteArray picture(long long id);
void setPicture(long long id, const QByteArray &bytes);
} // namespace ArticleRecord
