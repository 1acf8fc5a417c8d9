// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/FileSizeLimit.h"

#include <unistd.h>

namespace {

const QString kPhone = QStringLiteral("PHONE-1");

void writeSettingsFile(const QByteArray& content)
{
    QDir().mkpath(QDir::homePath() + QStringLiteral("/KORVA"));
    QFile file(SyncSettings::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readSettingsFile()
{
    QFile file(SyncSettings::filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString cacheName(int number)
{
    return QDir::homePath() + QStringLiteral("/KORVA/mcache") + QString::number(number);
}

} // namespace

class SyncSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mHome = std::make_unique<QTemporaryDir>();
        qputenv("HOME", mHome->path().toUtf8());
    }

    void freshInstallCreatesFolderThenFile()
    {
        SyncSettings settings;
        QCOMPARE(settings.load(), SyncSettings::kErrorCannotOpenFile);
        QVERIFY(QDir(mHome->path() + QStringLiteral("/KORVA")).exists());
        QVERIFY(!QFile::exists(SyncSettings::filePath()));

        // Nothing is configured: defaults, ignored setters, -6000.
        QCOMPARE(settings.forceArtworkSync(kPhone), true);
        settings.setCopyPhotos(kPhone, true);
        QCOMPARE(settings.copyPhotos(kPhone), false);
        QString cache;
        QCOMPARE(settings.getCacheFilename(kPhone, cache), SyncSettings::kErrorNotConfigured);
        bool whole = false;
        int podcasts = -1;
        QStringList playlists, podcastNames;
        QCOMPARE(settings.getConfig(kPhone, whole, podcasts, playlists, podcastNames),
                 SyncSettings::kErrorNotConfigured);
        QCOMPARE(podcasts, -1);

        QCOMPARE(settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel")), 0);
        SyncSettings reloaded;
        QCOMPARE(reloaded.load(), 0);
        QCOMPARE(reloaded.document().documentElement().tagName(), QStringLiteral("settings"));
        QCOMPARE(reloaded.getCacheFilename(kPhone, cache), 0);
        QCOMPARE(cache, cacheName(0));
    }

    void booleansReadOnlyTheExactTextTrue()
    {
        writeSettingsFile("<settings><device><id>PHONE-1</id>"
                          "<convert-to-mp3>True</convert-to-mp3>"
                          "<copy-photos>true</copy-photos>"
                          "<force-album-art-sync>false</force-album-art-sync>"
                          "<number-of-episodes-to-sync>abc</number-of-episodes-to-sync>"
                          "</device></settings>");
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        QCOMPARE(settings.convertAacToMp3(kPhone), false);
        QCOMPARE(settings.copyPhotos(kPhone), true);
        QCOMPARE(settings.forceArtworkSync(kPhone), false);
        QCOMPARE(settings.enableArtworkSync(kPhone), true);
        QCOMPARE(settings.numberOfEpisodesToSync(kPhone), 0);
        QCOMPARE(settings.getIntValue(kPhone, QStringLiteral("missing"), 17), 17);
    }

    void dontSyncMusicMarkerRoundTrip()
    {
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.setConfig(kPhone, false, 0, {}, {}, QStringLiteral("Pixel")), 0);
        QVERIFY(readSettingsFile().contains("<playlist>###DONT-SYNC-MUSIC###</playlist>"));

        SyncSettings reloaded;
        reloaded.load();
        bool whole = true;
        int podcastSetting = -1;
        QStringList playlists, podcasts;
        QCOMPARE(reloaded.getConfig(kPhone, whole, podcastSetting, playlists, podcasts), 0);
        QCOMPARE(whole, false);
        QVERIFY(playlists.isEmpty());
        QCOMPARE(podcastSetting, 0);
        QCOMPARE(podcasts, QStringList{QString()});
    }

    void wholeLibraryStoresNoPlaylist()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(kPhone, true, 2, {QStringLiteral("ignored")},
                           {QStringLiteral("Cast A"), QStringLiteral("Cast B")}, QStringLiteral("Pixel"));
        QVERIFY(!readSettingsFile().contains("<playlist>"));
        bool whole = false;
        int podcastSetting = 0;
        QStringList playlists, podcasts;
        QCOMPARE(settings.getConfig(kPhone, whole, podcastSetting, playlists, podcasts), 0);
        QCOMPARE(whole, true);
        QCOMPARE(playlists, QStringList{QString()});
        QCOMPARE(podcastSetting, 2);
        QCOMPARE(podcasts, (QStringList{QStringLiteral("Cast A"), QStringLiteral("Cast B")}));
    }

    void playlistsKeepTheirOrder()
    {
        SyncSettings settings;
        settings.load();
        const QStringList chosen = {QStringLiteral("Road"), QStringLiteral("Chill"), QStringLiteral("Road 2")};
        settings.setConfig(kPhone, false, 1, chosen, {QStringLiteral("dropped")}, QStringLiteral("Pixel"));
        bool whole = true;
        int podcastSetting = 0;
        QStringList playlists, podcasts;
        settings.getConfig(kPhone, whole, podcastSetting, playlists, podcasts);
        QCOMPARE(whole, false);
        QCOMPARE(playlists, chosen);
        // Podcast names are only stored for setting 2.
        QCOMPARE(podcasts, QStringList{QString()});
    }

    void reconfiguringKeepsCacheAndWarningsOnly()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(QStringLiteral("OTHER"), true, 0, {}, {}, QStringLiteral("Other"));
        settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel"));
        QString firstCache;
        settings.getCacheFilename(kPhone, firstCache);
        QCOMPARE(firstCache, cacheName(1));
        settings.setDeleteWithoutWarning(kPhone);
        settings.setSkipUsbEjectWarning(kPhone);
        settings.setSkipDrmWarning(kPhone);
        settings.setSkipNotCopiedWarning(kPhone);
        settings.setSkipNotDeletedWarning(kPhone);
        settings.setConvertAacToMp3(kPhone, true);
        settings.setSelectedBackupPath(kPhone, QStringLiteral("/backups/old.ipd"));
        settings.addToSettingsList(kPhone, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/photos"));
        settings.save();

        SyncSettings again;
        again.load();
        QVERIFY(again.deviceOrder(kPhone) > again.deviceOrder(QStringLiteral("OTHER")));
        again.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel 2"));
        QString cache;
        again.getCacheFilename(kPhone, cache);
        QCOMPARE(cache, firstCache);
        QVERIFY(again.deleteWithoutWarning(kPhone));
        QVERIFY(again.skipUsbEjectWarning(kPhone));
        QVERIFY(again.skipDrmWarning(kPhone));
        QVERIFY(again.skipNotCopiedWarning(kPhone));
        QVERIFY(again.skipNotDeletedWarning(kPhone));
        QVERIFY(!again.convertAacToMp3(kPhone));
        QVERIFY(again.selectedBackupPath(kPhone).isEmpty());
        QVERIFY(again.getSettingsList(kPhone, SettingsKeys::photoFoldersList()).isEmpty());
    }

    void cacheNamesFillTheFirstGap()
    {
        const QByteArray content = "<settings>"
                                   "<device><id>A</id><cache>"
                                   + cacheName(0).toUtf8()
                                   + "</cache></device>"
                                     "<device><id>B</id><cache>"
                                   + cacheName(2).toUtf8()
                                   + "</cache></device>"
                                     "</settings>";
        writeSettingsFile(content);
        SyncSettings settings;
        settings.load();
        QStringList used;
        settings.getUsedCacheFilenames(used);
        QCOMPARE(used, (QStringList{cacheName(2), cacheName(0)}));
        QString next;
        settings.generateUniqueCacheFilename(next);
        QCOMPARE(next, cacheName(1));
    }

    void duplicateIdsUseTheFirstEntry()
    {
        writeSettingsFile(
            "<settings>"
            "<device><id>PHONE-1</id><name>first</name><cache>c1</cache><copy-photos>true</copy-photos></device>"
            "<device><id>PHONE-1</id><name>second</name><cache>c2</cache></device>"
            "</settings>");
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.copyPhotos(kPhone), true);
        QString cache;
        settings.getCacheFilename(kPhone, cache);
        QCOMPARE(cache, QStringLiteral("c1"));
        QCOMPARE(settings.deviceOrder(kPhone), 1);

        settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("third"));
        // The first entry was rebuilt at the end; the second one now answers.
        SyncSettings reloaded;
        reloaded.load();
        QCOMPARE(reloaded.findDeviceElement(kPhone).firstChildElement(QStringLiteral("name")).text(),
                 QStringLiteral("second"));
        QCOMPARE(reloaded.document().documentElement().elementsByTagName(QStringLiteral("device")).size(), 2);
    }

    void listsReadAnyChildElement()
    {
        writeSettingsFile("<settings><device><id>PHONE-1</id>"
                          "<list name=\"photo_folders\"><entry key=\"\" value=\"/a\"/><item key=\"k\"/>text<entry "
                          "value=\"/b\"/></list>"
                          "</device></settings>");
        SyncSettings settings;
        settings.load();
        const SyncSettings::SettingsList entries = settings.getSettingsList(kPhone, SettingsKeys::photoFoldersList());
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0], qMakePair(QString(), QStringLiteral("/a")));
        QCOMPARE(entries[1], qMakePair(QStringLiteral("k"), QString()));
        QCOMPARE(entries[2], qMakePair(QString(), QStringLiteral("/b")));

        settings.removeSettingsList(kPhone, SettingsKeys::photoFoldersList());
        QVERIFY(settings.getSettingsList(kPhone, SettingsKeys::photoFoldersList()).isEmpty());
        settings.addToSettingsList(kPhone, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/c"));
        settings.addToSettingsList(kPhone, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/c"));
        QCOMPARE(settings.getSettingsList(kPhone, SettingsKeys::photoFoldersList()).size(), 2);
        // No entry for an unknown phone, and nothing created for it.
        settings.addToSettingsList(QStringLiteral("UNKNOWN"), QStringLiteral("x"), QString(), QStringLiteral("v"));
        QVERIFY(settings.findDeviceElement(QStringLiteral("UNKNOWN")).isNull());
    }

    void globalValuesLiveUnderTheRoot()
    {
        SyncSettings settings;
        settings.load();
        QVERIFY(settings.skipUpdateMessage().isEmpty());
        settings.setSkipUpdateMessage(QStringLiteral("update-2"));
        settings.setSkipUpdateMessage(QStringLiteral("update-3"));
        QCOMPARE(settings.save(), 0);
        SyncSettings reloaded;
        reloaded.load();
        QCOMPARE(reloaded.skipUpdateMessage(), QStringLiteral("update-3"));
        QCOMPARE(reloaded.document().documentElement().elementsByTagName(QStringLiteral("dont-display-message")).size(),
                 1);
    }

    void valuesWithMarkupRoundTrip()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel"));
        const QString path = QStringLiteral("/home/u/Backups/<Tom & \"Jerry\">/Caf\u00e9.ipd");
        settings.setSelectedBackupPath(kPhone, path);
        settings.save();
        SyncSettings reloaded;
        reloaded.load();
        QCOMPARE(reloaded.selectedBackupPath(kPhone), path);
    }

    void failedSaveLeavesTheOldFileIntact()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel"));
        const QByteArray before = readSettingsFile();
        QVERIFY(!before.isEmpty());

        // The write fails part way, as on a full disk.
        for (int i = 0; i < 200; ++i)
            settings.addToSettingsList(kPhone, QStringLiteral("big"), QString::number(i),
                                       QString(50, QLatin1Char('x')));
        int result = 0;
        {
            const FileSizeLimit limit(512);
            result = settings.save();
        }

        QVERIFY(result != 0);
        QCOMPARE(readSettingsFile(), before);
        const QStringList leftovers = QDir(mHome->path() + QStringLiteral("/KORVA")).entryList(QDir::Files);
        QCOMPARE(leftovers, QStringList{QStringLiteral("korva.xml")});
    }

    void saveIntoAnUnwritableFolderFails()
    {
        if (geteuid() == 0)
            QSKIP("root may write into any folder");
        SyncSettings settings;
        settings.load();
        settings.setConfig(kPhone, true, 0, {}, {}, QStringLiteral("Pixel"));
        const QByteArray before = readSettingsFile();
        const QString folder = mHome->path() + QStringLiteral("/KORVA");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        settings.setCopyPhotos(kPhone, true);
        const int result = settings.save();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(result != 0);
        QCOMPARE(readSettingsFile(), before);
    }

private:
    std::unique_ptr<QTemporaryDir> mHome;
};

QTEST_GUILESS_MAIN(SyncSettingsTest)
#include "tst_SyncSettings.moc"
