#include "test_registry.h"

#include "platform/application.h"

#include "common/program_folder.h"
#include "platform/file_modes.h"

#include <QApplication>
#include <QFile>
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
    // Windows are made for a screen of 1280 x 800: the offscreen platform
    // gets one of that size unless the caller chose a platform of its own.
    QTemporaryDir screenDir;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QString config = screenDir.filePath(QStringLiteral("screen.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)
            && file.write(R"({"screens": [{"name": "1280x800", "x": 0, "y": 0, "width": 1280, "height": 800,
                              "logicalDpi": 96, "dpr": 1}]})")
                   > 0) {
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
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
