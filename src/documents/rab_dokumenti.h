#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Kinds of purchase documents (invoice, delivery note, ...), as the users type
// them. Deliveries and warranty cards name a kind by its ID, which the table
// hands out itself and which never changes.
struct DocumentKind {
    qint64 id = 0;
    QString opisanie;
};

namespace RabDokumenti {
QList<DocumentKind> all();    // by ID; throws DbError
QStringList referenceTexts(); // "<ID>:<Opisanie>" for the kind lists of other windows
qint64 add(const QString &opisanie);                // the new ID; throws DbError
void rename(qint64 id, const QString &opisanie);    // throws DbError
// Deletes a kind unless a registered column names it; then *usedBy gets the
// table that does and nothing is deleted (false). Throws DbError.
bool remove(qint64 id, QString *usedBy = nullptr);
} // namespace RabDokumenti
