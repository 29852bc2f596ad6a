#pragma once
#include "catalogue/article_groups.h"
#include "common/tree_file.h"
#include "platform/db/database.h"

#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

// Articles, groups and the tree file of a test database.
namespace CatalogueTest {
inline void addGroup(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"), {id, name});
}

struct ArticleRow {
    long long id;
    QString name;
    long long group;
    double price = 1;
    QString catalogueNumber = {};
    long long scaleCode = 0;
    QString shelfLife = {};
    QString receiptName = {};
    QString labelName = {};
};

inline void addArticle(const ArticleRow &a)
{
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, "
                               "Kasovo_Ime, Etiketno_Ime, Trajnost, Kod_Vezna, Snimka) "
                               "VALUES (?, ?, ?, ?, ?, 'лв.', 'бр.', ?, ?, ?, ?, ?)"),
                {a.id, a.catalogueNumber, a.group, a.name, a.price, a.receiptName, a.labelName, a.shelfLife,
                 a.scaleCode, QByteArray("picture")});
}

inline void addArticle(long long id, const QString &name, long long group, double price = 1)
{
    addArticle(ArticleRow{id, name, group, price});
}

inline void addBarcode(long long id, const QString &code)
{
    Db::execute(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, ?)"), {id, code});
}

inline void addCatalogueNumber(long long id, const QString &number, long long counterparty)
{
    Db::execute(QStringLiteral("INSERT INTO Nomenklatures (ID, Nomenkl_N, ID_Kontrag) VALUES (?, ?, ?)"),
                {id, number, counterparty});
}

inline long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

inline QStringList lines(const QList<TreeFileNode> &nodes)
{
    QStringList out;
    for (const TreeFileNode &n : nodes)
        out << QString(n.depth, QLatin1Char('\t')) + n.text;
    return out;
}

inline QStringList savedTree()
{
    return lines(TreeFile::read(ArticleGroups::treeFilePath()));
}

inline void writeTree(const QStringList &textLines)
{
    QList<TreeFileNode> nodes;
    for (const QString &l : textLines) {
        int depth = 0;
        while (depth < l.size() && l.at(depth) == QLatin1Char('\t'))
            ++depth;
        nodes.append({l.mid(depth), depth});
    }
    TreeFile::write(ArticleGroups::treeFilePath(), nodes);
}

inline QTreeWidgetItem *node(QTreeWidget *tree, const QString &text)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}
} // namespace CatalogueTest
