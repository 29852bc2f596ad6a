#include "app/statement_file.h"

#include "common/ini_file.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QFile>
#include <QRegularExpression>

StatementFile StatementFile::load(const QString &path)
{
    StatementFile f;
    if (!QFile::exists(path)) {
        f.error = QStringLiteral("Липсва файлът ") + path;
        return f;
    }
    const IniFile ini(path);
    bool ok = false;
    f.max = ini.readString(QStringLiteral("COUNT"), QStringLiteral("MAX")).trimmed().toInt(&ok);
    if (!ok || f.max < 0) {
        f.error = QStringLiteral("Във файла ") + path + QStringLiteral(" липсва [COUNT] MAX");
        return f;
    }
    // A run names every missing statement up to MAX: a damaged count of
    // billions would hang it.
    if (f.max > MaxStatements) {
        f.error = QStringLiteral("Във файла ") + path + QStringLiteral(" [COUNT] MAX е по-голямо от ")
                  + QString::number(MaxStatements);
        return f;
    }
    // Only the numbered sections the file has: a damaged MAX of two billion
    // must not walk two billion absent sections.
    for (const QString &section : ini.sections()) {
        bool number = false;
        const int i = section.toInt(&number);
        if (!number || i < 1 || i > f.max || QString::number(i) != section
            || !ini.valueExists(section, QStringLiteral("SQL")))
            continue;
        f.statements.insert(i, ini.readString(section, QStringLiteral("SQL")).trimmed());
        f.versionOf.insert(i, int(ini.readInteger(section, QStringLiteral("Ver"), 0)));
    }
    static const QRegularExpression dbver(QStringLiteral("^DBVer-(\\d+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (const QString &section : ini.sections()) {
        const auto m = dbver.match(section);
        if (m.hasMatch() && ini.readString(section, QStringLiteral("Ver"), QStringLiteral("0")).trimmed()
                                != QLatin1String("0"))
            f.announced.append(m.captured(1).toInt());
    }
    f.loaded = true;
    return f;
}

int StatementFile::announcedVersion() const
{
    int v = 0;
    for (int n : announced)
        v = qMax(v, n);
    return v;
}

bool StatementFile::announces(int version) const
{
    return announced.contains(version);
}

StatementRun runStatementFile(const StatementFile &file, const QSqlDatabase &db, VersionGroups groups,
                              const std::function<void(const QSqlDatabase &)> &inside,
                              const std::function<void(const QString &)> &memo,
                              const std::function<void(int done, int total)> &progress)
{
    const Db::BulkWait bulk; // one statement may rebuild a table's index
    StatementRun run;
    auto line = [&](const QString &text) {
        if (memo) {
            memo(QString());
            memo(text);
        }
    };
    auto runs = [&](int i) {
        const int group = file.versionOf.value(i);
        return file.statements.contains(i) && !(group > 0 && (group <= groups.above || group > groups.upTo));
    };
    int total = 0;
    for (int i = 1; i <= file.max; ++i)
        total += runs(i) ? 1 : 0;
    int done = 0;
    if (progress)
        progress(done, total);
    try {
        WriteTransaction tx(db);
        for (int i = 1; i <= file.max; ++i) {
            const QString head = QStringLiteral("ОПЕРАЦИЯ: ") + QString::number(i);
            if (!file.statements.contains(i)) {
                line(head + QStringLiteral("- ЛИПСВА ВЪВ ФАЙЛА И Е ПРОПУСНАТА"));
                continue;
            }
            const int group = file.versionOf.value(i);
            if (!runs(i)) {
                line(head + QStringLiteral("- ПРОПУСНАТА (ВЕРСИЯ ") + QString::number(group)
                     + QStringLiteral(")"));
                continue;
            }
            const QString sql = file.statements.value(i);
            if (!sql.isEmpty()) {
                run.failedIndex = i;
                run.failedSql = sql;
                Db::execute(sql, {}, db);
            }
            line(head + QStringLiteral("- БЕШЕ УСПЕШНА"));
            if (progress)
                progress(++done, total);
        }
        run.failedIndex = 0;
        run.failedSql.clear();
        if (inside)
            inside(db);
        tx.commit();
        run.ok = true;
    } catch (const DbError &e) {
        run.ok = false;
        run.error = e.message();
        if (run.failedIndex == 0)
            run.failedSql = e.sql();
    }
    return run;
}
