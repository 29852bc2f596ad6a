#pragma once
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "app/statement_file.h"
#include "platform/db/database.h"
#include "platform/db/server_connection.h"

#include <functional>

class QWidget;

// The owner of the database connection. The connection always runs on the
// folder named by the alias "Service"; windows keep no connection of their
// own: they run their lists through Db::connection() and re-read them when
// databaseChanged() is emitted.
class TDataModule1 : public QObject
{
    Q_OBJECT
public:
    explicit TDataModule1(QObject *parent = nullptr);
    ~TDataModule1() override;

    bool isOpen() const;
    QString databaseFolder() const; // the folder of the open database
    QSqlDatabase connection() const;

    // Opens the folder named by the alias: at start-up and at every login.
    // On a true first run it creates the alias and the database in Data/.
    // Reconnects only when the alias names another folder than the open one.
    // Asks nothing: what went wrong is returned for the caller to tell.
    struct AliasOpen {
        bool opened = false;
        QString path;          // the folder the alias names
        QStringList problems;  // messages for the user, in order
        QString why;           // why the alias folder's database did not open
        bool fileExists = false; // its database file is there (never offer a new one)
        // The alias names the default folder and no database was ever made
        // there (a first run that failed): the caller may offer the creation.
        bool canCreate = false;
    };
    AliasOpen openAliasFolder();
    bool holdsAliasFolder() const; // the open database is the alias folder's

    // Builds a database with its tree file in `folder`, making the folder
    // when missing; with `server`, the folder's connection file names the
    // empty server database that gets the tables. A failure removes only
    // what this call made.
    bool createInFolder(const QString &folder, QString *error,
                        const std::optional<ServerConnection> &server = std::nullopt,
                        const std::function<void(const QString &)> &memo = {});

    // Switches to `path` and names it in the alias file. When the alias file
    // cannot be written the connection goes back to the folder it was on, so
    // the next login does not land on another database. `why` gets the
    // Bulgarian reason of a failure.
    bool switchAliasTo(const QString &path, QString *why = nullptr);
    // switchAliasTo() on the server database `server`, named in the
    // connection file of `folder`; the file is put back as it was when the
    // switch fails.
    bool switchToServer(const QString &folder, const ServerConnection &server, QString *why = nullptr);

    // Switches the connection to the database in `path` through the open
    // routine, which rolls back a write a crash cut off. The old connection
    // stays in use when the new one cannot be opened, or its schema version
    // and operators (what the start reads) cannot be read: result false, the
    // reason in `why`, no message, nothing written.
    bool SET_NEW_DATABASE(const QString &path, QString *why = nullptr);

    // Builds a database in an existing folder from SQLs/NewTables.nts, with
    // its version and the first operator, in one transaction. On failure the
    // files it created are removed.
    bool createDatabase(const QString &folder, const std::function<void(const QString &)> &memo,
                        QString *error);

    int databaseVersion() const; // version recorded in the open database

    // Brings the open database up to the program's version with the update
    // file `file`: its groups above the database's version and the version
    // row in one transaction, [DBVer] Ver after the commit. A crash before
    // the commit leaves the old version whole, and the upgrade runs again.
    struct Upgrade {
        enum Outcome { Done, NoFile, NotOpen, DatabaseNewer, Failed };
        Outcome outcome = NoFile;
        int databaseVersion = 0; // before the upgrade
        StatementRun run;
    };
    // `progress` hears the statements run, as runStatementFile tells them.
    Upgrade upgradeDatabase(const QString &file, const std::function<void(const QString &)> &memo,
                            const std::function<void(int done, int total)> &progress = {});

    // The statement files of an engine (of the open database's engine).
    static QString newTablesFile(Db::Engine engine);
    static QString newTablesFile();
    static QString updateTablesFile(Db::Engine engine);
    static QString updateTablesFile();
    static inline const char *FirstOperatorName = "Администратор";
    static inline const char *FirstOperatorPassword = "admin";

Q_SIGNALS:
    void databaseChanged(const QString &folder);

private:
    QString m_folder;
    QString m_connection;
    int m_serial = 0;
};

extern TDataModule1 *DataModule1;

// Which variant of the database window opens: 1 new database, 2 update.
extern int DatabaseFormMode;
