// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneBackupPlist.h"

#include "app/TraceLog.h"
#include "transfer/iphone/PlistNesting.h"
#include "transfer/iphone/RegularFile.h"

#include <plist/plist.h>

#include <climits>

// A property list larger than this is not one a backup writes.
static constexpr qint64 kMaximumPlistSize = 256 * 1024 * 1024;

IphoneBackupPlist::IphoneBackupPlist(const QString& path)
{
    TraceScope trace("IphoneBackupPlist::IphoneBackupPlist");
    traceValue("path", path);
    QByteArray data;
    const int read = RegularFile::read(path, kMaximumPlistSize, data);
    if (read != RegularFile::Success) {
        mStatus = read == RegularFile::NotRegular ? NotRegularFile : CannotRead;
        traceReturns(mStatus);
        return;
    }
    if (!PlistNesting::withinLimit(data)) {
        const bool unsound = data.startsWith("bplist00") && !PlistNesting::hasSoundTables(data);
        traceMessage(unsound ? "Binary property list with unsound tables" : "Property list nested too deep");
        mStatus = unsound ? NotAPlist : TooDeep;
        return;
    }
    plist_t root = nullptr;
    if (!data.isEmpty())
        plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) {
        if (root)
            plist_free(root);
        traceMessage("Not a property list dictionary");
        mStatus = NotAPlist;
        return;
    }
    mRoot = root;
    mStatus = Success;
}

IphoneBackupPlist::~IphoneBackupPlist()
{
    if (mRoot)
        plist_free(static_cast<plist_t>(mRoot));
}

int IphoneBackupPlist::boolValue(const char* key, bool& value) const
{
    TraceScope trace("IphoneBackupPlist::boolValue");
    if (!mRoot)
        return mStatus;
    plist_t node = plist_dict_get_item(static_cast<plist_t>(mRoot), key);
    if (!node || plist_get_node_type(node) != PLIST_BOOLEAN)
        return NoSuchKey;
    uint8_t flag = 0;
    plist_get_bool_val(node, &flag);
    value = flag != 0;
    return Success;
}

int IphoneBackupPlist::stringValue(const char* key, QString& value) const
{
    TraceScope trace("IphoneBackupPlist::stringValue");
    if (!mRoot)
        return mStatus;
    plist_t node = plist_dict_get_item(static_cast<plist_t>(mRoot), key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return NoSuchKey;
    // Not plist_get_string_val: it asserts that the string holds no NUL,
    // which a binary property list can hold. Such a string ends at its NUL.
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return NoSuchKey;
    value = QString::fromUtf8(text, qstrnlen(text, uint(qMin<uint64_t>(length, INT_MAX))));
    return Success;
}

int IphoneBackupPlist::dateValue(const char* key, QDateTime& value) const
{
    TraceScope trace("IphoneBackupPlist::dateValue");
    if (!mRoot)
        return mStatus;
    plist_t node = plist_dict_get_item(static_cast<plist_t>(mRoot), key);
    if (!node || plist_get_node_type(node) != PLIST_DATE)
        return NoSuchKey;
    int32_t seconds = 0;
    int32_t microseconds = 0;
    plist_get_date_val(node, &seconds, &microseconds);
    // Property-list dates count from 2001-01-01 UTC.
    static constexpr qint64 kAppleEpochOffset = 978307200;
    value = QDateTime::fromSecsSinceEpoch(kAppleEpochOffset + seconds, Qt::UTC);
    return Success;
}

int IphoneBackupPlist::dataValue(const char* key, QByteArray& value) const
{
    TraceScope trace("IphoneBackupPlist::dataValue");
    if (!mRoot)
        return mStatus;
    plist_t node = plist_dict_get_item(static_cast<plist_t>(mRoot), key);
    if (!node || plist_get_node_type(node) != PLIST_DATA)
        return NoSuchKey;
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(node, &length);
    value = bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray();
    return Success;
}

int IphoneBackupPlist::isEncrypted(const QString& manifestPlistPath, bool& encrypted)
{
    TraceScope trace("IphoneBackupPlist::isEncrypted");
    encrypted = false;
    const IphoneBackupPlist plist(manifestPlistPath);
    if (plist.status() != Success) {
        traceReturns(plist.status());
        return plist.status();
    }
    bool flag = false;
    if (plist.boolValue("IsEncrypted", flag) == Success)
        encrypted = flag;
    traceValue("IsEncrypted", encrypted ? "true" : "false");
    traceReturns(Success);
    return Success;
}
