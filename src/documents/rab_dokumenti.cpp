#include "documents/rab_dokumenti.h"

#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QSqlQuery>

QList<DocumentKind> RabDokumenti::all()
{
    QList<DocumentKind> kinds;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie FROM Rab_Dokumenti ORDER BY ID")))
        kinds.append({r.value(0).toLongLong(), r.value(1).toString()});
    return kinds;
}

QStringList RabDokumenti::referenceTexts()
{
    QStringList texts;
    for (const DocumentKind &k : all())
        texts.append(QString::number(k.id) + QLatin1Char(':') + k.opisanie);
    return texts;
}

qint64 RabDokumenti::add(const QString &opisanie)
{
    WriteTransaction tx;
    const qint64 id = Db::insert(QStringLiteral("INSERT INTO Rab_Dokumenti (Opisanie) VALUES (?)"), {opisanie},
                                 QStringLiteral("ID"));
    tx.commit();
    return id;
}

void RabDokumenti::rename(qint64 id, const QString &opisanie)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("UPDATE Rab_Dokumenti SET Opisanie = ? WHERE ID = ?"), {opisanie, id});
    tx.commit();
}

bool RabDokumenti::remove(qint64 id, QString *usedBy)
{
    WriteTransaction tx;
    // Checked inside the transaction, so no other workstation can name the
    // kind between the check and the delete.
    const QString table =
        ColumnRegistry::referencedBy(QStringLiteral("Rab_Dokumenti"), QStringLiteral("ID"), id);
    if (!table.isEmpty()) {
        if (usedBy)
            *usedBy = table;
        return false;
    }
    Db::execute(QStringLiteral("DELETE FROM Rab_Dokumenti WHERE ID = ?"), {id});
    tx.commit();
    return true;
}
