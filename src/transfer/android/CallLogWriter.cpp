// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/CallLogWriter.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/SmsBackupWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kFileStart[] = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<calls count=\"";

// The app's presentation values: 1 the number was shown, 2 it was withheld.
constexpr int kPresentationAllowed = 1;
constexpr int kPresentationRestricted = 2;

constexpr char kElementEnd[] = "\" />\n";

bool isOwnFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(qint64(sizeof kFileStart) - 1) == kFileStart;
}

} // namespace

QString CallLogWriter::fileName(const QDateTime& conversionTime)
{
    return QStringLiteral("calls-") + conversionTime.toString(QStringLiteral("yyyyMMddHHmmss"))
           + QStringLiteral(".xml");
}

void CallLogWriter::removeEarlierFiles(const QString& folder, const QString& keptName)
{
    static const QRegularExpression ownName(QStringLiteral("^calls-[0-9]{14}\\.xml$"));
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        if (name != keptName && ownName.match(name).hasMatch() && isOwnFile(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
    }
}

int CallLogWriter::open(const QString& path)
{
    TraceScope trace("CallLogWriter::open");
    traceValue("path", path);
    mCount = 0;
    if (!mSpill.open(QFileInfo(path).absolutePath() + QStringLiteral("/.calls-spill-XXXXXX")) || !mOutput.open(path)) {
        mSpill.close();
        traceReturns(int(DataResult::FileCannotWrite));
        return DataResult::FileCannotWrite;
    }
    return 0;
}

void CallLogWriter::add(const CallRecord& call)
{
    if (!mSpill.isOpen())
        return;
    // The pieces: the number as it is held (UTF-16, for the contact lookup),
    // the element up to where "contact_name" goes, and, only when the backup
    // names the caller itself, that name and the element's end.
    QByteArray& text = mSpill.text();
    mSpill.begin();
    text.append(reinterpret_cast<const char*>(call.number.utf16()), call.number.size() * qsizetype(sizeof(char16_t)));
    mSpill.mark();
    text += "  <call number=\"";
    SmsBackupWriter::appendAttribute(text, call.number);
    text += "\" duration=\"" + QByteArray::number(std::max<qint64>(call.durationSeconds, 0));
    text += "\" date=\"" + QByteArray::number(call.dateMs);
    text += "\" type=\"" + QByteArray::number(int(call.type));
    text += "\" presentation=\""
            + QByteArray::number(call.number.isEmpty() ? kPresentationRestricted : kPresentationAllowed);
    text += "\" contact_name=\"";
    mSpill.mark();
    if (!call.name.isEmpty()) {
        SmsBackupWriter::appendAttribute(text, call.name);
        text += kElementEnd;
    }
    mSpill.end(call.dateMs);
}

bool CallLogWriter::appendCall(QByteArrayView number, QByteArrayView line, QByteArrayView namedTail,
                               const ContactNames* names)
{
    QByteArray& out = mOutput.text();
    out.append(line);
    if (!namedTail.isEmpty()) {
        out.append(namedTail);
    } else {
        QString key(number.size() / qsizetype(sizeof(char16_t)), Qt::Uninitialized);
        std::memcpy(key.data(), number.data(), size_t(key.size()) * sizeof(char16_t));
        auto known = mNameCache.constFind(key);
        if (known == mNameCache.constEnd()) {
            const QString name = names && !key.isEmpty() ? names->nameFor(key) : QString();
            QByteArray escaped;
            SmsBackupWriter::appendAttribute(escaped, name.isEmpty() ? QStringLiteral("(Unknown)") : name);
            known = mNameCache.insert(key, escaped);
        }
        out.append(*known);
        out.append(kElementEnd);
    }
    mOutput.flushIfFull();
    return true;
}

int CallLogWriter::finish(const ContactNames* names)
{
    TraceScope trace("CallLogWriter::finish");
    traceValue("calls", mSpill.count());
    if (!mSpill.isOpen()) {
        traceReturns(int(DataResult::FileCannotWrite));
        return DataResult::FileCannotWrite;
    }
    mCount = mSpill.count();
    QByteArray& out = mOutput.text();
    out += kFileStart;
    out += QByteArray::number(mCount) + "\">\n";
    const bool whole = mSpill.replay([this, names](QByteArrayView number, QByteArrayView line, QByteArrayView tail) {
        return appendCall(number, line, tail, names);
    });
    out += "</calls>\n";
    mSpill.close();
    mNameCache.clear();
    bool written = false;
    if (whole)
        written = mOutput.finish();
    else
        mOutput.cancel();
    const int result = written ? 0 : int(DataResult::FileCannotWrite);
    traceReturns(result);
    return result;
}
