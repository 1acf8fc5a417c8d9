// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The BlackBerry contact subfield decoder on any bytes; the same bytes also go
// through the SMS decoder as each of its four fields.
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BlackberryContactConverter::entriesOfField(bytes);

    BackupRecord record;
    const qsizetype quarter = bytes.size() / 4;
    const quint8 types[] = {1, 2, 4, 7};
    for (int i = 0; i < 4; ++i)
        record.fields.append(BackupField{types[i], bytes.mid(i * quarter, i == 3 ? -1 : quarter)});
    BlackberrySmsConverter::messageOfRecord(record);
    return 0;
}
