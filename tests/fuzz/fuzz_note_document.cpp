// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The note body decoder on any bytes, both as a stored (gzip'd) body and as
// the bare protocol buffer, and the old notes' HTML reader: no crash, no
// read out of bounds, and no text longer than its input allows. The same
// bytes as a title (of a note, voicemail sender or voice memo) give a file
// name without a separator or a character FAT refuses, and a voice memo's
// file name gives at most a date.
#include "transfer/android/SafeFileNames.h"
#include "transfer/iphone/IphoneNotesExport.h"
#include "transfer/iphone/IphoneRecordingsExport.h"
#include "transfer/iphone/NoteDocument.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Each UTF-8 byte gives at most one UTF-16 unit; a checklist line adds four.
    const std::optional<QString> bare = NoteDocument::text(bytes);
    if (bare && bare->size() > 5 * bytes.size() + 4)
        std::abort();
    const std::optional<QByteArray> inflated = NoteDocument::inflate(bytes);
    if (inflated && inflated->size() > NoteDocument::kMaxDecompressedSize + 16384)
        std::abort();
    if (inflated)
        (void)NoteDocument::text(*inflated);
    const QString html = QString::fromUtf8(bytes);
    if (IphoneNotesExport::textOfHtml(html).size() > html.size())
        std::abort();
    SafeFileNames names;
    const QString first = names.take(html, QStringLiteral("Note"), QStringLiteral(".txt"));
    if (first.size() > 120 || first.contains(QLatin1Char('/')) || first.contains(QLatin1Char(':'))
        || first.compare(names.take(html, QStringLiteral("Note"), QStringLiteral(".txt")), Qt::CaseInsensitive) == 0)
        std::abort();
    (void)IphoneRecordingsExport::timeOfFileName(html);
    return 0;
}
