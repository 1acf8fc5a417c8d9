// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupDatabases.h"
#include "transfer/iphone/SqliteConnection.h"
#include "transfer/iphone/SqliteRows.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestSqliteRows : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatQtReads_data();
    void readsWhatQtReads();
    void columnsAndFailures();
};

void TestSqliteRows::readsWhatQtReads_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::newRow("UTF-8") << QStringLiteral("UTF-8");
    QTest::newRow("UTF-16") << QStringLiteral("UTF-16le");
}

// Every kind of value a damaged or odd address book may hold, in columns of
// every affinity: the readers must see exactly what the Qt driver gave them.
void TestSqliteRows::readsWhatQtReads()
{
    QFETCH(QString, encoding);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("values.db"));
    QVERIFY(IphoneBackupDatabases::create(
        path,
        {QStringLiteral("PRAGMA encoding='%1'").arg(encoding), QStringLiteral("CREATE TABLE t (a TEXT, b INTEGER, c)"),
         QStringLiteral("INSERT INTO t VALUES ('plain', 7, 1.5), ('Zoë 😀', -3, 2.5), (NULL, NULL, NULL),"
                        " ('', '12abc', ' 12 '), (CAST(x'41C3' AS TEXT), 3.4e8, x'80FF'),"
                        " (CAST(x'80' AS TEXT), -2000000000.5, 1e300), (x'3132', 9007199254740993, 'x'),"
                        " ('a' || char(0) || 'b', 1.0e1, -0.0)")}));
    SqliteConnection connection(path);
    QVERIFY(connection.open());
    QSqlQuery qt(connection.database());
    QVERIFY(qt.exec(QStringLiteral("SELECT a, b, c FROM t ORDER BY rowid")));
    SqliteRows rows(connection, QStringLiteral("SELECT a, b, c FROM t ORDER BY rowid"));
    QVERIFY(rows.exec());
    int count = 0;
    while (qt.next()) {
        QVERIFY(rows.next());
        for (int column = 0; column < 3; ++column) {
            const QVariant expected = qt.value(column);
            const std::optional<QString> text = rows.text(column);
            QCOMPARE(text.has_value(), !expected.isNull());
            QCOMPARE(text.value_or(QString()), expected.toString());
            QCOMPARE(rows.integer(column), expected.toLongLong());
        }
        ++count;
    }
    QVERIFY(!rows.next());
    QCOMPARE(count, 8);
    QVERIFY(!rows.endedWithError(count));
}

void TestSqliteRows::columnsAndFailures()
{
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("columns.db"));
    QVERIFY(IphoneBackupDatabases::create(path, {QStringLiteral("CREATE TABLE t (ROWID INTEGER PRIMARY KEY, First)"),
                                                 QStringLiteral("INSERT INTO t VALUES (4, 'x')")}));
    SqliteConnection connection(path);
    {
        // Not open yet: nothing to prepare on.
        SqliteRows rows(connection, QStringLiteral("SELECT * FROM t"));
        QVERIFY(!rows.isPrepared());
        QVERIFY(!rows.exec());
    }
    QVERIFY(connection.open());
    SqliteRows rows(connection, QStringLiteral("SELECT * FROM t"));
    QCOMPARE(rows.columnIndex("rowid"), 0);
    QCOMPARE(rows.columnIndex("FIRST"), 1);
    QCOMPARE(rows.columnIndex("last"), -1);
    // Before exec() and for a missing column there is no value.
    QVERIFY(!rows.text(1));
    QVERIFY(rows.exec());
    QVERIFY(rows.next());
    QCOMPARE(rows.integer(0), 4);
    QVERIFY(!rows.text(-1));
    QCOMPARE(rows.integer(-1), 0);
    QVERIFY(!rows.next());

    SqliteRows missing(connection, QStringLiteral("SELECT * FROM absent"));
    QVERIFY(!missing.isPrepared());
    QVERIFY(missing.errorText().contains(QLatin1String("absent")));
}

QTEST_GUILESS_MAIN(TestSqliteRows)
#include "tst_SqliteRows.moc"
