// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/ContactNames.h"

#include "transfer/android/ContactView.h"

#include <QVarLengthArray>

#include <algorithm>

namespace {

// As on Android: numbers agree when at least their last seven digits do;
// shorter numbers (service codes) must be equal.
constexpr qsizetype kMatchDigits = 7;

using Digits = QVarLengthArray<char, 32>;

// The significant digits of number into digits; false when it is no phone number.
bool significantInto(QStringView number, Digits& digits)
{
    digits.clear();
    for (const QChar c : number) {
        if (c.isDigit())
            digits.append(char('0' + c.digitValue()));
        else if (c.isLetter() || c == QLatin1Char('@'))
            return false;
    }
    // International ("+44", "0044") and national ("0") prefixes; the country
    // code itself stays and is covered by the match on the last digits.
    qsizetype start = 0;
    while (start < digits.size() && digits.at(start) == '0')
        ++start;
    digits.remove(0, start);
    return !digits.isEmpty();
}

std::string_view viewOf(const Digits& digits)
{
    return {digits.constData(), size_t(digits.size())};
}

// The last digits as one number; their count is part of it, so that "123"
// and "0000123" stay apart as their texts do.
quint32 tailKey(std::string_view digits)
{
    const size_t length = std::min(digits.size(), size_t(kMatchDigits));
    quint32 value = 0;
    for (size_t i = digits.size() - length; i < digits.size(); ++i)
        value = value * 10 + quint32(digits[i] - '0');
    return value * 8 + quint32(length);
}

bool endsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool digitsMatch(std::string_view left, std::string_view right)
{
    if (left == right)
        return true;
    const std::string_view shorter = left.size() < right.size() ? left : right;
    const std::string_view longer = left.size() < right.size() ? right : left;
    return qsizetype(shorter.size()) >= kMatchDigits && endsWith(longer, shorter);
}

} // namespace

QString ContactNames::significantDigits(const QString& number)
{
    Digits digits;
    if (!significantInto(number, digits))
        return QString();
    return QString::fromLatin1(digits.constData(), digits.size());
}

bool ContactNames::sameNumber(const QString& left, const QString& right)
{
    Digits a;
    Digits b;
    return significantInto(left, a) && significantInto(right, b) && digitsMatch(viewOf(a), viewOf(b));
}

std::string_view ContactNames::digitsOf(const Number& number) const
{
    return std::string_view(mDigits).substr(size_t(number.digitsStart), size_t(number.digitsLength));
}

void ContactNames::addNumber(QStringView number, qsizetype name)
{
    Digits digits;
    if (!significantInto(number, digits))
        return;
    const std::string_view text = viewOf(digits);
    const quint32 tail = tailKey(text);
    if (!mNumbers.empty() && tail < mNumbers.back().tail)
        mSorted = false;
    mNumbers.push_back(Number{tail, qsizetype(mDigits.size()), qsizetype(text.size()), name});
    mDigits.append(text);
}

void ContactNames::add(const ContactRecord& contact)
{
    const ContactView view(contact);
    const QString name = view.displayName(contact);
    if (name.isEmpty())
        return;
    const qsizetype index = mNames.size();
    mNames.append(name);
    for (const ContactView::Value& phone : view.phones)
        addNumber(phone.value, index);
    for (const ContactView::Value& email : view.emails) {
        const QString key = email.value.trimmed().toLower();
        if (key.isEmpty())
            continue;
        mEmails.push_back(Email{key, index});
        mSorted = false;
    }
}

void ContactNames::sort() const
{
    if (mSorted)
        return;
    std::stable_sort(mNumbers.begin(), mNumbers.end(),
                     [](const Number& a, const Number& b) { return a.tail < b.tail; });
    std::stable_sort(mEmails.begin(), mEmails.end(),
                     [](const Email& a, const Email& b) { return a.address < b.address; });
    mSorted = true;
}

QString ContactNames::nameFor(const QString& address) const
{
    sort();
    if (address.contains(QLatin1Char('@'))) {
        const QString key = address.trimmed().toLower();
        const auto found =
            std::lower_bound(mEmails.cbegin(), mEmails.cend(), key,
                             [](const Email& email, const QString& text) { return email.address < text; });
        return found != mEmails.cend() && found->address == key ? mNames.at(found->name) : QString();
    }
    Digits digits;
    if (!significantInto(address, digits))
        return QString();
    const std::string_view text = viewOf(digits);
    const auto byTail = [](const Number& number, quint32 tail) { return number.tail < tail; };
    const quint32 tail = tailKey(text);
    // An exact match wins over one on the last digits; a number a later
    // contact has as well is the first one's.
    qsizetype best = -1;
    for (auto at = std::lower_bound(mNumbers.cbegin(), mNumbers.cend(), tail, byTail);
         at != mNumbers.cend() && at->tail == tail; ++at) {
        const std::string_view stored = digitsOf(*at);
        if (stored == text)
            return mNames.at(at->name);
        if (best < 0 && digitsMatch(stored, text))
            best = at->name;
    }
    return best >= 0 ? mNames.at(best) : QString();
}
