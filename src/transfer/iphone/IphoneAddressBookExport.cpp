// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneAddressBookExport.h"

#include "app/TraceLog.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/SqliteConnection.h"
#include "transfer/xml/AddressBookXmlWriter.h"

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

void writeIfPresent(AddressBookXmlWriter& writer, const QString& element, const std::optional<QString>& value)
{
    if (value)
        writer.writeValue(element, *value);
}

void writeEntries(AddressBookXmlWriter& writer, QSqlQuery& entries, const QString& uid)
{
    TraceScope trace("IphoneAddressBookExport::writeEntries");
    entries.bindValue(QStringLiteral(":uid"), uid);
    if (!entries.exec()) {
        traceValue("SQL query error 2", entries.lastError().text());
        return;
    }
    while (entries.next()) {
        const QString key = valueOf(entries, QStringLiteral("key_value")).value_or(QString());
        writer.writeValue(IphoneAddressBookExport::elementForEntryKey(key),
                          valueOf(entries, QStringLiteral("value")).value_or(QString()));
    }
}

// Returns false when the multi-value query failed (the contact then gets no photo).
bool writeMultiValues(AddressBookXmlWriter& writer, QSqlQuery& multiValues, bool multiValuesPrepared,
                      QSqlQuery& entries, bool entriesPrepared, const QString& rowId)
{
    TraceScope trace("IphoneAddressBookExport::writeMultiValues");
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
        writer.startMultiValue(IphoneAddressBookExport::elementForProperty(*property),
                               IphoneAddressBookExport::typeForLabel(
                                   valueOf(multiValues, QStringLiteral("label_value")).value_or(QString())),
                               valueOf(multiValues, QStringLiteral("value")).value_or(QString()));
        if (entriesPrepared)
            writeEntries(writer, entries, uid);
        else
            traceValue("SQL prepare error 2", entries.lastError().text());
        writer.endMultiValue();
    }
    return true;
}

void writePhoto(AddressBookXmlWriter& writer, const QSqlDatabase& images, const QString& rowId)
{
    TraceScope trace("IphoneAddressBookExport::writePhoto");
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
            return;
        }
    }
    if (query.next()) {
        traceMessage("We have a contact image");
        const int data = query.record().indexOf(QStringLiteral("data"));
        if (data >= 0)
            writer.writePhoto(query.value(data).toByteArray());
    }
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

int IphoneAddressBookExport::write(const QString& addressBookPath, const QString& imagesPath,
                                   const QString& outputPath)
{
    TraceScope trace("IphoneAddressBookExport::write");
    traceValue("address book", addressBookPath);
    traceValue("images", imagesPath);
    AddressBookXmlWriter writer;
    int result = writer.open(outputPath);
    if (result != 0) {
        traceReturns(result);
        return result;
    }
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

        while (personsOk && persons.next()) {
            const QString rowId = valueOf(persons, QStringLiteral("ROWID")).value_or(QString());
            writer.startPerson();
            writeIfPresent(writer, AddressBookXml::firstName(), valueOf(persons, QStringLiteral("first")));
            writeIfPresent(writer, AddressBookXml::middleName(), valueOf(persons, QStringLiteral("middle")));
            writeIfPresent(writer, AddressBookXml::lastName(), valueOf(persons, QStringLiteral("last")));
            writeIfPresent(writer, AddressBookXml::organization(), valueOf(persons, QStringLiteral("organization")));
            const std::optional<QString> birthday = valueOf(persons, QStringLiteral("Birthday"));
            if (birthday) {
                const QString seconds = AppleDates::birthday(*birthday);
                if (seconds.isEmpty())
                    traceValue("Birthday is not a number", *birthday);
                else
                    writer.writeValue(AddressBookXml::birthday(), seconds);
            }
            const bool multiValuesOk =
                writeMultiValues(writer, multiValues, multiValuesPrepared, entries, entriesPrepared, rowId);
            if (useImages && multiValuesOk)
                writePhoto(writer, images.database(), rowId);
            writer.endPerson();
        }
        traceValue("persons", writer.personsWritten());
    }
    const int finished = writer.finish();
    if (finished != 0)
        result = finished;
    traceReturns(result);
    return result;
}
