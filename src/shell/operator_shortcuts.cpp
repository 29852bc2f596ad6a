#include "shell/operator_shortcuts.h"

#include "common/ini_file.h"
#include "common/settings.h"
#include "platform/exception_log.h"
#include "shell/main_menu.h"

#include <QHash>

#include <QAction>

void OperatorShortcuts::apply(const IniFile &ini, const QString &operatorName, MainMenuActions &menu)
{
    menu.resetShortcuts();
    const QString section = Settings::operatorSection(operatorName);
    const long long counts = ini.readInteger(section, QString::fromLatin1(Settings::ShortcutCountKey), 0);
    const int last = int(qMin<long long>(counts, menu.count()));
    for (int i = 1; i < last; ++i) {
        const QString key = QString::number(i);
        if (!ini.valueExists(section, key))
            continue;
        const QString value = ini.readString(section, key).trimmed();
        const QKeySequence seq = QKeySequence::fromString(value, QKeySequence::PortableText);
        // A text that names no key leaves the design shortcut.
        if (!value.isEmpty() && seq.isEmpty())
            continue;
        menu.node(i).action->setShortcut(seq.isEmpty() ? QKeySequence() : QKeySequence(seq[0]));
    }
    // One key, one item: an edited or old section may name a key twice. The
    // item first in the menu keeps it.
    QHash<QKeySequence, int> owner;
    for (int i = 1; i < menu.count(); ++i) {
        QAction *action = menu.node(i).action;
        const QKeySequence seq = action->shortcut();
        if (seq.isEmpty())
            continue;
        const auto taken = owner.constFind(seq);
        if (taken == owner.cend()) {
            owner.insert(seq, i);
            continue;
        }
        action->setShortcut(QKeySequence());
        ExceptionLog::write(QStringLiteral("OperatorShortcuts"),
                            QStringLiteral("[%1] клавиш %2 на \"%3\" (%4) е вече на \"%5\" (%6); оставен е без клавиш")
                                .arg(section, seq.toString(QKeySequence::PortableText),
                                     QString::fromLatin1(menu.node(i).def->name), QString::number(i),
                                     QString::fromLatin1(menu.node(*taken).def->name), QString::number(*taken)));
    }
}

void OperatorShortcuts::save(IniFile &ini, const QString &operatorName, const MainMenuActions &menu)
{
    const QString section = Settings::operatorSection(operatorName);
    for (int i = 1; i < menu.count(); ++i)
        ini.writeString(section, QString::number(i),
                        menu.node(i).action->shortcut().toString(QKeySequence::PortableText));
    ini.writeInteger(section, QString::fromLatin1(Settings::ShortcutCountKey), menu.count());
}

QString OperatorShortcuts::text(const MainMenuActions &menu, const QString &itemName)
{
    const QAction *a = menu.action(itemName);
    return a ? a->shortcut().toString(QKeySequence::PortableText) : QString();
}
