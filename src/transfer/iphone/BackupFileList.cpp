// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/BackupFileList.h"

#include "app/TraceLog.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

namespace {

QStringList splitPlace(const QString& place)
{
    QStringList components;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= place.size(); ++i) {
        if (i == place.size() || place.at(i) == QLatin1Char('/') || place.at(i) == QLatin1Char('\\')) {
            if (i > start)
                components.append(place.mid(start, i - start));
            start = i + 1;
        }
    }
    return components;
}

bool isLibrary(const QString& component)
{
    return component == QLatin1String("HomeDomainLibrary") || component == QLatin1String("Library");
}

} // namespace

int BackupFileList::read(QIODevice& device, const RecordHandler& handler)
{
    TraceScope trace("BackupFileList::read");
    QTextStream stream(&device);
    int records = 0;
    while (!stream.atEnd()) {
        const QString source = stream.readLine();
        const QString place = stream.readLine();
        handler(source, place);
        ++records;
    }
    traceValue("records", records);
    return records;
}

BackupFileList::Match BackupFileList::classify(const QString& place)
{
    Match match;
    const QStringList components = splitPlace(place);
    if (components.size() > 2
        && (components.at(0) == QLatin1String("CameraRollDomainMedia") || components.at(0) == QLatin1String("Media"))
        && components.at(1) == QLatin1String("DCIM")) {
        QString destination;
        for (qsizetype i = 2; i < components.size(); ++i) {
            // Hidden entries (.MISC and the like) are the camera's own
            // bookkeeping; "." and ".." could also climb out of DCIM.
            if (components.at(i).startsWith(QLatin1Char('.')))
                return match;
            destination += QLatin1Char('/') + components.at(i);
        }
        match.mKind = Photo;
        match.mDestination = destination;
        return match;
    }
    if (components.size() == 3 && isLibrary(components.at(0))) {
        const QString& folder = components.at(1);
        const QString& file = components.at(2);
        if (folder == QLatin1String("AddressBook") && file == QLatin1String("AddressBook.sqlitedb"))
            match.mKind = AddressBook;
        else if (folder == QLatin1String("AddressBook") && file == QLatin1String("AddressBookImages.sqlitedb"))
            match.mKind = AddressBookImages;
        else if (folder == QLatin1String("SMS") && file == QLatin1String("sms.db"))
            match.mKind = Messages;
        else if (folder == QLatin1String("Calendar") && file == QLatin1String("Calendar.sqlitedb"))
            match.mKind = Calendar;
    }
    return match;
}
