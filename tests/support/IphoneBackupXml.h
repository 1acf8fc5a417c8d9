// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringList>

// Renders an XML data file as one line per element in document order, for
// exact comparisons in tests: "root/person/phone[type=mobile][value=123]" for
// an element with attributes, "root/person/first_name=Anna" for a text
// element. A file that is not well-formed XML gives "<not well-formed: ...>".
namespace IphoneBackupXml {

QStringList outline(const QString& path);
// The lines below the root whose path, without the root, starts with prefix.
QStringList linesUnder(const QStringList& outline, const QString& prefix);

} // namespace IphoneBackupXml
