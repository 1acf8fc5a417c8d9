// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// The one control-character filter for text written into the phone's XML data
// files. Every character below code 32 is dropped (also tab, CR and LF: the
// phone's importer takes one value per element). U+FFFE, U+FFFF and unpaired
// surrogate halves are dropped as well, since any of them would make the whole
// file unreadable to an XML parser and so lose every contact or message in it.
namespace XmlText {

QString filtered(const QString& text);

} // namespace XmlText
