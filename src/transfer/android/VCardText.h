// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// The text rules of vCard 3.0 content lines (RFC 2426).
namespace VCardText {

// Text without what no importer should see: control characters other than
// tab and line breaks, U+FFFE, U+FFFF and unpaired surrogate halves. The
// calendar file's text goes through it too.
QString cleaned(const QString& text);
// A text value: backslash, comma and semicolon escaped, every line break
// (CR LF, LF or CR) as "\n"; other control characters and unpaired
// surrogate halves dropped. UTF-8.
QByteArray escaped(const QString& text);
// Appends escaped(text) to out, without the copies in between: a card's
// every value goes through here.
void appendEscaped(QByteArray& out, QStringView text);
// Structured values such as N and ADR: the escaped parts joined by ';'.
QByteArray structured(const QStringList& parts);
// A TYPE value for a label of the user's own: "X-" and the label, with the
// characters a parameter value cannot hold replaced by blanks, quoted when
// it holds one that would end the value.
QByteArray customType(const QString& label);
// Appends one content line to out, folded at 75 octets (a continuation line
// starts with one blank) without splitting a UTF-8 character, ending in CR LF.
void appendFolded(QByteArray& out, const QByteArray& line);
// Folds the content line that was appended to out from lineStart on, as
// appendFolded() would have, and ends it in CR LF.
void foldLine(QByteArray& out, qsizetype lineStart);

} // namespace VCardText
