// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// What a result code of a conversion means, in words for the user: each
// failure is worded here once, so a tool and a report never tell the same
// failure two ways.
namespace FailureText {

// The words for code (a DataResult or a BlackBerry/iPhone reader's code);
// "error N" for codes without words of their own.
QString of(int code);

} // namespace FailureText
