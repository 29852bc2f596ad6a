#pragma once
#include <functional>

// The free article numbers of a group: every number from the group's lowest
// to its highest that no article of any group has, written to the work table
// Free_Art (Art_ID, Grupa_ID) of this workstation.
namespace FreeArticleNumbers {
inline constexpr const char *WorkTable = "Free_Art";
// A list longer than this is cut: nobody chooses from more.
inline constexpr long long MaxListed = 100000;

struct Range {
    long long lowest = 0;
    long long highest = 0; // 0 when the group has no article
};
Range range(long long group); // throws DbError

struct Result {
    long long listed = 0;
    bool stopped = false; // `goOn` asked to stop
    bool cut = false;     // more than MaxListed were free
};
// Creates (or empties) the work table and fills it in short transactions;
// between them `goOn` gets the number reached and may stop the search (it
// may let events run: no transaction is open then). Throws DbError.
Result search(long long group, const std::function<bool(long long reached)> &goOn = {});
void dropWorkTable(); // never throws
} // namespace FreeArticleNumbers
