// The roads of the benchmark; each reports its figures.
#pragma once
#include <QString>

class TForm_Oferti;

namespace Bench {
void deskRoads();      // the main window's desk: scans, name search, cash sale
void catalogueRoads(); // the catalogue window
void deliveryRoad();
void articleImportRoad(const QString &home);
void catalogueImportRoad(const QString &home);
void offerListRoads(TForm_Oferti *w, int lines); // over the catalogue just imported, in the open window
void startUpRoad(const QString &home, const QString &self);
void counterpartyImportRoad(const QString &home);
void salesReportRoads();         // "Справки" → "Продажби"
void counterpartyBrowserRoads(); // "Контрагенти..."
void stockTakingRoads();         // "Ревизия..."
void articleDeleteRoad();        // the catalogue's "Изтрии"
} // namespace Bench
