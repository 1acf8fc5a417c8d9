// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "settings/SyncSettings.h"

#include "app/Constants.h"
#include "app/TraceLog.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kRootElement = QStringLiteral("settings");
const QString kDeviceElement = QStringLiteral("device");
const QString kIdElement = QStringLiteral("id");
const QString kNameElement = QStringLiteral("name");
const QString kCacheElement = QStringLiteral("cache");
const QString kPlaylistElement = QStringLiteral("playlist");
const QString kPodcastElement = QStringLiteral("podcast");
const QString kListElement = QStringLiteral("list");
const QString kEntryElement = QStringLiteral("entry");
const QString kNameAttribute = QStringLiteral("name");
const QString kKeyAttribute = QStringLiteral("key");
const QString kValueAttribute = QStringLiteral("value");
const QString kTrue = QStringLiteral("true");
const QString kFalse = QStringLiteral("false");
// Longer than any folder name the system accepts.
constexpr int kMaxFolderNameLength = 4096;

QString cacheFilename(int number)
{
    return QDir::homePath() + QDir::separator() + Constants::programFolderName() + Constants::trackCacheFileSuffix()
           + QString::number(number);
}

// The first element child named name, then the first following sibling
// element of that name, and so on: the texts of all of them in order.
QStringList childTexts(const QDomElement& parent, const QString& name)
{
    QStringList texts;
    for (QDomElement e = parent.firstChildElement(name); !e.isNull(); e = e.nextSiblingElement(name))
        texts.append(e.text());
    return texts;
}

} // namespace

SyncSettings::SyncSettings() = default;

QString SyncSettings::filePath()
{
    return QDir::homePath() + QDir::separator() + Constants::programFolderName() + Constants::configFileSuffix();
}

int SyncSettings::load()
{
    TraceScope trace("SyncSettings::load");
    mDocument.clear();
    const QString folder = QDir::homePath() + QDir::separator() + Constants::programFolderName();
    QDir().mkpath(folder);
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        traceMessage("Error opening file");
        return kErrorCannotOpenFile;
    }
    // A damaged file is not reported: what could be parsed is what there is.
    mDocument.setContent(&file);
    traceMessage("File opened");
    return 0;
}

int SyncSettings::save()
{
    TraceScope trace("SyncSettings::save");
    QSaveFile file(filePath());
    // Unbuffered, so that a short write shows in write()'s count: Qt's own
    // flush of a buffered QSaveFile does not report it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        traceMessage("Error opening file");
        return kErrorCannotSaveFile;
    }
    traceMessage("File opened");
    // A short write (disk full, size limit) must not be committed.
    const QByteArray content = mDocument.toByteArray(0);
    if (file.write(content) != content.size()) {
        traceMessage("Error writing file");
        file.cancelWriting();
        return kErrorCannotSaveFile;
    }
    // Only a complete file replaces the old one.
    if (!file.commit()) {
        traceMessage("Error writing file");
        return kErrorCannotSaveFile;
    }
    return 0;
}

QDomElement SyncSettings::findDeviceElement(const QString& id) const
{
    TraceScope trace("SyncSettings::findDeviceElement");
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.firstChildElement(kDeviceElement); !device.isNull();
         device = device.nextSiblingElement(kDeviceElement)) {
        if (device.firstChildElement(kIdElement).text() == id)
            return device;
    }
    return QDomElement();
}

bool SyncSettings::hasAnyPhone() const
{
    return !mDocument.documentElement().firstChildElement(kDeviceElement).isNull();
}

int SyncSettings::deviceOrder(const QString& id) const
{
    TraceScope trace("SyncSettings::deviceOrder");
    // The position among the phones, not the parsed line: an entry added in
    // memory has no line, and a run's store is not parsed again after a save.
    int position = 0;
    int order = -1;
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.firstChildElement(kDeviceElement); !device.isNull() && order < 0;
         device = device.nextSiblingElement(kDeviceElement)) {
        ++position;
        if (device.firstChildElement(kIdElement).text() == id)
            order = position;
    }
    traceValue("order", order);
    return order;
}

int SyncSettings::getCacheFilename(const QString& id, QString& path) const
{
    TraceScope trace("SyncSettings::getCacheFilename");
    const QDomElement device = findDeviceElement(id);
    if (device.isNull())
        return kErrorNotConfigured;
    path = device.firstChildElement(kCacheElement).text();
    traceValue("cache", path);
    return 0;
}

QString SyncSettings::getStringValue(const QString& id, const QString& key) const
{
    TraceScope trace("SyncSettings::getStringValue");
    QString value = findDeviceElement(id).firstChildElement(key).text();
    traceValue(key.toUtf8().constData(), value);
    return value;
}

int SyncSettings::getIntValue(const QString& id, const QString& key, int defaultValue) const
{
    TraceScope trace("SyncSettings::getIntValue");
    const QDomElement element = findDeviceElement(id).firstChildElement(key);
    // A text that is not a number reads as 0, as it always has.
    const int value = element.isNull() ? defaultValue : element.text().toInt();
    traceValue(key.toUtf8().constData(), value);
    return value;
}

bool SyncSettings::getBooleanValue(const QString& id, const QString& key, bool defaultValue) const
{
    TraceScope trace("SyncSettings::getBooleanValue");
    const QDomElement element = findDeviceElement(id).firstChildElement(key);
    const bool value = element.isNull() ? defaultValue : element.text() == kTrue;
    traceValue(key.toUtf8().constData(), value ? kTrue : kFalse);
    return value;
}

void SyncSettings::setStringValue(const QString& id, const QString& key, const QString& value)
{
    TraceScope trace("SyncSettings::setStringValue");
    QDomElement device = findDeviceElement(id);
    if (device.isNull())
        return;
    const QDomElement old = device.firstChildElement(key);
    if (!old.isNull())
        device.removeChild(old);
    QDomElement element = mDocument.createElement(key);
    element.appendChild(mDocument.createTextNode(value));
    device.appendChild(element);
}

void SyncSettings::setIntValue(const QString& id, const QString& key, int value)
{
    setStringValue(id, key, QString::number(value));
}

void SyncSettings::setBooleanValue(const QString& id, const QString& key, bool value)
{
    setStringValue(id, key, value ? kTrue : kFalse);
}

QString SyncSettings::getGlobalStringValue(const QString& key) const
{
    TraceScope trace("SyncSettings::getGlobalStringValue");
    QString value = mDocument.documentElement().firstChildElement(key).text();
    traceValue(key.toUtf8().constData(), value);
    return value;
}

void SyncSettings::setGlobalStringValue(const QString& key, const QString& value)
{
    TraceScope trace("SyncSettings::setGlobalStringValue");
    QDomElement root = mDocument.documentElement();
    if (root.isNull()) {
        root = mDocument.createElement(kRootElement);
        mDocument.appendChild(root);
    }
    for (QDomElement old = root.firstChildElement(key); !old.isNull(); old = root.firstChildElement(key))
        root.removeChild(old);
    QDomElement element = mDocument.createElement(key);
    element.appendChild(mDocument.createTextNode(value));
    root.appendChild(element);
}

bool SyncSettings::deleteWithoutWarning(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::deleteWithoutWarning(), false);
}
void SyncSettings::setDeleteWithoutWarning(const QString& id)
{
    setBooleanValue(id, SettingsKeys::deleteWithoutWarning(), true);
}
bool SyncSettings::convertAacToMp3(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::convertToMp3(), false);
}
void SyncSettings::setConvertAacToMp3(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::convertToMp3(), value);
}
bool SyncSettings::skipUsbEjectWarning(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::dontWarnUsb(), false);
}
void SyncSettings::setSkipUsbEjectWarning(const QString& id)
{
    setBooleanValue(id, SettingsKeys::dontWarnUsb(), true);
}
bool SyncSettings::skipDrmWarning(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::dontWarnDrm(), false);
}
void SyncSettings::setSkipDrmWarning(const QString& id)
{
    setBooleanValue(id, SettingsKeys::dontWarnDrm(), true);
}
bool SyncSettings::skipNotCopiedWarning(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::dontWarnNotCopied(), false);
}
void SyncSettings::setSkipNotCopiedWarning(const QString& id)
{
    setBooleanValue(id, SettingsKeys::dontWarnNotCopied(), true);
}
bool SyncSettings::skipNotDeletedWarning(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::dontWarnNotDeleted(), false);
}
void SyncSettings::setSkipNotDeletedWarning(const QString& id)
{
    setBooleanValue(id, SettingsKeys::dontWarnNotDeleted(), true);
}
bool SyncSettings::forceArtworkSync(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::forceAlbumArtSync(), true);
}
void SyncSettings::setForceArtworkSync(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::forceAlbumArtSync(), value);
}
bool SyncSettings::enableArtworkSync(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::enableAlbumArtSync(), true);
}
void SyncSettings::setEnableArtworkSync(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::enableAlbumArtSync(), value);
}
int SyncSettings::numberOfEpisodesToSync(const QString& id) const
{
    return getIntValue(id, SettingsKeys::numberOfEpisodesToSync(), 0);
}
void SyncSettings::setNumberOfEpisodesToSync(const QString& id, int value)
{
    setIntValue(id, SettingsKeys::numberOfEpisodesToSync(), value);
}
bool SyncSettings::copyTextMessages(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyTextMessages(), false);
}
void SyncSettings::setCopyTextMessages(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyTextMessages(), value);
}
bool SyncSettings::copyAddressBook(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyAddressBook(), false);
}
void SyncSettings::setCopyAddressBook(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyAddressBook(), value);
}
bool SyncSettings::copyPhotos(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyPhotos(), false);
}
void SyncSettings::setCopyPhotos(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyPhotos(), value);
}
bool SyncSettings::copyCalendar(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyCalendar(), false);
}
void SyncSettings::setCopyCalendar(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyCalendar(), value);
}
bool SyncSettings::copyCallHistory(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyCallHistory(), false);
}
void SyncSettings::setCopyCallHistory(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyCallHistory(), value);
}
bool SyncSettings::copyNotes(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyNotes(), false);
}
void SyncSettings::setCopyNotes(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyNotes(), value);
}
bool SyncSettings::copyBookmarks(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyBookmarks(), false);
}
void SyncSettings::setCopyBookmarks(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyBookmarks(), value);
}
QDate SyncSettings::copiedOn(const QString& id, const QString& copyKey) const
{
    return QDate::fromString(getStringValue(id, copyKey + QStringLiteral("-copied-on")), Qt::ISODate);
}

void SyncSettings::setCopiedOn(const QString& id, const QString& copyKey, const QDate& day)
{
    setStringValue(id, copyKey + QStringLiteral("-copied-on"), day.toString(Qt::ISODate));
}

bool SyncSettings::copyVoicemail(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyVoicemail(), false);
}
void SyncSettings::setCopyVoicemail(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyVoicemail(), value);
}
bool SyncSettings::copyRecordings(const QString& id) const
{
    return getBooleanValue(id, SettingsKeys::copyRecordings(), false);
}
void SyncSettings::setCopyRecordings(const QString& id, bool value)
{
    setBooleanValue(id, SettingsKeys::copyRecordings(), value);
}
QString SyncSettings::selectedBackupPath(const QString& id) const
{
    return getStringValue(id, SettingsKeys::backupPath());
}
void SyncSettings::setSelectedBackupPath(const QString& id, const QString& value)
{
    setStringValue(id, SettingsKeys::backupPath(), value);
}
QString SyncSettings::skipUpdateMessage() const
{
    return getGlobalStringValue(SettingsKeys::dontDisplayMessage());
}
void SyncSettings::setSkipUpdateMessage(const QString& value)
{
    setGlobalStringValue(SettingsKeys::dontDisplayMessage(), value);
}

QString SyncSettings::defaultMusicFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

QString SyncSettings::musicFolder() const
{
    TraceScope trace("SyncSettings::musicFolder");
    const QString stored = getGlobalStringValue(SettingsKeys::musicFolder()).trimmed();
    // The file may have been edited by hand or damaged: only a plain absolute
    // folder name is taken, anything else falls back to the default.
    const bool usable = !stored.isEmpty() && stored.size() <= kMaxFolderNameLength && QDir::isAbsolutePath(stored)
                        && !stored.contains(QChar::Null)
                        && std::none_of(stored.cbegin(), stored.cend(), [](QChar c) { return c.unicode() < 32; });
    return usable ? QDir::cleanPath(stored) : defaultMusicFolder();
}

void SyncSettings::setMusicFolder(const QString& folder)
{
    TraceScope trace("SyncSettings::setMusicFolder");
    setGlobalStringValue(SettingsKeys::musicFolder(), QDir::cleanPath(folder));
}

QDomElement SyncSettings::findListElementConst(const QString& id, const QString& listName) const
{
    const QDomElement device = findDeviceElement(id);
    if (device.isNull())
        return QDomElement();
    const QDomNodeList lists = device.elementsByTagName(kListElement);
    for (int i = 0; i < lists.size(); ++i) {
        const QDomElement list = lists.at(i).toElement();
        if (list.attribute(kNameAttribute) == listName)
            return list;
    }
    return QDomElement();
}

QDomElement SyncSettings::findListElement(const QString& id, const QString& listName, bool create)
{
    TraceScope trace("SyncSettings::findListElement");
    QDomElement list = findListElementConst(id, listName);
    if (!list.isNull() || !create)
        return list;
    QDomElement device = findDeviceElement(id);
    if (device.isNull())
        return QDomElement();
    list = mDocument.createElement(kListElement);
    list.setAttribute(kNameAttribute, listName);
    device.appendChild(list);
    return list;
}

void SyncSettings::addToSettingsList(const QString& id, const QString& listName, const QString& key,
                                     const QString& value)
{
    TraceScope trace("SyncSettings::addToSettingsList");
    QDomElement list = findListElement(id, listName, true);
    if (list.isNull())
        return;
    QDomElement entry = mDocument.createElement(kEntryElement);
    entry.setAttribute(kKeyAttribute, key);
    entry.setAttribute(kValueAttribute, value);
    list.appendChild(entry);
}

void SyncSettings::removeSettingsList(const QString& id, const QString& listName)
{
    TraceScope trace("SyncSettings::removeSettingsList");
    QDomElement list = findListElement(id, listName, false);
    if (!list.isNull())
        list.parentNode().removeChild(list);
}

SyncSettings::SettingsList SyncSettings::getSettingsList(const QString& id, const QString& listName) const
{
    TraceScope trace("SyncSettings::getSettingsList");
    SettingsList entries;
    const QDomElement list = findListElementConst(id, listName);
    for (QDomElement entry = list.firstChildElement(); !entry.isNull(); entry = entry.nextSiblingElement())
        entries.append(qMakePair(entry.attribute(kKeyAttribute), entry.attribute(kValueAttribute)));
    return entries;
}

void SyncSettings::getUsedCacheFilenames(QStringList& names) const
{
    TraceScope trace("SyncSettings::getUsedCacheFilenames");
    names.clear();
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.lastChildElement(kDeviceElement); !device.isNull();
         device = device.previousSiblingElement(kDeviceElement)) {
        const QDomElement cache = device.firstChildElement(kCacheElement);
        if (!cache.isNull())
            names.append(cache.text());
    }
}

void SyncSettings::generateUniqueCacheFilename(QString& path) const
{
    TraceScope trace("SyncSettings::generateUniqueCacheFilename");
    QStringList used;
    getUsedCacheFilenames(used);
    // At most used.size() names are taken, so a free number is found by then.
    for (int number = 0;; ++number) {
        const QString candidate = cacheFilename(number);
        if (!used.contains(candidate)) {
            path = candidate;
            break;
        }
    }
    traceValue("cache", path);
}

int SyncSettings::getConfig(const QString& id, bool& wholeLibrary, int& podcastSetting, QStringList& playlists,
                            QStringList& podcasts) const
{
    TraceScope trace("SyncSettings::getConfig");
    const QDomElement device = findDeviceElement(id);
    if (device.isNull())
        return kErrorNotConfigured;

    const QStringList storedPlaylists = childTexts(device, kPlaylistElement);
    playlists.append(storedPlaylists.isEmpty() ? QString() : storedPlaylists.first());
    playlists.append(storedPlaylists.mid(1));
    wholeLibrary = playlists.first().isEmpty();
    if (playlists.size() == 1 && playlists.first() == Constants::dontSyncMusicMarker()) {
        wholeLibrary = false;
        playlists.clear();
    }

    podcastSetting = getIntValue(id, SettingsKeys::podcastSyncSetting(), 0);

    const QStringList storedPodcasts = childTexts(device, kPodcastElement);
    podcasts.append(storedPodcasts.isEmpty() ? QString() : storedPodcasts.first());
    podcasts.append(storedPodcasts.mid(1));
    return 0;
}

int SyncSettings::setConfig(const QString& id, bool wholeLibrary, int podcastSetting, const QStringList& playlists,
                            const QStringList& podcasts, const QString& name)
{
    TraceScope trace("SyncSettings::setConfig");
    // The warning choices survive a new configuration; everything else is
    // stored again by the caller.
    const QStringList keptFlags = {SettingsKeys::deleteWithoutWarning(), SettingsKeys::dontWarnUsb(),
                                   SettingsKeys::dontWarnDrm(), SettingsKeys::dontWarnNotCopied(),
                                   SettingsKeys::dontWarnNotDeleted()};
    QList<bool> flagValues;
    for (const QString& key : keptFlags)
        flagValues.append(getBooleanValue(id, key, false));

    QDomElement root = mDocument.documentElement();
    if (root.isNull()) {
        root = mDocument.createElement(kRootElement);
        mDocument.appendChild(root);
    }

    QString cache;
    getCacheFilename(id, cache);
    const QDomElement old = findDeviceElement(id);
    if (!old.isNull())
        root.removeChild(old);
    if (cache.isEmpty())
        generateUniqueCacheFilename(cache);

    QDomElement device = mDocument.createElement(kDeviceElement);
    auto appendText = [&](const QString& tag, const QString& text) {
        QDomElement element = mDocument.createElement(tag);
        element.appendChild(mDocument.createTextNode(text));
        device.appendChild(element);
    };
    appendText(kIdElement, id);
    appendText(kNameElement, name);
    appendText(kCacheElement, cache);
    if (!wholeLibrary) {
        for (const QString& playlist : playlists)
            appendText(kPlaylistElement, playlist);
        if (playlists.isEmpty())
            appendText(kPlaylistElement, Constants::dontSyncMusicMarker());
    }
    if (podcastSetting == 2) {
        for (const QString& podcast : podcasts)
            appendText(kPodcastElement, podcast);
    }
    root.appendChild(device);

    for (int i = 0; i < keptFlags.size(); ++i) {
        if (flagValues.at(i))
            setBooleanValue(id, keptFlags.at(i), true);
    }
    setIntValue(id, SettingsKeys::podcastSyncSetting(), podcastSetting);
    const int result = save();
    traceReturns(result);
    return result;
}

void SyncSettings::copyFrom(const SyncSettings& other)
{
    // QDomDocument copies share their nodes: a plain copy would let one
    // owner's edits change the other's.
    mDocument = other.mDocument.cloneNode(true).toDocument();
}
