// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/CallLogWriter.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "transfer/android/BufferedSaveFile.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/SmsBackupWriter.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr char kFileStart[] = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<calls count=\"";

// The app's presentation values: 1 the number was shown, 2 it was withheld.
constexpr int kPresentationAllowed = 1;
constexpr int kPresentationRestricted = 2;

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

int CallLogWriter::write(const QString& path, const ContactNames* names)
{
    TraceScope trace("CallLogWriter::write");
    std::stable_sort(mCalls.begin(), mCalls.end(),
                     [](const CallRecord& a, const CallRecord& b) { return a.dateMs < b.dateMs; });
    BufferedSaveFile file;
    if (!file.open(path)) {
        traceReturns(DataResult::FileCannotWrite);
        return DataResult::FileCannotWrite;
    }
    QByteArray& out = file.text();
    out += kFileStart;
    out += QByteArray::number(mCalls.size()) + "\">\n";
    QHash<QString, QString> nameOf; // a caller rings many times: look each number up once
    for (const CallRecord& call : std::as_const(mCalls)) {
        QString name = call.name;
        if (name.isEmpty() && names && !call.number.isEmpty()) {
            auto known = nameOf.constFind(call.number);
            if (known == nameOf.constEnd())
                known = nameOf.insert(call.number, names->nameFor(call.number));
            name = *known;
        }
        out += "  <call number=\"";
        SmsBackupWriter::appendAttribute(out, call.number);
        out += "\" duration=\"" + QByteArray::number(std::max<qint64>(call.durationSeconds, 0));
        out += "\" date=\"" + QByteArray::number(call.dateMs);
        out += "\" type=\"" + QByteArray::number(int(call.type));
        out += "\" presentation=\""
               + QByteArray::number(call.number.isEmpty() ? kPresentationRestricted : kPresentationAllowed);
        out += "\" contact_name=\"";
        SmsBackupWriter::appendAttribute(out, name.isEmpty() ? QStringLiteral("(Unknown)") : name);
        out += "\" />\n";
        file.flushIfFull();
    }
    out += "</calls>\n";
    const int result = file.finish() ? 0 : DataResult::FileCannotWrite;
    traceReturns(result);
    return result;
}
