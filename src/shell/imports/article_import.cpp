#include "shell/imports/article_import.h"

#include "app/next_number.h"
#include "app/tree_file_update.h"
#include "app/tree_repair.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_record.h"
#include "catalogue/article_search.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "common/tree_file.h"
#include "platform/db/database.h"


#include <iterator>

namespace {
// Columns an update may set, each with the field that carries it.
struct UpdateColumn {
    const char *column;
    int field;
};
const UpdateColumn kUpdateColumns[] = {
    {"Nomenkl_N", 2},   {"Nomer_Grupa", 7}, {"Opisanie", 3},     {"Valuta_D", 5},    {"Ed_Cena", 4},
    {"Valuta_P", 5},    {"Mqrka", 6},       {"Garancionen", 12}, {"Kasovo_Ime", 3},  {"Etiketno_Ime", 3},
    {"Dostav4ik", 10},  {"Min_Kol", 11},    {"Poredica", 13},
};

// A number or flag field: an empty value counts as missing.
bool carries(const TaggedLine &line, int field)
{
    return line.has(field) && !line.value(field).trimmed().isEmpty();
}

bool flagValue(const TaggedLine &line, int field, QString *out, QString *reason)
{
    if (!carries(line, field)) {
        *out = QStringLiteral("False");
        return true;
    }
    const QString v = line.value(field).trimmed();
    if (v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        *out = QStringLiteral("True");
    } else if (v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        *out = QStringLiteral("False");
    } else {
        *reason = QStringLiteral("полето %1 трябва да бъде True или False").arg(field);
        return false;
    }
    return true;
}
} // namespace

ArticleImport::ArticleImport(const QString &treePath, bool replace, const QSqlDatabase &db)
    : m_treePath(treePath)
    , m_replace(replace)
    , m_db(db)
{
    using ImportRun::Statement;
    m_existing = std::make_unique<ImportRun::KeyLookup>(db, QStringLiteral("SELECT ID FROM Produkti WHERE ID IN (%1)"));
    m_insert = &batchInsert(db, QStringLiteral("Produkti"),
                            QStringLiteral("ID Nomenkl_N Nomer_Grupa Opisanie Dostavna_Cena Valuta_D Ed_Cena Valuta_P "
                                           "Mqrka Garancionen Kasovo_Ime Etiketno_Ime Dostav4ik Min_Kol Poredica "
                                           "Dan_Grup")
                                .split(QLatin1Char(' ')));
    m_findGroup = std::make_unique<Statement>(
        db, QStringLiteral("SELECT MIN(ID) FROM Grupi WHERE UPPER(Opisanie) LIKE ? ESCAPE '\\'"));
    m_insertGroup = std::make_unique<Statement>(db, QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"));
    // Nodes of groups a killed import never committed would take the numbers again.
    TreeRepair::repairFile(treePath, db);
}

ArticleImport::~ArticleImport() = default;

QString ArticleImport::groupPattern(const QString &name)
{
    static const QString blurred = QStringLiteral("ЧЩЪЬЮЯчщъьюя");
    QString pattern;
    pattern.reserve(name.size() + 4);
    for (const QChar c : name) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            pattern += QLatin1Char('\\');
        pattern += blurred.contains(c) ? QChar(QLatin1Char('_')) : c;
    }
    return pattern.toUpper();
}

long long ArticleImport::lookupGroup(const QString &pattern, const Groups &record) const
{
    for (const Groups *g : {&record, &m_chunk, &m_run}) {
        const auto it = g->byPattern.constFind(pattern);
        if (it != g->byPattern.constEnd())
            return it.value();
    }
    return 0;
}

long long ArticleImport::findOrCreateGroup(const QString &name, Groups &record)
{
    const QString pattern = groupPattern(name);
    long long id = lookupGroup(pattern, record);
    if (id > 0)
        return id;
    const QVariant found = m_findGroup->value({pattern});
    if (found.isValid() && !found.isNull()) {
        id = found.toLongLong();
    } else {
        id = NextNumber::next(QStringLiteral("Grupi"), QStringLiteral("ID"));
        m_insertGroup->execute({id, name});
        record.newNodes << ReferenceText::make(id, name);
    }
    record.byPattern.insert(pattern, id);
    return id;
}

void ArticleImport::merge(Groups &into, const Groups &from)
{
    for (auto it = from.byPattern.constBegin(); it != from.byPattern.constEnd(); ++it)
        into.byPattern.insert(it.key(), it.value());
    if (from.defaultGroup > 0)
        into.defaultGroup = from.defaultGroup;
    into.newNodes << from.newNodes;
}

void ArticleImport::lookAhead(const QList<TaggedLine> &lines)
{
    m_found.clear();
    QSet<long long> asked;
    QList<QVariantList> ids;
    for (const TaggedLine &line : lines) {
        long long id = 0;
        // An article added earlier in the chunk is known without asking.
        if (Numbers::parseInteger(line.value(1), &id) && id > 0 && !m_inChunk.contains(id) && !asked.contains(id)) {
            asked.insert(id);
            ids.append(QVariantList{id});
        }
    }
    for (const QVariantList &row : m_existing->rows(ids))
        m_found.insert(row.at(0).toLongLong());
}

QString ArticleImport::process(const TaggedLine &line, ImportRun::Memo &memo)
{
    const QString numberText = line.value(1);
    long long id = 0;
    if (!Numbers::parseInteger(numberText, &id) || id <= 0)
        return QStringLiteral("номерът на артикула (поле 1) не е цяло число над 0");
    double price = 0;
    if (carries(line, 4) && !Numbers::parse(line.value(4), &price))
        return QStringLiteral("цената (поле 4) не е число");
    long long minimum = 1;
    if (carries(line, 11) && (!Numbers::parseInteger(line.value(11), &minimum) || minimum < 0))
        return QStringLiteral("минималното количество (поле 11) не е цяло число от 0 нагоре");
    QString warranty, series, reason;
    if (!flagValue(line, 12, &warranty, &reason) || !flagValue(line, 13, &series, &reason))
        return reason;

    const QString name = line.value(3);
    const QString label = QStringLiteral("- Артикул: ") + numberText + QLatin1Char('[') + name + QLatin1Char(']');
    const bool exists = m_found.contains(id) || m_inChunk.contains(id);
    if (exists && !m_replace) {
        memo.record(label + QStringLiteral(" - Избраният номер за артикул СЪЩЕСТВУВА"));
        ++m_counts.repeated;
        return {};
    }

    // Groups found or made by this record join the chunk's only when it is written.
    Groups record;
    long long group = 0;
    const QString groupName = ArticleGroups::cleanName(line.value(7));
    if (!groupName.isEmpty()) {
        group = findOrCreateGroup(groupName, record);
    } else if (!exists) {
        // The lines without a group share one default group for the run.
        group = m_chunk.defaultGroup > 0 ? m_chunk.defaultGroup : m_run.defaultGroup;
        if (group <= 0) {
            const long long next = NextNumber::next(QStringLiteral("Grupi"), QStringLiteral("ID"));
            group = findOrCreateGroup(QStringLiteral("Група %1").arg(next), record);
            record.defaultGroup = group;
        }
    }
    const QString currency = line.value(5);

    if (!exists) {
        const QString catalogueNumber = line.has(2) ? line.value(2) : QString::number(group) + QString::number(id);
        m_insert->add({id, catalogueNumber, group, name, 0.0, currency, price, currency, line.value(6), warranty, name,
                       name, line.value(10, QStringLiteral("0")), double(minimum), series,
                       ArticleRecord::DefaultTaxGroup});
        m_inChunk.insert(id);
        merge(m_chunk, record);
        memo.record(label + QStringLiteral(" - ДОБАВЕН"));
        ++m_counts.added;
        return {};
    }

    // Replace: only the columns whose fields the line carries; the delivery price stays.
    int mask = 0;
    QVariantList values;
    QString sql = QStringLiteral("UPDATE Produkti SET ");
    for (int i = 0; i < int(std::size(kUpdateColumns)); ++i) {
        const int field = kUpdateColumns[i].field;
        const bool textField = field == 2 || field == 3 || field == 5 || field == 6 || field == 10;
        const bool carried = field == 7 ? group > 0 : textField ? line.has(field) : carries(line, field);
        if (!carried)
            continue;
        mask |= 1 << i;
        if (!values.isEmpty())
            sql += QStringLiteral(", ");
        sql += QLatin1String(kUpdateColumns[i].column) + QStringLiteral(" = ?");
        switch (field) {
        case 7: values << group; break;
        case 4: values << price; break;
        case 11: values << double(minimum); break;
        case 12: values << warranty; break;
        case 13: values << series; break;
        default: values << line.value(field); break;
        }
    }
    if (mask != 0) {
        // The article may be one of the chunk's still waiting in the batch.
        if (m_inChunk.contains(id))
            m_insert->flush();
        std::shared_ptr<ImportRun::Statement> &update = m_updates[mask];
        if (!update)
            update = std::make_shared<ImportRun::Statement>(m_db, sql + QStringLiteral(" WHERE ID = ?"));
        values << id;
        update->execute(values);
    }
    merge(m_chunk, record);
    memo.record(label + QStringLiteral(" - Избраният артикул е АКТУАЛИЗИРАН"));
    ++m_counts.updated;
    ++m_counts.repeated;
    return {};
}

QString ArticleImport::beforeCommit()
{
    if (m_chunk.newNodes.isEmpty())
        return {};
    return m_tree.write(
        m_treePath, {},
        [this](QList<TreeFileNode> &nodes) {
            if (nodes.isEmpty())
                nodes.append({QString::fromUtf8(ArticleSearch::RootNodeText), 0});
            // By key: a node a crash left for the number stays the one node.
            for (const QString &node : std::as_const(m_chunk.newNodes)) {
                const int line = TreeFileUpdate::findKey(nodes, GetID_MFromTreeNodeName(node));
                if (line >= 0)
                    nodes[line].text = node;
                else
                    nodes.append({node, 0});
            }
        },
        QStringLiteral("Новите групи не бяха записани"), QStringLiteral("групите"));
}

void ArticleImport::chunkEnded(bool committed)
{
    m_found.clear();
    m_inChunk.clear();
    if (committed) {
        m_tree.committed();
        m_chunk.newNodes.clear();
        merge(m_run, m_chunk);
        m_committed = m_counts;
    } else {
        m_tree.restore(); // the file must not name groups the table does not hold
        m_counts = m_committed;
    }
    m_chunk = Groups();
}

QStringList ArticleImport::summary() const
{
    QStringList lines{QString(),
                      QStringLiteral("ОБЩ БРОЙ ОБРАБОТЕНИ АРТИКУЛИ:%1").arg(m_counts.added + m_counts.repeated),
                      QStringLiteral("Добавени: %1").arg(m_counts.added)};
    if (m_replace)
        lines << QStringLiteral("Актуализации: %1").arg(m_counts.updated);
    else
        lines << QStringLiteral("Повторени: %1").arg(m_counts.repeated);
    return lines;
}
