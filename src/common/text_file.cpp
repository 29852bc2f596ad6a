#include "common/text_file.h"

#include "common/cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool TextFile::writeAtomic(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A file marked read-only is not replaced, whoever runs the program (the
    // rename would otherwise go round the mark).
    const QFileInfo existing(path);
    if (existing.exists() && existing.isFile() && !(existing.permissions() & QFileDevice::WriteOwner)) {
        if (error)
            *error = QStringLiteral("Файлът е само за четене: ") + QDir::toNativeSeparators(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool TextFile::writeUtf8(const QString &path, const QString &text, QString *error)
{
    return writeAtomic(path, text.toUtf8(), error);
}

QString TextFile::read(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    if (ok)
        *ok = true;
    return Cp1251::decodeText(file.readAll());
}

QStringList TextFile::readLines(const QString &path, bool *ok)
{
    QString text = read(path, ok);
    if (text.isEmpty())
        return {};
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
