// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ResultCodes.h"
#include "sync/MusicSync.h"
#include "sync/RunReportFile.h"
#include "sync/SyncReport.h"

#include <QDir>
#include <QTemporaryDir>

#include <QtTest>

class TestSyncReport : public QObject
{
    Q_OBJECT

private slots:
    void nothingDoneSaysNothing();
    void blackBerryCountsAndMusic();
    void iphoneFailuresAreListed();
    void phoneWithoutCompanionAppCountsStandardFiles();
    void unreadableBackupHidesItsFiles();
    void missingPhotosCountedThenNamed();
    void runReportsKeepTheNewestTwenty();
    void removedTracksCountedAndThoseLeftListed();
};

void TestSyncReport::nothingDoneSaysNothing()
{
    const SyncReport summary(MusicSyncOutcome(), {});
    QVERIFY(summary.moved().isEmpty());
    QVERIFY(summary.failed().isEmpty());
    QVERIFY(summary.summaryText().isEmpty());
    QVERIFY(summary.warningHtml().isEmpty());
}

void TestSyncReport::blackBerryCountsAndMusic()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.kind = BackupConversionResult::Kind::BlackBerry;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, 12};
    outcome.dataTransfer.messages = {QStringLiteral("/x/messages.xml"), 0, 0};
    // Not asked for: not mentioned.
    outcome.dataTransfer.calendar = {QString(), 0, -1};
    outcome.photosSent = 3;
    outcome.tracksCopied = 40;
    const SyncReport summary(outcome, {QStringLiteral("Song A")});
    QCOMPARE(summary.moved(), (QStringList{QStringLiteral("Contacts: 12"), QStringLiteral("Text messages: 0"),
                                           QStringLiteral("Photos: 3"), QStringLiteral("Tracks: 40")}));
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Track not copied: Song A")});
    QCOMPARE(summary.summaryText(), QStringLiteral("Copied to the phone: Contacts: 12, Text messages: 0, Photos: 3, "
                                                   "Tracks: 40.\nNot copied:\nTrack not copied: Song A"));
}

void TestSyncReport::iphoneFailuresAreListed()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.kind = BackupConversionResult::Kind::Iphone;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, -1};
    outcome.dataTransfer.messages = {QStringLiteral("/x/messages.xml"), -7, -1};
    outcome.dataTransfer.calendar = {QStringLiteral("/x/calendar.xml"), 0, -1};
    const SyncReport summary(outcome, {});
    QCOMPARE(summary.moved(), (QStringList{QStringLiteral("Contacts"), QStringLiteral("Calendar entries")}));
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Text messages could not be copied (error -7)")});
    QVERIFY(summary.summaryText().startsWith(
        QStringLiteral("Copied to the phone: Contacts, Calendar entries.\nNot copied:\n")));
}

void TestSyncReport::phoneWithoutCompanionAppCountsStandardFiles()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.contactsVcard = {QStringLiteral("/x/contacts.vcf"), 0, 7};
    outcome.dataTransfer.smsBackup = {QStringLiteral("/x/sms-1.xml"), int(PhoneResult::CopyFailed), 3};
    const SyncReport summary(outcome);
    QCOMPARE(summary.moved(), QStringList{QStringLiteral("Contacts: 7")});
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Text messages could not be copied (")
                                           + SyncReport::reason(PhoneResult::CopyFailed) + QLatin1Char(')')});
}

void TestSyncReport::unreadableBackupHidesItsFiles()
{
    MusicSyncOutcome outcome;
    outcome.dataTransfer.code = -13031;
    outcome.dataTransfer.addressBook = {QStringLiteral("/x/address.xml"), 0, 5};
    outcome.tracksCopied = 1;
    const SyncReport summary(outcome, {});
    QCOMPARE(summary.moved(), QStringList{QStringLiteral("Tracks: 1")});
    QCOMPARE(summary.failed(), QStringList{QStringLiteral("Nothing could be read from the backup (error -13031)")});
}

// The summary counts them; the warning box names each with its reason, up to its limit.
void TestSyncReport::missingPhotosCountedThenNamed()
{
    MusicSyncOutcome outcome;
    outcome.photosSent = 1;
    for (int i = 0; i <= SyncReport::kMaxListedFiles; ++i)
        outcome.notCopiedPhotos.append({QStringLiteral("/in/<IMG_%1>.jpg").arg(i), PhoneResult::CopyFailed});
    outcome.dataTransfer.messages = {QStringLiteral("/x/messages.xml"), 0, 4};
    outcome.dataTransfer.smsBackup = {QStringLiteral("/x/sms.xml"), PhoneResult::Disconnected, 4};
    const SyncReport report(outcome);
    const QString count = QStringLiteral("Photos and videos not copied: %1").arg(SyncReport::kMaxListedFiles + 1);
    QCOMPARE(report.failed(),
             (QStringList{QStringLiteral("Text messages for the phone's apps could not be copied (the phone was "
                                         "disconnected)"),
                          count}));
    QVERIFY(!report.summaryText().contains(QStringLiteral("IMG_0")));
    const QString html = report.warningHtml();
    QVERIFY2(html.contains(count + QStringLiteral("<br>in/&lt;IMG_0&gt;.jpg: ")
                           + SyncReport::reason(PhoneResult::CopyFailed)),
             qPrintable(html));
    QVERIFY(!html.contains(QStringLiteral("IMG_%1").arg(SyncReport::kMaxListedFiles)));
    QVERIFY(html.contains(QStringLiteral("and 1 more")));
}

void TestSyncReport::runReportsKeepTheNewestTwenty()
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("KORVA/reports"));
    MusicSyncOutcome outcome;
    outcome.tracksCopied = 2;
    outcome.notCopiedPhotos.append({QStringLiteral("/x/100APPLE/IMG_0001.JPG"), PhoneResult::NoSpace});
    const SyncReport report(outcome, {QStringLiteral("Song <A>")});
    const QDateTime first(QDate(2026, 12, 1), QTime(9, 0, 0));

    const QString path = RunReportFile::write(folder, report, QStringLiteral("Pixel & Co"), first);
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("2026-12-01_09-00-00.html"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    // The same words as the end box, escaped where they came from the user's files.
    for (const QString& expected : {QStringLiteral("Pixel &amp; Co"), QStringLiteral("Tracks: 2"),
                                    QStringLiteral("Track not copied: Song &lt;A&gt;"), report.warningHtml()})
        QVERIFY2(page.contains(expected), qPrintable(expected));
    // Two runs in the same second keep both.
    QVERIFY(RunReportFile::write(folder, report, QString(), first) != path);

    for (int i = 1; i <= RunReportFile::kReportsKept; ++i)
        QVERIFY(!RunReportFile::write(folder, report, QString(), first.addDays(i)).isEmpty());
    const QStringList kept = QDir(folder).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), RunReportFile::kReportsKept);
    QCOMPARE(kept.first(), QStringLiteral("2026-12-02_09-00-00.html"));

    // A folder that cannot be made gives no path, not a crash.
    const QString aFile = QDir(folder).filePath(kept.last());
    QVERIFY(RunReportFile::write(aFile + QStringLiteral("/below-a-file"), report, QString(), first).isEmpty());
}

void TestSyncReport::removedTracksCountedAndThoseLeftListed()
{
    MusicSyncOutcome outcome;
    outcome.tracksRemoved = 1;
    QCOMPARE(SyncReport(outcome).summaryText(), QStringLiteral("Removed from the phone: 1 track"));
    outcome.tracksRemoved = 3;
    outcome.tracksNotRemoved = QStringList{QStringLiteral("Song <B>")};
    QVERIFY(outcome.hasErrors());
    const SyncReport summary(outcome);
    QCOMPARE(summary.summaryText(),
             QStringLiteral("Removed from the phone: 3 tracks\nNot removed from the phone:\nSong <B>"));
    QVERIFY(summary.warningHtml().contains(QLatin1String("could not be removed.<br>Song &lt;B&gt;")));
    outcome.tracksKeptForUnreadLibrary = 2;
    QVERIFY(SyncReport(outcome).summaryText().contains(QLatin1String("Tracks left on the phone: 2 (")));
}

QTEST_GUILESS_MAIN(TestSyncReport)
#include "tst_SyncReport.moc"
