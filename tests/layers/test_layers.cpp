#include "test_registry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

using Rules = QHash<QString, QSet<QString>>;

Rules readRules(const QString &file, QString *error)
{
    Rules rules;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read ") + file;
        return rules;
    }
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QString folder = line.section(QLatin1Char(':'), 0, 0).trimmed();
        QSet<QString> allowed{folder};
        for (const QString &w : line.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            allowed.insert(w);
        rules.insert(folder, allowed);
    }
    return rules;
}

// Every `#include "folder/..."` under srcDir whose folder its own folder may
// not include, as "file:line: includes folder/... (rule: a may include b c)".
QStringList violations(const QString &srcDir, const Rules &rules)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"/]+)/([^\"]*)\""));
    QStringList out;
    const QDir root(srcDir);
    QDirIterator it(srcDir, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString &path : files) {
        const QString rel = root.relativeFilePath(path);
        const QString layer = rel.contains(QLatin1Char('/')) ? rel.section(QLatin1Char('/'), 0, 0) : rel;
        if (!rules.contains(layer)) {
            out << rel + QStringLiteral(": folder \"") + layer + QStringLiteral("\" has no rule");
            continue;
        }
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            out << rel + QStringLiteral(": cannot be read");
            continue;
        }
        QTextStream in(&f);
        for (int n = 1; !in.atEnd(); ++n) {
            const QRegularExpressionMatch m = include.match(in.readLine());
            if (!m.hasMatch() || !rules.contains(m.captured(1)) || rules.value(layer).contains(m.captured(1)))
                continue;
            QStringList allowed(rules.value(layer).begin(), rules.value(layer).end());
            allowed.sort();
            out << QStringLiteral("%1:%2: includes %3/%4 (rule: %5 may include %6)")
                       .arg(rel)
                       .arg(n)
                       .arg(m.captured(1), m.captured(2), layer, allowed.join(QLatin1Char(' ')));
        }
    }
    return out;
}

QString rulesFile()
{
    return QStringLiteral(VENTAROS_SOURCE_DIR "/tests/layers/allowed_includes.txt");
}

} // namespace

class LayersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sourceTreeKeepsItsLayers()
    {
        QString error;
        const Rules rules = readRules(rulesFile(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QStringList found = violations(QStringLiteral(VENTAROS_SOURCE_DIR "/src"), rules);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    void plantedUpwardIncludeIsNamed()
    {
        QString error;
        const Rules rules = readRules(rulesFile(), &error);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("catalogue"));
        QDir(dir.path()).mkpath(QStringLiteral("common"));
        const auto write = [&](const QString &name, const QByteArray &text) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        write(QStringLiteral("catalogue/a.cpp"),
              "#include \"catalogue/a.h\"\n#include \"counterparties/b.h\"\n#include <QString>\n");
        write(QStringLiteral("common/c.h"), "#pragma once\n\n#include \"shell/general_form.h\"\n");
        const QStringList found = violations(dir.path(), rules);
        QCOMPARE(found.size(), 1);
        QVERIFY2(found.first().startsWith(QStringLiteral("common/c.h:3: includes shell/general_form.h")),
                 qPrintable(found.first()));
    }
};

VTEST(LayersTest)
#include "test_layers.moc"
