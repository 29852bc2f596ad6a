#pragma once
#include "common/tree_file.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QString>
#include <QStringList>

// Catalogue rows written straight into the tables, with the tree file that
// an import would have left.
struct CatalogueArticle {
    QString opisanie;
    double cena1 = 0;
    QString katN;
    double cena2 = 0;
    double cena3 = 0;
    QString valuta = QStringLiteral("BGN");
    QString status;
};

inline long long nextArticleId()
{
    return Db::scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Art_CL")).toLongLong();
}

inline void addSupplier(long long id, const QString &name, const QString &link = {})
{
    Db::execute(QStringLiteral("INSERT INTO Firm_CL (ID, Opisanie, Link, Dop_1, Dop_2) VALUES (?, ?, ?, '', '')"),
                {id, name, link});
}

inline void addGroup(long long supplier, long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Grupi_CL (ID, Opisanie, ID_F) VALUES (?, ?, ?)"), {id, name, supplier});
}

inline void addArticles(long long supplier, long long group, const QList<CatalogueArticle> &articles)
{
    WriteTransaction tx;
    long long id = nextArticleId();
    for (const CatalogueArticle &a : articles)
        Db::execute(QStringLiteral("INSERT INTO Art_CL (ID, Opisanie, Cena_1, Cena_2, Cena_3, Valuta, Status, ID_G, "
                                   "ID_F, Kat_N) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {id++, a.opisanie, a.cena1, a.cena2, a.cena3, a.valuta, a.status, group, supplier, a.katN});
    tx.commit();
}

// n articles of `kinds` names "<prefix><i>" (i from 0 to kinds - 1), all at `price`.
inline QList<CatalogueArticle> namesakes(const QString &prefix, int n, int kinds, double price)
{
    QList<CatalogueArticle> out;
    for (int i = 0; i < n; ++i)
        out.append({prefix + QString::number(i % kinds), price});
    return out;
}

// "n articles named <prefix> <i>", priced 1 + i % 50.
inline QList<CatalogueArticle> generated(const QString &prefix, int n, int first = 1)
{
    QList<CatalogueArticle> out;
    for (int i = first; i < first + n; ++i)
        out.append({prefix + QLatin1Char(' ') + QString::number(i), 1.0 + i % 50, QStringLiteral("K-%1").arg(i)});
    return out;
}

inline void writeTree(const QStringList &lines)
{
    QList<TreeFileNode> nodes;
    for (const QString &l : lines) {
        int depth = 0;
        while (depth < l.size() && l.at(depth) == QLatin1Char('\t'))
            ++depth;
        nodes.append({l.mid(depth), depth});
    }
    TreeFile::write(SupplierCatalogue::treeFilePath(), nodes, nullptr, SupplierCatalogue::treeFileFormat());
}

inline QStringList savedTree()
{
    QStringList out;
    for (const TreeFileNode &n : SupplierCatalogue::loadTree(SupplierCatalogue::treeFilePath()))
        out << QString(n.depth, QLatin1Char('\t')) + n.text;
    return out;
}

inline long long rowCount(const QString &table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
}
