#include "offers/catalogue_import.h"

#include "app/import_run.h"
#include "app/next_number.h"
#include "app/tree_file_update.h"
#include "app/tree_repair.h"
#include "common/reference_text.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/exception_log.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>
#include <memory>

namespace CatalogueImport {

bool priceValue(const QString &text, double *value)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:[0-9]+(?:[.,][0-9]*)?|[.,][0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    *value = 0;
    QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok); // QString::toDouble is locale-free
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

CatalogueLine IMPORT_CL(const TaggedLine &tagged)
{
    // The first value of each code 1-20; later repeats and other codes are ignored.
    QString field[21];
    bool has[21] = {};
    for (const TaggedField &f : tagged.fields) {
        bool ok = false;
        const int code = f.number.toInt(&ok);
        if (!ok || code < 1 || code > 20 || has[code])
            continue;
        has[code] = true;
        field[code] = f.value;
        field[code].replace(QLatin1Char('"'), QLatin1Char('\''));
    }
    CatalogueLine line;
    if (has[16]) {
        line.kind = CatalogueLine::Supplier;
        line.supplier = field[16];
        for (int i = 0; i < 3; ++i)
            line.supplierMore[i] = field[17 + i];
        line.opensGroup = has[11];
        line.group = field[11];
        return line;
    }
    if (has[11]) {
        line.kind = CatalogueLine::Group;
        line.group = field[11];
        return line;
    }
    bool article = false;
    for (int code = 1; code <= 10; ++code)
        article = article || has[code];
    if (!article)
        return line; // 12-15 or 17-20 alone change nothing
    line.kind = CatalogueLine::Article;
    line.name = field[1];
    line.hasPrice1 = !field[2].isEmpty();
    for (int i = 0; i < 3; ++i) {
        const QString &written = field[2 + i];
        if (!priceValue(written, &line.price[i]) && !written.trimmed().isEmpty())
            ++line.zeroedPrices;
    }
    line.currency = field[5];
    line.status = field[6];
    line.catalogueNumber = field[7];
    return line;
}

CatalogueLine IMPORT_CL(const QString &text)
{
    return IMPORT_CL(GET_IMPORTED_DATA(text));
}

namespace {
const char *const kNoSupplierName = "празно име на доставчик (поле 16)";
const char *const kNoGroupName = "празно име на група (поле 11)";
const char *const kGroupFirst = "група преди първия доставчик";
const char *const kArticleFirst = "артикул преди първата група на доставчика";
const char *const kArticleIncomplete = "липсва едно от полетата 1, 2 и 5";
const char *const kNothing = "няма доставчик, група или артикул";

QString text(const char *s)
{
    return QString::fromUtf8(s);
}

// A node that a chunk adds to the tree file: a supplier, or a group under one.
struct NewNode {
    long long supplier = 0;
    long long group = 0; // 0: the supplier's own node
    QString text;
};

class Handler : public ImportRun::Handler
{
public:
    Handler(Mode mode, long long supplier, const QString &treePath)
        : m_mode(mode)
        , m_treePath(treePath)
    {
        const QSqlDatabase db = Db::connection();
        using ImportRun::Statement;
        m_insertSupplier = std::make_unique<Statement>(
            db, QStringLiteral("INSERT INTO Firm_CL (ID, Opisanie, Link, Dop_1, Dop_2) VALUES (?, ?, ?, ?, ?)"));
        m_insertGroup =
            std::make_unique<Statement>(db, QStringLiteral("INSERT INTO Grupi_CL (ID, Opisanie, ID_F) VALUES (?, ?, ?)"));
        m_insertArticle = &batchInsert(db, QStringLiteral("Art_CL"),
                                       {QStringLiteral("ID"), QStringLiteral("Opisanie"), QStringLiteral("Cena_1"),
                                        QStringLiteral("Cena_2"), QStringLiteral("Cena_3"), QStringLiteral("Valuta"),
                                        QStringLiteral("Status"), QStringLiteral("ID_G"), QStringLiteral("ID_F"),
                                        QStringLiteral("Kat_N")});
        if (mode == Mode::Update)
            m_state.firm = -supplier; // staged under the negated number
        m_committed = m_state;
        // Nodes of rows a killed import never committed would take the numbers again.
        TreeRepair::repairFile(treePath, db);
    }

    QString process(const TaggedLine &tagged, ImportRun::Memo &) override
    {
        m_lineStart = m_state;
        const CatalogueLine line = IMPORT_CL(tagged);
        switch (line.kind) {
        case CatalogueLine::Nothing:
            return text(kNothing);
        case CatalogueLine::Supplier:
            if (line.supplier.isEmpty())
                return text(kNoSupplierName);
            supplierStep(line);
            if (line.opensGroup && !line.group.isEmpty())
                groupStep(line.group);
            return {};
        case CatalogueLine::Group:
            if (line.group.isEmpty())
                return text(kNoGroupName);
            if (m_state.firm == 0)
                return text(kGroupFirst);
            groupStep(line.group);
            return {};
        case CatalogueLine::Article:
            if (!line.articleComplete())
                return text(kArticleIncomplete);
            if (m_state.firm == 0 || m_state.group == 0)
                return text(kArticleFirst);
            articleStep(line);
            return {};
        }
        return {};
    }

    void recordFailed() override { m_state = m_lineStart; }

    QString beforeCommit() override
    {
        if (m_state.nodes.isEmpty())
            return {};
        return m_tree.write(
            m_treePath, SupplierCatalogue::treeFileFormat(),
            [this](QList<TreeFileNode> &tree) { addNodes(tree); }, QStringLiteral("Каталогът не беше записан"),
            QStringLiteral("каталозите"));
    }

    void chunkEnded(bool committed) override
    {
        if (committed) {
            m_tree.committed();
            m_state.nodes.clear();
            m_committed = m_state;
        } else {
            m_tree.restore();
            m_state = m_committed;
        }
        m_numbersRead = false;
    }

    QStringList summary() const override { return {}; }

    Counts counts() const { return m_committed.counts; }
    long long stagedGroups() const { return m_committed.counts.groups; }
    long long stagedArticles() const { return m_committed.counts.articles; }
    QString newName() const { return m_committed.newName; }
    QList<TreeFileNode> stagedNodes() const { return m_committed.staged; }

private:
    struct State {
        long long firm = 0;  // CurrentFirmID
        long long group = 0; // CurrentGroupID
        Counts counts;
        QString newName;             // an update: the supplier line's name
        QList<NewNode> nodes;        // an import: this chunk's new nodes
        QList<TreeFileNode> staged;  // an update: the staged groups' nodes
        QHash<long long, QString> names; // an import: this run's suppliers
    };

    // Numbers are read once a chunk (its write lock keeps them), then counted here.
    void readNumbers()
    {
        if (m_numbersRead)
            return;
        m_nextFirm = NextNumber::next(QStringLiteral("Firm_CL"), QStringLiteral("ID"));
        m_nextArticle = NextNumber::next(QStringLiteral("Art_CL"), QStringLiteral("ID"));
        m_nextGroup.clear();
        m_numbersRead = true;
    }

    void supplierStep(const CatalogueLine &line)
    {
        if (m_mode == Mode::Update) {
            m_state.newName = line.supplier;
        } else {
            readNumbers();
            const long long id = m_nextFirm;
            m_insertSupplier->execute(
                {id, line.supplier, line.supplierMore[0], line.supplierMore[1], line.supplierMore[2]});
            ++m_nextFirm;
            m_state.firm = id;
            ++m_state.counts.suppliers;
            m_state.names.insert(id, line.supplier);
            m_state.nodes.append({id, 0, ReferenceText::make(id, line.supplier)});
        }
        m_state.group = 0; // its articles wait for its first group
    }

    void groupStep(const QString &name)
    {
        readNumbers();
        auto it = m_nextGroup.find(m_state.firm);
        if (it == m_nextGroup.end())
            it = m_nextGroup.insert(m_state.firm, NextNumber::next(QStringLiteral("Grupi_CL"), QStringLiteral("ID"),
                                                                   QStringLiteral("ID_F"), m_state.firm));
        const long long id = it.value();
        m_insertGroup->execute({id, name, m_state.firm});
        ++it.value();
        m_state.group = id;
        ++m_state.counts.groups;
        const QString node = ReferenceText::make(id, name);
        if (m_mode == Mode::Update)
            m_state.staged.append({node, 1});
        else
            m_state.nodes.append({m_state.firm, id, node});
    }

    void articleStep(const CatalogueLine &line)
    {
        readNumbers();
        const long long id = m_nextArticle;
        m_insertArticle->add({id, line.name, line.price[0], line.price[1], line.price[2], line.currency,
                                  line.status, m_state.group, m_state.firm, line.catalogueNumber});
        ++m_nextArticle;
        ++m_state.counts.articles;
        m_state.counts.zeroedPrices += line.zeroedPrices;
    }

    void addNodes(QList<TreeFileNode> &tree) const
    {
        for (const NewNode &n : m_state.nodes) {
            int at = TreeFileUpdate::findChild(tree, -1, n.supplier);
            if (n.group == 0) {
                if (at < 0)
                    tree.append({n.text, 0});
                continue;
            }
            if (at < 0) {
                // Its node went from the file meanwhile; the rows are there, so is the node.
                tree.append({ReferenceText::make(n.supplier, m_state.names.value(n.supplier)), 0});
                at = tree.size() - 1;
            }
            const int line = TreeFileUpdate::findChild(tree, at, n.group);
            if (line >= 0) {
                tree[line].text = n.text; // by key: never a second node
                continue;
            }
            int end = at + 1;
            while (end < tree.size() && tree.at(end).depth > 0)
                ++end;
            tree.insert(end, {n.text, 1});
        }
    }

    Mode m_mode;
    QString m_treePath;
    std::unique_ptr<ImportRun::Statement> m_insertSupplier, m_insertGroup;
    Db::BatchInsert *m_insertArticle; // its rows read by nobody before the chunk commits
    State m_state, m_committed, m_lineStart;
    bool m_numbersRead = false;
    long long m_nextFirm = 0;
    long long m_nextArticle = 0;
    QHash<long long, long long> m_nextGroup;
    TreeFileUpdate::PendingWrite m_tree;
};

// One transaction: the supplier must still be there, and its staged rows
// exactly those of this run; then its old catalogue gives way to the staged one.
TreeFileUpdate::Result swap(long long supplier, const Handler &handler, const QString &treePath)
{
    const QString gone = QStringLiteral("Доставчикът %1 беше изтрит или променен от друго работно място по време "
                                        "на актуализацията.\nКаталогът му не беше заменен.")
                             .arg(supplier);
    TreeFileUpdate::Change change;
    change.path = treePath;
    change.format = SupplierCatalogue::treeFileFormat();
    change.statements = [&]() -> QString {
        if (!Db::scalar(QStringLiteral("SELECT 1 FROM Firm_CL WHERE ID = ?"), {supplier}).isValid())
            return gone;
        const long long groups =
            Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi_CL WHERE ID_F = ?"), {-supplier}).toLongLong();
        const long long articles =
            Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL WHERE ID_F = ?"), {-supplier}).toLongLong();
        if (groups != handler.stagedGroups() || articles != handler.stagedArticles())
            return gone;
        Db::execute(QStringLiteral("DELETE FROM Art_CL WHERE ID_F = ?"), {supplier});
        Db::execute(QStringLiteral("DELETE FROM Grupi_CL WHERE ID_F = ?"), {supplier});
        Db::execute(QStringLiteral("UPDATE Grupi_CL SET ID_F = ? WHERE ID_F = ?"), {supplier, -supplier});
        Db::execute(QStringLiteral("UPDATE Art_CL SET ID_F = ? WHERE ID_F = ?"), {supplier, -supplier});
        if (!handler.newName().isEmpty())
            Db::execute(QStringLiteral("UPDATE Firm_CL SET Opisanie = ? WHERE ID = ?"), {handler.newName(), supplier});
        return {};
    };
    change.edit = [&](QList<TreeFileNode> &tree) -> QString {
        const int at = TreeFileUpdate::findChild(tree, -1, supplier);
        if (at < 0)
            return gone;
        if (!handler.newName().isEmpty())
            tree[at].text = ReferenceText::make(supplier, handler.newName());
        int end = at + 1;
        while (end < tree.size() && tree.at(end).depth > 0)
            ++end;
        tree.remove(at + 1, end - at - 1);
        const QList<TreeFileNode> staged = handler.stagedNodes();
        for (int i = 0; i < staged.size(); ++i)
            tree.insert(at + 1 + i, staged.at(i));
        return {};
    };
    return TreeFileUpdate::apply(change);
}
} // namespace

void removeStaged(long long supplier)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM Art_CL WHERE ID_F = ?"), {-supplier});
    Db::execute(QStringLiteral("DELETE FROM Grupi_CL WHERE ID_F = ?"), {-supplier});
    tx.commit();
}

Result run(const QString &path, Mode mode, long long supplier, const QString &treePath, const Callbacks &callbacks,
           int chunkMs)
{
    const Db::BulkWait bulk; // a catalogue's swap moves every row of it
    Result result;
    std::unique_ptr<Handler> handler;
    try {
        if (mode == Mode::Update)
            removeStaged(supplier); // what a crashed update left behind
        handler = std::make_unique<Handler>(mode, supplier, treePath);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        result.message = QStringLiteral("Грешка в базата данни.\n") + e.message();
        return result;
    }
    const ImportRun::Outcome out =
        ImportRun::run(path, *handler, nullptr, Db::connection(), chunkMs, callbacks.between);
    result.counts = handler->counts();
    result.skipped = out.skipped;
    result.skippedBy = out.skippedBy;
    result.newName = handler->newName();
    if (out.completed) {
        result.ending = Ending::Completed;
    } else if (!out.failure.isEmpty() || !out.error.isEmpty()) {
        result.ending = Ending::Failed;
        result.message = out.error.isEmpty() ? out.failure : out.error;
    } else {
        result.ending = Ending::Stopped;
    }
    if (mode == Mode::Import)
        return result;

    if (result.ending == Ending::Completed && callbacks.stopRequested && callbacks.stopRequested())
        result.ending = Ending::Stopped;
    if (result.ending == Ending::Completed) {
        if (callbacks.swapping)
            callbacks.swapping(true);
        const TreeFileUpdate::Result swapped = swap(supplier, *handler, treePath);
        if (callbacks.swapping)
            callbacks.swapping(false);
        if (!swapped.ok()) {
            result.ending = swapped.outcome == TreeFileUpdate::Outcome::Refused ? Ending::Refused : Ending::Failed;
            result.message = TreeFileUpdate::failureText(swapped, QStringLiteral("Каталогът не беше заменен"),
                                                         QStringLiteral("каталозите"));
        }
    }
    if (result.ending != Ending::Completed) {
        try {
            removeStaged(supplier);
        } catch (const DbError &e) {
            // They stay invisible and go at the supplier's next update.
            ExceptionLog::write(e);
        }
    }
    Db::afterBulkWork(); // the swap moved every row of the catalogue
    return result;
}

QString message(const Result &result, Mode mode, const QString &supplierNode)
{
    QStringList lines;
    const bool update = mode == Mode::Update;
    switch (result.ending) {
    case Ending::Completed:
        lines << (update ? QStringLiteral("Каталогът на %1 е актуализиран.").arg(supplierNode)
                         : QStringLiteral("Импортът на каталога завърши."));
        break;
    case Ending::Stopped:
        lines << (update ? QStringLiteral("Актуализацията е прекъсната. Каталогът на доставчика остава непроменен.")
                         : QStringLiteral("Импортът на каталога е прекъснат. Записаното дотук остава."));
        break;
    case Ending::Failed:
        lines << (update ? QStringLiteral("Актуализацията беше спряна. Каталогът на доставчика остава непроменен.")
                         : QStringLiteral("Импортът на каталога беше спрян. Записаното преди това остава."));
        if (!result.message.isEmpty())
            lines << result.message;
        break;
    case Ending::Refused:
        return result.message;
    }
    if (update && result.ending != Ending::Completed)
        return lines.join(QLatin1Char('\n'));
    lines << QString();
    if (update)
        lines << QStringLiteral("Заредени: групи %1, артикули %2").arg(result.counts.groups).arg(result.counts.articles);
    else
        lines << QStringLiteral("Добавени: доставчици %1, групи %2, артикули %3")
                     .arg(result.counts.suppliers)
                     .arg(result.counts.groups)
                     .arg(result.counts.articles);
    if (result.counts.zeroedPrices > 0)
        lines << QStringLiteral("Цени, които не са числа, записани като 0: %1").arg(result.counts.zeroedPrices);
    if (result.skipped > 0)
        lines << QStringLiteral("Пропуснати редове: %1").arg(result.skipped) << ImportRun::skippedSummary(result.skippedBy);
    return lines.join(QLatin1Char('\n'));
}

} // namespace CatalogueImport
