// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace {
const QString kPhone = QStringLiteral("PHONE-1");
} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mHome.isValid());
        qputenv("HOME", mHome.path().toLocal8Bit());
    }
    void planIsTakenOnceAndStaysAsTaken();
    void editsOfTheWindowAndOfTheRunBothReachTheFile();
    void wizardCopyIsDeep();

private:
    QTemporaryDir mHome;
};

void SettingsStoreTest::planIsTakenOnceAndStaysAsTaken()
{
    SettingsStore store;
    store.reload();
    QCOMPARE(store.change([](SyncSettings& s) {
        s.setConfig(kPhone, false, 2, {QStringLiteral("Mix")}, {QStringLiteral("Talk")}, QStringLiteral("Phone"));
        s.setNumberOfEpisodesToSync(kPhone, 3);
        s.setCopyTextMessages(kPhone, true);
        s.setSelectedBackupPath(kPhone, QStringLiteral("/backups/old"));
        s.addToSettingsList(kPhone, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/photos"));
    }),
             0);
    const SyncPlan plan = store.plan(kPhone);
    QVERIFY(plan.configured());
    QCOMPARE(plan.playlists, QStringList{QStringLiteral("Mix")});
    QCOMPARE(plan.podcastSetting, 2);
    QCOMPARE(plan.numberOfEpisodes, 3);
    QVERIFY(plan.copy.messages && !plan.copy.calendar);
    QCOMPARE(plan.backupPath, QStringLiteral("/backups/old"));
    QCOMPARE(plan.photoFolders, QStringList{QStringLiteral("/photos")});
    QVERIFY(!plan.cacheFileName.isEmpty());

    // What the run does is fixed when it starts.
    store.change([](SyncSettings& s) { s.setCopyTextMessages(kPhone, false); });
    QVERIFY(plan.copy.messages);
    QVERIFY(!store.plan(kPhone).copy.messages);
    QVERIFY(!store.plan(QStringLiteral("OTHER")).configured());
}

void SettingsStoreTest::editsOfTheWindowAndOfTheRunBothReachTheFile()
{
    SettingsStore store;
    store.reload();
    store.change([](SyncSettings& s) { s.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Phone")); });
    // The run's worker clears its choices while the window turns questions off.
    std::thread run([&store] {
        for (int i = 0; i < 50; ++i)
            store.change([i](SyncSettings& s) { s.setNumberOfEpisodesToSync(kPhone, i); });
    });
    for (int i = 0; i < 50; ++i) {
        store.change([](SyncSettings& s) { s.setSkipDrmWarning(kPhone); });
        QVERIFY(store.read([](const SyncSettings& s) { return s.hasAnyPhone(); }));
    }
    run.join();
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QVERIFY(saved.skipDrmWarning(kPhone));
    QCOMPARE(saved.numberOfEpisodesToSync(kPhone), 49);
}

void SettingsStoreTest::wizardCopyIsDeep()
{
    SettingsStore store;
    store.reload();
    store.change([](SyncSettings& s) { s.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Phone")); });
    SyncSettings edited;
    store.read([&edited](const SyncSettings& s) { edited.copyFrom(s); });
    edited.setConvertAacToMp3(kPhone, true);
    // A cancelled wizard leaves the store as it was.
    QVERIFY(!store.plan(kPhone).convertAacToMp3);
    QCOMPARE(store.replaceWith(edited), 0);
    edited.setConvertAacToMp3(kPhone, false);
    QVERIFY(store.plan(kPhone).convertAacToMp3);
    QCOMPARE(store.reload(), 0);
    QVERIFY(store.plan(kPhone).convertAacToMp3);
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_SettingsStore.moc"
