// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The BlackBerry container reader, and the converters over what it read, on any bytes.
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberryIpdReader.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BackupDatabaseTable table;
    BlackberryIpdReader reader(table);
    reader.read(buffer);
    for (int id = 0; id < table.count(); ++id) {
        for (const BackupRecord& record : table.database(id).records) {
            BlackberryContactConverter::entriesOfRecord(record);
            BlackberrySmsConverter::messageOfRecord(record);
        }
    }
    return 0;
}
