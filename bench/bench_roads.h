// The roads of the benchmark; each reports its figures.
#pragma once
#include <QString>

namespace Bench {
void deskRoads();      // the main window's desk: scans, name search, cash sale
void catalogueRoads(); // the catalogue window
void deliveryRoad();
void articleImportRoad(const QString &home);
void catalogueImportRoad(const QString &home);
void startUpRoad(const QString &home, const QString &self);

// The child process of the start-up road: the program's own start up to
// the painted login window, then the process ends.
int startToLogin();
} // namespace Bench
