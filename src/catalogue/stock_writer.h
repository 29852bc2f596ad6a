#pragma once
#include <QSqlDatabase>
#include <QString>

// The one writer of Store_Kol: mode 1 sets the quantity of an article in a
// warehouse, any other mode adds to it; a missing row starts from 0. One
// atomic statement inside the caller's write transaction (or its own), so
// two workstations moving the same article never lose a movement.
// Keys must be whole numbers above 0: a sale without an active warehouse
// fails (DbError) and rolls its caller back instead of booking stock nowhere.
void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode);
void GET_NALI4NOST(const QString &ArtID, const QString &SkladID, double Kol, int Mode,
                   const QSqlDatabase &db);

// The quantity of a delivery, transfer or write-off line: a number above 0,
// so a line never moves stock the wrong way (a count may be 0, a recipe any).
namespace StockQuantity {
bool acceptable(double quantity);
// The refusal of a typed quantity that is a number but not above 0.
QString refusal(const QString &typed);
} // namespace StockQuantity
