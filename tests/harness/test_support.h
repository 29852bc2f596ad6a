#pragma once
#include <QString>
#include <QTemporaryDir>

#include <memory>

class TDataModule1;

// A fresh program folder in a temporary directory, with the statement files
// of the source tree, the platform scripted (dialogs answered from a queue,
// programs recorded), and optionally a new database opened in Data/.
class TestProgram
{
public:
    explicit TestProgram(bool withDatabase = true);
    ~TestProgram();
    QString folder() const { return m_dir.path(); }
    QString file(const QString &relative) const;
    TDataModule1 *dataModule() const { return m_dataModule.get(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDataModule1> m_dataModule;
};

// The statement files of the source tree.
QString sourceSqlFolder();
