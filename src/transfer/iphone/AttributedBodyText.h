// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// iOS 16 and later often leave message.text NULL and keep the body only in
// message.attributedBody: an NSAttributedString archived in Apple's
// "typedstream" format, as NSAttributedString or NSMutableAttributedString
// around an NSString or NSMutableString. The plain text is that string: after
// the class names comes the type "+" and a length-prefixed run of UTF-8 bytes.
namespace AttributedBodyText {

// The message text, or nothing when the blob holds no readable string.
// The U+FFFC placeholders of attachments are left out.
std::optional<QString> plainText(const QByteArray& archive);

// text without the U+FFFC placeholders iOS writes where an attachment sits.
QString withoutPlaceholders(QString text);

} // namespace AttributedBodyText
