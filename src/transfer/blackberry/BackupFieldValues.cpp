// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BackupFieldValues.h"

#include "transfer/blackberry/BackupDatabaseTable.h"

const BackupField* BackupFieldValues::fieldOf(const BackupRecord& record, quint8 type)
{
    for (const BackupField& field : record.fields) {
        if (field.type == type)
            return &field;
    }
    return nullptr;
}

std::optional<quint64> BackupFieldValues::numberOf(const BackupField* field)
{
    if (!field || field->data.isEmpty() || field->data.size() > 8)
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = field->data.size() - 1; i >= 0; --i)
        value = (value << 8) | quint8(field->data.at(i));
    return value;
}

QString BackupFieldValues::textOf(const BackupField* field)
{
    if (!field)
        return QString();
    QByteArrayView bytes(field->data);
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end >= 0 ? bytes.first(end) : bytes);
}
