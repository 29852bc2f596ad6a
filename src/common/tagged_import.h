#pragma once
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// Tagged import files: one record per line, each field written as its
// number, a colon and the value in square brackets: 1:[100]3:[Мляко 1 л].
// Anything between fields is ignored.
struct TaggedField {
    QString number; // the digits before the colon, as written ("" when none came)
    QString value;
};

struct TaggedLine {
    QList<TaggedField> fields; // in the order of the line
    bool bracketOpen = false;  // the line ended inside a value, which was dropped

    // The first field with this number (a repeated number counts once).
    bool has(int number) const;
    QString value(int number, const QString &missing = {}) const;
    // At least one numbered field.
    bool isEmpty() const;
};

// The line parser: one pass with a field-number buffer, a value buffer and an
// inside-brackets flag. Outside brackets digits make the field number, ":"
// ends it, "[" opens a value; inside, everything up to "]" is the value.
// Control characters other than the tab never enter a value.
TaggedLine GET_IMPORTED_DATA(const QString &line);

// Reads an import file line by line, never whole. A line is decoded as UTF-8
// when it is valid UTF-8 (a byte-order mark dropped), else as code page 1251;
// CR LF and LF both end it. Blank lines are passed over. A line longer than
// MaxLineBytes is handed over empty with tooLong set, and reading goes on.
// A file in UTF-16 or UTF-32 (with or without its byte-order mark) or holding
// a NUL byte anywhere is refused by open(), before any line is read.
class TaggedFileReader
{
public:
    static constexpr qint64 MaxLineBytes = 1024 * 1024;

    struct Line {
        long long number = 0; // 1-based line number in the file
        QString text;
        bool tooLong = false;
    };

    explicit TaggedFileReader(const QString &path);
    // False with the Bulgarian reason, naming the file: it cannot be read, or
    // it is in an encoding the import does not read.
    bool open(QString *error = nullptr);
    // The encoding that refuses a file whose first bytes are `head` and that
    // holds a NUL byte (`hasNul`) or starts with a UTF-16 or UTF-32 mark:
    // "UTF-16 LE", "UTF-16 BE", "UTF-32 LE", "UTF-32 BE", or "NUL" for other
    // bytes with NULs; empty when the file may be read.
    static QString refusedEncoding(const QByteArray &head, bool hasNul);
    // The next non-blank line; false at the end of the file or on a read error.
    bool next(Line *line);
    bool failed() const { return !m_error.isEmpty(); }
    QString errorText() const { return m_error; }
    qint64 bytesRead() const { return m_consumed; }
    qint64 size() const { return m_size; }
    long long tooLongSkipped() const { return m_tooLong; }

private:
    bool fill();

    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_consumed = 0;
    qint64 m_size = 0;
    long long m_lineNumber = 0;
    long long m_tooLong = 0;
    bool m_eof = false;
    QString m_error;
};
