#pragma once
#include <QMap>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <limits>

// A statement file (SQLs/NewTables.nts, SQLs/UpdateTables.nts): an INI file
// with [COUNT] MAX=N and sections [1]..[N], each with SQL=<one statement>.
// In an update file each statement also names the database version it
// belongs to (Ver=<n>), and [DBVer-<n>] Ver=1 announces that the file brings
// a database up to version n.
struct StatementFile {
    static constexpr int MaxStatements = 100000;
    bool loaded = false;
    QString error; // why the file cannot be run
    int max = 0;
    QMap<int, QString> statements; // present sections only
    QMap<int, int> versionOf;      // statement -> version group (0: none)
    QList<int> announced;          // versions announced by [DBVer-n]

    static StatementFile load(const QString &path);
    int announcedVersion() const; // the highest announced version, 0 when none
    bool announces(int version) const;
};

struct StatementRun {
    bool ok = false;
    int failedIndex = 0; // statement that failed (0: none or before the first)
    QString failedSql;
    QString error;
};

// The version groups a run takes: above `above`, up to `upTo` (an update
// runs only the groups between the database's version and the program's).
struct VersionGroups {
    int above = 0;
    int upTo = std::numeric_limits<int>::max();
};

// Runs statements 1..MAX in order inside one write transaction: an error rolls
// the whole run back. Statements of version groups outside `groups` are
// passed over; statements of no group always run. `inside` runs last, in the
// same transaction (recording the version). Memo lines go to `memo` as they
// happen; `progress` hears how many of the statements to run have run (the
// first call, before any runs, names how many there are).
StatementRun runStatementFile(const StatementFile &file, const QSqlDatabase &db, VersionGroups groups,
                              const std::function<void(const QSqlDatabase &)> &inside,
                              const std::function<void(const QString &)> &memo,
                              const std::function<void(int done, int total)> &progress = {});
