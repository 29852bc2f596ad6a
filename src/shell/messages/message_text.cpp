#include "shell/messages/message_text.h"

#include "common/cp1251.h"

#include <QStringList>

#include <algorithm>

QString MessageText::compose(const QString &operatorName, const QString &typed)
{
    QString body = typed;
    body.remove(QLatin1Char('\r'));
    QStringList lines;
    if (!body.isEmpty()) {
        lines = body.split(QLatin1Char('\n'));
        // a line break typed at the very end opens no further line
        if (body.endsWith(QLatin1Char('\n')))
            lines.removeLast();
    }
    QString message = operatorName + QLatin1Char(':') + QStringLiteral("\r\n");
    for (const QString &line : lines)
        message += line + QStringLiteral("\r\n");
    return message;
}

QByteArray MessageText::encode(const QString &message)
{
    return Cp1251::encode(message);
}

QString MessageText::decode(const QByteArray &bytes)
{
    return Cp1251::decode(bytes);
}

bool MessageText::hasText(const QByteArray &bytes)
{
    return std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) >= 0x20 && uchar(c) != 0x7F; });
}

QString MessageText::forDisplay(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.remove(QChar(0));
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    // A long line goes on in lines of its own, kDisplayPiece characters each.
    QString shown;
    shown.reserve(out.size() + out.size() / kDisplayPiece);
    qsizetype run = 0;
    for (const QChar c : std::as_const(out)) {
        if (c == QLatin1Char('\n')) {
            run = 0;
        } else if (run++ == kDisplayPiece) {
            shown += QLatin1Char('\n');
            run = 1;
        }
        shown += c;
    }
    return shown;
}

QString MessageText::question(const QString &text)
{
    QString shown = forDisplay(text);
    if (shown.size() > kMaxQuestionExcerpt)
        shown = shown.left(kMaxQuestionExcerpt) + QStringLiteral("…");
    return QStringLiteral("Изпращат ви следното съобщение:\n") + shown + QLatin1Char('\n')
           + QStringLiteral("Желаете ли да отговорите?");
}

QString MessageText::olderTextRemovedLine()
{
    return QStringLiteral("--- по-старият текст на разговора е премахнат ---");
}

QString MessageText::droppedLine(int dropped, const QString &address)
{
    return QStringLiteral("--- пропуснати %1 знака от %2: твърде много чакащ текст ---").arg(dropped).arg(address);
}

QString MessageText::questionsOverLimitNote(const QString &address)
{
    return QStringLiteral("Съобщенията от %1 се показват в панела без въпрос: повече от %2 въпроса за минута")
        .arg(address)
        .arg(kMaxQuestionsPerMinute);
}

QString MessageText::allQuestionsOverLimitNote()
{
    return QStringLiteral("Съобщенията се показват в панела без въпрос: повече от %1 въпроса за минута от всички "
                          "станции")
        .arg(kMaxQuestionsPerMinuteInAll);
}

QuestionLimit::Verdict QuestionLimit::admit(const QString &peer, qint64 nowMs, qint64 windowMs)
{
    // Peers not heard within the window are forgotten, so strangers cannot grow the table.
    int inAll = 0;
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        QList<qint64> &asked = it->asked;
        asked.erase(asked.begin(), std::find_if(asked.begin(), asked.end(),
                                                [&](qint64 t) { return nowMs - t < windowMs; }));
        inAll += int(asked.size());
        it = asked.isEmpty() ? m_peers.erase(it) : std::next(it);
    }
    Peer &p = m_peers[peer];
    if (p.asked.size() >= MessageText::kMaxQuestionsPerMinute)
        return std::exchange(p.noted, true) ? Verdict::Show : Verdict::ShowAndNotePeer;
    if (inAll >= MessageText::kMaxQuestionsPerMinuteInAll) {
        if (p.asked.isEmpty())
            m_peers.remove(peer);
        return std::exchange(m_allNoted, true) ? Verdict::Show : Verdict::ShowAndNoteAll;
    }
    p.asked.append(nowMs);
    p.noted = false;
    m_allNoted = false;
    return Verdict::Ask;
}

int MessageText::conversationCut(const QString &conversation, int cap)
{
    if (conversation.size() <= cap)
        return 0;
    const int lineLength = int(olderTextRemovedLine().size()) + 1;
    const int cut = qMin(int(conversation.size()), int(conversation.size()) - cap + lineLength);
    // cut at a line start where one follows
    const int lineStart = int(conversation.indexOf(QLatin1Char('\n'), qMax(0, cut - 1)));
    if (lineStart >= 0 && lineStart + 1 < conversation.size())
        return lineStart + 1;
    return cut;
}

QString MessageText::capConversation(const QString &conversation, int cap)
{
    const int cut = conversationCut(conversation, cap);
    if (cut == 0)
        return conversation;
    return olderTextRemovedLine() + QLatin1Char('\n') + conversation.mid(cut);
}

MessageQueue::MessageQueue(int capPerConnection)
    : m_cap(capPerConnection)
{
}

int MessageQueue::pendingFor(int connection) const
{
    int total = 0;
    for (const Arrival &a : m_items)
        if (a.connection == connection)
            total += int(a.text.size());
    return total;
}

int MessageQueue::pendingFrom(const QString &address) const
{
    int total = 0;
    for (const Arrival &a : m_items)
        if (a.address == address)
            total += int(a.text.size());
    return total;
}

int MessageQueue::enqueue(const Arrival &arrival)
{
    const int room = qMax(0, qMin(m_cap - pendingFor(arrival.connection), 4 * m_cap - pendingFrom(arrival.address)));
    const int size = int(arrival.text.size());
    const QString kept = size <= room ? arrival.text : arrival.text.left(room);
    const int dropped = size - int(kept.size());
    if (!kept.isEmpty()) {
        // Chunks of one connection's stream that follow each other are one
        // message to answer, not one question per network read.
        if (!m_items.isEmpty() && m_items.last().connection == arrival.connection) {
            m_items.last().text += kept;
            m_items.last().dropped += dropped;
        } else {
            Arrival part = arrival;
            part.text = kept;
            part.dropped = dropped;
            m_items.append(part);
        }
    } else if (dropped > 0) {
        // Nothing fitted, so the connection or its peer has text waiting:
        // its last message carries the count.
        auto last = [this](auto belongs) -> Arrival * {
            for (qsizetype i = m_items.size() - 1; i >= 0; --i)
                if (belongs(m_items.at(i)))
                    return &m_items[i];
            return nullptr;
        };
        Arrival *owner = last([&](const Arrival &a) { return a.connection == arrival.connection; });
        if (!owner)
            owner = last([&](const Arrival &a) { return a.address == arrival.address; });
        if (owner)
            owner->dropped += dropped;
    }
    return dropped;
}

MessageQueue::Arrival MessageQueue::takeFirst()
{
    return m_items.takeFirst();
}

QList<MessageQueue::Arrival> MessageQueue::takeAll()
{
    QList<Arrival> all;
    all.swap(m_items);
    return all;
}
