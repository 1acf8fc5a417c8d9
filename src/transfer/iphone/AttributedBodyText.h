// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// iOS 16 and later often leave message.text NULL and keep the body only in
// message.attributedBody: an NSAttributedString archived in Apple's
// "typedstream" format. The plain text is the first NSString in it: after the
// class name comes the type "+" and a length-prefixed run of UTF-8 bytes.
namespace AttributedBodyText {

// The message text, or nothing when the blob holds no readable string.
std::optional<QString> plainText(const QByteArray& archive);

} // namespace AttributedBodyText
