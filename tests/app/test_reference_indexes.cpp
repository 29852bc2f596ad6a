// A record that other rows name is not deleted: the check looks at every
// registered column, and each look-up for an article or a counterparty
// goes by an index, so a delete costs the same however long the history of
// sales, documents, deliveries and counts grows.
#include "harness/query_plans.h"
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/schema_columns.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QTest>

class ReferenceIndexes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerSchemaColumns(); }

    void everyCheckOfAnArticleOrCounterpartyUsesAnIndex()
    {
        TestProgram program;
        // The check sees a scan where there is one.
        const QStringList scanned =
            planOf(QStringLiteral("SELECT 1 FROM Invalidate_Sales WHERE Osnovanie = ? LIMIT 1"), {QStringLiteral("x")});
        QVERIFY2(!wholeReads(scanned).isEmpty(), qPrintable(scanned.join('|')));
        QStringList unindexed;
        int checks = 0;
        for (const char *target : {"Produkti", "Firmi"}) {
            for (const ColumnRegistry::Check &c :
                 ColumnRegistry::referenceChecks(QString::fromLatin1(target), QStringLiteral("ID"), 7)) {
                ++checks;
                for (const QString &row : wholeReads(planOf(c.sql, c.params)))
                    unindexed << row + QStringLiteral("  <=  ") + c.sql;
            }
        }
        QVERIFY(checks > 30);
        QVERIFY2(unindexed.isEmpty(), qPrintable(unindexed.join(QLatin1Char('\n'))));
    }

    // An article's own codes: read by the editor and the desk, deleted with it.
    void anArticlesCodesAreFoundByIndex()
    {
        TestProgram program;
        QStringList unindexed;
        for (const char *sql : {"SELECT Barkode FROM Barkodes WHERE ID = ? ORDER BY rowid",
                                "DELETE FROM Barkodes WHERE ID = ?",
                                "SELECT Nomenkl_N FROM Nomenklatures WHERE ID = ? AND ID_Kontrag = ?",
                                "DELETE FROM Nomenklatures WHERE ID = ?"}) {
            const QString statement = QString::fromLatin1(sql);
            const QVariantList params(statement.count(QLatin1Char('?')), 7);
            for (const QString &row : wholeReads(planOf(statement, params)))
                unindexed << row + QStringLiteral("  <=  ") + statement;
        }
        QVERIFY2(unindexed.isEmpty(), qPrintable(unindexed.join(QLatin1Char('\n'))));
    }
};

VTEST(ReferenceIndexes)
#include "test_reference_indexes.moc"
