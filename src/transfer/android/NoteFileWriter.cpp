// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/NoteFileWriter.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {

// Long enough for any title people give a note, short enough that folder,
// name and suffix stay inside the 255 UTF-16 units FAT and MTP allow.
constexpr qsizetype kMaxNameLength = 100;

bool isReservedDeviceName(const QString& name)
{
    const QString upper = name.section(QLatin1Char('.'), 0, 0).toUpper();
    static const QSet<QString> reserved = [] {
        QSet<QString> names{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"), QStringLiteral("NUL")};
        for (int i = 1; i <= 9; ++i) {
            names.insert(QStringLiteral("COM") + QString::number(i));
            names.insert(QStringLiteral("LPT") + QString::number(i));
        }
        return names;
    }();
    return reserved.contains(upper);
}

} // namespace

QString NoteFileWriter::safeName(const QString& text, const QString& fallback)
{
    QString name;
    name.reserve(std::min(text.size(), kMaxNameLength));
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break; // a title is one line
        if (c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c) || c.isSurrogate())
            name += QLatin1Char('_');
        else
            name += c;
        if (name.size() >= kMaxNameLength)
            break;
    }
    // FAT drops trailing dots and blanks, and a leading dot hides the file.
    while (!name.isEmpty() && (name.back() == QLatin1Char('.') || name.back().isSpace()))
        name.chop(1);
    while (!name.isEmpty() && (name.front() == QLatin1Char('.') || name.front().isSpace()))
        name.remove(0, 1);
    if (name.isEmpty())
        return fallback;
    if (isReservedDeviceName(name))
        name += QLatin1Char('_');
    return name;
}

void NoteFileWriter::add(const NoteRecord& note)
{
    const QString folder = safeName(note.folder, QStringLiteral("Notes"));
    const QString title = safeName(note.title, QStringLiteral("Note"));
    QSet<QString>& taken = mNamesTaken[folder.toLower()];
    QString name = title + QStringLiteral(".txt");
    for (int n = 2; taken.contains(name.toLower()); ++n)
        name = title + QStringLiteral(" (%1).txt").arg(n);
    taken.insert(name.toLower());

    const QString relative = folder + QLatin1Char('/') + name;
    const QString path = mRoot + QLatin1Char('/') + relative;
    // Plain writes rather than QSaveFile: its flush to disk per file would
    // make a few thousand notes take minutes. A note that fails is removed,
    // so none is left half written.
    QFile file(path);
    const QByteArray bytes = note.text.toUtf8();
    bool written = QDir().mkpath(mRoot + QLatin1Char('/') + folder) && file.open(QIODevice::WriteOnly)
                   && file.write(bytes) == bytes.size() && file.flush();
    if (written && note.modifiedMs)
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(*note.modifiedMs, Qt::UTC), QFileDevice::FileModificationTime);
    file.close();
    if (!written) {
        file.remove();
        traceValue("Note not written", path);
        mCode = DataResult::FileCannotWrite;
        return;
    }
    mWritten.append(relative);
}
