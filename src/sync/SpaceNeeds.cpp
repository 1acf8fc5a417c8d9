// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SpaceNeeds.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

namespace {

constexpr qint64 kBytesPerMegabyte = qint64(1000) * 1000;

QString tr(const char* text)
{
    return QCoreApplication::translate("SpaceNeeds", text);
}

QString megabytesText(qint64 bytes)
{
    return QLocale().toString(SpaceNeeds::megabytesRoundedUp(bytes)) + QStringLiteral(" MB");
}

// Free space is never promised beyond what there is.
QString freeMegabytesText(qint64 bytes)
{
    return QLocale().toString(qMax<qint64>(0, bytes) / kBytesPerMegabyte) + QStringLiteral(" MB");
}

// "photos and videos", "photos and videos and tracks", ...
QString joined(const QStringList& kinds)
{
    if (kinds.size() <= 1)
        return kinds.join(QString());
    return kinds.mid(0, kinds.size() - 1).join(QStringLiteral(", ")) + tr(" and ") + kinds.last();
}

} // namespace

qint64 SpaceNeeds::megabytesRoundedUp(qint64 bytes)
{
    if (bytes <= 0)
        return 0;
    return bytes / kBytesPerMegabyte + (bytes % kBytesPerMegabyte != 0 ? 1 : 0);
}

QString SpaceNeeds::plainQuestionText(qint64 shortfall, const QString& kinds)
{
    return tr("You do not have enough space on your phone to complete the synchronization.  You need to free up "
              "%1. Do you want to continue with the sync anyway? Note that if you do this then some %2 will not be "
              "copied.")
        .arg(megabytesText(shortfall), kinds);
}

QString SpaceNeeds::questionText() const
{
    QStringList parts;
    QStringList kinds;
    if (photoBytes > 0) {
        parts << tr("photos and videos %1").arg(megabytesText(photoBytes));
        kinds << tr("photos and videos");
    }
    if (dataFileBytes > 0) {
        parts << tr("data files %1").arg(megabytesText(dataFileBytes));
        kinds << tr("data files");
    }
    if (trackBytes > 0) {
        parts << tr("tracks %1").arg(megabytesText(trackBytes));
        kinds << tr("tracks");
    }
    return plainQuestionText(shortfall(), joined(kinds))
           + tr("\n\nThis sync copies %1; the phone has %2 free.")
                 .arg(parts.join(QStringLiteral(", ")), freeMegabytesText(freeBytes));
}
