// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneAddressBookExport.h"

#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/OwnedRows.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>
#include <optional>

namespace {

// Every person's multi-values with their labels and entries, in one pass
// sorted like the persons: by person, then in each table's own order.
const QString kMultiValueQuery = QStringLiteral(
    "SELECT ABMultiValue.record_id, ABMultiValue.UID, ABMultiValue.property, ABMultiValue.value,"
    " ABMultiValueLabel.value, ABMultiValueEntryKey.value, ABMultiValueEntry.value, ABMultiValueEntry.rowid"
    " FROM ABMultiValue LEFT OUTER JOIN ABMultiValueLabel ON ABMultiValue.label=ABMultiValueLabel.rowid"
    " LEFT OUTER JOIN ABMultiValueEntry ON ABMultiValueEntry.parent_id=ABMultiValue.UID"
    " LEFT OUTER JOIN ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid"
    " ORDER BY ABMultiValue.record_id, ABMultiValue.UID, ABMultiValueEntry.rowid");
enum MultiValueColumn { kOwner, kUid, kProperty, kValue, kLabel, kEntryKey, kEntryValue, kEntryRow };

std::optional<QString> valueAt(const QSqlQuery& query, int index)
{
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

// A birthday some address books keep as text: "1990-04-01", with or without a time.
QDate textBirthday(const QString& text)
{
    const QString day = text.trimmed().left(10);
    return QDate::fromString(day, Qt::ISODate);
}

// The person's multi-values from the rows at their owner; damaged is set
// when the rows stopped on an error.
void readMultiValues(ContactRecord& contact, OwnedRows& rows, qint64 owner)
{
    bool on = rows.first(owner);
    while (on) {
        const QSqlQuery& row = rows.row();
        const qint64 uid = row.value(kUid).toLongLong();
        const std::optional<QString> property = valueAt(row, kProperty);
        const QString label = valueAt(row, kLabel).value_or(QString());
        ContactEntry entry{IphoneAddressBookExport::elementForProperty(property.value_or(QString())),
                           IphoneAddressBookExport::typeForLabel(label),
                           valueAt(row, kValue).value_or(QString()),
                           {}};
        // One row per entry of the multi-value, or one without entries.
        do {
            const QSqlQuery& part = rows.row();
            if (!part.value(kEntryRow).isNull())
                entry.children.append(
                    {IphoneAddressBookExport::elementForEntryKey(valueAt(part, kEntryKey).value_or(QString())),
                     valueAt(part, kEntryValue).value_or(QString())});
            on = rows.next(owner);
        } while (on && rows.row().value(kUid).toLongLong() == uid);
        // Entries belong inside their element; a value without a property
        // has none to hold them.
        if (!property)
            continue;
        if (!label.isEmpty())
            contact.labels.insert(contact.entries.size(), label);
        contact.entries.append(std::move(entry));
    }
}

// The pictures of one table of the images database, by person: the rows are
// listed in one pass, and each picture's bytes are fetched by rowid only
// for the person it belongs to, so that sorting never copies the images.
class PictureRows
{
public:
    PictureRows(const QSqlDatabase& images, const QString& table, const QString& condition)
        : mRows(query(images, QStringLiteral("SELECT record_id, ROWID FROM ") + table + condition
                                  + QStringLiteral(" ORDER BY record_id, ROWID"))),
          mData(images)
    {
        mData.setForwardOnly(true);
        mDataPrepared = mData.prepare(QStringLiteral("SELECT data FROM ") + table + QStringLiteral(" WHERE ROWID=?"));
    }

    bool isActive() const { return mRows.isActive() && mDataPrepared; }

    // The person's first picture: absent without a row, empty for a row without bytes.
    std::optional<QByteArray> pictureOf(qint64 owner)
    {
        if (!isActive() || !mRows.first(owner))
            return std::nullopt;
        mData.bindValue(0, mRows.row().value(1));
        if (!mData.exec() || !mData.next())
            return QByteArray();
        QByteArray data = mData.value(0).toByteArray();
        mData.finish();
        return data;
    }

private:
    static QSqlQuery query(const QSqlDatabase& db, const QString& text)
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(text);
        return query;
    }

    OwnedRows mRows;
    QSqlQuery mData;
    bool mDataPrepared = false;
};

// The thumbnails: ABThumbnailImage, or ABImage in older address books.
std::unique_ptr<PictureRows> thumbnailRows(const QSqlDatabase& images)
{
    TraceScope trace("IphoneAddressBookExport::thumbnailRows");
    const QString condition = QStringLiteral(" WHERE format='0'");
    auto rows = std::make_unique<PictureRows>(images, QStringLiteral("ABThumbnailImage"), condition);
    if (rows->isActive())
        return rows;
    traceMessage("Trying with ABImage table name");
    rows = std::make_unique<PictureRows>(images, QStringLiteral("ABImage"), condition);
    if (rows->isActive())
        return rows;
    traceMessage("No image table");
    return nullptr;
}

std::unique_ptr<PictureRows> fullSizeRows(const QSqlDatabase& images)
{
    if (!images.tables().contains(QStringLiteral("ABFullSizeImage")))
        return nullptr;
    auto rows = std::make_unique<PictureRows>(images, QStringLiteral("ABFullSizeImage"), QString());
    return rows->isActive() ? std::move(rows) : nullptr;
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
        if (bookOpen && persons.exec(QStringLiteral("SELECT * FROM ABPerson ORDER BY ROWID"))) {
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

        QSqlQuery multiValueQuery(book.database());
        multiValueQuery.setForwardOnly(true);
        const bool multiValuesPrepared = personsOk && multiValueQuery.prepare(kMultiValueQuery);
        if (personsOk && !multiValuesPrepared)
            traceValue("SQL Prepare Error", multiValueQuery.lastError().text());
        OwnedRows multiValues(std::move(multiValueQuery));
        // Without its multi-values a person gets no photo either: the file
        // then holds the names only, as far as they could be read.
        std::unique_ptr<PictureRows> thumbnails;
        std::unique_ptr<PictureRows> fullSize;
        if (useImages && multiValues.isActive()) {
            thumbnails = thumbnailRows(images.database());
            fullSize = fullSizeRows(images.database());
        }

        const QSqlRecord columns = persons.record();
        const auto column = [&columns](const char* name) { return columns.indexOf(QLatin1String(name)); };
        const int rowIdColumn = column("ROWID");
        const int firstColumn = column("first");
        const int middleColumn = column("middle");
        const int lastColumn = column("last");
        const int organizationColumn = column("organization");
        const int birthdayColumn = column("Birthday");
        const int prefixColumn = column("prefix");
        const int suffixColumn = column("suffix");
        const int nicknameColumn = column("nickname");
        const int jobTitleColumn = column("jobtitle");
        const int departmentColumn = column("department");
        const int noteColumn = column("note");
        const int guidColumn = column("guid");

        ConversionProgress::Counter progress(ConversionProgress::Kind::Contacts,
                                             personsOk ? book.rowCount(QStringLiteral("ABPerson")) : 0);
        while (personsOk && persons.next()) {
            const qint64 rowId = persons.value(rowIdColumn).toLongLong();
            ContactRecord contact;
            appendIfPresent(contact, AddressBookXml::firstName(), valueAt(persons, firstColumn));
            appendIfPresent(contact, AddressBookXml::middleName(), valueAt(persons, middleColumn));
            appendIfPresent(contact, AddressBookXml::lastName(), valueAt(persons, lastColumn));
            appendIfPresent(contact, AddressBookXml::organization(), valueAt(persons, organizationColumn));
            const std::optional<QString> birthday = valueAt(persons, birthdayColumn);
            if (birthday) {
                const QString seconds = AppleDates::birthday(*birthday);
                if (!seconds.isEmpty())
                    contact.entries.append(ContactEntry{AddressBookXml::birthday(), std::nullopt, seconds, {}});
                else
                    contact.textBirthday = textBirthday(*birthday);
            }
            if (multiValues.isActive())
                readMultiValues(contact, multiValues, rowId);
            if (thumbnails)
                contact.photo = thumbnails->pictureOf(rowId);
            if (fullSize)
                contact.fullSizePhoto = fullSize->pictureOf(rowId);
            contact.prefix = valueAt(persons, prefixColumn).value_or(QString());
            contact.suffix = valueAt(persons, suffixColumn).value_or(QString());
            contact.nickname = valueAt(persons, nicknameColumn).value_or(QString());
            contact.jobTitle = valueAt(persons, jobTitleColumn).value_or(QString());
            contact.department = valueAt(persons, departmentColumn).value_or(QString());
            contact.note = valueAt(persons, noteColumn).value_or(QString());
            // The person's guid where iOS keeps one; else its row and name,
            // so that another backup's person of the same row differs.
            const QString guid = valueAt(persons, guidColumn).value_or(QString());
            contact.identity = !guid.isEmpty()
                                   ? guid
                                   : QString::number(rowId) + QLatin1Char('\n')
                                         + valueAt(persons, firstColumn).value_or(QString()) + QLatin1Char('\n')
                                         + valueAt(persons, lastColumn).value_or(QString());
            sink.add(contact);
            ++personCount;
            progress.step();
        }
        traceValue("persons", personCount);
        if (personsOk && (SqliteConnection::endedWithError(persons, personCount) || multiValues.endedWithError()))
            result = kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}
