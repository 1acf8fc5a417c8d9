// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Voicemail and voice memos of iPhone backups, through the extractor and the
// one conversion path, to audio files named and dated as the phone shows them.
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"
#include "transfer/BackupContents.h"
#include "transfer/BackupConversion.h"
#include "transfer/iphone/AppleDates.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 kAppleEpoch = AppleDates::kAppleEpochOffset;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 modified(const QString& path)
{
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

QString local(qint64 seconds, const QString& rest)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH.mm ")) + rest;
}

// Both kinds of files, as velmora-convert's "all" writes them.
BackupConversionResult convertAll(const IphoneBackupBuilder& builder, const QTemporaryDir& work,
                                  IphoneBackupBuilder::Manifest manifest)
{
    const QString backup = work.filePath(QStringLiteral("backup"));
    if (!builder.write(backup, manifest))
        return {}; // no files: every comparison fails
    // The backup holds nothing else to convert.
    BackupChoices choices;
    choices.addressBook = choices.messages = choices.calendar = choices.calls = choices.notes = false;
    choices.format = BackupChoices::Format::All;
    return BackupConversion::convert(backup, work.filePath(QStringLiteral("extracted")),
                                     work.filePath(QStringLiteral("out")), choices);
}

} // namespace

class TestIphoneVoiceMemos : public QObject
{
    Q_OBJECT

private slots:
    void voicemailByDateAndSender();
    void recordingsTitledAndDated_data();
    void recordingsTitledAndDated();
};

void TestIphoneVoiceMemos::voicemailByDateAndSender()
{
    QTemporaryDir work;
    const qint64 t = 1710061200;
    const QString insert = QStringLiteral("INSERT INTO voicemail (ROWID, date, sender, trashed_date) VALUES ");
    IphoneBackupBuilder builder;
    builder.addFile(
        QStringLiteral("HomeDomain"), QStringLiteral("Library/Voicemail/voicemail.db"),
        IphoneBackupDatabases::createBytes(
            work.filePath(QStringLiteral("voicemail.db")),
            {QStringLiteral("CREATE TABLE voicemail (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, remote_uid INTEGER,"
                            " date INTEGER, token TEXT, sender TEXT, callback_num TEXT, duration INTEGER,"
                            " expiration INTEGER, trashed_date INTEGER, flags INTEGER)"),
             insert + QStringLiteral("(1, %1, '+15550100200', 0), (2, %1, '+15550100200', 0)").arg(t),
             insert + QStringLiteral("(3, %1, NULL, 0), (6, 99999999999999, '+1', 0)").arg(t + 3600),
             insert + QStringLiteral("(4, %1, '+15550100300', %2)").arg(t).arg(t + 60), // in the trash
             insert + QStringLiteral("(5, %1, '+15550100400', 0)").arg(t)}));           // audio not backed up
    for (int id : {1, 2, 3, 4, 6})
        builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/Voicemail/%1.amr").arg(id),
                        "#!AMR\n" + QByteArray::number(id));
    const BackupConversionResult result = convertAll(builder, work, IphoneBackupBuilder::Manifest::Mbdb);
    QCOMPARE(result.firstFailure(), 0);
    const BackupContents contents = BackupContents::of(work.filePath(QStringLiteral("backup")));
    QVERIFY(contents.voicemail && !contents.recordings);
    const QStringList expected{local(t, QStringLiteral("+15550100200.amr")),
                               local(t, QStringLiteral("+15550100200 (2).amr")),
                               local(t + 3600, QStringLiteral("Unknown caller.amr")),
                               QStringLiteral("+1.amr")}; // a damaged date names nothing
    QCOMPARE(result.voicemail.files, expected);
    QCOMPARE(result.voicemail.leftOut, 1);
    QCOMPARE(result.voicemail.path, work.filePath(QStringLiteral("out/Voicemail")));
    for (int i = 0; i < 3; ++i) {
        const QString file = result.voicemail.path + QLatin1Char('/') + expected.at(i);
        QCOMPARE(readAll(file), "#!AMR\n" + QByteArray::number(i + 1));
        QCOMPARE(modified(file), i < 2 ? t : t + 3600);
    }
}

void TestIphoneVoiceMemos::recordingsTitledAndDated_data()
{
    const QString cloud = QStringLiteral(
        "CREATE TABLE ZCLOUDRECORDING (Z_PK INTEGER PRIMARY KEY, ZFOLDER INTEGER, ZDATE TIMESTAMP, ZDURATION FLOAT,"
        " ZEVICTIONDATE TIMESTAMP, ZCUSTOMLABEL VARCHAR, ZENCRYPTEDTITLE VARCHAR, ZPATH VARCHAR, ZUNIQUEID VARCHAR)");
    const QString cloudRow =
        QStringLiteral("INSERT INTO ZCLOUDRECORDING (ZPATH, ZENCRYPTEDTITLE, ZCUSTOMLABEL, ZDATE, ZEVICTIONDATE) ");
    const QString legacy = QStringLiteral("CREATE TABLE ZRECORDING (Z_PK INTEGER PRIMARY KEY, ZDATE TIMESTAMP,"
                                          " ZDURATION FLOAT, ZCUSTOMLABEL VARCHAR, ZPATH VARCHAR)");
    const QString legacyRow = QStringLiteral("INSERT INTO ZRECORDING (ZPATH, ZCUSTOMLABEL, ZDATE) ");
    const qint64 stamped =
        QDateTime::fromString(QStringLiteral("20180115 080000"), QStringLiteral("yyyyMMdd HHmmss")).toSecsSinceEpoch();
    QTest::addColumn<QString>("database");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qint64>>("times"); // 0: the copy's own time
    QTest::addColumn<int>("missing");
    QTest::newRow("CloudRecordings.db")
        << "CloudRecordings.db"
        << QStringList{cloud, cloudRow + "VALUES ('A.m4a', 'Lecture: week 1', 'old label', 537000000.75, NULL)",
                       cloudRow + "VALUES ('20180115 080000.m4a', NULL, 'Lecture: week 1', 537100000, NULL)",
                       cloudRow + "VALUES ('Deleted.m4a', 'Gone', NULL, 537200000, 537300000)",
                       cloudRow + "VALUES ('InICloud.m4a', 'Elsewhere', NULL, 537200000, NULL)"}
        << QStringList{"Lecture_ week 1.m4a", "Lecture_ week 1 (2).m4a", "orphan.m4a"}
        << QList<qint64>{537100000 + kAppleEpoch, 537000000 + kAppleEpoch, 0} << 1;
    QTest::newRow("Recordings.db")
        << "Recordings.db"
        << QStringList{legacy, legacyRow + "VALUES ('/var/mobile/Media/Recordings/A.m4a', 'Choir', 400000000)",
                       legacyRow + "VALUES ('/var/mobile/Media/Recordings/Deleted.m4a', NULL, NULL)"}
        << QStringList{"20180115 080000.m4a", "Choir.m4a", "Deleted.m4a", "orphan.m4a"}
        << QList<qint64>{stamped, 400000000 + kAppleEpoch, 0, 0} << 0;
    QTest::newRow("file names alone") << QString() << QStringList()
                                      << QStringList{"20180115 080000.m4a", "A.m4a", "Deleted.m4a", "orphan.m4a"}
                                      << QList<qint64>{stamped, 0, 0, 0} << 0;
}

void TestIphoneVoiceMemos::recordingsTitledAndDated()
{
    QFETCH(QString, database);
    QFETCH(QStringList, statements);
    QFETCH(QStringList, names);
    QFETCH(QList<qint64>, times);
    QFETCH(int, missing);
    QTemporaryDir work;
    IphoneBackupBuilder builder;
    if (!database.isEmpty())
        builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Media/Recordings/") + database,
                        IphoneBackupDatabases::createBytes(work.filePath(database), statements));
    // Listed by file name: the copies come out in that order.
    for (const char* file : {"20180115 080000.m4a", "A.m4a", "Deleted.m4a", "orphan.m4a"})
        builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Media/Recordings/") + QLatin1String(file),
                        QByteArray("m4a ") + file);
    builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Media/Recordings/Sub/deeper.m4a"), "not ours");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const BackupConversionResult result = convertAll(builder, work, IphoneBackupBuilder::Manifest::Database);
    QCOMPARE(result.firstFailure(), 0);
    QVERIFY(BackupContents::of(work.filePath(QStringLiteral("backup"))).recordings);
    QCOMPARE(result.recordings.files, names);
    QCOMPARE(result.recordings.leftOut, missing);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString file = work.filePath(QStringLiteral("out/Recordings/")) + names.at(i);
        QVERIFY(readAll(file).startsWith("m4a "));
        if (times.at(i) != 0)
            QCOMPARE(modified(file), times.at(i));
        else
            QVERIFY(modified(file) >= before - 1);
    }
}

QTEST_GUILESS_MAIN(TestIphoneVoiceMemos)
#include "tst_IphoneVoiceMemos.moc"
