// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

// A person of a backup sorted by what each value is, for the writers of the
// standard files.
struct ContactView
{
    struct Value
    {
        QString type;  // the address-book file's type ("home", "mobile", ...; may be empty)
        QString label; // the label the backup stores, when it has its own
        QString value;
        QList<QPair<QString, QString>> parts; // an address's parts by element name
    };

    QString first;
    QString middle;
    QString last;
    QStringList organizations;
    QDate birthday; // invalid when the backup has none
    QList<Value> phones;
    QList<Value> emails;
    QList<Value> addresses;
    QList<Value> urls;

    explicit ContactView(const ContactRecord& record);

    // A name to show for the person: the name parts, else the company,
    // nickname, a number, an e-mail or web address, the first address line or
    // the note's first words, so that no card is nameless. Empty only for a
    // person without any of them.
    QString displayName(const ContactRecord& record) const;
};
