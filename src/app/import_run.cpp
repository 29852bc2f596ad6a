#include "app/import_run.h"

#include "app/statistics_memo.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QSqlError>
#include <QCloseEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {
// The indicator: modal, without a cancel button; Esc and the close button do nothing.
class ImportProgress : public QDialog
{
public:
    explicit ImportProgress(QWidget *owner)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("ImportProgress"));
        setWindowTitle(QStringLiteral("Импорт на данни"));
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Данните се импортират..."), this));
        m_bar = new QProgressBar(this);
        m_bar->setObjectName(QStringLiteral("Gauge_Import"));
        m_bar->setRange(0, 1000);
        m_bar->setMinimumWidth(360);
        layout->addWidget(m_bar);
    }
    void moveTo(qint64 done, qint64 total)
    {
        m_bar->setValue(total > 0 ? int(qMin<qint64>(1000, done * 1000 / total)) : 1000);
    }
    void reject() override {}

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }

private:
    QProgressBar *m_bar;
};
} // namespace

namespace ImportRun {

QString chooseFile(QWidget *parent)
{
    return Dialogs::openFile(QStringLiteral("Импорт на данни"),
                             QStringLiteral("Всички файлове (*);;Текстови файлове (*.txt)"), {}, parent);
}

void Memo::add(const QString &line)
{
    if (m_lines < MaxMemoLines) {
        m_pending.append(line);
        ++m_lines;
    } else {
        ++m_hidden;
    }
}

void Memo::record(const QString &text)
{
    add(QString::number(m_lines + 1) + text);
}

void Memo::note(const QString &text)
{
    add(text);
}

QStringList skippedSummary(const QList<SkipReason> &reasons)
{
    QStringList out;
    for (const SkipReason &r : reasons) {
        QStringList numbers;
        for (long long n : r.firstLines)
            numbers << QString::number(n);
        QString lines = (numbers.size() == 1 ? QStringLiteral("ред ") : QStringLiteral("редове "))
                        + numbers.join(QStringLiteral(", "));
        if (r.count > numbers.size())
            lines += QStringLiteral(" и още %1").arg(r.count - numbers.size());
        out << QStringLiteral("  %1: %2 (%3)").arg(r.reason).arg(r.count).arg(lines);
    }
    return out;
}

KeyLookup::KeyLookup(const QSqlDatabase &db, const QString &pattern)
    : m_db(db)
    , m_pattern(pattern)
{
}

KeyLookup::~KeyLookup() = default;

QString KeyLookup::sql(const QString &pattern, int keys)
{
    return QString(pattern).replace(QStringLiteral("%1"),
                                    QStringList(keys, QStringLiteral("?")).join(QStringLiteral(", ")));
}

QList<QVariantList> KeyLookup::rows(const QList<QVariantList> &keys)
{
    if (keys.isEmpty())
        return {};
    int size = 1;
    while (size < keys.size())
        size *= 2;
    std::unique_ptr<Db::Statement> &statement = m_statements[size];
    if (!statement)
        statement = std::make_unique<Db::Statement>(m_db, sql(m_pattern, size));
    QVariantList values;
    const qsizetype width = keys.first().size();
    values.reserve(size * width);
    for (qsizetype c = 0; c < width; ++c)
        for (qsizetype i = 0; i < size; ++i)
            values << keys.at(std::min<qsizetype>(i, keys.size() - 1)).at(c);
    return statement->valueRows(values);
}

Db::BatchInsert &Handler::batchInsert(const QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    m_batches.push_back(std::make_unique<Db::BatchInsert>(db, table, columns));
    return *m_batches.back();
}

struct Runner {
    Handler &handler;
    StatisticsMemo *widget;
    Memo memo;
    long long skipped = 0;
    long long savedSkipped = 0;
    QList<SkipReason> skippedBy, savedSkippedBy;

    void skip(long long line, const QString &reason)
    {
        memo.note(QStringLiteral("Ред %1 е пропуснат: %2").arg(line).arg(reason));
        ++skipped;
        auto it = std::find_if(skippedBy.begin(), skippedBy.end(),
                               [&reason](const SkipReason &r) { return r.reason == reason; });
        if (it == skippedBy.end())
            it = skippedBy.insert(skippedBy.end(), SkipReason{reason, 0, {}});
        ++it->count;
        if (it->firstLines.size() < SkipReason::NamedLines)
            it->firstLines << line;
    }
    void rowByRow(bool on)
    {
        for (const auto &b : handler.m_batches)
            b->setRowByRow(on);
    }
    void sendRows()
    {
        for (const auto &b : handler.m_batches)
            b->flush();
    }
    void keepChunk()
    {
        if (widget && !memo.m_pending.isEmpty())
            widget->appendPlainText(memo.m_pending.join(QLatin1Char('\n')));
        memo.m_pending.clear();
        memo.m_savedLines = memo.m_lines;
        memo.m_savedHidden = memo.m_hidden;
        savedSkipped = skipped;
        savedSkippedBy = skippedBy;
    }
    void dropChunk()
    {
        for (const auto &b : handler.m_batches)
            b->drop();
        memo.m_pending.clear();
        memo.m_lines = memo.m_savedLines;
        memo.m_hidden = memo.m_savedHidden;
        skipped = savedSkipped;
        skippedBy = savedSkippedBy;
    }
    // One group of lines: the handler looks them up at once, then each is
    // processed; record by record (`exact`) each in a savepoint of its own.
    // A record the database refuses sets `failure` and ends the group.
    void group(const QList<TaggedFileReader::Line> &lines, bool exact, const QSqlDatabase &db, QString *failure)
    {
        QList<TaggedLine> parsed;
        parsed.reserve(lines.size());
        QList<QString> skips; // a line's reason to be skipped before the handler sees it
        skips.reserve(lines.size());
        QList<TaggedLine> handed;
        for (const TaggedFileReader::Line &line : lines) {
            if (line.tooLong) {
                skips << QStringLiteral("редът е по-дълъг от 1 MiB");
                parsed << TaggedLine();
                continue;
            }
            parsed << GET_IMPORTED_DATA(line.text);
            skips << (parsed.last().bracketOpen ? QStringLiteral("незатворена скоба \"[\"") : QString());
            if (skips.last().isEmpty() && !parsed.last().isEmpty())
                handed << parsed.last();
        }
        if (!handed.isEmpty())
            handler.lookAhead(handed);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const long long number = lines.at(i).number;
            if (!skips.at(i).isEmpty()) {
                skip(number, skips.at(i));
                continue;
            }
            if (parsed.at(i).isEmpty())
                continue;
            if (!exact) {
                // A skipped line has written nothing: no savepoint is needed.
                const QString reason = handler.process(parsed.at(i), memo);
                if (!reason.isEmpty())
                    skip(number, reason);
                continue;
            }
            try {
                WriteTransaction record(db);
                const QString reason = handler.process(parsed.at(i), memo);
                if (reason.isEmpty()) {
                    record.commit();
                } else {
                    record.rollback();
                    skip(number, reason);
                }
            } catch (const DbError &e) {
                handler.recordFailed();
                if (e.lost())
                    throw;
                ExceptionLog::write(e);
                // One memo line: the engine's text follows the Bulgarian one.
                *failure = QStringLiteral("ГРЕШКА на ред %1: %2")
                               .arg(number)
                               .arg(e.message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
                return;
            }
        }
    }
    void write(const QStringList &lines)
    {
        if (widget)
            widget->appendPlainText(lines.join(QLatin1Char('\n')));
    }
};

Outcome run(const QString &path, Handler &handler, StatisticsMemo *memo, QWidget *owner, const QSqlDatabase &db,
            int chunkMs)
{
    std::unique_ptr<ImportProgress> progress;
    return run(path, handler, memo, db, chunkMs, [&](qint64 done, qint64 total) {
        if (!progress) {
            progress = std::make_unique<ImportProgress>(owner);
            progress->show();
        }
        progress->moveTo(done, total);
        QApplication::processEvents();
        return true;
    });
}

Outcome run(const QString &path, Handler &handler, StatisticsMemo *memo, const QSqlDatabase &db, int chunkMs,
            const Between &between)
{
    const Db::BulkWait bulk;
    Outcome out;
    Runner r{handler, memo, {}, 0, 0, {}, {}};
    TaggedFileReader reader(path);
    QString failure; // the memo's "ГРЕШКА" line
    bool more = true;
    long long writtenThrough = 0; // the last line of the chunks committed
    if (!reader.open(&out.error)) {
        failure = QStringLiteral("ГРЕШКА: ") + QString(out.error).replace(QLatin1Char('\n'), QLatin1Char(' '));
        more = false;
    } else if (between && !between(0, reader.size())) {
        out.stopped = true;
        more = false;
    }
    const int groupLines = std::max(1, handler.lookAheadLines());
    while (more && failure.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        QList<TaggedFileReader::Line> read; // the chunk's lines, to run again record by record
        bool exact = false;
        bool refused = false;
        try {
            for (;;) {
                WriteTransaction chunk(db);
                r.rowByRow(exact);
                bool batchFailed = false;
                try {
                    for (qsizetype from = 0; failure.isEmpty(); from += groupLines) {
                        QList<TaggedFileReader::Line> lines;
                        if (exact) {
                            lines = read.mid(from, groupLines);
                        } else if (more && (from == 0 || clock.elapsed() < chunkMs)) {
                            TaggedFileReader::Line line;
                            while (lines.size() < groupLines && (more = reader.next(&line)))
                                lines.append(line);
                            read << lines;
                        }
                        if (lines.isEmpty())
                            break;
                        r.group(lines, exact, db, &failure);
                    }
                    if (!exact)
                        r.sendRows();
                } catch (const DbError &e) {
                    // A connection gone took the chunk with it: no record is to blame.
                    if (exact || e.lost())
                        throw;
                    ExceptionLog::write(e);
                    batchFailed = true;
                }
                if (batchFailed) {
                    // Which line failed is not known: the chunk again, record by record.
                    chunk.rollback();
                    r.dropChunk();
                    handler.chunkEnded(false);
                    exact = true;
                    continue;
                }
                if (reader.failed() && failure.isEmpty())
                    failure = QStringLiteral("ГРЕШКА при четене на файла: ") + reader.errorText();
                const QString refusal = handler.beforeCommit();
                if (!refusal.isEmpty()) {
                    chunk.rollback();
                    r.dropChunk();
                    handler.chunkEnded(false);
                    out.error = refusal;
                    failure = QStringLiteral("ГРЕШКА: ") + refusal;
                    refused = true;
                    break;
                }
                chunk.commit();
                handler.chunkEnded(true);
                r.keepChunk();
                if (!read.isEmpty())
                    writtenThrough = read.last().number;
                break;
            }
        } catch (const DbError &e) {
            // The chunk could not begin or commit, or its connection is gone:
            // none of it was written.
            ExceptionLog::write(e);
            r.dropChunk();
            handler.chunkEnded(false);
            QString why = e.message().replace(QLatin1Char('\n'), QLatin1Char(' '));
            if (e.lost() || e.outcomeUnknown()) {
                // The server is not asked again: a stopped one still holds the chunk's lock.
                out.error = writtenThrough > 0
                                ? why + QStringLiteral(" Записани са редовете до ред %1.").arg(writtenThrough)
                                : why;
            } else {
                out.error = QStringLiteral("Данните не бяха записани: ") + why;
            }
            failure = QStringLiteral("ГРЕШКА: ") + out.error;
            break;
        }
        if (refused)
            break;
        // Only here, with no transaction open, may the indicator move and events run.
        if (between && !between(reader.bytesRead(), reader.size()) && more && failure.isEmpty()) {
            out.stopped = true;
            more = false;
        }
    }

    QStringList tail;
    if (!failure.isEmpty())
        tail << failure;
    if (r.memo.hidden() > 0)
        tail << QStringLiteral("Още %1 обработени реда не са показани.").arg(r.memo.hidden());
    tail << handler.summary();
    if (r.skipped > 0)
        tail << QStringLiteral("Пропуснати: %1").arg(r.skipped) << skippedSummary(r.skippedBy);
    tail << QString::fromUtf8(EscLine);
    r.write(tail);
    out.completed = failure.isEmpty() && !out.stopped;
    out.failure = failure;
    out.skipped = r.skipped;
    out.skippedBy = r.skippedBy;
    Db::afterBulkWork(db); // the planner's statistics of the tables the run wrote
    return out;
}

Outcome runCommand(QWidget *owner, const QString &path, Handler &handler)
{
    StatisticsMemo *memo = StatisticsMemo::instance(owner);
    memo->start();
    const Outcome out = run(path, handler, memo, owner, Db::connection());
    SHOW_STATISTIC(memo);
    if (!out.error.isEmpty())
        Dialogs::message(QStringLiteral("Импортът беше спрян.\n") + out.error, owner);
    return out;
}

} // namespace ImportRun
