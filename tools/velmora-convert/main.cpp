// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert BACKUP OUTDIR: writes OUTDIR/address.xml and OUTDIR/messages.xml
// (and OUTDIR/calendar.xml for an iPhone backup folder) from a phone backup with
// the same code a sync runs. Exit status 0 on success.
#include "app/TraceLog.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/iphone/IphoneConversion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

int fail(const QString& message)
{
    QTextStream(stderr) << "velmora-convert: " << message << Qt::endl;
    return 1;
}

QString describeFailure(int code)
{
    switch (code) {
    case BlackberryBackup::kErrorCannotOpenBackup: return QStringLiteral("cannot read the backup");
    case BlackberryBackup::kErrorNotBackup: return QStringLiteral("no BlackBerry databases found in the backup");
    default: return QStringLiteral("cannot write the output files");
    }
}

int convertBlackberry(const QString& backup, const QString& outputFolder)
{
    const BlackberryConversionResult result = BlackberryConversion::convert(backup, outputFolder);
    if (result.code != 0)
        return fail(describeFailure(result.code) + QStringLiteral(" (error ") + QString::number(result.code)
                    + QStringLiteral("): ") + backup);
    QTextStream out(stdout);
    out << "BlackBerry backup: " << result.databases << " databases" << Qt::endl;
    out << "Contacts written: " << result.contacts
        << (result.addressBookPath.isEmpty() ? QStringLiteral(" (no address book in the backup)")
                                             : QStringLiteral(" to ") + result.addressBookPath)
        << Qt::endl;
    out << "Messages written: " << result.messages
        << (result.messagesPath.isEmpty() ? QStringLiteral(" (no SMS messages in the backup)")
                                          : QStringLiteral(" to ") + result.messagesPath)
        << Qt::endl;
    return 0;
}

int convertIphone(const QString& backup, const QString& outputFolder)
{
    // The extraction folder is emptied first: never the user's output folder.
    QTemporaryDir extraction;
    if (!extraction.isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    IphoneConversionChoices choices;
    choices.settleDelayMs = 0;
    const IphoneConversionResult result =
        IphoneConversion::convert(backup, extraction.filePath(QStringLiteral("extracted")), outputFolder, choices);
    if (result.code != 0)
        return fail(QStringLiteral("cannot read the iPhone backup; is it encrypted? (error ")
                    + QString::number(result.code) + QStringLiteral("): ") + backup);
    QTextStream out(stdout);
    out << "iPhone backup: " << result.photos.size() << " camera-roll files" << Qt::endl;
    out << "Address book (result " << result.addressBookCode << "): " << result.addressBookPath << Qt::endl;
    out << "Messages (result " << result.messagesCode << "): " << result.messagesPath << Qt::endl;
    out << "Calendar (result " << result.calendarCode << "): " << result.calendarPath << Qt::endl;
    return 0;
}

} // namespace

VELMORA_PROGRAM_WITHOUT_TRACE_LOG();

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--version")) {
        QTextStream(stdout) << "velmora-convert " VELMORA_VERSION << Qt::endl;
        return 0;
    }
    if (arguments.size() != 3)
        return fail(QStringLiteral("usage: velmora-convert BACKUP OUTDIR"));
    const QString backup = arguments.at(1);
    const QString outputFolder = arguments.at(2);
    if (!QFileInfo::exists(backup))
        return fail(QStringLiteral("no such backup: ") + backup);

    if (BlackberryBackup::isBackupPath(backup))
        return convertBlackberry(backup, outputFolder);
    if (IphoneConversion::isBackupFolder(backup))
        return convertIphone(backup, outputFolder);
    return fail(QStringLiteral("not a recognised backup (expected a BlackBerry .ipd or .bbb file or an iPhone "
                               "backup folder): ")
                + backup);
}
