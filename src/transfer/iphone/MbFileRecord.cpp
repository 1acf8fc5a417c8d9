// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/MbFileRecord.h"

#include "transfer/iphone/PlistNesting.h"

#include <plist/plist.h>

#include <memory>

namespace {

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistRoot = std::unique_ptr<void, PlistFree>;

// An archived object refers to others by their place in $objects.
plist_t resolve(plist_t objects, plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_UID)
        return node;
    uint64_t index = 0;
    plist_get_uid_val(node, &index);
    if (index >= plist_array_get_size(objects))
        return nullptr;
    return plist_array_get_item(objects, uint32_t(index));
}

bool unsignedValue(plist_t node, quint64& value)
{
    if (!node || plist_get_node_type(node) != PLIST_UINT)
        return false;
    uint64_t number = 0;
    plist_get_uint_val(node, &number);
    value = number;
    return true;
}

QByteArray dataOf(plist_t objects, plist_t node)
{
    node = resolve(objects, node);
    // NSData is archived either as plain data or as a dictionary holding it.
    if (node && plist_get_node_type(node) == PLIST_DICT)
        node = resolve(objects, plist_dict_get_item(node, "NS.data"));
    if (!node || plist_get_node_type(node) != PLIST_DATA)
        return {};
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(node, &length);
    return bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray();
}

} // namespace

bool MbFileRecord::read(const QByteArray& archived)
{
    *this = MbFileRecord();
    if (archived.isEmpty() || archived.size() > 1024 * 1024 || !PlistNesting::withinLimit(archived))
        return false;
    plist_t parsed = nullptr;
    plist_from_bin(archived.constData(), uint32_t(archived.size()), &parsed);
    const PlistRoot root(parsed);
    if (!parsed || plist_get_node_type(parsed) != PLIST_DICT)
        return false;
    const plist_t objects = plist_dict_get_item(parsed, "$objects");
    const plist_t top = plist_dict_get_item(parsed, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top || plist_get_node_type(top) != PLIST_DICT)
        return false;
    const plist_t file = resolve(objects, plist_dict_get_item(top, "root"));
    if (!file || plist_get_node_type(file) != PLIST_DICT)
        return false;
    quint64 number = 0;
    if (unsignedValue(plist_dict_get_item(file, "ProtectionClass"), number) && number <= 0xFFFFFFFF)
        protectionClass = quint32(number);
    if (unsignedValue(plist_dict_get_item(file, "Size"), number) && number <= quint64(INT64_MAX))
        size = qint64(number);
    const QByteArray key = dataOf(objects, plist_dict_get_item(file, "EncryptionKey"));
    if (key.size() > 4)
        wrappedKey = key.mid(4);
    return true;
}
