#pragma once
#include <QString>
#include <QTemporaryDir>

#include "platform/script.h"

#include <QDialog>
#include <QTest>

#include <functional>
#include <memory>

class TDataModule1;
class QThread;
struct sqlite3;

// A fresh program folder in a temporary directory (in `parent` when given),
// with the statement files of the source tree, the platform scripted (dialogs
// answered from a queue, programs recorded), and optionally a new database
// opened in Data/.
class TestProgram
{
public:
    explicit TestProgram(bool withDatabase = true, const QString &parent = {});
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

// The lines of the list export TEMP/<baseName>.txt (UTF-8, CR LF), without
// its byte-order mark; empty when the file is missing.
#include <QStringList>
QStringList exportFileLines(const QString &baseName);

// The same bytes for the same seed: a stand-in for a binary file.
QByteArray noiseBytes(int size, quint32 seed);

// A file's bytes as they are (empty when it cannot be read), and a file
// written with exactly these bytes, its folder made (false when it failed).
QByteArray fileContents(const QString &path);
bool putFile(const QString &path, const QByteArray &bytes);

// Windows of type W opened through Dialogs::exec are shown and driven by
// `steps`; each answers with its own result, or "rejected" when the steps
// left it open. Other windows are rejected at once.
template <class W>
void driveWindows(std::function<void(W *)> steps)
{
    PlatformScript::setModalHandler([steps](QDialog *d) {
        auto *w = qobject_cast<W *>(d);
        if (!w)
            return int(QDialog::Rejected);
        w->show();
        steps(w);
        const int result = w->isVisible() ? int(QDialog::Rejected) : w->result();
        w->hide();
        return result;
    });
}

// Another workstation holding the write lock of the open database (a
// connection of its own, BEGIN IMMEDIATE) until it is destroyed, or for `ms`
// from its construction when `ms` > 0 (then it lets go by itself).
class WriteLockHolder
{
public:
    explicit WriteLockHolder(int ms = 0);
    ~WriteLockHolder();
    WriteLockHolder(const WriteLockHolder &) = delete;
    WriteLockHolder &operator=(const WriteLockHolder &) = delete;

private:
    sqlite3 *m_db = nullptr;
    std::unique_ptr<QThread> m_release;
};

// Drives modal windows opened through Dialogs::exec in the order they open:
// the n-th window goes, shown, to the n-th step (a window opened inside a
// step takes the next one). Each answers with its own result, or "rejected"
// when its step left it open; windows past the last step are rejected.
// `opened` lists the object names of every window that came, in order.
class ModalWalk
{
public:
    using Step = std::function<void(QDialog *)>;
    ModalWalk &then(Step step)
    {
        m_steps.append(std::move(step));
        return *this;
    }
    // A step for a window of type W; another window fails the test.
    template <class W>
    ModalWalk &then(std::function<void(W *)> steps)
    {
        return then(Step([steps](QDialog *d) {
            auto *w = qobject_cast<W *>(d);
            QVERIFY2(w, qPrintable(QStringLiteral("unexpected window ") + d->objectName()));
            steps(w);
        }));
    }
    void start(); // takes over the modal handler
    int taken() const { return m_next; }
    int size() const { return int(m_steps.size()); }
    QStringList opened;

private:
    QList<Step> m_steps;
    int m_next = 0;
};

// The user's umask while it lives (the program's own made from it, as at
// start), the test runner's again afterwards.
class UserUmask
{
public:
    explicit UserUmask(unsigned mask);
    ~UserUmask();
    UserUmask(const UserUmask &) = delete;
    UserUmask &operator=(const UserUmask &) = delete;

private:
    unsigned m_saved;
};
// A file's or folder's permission bits (0644), -1 when it is missing.
int fileMode(const QString &path);
