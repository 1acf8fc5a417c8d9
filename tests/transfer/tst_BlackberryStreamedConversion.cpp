// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// A BlackBerry backup read record by record gives the files that reading it
// whole gave, byte for byte, and its records reach the files as they are read.
#include "transfer/BackupConversion.h"
#include "transfer/ConversionProgress.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryRecordRouter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(VELMORA_TEST_DATA_DIR "/blackberry/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing: ") + path.toUtf8() + ')';
}

QString onlyFile(const QString& folder, const QString& pattern)
{
    const QStringList found = QDir(folder).entryList({pattern}, QDir::Files);
    return found.size() == 1 ? QDir(folder).filePath(found.first()) : QString();
}

} // namespace

class TestBlackberryStreamedConversion : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatTheWholeReadWrote();
    void headersAloneCountWhatTheWholeReadKeeps();
};

void TestBlackberryStreamedConversion::writesWhatTheWholeReadWrote()
{
    // The fixture interleaves the kinds, names "SMS Messages" twice (only the
    // first counts), and holds a damaged record and records that yield nothing.
    QHash<QString, QPair<qint64, qint64>> last;
    ConversionProgress::setListener([&last](const QString& kind, qint64 done, qint64 total) {
        last.insert(kind, {done, total});
    });
    QTemporaryDir work;
    BackupChoices choices;
    choices.format = BackupChoices::Format::All;
    const QString out = work.filePath(QStringLiteral("out"));
    const BackupConversionResult result =
        BackupConversion::convert(fixture(QStringLiteral("interleaved.ipd")), out, out, choices);
    ConversionProgress::setListener({});
    QCOMPARE(result.firstFailure(), 0);
    // The first pass over the headers gave the totals before any record was converted.
    QCOMPARE(last.value(ConversionProgress::nameOf(ConversionProgress::Kind::Messages)), qMakePair(5LL, 5LL));
    QCOMPARE(last.value(ConversionProgress::nameOf(ConversionProgress::Kind::Contacts)), qMakePair(3LL, 3LL));
    const QString expected = fixture(QStringLiteral("interleaved/"));
    for (const QString& name :
         {QStringLiteral("address.xml"), QStringLiteral("messages.xml"), QStringLiteral("contacts.vcf")})
        QCOMPARE(readAll(QDir(out).filePath(name)), readAll(expected + name));
    QCOMPARE(readAll(onlyFile(out, QStringLiteral("sms-*.xml"))), readAll(expected + QStringLiteral("sms.xml")));
    QCOMPARE(readAll(onlyFile(out, QStringLiteral("calls-*.xml"))), readAll(expected + QStringLiteral("calls.xml")));
    QCOMPARE(readAll(out + QStringLiteral("/Notes/Notes/Shopping.txt")),
             readAll(expected + QStringLiteral("Shopping.txt")));
    QCOMPARE(result.messages.count, 4);
    QCOMPARE(result.addressBook.count, 3);
    QCOMPARE(result.callLog.count, 3);
}

void TestBlackberryStreamedConversion::headersAloneCountWhatTheWholeReadKeeps()
{
    BackupDatabaseTable whole;
    QCOMPARE(BlackberryBackup::read(fixture(QStringLiteral("interleaved.ipd")), QString(), whole), 0);
    BlackberryRecordCounter counter;
    BackupDatabaseTable names;
    QCOMPARE(BlackberryBackup::read(fixture(QStringLiteral("interleaved.ipd")), QString(), names, &counter), 0);
    QCOMPARE(names.names(), whole.names());
    for (int id = 0; id < whole.count(); ++id) {
        QCOMPARE(counter.counts().value(id), qint64(whole.database(id).records.size()));
        QVERIFY(names.database(id).records.isEmpty());
    }
    QCOMPARE(counter.counts().value(1), qint64(5)); // the damaged record is not one
}

QTEST_GUILESS_MAIN(TestBlackberryStreamedConversion)
#include "tst_BlackberryStreamedConversion.moc"
