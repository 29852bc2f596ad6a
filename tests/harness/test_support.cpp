#include "test_support.h"

#include "common/program_folder.h"
#include "platform/script.h"
#include "app/data_module.h"

#include <QDir>
#include <QFile>
#include <QTest>

QString sourceSqlFolder()
{
    return QStringLiteral(VENTAROS_SOURCE_DIR) + QStringLiteral("/SQLs");
}

TestProgram::TestProgram(bool withDatabase)
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
