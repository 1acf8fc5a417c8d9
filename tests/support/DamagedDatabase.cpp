// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/DamagedDatabase.h"

#include <QFile>

bool DamagedDatabase::overwritePageHolding(const QString& path, const QByteArray& needle)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf(needle);
    if (bytes.size() < 100 || at < 0)
        return false;
    // The page size is stored big-endian at offset 16; 1 means 65536.
    qint64 pageSize = (quint8(bytes.at(16)) << 8) | quint8(bytes.at(17));
    if (pageSize == 1)
        pageSize = 65536;
    const qint64 page = at / pageSize;
    if (page == 0 || !file.seek(page * pageSize))
        return false;
    return file.write(QByteArray(pageSize, '\xff')) == pageSize && file.flush();
}

QString DamagedDatabase::insertRows(const QString& table, const QString& columns, const QString& selectColumns,
                                    int rows)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1),"
                          " labelled(i, label) AS (SELECT i, 'row-' || i || '-' || substr(hex(zeroblob(30)), 1, 60)"
                          " FROM n) INSERT INTO %2 (%3) SELECT %4 FROM labelled")
        .arg(rows)
        .arg(table, columns, selectColumns);
}
