// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Writes the messages file from an iPhone message database ("sms.db") of
// either layout: the older one, where table message holds the address and a
// flags word, and the newer one with table handle. Rows are streamed from a
// forward-only query straight into the file.
class IphoneMessagesExport
{
public:
    static constexpr int kErrorCannotOpenDatabase = -12000;
    static constexpr int kErrorInvalidDatabase = -12001;
    static constexpr int kErrorSelection = -12002;

    static int write(const QString& databasePath, const QString& outputPath);
};
