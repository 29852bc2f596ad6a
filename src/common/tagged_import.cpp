#include "common/tagged_import.h"

#include "common/cp1251.h"

#include <cstring>

bool TaggedLine::has(int number) const
{
    const QString key = QString::number(number);
    for (const TaggedField &f : fields)
        if (f.number == key)
            return true;
    return false;
}

QString TaggedLine::value(int number, const QString &missing) const
{
    const QString key = QString::number(number);
    for (const TaggedField &f : fields)
        if (f.number == key)
            return f.value;
    return missing;
}

bool TaggedLine::isEmpty() const
{
    for (const TaggedField &f : fields)
        if (!f.number.isEmpty())
            return false;
    return true;
}

TaggedLine GET_IMPORTED_DATA(const QString &line)
{
    TaggedLine out;
    QString digits;
    QString key;
    QString value;
    bool inside = false;
    for (const QChar c : line) {
        if (inside) {
            if (c == QLatin1Char(']')) {
                out.fields.append({key, value});
                value.clear();
                inside = false;
            } else {
                value.append(c);
            }
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.append(c);
        } else if (c == QLatin1Char(':')) {
            key = digits;
            digits.clear();
        } else if (c == QLatin1Char('[')) {
            inside = true;
        }
        // anything else between fields is ignored
    }
    out.bracketOpen = inside;
    return out;
}

TaggedFileReader::TaggedFileReader(const QString &path)
    : m_file(path)
{
}

bool TaggedFileReader::open(QString *error)
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    return true;
}

bool TaggedFileReader::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    constexpr qint64 block = 256 * 1024;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + block);
    const qint64 got = m_file.read(m_buffer.data() + old, block);
    if (got < 0) {
        m_error = m_file.errorString();
        m_buffer.resize(old);
        m_eof = true;
        return false;
    }
    m_buffer.resize(old + got);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

bool TaggedFileReader::next(Line *line)
{
    for (;;) {
        // Find the end of the line, reading on as needed; `searched` counts
        // the bytes after m_pos already looked at (fill() moves m_pos to 0).
        qsizetype searched = 0;
        qsizetype end = -1;
        bool tooLong = false;
        bool atEnd = false;
        for (;;) {
            const qsizetype available = m_buffer.size() - m_pos;
            if (searched < available) {
                const char *from = m_buffer.constData() + m_pos + searched;
                const void *nl = std::memchr(from, '\n', size_t(available - searched));
                if (nl) {
                    end = static_cast<const char *>(nl) - m_buffer.constData();
                    break;
                }
                searched = available;
            }
            if (searched > MaxLineBytes) {
                // Too long to keep: drop what is buffered and look for its end.
                tooLong = true;
                m_consumed += searched;
                m_buffer.clear();
                m_pos = 0;
                searched = 0;
            }
            if (!fill()) {
                if (failed())
                    return false;
                end = m_buffer.size(); // the last line has no line end
                atEnd = true;
                break;
            }
        }
        if (atEnd && end == m_pos && !tooLong)
            return false; // nothing left
        qsizetype stop = end;
        if (stop > m_pos && m_buffer.at(stop - 1) == '\r')
            --stop;
        const qsizetype length = stop - m_pos;
        const qsizetype next = atEnd ? end : end + 1;
        m_consumed += next - m_pos;
        ++m_lineNumber;
        if (tooLong || length > MaxLineBytes) {
            ++m_tooLong;
            m_pos = next;
            line->number = m_lineNumber;
            line->text.clear();
            line->tooLong = true;
            return true;
        }
        const char *bytes = m_buffer.constData() + m_pos;
        bool blank = true;
        for (qsizetype i = 0; i < length; ++i)
            if (bytes[i] != ' ' && bytes[i] != '\t') {
                blank = false;
                break;
            }
        if (!blank) {
            line->number = m_lineNumber;
            line->text = Cp1251::decodeText(QByteArray(bytes, length));
            line->tooLong = false;
        }
        m_pos = next;
        if (!blank)
            return true;
    }
}
