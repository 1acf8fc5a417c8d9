// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/BackupKeybag.h"

#include "app/TraceLog.h"

#include <QtEndian>

namespace {

quint32 numberOf(const QByteArray& value)
{
    return value.size() == 4 ? qFromBigEndian<quint32>(value.constData()) : 0;
}

bool validRounds(quint32 rounds)
{
    return rounds > 0 && rounds <= BackupKeybag::kMaximumRounds;
}

} // namespace

int BackupKeybag::parse(const QByteArray& data)
{
    TraceScope trace("BackupKeybag::parse");
    *this = BackupKeybag();
    qsizetype position = 0;
    ClassKey* current = nullptr;
    while (position < data.size()) {
        if (data.size() - position < 8) {
            traceReturns(Malformed);
            return Malformed;
        }
        const QByteArray tag = data.mid(position, 4);
        const quint32 length = qFromBigEndian<quint32>(data.constData() + position + 4);
        position += 8;
        if (length > quint64(data.size() - position)) {
            traceReturns(Malformed);
            return Malformed;
        }
        const QByteArray value = data.mid(position, qsizetype(length));
        position += qsizetype(length);
        // The header holds the first UUID; each later one opens a class key.
        if (tag == "UUID") {
            if (!mSalt.isEmpty() || mIterations != 0 || !mClassKeys.isEmpty()) {
                mClassKeys.append(ClassKey());
                current = &mClassKeys.last();
            }
        } else if (current && tag == "CLAS") {
            current->protectionClass = numberOf(value);
        } else if (current && tag == "WRAP") {
            current->wrap = numberOf(value);
        } else if (current && tag == "WPKY") {
            current->wrappedKey = value;
        } else if (!current && tag == "SALT") {
            mSalt = value;
        } else if (!current && tag == "ITER") {
            mIterations = numberOf(value);
        } else if (!current && tag == "DPSL") {
            mSha256Salt = value;
        } else if (!current && tag == "DPIC") {
            mSha256Iterations = numberOf(value);
        }
    }
    const bool sha256PassSound = !hasSha256Pass() || validRounds(mSha256Iterations);
    if (mSalt.isEmpty() || !validRounds(mIterations) || !sha256PassSound || mClassKeys.isEmpty()) {
        traceMessage("Keybag lacks its salt, its round counts or its class keys");
        traceReturns(Malformed);
        return Malformed;
    }
    traceValue("class keys", int(mClassKeys.size()));
    traceReturns(Success);
    return Success;
}
