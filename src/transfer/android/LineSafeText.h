// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// Text from a backup on its way into a line-based file (iCalendar, vCard):
// nothing in it may end a line, or a backup could add entries of its own.
namespace LineSafeText {

// A URI value as UTF-8, with every control character (CR, LF, NUL, ...),
// blank and DEL percent-encoded as RFC 3986 asks: the address stays whole
// and on its line. Writers whose library does not escape URI values use it.
QByteArray uri(const QString& text);

} // namespace LineSafeText
