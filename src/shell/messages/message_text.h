#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The text of workstation messages: the wire form every station speaks, how
// arrived text is shown, and the limits that keep a peer from filling memory.
namespace MessageText {
// Text from one connection waiting for the operator's answer.
inline constexpr int kMaxPendingPerConnection = 16 * 1024;
// The conversation memo keeps at most this many characters (the newest).
inline constexpr int kMaxConversation = 64 * 1024;
// The question box shows at most this much of a message; Yes shows it whole.
inline constexpr int kMaxQuestionExcerpt = 2000;
// A longer line is shown in pieces of this size: a box lays a line without
// blanks out in time that grows with the square of its length.
inline constexpr int kDisplayPiece = 1000;
// Questions one peer may raise within a minute, and all peers together;
// further messages go to the panel unasked.
inline constexpr int kMaxQuestionsPerMinute = 3;
inline constexpr int kMaxQuestionsPerMinuteInAll = 6;

// "<operator>:" CR LF, then each typed line followed by CR LF.
QString compose(const QString &operatorName, const QString &typed);
// Code page 1251 on the wire.
QByteArray encode(const QString &message);
QString decode(const QByteArray &bytes);
// Whether the bytes carry text: any byte but NUL and the control bytes
// (line ends alone are no text).
bool hasText(const QByteArray &bytes);

// Line ends of any kind become '\n' and a final line end is dropped, so the
// text can be appended to a memo as its own lines; a line longer than
// kDisplayPiece is broken into pieces of that size.
QString forDisplay(const QString &text);
// The Yes/No question for a message that arrived while the panel was closed.
QString question(const QString &text);
// The conversation cut to its newest `cap` characters, whole lines, with a
// first line saying that older text was removed.
QString capConversation(const QString &conversation, int cap = kMaxConversation);
// How many leading characters capConversation() replaces by that line.
int conversationCut(const QString &conversation, int cap = kMaxConversation);
QString olderTextRemovedLine();
// The one line that tells how much of a message was dropped.
QString droppedLine(int dropped, const QString &address);
// The exception log's notes on messages shown without a question: those of
// one peer, and those of all peers.
QString questionsOverLimitNote(const QString &address);
QString allQuestionsOverLimitNote();
} // namespace MessageText

// At most kMaxQuestionsPerMinute questions from one peer address, and
// kMaxQuestionsPerMinuteInAll from all peers, within a window; the messages
// beyond are shown without a question, the first of each run noted.
class QuestionLimit
{
public:
    enum class Verdict { Ask, Show, ShowAndNotePeer, ShowAndNoteAll };
    Verdict admit(const QString &peer, qint64 nowMs, qint64 windowMs);

private:
    struct Peer {
        QList<qint64> asked; // times of the questions within the window
        bool noted = false;
    };
    QHash<QString, Peer> m_peers;
    bool m_allNoted = false;
};

// Messages that arrived while the panel was closed and wait for the operator's
// Yes/No, oldest first. Each connection may hold a bounded amount of text, and
// all connections of one peer address four times that (a stranger that
// connects again and again cannot grow the queue).
class MessageQueue
{
public:
    struct Arrival {
        int connection = 0;
        QString address;
        QString text;
        int dropped = 0; // characters of this message that did not fit
    };

    explicit MessageQueue(int capPerConnection = MessageText::kMaxPendingPerConnection);

    // Queues what fits under the connection's and the peer's caps; returns how many
    // characters were dropped (0 when all fitted). What is dropped is counted
    // on the connection's last waiting message, so a burst gets one note.
    int enqueue(const Arrival &arrival);
    const Arrival &first() const { return m_items.first(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    int size() const { return int(m_items.size()); }
    int pendingFor(int connection) const;
    int pendingFrom(const QString &address) const;
    Arrival takeFirst();
    QList<Arrival> takeAll();

private:
    int m_cap;
    QList<Arrival> m_items;
};
