// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// What a sync is about to copy, by kind, against the phone's free space: the
// "Not enough space" question tells the user all of it, not only its last part.
struct SpaceNeeds
{
    qint64 photoBytes = 0;    // photos and videos
    qint64 dataFileBytes = 0; // contacts, messages, calendar and the other data files
    qint64 trackBytes = 0;    // music and podcasts
    qint64 freeBytes = 0;     // free on the phone before the sync copies anything

    qint64 neededBytes() const { return photoBytes + dataFileBytes + trackBytes; }
    qint64 shortfall() const { return neededBytes() - freeBytes; }

    // Whole megabytes (10^6 bytes, as the text says "MB"), rounded up: a
    // shortfall of a few bytes still needs a megabyte freed.
    static qint64 megabytesRoundedUp(qint64 bytes);

    // The question's text: how much to free, and what the sync copies.
    QString questionText() const;
    // The question when only the shortfall is known.
    static QString plainQuestionText(qint64 shortfall, const QString& kinds);
};
