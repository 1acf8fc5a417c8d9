// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>

// Splits one fuzz input into the several files a target needs: each call takes
// the bytes up to the next 0xFF (or all that is left) off the front of rest.
inline QByteArray takeFuzzInputPart(QByteArray& rest)
{
    const int end = rest.indexOf('\xff');
    const QByteArray part = end < 0 ? rest : rest.left(end);
    rest = end < 0 ? QByteArray() : rest.mid(end + 1);
    return part;
}
