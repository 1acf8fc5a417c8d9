// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/ContactView.h"

#include "transfer/iphone/AppleDates.h"

#include <QDateTime>

namespace {

// The address-book file holds a birthday as 00:00 UTC of the day (the phone
// stores it at noon); the date of the stored instant is the birthday itself.
QDate birthdayDate(const QString& seconds)
{
    bool ok = false;
    const qint64 value = seconds.toLongLong(&ok);
    if (!ok)
        return QDate();
    const qint64 stored = value + (AppleDates::kAppleEpochOffset - AppleDates::kBirthdayOffset);
    return QDateTime::fromSecsSinceEpoch(stored, Qt::UTC).date();
}

} // namespace

ContactView::ContactView(const ContactRecord& record)
{
    using namespace AddressBookXml;
    for (qsizetype i = 0; i < record.entries.size(); ++i) {
        const ContactEntry& entry = record.entries.at(i);
        if (!entry.type) {
            if (entry.element == firstName())
                first = entry.value;
            else if (entry.element == middleName())
                middle = entry.value;
            else if (entry.element == lastName())
                last = entry.value;
            else if (entry.element == organization())
                organizations.append(entry.value);
            else if (entry.element == AddressBookXml::birthday())
                birthday = birthdayDate(entry.value);
            continue;
        }
        Value value{*entry.type, record.labels.value(i), entry.value, entry.children};
        if (entry.element == phone())
            phones.append(std::move(value));
        else if (entry.element == email())
            emails.append(std::move(value));
        else if (entry.element == address())
            addresses.append(std::move(value));
        else if (entry.element == url())
            urls.append(std::move(value));
    }
    if (!birthday.isValid())
        birthday = record.textBirthday;
}

QString ContactView::displayName(const ContactRecord& record) const
{
    QStringList parts;
    for (const QString& part : {record.prefix, first, middle, last, record.suffix}) {
        if (!part.trimmed().isEmpty())
            parts.append(part.trimmed());
    }
    if (!parts.isEmpty())
        return parts.join(QLatin1Char(' '));
    for (const QString& candidate : organizations + QStringList{record.department, record.nickname}) {
        if (!candidate.trimmed().isEmpty())
            return candidate.trimmed();
    }
    for (const QList<Value>* values : {&phones, &emails, &urls}) {
        for (const Value& value : *values) {
            if (!value.value.trimmed().isEmpty())
                return value.value.trimmed();
        }
    }
    for (const Value& address : addresses) {
        for (const auto& part : address.parts) {
            const QString line = part.second.section(QLatin1Char('\n'), 0, 0).trimmed();
            if (!line.isEmpty())
                return line;
        }
    }
    // The note's first words, as a person who keeps only a note would name it.
    constexpr int kNoteWords = 5;
    const QStringList words = record.note.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty())
        return QStringList(words.mid(0, kNoteWords)).join(QLatin1Char(' '));
    return record.jobTitle.trimmed();
}
