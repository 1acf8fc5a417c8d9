// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QHash>
#include <QList>
#include <QString>

// The names of a backup's contacts by their numbers and e-mail addresses,
// for the messages file. Numbers are compared the way a phone compares them:
// spaces, dashes, dots and brackets do not count, and a national number
// matches its international form when their last digits agree.
class ContactNames : public ContactSink
{
public:
    void add(const ContactRecord& contact) override;
    // The contact's name for a message's address; empty when none matches.
    QString nameFor(const QString& address) const;
    bool isEmpty() const { return mByTail.isEmpty() && mByEmail.isEmpty(); }

    // The digits of a number, without a leading "+", "00" or trunk "0";
    // empty when the text is no phone number (letters, or no digit at all).
    static QString significantDigits(const QString& number);
    // Whether two numbers name the same phone.
    static bool sameNumber(const QString& left, const QString& right);

private:
    struct Entry
    {
        QString digits;
        QString name;
    };
    void addNumber(const QString& number, const QString& name);

    QHash<QString, QList<Entry>> mByTail; // by the last digits
    QHash<QString, QString> mByEmail;     // lower case
};
