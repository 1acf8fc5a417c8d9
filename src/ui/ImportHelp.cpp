// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/ImportHelp.h"

#include "transfer/BackupConversion.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ImportHelp", text);
}

bool hasEntries(const ConvertedFile& file)
{
    return !file.path.isEmpty() && file.count != 0;
}

} // namespace

int ImportHelp::kindsWritten(const BackupConversionResult& transfer)
{
    int kinds = 0;
    const std::initializer_list<std::pair<const ConvertedFile*, Kind>> files{
        {&transfer.contactsVcard, Contacts}, {&transfer.calendarIcs, Calendar}, {&transfer.smsBackup, Messages},
        {&transfer.callLog, Calls},          {&transfer.notes, Notes},          {&transfer.bookmarks, Bookmarks},
        {&transfer.voicemail, Recordings},   {&transfer.recordings, Recordings}};
    for (const auto& [file, kind] : files) {
        if (hasEntries(*file))
            kinds |= kind;
    }
    return kinds;
}

QString ImportHelp::listHtml(int kinds)
{
    const std::initializer_list<std::pair<Kind, const char*>> lines{
        {Contacts, "<li><b>Contacts</b>: open the Contacts app, choose Import from a .vcf file and pick "
                   "<b>contacts.vcf</b>.</li>"},
        {Calendar, "<li><b>Calendar</b>: open <b>calendar.ics</b> with a calendar app that imports .ics files.</li>"},
        {Messages, "<li><b>Text messages</b>: install the SMS Backup &amp; Restore app, choose Restore and pick the "
                   "<b>sms-...xml</b> file.</li>"},
        {Calls, "<li><b>Call history</b>: in the SMS Backup &amp; Restore app, choose Restore and pick the "
                "<b>calls-...xml</b> file.</li>"},
        {Notes, "<li><b>Notes</b>: the <b>Notes</b> folder holds each note as a text file that any notes or "
                "files app opens.</li>"},
        {Bookmarks, "<li><b>Bookmarks</b>: import <b>bookmarks.html</b> in the browser's bookmark settings.</li>"},
        {Recordings, "<li><b>Voicemail and recordings</b>: the <b>Voicemail</b> and <b>Recordings</b> folders play "
                     "in the phone's music or files app.</li>"}};
    QString items;
    for (const auto& [kind, line] : lines) {
        if (kinds & kind)
            items += tr(line);
    }
    return items.isEmpty() ? QString() : QStringLiteral("<ul>") + items + QStringLiteral("</ul>");
}
