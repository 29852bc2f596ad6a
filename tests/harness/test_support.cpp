#include "test_support.h"

#include "common/program_folder.h"
#include "platform/script.h"
#include "app/data_module.h"
#include "platform/db/database.h"
#include "platform/file_modes.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

QString sourceSqlFolder()
{
    return QStringLiteral(VENTAROS_SOURCE_DIR) + QStringLiteral("/SQLs");
}

namespace {
QString programTemplate(const QString &parent)
{
    return parent.isEmpty() ? QDir::tempPath() + QLatin1Char('/') + QCoreApplication::applicationName()
                                  + QStringLiteral("-XXXXXX")
                            : QDir(parent).filePath(QStringLiteral("program-XXXXXX"));
}
} // namespace

TestProgram::TestProgram(bool withDatabase, const QString &parent)
    : m_dir(programTemplate(parent))
{
    ProgramFolder::setPath(m_dir.path());
    QDir().mkpath(file(QStringLiteral("SQLs")));
    for (const QString &name : QDir(sourceSqlFolder()).entryList(QDir::Files))
        QFile::copy(QDir(sourceSqlFolder()).filePath(name), file(QStringLiteral("SQLs/") + name));
    PlatformScript::activate();
    if (withDatabase) {
        m_dataModule = std::make_unique<TDataModule1>();
        if (!m_dataModule->openAliasFolder().opened)
            qFatal("test database could not be created");
        PlatformScript::clearEvents();
    }
}

TestProgram::~TestProgram()
{
    m_dataModule.reset();
    PlatformScript::deactivate();
}

QString TestProgram::file(const QString &relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

QByteArray noiseBytes(int size, quint32 seed)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.append(char(seed >> 16));
    }
    return bytes;
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool putFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

QStringList exportFileLines(const QString &baseName)
{
    QFile f(ProgramFolder::file(QStringLiteral("TEMP/") + baseName + QStringLiteral(".txt")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.split(QStringLiteral("\r\n"));
}

WriteLockHolder::WriteLockHolder(int ms)
{
    const QByteArray file = Db::databaseFile(DataModule1->databaseFolder()).toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("the write lock could not be taken");
    if (ms > 0) {
        m_release.reset(QThread::create([this, ms] {
            QThread::msleep(ulong(ms));
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        }));
        m_release->start();
    }
}

WriteLockHolder::~WriteLockHolder()
{
    if (m_release)
        m_release->wait();
    else
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

void ModalWalk::start()
{
    PlatformScript::setModalHandler([this](QDialog *d) {
        opened << d->objectName();
        if (m_next >= m_steps.size())
            return int(QDialog::Rejected);
        const Step step = m_steps.at(m_next++);
        d->setResult(0);
        d->show();
        step(d);
        const int result = d->isVisible() ? int(QDialog::Rejected) : d->result();
        if (d->isVisible())
            d->done(QDialog::Rejected);
        d->hide();
        return result;
    });
}

UserUmask::UserUmask(unsigned mask)
    : m_saved(::umask(mode_t(mask)))
{
    FileModes::keepFromOthers();
}

UserUmask::~UserUmask()
{
    ::umask(mode_t(m_saved));
}

int fileMode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}
