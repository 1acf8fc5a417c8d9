// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/MusicSync.h"
#include "sync/SyncSummary.h"

#include <QtTest>

class TestSyncSummary : public QObject
{
    Q_OBJECT

private slots:
    void nothingDoneSaysNothing();
    void blackBerryCountsAndMusic();
    void iphoneFailuresAreListed();
    void unreadableBackupHidesItsFiles();
};

void TestSyncSummary::nothingDoneSaysNothing()
{
    const SyncSummary summary(MusicSyncOutcome(), {});
    QVERIFY(summary.moved().isEmpty());
    QVERIFY(summary.failed().isEmpty());
    QVERIFY(summary.text().isEmpty());
}

void TestSyncSummary::blackBerryCountsAndMusic()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.kind = BackupConversionResult::Kind::BlackBerry;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, 12};
    outcome.dataTransfer.messages = {QStringLiteral("/x/messages.xml"), 0, 0};
    // Not asked for: not mentioned.
    outcome.dataTransfer.calendar = {QString(), 0, -1};
    outcome.photosSent = 3;
    outcome.tracksCopied = 40;
    const SyncSummary summary(outcome, {QStringLiteral("Song A")});
    QCOMPARE(summary.moved(), (QStringList{QStringLiteral("Contacts: 12"), QStringLiteral("Text messages: 0"),
                                           QStringLiteral("Photos: 3"), QStringLiteral("Tracks: 40")}));
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Track not copied: Song A")});
    QCOMPARE(summary.text(), QStringLiteral("Copied to the phone: Contacts: 12, Text messages: 0, Photos: 3, "
                                            "Tracks: 40.\nNot copied:\nTrack not copied: Song A"));
}

void TestSyncSummary::iphoneFailuresAreListed()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.kind = BackupConversionResult::Kind::Iphone;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, -1};
    outcome.dataTransfer.messages = {QStringLiteral("/x/messages.xml"), -7, -1};
    outcome.dataTransfer.calendar = {QStringLiteral("/x/calendar.xml"), 0, -1};
    const SyncSummary summary(outcome, {});
    QCOMPARE(summary.moved(), (QStringList{QStringLiteral("Contacts"), QStringLiteral("Calendar entries")}));
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Text messages could not be copied (error -7)")});
    QVERIFY(
        summary.text().startsWith(QStringLiteral("Copied to the phone: Contacts, Calendar entries.\nNot copied:\n")));
}

void TestSyncSummary::unreadableBackupHidesItsFiles()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.code = -13031;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, 5};
    outcome.tracksCopied = 1;
    const SyncSummary summary(outcome, {});
    QCOMPARE(summary.moved(), QStringList{QStringLiteral("Tracks: 1")});
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Nothing could be read from the backup (error -13031)")});
}

QTEST_GUILESS_MAIN(TestSyncSummary)
#include "tst_SyncSummary.moc"
