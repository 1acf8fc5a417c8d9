// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"
#include "transfer/DataSinks.h"
#include "transfer/android/BufferedSaveFile.h"

#include <QByteArray>
#include <QString>

// Writes "contacts.vcf": one vCard 3.0 card per person in backup order, as
// the Contacts app of any Android phone imports it.
class VCardWriter : public ContactSink
{
public:
    [[nodiscard]] int open(const QString& path); // 0 or DataResult::FileCannotWrite
    void add(const ContactRecord& contact) override;
    [[nodiscard]] int finish(); // 0 or DataResult::FileCannotWrite
    int count() const { return mCount; }

    // The card of one person, for tests and the benchmark.
    static QByteArray card(const ContactRecord& contact);
    // The TYPE parameter of a telephone number, or empty for none.
    static QByteArray phoneType(const QString& type, const QString& label);
    // The image type of a picture from its first bytes ("JPEG", "PNG", "GIF"),
    // empty when the bytes are no image an importer shows.
    static QByteArray imageType(const QByteArray& image);

private:
    // Appends the card to out; false, with nothing appended, for a person
    // without a name to show.
    static bool appendCard(QByteArray& out, const ContactRecord& contact);

    BufferedSaveFile mFile;
    int mCount = 0;
};
