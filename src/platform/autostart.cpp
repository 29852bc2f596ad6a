#include "platform/autostart.h"

#include "common/program_folder.h"
#include "common/text_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {
QString configHome()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the desktops do.
    const QString xdg = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
}

// One argument of an Exec line: quoted when it holds a reserved character,
// with ", `, $ and \ escaped inside the quotes.
QString quoteArgument(const QString &arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = arg.isEmpty();
    for (QChar c : arg)
        needs = needs || reserved.contains(c);
    if (!needs)
        return arg;
    QString quoted;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The string escapes of a desktop file value come on top of the quoting,
// and "%" would start a field code.
QString escapeValue(const QString &value)
{
    QString out;
    for (QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('%'))
            out += QStringLiteral("%%");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out;
}

QString executableOrSelf(const QString &executable)
{
    return QFileInfo(executable.isEmpty() ? QCoreApplication::applicationFilePath() : executable)
        .absoluteFilePath();
}

QString entryText(const QString &exec)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=ВЕНТАРОС\n"
                          "Exec=")
           + exec
           + QStringLiteral("\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n");
}
} // namespace

QString Autostart::entryPath()
{
    return QDir(configHome()).filePath(QStringLiteral("autostart/ventaros.desktop"));
}

QString Autostart::command(const QString &executable)
{
    QStringList args;
    if (!qgetenv("VENTAROS_HOME").isEmpty())
        args << QStringLiteral("env")
             << QStringLiteral("VENTAROS_HOME=") + QDir::toNativeSeparators(ProgramFolder::path());
    args << executableOrSelf(executable);
    QStringList quoted;
    for (const QString &a : args)
        quoted << quoteArgument(a);
    return escapeValue(quoted.join(QLatin1Char(' ')));
}

bool Autostart::isEnabled(const QString &executable)
{
    QFile f(entryPath());
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString expected = QStringLiteral("Exec=") + command(executable);
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line == expected)
            return true;
    }
    return false;
}

bool Autostart::enable(const QString &executable, QString *error)
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("Папката %1 не може да бъде създадена").arg(QFileInfo(path).absolutePath());
        return false;
    }
    return TextFile::writeAtomic(path, entryText(command(executable)).toUtf8(), error);
}

bool Autostart::disable(QString *error)
{
    QFile f(entryPath());
    if (!f.exists() || f.remove())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}
