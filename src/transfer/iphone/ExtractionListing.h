// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Writes what an extraction produced into the trace: one line per entry,
// indented by its depth, folders first, each folder's content right after it.
namespace ExtractionListing {

void trace(const QString& folder);

} // namespace ExtractionListing
