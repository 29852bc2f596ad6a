#include "platform/application.h"

#include "platform/exception_log.h"

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("ВЕНТАРОС"));
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
