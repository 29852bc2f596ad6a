// Rows written many at a time come back as a statement of one row writes
// them, on either engine and in batches of any size: texts that look like what a statement
// or an array spells (quotes, backslashes, braces, commas, NULL), empty texts
// and missing values, numbers to their last bit.
#include "platform/db/batch_insert.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDate>
#include <QTest>

#include <limits>

class BatchInsertTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesComeBackAsGiven_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        const auto text = [](const char *name, const QString &value) {
            QTest::newRow(name) << QStringLiteral("Opisanie") << QVariant(value);
        };
        text("double quote", QStringLiteral("Кафе \"Арабика\""));
        text("single quote", QStringLiteral("O'Neil's"));
        text("backslashes", QStringLiteral("C:\\Users\\\\x\\"));
        text("braces and commas", QStringLiteral("{1,2},{\"a\"}"));
        text("the word NULL", QStringLiteral("NULL"));
        text("empty", QStringLiteral(""));
        text("null text", QString());
        text("blanks around", QStringLiteral("  a  b  "));
        text("line breaks and a tab", QStringLiteral("a\r\nb\tc"));
        QTest::newRow("no text") << QStringLiteral("Opisanie") << QVariant(QMetaType(QMetaType::QString));
        for (const double d : {0.1, 1e-7, 123456789.125, -2.5, 1e300, 0.30000000000000004})
            QTest::newRow(qPrintable(QStringLiteral("price %1").arg(d, 0, 'g', 17)))
                << QStringLiteral("Cena_1") << QVariant(d);
        QTest::newRow("no price") << QStringLiteral("Cena_1") << QVariant(QMetaType(QMetaType::Double));
        QTest::newRow("number above 2^53") << QStringLiteral("ID_G") << QVariant(9007199254740993LL);
        QTest::newRow("a flag as text") << QStringLiteral("Opisanie") << QVariant(true);
        QTest::newRow("a number as text") << QStringLiteral("Opisanie") << QVariant(42);
        QTest::newRow("a fraction as text") << QStringLiteral("Opisanie") << QVariant(2.5);
        QTest::newRow("a date as text") << QStringLiteral("Opisanie") << QVariant(QDate(2026, 12, 7));
        QTest::newRow("a text as number") << QStringLiteral("ID_G") << QVariant(QStringLiteral("17"));
        QTest::newRow("largest number") << QStringLiteral("ID_G")
                                        << QVariant(std::numeric_limits<long long>::max());
    }
    void valuesComeBackAsGiven()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        TestProgram program;
        // What a statement of one row writes (row 0), and more rows than one batch carries, and a rest.
        constexpr int Rows = 1500;
        WriteTransaction tx;
        Db::execute(QStringLiteral("INSERT INTO Art_CL (ID, %1) VALUES (0, ?)").arg(column), {value});
        Db::BatchInsert insert(Db::connection(), QStringLiteral("Art_CL"), {QStringLiteral("ID"), column});
        for (int id = 1; id <= Rows; ++id)
            insert.add({id, value});
        insert.flush();
        tx.commit();
        const QList<QSqlRecord> rows =
            Db::rows(QStringLiteral("SELECT ID, %1 FROM Art_CL ORDER BY ID").arg(column));
        QCOMPARE(rows.size(), Rows + 1);
        const QVariant one = rows.at(0).value(1);
        // A null text is no value, as Qt binds it.
        const bool none = value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isNull());
        QCOMPARE(one.isNull(), none);
        if (!none && value.typeId() == QMetaType::Double)
            QCOMPARE(one.toDouble(), value.toDouble());
        else if (!none && value.typeId() == QMetaType::LongLong)
            QCOMPARE(one.toLongLong(), value.toLongLong());
        else if (!none && value.typeId() == QMetaType::QString)
            QCOMPARE(one.toString(), value.toString());
        for (int i = 1; i <= Rows; ++i) {
            const QVariant read = rows.at(i).value(1);
            QCOMPARE(rows.at(i).value(0).toLongLong(), qint64(i));
            QCOMPARE(read.isNull(), one.isNull());
            if (value.typeId() == QMetaType::Double)
                QCOMPARE(read.toDouble(), one.toDouble());
            else
                QCOMPARE(read.toString(), one.toString());
        }
    }
};
VTEST(BatchInsertTest)

#include "test_batch_insert.moc"
