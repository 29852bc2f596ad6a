#include "shell/data_module.h"

#include "common/program_folder.h"
#include "common/settings.h"
#include "common/passwords.h"
#include "common/tree_file.h"
#include "platform/db/alias_file.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "shell/form_change_db.h"
#include "shell/form_sazdava_nova_baza.h"
#include "shell/program_version.h"
#include "shell/schema_columns.h"
#include "shell/schema_version.h"
#include "shell/statement_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
}

TDataModule1::~TDataModule1()
{
    if (!m_connection.isEmpty()) {
        if (Db::currentConnectionName() == m_connection)
            Db::setCurrentConnection(QString());
        Db::close(m_connection);
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

QString TDataModule1::newTablesFile()
{
    return ProgramFolder::file(QStringLiteral("SQLs/NewTables.nts"));
}

QString TDataModule1::updateTablesFile()
{
    return ProgramFolder::file(QStringLiteral("SQLs/UpdateTables.nts"));
}

bool TDataModule1::SET_NEW_DATABASE(const QString &path)
{
    if (!Db::folderHoldsDatabase(path))
        return false;
    const QString name = QStringLiteral("GeneralDataBase-%1").arg(++m_serial);
    QString error;
    if (!Db::open(name, Db::databaseFile(path), false, &error))
        return false;
    const QString old = m_connection;
    m_connection = name;
    m_folder = normalized(path);
    Db::setCurrentConnection(name);
    if (!old.isEmpty())
        Db::close(old);
    Settings::writeString(Keys::DBVer_DBPath, m_folder);
    Q_EMIT databaseChanged(m_folder);
    return true;
}

bool TDataModule1::createDatabase(const QString &folder,
                                  const std::function<void(const QString &)> &memo, QString *error)
{
    const QString file = Db::databaseFile(folder);
    if (QFile::exists(file)) {
        if (error)
            *error = QStringLiteral("В папката вече има база данни: ") + folder;
        return false;
    }
    const StatementFile statements = StatementFile::load(newTablesFile());
    if (!statements.loaded) {
        if (error)
            *error = statements.error;
        return false;
    }
    const QString name = QStringLiteral("NewDatabase-%1").arg(++m_serial);
    QString openError;
    if (!Db::open(name, file, true, &openError)) {
        QFile::remove(file);
        if (error)
            *error = openError;
        return false;
    }
    const int version = ProgramVersion::databaseVersion();
    const StatementRun run = runStatementFile(
        statements, QSqlDatabase::database(name, false), 0,
        [version](const QSqlDatabase &db) {
            SchemaVersion::record(db, version);
            Db::execute(QStringLiteral("INSERT INTO Operators (Ime, Par, Prava) VALUES (?, ?, ?)"),
                        {QString::fromUtf8(FirstOperatorName),
                         Passwords::hash(QString::fromUtf8(FirstOperatorPassword)), QStringLiteral("")},
                        db);
        },
        memo);
    Db::close(name);
    if (!run.ok) {
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
        if (error)
            *error = run.error;
        return false;
    }
    Settings::writeInteger(Keys::DBVer_Ver, version);
    return true;
}

int TDataModule1::databaseVersion() const
{
    return SchemaVersion::read(connection());
}

bool TDataModule1::openAliasFolder(QWidget *parent)
{
    if (!AliasFile::exists()) {
        const QString folder = ProgramFolder::defaultDatabaseFolder();
        const bool firstRun = !QFile::exists(Db::databaseFile(folder));
        if (firstRun) {
            QDir().mkpath(folder);
            const QString tree = QDir(folder).filePath(QStringLiteral("Opis.pdt"));
            if (!QFile::exists(tree))
                TreeFile::write(tree, {{QStringLiteral("Всички артикули"), 0}});
            QString error;
            if (!createDatabase(folder, {}, &error))
                Dialogs::message(QStringLiteral("Неуспешно създаване на базата данни:\n") + error,
                                 parent);
        }
        if (!AliasFile::setPath(folder))
            Dialogs::message(QStringLiteral("Настройката на базата данни не може да бъде записана в ")
                                 + AliasFile::filePath(),
                             parent);
    }
    QString path = AliasFile::path();
    if (isOpen() && normalized(path) == m_folder)
        return true;
    for (;;) {
        if (!path.isEmpty() && SET_NEW_DATABASE(path))
            return true;
        const int choice = Dialogs::choose(
            QStringLiteral("Папката на базата данни\n") + path
                + QStringLiteral("\nне е достъпна или не съдържа база данни.\n"
                                 "Изберете друга папка или създайте нова база данни."),
            {QStringLiteral("Отвори"), QStringLiteral("Нова база"), QStringLiteral("Изход")},
            parent);
        if (choice == 0) {
            TForm_Change_DB form(parent);
            Dialogs::exec(&form);
        } else if (choice == 1) {
            DatabaseFormMode = 1;
            TForm_Sazdava_Nova_Baza form(parent);
            Dialogs::exec(&form);
        } else {
            return isOpen();
        }
        if (isOpen() && normalized(AliasFile::path()) == m_folder)
            return true;
        path = AliasFile::path();
    }
}
