// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/EncryptedBackup.h"

#include "app/TraceLog.h"
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/BackupKeybag.h"

#include <QtEndian>

EncryptedBackup::~EncryptedBackup()
{
    for (QByteArray& key : mClassKeys)
        BackupCipher::wipe(key);
}

int EncryptedBackup::unlock(const QByteArray& keybagData, const QByteArray& password)
{
    TraceScope trace("EncryptedBackup::unlock");
    for (QByteArray& key : mClassKeys)
        BackupCipher::wipe(key);
    mClassKeys.clear();
    BackupKeybag keybag;
    if (keybag.parse(keybagData) != BackupKeybag::Success) {
        traceReturns(KeybagMalformed);
        return KeybagMalformed;
    }
    QByteArray passwordKey = BackupCipher::passwordKey(password, keybag);
    int refused = 0;
    for (const BackupKeybag::ClassKey& classKey : keybag.classKeys()) {
        // Keys wrapped only with the phone's own key stay closed off the phone.
        if (!(classKey.wrap & BackupKeybag::kWrappedWithPassword))
            continue;
        QByteArray key;
        if (BackupCipher::unwrapKey(passwordKey, classKey.wrappedKey, key))
            mClassKeys.insert(classKey.protectionClass, key);
        else
            ++refused;
    }
    BackupCipher::wipe(passwordKey);
    traceValue("class keys opened", int(mClassKeys.size()));
    traceValue("class keys refused", refused);
    // One damaged class key costs its files; none opening is the password.
    const int result = mClassKeys.isEmpty() ? WrongPassword : Success;
    traceReturns(result);
    return result;
}

int EncryptedBackup::fileKey(quint32 protectionClass, const QByteArray& wrapped, QByteArray& key) const
{
    key.clear();
    const auto classKey = mClassKeys.constFind(protectionClass);
    if (classKey == mClassKeys.constEnd() || !BackupCipher::unwrapKey(*classKey, wrapped, key))
        return FileKeyUnusable;
    return Success;
}

int EncryptedBackup::keyFromRecord(const QByteArray& record, QByteArray& key) const
{
    key.clear();
    if (record.size() <= 4)
        return FileKeyUnusable;
    return fileKey(qFromLittleEndian<quint32>(record.constData()), record.mid(4), key);
}
