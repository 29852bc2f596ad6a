#include "platform/application.h"

#include "platform/exception_log.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("ВЕНТАРОС"));
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
