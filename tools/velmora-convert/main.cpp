// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert [--format korva|android|all] BACKUP OUTDIR: writes the XML
// files (address.xml, messages.xml, calendar.xml) and/or the standard files
// (contacts.vcf, sms-<time>.xml, calendar.ics) from a phone backup with the
// same code a sync runs. Exit status 0 on success.
#include "app/TraceLog.h"
#include "transfer/BackupConversion.h"
#include "transfer/blackberry/BlackberryBackup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPair>
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
    case BlackberryBackup::kErrorCannotOpenBackup:
        return QStringLiteral("cannot read the backup");
    case BlackberryBackup::kErrorNotBackup:
        return QStringLiteral("no BlackBerry databases found in the backup");
    default:
        return QStringLiteral("cannot write the output files");
    }
}

QString describeFile(const ConvertedFile& file, const QString& missing)
{
    QString text = file.count >= 0 ? QString::number(file.count) : QStringLiteral("(result %1)").arg(file.code);
    return text + (file.path.isEmpty() ? missing : QStringLiteral(" to ") + file.path);
}

void reportStandardFiles(QTextStream& out, const BackupConversionResult& result)
{
    const QList<QPair<const char*, const ConvertedFile*>> files{{"Contacts (vCard)", &result.contactsVcard},
                                                                {"Messages (SMS Backup & Restore)", &result.smsBackup},
                                                                {"Calendar (iCalendar)", &result.calendarIcs}};
    for (const auto& file : files) {
        if (file.second->path.isEmpty() && file.second->code == 0)
            continue;
        out << file.first << ": " << file.second->count << " written" << file.second->attachmentSummary();
        if (!file.second->path.isEmpty())
            out << " to " << file.second->path;
        if (file.second->code != 0)
            out << " (result " << file.second->code << ")";
        out << Qt::endl;
    }
}

int report(const BackupConversionResult& result, BackupChoices::Format format)
{
    QTextStream out(stdout);
    reportStandardFiles(out, result);
    if (format == BackupChoices::Format::Android)
        return 0;
    if (result.kind == BackupConversionResult::Kind::BlackBerry) {
        out << "BlackBerry backup: " << result.databases << " databases" << Qt::endl;
        out << "Contacts written: "
            << describeFile(result.addressBook, QStringLiteral(" (no address book in the backup)")) << Qt::endl;
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

int convert(const QString& backup, const QString& outputFolder, BackupChoices::Format format)
{
    // The work folder is emptied first: never the user's output folder.
    QTemporaryDir work;
    if (!work.isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    BackupChoices choices;
    choices.settleDelayMs = 0;
    choices.format = format;
    const BackupConversionResult result =
        BackupConversion::convert(backup, work.filePath(QStringLiteral("extracted")), outputFolder, choices);
    if (result.code == 0)
        return report(result, format);
    if (result.kind == BackupConversionResult::Kind::Iphone)
        return fail(QStringLiteral("cannot read the iPhone backup; is it encrypted? (error ")
                    + QString::number(result.code) + QStringLiteral("): ") + backup);
    return fail(describeFailure(result.code) + QStringLiteral(" (error ") + QString::number(result.code)
                + QStringLiteral("): ") + backup);
}

} // namespace

VELMORA_PROGRAM_WITHOUT_TRACE_LOG();

QString usage()
{
    return QStringLiteral("usage: velmora-convert [--format korva|android|all] BACKUP OUTDIR");
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 1 && arguments.at(0) == QLatin1String("--version")) {
        QTextStream(stdout) << "velmora-convert " VELMORA_VERSION << Qt::endl;
        return 0;
    }
    if (arguments.size() == 1 && arguments.at(0) == QLatin1String("--help")) {
        QTextStream(stdout)
            << usage() << Qt::endl
            << "Converts a BlackBerry (.ipd, .bbb) or unencrypted iPhone backup into files for an Android phone."
            << Qt::endl
            << "  korva    address.xml, messages.xml, calendar.xml for the Velmora companion app" << Qt::endl
            << "  android  contacts.vcf, sms-<time>.xml (SMS Backup & Restore), calendar.ics" << Qt::endl
            << "  all      both (the default)" << Qt::endl;
        return 0;
    }
    BackupChoices::Format format = BackupChoices::Format::All;
    if (!arguments.isEmpty() && arguments.at(0) == QLatin1String("--format")) {
        const QString name = arguments.value(1);
        if (name == QLatin1String("korva"))
            format = BackupChoices::Format::Korva;
        else if (name == QLatin1String("android"))
            format = BackupChoices::Format::Android;
        else if (name != QLatin1String("all"))
            return fail(QStringLiteral("unknown format \"") + name + QStringLiteral("\"; ") + usage());
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 2)
        return fail(usage());
    const QString backup = arguments.at(0);
    const QString outputFolder = arguments.at(1);
    if (!QFileInfo::exists(backup))
        return fail(QStringLiteral("no such backup: ") + backup);

    if (BackupConversion::kindOf(backup) != BackupConversionResult::Kind::Unknown)
        return convert(backup, outputFolder, format);
    return fail(QStringLiteral("not a recognised backup (expected a BlackBerry .ipd or .bbb file or an iPhone "
                               "backup folder): ")
                + backup);
}
