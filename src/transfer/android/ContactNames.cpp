// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/ContactNames.h"

#include "transfer/android/ContactView.h"

namespace {

// As on Android: numbers agree when at least their last seven digits do;
// shorter numbers (service codes) must be equal.
constexpr qsizetype kMatchDigits = 7;

QString tailOf(const QString& digits)
{
    return digits.right(kMatchDigits);
}

bool digitsMatch(const QString& left, const QString& right)
{
    if (left == right)
        return true;
    const QString& shorter = left.size() < right.size() ? left : right;
    const QString& longer = left.size() < right.size() ? right : left;
    return shorter.size() >= kMatchDigits && longer.endsWith(shorter);
}

} // namespace

QString ContactNames::significantDigits(const QString& number)
{
    QString digits;
    digits.reserve(number.size());
    for (const QChar c : number) {
        if (c.isDigit())
            digits.append(QChar(u'0' + c.digitValue()));
        else if (c.isLetter() || c == QLatin1Char('@'))
            return QString();
    }
    // International ("+44", "0044") and national ("0") prefixes; the country
    // code itself stays and is covered by the match on the last digits.
    qsizetype start = 0;
    while (start < digits.size() && digits.at(start) == QLatin1Char('0'))
        ++start;
    return digits.mid(start);
}

bool ContactNames::sameNumber(const QString& left, const QString& right)
{
    const QString a = significantDigits(left);
    const QString b = significantDigits(right);
    return !a.isEmpty() && !b.isEmpty() && digitsMatch(a, b);
}

void ContactNames::addNumber(const QString& number, const QString& name)
{
    const QString digits = significantDigits(number);
    if (digits.isEmpty())
        return;
    QList<Entry>& entries = mByTail[tailOf(digits)];
    for (const Entry& entry : std::as_const(entries)) {
        if (entry.digits == digits)
            return; // the first contact with a number keeps it
    }
    entries.append(Entry{digits, name});
}

void ContactNames::add(const ContactRecord& contact)
{
    const ContactView view(contact);
    const QString name = view.displayName(contact);
    if (name.isEmpty())
        return;
    for (const ContactView::Value& phone : view.phones)
        addNumber(phone.value, name);
    for (const ContactView::Value& email : view.emails) {
        const QString key = email.value.trimmed().toLower();
        if (!key.isEmpty() && !mByEmail.contains(key))
            mByEmail.insert(key, name);
    }
}

QString ContactNames::nameFor(const QString& address) const
{
    if (address.contains(QLatin1Char('@')))
        return mByEmail.value(address.trimmed().toLower());
    const QString digits = significantDigits(address);
    if (digits.isEmpty())
        return QString();
    const auto found = mByTail.constFind(tailOf(digits));
    if (found == mByTail.constEnd())
        return QString();
    // An exact match wins over one on the last digits.
    const Entry* best = nullptr;
    for (const Entry& entry : *found) {
        if (entry.digits == digits)
            return entry.name;
        if (!best && digitsMatch(entry.digits, digits))
            best = &entry;
    }
    return best ? best->name : QString();
}
