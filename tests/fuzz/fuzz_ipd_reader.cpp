// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The BlackBerry container reader, and the converters over what it read, on
// any bytes; read record by record it must hand over exactly the records it
// keeps when it reads the whole container, with or without their fields.
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryCalendarConverter.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberryIpdReader.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include <QBuffer>

#include <algorithm>
#include <cstdlib>

namespace {

class RecordIds : public BackupRecordHandler
{
public:
    explicit RecordIds(bool fields) : mFields(fields) {}
    void databaseAdded(int, const QString&) override {}
    void recordRead(const BackupRecord& record) override
    {
        if (!mFields && !record.fields.isEmpty())
            std::abort();
        ids.append(record.uniqueId);
    }
    bool wantsFields() const override { return mFields; }
    QList<quint32> ids;

private:
    bool mFields;
};

QList<quint32> readIds(QByteArray& bytes, BackupRecordHandler* handler, BackupDatabaseTable& table)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BlackberryIpdReader reader(table, handler);
    reader.read(buffer);
    QList<quint32> ids;
    for (int id = 0; id < table.count(); ++id) {
        for (const BackupRecord& record : table.database(id).records)
            ids.append(record.uniqueId);
    }
    return ids;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    BackupDatabaseTable table;
    const QList<quint32> kept = readIds(bytes, nullptr, table);
    for (int id = 0; id < table.count(); ++id) {
        for (const BackupRecord& record : table.database(id).records) {
            BlackberryContactConverter::entriesOfRecord(record);
            BlackberrySmsConverter::messageOfRecord(record);
            BlackberryCalendarConverter::entryOfRecord(record);
        }
    }
    for (const bool fields : {true, false}) {
        RecordIds streamed(fields);
        BackupDatabaseTable names;
        if (!readIds(bytes, &streamed, names).isEmpty() || names.names() != table.names())
            std::abort();
        // The whole read keeps its records per database: compare as sets of the same size.
        QList<quint32> sorted = streamed.ids;
        QList<quint32> expected = kept;
        std::sort(sorted.begin(), sorted.end());
        std::sort(expected.begin(), expected.end());
        if (sorted != expected)
            std::abort();
    }
    return 0;
}
