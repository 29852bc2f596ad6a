#include "common/ini_file.h"

#include "common/log_file.h"
#include "common/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {
bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Control characters and undecodable bytes: not a text someone wrote.
bool binary(const QString &line)
{
    for (QChar c : line)
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F || c == QChar::ReplacementCharacter)
            return true;
    return false;
}

// A value never spans lines: a line break would start a new key.
QString oneLine(const QString &value)
{
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return clean;
}
} // namespace

IniFile::IniFile(const QString &path)
    : m_path(path)
{
    QString current;
    bool ok = false;
    const QStringList lines = TextFile::readLines(path, &ok);
    // A missing file is simply empty; one that exists but cannot be read must
    // not be replaced by the few keys a save would know.
    m_unreadable = !ok && QFileInfo::exists(path);
    for (const QString &raw : lines) {
        Line line;
        line.text = raw;
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            current = trimmed.mid(1, trimmed.size() - 2).trimmed();
            line.isHeader = true;
            line.section = current;
        } else {
            line.section = current;
            const int eq = raw.indexOf(QLatin1Char('='));
            const bool comment = trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
            if (eq > 0 && !comment)
                line.key = raw.left(eq).trimmed();
            if (!trimmed.isEmpty() && !comment && line.key.isEmpty())
                m_foreignLines = true;
        }
        if (binary(raw))
            m_foreignLines = true;
        m_lines.append(line);
    }
}

int IniFile::findHeader(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].isHeader && sameName(m_lines[i].section, section))
            return i;
    return -1;
}

int IniFile::findKey(const QString &section, const QString &key) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line &l = m_lines[i];
        if (!l.isHeader && !l.key.isEmpty() && sameName(l.section, section) && sameName(l.key, key))
            return i;
    }
    return -1;
}

bool IniFile::sectionExists(const QString &section) const
{
    return findHeader(section) >= 0;
}

bool IniFile::valueExists(const QString &section, const QString &key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Line &l : m_lines)
        if (l.isHeader && !out.contains(l.section, Qt::CaseInsensitive))
            out.append(l.section);
    return out;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    for (const Line &l : m_lines)
        if (!l.isHeader && !l.key.isEmpty() && sameName(l.section, section))
            out.append(l.key);
    return out;
}

QString IniFile::valueOf(const Line &line)
{
    return line.text.mid(line.text.indexOf(QLatin1Char('=')) + 1);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const int i = findKey(section, key);
    return i < 0 ? def : valueOf(m_lines[i]);
}

QList<std::pair<QString, QString>> IniFile::sectionValues(const QString &section) const
{
    QList<std::pair<QString, QString>> out;
    QSet<QString> seen;
    for (const Line &l : m_lines)
        if (!l.isHeader && !l.key.isEmpty() && sameName(l.section, section)) {
            const QString folded = l.key.toCaseFolded();
            if (!seen.contains(folded)) {
                seen.insert(folded);
                out.append({l.key, valueOf(l)});
            }
        }
    return out;
}

long long IniFile::readInteger(const QString &section, const QString &key, long long def) const
{
    bool ok = false;
    const long long v = readString(section, key).trimmed().toLongLong(&ok);
    return ok ? v : def;
}

bool IniFile::readBool(const QString &section, const QString &key, bool def) const
{
    const QString v = readString(section, key).trimmed();
    if (v.isEmpty())
        return def;
    if (sameName(v, QStringLiteral("true")))
        return true;
    if (sameName(v, QStringLiteral("false")))
        return false;
    bool ok = false;
    const long long n = v.toLongLong(&ok);
    return ok ? n != 0 : def;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    writeStrings(section, {{key, value}});
}

int IniFile::endOfSection(int header) const
{
    // Blank lines at a section's end stay after its new keys.
    int end = header + 1;
    for (int i = header + 1; i < m_lines.size() && !m_lines[i].isHeader; ++i)
        if (!m_lines[i].text.trimmed().isEmpty())
            end = i + 1;
    return end;
}

void IniFile::writeStrings(const QString &section, const QList<std::pair<QString, QString>> &values)
{
    QHash<QString, int> existing; // folded key: its first line, as findKey() finds it
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line &l = m_lines[i];
        if (!l.isHeader && !l.key.isEmpty() && sameName(l.section, section)) {
            const QString folded = l.key.toCaseFolded();
            if (!existing.contains(folded))
                existing.insert(folded, i);
        }
    }
    const int header = findHeader(section);
    const QString sectionName = header >= 0 ? m_lines[header].section : section;
    QList<Line> added;
    QHash<QString, int> addedAt;
    for (const auto &[key, value] : values) {
        const QString folded = key.toCaseFolded();
        const QString clean = oneLine(value);
        if (const auto at = existing.constFind(folded); at != existing.constEnd()) {
            Line &l = m_lines[*at];
            l.text = l.key + QLatin1Char('=') + clean;
        } else if (const auto at = addedAt.constFind(folded); at != addedAt.constEnd()) {
            Line &l = added[*at];
            l.text = l.key + QLatin1Char('=') + clean;
        } else {
            addedAt.insert(folded, int(added.size()));
            added.append(Line{key + QLatin1Char('=') + clean, sectionName, key, false});
        }
    }
    if (added.isEmpty())
        return;
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
            m_lines.append(Line{QString(), m_lines.last().section, QString(), false});
        m_lines.append(Line{QLatin1Char('[') + section + QLatin1Char(']'), section, QString(), true});
        m_lines.append(added);
        return;
    }
    const int insertAt = endOfSection(header);
    QList<Line> lines;
    lines.reserve(m_lines.size() + added.size());
    lines.append(m_lines.mid(0, insertAt));
    lines.append(added);
    lines.append(m_lines.mid(insertAt));
    m_lines.swap(lines);
}

void IniFile::writeInteger(const QString &section, const QString &key, long long value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::deleteKey(const QString &section, const QString &key)
{
    const int i = findKey(section, key);
    if (i >= 0)
        m_lines.removeAt(i);
}

void IniFile::eraseSection(const QString &section)
{
    for (int i = m_lines.size() - 1; i >= 0; --i)
        if (sameName(m_lines[i].section, section))
            m_lines.removeAt(i);
}

QString IniFile::asideName() const
{
    return m_path + QStringLiteral(".bad");
}

bool IniFile::keepAside(QString *error) const
{
    const QString aside = asideName();
    if (QFileInfo::exists(aside))
        return true; // kept once: later saves write the same lines again
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // gone meanwhile: nothing to keep
    if (!TextFile::writeAtomic(aside, file.readAll(), error))
        return false;
    LogFile::append(QStringLiteral("IniFile"), QStringLiteral("Редове, които не са настройки, в ")
                                                   + QDir::toNativeSeparators(m_path)
                                                   + QStringLiteral("; файлът е копиран в ")
                                                   + QDir::toNativeSeparators(aside));
    return true;
}

bool IniFile::save(QString *error) const
{
    if (m_unreadable) {
        const QString why = QStringLiteral("Файлът ") + m_path
                            + QStringLiteral(" не може да бъде прочетен; записът върху него е отказан.");
        LogFile::append(QStringLiteral("IniFile"), why);
        if (error)
            *error = why;
        return false;
    }
    // Its own bytes are kept before they are rewritten: nothing a person
    // or another program put there is lost.
    if (m_foreignLines && !keepAside(error))
        return false;
    QString text;
    for (const Line &l : m_lines)
        text += l.text + QLatin1Char('\n');
    return TextFile::writeUtf8(m_path, text, error);
}
