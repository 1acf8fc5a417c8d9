// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneAddressBookExport.h"

#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/MultiValueEntries.h"
#include "transfer/iphone/OwnedRows.h"
#include "transfer/iphone/SqliteConnection.h"
#include "transfer/iphone/SqliteRows.h"

#include <QSqlError>
#include <QSqlQuery>

#include <memory>
#include <optional>

namespace {

// Every person's multi-values with their labels, in one pass sorted like
// the persons: by person, then by UID.
const QString kMultiValueQuery =
    QStringLiteral("SELECT ABMultiValue.record_id, ABMultiValue.UID, ABMultiValue.property, ABMultiValue.value,"
                   " ABMultiValueLabel.value"
                   " FROM ABMultiValue LEFT OUTER JOIN ABMultiValueLabel ON ABMultiValue.label=ABMultiValueLabel.rowid"
                   " ORDER BY ABMultiValue.record_id, ABMultiValue.UID");
enum MultiValueColumn { kOwner, kUid, kProperty, kValue, kLabel };

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

// The multi-value rows, read in one pass beside the persons: a person's rows
// are taken when the person is, so owners must be asked for in rising order.
class MultiValueRows
{
public:
    explicit MultiValueRows(const SqliteConnection& book) : mRows(book, kMultiValueQuery), mEntries(book)
    {
        if (!mEntries.isActive())
            return;
        if (!mRows.isPrepared()) {
            traceValue("SQL Prepare Error", mRows.errorText());
            return;
        }
        mActive = mRows.exec();
        if (!mActive) {
            traceValue("Owned rows query error", mRows.errorText());
            return;
        }
        advance();
    }

    bool isActive() const { return mActive; }
    bool endedWithError() const
    {
        return mActive && ((!mOnRow && mRows.endedWithError(mRowsRead)) || mEntries.endedWithError());
    }

    // Appends owner's multi-values to contact.
    void readInto(ContactRecord& contact, qint64 owner)
    {
        while (mOnRow && mOwner < owner)
            advance();
        while (mOnRow && mOwner == owner) {
            if (mRows.textInto(kProperty, mProperty))
                mElement = IphoneAddressBookExport::elementForProperty(mProperty.value_or(QString()));
            if (mRows.textInto(kLabel, mLabel))
                mType = IphoneAddressBookExport::typeForLabel(mLabel.value_or(QString()));
            const bool hasProperty = mProperty.has_value();
            const QString label = mLabel.value_or(QString());
            ContactEntry entry{mElement, mType, mRows.text(kValue).value_or(QString()), {}};
            mEntries.read(mRows, kUid, entry.children);
            advance();
            // Entries belong inside their element; a value without a property
            // has none to hold them.
            if (!hasProperty)
                continue;
            if (!label.isEmpty())
                contact.labels.insert(contact.entries.size(), label);
            contact.entries.append(std::move(entry));
        }
    }

private:
    void advance()
    {
        mOnRow = mRows.next();
        if (mOnRow) {
            ++mRowsRead;
            mOwner = mRows.integer(kOwner);
        }
    }

    SqliteRows mRows;
    MultiValueEntries mEntries;
    // The last row's property and label, and what they mean.
    std::optional<QString> mProperty;
    std::optional<QString> mLabel;
    QString mElement = IphoneAddressBookExport::elementForProperty(QString());
    QString mType = IphoneAddressBookExport::typeForLabel(QString());
    bool mActive = false;
    bool mOnRow = false;
    qint64 mOwner = 0;
    int mRowsRead = 0;
};

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

        SqliteRows persons(book, QStringLiteral("SELECT * FROM ABPerson ORDER BY ROWID"));
        bool personsOk = false;
        if (bookOpen && persons.exec()) {
            if (book.database().isValid()) {
                traceMessage("Database is valid");
                personsOk = true;
            } else {
                traceMessage("Invalid database");
                result = kErrorInvalidDatabase;
            }
        } else {
            traceValue("Selection error", persons.errorText());
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

        std::optional<MultiValueRows> multiValues;
        if (personsOk)
            multiValues.emplace(book);
        const bool multiValuesActive = multiValues && multiValues->isActive();
        // Without its multi-values a person gets no photo either: the file
        // then holds the names only, as far as they could be read.
        std::unique_ptr<PictureRows> thumbnails;
        std::unique_ptr<PictureRows> fullSize;
        if (useImages && multiValuesActive) {
            thumbnails = thumbnailRows(images.database());
            fullSize = fullSizeRows(images.database());
        }

        const int rowIdColumn = persons.columnIndex("ROWID");
        const int firstColumn = persons.columnIndex("first");
        const int middleColumn = persons.columnIndex("middle");
        const int lastColumn = persons.columnIndex("last");
        const int organizationColumn = persons.columnIndex("organization");
        const int birthdayColumn = persons.columnIndex("Birthday");
        const int prefixColumn = persons.columnIndex("prefix");
        const int suffixColumn = persons.columnIndex("suffix");
        const int nicknameColumn = persons.columnIndex("nickname");
        const int jobTitleColumn = persons.columnIndex("jobtitle");
        const int departmentColumn = persons.columnIndex("department");
        const int noteColumn = persons.columnIndex("note");
        const int guidColumn = persons.columnIndex("guid");

        ConversionProgress::Counter progress(ConversionProgress::Kind::Contacts,
                                             personsOk ? book.rowCount(QStringLiteral("ABPerson")) : 0);
        while (personsOk && persons.next()) {
            const qint64 rowId = persons.integer(rowIdColumn);
            ContactRecord contact;
            appendIfPresent(contact, AddressBookXml::firstName(), persons.text(firstColumn));
            appendIfPresent(contact, AddressBookXml::middleName(), persons.text(middleColumn));
            appendIfPresent(contact, AddressBookXml::lastName(), persons.text(lastColumn));
            appendIfPresent(contact, AddressBookXml::organization(), persons.text(organizationColumn));
            const std::optional<QString> birthday = persons.text(birthdayColumn);
            if (birthday) {
                const QString seconds = AppleDates::birthday(*birthday);
                if (!seconds.isEmpty())
                    contact.entries.append(ContactEntry{AddressBookXml::birthday(), std::nullopt, seconds, {}});
                else
                    contact.textBirthday = textBirthday(*birthday);
            }
            if (multiValuesActive)
                multiValues->readInto(contact, rowId);
            if (thumbnails)
                contact.photo = thumbnails->pictureOf(rowId);
            if (fullSize)
                contact.fullSizePhoto = fullSize->pictureOf(rowId);
            contact.prefix = persons.text(prefixColumn).value_or(QString());
            contact.suffix = persons.text(suffixColumn).value_or(QString());
            contact.nickname = persons.text(nicknameColumn).value_or(QString());
            contact.jobTitle = persons.text(jobTitleColumn).value_or(QString());
            contact.department = persons.text(departmentColumn).value_or(QString());
            contact.note = persons.text(noteColumn).value_or(QString());
            // The person's guid where iOS keeps one; else its row and name,
            // so that another backup's person of the same row differs.
            const QString guid = persons.text(guidColumn).value_or(QString());
            contact.identity = !guid.isEmpty() ? guid
                                               : QString::number(rowId) + QLatin1Char('\n')
                                                     + persons.text(firstColumn).value_or(QString()) + QLatin1Char('\n')
                                                     + persons.text(lastColumn).value_or(QString());
            sink.add(contact);
            ++personCount;
            progress.step();
        }
        traceValue("persons", personCount);
        if (personsOk && (persons.endedWithError(personCount) || multiValues->endedWithError()))
            result = kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}
