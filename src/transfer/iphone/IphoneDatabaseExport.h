// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

// Result codes shared by the exports that turn an iPhone database into a data
// file for the phone; a failure to write the file itself is the XML writer's
// own code.
struct IphoneDatabaseExport
{
    static constexpr int kErrorCannotOpenDatabase = DataResult::SourceCannotOpen;
    static constexpr int kErrorInvalidDatabase = DataResult::SourceInvalid;
    static constexpr int kErrorSelection = DataResult::QueryFailed;
    // Some rows were read, then a damaged page ended the query.
    static constexpr int kErrorDamagedDatabase = DataResult::SourceDamaged;
};
