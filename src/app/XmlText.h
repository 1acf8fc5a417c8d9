// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringView>

class QByteArray;

// The text of the phone's XML data files.
namespace XmlText {

// The one control-character filter for text written into the files. Every
// character below code 32 is dropped (also tab, CR and LF: the phone's
// importer takes one value per element). U+FFFE, U+FFFF and unpaired surrogate
// halves are dropped as well, since any of them would make the whole file
// unreadable to an XML parser and so lose every contact or message in it.
QString filtered(const QString& text);

// Appends text to utf8 as UTF-8 with &, <, > and " written as entities, in
// element text as in attribute values, as the files have always been written.
// The text is expected to be filtered; a stray surrogate half would become
// U+FFFD rather than bytes no parser accepts.
void appendEscapedUtf8(QByteArray& utf8, QStringView text);

} // namespace XmlText
