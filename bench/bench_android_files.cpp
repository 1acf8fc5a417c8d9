// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The standard files' writers: 300,000 messages into the SMS Backup & Restore
// file (goal: at least 300,000 a second, memory flat) and 50,000 contacts into
// contacts.vcf (goal: at least 100,000 a second). Prints the figures.
#include "transfer/android/ContactNames.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/android/VCardWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int kMessages = 300000;
constexpr int kContacts = 50000;

// Resets the peak first, so that the figure is the writer's own.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

qint64 residentBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

ContactRecord contact(int i)
{
    ContactRecord record;
    record.entries = {
        ContactEntry{AddressBookXml::firstName(), std::nullopt, QStringLiteral("Given%1").arg(i), {}},
        ContactEntry{AddressBookXml::lastName(), std::nullopt, QStringLiteral("Family, name; %1").arg(i), {}},
        ContactEntry{AddressBookXml::organization(), std::nullopt, QStringLiteral("Company %1").arg(i % 100), {}},
        ContactEntry{AddressBookXml::phone(),
                     QStringLiteral("mobile"),
                     QStringLiteral("+44 7700 %1").arg(i, 6, 10, QLatin1Char('0')),
                     {}},
        ContactEntry{
            AddressBookXml::email(), QStringLiteral("home"), QStringLiteral("person%1@example.com").arg(i), {}},
        ContactEntry{AddressBookXml::address(),
                     QStringLiteral("home"),
                     QString(),
                     {{AddressBookXml::street(), QStringLiteral("%1 Long Street Name Avenue").arg(i)},
                      {AddressBookXml::city(), QStringLiteral("Leeds")}}},
    };
    record.note = QStringLiteral("A note that runs on long enough to need folding at seventy-five octets: %1").arg(i);
    return record;
}

double messagesPerSecond(const QString& folder, bool inOrder, qint64& peakGrowth)
{
    ContactNames names;
    for (int i = 0; i < 1000; ++i)
        names.add(contact(i));
    MessageEntry message;
    message.text =
        QStringLiteral("Running late, the train is stuck outside the station again. Be there soon \U0001F600");
    SmsBackupWriter writer;
    if (writer.open(folder + QStringLiteral("/sms.xml")) != 0)
        return 0;
    resetPeak();
    const qint64 before = residentBytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMessages; ++i) {
        message.address = QStringLiteral("+447700%1").arg(i % 2000, 6, 10, QLatin1Char('0'));
        const qint64 seconds = 1300000000 + (inOrder ? i : (i * 7919) % kMessages);
        message.date = QString::number(seconds);
        message.direction = i % 2 ? MessageEntry::Direction::Sent : MessageEntry::Direction::Received;
        writer.add(message);
    }
    if (writer.finish(&names) != 0)
        return 0;
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    peakGrowth = residentBytes("VmHWM:") - before;
    return kMessages / elapsed;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir work;

    for (const bool inOrder : {true, false}) {
        qint64 growth = 0;
        const double rate = messagesPerSecond(work.path(), inOrder, growth);
        out << "SMS file, " << kMessages << " messages " << (inOrder ? "in date order" : "out of date order") << ": "
            << qRound(rate) << " messages/s (goal 300000), peak RSS growth "
            << QString::number(double(growth) / (1024.0 * 1024.0), 'f', 1) << " MB" << Qt::endl;
    }

    QList<ContactRecord> contacts;
    contacts.reserve(kContacts);
    for (int i = 0; i < kContacts; ++i)
        contacts.append(contact(i));
    VCardWriter writer;
    if (writer.open(work.filePath(QStringLiteral("contacts.vcf"))) != 0)
        return 1;
    QElapsedTimer timer;
    timer.start();
    for (const ContactRecord& record : std::as_const(contacts))
        writer.add(record);
    if (writer.finish() != 0)
        return 1;
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    out << "contacts.vcf, " << kContacts << " contacts: " << qRound(kContacts / elapsed) << " contacts/s (goal 100000)"
        << Qt::endl;
    return 0;
}
