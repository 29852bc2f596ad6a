#include "app/data_module.h"

#include "common/program_folder.h"
#include "common/settings.h"
#include "common/passwords.h"
#include "common/text_file.h"
#include "common/tree_file.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "platform/db/presence.h"
#include "platform/db/typed_query.h"
#include "app/program_version.h"
#include "app/schema_columns.h"
#include "app/schema_version.h"
#include "app/statement_file.h"
#include "app/tree_repair.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

TDataModule1 *DataModule1 = nullptr;
int DatabaseFormMode = 1;

namespace {
QString normalized(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}
} // namespace

TDataModule1::TDataModule1(QObject *parent)
    : QObject(parent)
{
    registerSchemaColumns();
    DataModule1 = this;
    // First of all that follows an open: everyone after it reads repaired trees.
    connect(this, &TDataModule1::databaseChanged, this,
            [this] { TreeRepair::repairFolder(m_folder, connection()); });
}

TDataModule1::~TDataModule1()
{
    if (!m_connection.isEmpty()) {
        if (Db::currentConnectionName() == m_connection)
            Db::setCurrentConnection(QString());
        Db::close(m_connection);
        Presence::release();
    }
    if (DataModule1 == this)
        DataModule1 = nullptr;
}

bool TDataModule1::isOpen() const
{
    return !m_connection.isEmpty() && connection().isOpen();
}

QString TDataModule1::databaseFolder() const
{
    return m_folder;
}

QSqlDatabase TDataModule1::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

QString TDataModule1::newTablesFile(Db::Engine engine)
{
    return ProgramFolder::programFile(QStringLiteral("SQLs/") + Db::statementFileName(QStringLiteral("NewTables"), engine));
}

QString TDataModule1::newTablesFile()
{
    return newTablesFile(DataModule1 && DataModule1->isOpen() ? Db::engine(DataModule1->connection())
                                                              : Db::Engine::Sqlite);
}

QString TDataModule1::updateTablesFile(Db::Engine engine)
{
    return ProgramFolder::programFile(QStringLiteral("SQLs/")
                                      + Db::statementFileName(QStringLiteral("UpdateTables"), engine));
}

QString TDataModule1::updateTablesFile()
{
    return updateTablesFile(DataModule1 && DataModule1->isOpen() ? Db::engine(DataModule1->connection())
                                                                 : Db::Engine::Sqlite);
}

namespace {
// A server names result columns in lower case; the program reads and shows
// them as the schema spells them.
void registerSchemaSpellings()
{
    static bool done = false;
    if (done)
        return;
    const StatementFile f = StatementFile::load(TDataModule1::newTablesFile(Db::Engine::Sqlite));
    if (!f.loaded)
        return;
    done = true;
    static const QRegularExpression table(QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(\\w+)\\s*\\((.*)\\)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression column(QStringLiteral("(?:^|,)\\s*(\\w+)"));
    for (const QString &sql : f.statements) {
        const QRegularExpressionMatch m = table.match(sql);
        if (!m.hasMatch())
            continue;
        Db::registerSpelling(m.captured(1));
        for (auto it = column.globalMatch(m.captured(2)); it.hasNext();)
            Db::registerSpelling(it.next().captured(1));
    }
}
} // namespace

bool TDataModule1::SET_NEW_DATABASE(const QString &path, QString *why)
{
    const QString name = QStringLiteral("GeneralDataBase-%1").arg(++m_serial);
    if (!Db::openFolder(name, path, why))
        return false;
    if (Db::folderEngine(path) == Db::Engine::Postgres)
        registerSchemaSpellings();
    // What the start reads next is read here, so a damaged page there is a
    // database that did not open, never a failure after the switch.
    int version = 0;
    try {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        version = SchemaVersion::read(db);
        Db::rows(QStringLiteral("SELECT ID, Ime, Par, Prava FROM Operators"), {}, db);
    } catch (const DbError &e) {
        Db::close(name);
        if (why)
            *why = QStringLiteral("Базата данни ")
                   + (Db::folderEngine(path) == Db::Engine::Sqlite ? Db::databaseFile(path) : Db::describeFolder(path))
                   + QStringLiteral(" не може да бъде прочетена:\n") + e.message();
        return false;
    }
    // [DBVer] Ver follows the database: an upgrade cut off between its commit
    // and the settings file left the old number there.
    if (Settings::readInteger(Keys::DBVer_Ver) != version)
        Settings::writeInteger(Keys::DBVer_Ver, version);
    const QString old = m_connection;
    m_connection = name;
    m_folder = normalized(path);
    Db::setCurrentConnection(name);
    if (!old.isEmpty())
        Db::close(old);
    Presence::markRunning(m_folder);
    // Every start opens the database it opened last: no settings file is
    // written for that before the login window.
    if (Settings::readString(Keys::DBVer_DBPath) != m_folder)
        Settings::writeString(Keys::DBVer_DBPath, m_folder);
    Q_EMIT databaseChanged(m_folder);
    return true;
}

bool TDataModule1::createDatabase(const QString &folder,
                                  const std::function<void(const QString &)> &memo, QString *error)
{
    const Db::Engine engine = Db::folderEngine(folder);
    if (QFile::exists(Db::databaseFile(folder))) {
        if (error)
            *error = QStringLiteral("В папката вече има база данни: ") + folder;
        return false;
    }
    const StatementFile statements = StatementFile::load(newTablesFile(engine));
    if (!statements.loaded) {
        if (error)
            *error = statements.error;
        return false;
    }
    const QString name = QStringLiteral("NewDatabase-%1").arg(++m_serial);
    QString openError;
    if (!Db::openForCreation(name, folder, &openError)) {
        if (error)
            *error = openError;
        return false;
    }
    const int version = ProgramVersion::databaseVersion();
    const StatementRun run = runStatementFile(
        statements, QSqlDatabase::database(name, false), {},
        [version](const QSqlDatabase &db) {
            SchemaVersion::record(db, version);
            Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par, Prava) VALUES (?, ?, ?)"),
                        {QString::fromUtf8(FirstOperatorName),
                         Passwords::hash(QString::fromUtf8(FirstOperatorPassword)), QStringLiteral("")},
                        db);
            TypedQuery::grantReads(db);
        },
        memo);
    if (!run.ok) {
        Db::discardCreation(name);
        if (error)
            *error = run.error;
        return false;
    }
    if (!Db::completeCreation(name, folder, error))
        return false;
    Settings::writeInteger(Keys::DBVer_Ver, version);
    return true;
}

int TDataModule1::databaseVersion() const
{
    return SchemaVersion::read(connection());
}

TDataModule1::Upgrade TDataModule1::upgradeDatabase(const QString &file,
                                                    const std::function<void(const QString &)> &memo,
                                                    const std::function<void(int done, int total)> &progress)
{
    Upgrade result;
    const int version = ProgramVersion::databaseVersion();
    const StatementFile statements = StatementFile::load(file);
    if (!statements.loaded || !statements.announces(version))
        return result;
    if (!isOpen()) {
        result.outcome = Upgrade::NotOpen;
        return result;
    }
    const QSqlDatabase db = connection();
    result.databaseVersion = SchemaVersion::read(db);
    if (result.databaseVersion > version) {
        result.outcome = Upgrade::DatabaseNewer;
        return result;
    }
    result.run = runStatementFile(statements, db, {result.databaseVersion, version},
                                  [version](const QSqlDatabase &d) {
                                      SchemaVersion::record(d, version);
                                      // The tables the upgrade added are read by typed queries too.
                                      TypedQuery::grantReads(d);
                                  },
                                  memo, progress);
    if (!result.run.ok) {
        result.outcome = Upgrade::Failed;
        return result;
    }
    Settings::writeInteger(Keys::DBVer_Ver, version);
    result.outcome = Upgrade::Done;
    return result;
}

bool TDataModule1::createInFolder(const QString &folder, QString *error, const std::optional<ServerConnection> &server,
                                  const std::function<void(const QString &)> &memo)
{
    const bool madeFolder = !QFileInfo::exists(folder);
    if (madeFolder && !QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Папката ") + folder + QStringLiteral(" не може да бъде създадена.");
        return false;
    }
    const QString tree = QDir(folder).filePath(QStringLiteral("Opis.pdt"));
    const bool madeTree = !QFile::exists(tree);
    const bool madeConnection = server && !ServerConnection::existsIn(folder);
    bool ok = !server || server->write(folder, error);
    ok = ok && (!madeTree || TreeFile::write(tree, {{QStringLiteral("Всички артикули"), 0}}, error));
    ok = ok && createDatabase(folder, memo, error);
    if (!ok) {
        if (madeTree)
            QFile::remove(tree);
        if (madeConnection)
            QFile::remove(ServerConnection::filePath(folder));
        if (madeFolder)
            QDir().rmdir(folder);
    }
    return ok;
}

TDataModule1::AliasOpen TDataModule1::openAliasFolder()
{
    AliasOpen result;
    const QString defaultFolder = ProgramFolder::defaultDatabaseFolder();
    if (!AliasFile::exists()) {
        QString error;
        if (Db::canCreateIn(defaultFolder) && !createInFolder(defaultFolder, &error))
            result.problems << QStringLiteral("Неуспешно създаване на базата данни:\n") + error;
        // Kept even after a failure: the next start finds the alias and offers the creation.
        if (!AliasFile::setPath(defaultFolder, QLatin1String(AliasFile::ServiceAlias), &error))
            result.problems << QStringLiteral("Настройката на базата данни не може да бъде записана в ")
                                   + AliasFile::filePath() + QLatin1Char('\n') + error;
    }
    result.path = AliasFile::path();
    if (isOpen() && normalized(result.path) == m_folder)
        result.opened = true;
    else
        result.opened = !result.path.isEmpty() && SET_NEW_DATABASE(result.path, &result.why);
    result.fileExists = Db::folderNamesDatabase(result.path);
    result.canCreate = !result.opened && !result.path.isEmpty()
                       && normalized(result.path) == normalized(defaultFolder) && Db::canCreateIn(defaultFolder);
    return result;
}

bool TDataModule1::switchAliasTo(const QString &path, QString *why)
{
    const QString old = m_folder;
    if (!SET_NEW_DATABASE(path, why))
        return false;
    QString error;
    if (AliasFile::setPath(m_folder, QLatin1String(AliasFile::ServiceAlias), &error))
        return true;
    if (why)
        *why = QStringLiteral("Настройката на базата данни не може да бъде записана в ") + AliasFile::filePath()
               + QLatin1Char('\n') + error;
    if (!old.isEmpty())
        SET_NEW_DATABASE(old);
    return false;
}

bool TDataModule1::switchToServer(const QString &folder, const ServerConnection &server, QString *why)
{
    const QString file = ServerConnection::filePath(folder);
    const bool had = QFile::exists(file);
    QByteArray before;
    if (had) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            if (why)
                *why = QStringLiteral("Файлът ") + file + QStringLiteral(" не може да бъде прочетен.");
            return false;
        }
        before = f.readAll();
    }
    if (!server.write(folder, why))
        return false;
    if (switchAliasTo(folder, why))
        return true;
    if (!had)
        QFile::remove(file);
    else
        TextFile::writeAtomic(file, before); // a failure is logged there
    return false;
}

bool TDataModule1::holdsAliasFolder() const
{
    return isOpen() && normalized(AliasFile::path()) == m_folder;
}
