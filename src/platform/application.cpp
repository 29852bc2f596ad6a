#include "platform/application.h"

#include "platform/exception_log.h"
#include "platform/long_texts.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyle>
#include <QTranslator>

namespace {
// Documents name the Windows fonts; the metric-compatible Liberation fonts
// (Debian's fonts-liberation2) print them with the same widths.
void substituteWindowsFonts()
{
    const std::pair<const char *, const char *> table[] = {
        {"Arial", "Liberation Sans"},
        {"Arial Cyr", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Times New Roman Cyr", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Courier New Cyr", "Liberation Mono"},
    };
    for (const auto &[from, to] : table)
        QFont::insertSubstitution(QString::fromLatin1(from), QString::fromLatin1(to));
}
} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The name titles untitled windows. No display name is set: the desktop
    // would append it to every window title ("ВЕНТАРОС - МАГАЗИН — ВЕНТАРОС").
    setApplicationName(QStringLiteral("ВЕНТАРОС"));
    substituteWindowsFonts();
    setStyle(new LongTextStyle(style()->name()));
    // Qt's own texts (file dialogs, context menus) in Bulgarian when the
    // desktop has the translations installed.
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Bulgarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    } catch (...) {
        ExceptionLog::write(QStringLiteral("unknown"), QString());
    }
    return false;
}
