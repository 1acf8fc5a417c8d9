// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The attributedBody text reader on any bytes: no crash, no read out of
// bounds, and never a text longer than the archive.
#include "transfer/iphone/AttributedBodyText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> text = AttributedBodyText::plainText(bytes);
    if (text && text->size() > bytes.size())
        std::abort();
    return 0;
}
