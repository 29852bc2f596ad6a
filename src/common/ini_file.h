#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// An INI file as the program keeps them: section and key names compared
// without regard to case, every other line (comments, unknown sections) kept
// on write, the file replaced atomically and written as UTF-8; a file in code
// page 1251 is accepted on read. Changes stay in memory until save().
class IniFile
{
public:
    explicit IniFile(const QString &path); // loads at once; a missing file is empty
    QString path() const { return m_path; }
    // False when the file exists but could not be read: save() then refuses.
    bool readable() const { return !m_unreadable; }

    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;

    QString readString(const QString &section, const QString &key, const QString &def = {}) const;
    // A value that is not a whole number gives the default.
    long long readInteger(const QString &section, const QString &key, long long def = 0) const;
    // "1"/"0" as written; "true"/"false" and other whole numbers are read too.
    bool readBool(const QString &section, const QString &key, bool def = false) const;

    // Each key of a section once (the first, as readString() finds it) with
    // its value, in file order; one pass, for sections of thousands of keys.
    QList<std::pair<QString, QString>> sectionValues(const QString &section) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    // writeString() for many keys of one section, in one pass.
    void writeStrings(const QString &section, const QList<std::pair<QString, QString>> &values);
    void writeInteger(const QString &section, const QString &key, long long value);
    void writeBool(const QString &section, const QString &key, bool value);
    void deleteKey(const QString &section, const QString &key);
    void eraseSection(const QString &section);

    // Replaces the file atomically; on failure the old file stays as it was.
    // A file that exists but could not be read is never saved over. A file
    // with lines that are not settings (no key, control characters) is first
    // copied aside once as asideName() and named in the exception log.
    bool save(QString *error = nullptr) const;
    QString asideName() const; // "<file>.bad"

private:
    struct Line {
        QString text;    // the line as read or composed
        QString section; // section the line belongs to (empty before the first)
        QString key;     // key of a key=value line, empty otherwise
        bool isHeader = false;
    };
    int findKey(const QString &section, const QString &key) const;
    int findHeader(const QString &section) const;
    bool keepAside(QString *error) const;
    int endOfSection(int header) const; // after its last line that is not blank
    static QString valueOf(const Line &line);

    QString m_path;
    QList<Line> m_lines;
    bool m_unreadable = false;
    bool m_foreignLines = false;
};
