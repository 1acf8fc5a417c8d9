// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>

// libplist parses nested arrays and dictionaries by recursion, so a property
// list nested thousands deep overflows its stack. This measures the nesting
// first, without recursion, for binary and XML property lists alike.
namespace PlistNesting {

// Deeper than any property list a backup writes.
constexpr int kMaximumDepth = 64;

// False also for a binary property list whose tables are not sound.
bool withinLimit(const QByteArray& data, int maximumDepth = kMaximumDepth);
// A binary property list's trailer and offset table lie within its bytes.
bool hasSoundTables(const QByteArray& data);

} // namespace PlistNesting
