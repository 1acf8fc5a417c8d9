// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupDatabases.h"
#include "support/IphoneBackupXml.h"
#include "transfer/iphone/AppleExtractor.h"
#include "transfer/iphone/IphoneAddressBookExport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList convert(const QString& book, const QString& images, int& result)
{
    QTemporaryDir out;
    AppleExtractor extractor;
    extractor.setAddressBookPath(book);
    extractor.setAddressBookImagesPath(images);
    const QString xml = out.filePath(QStringLiteral("address.xml"));
    result = extractor.generateAddressBookXML(out.path(), xml);
    return IphoneBackupXml::linesUnder(IphoneBackupXml::outline(xml), QString());
}

// Copies a sample folder, so that SQLite may write beside the copies.
QString copySample(const QString& sample, const QString& target)
{
    QDir().mkpath(target);
    const QDir source(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/") + sample);
    for (const QString& name : source.entryList(QDir::Files)) {
        QFile::copy(source.filePath(name), QDir(target).filePath(name));
        QFile::setPermissions(QDir(target).filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    }
    return target;
}

QStringList sampleBook()
{
    QStringList s = IphoneBackupDatabases::addressBookSchema();
    s << "INSERT INTO ABPerson (ROWID, First, Middle, Last, Organization, Birthday) VALUES"
         " (1, 'Anna', 'B', 'Carter', 'Acme', '0'),"
         " (2, NULL, NULL, NULL, NULL, NULL),"
         " (3, '', NULL, 'Old', NULL, '-2000000000.5'),"
         " (4, 'Iso', NULL, NULL, NULL, '1990-04-01'),"
         " (5, 'Big', NULL, NULL, NULL, '3.4e8')"
      << "INSERT INTO ABMultiValueLabel (rowid, value) VALUES (1, '_$!<Mobile>!$_'), (2, '_$!<Home>!$_'),"
         " (3, 'my own label'), (4, '_$!<Work>!$_'), (5, '_$!<HomePage>!$_'), (6, '_$!<Main>!$_')"
      << "INSERT INTO ABMultiValue (UID, record_id, property, label, value) VALUES"
         " (10, 1, 3, 1, '+49 170 1'), (11, 1, 3, 3, '+49 170 2'), (12, 1, 4, 4, 'anna@work.example'),"
         " (13, 1, 5, 2, NULL), (14, 1, 22, 5, 'https://anna.example'), (15, 1, 3, 6, ''),"
         " (16, 1, 13, NULL, 'im:anna'), (17, 1, NULL, 1, 'no property'), (18, 1, 3, 77, 'dangling label')"
      << "INSERT INTO ABMultiValueEntryKey (rowid, value) VALUES (1, 'Street'), (2, 'City'), (3, 'ZIP'),"
         " (4, 'Country'), (5, 'CountryCode'), (6, 'State'), (7, 'SubLocality'), (8, 'street lower')"
      << "INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES"
         " (13, 1, 'Main St 1' || char(10) || 'Back'), (13, 2, 'Berlin'), (13, 3, '10115'),"
         " (13, 4, 'Germany'), (13, 5, 'de'), (13, 6, 'BE'), (13, 7, 'Mitte')";
    return s;
}

} // namespace

class TestIphoneAddressBook : public QObject
{
    Q_OBJECT

private slots:
    void mapsLabelsAndKeys_data();
    void mapsLabelsAndKeys();
    void writesContacts();
    void entriesOfValuesOutOfOrder();
    void photos_data();
    void photos();
    void realIos15WithImagesAndWal();
    void realIos16WalOnly();
    void realIos18();
    void failures();
};

void TestIphoneAddressBook::mapsLabelsAndKeys_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("written");
    QTest::newRow("home") << "label"
                          << "_$!<Home>!$_"
                          << "home";
    QTest::newRow("work") << "label"
                          << "_$!<Work>!$_"
                          << "work";
    QTest::newRow("homepage") << "label"
                              << "_$!<HomePage>!$_"
                              << "homepage";
    QTest::newRow("main") << "label"
                          << "_$!<Main>!$_"
                          << "main";
    QTest::newRow("mobile") << "label"
                            << "_$!<Mobile>!$_"
                            << "mobile";
    QTest::newRow("iPhone label") << "label"
                                  << "_$!<iPhone>!$_"
                                  << "";
    QTest::newRow("custom label") << "label"
                                  << "Mobile"
                                  << "";
    QTest::newRow("no label") << "label"
                              << ""
                              << "";
    QTest::newRow("phone") << "property"
                           << "3"
                           << "phone";
    QTest::newRow("email") << "property"
                           << "4"
                           << "email";
    QTest::newRow("address") << "property"
                             << "5"
                             << "address";
    QTest::newRow("url") << "property"
                         << "22"
                         << "url";
    QTest::newRow("other property") << "property"
                                    << "13"
                                    << "unknown";
    QTest::newRow("property 03") << "property"
                                 << "03"
                                 << "unknown";
    QTest::newRow("Country") << "key"
                             << "Country"
                             << "country";
    QTest::newRow("Street") << "key"
                            << "Street"
                            << "street";
    QTest::newRow("ZIP") << "key"
                         << "ZIP"
                         << "zip";
    QTest::newRow("City") << "key"
                          << "City"
                          << "city";
    QTest::newRow("CountryCode") << "key"
                                 << "CountryCode"
                                 << "country_code";
    QTest::newRow("State") << "key"
                           << "State"
                           << "state";
    QTest::newRow("lower-case key") << "key"
                                    << "street"
                                    << "street";
    QTest::newRow("other key") << "key"
                               << "SubAdministrativeArea"
                               << "unknown";
}

void TestIphoneAddressBook::mapsLabelsAndKeys()
{
    QFETCH(QString, kind);
    QFETCH(QString, stored);
    QFETCH(QString, written);
    if (kind == QLatin1String("label"))
        QCOMPARE(IphoneAddressBookExport::typeForLabel(stored), written);
    else if (kind == QLatin1String("property"))
        QCOMPARE(IphoneAddressBookExport::elementForProperty(stored), written);
    else
        QCOMPARE(IphoneAddressBookExport::elementForEntryKey(stored), written);
}

void TestIphoneAddressBook::writesContacts()
{
    QTemporaryDir temp;
    const QString book = temp.filePath(QStringLiteral("AddressBook.sqlitedb"));
    QVERIFY(IphoneBackupDatabases::create(book, sampleBook()));
    int result = 1;
    const QStringList lines = convert(book, QString(), result);
    QCOMPARE(result, 0);
    QCOMPARE(lines, (QStringList{
                        "person",
                        "person/first_name=Anna",
                        "person/middle_name=B",
                        "person/last_name=Carter",
                        "person/organization=Acme",
                        "person/birthday=978264000",
                        "person/phone[type=mobile][value=+49 170 1]",
                        "person/phone[type=][value=+49 170 2]",
                        "person/email[type=work][value=anna@work.example]",
                        "person/address[type=home][value=]",
                        "person/address/street=Main St 1Back",
                        "person/address/city=Berlin",
                        "person/address/zip=10115",
                        "person/address/country=Germany",
                        "person/address/country_code=de",
                        "person/address/state=BE",
                        "person/address/unknown=Mitte",
                        "person/url[type=homepage][value=https://anna.example]",
                        "person/phone[type=main][value=]",
                        "person/unknown[type=][value=im:anna]",
                        "person/phone[type=][value=dangling label]",
                        "person",
                        "person",
                        "person/first_name",
                        "person/last_name=Old",
                        // Before 1970: a small negative number, never wrapped.
                        "person/birthday=-1021736000",
                        "person",
                        "person/first_name=Iso",
                        "person",
                        "person/first_name=Big",
                        // Whole seconds, also where single precision would round.
                        "person/birthday=1318264000",
                    }));
}

// A value added to a person later has a higher UID than the next person's
// values; each address still gets its own entries, in stored order, and
// entries whose value is gone appear nowhere.
void TestIphoneAddressBook::entriesOfValuesOutOfOrder()
{
    QTemporaryDir temp;
    const QString book = temp.filePath(QStringLiteral("AddressBook.sqlitedb"));
    QStringList s = IphoneBackupDatabases::addressBookSchema();
    s << "INSERT INTO ABPerson (ROWID, First) VALUES (1, 'A'), (2, 'B'), (3, 'C')"
      << "INSERT INTO ABMultiValueEntryKey (rowid, value) VALUES (1, 'Street'), (2, 'City')"
      << "INSERT INTO ABMultiValue (UID, record_id, property, value) VALUES"
         " (30, 1, 5, NULL), (20, 2, 5, NULL), (40, 3, 3, '+1'), (35, 3, 5, NULL), (10, 1, 5, NULL)"
      << "INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES"
         " (35, 2, 'C city'), (20, 1, 'B street'), (25, 1, 'orphan'), (30, 2, 'A late city'),"
         " (35, 1, 'C street'), (10, 1, 'A street'), (30, 1, 'A late street')";
    QVERIFY(IphoneBackupDatabases::create(book, s));
    int result = 1;
    const QStringList lines = convert(book, QString(), result);
    QCOMPARE(result, 0);
    QCOMPARE(lines, (QStringList{
                        "person",
                        "person/first_name=A",
                        "person/address[type=][value=]",
                        "person/address/street=A street",
                        "person/address[type=][value=]",
                        "person/address/city=A late city",
                        "person/address/street=A late street",
                        "person",
                        "person/first_name=B",
                        "person/address[type=][value=]",
                        "person/address/street=B street",
                        "person",
                        "person/first_name=C",
                        "person/address[type=][value=]",
                        "person/address/city=C city",
                        "person/address/street=C street",
                        "person/phone[type=][value=+1]",
                    }));
}

void TestIphoneAddressBook::photos_data()
{
    QTest::addColumn<bool>("thumbnailTable");
    QTest::newRow("ABThumbnailImage") << true;
    QTest::newRow("older ABImage") << false;
}

void TestIphoneAddressBook::photos()
{
    QFETCH(bool, thumbnailTable);
    QTemporaryDir temp;
    const QString book = temp.filePath(QStringLiteral("AddressBook.sqlitedb"));
    const QString images = temp.filePath(QStringLiteral("AddressBookImages.sqlitedb"));
    QVERIFY(IphoneBackupDatabases::create(book, sampleBook()));
    const QString table = thumbnailTable ? QStringLiteral("ABThumbnailImage") : QStringLiteral("ABImage");
    QVERIFY(
        IphoneBackupDatabases::create(images, IphoneBackupDatabases::addressBookImagesSchema(thumbnailTable)
                                                  << "INSERT INTO " + table
                                                         + " (record_id, format, data) VALUES (1, 0, X'FFD8FF00E0'),"
                                                           " (1, 5, X'0102'), (3, 5, X'0304')"));
    int result = 1;
    const QStringList lines = convert(book, images, result);
    QCOMPARE(result, 0);
    QCOMPARE(lines.filter(QStringLiteral("photo")), QStringList{"person/photo=/9j/AOA="});
    QCOMPARE(lines.indexOf(QStringLiteral("person/photo=/9j/AOA=")),
             lines.indexOf(QStringLiteral("person/phone[type=][value=dangling label]")) + 1);
}

void TestIphoneAddressBook::realIos15WithImagesAndWal()
{
    QTemporaryDir temp;
    const QString folder = copySample(QStringLiteral("ios15-addressbook"), temp.filePath(QStringLiteral("ab")));
    int result = 1;
    const QStringList lines = convert(folder + QStringLiteral("/AddressBook.sqlitedb"),
                                      folder + QStringLiteral("/AddressBookImages.sqlitedb"), result);
    QCOMPARE(result, 0);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^person$"))).size(), 9);
    QVERIFY(lines.contains(QStringLiteral("person/phone[type=mobile][value=(919) 888-7386]")));
    QVERIFY(lines.contains(QStringLiteral("person/phone[type=][value=(919) 391-2507]")));
    QVERIFY(lines.contains(QStringLiteral("person/url[type=homepage][value=http://www.apple.com]")));
    const int address = int(lines.indexOf(QStringLiteral("person/address[type=work][value=]")));
    QVERIFY(address > 0);
    QCOMPARE(lines.mid(address + 1, 6),
             (QStringList{"person/address/street=One Apple Park Way", "person/address/zip=95014",
                          "person/address/city=Cupertino", "person/address/country_code=us", "person/address/state=CA",
                          "person/address/country=United States"}));
    // Two of the four thumbnails are format 0, for persons 3 and 4.
    const QStringList photos = lines.filter(QStringLiteral("person/photo="));
    QCOMPARE(photos.size(), 2);
    for (const QString& photo : photos) {
        const QByteArray bytes = QByteArray::fromBase64(photo.mid(13).toLatin1());
        QVERIFY(bytes.startsWith("\xff\xd8") || bytes.startsWith("\x89PNG"));
    }
}

void TestIphoneAddressBook::realIos16WalOnly()
{
    QTemporaryDir temp;
    const QString folder =
        copySample(QStringLiteral("ios16-addressbook-wal-only"), temp.filePath(QStringLiteral("ab")));
    int result = 1;
    const QStringList lines = convert(folder + QStringLiteral("/AddressBook.sqlitedb"),
                                      folder + QStringLiteral("/AddressBookImages.sqlitedb"), result);
    QCOMPARE(result, 0);
    // The one person lives only in the -wal file.
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^person$"))).size(), 1);
    QVERIFY(lines.size() > 1);
}

void TestIphoneAddressBook::realIos18()
{
    QTemporaryDir temp;
    const QString book = temp.filePath(QStringLiteral("AddressBook.sqlitedb"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/ios18-AddressBook.sqlitedb"), book));
    QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
    int result = 1;
    const QStringList lines = convert(book, QString(), result);
    QCOMPARE(result, 0);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^person$"))).size(), 4);
    QVERIFY(lines.contains(QStringLiteral("person/organization=Acme Synthetics")));
    QVERIFY(lines.contains(QStringLiteral("person/first_name=Solo")));
    // The broken label (no such label row) gives an empty type.
    QVERIFY(lines.contains(QStringLiteral("person/phone[type=][value=+1 555 0199]")));
    QVERIFY(lines.contains(QStringLiteral("person/address/street=1 Synthetic Way")));
    QVERIFY(lines.contains(QStringLiteral("person/address/zip=00001")));
    // "1990-04-01" is no stored birthday: left out rather than made up.
    QVERIFY(lines.filter(QStringLiteral("birthday")).isEmpty());
}

void TestIphoneAddressBook::failures()
{
    QTemporaryDir temp;
    int result = 0;
    QCOMPARE(convert(QString(), QString(), result), QStringList());
    QCOMPARE(result, -12002);
    const QString empty = temp.filePath(QStringLiteral("empty.sqlitedb"));
    QVERIFY(IphoneBackupDatabases::create(empty, {QStringLiteral("CREATE TABLE x (y)")}));
    QCOMPARE(convert(empty, QString(), result), QStringList());
    QCOMPARE(result, -12002);

    // Without the multi-value tables each contact is still written, shortened.
    const QString personsOnly = temp.filePath(QStringLiteral("persons.sqlitedb"));
    QVERIFY(IphoneBackupDatabases::create(
        personsOnly, {QStringLiteral("CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First TEXT)"),
                      QStringLiteral("INSERT INTO ABPerson VALUES (1, 'Solo')")}));
    QCOMPARE(convert(personsOnly, QString(), result), (QStringList{"person", "person/first_name=Solo"}));
    QCOMPARE(result, 0);

    AppleExtractor extractor;
    extractor.setAddressBookPath(personsOnly);
    QCOMPARE(extractor.generateAddressBookXML(temp.path(), temp.filePath(QStringLiteral("none/a.xml"))), -12004);
}

QTEST_GUILESS_MAIN(TestIphoneAddressBook)
#include "tst_IphoneAddressBook.moc"
