// The generated shop: `articles` articles with Cyrillic names in 300
// groups, one and a half barcodes per article, counterparties, warehouses
// with stock rows, discount rules, sales records, the other history that
// names articles (delivered, counted, cancelled and documented lines) and
// open lines. Written by raw prepared inserts in one transaction, but the
// sales: receipts sold through the desk (bench_sales.cpp). The sales and the
// other history are made only when a road to run reads them.
#pragma once
#include <QString>

#include <vector>

namespace Bench {
inline constexpr int GroupCount = 300;
inline constexpr int CounterpartyCount = 100000;
inline constexpr int WarehouseCount = 5;
inline constexpr int DiscountRules = 20;
inline constexpr int SalesRecords = 500000;
inline constexpr int DeliveredLines = 100000; // in 1 000 deliveries
inline constexpr int CountedRows = 50000;     // in 50 stock-takings
inline constexpr int CancelledSales = 50000;
inline constexpr int DocumentLines = 50000;
inline constexpr int OpenLines = 20;
// Articles the import road adds are numbered from here, apart from the
// generated shop, which its reset never touches.
inline constexpr long long ImportBase = 1000000000LL;
const QString &op(); // the operator who works the desk

QString articleName(int i);
QString barcodeOf(int i);   // 1.5 per article: barcode b names article 1 + (b - 1) % articles
int barcodeCount();
QString groupName(int g);
const QString &word(int i);

// What of the shop is made besides the articles, their codes, groups,
// stock, counterparties, warehouses, discount rules and open lines.
struct Contents {
    bool sales = true;   // SalesRecords lines sold through the desk
    bool history = true; // the delivered, counted, cancelled and documented lines
};

// Seconds each part took.
struct Generation {
    double rest = 0;  // the raw inserts and the open lines
    double sales = 0; // the receipts sold through the desk
    double check = 0; // checkKeptCounts()
    double statistics = 0; // the planner's statistics gathered, as after bulk work
};
Generation generateShop(const Contents &what);
// Returns the seconds it took; `cents` holds each article's price.
double sellThroughTheDesk(const std::vector<int> &cents);
// Fails when a count the database keeps by trigger disagrees with the
// table it counts, or the stock with the sales (when they were made).
void checkKeptCounts(const Contents &what);
} // namespace Bench
