#include "offers/supplier_catalogue.h"

#include "app/data_module.h"
#include "app/tree_file_update.h"
#include "common/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

TreeFileFormat SupplierCatalogue::treeFileFormat()
{
    TreeFileFormat format;
    format.crlf = true;
    format.blanksIndent = true;
    return format;
}

QString SupplierCatalogue::treeFilePath(const QString &databaseFolder)
{
    return QDir(databaseFolder).filePath(QString::fromLatin1(TreeFileName));
}

QString SupplierCatalogue::treeFilePath()
{
    return treeFilePath(DataModule1 ? DataModule1->databaseFolder() : QString());
}

bool SupplierCatalogue::ensureTreeFile(const QString &path, QString *error)
{
    if (QFileInfo::exists(path))
        return true;
    return TextFile::writeAtomic(path, QByteArray(), error);
}

QList<TreeFileNode> SupplierCatalogue::loadTree(const QString &path, bool *ok)
{
    bool read = true;
    QList<TreeFileNode> nodes;
    if (QFileInfo::exists(path))
        nodes = TreeFile::read(path, &read, treeFileFormat());
    if (ok)
        *ok = read;
    return nodes;
}

namespace {
SupplierCatalogue::DeleteResult deleting(TreeFileUpdate::Change change, const QSqlDatabase &db)
{
    change.format = SupplierCatalogue::treeFileFormat();
    const TreeFileUpdate::Result done = TreeFileUpdate::apply(change, db);
    SupplierCatalogue::DeleteResult result;
    result.ok = done.ok();
    result.tree = done.tree;
    result.message = TreeFileUpdate::failureText(done, QStringLiteral("Нищо не беше изтрито"),
                                                 QStringLiteral("каталозите"));
    return result;
}
} // namespace

SupplierCatalogue::DeleteResult SupplierCatalogue::deleteSupplier(long long supplier, const QString &treePath,
                                                                  const QSqlDatabase &db)
{
    TreeFileUpdate::Change change;
    change.path = treePath;
    change.statements = [&]() -> QString {
        Db::execute(QStringLiteral("DELETE FROM Grupi_CL WHERE ID_F = ?"), {supplier}, db);
        Db::execute(QStringLiteral("DELETE FROM Art_CL WHERE ID_F = ?"), {supplier}, db);
        return {};
    };
    change.edit = [&](QList<TreeFileNode> &tree) -> QString {
        TreeFileUpdate::removeSubtree(tree, TreeFileUpdate::findChild(tree, -1, supplier));
        return {};
    };
    return deleting(change, db);
}

SupplierCatalogue::DeleteResult SupplierCatalogue::deleteGroup(long long supplier, long long group,
                                                               const QString &treePath, const QSqlDatabase &db)
{
    TreeFileUpdate::Change change;
    change.path = treePath;
    change.statements = [&]() -> QString {
        Db::execute(QStringLiteral("DELETE FROM Art_CL WHERE ID_F = ? AND ID_G = ?"), {supplier, group}, db);
        Db::execute(QStringLiteral("DELETE FROM Grupi_CL WHERE ID_F = ? AND ID = ?"), {supplier, group}, db);
        return {};
    };
    change.edit = [&](QList<TreeFileNode> &tree) -> QString {
        const int parent = TreeFileUpdate::findChild(tree, -1, supplier);
        if (parent >= 0)
            TreeFileUpdate::removeSubtree(tree, TreeFileUpdate::findChild(tree, parent, group));
        return {};
    };
    return deleting(change, db);
}

SupplierCatalogue::DeleteResult SupplierCatalogue::deleteAll(const QString &treePath, const QSqlDatabase &db)
{
    TreeFileUpdate::Change change;
    change.path = treePath;
    change.statements = [&]() -> QString {
        Db::execute(QStringLiteral("DELETE FROM Art_CL"), {}, db);
        Db::execute(QStringLiteral("DELETE FROM Grupi_CL"), {}, db);
        Db::execute(QStringLiteral("DELETE FROM Firm_CL"), {}, db);
        return {};
    };
    change.edit = [](QList<TreeFileNode> &tree) -> QString {
        tree.clear();
        return {};
    };
    return deleting(change, db);
}

QString SupplierCatalogue::supplierLink(long long supplier, const QSqlDatabase &db)
{
    return Db::scalar(QStringLiteral("SELECT Link FROM Firm_CL WHERE ID = ?"), {supplier}, db).toString().trimmed();
}

SupplierCatalogue::LinkTarget SupplierCatalogue::resolveLink(const QString &link)
{
    const QString text = link.trimmed();
    LinkTarget refused;
    if (text.isEmpty())
        return refused;

    auto localFile = [&](const QString &path) -> LinkTarget {
        const QFileInfo info(path);
        if (!info.isFile() || info.isExecutable()
            || info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
            return refused;
        return {LinkTarget::File, info.absoluteFilePath()};
    };

    if (text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1Char('~')))
        return localFile(text);
    if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return localFile(QUrl(text).toLocalFile());
    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.isValid() ? url.scheme().toLower() : QString();
    if (scheme == QLatin1String("mailto"))
        return url.path().isEmpty() ? refused : LinkTarget{LinkTarget::Url, url.toString()};
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp"))
        return url.host().isEmpty() ? refused : LinkTarget{LinkTarget::Url, url.toString()};
    if (text.contains(QLatin1String("://")))
        return refused; // another kind of address
    if (QFileInfo(text).isFile())
        return localFile(text);
    // No scheme of its own ("www.a.bg", "www.a.bg:8080/x"): a web address.
    url = QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty())
        return {LinkTarget::Url, url.toString()};
    return refused;
}
