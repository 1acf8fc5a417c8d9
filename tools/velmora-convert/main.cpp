// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert [--format korva|android|all] [--password-file FILE] BACKUP OUTDIR: writes the XML
// files (address.xml, messages.xml, calendar.xml) and/or the standard files
// (contacts.vcf, sms-<time>.xml, calendar.ics, calls-<time>.xml, Notes/,
// Voicemail/, Recordings/) from a phone backup with the same code a sync
// runs. Exit status 0 when every file was written from a wholly read backup;
// 1 when nothing could be converted; 2 when some file could not be written or
// some database not (wholly) read, each named on standard error.
#include "ProgressLine.h"
#include "app/GuardedWorkFolder.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "transfer/BackupConversion.h"
#include "transfer/FailureText.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/iphone/BackupCipher.h"

#include "PasswordInput.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPair>
#include <QTextStream>

namespace {

int fail(const QString& message)
{
    QTextStream(stderr) << "velmora-convert: " << message << Qt::endl;
    return 1;
}

// The exit status of a run that converted the backup but not all of it.
constexpr int kExitIncomplete = 2;

// One line on standard error for each file that failed; true when none did.
bool reportFailedFiles(const BackupConversionResult& result)
{
    const QList<QPair<const char*, const ConvertedFile*>> files{
        {"address book", &result.addressBook}, {"messages", &result.messages},
        {"calendar", &result.calendar},        {"contacts.vcf", &result.contactsVcard},
        {"sms-*.xml", &result.smsBackup},      {"calendar.ics", &result.calendarIcs},
        {"calls-*.xml", &result.callLog},      {"notes", &result.notes},
        {"bookmarks.html", &result.bookmarks}, {"voicemail", &result.voicemail},
        {"voice memos", &result.recordings}};
    QTextStream err(stderr);
    bool allWritten = true;
    for (const auto& file : files) {
        if (file.second->code == 0)
            continue;
        allWritten = false;
        err << "velmora-convert: " << file.first << ": " << FailureText::of(file.second->code) << " (error "
            << file.second->code << ")";
        if (file.second->code == DataResult::SourceDamaged && file.second->count >= 0)
            err << "; " << file.second->count << " read";
        err << Qt::endl;
    }
    return allWritten;
}

QString describeFile(const ConvertedFile& file, const QString& missing)
{
    QString text = file.count >= 0 ? QString::number(file.count) : QStringLiteral("(result %1)").arg(file.code);
    return text + (file.path.isEmpty() ? missing : QStringLiteral(" to ") + file.path);
}

void reportStandardFiles(QTextStream& out, const BackupConversionResult& result)
{
    const QList<QPair<const char*, const ConvertedFile*>> files{
        {"Contacts (vCard)", &result.contactsVcard},   {"Messages (SMS Backup & Restore)", &result.smsBackup},
        {"Calendar (iCalendar)", &result.calendarIcs}, {"Calls (SMS Backup & Restore)", &result.callLog},
        {"Notes (text files)", &result.notes},         {"Bookmarks (HTML)", &result.bookmarks},
        {"Voicemail (AMR audio)", &result.voicemail},  {"Voice memos (M4A audio)", &result.recordings}};
    for (const auto& file : files) {
        if (file.second->path.isEmpty() && file.second->code == 0)
            continue;
        out << file.first << ": " << file.second->count << " written" << file.second->attachmentSummary();
        // The other kinds' left-out entries have lines of their own below.
        if (file.second == &result.calendarIcs && file.second->leftOut > 0)
            out << "; " << file.second->leftOut << " without a start date left out";
        if (!file.second->path.isEmpty())
            out << " to " << file.second->path;
        if (file.second->code != 0)
            out << " (result " << file.second->code << ")";
        out << Qt::endl;
    }
    if (result.callLog.leftOut > 0)
        out << "Calls left out: " << result.callLog.leftOut
            << " FaceTime calls to e-mail addresses (a phone's call log holds only numbers)" << Qt::endl;
    if (result.notes.leftOut > 0)
        out << "Notes left out: " << result.notes.leftOut
            << " locked notes were not copied: unlock them on the iPhone first" << Qt::endl;
    if (result.notes.unreadable > 0)
        out << "Notes left out: " << result.notes.unreadable << " whose text could not be decoded" << Qt::endl;
    if (result.voicemail.leftOut > 0)
        out << "Voicemail left out: " << result.voicemail.leftOut << " whose audio is not in the backup" << Qt::endl;
    if (result.recordings.leftOut > 0)
        out << "Voice memos left out: " << result.recordings.leftOut
            << " whose audio is not in the backup (kept only in iCloud)" << Qt::endl;
}

void reportFiles(const BackupConversionResult& result, BackupChoices::Format format)
{
    QTextStream out(stdout);
    reportStandardFiles(out, result);
    if (format == BackupChoices::Format::Android)
        return;
    if (result.kind == BackupConversionResult::Kind::BlackBerry) {
        out << "BlackBerry backup: " << result.databases << " databases" << Qt::endl;
        out << "Contacts written: "
            << describeFile(result.addressBook, QStringLiteral(" (no address book in the backup)")) << Qt::endl;
        out << "Messages written: " << describeFile(result.messages, QStringLiteral(" (no SMS messages in the backup)"))
            << Qt::endl;
        // Only a backup that holds a calendar says so: many hold none.
        if (result.calendar.count >= 0)
            out << "Calendar entries written: " << describeFile(result.calendar, QString()) << Qt::endl;
        return;
    }
    out << "iPhone backup: " << result.photos.size() << " camera-roll files" << Qt::endl;
    out << "Address book (result " << result.addressBook.code << "): " << result.addressBook.path << Qt::endl;
    out << "Messages (result " << result.messages.code << "): " << result.messages.path << Qt::endl;
    out << "Calendar (result " << result.calendar.code << "): " << result.calendar.path << Qt::endl;
}

int report(const BackupConversionResult& result, BackupChoices::Format format)
{
    reportFiles(result, format);
    return reportFailedFiles(result) ? 0 : kExitIncomplete;
}

// Without --password-file an encrypted backup's password is asked for on the
// terminal, three times at most; none is asked when there is no terminal.
constexpr int kPasswordTries = 3;

int convert(const QString& backup, const QString& outputFolder, BackupChoices::Format format, QByteArray password,
            bool passwordGiven)
{
    // The work folder is emptied first: never the user's output folder. It
    // holds copies of the user's databases, so not even a terminated run
    // may leave it behind.
    GuardedWorkFolder work(QStringLiteral("velmora-convert"));
    if (!work.isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    BackupChoices choices;
    choices.format = format;
    choices.password = password;
    BackupCipher::wipe(password);
    // The progress line is gone before a password is asked on the same terminal.
    const auto convertOnce = [&] {
        const ProgressLine progress(stdout);
        return BackupConversion::convert(backup, work.filePath(QStringLiteral("extracted")), outputFolder, choices);
    };
    BackupConversionResult result = convertOnce();
    for (int tries = 0;
         !passwordGiven && tries < kPasswordTries && PasswordInput::canAsk()
         && (result.code == DataResult::IphoneBackupEncrypted || result.code == DataResult::IphoneWrongPassword);
         ++tries) {
        if (result.code == DataResult::IphoneWrongPassword)
            QTextStream(stderr) << "velmora-convert: " << FailureText::of(result.code) << Qt::endl;
        choices.password = PasswordInput::ask(QStringLiteral("Password of the encrypted backup: "));
        if (choices.password.isEmpty())
            break;
        result = convertOnce();
    }
    BackupCipher::wipe(choices.password);
    if (result.code == 0)
        return report(result, format);
    return fail(FailureText::of(result.code) + QStringLiteral(" (error ") + QString::number(result.code)
                + QStringLiteral("): ") + backup);
}

} // namespace

VELMORA_PROGRAM_WITHOUT_TRACE_LOG();

QString usage()
{
    return QStringLiteral("usage: velmora-convert [--format korva|android|all] [--password-file FILE|-] BACKUP OUTDIR");
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
            << "  android  contacts.vcf, sms-<time>.xml and calls-<time>.xml (SMS Backup & Restore), calendar.ics,"
            << Qt::endl
            << "           Notes/<folder>/<title>.txt, bookmarks.html, Voicemail/<date> <sender>.amr," << Qt::endl
            << "           Recordings/<title>.m4a" << Qt::endl
            << "  all      both (the default)" << Qt::endl
            << "An encrypted iPhone backup's password is read from the first line of FILE (- for standard input),"
            << Qt::endl
            << "or asked for on the terminal." << Qt::endl;
        return 0;
    }
    BackupChoices::Format format = BackupChoices::Format::All;
    QByteArray password;
    bool passwordGiven = false;
    while (arguments.size() > 2
           && (arguments.at(0) == QLatin1String("--format") || arguments.at(0) == QLatin1String("--password-file"))) {
        const QString value = arguments.value(1);
        if (arguments.at(0) == QLatin1String("--password-file")) {
            QString error;
            if (!PasswordInput::readFile(value, password, error))
                return fail(error);
            passwordGiven = true;
        } else if (value == QLatin1String("korva")) {
            format = BackupChoices::Format::Korva;
        } else if (value == QLatin1String("android")) {
            format = BackupChoices::Format::Android;
        } else if (value != QLatin1String("all")) {
            return fail(QStringLiteral("unknown format \"") + value + QStringLiteral("\"; ") + usage());
        }
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 2)
        return fail(usage());
    const QString backup = arguments.at(0);
    const QString outputFolder = arguments.at(1);
    if (!QFileInfo::exists(backup))
        return fail(QStringLiteral("no such backup: ") + backup);

    if (BackupConversion::kindOf(backup) != BackupConversionResult::Kind::Unknown)
        return convert(backup, outputFolder, format, password, passwordGiven);
    return fail(QStringLiteral("not a recognised backup (expected a BlackBerry .ipd or .bbb file or an iPhone "
                               "backup folder): ")
                + backup);
}
