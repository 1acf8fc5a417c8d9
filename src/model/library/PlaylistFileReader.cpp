// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/PlaylistFileReader.h"

#include "app/ResultCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>
#include <QUrl>

namespace {

// M3U files from other systems come in any 8-bit code page; text that is not
// valid UTF-8 is taken as Latin-1, which at least keeps every byte.
QString decodeLine(QByteArrayView line, bool utf8Only)
{
    if (utf8Only)
        return QString::fromUtf8(line);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(line);
    if (decoder.hasError())
        return QString::fromLatin1(line);
    return text;
}

template <typename LineVisitor> void forEachLine(const QByteArray& bytes, LineVisitor visit)
{
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    // A byte-order mark is not part of the first entry.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < size) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = size;
        QByteArrayView line(bytes.constData() + start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!visit(line.trimmed()))
            return;
        start = end + 1;
    }
}

} // namespace

namespace PlaylistFileReader {

QString resolveEntry(const QString& entry, const QString& folder)
{
    QString text = entry.trimmed();
    if (text.isEmpty())
        return QString();
    if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text);
        // A file on another machine's share is nothing this computer can copy.
        const bool otherHost = !url.host().isEmpty() && url.host() != QLatin1String("localhost");
        if (!url.isValid() || !url.isLocalFile() || otherHost)
            return QString();
        text = url.toLocalFile();
    } else if (text.contains(QLatin1String("://"))) {
        // A stream or a web address: nothing on this computer to copy.
        return QString();
    }
    const bool windowsDrive = text.size() > 2 && text.at(1) == QLatin1Char(':')
                              && (text.at(2) == QLatin1Char('\\') || text.at(2) == QLatin1Char('/'));
    if (windowsDrive)
        return QString();
    // Playlists written on Windows separate folders with backslashes; a
    // backslash in a real Linux file name is rare enough to lose.
    if (!text.contains(QLatin1Char('/')))
        text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // Checked after the URL is decoded: "%00" is a NUL as well.
    if (text.isEmpty() || text.contains(QChar::Null))
        return QString();
    // Not QDir::isRelativePath: it takes ":name" for a path into the
    // program's own resources.
    if (!text.startsWith(QLatin1Char('/')))
        text = folder + QLatin1Char('/') + text;
    return QDir::cleanPath(text);
}

QStringList parseM3u(const QByteArray& bytes, const QString& folder, bool utf8Only)
{
    QStringList entries;
    forEachLine(bytes, [&](QByteArrayView line) {
        if (line.isEmpty() || line.startsWith('#'))
            return true;
        const QString path = resolveEntry(decodeLine(line, utf8Only), folder);
        if (!path.isEmpty())
            entries.append(path);
        return entries.size() < kMaxEntries;
    });
    return entries;
}

QStringList parsePls(const QByteArray& bytes, const QString& folder)
{
    // Entries are "FileN=..." lines; N decides the order, whatever the line order.
    QMap<qint64, QString> numbered;
    forEachLine(bytes, [&](QByteArrayView line) {
        if (line.size() < 6 || !line.first(4).toByteArray().toLower().startsWith("file"))
            return true;
        const qsizetype equals = line.indexOf('=');
        if (equals < 5)
            return true;
        bool isNumber = false;
        const qint64 number = line.sliced(4, equals - 4).toByteArray().toLongLong(&isNumber);
        if (!isNumber)
            return true;
        const QString path = resolveEntry(decodeLine(line.sliced(equals + 1), false), folder);
        if (!path.isEmpty() && !numbered.contains(number))
            numbered.insert(number, path);
        return numbered.size() < kMaxEntries;
    });
    return numbered.values();
}

int readFile(const QString& path, QStringList& entries)
{
    entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LibraryResult::PlaylistCannotOpen;
    if (file.size() > kMaxFileSize)
        return LibraryResult::PlaylistTooLarge;
    // Read at most one byte past its size: a file that grows while it is read
    // stays bounded, and a small playlist does not get room for the largest.
    const QByteArray bytes = file.read(qMin(file.size(), kMaxFileSize) + 1);
    if (bytes.size() > kMaxFileSize)
        return LibraryResult::PlaylistTooLarge;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("pls"))
        entries = parsePls(bytes, folder);
    else
        entries = parseM3u(bytes, folder, suffix == QLatin1String("m3u8"));
    return 0;
}

} // namespace PlaylistFileReader
