#include "common/tagged_import.h"

#include "common/cp1251.h"

#include <QDir>

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
            } else if (c.category() != QChar::Other_Control || c == QLatin1Char('\t')) {
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

QString TaggedFileReader::refusedEncoding(const QByteArray &head, bool hasNul)
{
    if (head.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
        return QStringLiteral("UTF-32 LE");
    if (head.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return QStringLiteral("UTF-32 BE");
    if (head.startsWith("\xFF\xFE"))
        return QStringLiteral("UTF-16 LE");
    if (head.startsWith("\xFE\xFF"))
        return QStringLiteral("UTF-16 BE");
    if (!hasNul)
        return {};
    // Without a mark, UTF-16 shows as the NUL halves of its Latin characters
    // (digits, colons and brackets of every tagged line), all on one side.
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i < head.size(); ++i)
        if (head.at(i) == '\0')
            ++(i % 2 ? odd : even);
    const qsizetype nuls = even + odd;
    if (nuls * 8 >= head.size()) {
        if (odd * 10 >= nuls * 9)
            return QStringLiteral("UTF-16 LE");
        if (even * 10 >= nuls * 9)
            return QStringLiteral("UTF-16 BE");
    }
    return QStringLiteral("NUL");
}

bool TaggedFileReader::open(QString *error)
{
    const QString name = QDir::toNativeSeparators(m_file.fileName());
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Файлът \"%1\" не може да бъде отворен: %2").arg(name, m_file.errorString()));
    m_size = m_file.size();
    // The whole file is looked at before a line is read: a NUL on its last
    // line refuses it as much as one on its first.
    constexpr qint64 block = 256 * 1024;
    const QByteArray head = m_file.read(block);
    bool hasNul = head.contains('\0');
    while (!hasNul && !m_file.atEnd()) {
        const QByteArray more = m_file.read(block);
        if (more.isEmpty())
            break;
        hasNul = more.contains('\0');
    }
    if (!m_file.seek(0))
        return fail(QStringLiteral("Файлът \"%1\" не може да бъде прочетен: %2").arg(name, m_file.errorString()));
    const QString encoding = refusedEncoding(head, hasNul);
    if (encoding == QLatin1String("NUL")) {
        m_file.close();
        return fail(QStringLiteral("Файлът \"%1\" съдържа нулеви байтове (NUL): не е текст в UTF-8 или Windows-1251 "
                                   "и не е импортиран.")
                        .arg(name));
    }
    if (!encoding.isEmpty()) {
        m_file.close();
        return fail(QStringLiteral("Файлът \"%1\" е в кодировка %2 и не е импортиран.\n"
                                   "Запишете го като UTF-8 или Windows-1251 и го импортирайте отново.")
                        .arg(name, encoding));
    }
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
