#include "test_registry.h"

#include "platform/application.h"

#include "common/program_folder.h"
#include "platform/file_modes.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <string>

namespace {
std::map<std::string, vtest::Factory> &registry()
{
    static std::map<std::string, vtest::Factory> tests;
    return tests;
}
} // namespace

void vtest::registerTest(const char *name, Factory factory)
{
    registry()[name] = std::move(factory);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    // The tests make their files as the program does.
    FileModes::keepFromOthers();
    Application app(argc, argv);
    // Tests never touch a real program folder: until a test makes its own,
    // everything lands in a throw-away one.
    QTemporaryDir scratch;
    ProgramFolder::setPath(scratch.path());
    QStringList args = app.arguments();
    QString only;
    int at = args.indexOf(QStringLiteral("--class"));
    if (at >= 0 && at + 1 < args.size()) {
        only = args.at(at + 1);
        args.remove(at, 2);
    }
    int failures = 0;
    bool ran = false;
    for (auto &[name, factory] : registry()) {
        if (!only.isEmpty() && only != QString::fromStdString(name))
            continue;
        ran = true;
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), args);
    }
    if (!ran) {
        qWarning("no test class named %s", qPrintable(only));
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
