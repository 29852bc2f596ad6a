#pragma once
#include "app/import_run.h"
#include "common/tagged_import.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// Suppliers' catalogue files: one tagged line a record. A line with field 16
// opens a supplier (17, 18, 19: its link and two further texts), one with
// field 11 a group of the supplier opened last, and one with article fields
// (1 name, 2-4 prices, 5 currency, 6 status, 7 catalogue number) an article of
// the group opened last. Each line stands on its own: fields never carry over
// to the next line.
namespace CatalogueImport {

// A price: blanks around it, an optional sign, digits with one decimal point
// or comma, an optional exponent. False (and 0) for anything else.
bool priceValue(const QString &text, double *value);

struct CatalogueLine {
    enum Kind { Nothing, Supplier, Group, Article };
    Kind kind = Nothing;
    QString supplier;       // field 16
    QString supplierMore[3]; // fields 17, 18, 19 (17 is the link)
    bool opensGroup = false; // a supplier line that also carries field 11
    QString group;           // field 11
    QString name;            // field 1
    bool hasPrice1 = false;  // field 2 not empty
    double price[3] = {0, 0, 0}; // fields 2, 3, 4; 0 when not a number
    int zeroedPrices = 0;    // prices written that were not numbers
    QString currency;        // field 5
    QString status;          // field 6
    QString catalogueNumber; // field 7
    // Fields 1, 2 and 5 are there.
    bool articleComplete() const { return !name.isEmpty() && hasPrice1 && !currency.isEmpty(); }
};

// What one line holds. A double quote in a value becomes an apostrophe.
CatalogueLine IMPORT_CL(const TaggedLine &line);
CatalogueLine IMPORT_CL(const QString &text);

enum class Mode { Import, Update };

struct Counts {
    long long suppliers = 0;
    long long groups = 0;
    long long articles = 0;
    long long zeroedPrices = 0;
};

struct Callbacks {
    // After each chunk, with no transaction open: bytes read and the file's
    // size. It may let events run; false stops the run.
    std::function<bool(qint64 done, qint64 total)> between;
    // A stop asked for after the last chunk; an update then swaps nothing.
    std::function<bool()> stopRequested;
    // The update's swap begins (true) and has ended (false); it cannot stop.
    std::function<void(bool)> swapping;
};

enum class Ending { Completed, Stopped, Failed, Refused };

struct Result {
    Ending ending = Ending::Failed;
    QString message; // the failure or refusal, Bulgarian
    Counts counts;   // what the run wrote (an update: what it loaded)
    long long skipped = 0;
    QList<ImportRun::SkipReason> skippedBy;
    QString newName; // an update: the supplier's name from the file, when it had one
};

// Reads the catalogue file in short write transactions. An import files new
// suppliers and their groups and articles, writing each chunk's new nodes to
// the tree file before the chunk commits. An update stages the file under
// the supplier's negated number, invisible to every list, and swaps it for the
// supplier's catalogue in one transaction at the end; stopped, failed or
// refused, only the staged rows go and the catalogue stays as it was.
Result run(const QString &path, Mode mode, long long supplier, const QString &treePath,
           const Callbacks &callbacks, int chunkMs = 50);

// Removes the rows a run staged for the supplier (or left by a crash).
// Throws DbError.
void removeStaged(long long supplier);

// The closing message of a run.
QString message(const Result &result, Mode mode, const QString &supplierNode = {});
} // namespace CatalogueImport
