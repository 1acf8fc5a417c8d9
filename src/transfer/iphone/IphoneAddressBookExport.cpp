// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneAddressBookExport.h"

#include "app/TraceLog.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace {

const QString kMultiValueQuery = QStringLiteral(
    "SELECT *, ABMultiValueLabel.value AS label_value FROM ABMultiValue LEFT OUTER JOIN ABMultiValueLabel"
    " ON ABMultiValue.label=ABMultiValueLabel.rowid WHERE ABMultiValue.record_id=:rowid");
const QString kEntryQuery = QStringLiteral(
    "SELECT *, ABMultiValueEntryKey.value AS key_value FROM ABMultiValueEntry LEFT OUTER JOIN ABMultiValueEntryKey"
    " ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid WHERE ABMultiValueEntry.parent_id=:uid");

// A value by column name; a missing column or NULL is absent.
std::optional<QString> valueOf(const QSqlQuery& query, const QString& column)
{
    const int index = query.record().indexOf(column);
    if (index < 0)
        return std::nullopt;
    const QVariant value = query.value(index);
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

void appendIfPresent(ContactRecord& contact, const QString& element, const std::optional<QString>& value)
{
    if (value)
        contact.entries.append(ContactEntry{element, std::nullopt, *value, {}});
}

// damaged is set when the rows stopped on an error.
QList<QPair<QString, QString>> entriesOf(QSqlQuery& entries, const QString& uid, bool& damaged)
{
    TraceScope trace("IphoneAddressBookExport::entriesOf");
    QList<QPair<QString, QString>> children;
    entries.bindValue(QStringLiteral(":uid"), uid);
    if (!entries.exec()) {
        traceValue("SQL query error 2", entries.lastError().text());
        return children;
    }
    while (entries.next()) {
        const QString key = valueOf(entries, QStringLiteral("key_value")).value_or(QString());
        children.append({IphoneAddressBookExport::elementForEntryKey(key),
                         valueOf(entries, QStringLiteral("value")).value_or(QString())});
    }
    if (SqliteConnection::endedWithError(entries, int(children.size())))
        damaged = true;
    return children;
}

// Returns false when the multi-value query failed (the contact then gets no
// photo); damaged is set when its rows or their entries stopped on an error.
bool readMultiValues(ContactRecord& contact, QSqlQuery& multiValues, bool multiValuesPrepared, QSqlQuery& entries,
                     bool entriesPrepared, const QString& rowId, bool& damaged)
{
    TraceScope trace("IphoneAddressBookExport::readMultiValues");
    if (!multiValuesPrepared) {
        traceValue("SQL Prepare Error", multiValues.lastError().text());
        return false;
    }
    multiValues.bindValue(QStringLiteral(":rowid"), rowId);
    if (!multiValues.exec()) {
        traceValue("SQL Query Error", multiValues.lastError().text());
        return false;
    }
    while (multiValues.next()) {
        const QString uid = valueOf(multiValues, QStringLiteral("UID")).value_or(QString());
        const std::optional<QString> property = valueOf(multiValues, QStringLiteral("property"));
        // Entries belong inside their element; a value without a property
        // has none to hold them.
        if (!property)
            continue;
        const QString label = valueOf(multiValues, QStringLiteral("label_value")).value_or(QString());
        ContactEntry entry{IphoneAddressBookExport::elementForProperty(*property),
                           IphoneAddressBookExport::typeForLabel(label),
                           valueOf(multiValues, QStringLiteral("value")).value_or(QString()),
                           {}};
        if (entriesPrepared)
            entry.children = entriesOf(entries, uid, damaged);
        else
            traceValue("SQL prepare error 2", entries.lastError().text());
        if (!label.isEmpty())
            contact.labels.insert(contact.entries.size(), label);
        contact.entries.append(std::move(entry));
    }
    if (SqliteConnection::endedWithError(multiValues, int(contact.entries.size())))
        damaged = true;
    return true;
}

std::optional<QByteArray> photoOf(const QSqlDatabase& images, const QString& rowId)
{
    TraceScope trace("IphoneAddressBookExport::photoOf");
    QSqlQuery query(images);
    query.setForwardOnly(true);
    const QString condition = QStringLiteral(" WHERE record_id=:rowid AND format='0'");
    bool ok = query.prepare(QStringLiteral("SELECT * FROM ABThumbnailImage") + condition);
    if (ok) {
        query.bindValue(QStringLiteral(":rowid"), rowId);
        ok = query.exec();
    }
    if (!ok) {
        traceValue("Image query selection error", query.lastError().text());
        traceMessage("Trying with ABImage table name");
        ok = query.prepare(QStringLiteral("SELECT * FROM ABImage") + condition);
        if (ok) {
            query.bindValue(QStringLiteral(":rowid"), rowId);
            ok = query.exec();
        }
        if (!ok) {
            traceValue("Image query selection error", query.lastError().text());
            return std::nullopt;
        }
    }
    if (query.next()) {
        traceMessage("We have a contact image");
        const int data = query.record().indexOf(QStringLiteral("data"));
        if (data >= 0)
            return query.value(data).toByteArray();
    }
    return std::nullopt;
}

} // namespace

QString IphoneAddressBookExport::typeForLabel(const QString& label)
{
    if (label == QLatin1String("_$!<Home>!$_"))
        return AddressBookXml::typeHome();
    if (label == QLatin1String("_$!<Work>!$_"))
        return AddressBookXml::typeWork();
    if (label == QLatin1String("_$!<HomePage>!$_"))
        return AddressBookXml::typeHomePage();
    if (label == QLatin1String("_$!<Main>!$_"))
        return AddressBookXml::typeMain();
    if (label == QLatin1String("_$!<Mobile>!$_"))
        return AddressBookXml::typeMobile();
    return QString();
}

QString IphoneAddressBookExport::elementForProperty(const QString& property)
{
    if (property == QLatin1String("3"))
        return AddressBookXml::phone();
    if (property == QLatin1String("4"))
        return AddressBookXml::email();
    if (property == QLatin1String("5"))
        return AddressBookXml::address();
    if (property == QLatin1String("22"))
        return AddressBookXml::url();
    return AddressBookXml::unknown();
}

QString IphoneAddressBookExport::elementForEntryKey(const QString& key)
{
    // The phone writes these keys capitalised; some address books hold them
    // in lower case, which names the same part of the address.
    const auto is = [&key](const char* name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("Country"))
        return AddressBookXml::country();
    if (is("Street"))
        return AddressBookXml::street();
    if (is("ZIP"))
        return AddressBookXml::zip();
    if (is("City"))
        return AddressBookXml::city();
    if (is("CountryCode"))
        return AddressBookXml::countryCode();
    if (is("State"))
        return AddressBookXml::state();
    return AddressBookXml::unknown();
}

int IphoneAddressBookExport::write(const QString& addressBookPath, const QString& imagesPath, const QString& outputPath,
                                   ContactSink* alsoTo)
{
    TraceScope trace("IphoneAddressBookExport::write");
    const int result = writeXmlFile<AddressBookXmlWriter, AddressBookXmlSink>(
        outputPath, alsoTo, [&](ContactSink& sink) { return read(addressBookPath, imagesPath, sink); });
    traceReturns(result);
    return result;
}

int IphoneAddressBookExport::read(const QString& addressBookPath, const QString& imagesPath, ContactSink& sink)
{
    TraceScope trace("IphoneAddressBookExport::read");
    traceValue("address book", addressBookPath);
    traceValue("images", imagesPath);
    int result = 0;
    int personCount = 0;
    traceCopyToLogFolder(addressBookPath, QStringLiteral("addressbook.db"));
    traceCopyToLogFolder(imagesPath, QStringLiteral("addressbookimages.db"));
    {
        SqliteConnection book(addressBookPath);
        SqliteConnection images(imagesPath);
        // An empty path would give SQLite a temporary database; treat it as missing.
        const bool bookOpen = !addressBookPath.isEmpty() && book.open();
        if (bookOpen) {
            traceValue("Opened database", addressBookPath);
        } else {
            traceValue("Could not open database", addressBookPath);
            result = kErrorCannotOpenDatabase;
        }

        QSqlQuery persons(book.database());
        persons.setForwardOnly(true);
        bool personsOk = false;
        if (bookOpen && persons.exec(QStringLiteral("SELECT * FROM ABPerson"))) {
            if (book.database().isValid()) {
                traceMessage("Database is valid");
                personsOk = true;
            } else {
                traceMessage("Invalid database");
                result = kErrorInvalidDatabase;
            }
        } else {
            traceValue("Selection error", persons.lastError().text());
            result = kErrorSelection;
        }

        bool useImages = false;
        if (personsOk) {
            if (!imagesPath.isEmpty() && images.open()) {
                if (images.database().isValid()) {
                    traceMessage("Database is valid");
                    useImages = true;
                } else {
                    traceMessage("Invalid images database");
                }
            } else {
                traceMessage("Could not open images database");
                traceValue("Error", images.database().lastError().text());
            }
        }

        QSqlQuery multiValues(book.database());
        QSqlQuery entries(book.database());
        multiValues.setForwardOnly(true);
        entries.setForwardOnly(true);
        const bool multiValuesPrepared = personsOk && multiValues.prepare(kMultiValueQuery);
        const bool entriesPrepared = personsOk && entries.prepare(kEntryQuery);

        bool damaged = false;
        while (personsOk && persons.next()) {
            const QString rowId = valueOf(persons, QStringLiteral("ROWID")).value_or(QString());
            ContactRecord contact;
            appendIfPresent(contact, AddressBookXml::firstName(), valueOf(persons, QStringLiteral("first")));
            appendIfPresent(contact, AddressBookXml::middleName(), valueOf(persons, QStringLiteral("middle")));
            appendIfPresent(contact, AddressBookXml::lastName(), valueOf(persons, QStringLiteral("last")));
            appendIfPresent(contact, AddressBookXml::organization(), valueOf(persons, QStringLiteral("organization")));
            const std::optional<QString> birthday = valueOf(persons, QStringLiteral("Birthday"));
            if (birthday) {
                const QString seconds = AppleDates::birthday(*birthday);
                if (seconds.isEmpty())
                    traceValue("Birthday is not a number", *birthday);
                else
                    contact.entries.append(ContactEntry{AddressBookXml::birthday(), std::nullopt, seconds, {}});
            }
            const bool multiValuesOk =
                readMultiValues(contact, multiValues, multiValuesPrepared, entries, entriesPrepared, rowId, damaged);
            if (useImages && multiValuesOk)
                contact.photo = photoOf(images.database(), rowId);
            contact.prefix = valueOf(persons, QStringLiteral("prefix")).value_or(QString());
            contact.suffix = valueOf(persons, QStringLiteral("suffix")).value_or(QString());
            contact.nickname = valueOf(persons, QStringLiteral("nickname")).value_or(QString());
            contact.jobTitle = valueOf(persons, QStringLiteral("jobtitle")).value_or(QString());
            contact.department = valueOf(persons, QStringLiteral("department")).value_or(QString());
            contact.note = valueOf(persons, QStringLiteral("note")).value_or(QString());
            sink.add(contact);
            ++personCount;
        }
        traceValue("persons", personCount);
        if (personsOk && (SqliteConnection::endedWithError(persons, personCount) || damaged))
            result = kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}
