// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

// The names of a backup's contacts by their numbers and e-mail addresses,
// for the messages file. Numbers are compared the way a phone compares them:
// spaces, dashes, dots and brackets do not count, and a national number
// matches its international form when their last digits agree.
//
// A large address book holds hundreds of thousands of numbers: they are kept
// flat (their digits one after another in one string, the entries in one
// array under their last digits as an integer), not as a string and a list
// apiece, and the array is sorted by those digits when it is first asked.
class ContactNames : public ContactSink
{
public:
    void add(const ContactRecord& contact) override;
    // The contact's name for a message's address; empty when none matches.
    QString nameFor(const QString& address) const;
    bool isEmpty() const { return mNumbers.empty() && mEmails.empty(); }

    // The digits of a number, without a leading "+", "00" or trunk "0";
    // empty when the text is no phone number (letters, or no digit at all).
    static QString significantDigits(const QString& number);
    // Whether two numbers name the same phone.
    static bool sameNumber(const QString& left, const QString& right);

private:
    struct Email
    {
        QString address; // lower case
        qsizetype name;
    };
    struct Number
    {
        quint32 tail;          // the last digits
        qsizetype digitsStart; // in mDigits
        qsizetype digitsLength;
        qsizetype name; // in mNames
    };
    void addNumber(QStringView number, qsizetype name);
    std::string_view digitsOf(const Number& number) const;

    void sort() const;

    // Sorted by tail and by address on the first lookup after an addition;
    // equal ones stay in the order they were added, the first contact's first.
    mutable std::vector<Number> mNumbers;
    mutable std::vector<Email> mEmails;
    mutable bool mSorted = true;
    std::string mDigits;
    QList<QString> mNames;
};
