// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/TrackTags.h"

#include "app/ResultCodes.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <attachedpictureframe.h>
#include <fileref.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tag.h>
#include <tdebuglistener.h>
#include <tpropertymap.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

namespace {

// Damaged files are expected in a music folder: TagLib's complaints about
// them would flood the terminal and say nothing the skipped count does not.
class QuietTagLib : public TagLib::DebugListener
{
public:
    void printMessage(const TagLib::String&) override {}
};

void silenceTagLib()
{
    static QuietTagLib listener;
    static const bool installed = [] {
        TagLib::setDebugListener(&listener);
        return true;
    }();
    Q_UNUSED(installed)
}

QString toQString(const TagLib::String& text)
{
    return QString::fromStdWString(text.toWString()).trimmed();
}

QString firstProperty(const TagLib::PropertyMap& properties, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const auto found = properties.find(TagLib::String(key));
        if (found != properties.end() && !found->second.isEmpty())
            return toQString(found->second.front());
    }
    return QString();
}

bool isTrue(const QString& text)
{
    return text == QLatin1String("1") || text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString suffixOfMime(const TagLib::String& mime)
{
    return mime.find("png") != -1 ? QStringLiteral("png") : QStringLiteral("jpg");
}

CoverPicture fromBytes(const TagLib::ByteVector& bytes, const QString& suffix)
{
    return CoverPicture{QByteArray(bytes.data(), static_cast<int>(bytes.size())), suffix};
}

CoverPicture pickFlacPicture(const TagLib::List<TagLib::FLAC::Picture*>& pictures)
{
    const TagLib::FLAC::Picture* chosen = nullptr;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (!chosen || picture->type() == TagLib::FLAC::Picture::FrontCover)
            chosen = picture;
        if (picture->type() == TagLib::FLAC::Picture::FrontCover)
            break;
    }
    return chosen ? fromBytes(chosen->data(), suffixOfMime(chosen->mimeType())) : CoverPicture();
}

CoverPicture id3v2Cover(TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return CoverPicture();
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()["APIC"];
    const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (TagLib::ID3v2::Frame* frame : frames) {
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture)
            continue;
        if (!chosen || picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            chosen = picture;
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            break;
    }
    return chosen ? fromBytes(chosen->picture(), suffixOfMime(chosen->mimeType())) : CoverPicture();
}

CoverPicture mp4Cover(TagLib::MP4::Tag* tag)
{
    if (!tag || !tag->contains("covr"))
        return CoverPicture();
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    if (covers.isEmpty())
        return CoverPicture();
    const TagLib::MP4::CoverArt& cover = covers.front();
    return fromBytes(cover.data(),
                     cover.format() == TagLib::MP4::CoverArt::PNG ? QStringLiteral("png") : QStringLiteral("jpg"));
}

CoverPicture coverOf(TagLib::File* file)
{
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return id3v2Cover(mpeg->ID3v2Tag(false));
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file))
        return mp4Cover(mp4->tag());
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
        return pickFlacPicture(flac->pictureList());
    if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
        return vorbis->tag() ? pickFlacPicture(vorbis->tag()->pictureList()) : CoverPicture();
    if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file))
        return opus->tag() ? pickFlacPicture(opus->tag()->pictureList()) : CoverPicture();
    return CoverPicture();
}

} // namespace

namespace TrackTagReader {

int read(const QString& path, TrackTags& tags)
{
    silenceTagLib();
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileRef file(name.constData(), true, TagLib::AudioProperties::Fast);
    // A damaged file may still give properties, but without a single frame of sound.
    if (file.isNull() || !file.audioProperties() || file.audioProperties()->sampleRate() <= 0)
        return LibraryResult::TagsUnreadable;

    tags = TrackTags();
    if (const TagLib::Tag* tag = file.tag()) {
        tags.title = toQString(tag->title());
        tags.album = toQString(tag->album());
        tags.artist = toQString(tag->artist());
        tags.trackNumber = static_cast<int>(qMin(tag->track(), 9999u));
    }
    const TagLib::PropertyMap properties = file.file()->properties();
    tags.albumArtist = firstProperty(properties, {"ALBUMARTIST", "ALBUM ARTIST", "ALBUM_ARTIST"});
    // ffmpeg and some taggers write the iTunes flag as a user text frame named TCMP.
    tags.compilation = isTrue(firstProperty(properties, {"COMPILATION", "TCMP"}));
    tags.taggedDate = parseTaggedDate(firstProperty(properties, {"DATE", "RELEASEDATE", "ORIGINALDATE"}));

    const TagLib::AudioProperties* audio = file.audioProperties();
    tags.durationSeconds = qMax(0, audio->lengthInSeconds());
    tags.bitrateKbps = qMax(0, audio->bitrate());
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file.file())) {
        const TagLib::MP4::Properties* mp4Audio = mp4->audioProperties();
        tags.aac = !mp4Audio || mp4Audio->codec() != TagLib::MP4::Properties::ALAC;
    }
    // The tags are parsed already: asking for the picture costs no second read of the file.
    tags.hasCover = !coverOf(file.file()).data.isEmpty();
    return 0;
}

CoverPicture embeddedCover(const QString& path)
{
    silenceTagLib();
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileRef file(name.constData(), false);
    return file.isNull() ? CoverPicture() : coverOf(file.file());
}

qint64 parseTaggedDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    // A bare year would put every episode of a year on one day.
    if (trimmed.size() < 10)
        return 0;
    QDateTime when = QDateTime::fromString(trimmed, Qt::ISODate);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(trimmed.left(10), Qt::ISODate);
        if (!day.isValid())
            return 0;
        when = QDateTime(day, QTime(0, 0), QTimeZone::utc());
    }
    return when.toSecsSinceEpoch();
}

} // namespace TrackTagReader
