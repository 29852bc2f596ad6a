#pragma once
#include "offers/order_list.h"

#include <QList>
#include <QString>

// The lines of a new supplier order, gathered in this workstation's work
// table Zaqvki_TMP and appended to the order list all at once.
namespace NewOrder {
inline constexpr const char *InsertedNumber = "Ном.N"; // Kat_N of an added line
inline constexpr const char *ChangedNumber = "Ном. N"; // Kat_N of a changed line
QString noRequester();                                 // "0:Няма избран Заявител"
QString noSupplier();                                  // "0:Няма избран Доставчик"
QString noArticle();                                   // "0:Няма избран артикул"

// Creates the work table, or empties the one left over. Throws DbError.
void createTable();
void dropTable(); // throws DbError

// The grid's statement: ID, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta,
// then Data, Klient_Ime, Dost_Ime (read by name), in the order added.
QString listSql();

// The line's Kat_N is set here. Each throws DbError.
long long add(const OrderList::Line &line);
void change(long long id, const OrderList::Line &line);
void remove(const QList<long long> &ids);
QList<OrderList::Line> lines(); // in the order added
int count();

// Appends every line, each with its own date, to the order list in one
// transaction. Throws DbError; then nothing is appended and the lines stay.
void save();

// A stored description shows as a picked article when its key is the line's
// article number (the placeholder "0:..." included); anything else was typed.
bool isPicked(const QString &description, long long article);
} // namespace NewOrder
