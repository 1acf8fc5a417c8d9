// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert BACKUP OUTDIR: writes OUTDIR/address.xml and OUTDIR/messages.xml
// (and OUTDIR/calendar.xml for an iPhone backup folder) from a phone backup with
// the same code a sync runs. Exit status 0 on success.
#include "app/TraceLog.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/BackupConversion.h"

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

QString describeFile(const ConvertedFile& file, const QString& missing)
{
    QString text = file.count >= 0 ? QString::number(file.count) : QStringLiteral("(result %1)").arg(file.code);
    return text + (file.path.isEmpty() ? missing : QStringLiteral(" to ") + file.path);
}

int report(const BackupConversionResult& result)
{
    QTextStream out(stdout);
    if (result.kind == BackupConversionResult::Kind::BlackBerry) {
        out << "BlackBerry backup: " << result.databases << " databases" << Qt::endl;
        out << "Contacts written: " << describeFile(result.addressBook, QStringLiteral(" (no address book in the backup)"))
            << Qt::endl;
        out << "Messages written: " << describeFile(result.messages, QStringLiteral(" (no SMS messages in the backup)"))
            << Qt::endl;
        return 0;
    }
    out << "iPhone backup: " << result.photos.size() << " camera-roll files" << Qt::endl;
    out << "Address book (result " << result.addressBook.code << "): " << result.addressBook.path << Qt::endl;
    out << "Messages (result " << result.messages.code << "): " << result.messages.path << Qt::endl;
    out << "Calendar (result " << result.calendar.code << "): " << result.calendar.path << Qt::endl;
    return 0;
}

int convert(const QString& backup, const QString& outputFolder)
{
    // The work folder is emptied first: never the user's output folder.
    QTemporaryDir work;
    if (!work.isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    BackupChoices choices;
    choices.settleDelayMs = 0;
    const BackupConversionResult result =
        BackupConversion::convert(backup, work.filePath(QStringLiteral("extracted")), outputFolder, choices);
    if (result.code == 0)
        return report(result);
    if (result.kind == BackupConversionResult::Kind::Iphone)
        return fail(QStringLiteral("cannot read the iPhone backup; is it encrypted? (error ")
                    + QString::number(result.code) + QStringLiteral("): ") + backup);
    return fail(describeFailure(result.code) + QStringLiteral(" (error ") + QString::number(result.code)
                + QStringLiteral("): ") + backup);
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

    if (BackupConversion::kindOf(backup) != BackupConversionResult::Kind::Unknown)
        return convert(backup, outputFolder);
    return fail(QStringLiteral("not a recognised backup (expected a BlackBerry .ipd or .bbb file or an iPhone "
                               "backup folder): ")
                + backup);
}
