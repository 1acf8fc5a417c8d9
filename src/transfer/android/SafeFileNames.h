// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QSet>
#include <QString>

// File names for one folder on the phone out of text the backup holds: safe
// for FAT and MTP (no reserved characters or device names, bounded length)
// and unique as FAT compares them, without regard to case.
class SafeFileNames
{
public:
    // "<safe base><suffix>", or "<safe base> (2)<suffix>" and so on when the
    // folder already has that name; fallback stands in for a base that
    // leaves nothing.
    QString take(const QString& base, const QString& fallback, const QString& suffix);

    // A file or folder name out of text: fallback when nothing is left.
    static QString safeName(const QString& text, const QString& fallback);

private:
    QSet<QString> mTaken; // lower case
};
