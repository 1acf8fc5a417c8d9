// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneNotesExport.h"

#include "app/TraceLog.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/ExistingColumns.h"
#include "transfer/iphone/NoteDocument.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace {

// ZFOLDERTYPE of the "Recently Deleted" folder.
constexpr int kTrashFolder = 1;

const QString kObjects = QStringLiteral("ZICCLOUDSYNCINGOBJECT");

std::optional<qint64> millisecondsOf(const QVariant& appleSeconds)
{
    bool ok = false;
    const double seconds = appleSeconds.toDouble(&ok);
    if (appleSeconds.isNull() || !ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e11)
        return std::nullopt;
    return qint64(std::llround((seconds + double(AppleDates::kAppleEpochOffset)) * 1000.0));
}

// "alias.column", or NULL when the table lacks every candidate.
QString columnOrNull(const QSqlDatabase& db, const QString& table, const QString& alias, const QStringList& candidates)
{
    const QString column = ExistingColumns::firstOf(db, table, candidates);
    return column.isEmpty() ? QStringLiteral("NULL") : alias + QLatin1Char('.') + column;
}

QString firstLine(const QString& text)
{
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

int runQuery(const QString& path, const std::function<QString(const QSqlDatabase&)>& queryText,
             const std::function<void(const QSqlQuery&)>& row)
{
    int result = 0;
    SqliteConnection connection(path, QStringLiteral("QSQLITE_OPEN_READONLY"));
    result = ExistingColumns::open(connection, path);
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (result == 0 && !query.exec(queryText(connection.database()))) {
        traceValue("Selection error", query.lastError().text());
        result = IphoneDatabaseExport::kErrorSelection;
    }
    int rows = 0;
    while (result == 0 && query.next()) {
        ++rows;
        row(query);
    }
    if (result == 0 && SqliteConnection::endedWithError(query, rows))
        result = IphoneDatabaseExport::kErrorDamagedDatabase;
    return result;
}

} // namespace

int IphoneNotesExport::readNoteStore(const QString& databasePath, NoteSink& sink, Skipped& skipped)
{
    TraceScope trace("IphoneNotesExport::readNoteStore");
    const auto queryText = [](const QSqlDatabase& db) -> QString {
        return QStringLiteral("SELECT ")
               + columnOrNull(db, kObjects, QStringLiteral("n"), {QStringLiteral("ZTITLE1"), QStringLiteral("ZTITLE")})
               + QStringLiteral(", ")
               + columnOrNull(db, kObjects, QStringLiteral("n"),
                              {QStringLiteral("ZMODIFICATIONDATE1"), QStringLiteral("ZMODIFICATIONDATE")})
               + QStringLiteral(", ")
               + columnOrNull(db, kObjects, QStringLiteral("n"), {QStringLiteral("ZISPASSWORDPROTECTED")})
               + QStringLiteral(", ")
               + columnOrNull(db, kObjects, QStringLiteral("n"), {QStringLiteral("ZMARKEDFORDELETION")})
               + QStringLiteral(", ")
               + columnOrNull(db, kObjects, QStringLiteral("f"), {QStringLiteral("ZTITLE2"), QStringLiteral("ZTITLE")})
               + QStringLiteral(", ") + columnOrNull(db, kObjects, QStringLiteral("f"), {QStringLiteral("ZFOLDERTYPE")})
               + QStringLiteral(", d.ZDATA, ")
               + columnOrNull(db, QStringLiteral("ZICNOTEDATA"), QStringLiteral("d"), {QStringLiteral("ZCRYPTOTAG")})
               + QStringLiteral(" FROM ZICNOTEDATA d JOIN ") + kObjects
               + QStringLiteral(" n ON d.ZNOTE = n.Z_PK LEFT JOIN ") + kObjects + QStringLiteral(" f ON n.")
               + (ExistingColumns::firstOf(db, kObjects, {QStringLiteral("ZFOLDER")}).isEmpty()
                      ? QStringLiteral("Z_PK = NULL")
                      : QStringLiteral("ZFOLDER = f.Z_PK"))
               + QStringLiteral(" ORDER BY n.Z_PK");
    };
    const int result = runQuery(databasePath, queryText, [&](const QSqlQuery& query) {
        if (query.value(3).toInt() == 1 || query.value(5).toInt() == kTrashFolder)
            return; // deleted
        if (query.value(2).toInt() == 1 || !query.value(7).isNull()) {
            ++skipped.locked;
            return;
        }
        const std::optional<QString> text = NoteDocument::textOfStored(query.value(6).toByteArray());
        if (!text) {
            ++skipped.unreadable;
            return;
        }
        NoteRecord note;
        note.text = *text;
        note.title = query.value(0).toString().trimmed();
        if (note.title.isEmpty())
            note.title = firstLine(note.text);
        note.folder = query.value(4).toString();
        note.modifiedMs = millisecondsOf(query.value(1));
        sink.add(note);
    });
    traceReturns(result);
    return result;
}

int IphoneNotesExport::readLegacy(const QString& databasePath, NoteSink& sink)
{
    TraceScope trace("IphoneNotesExport::readLegacy");
    const auto queryText = [](const QSqlDatabase& db) -> QString {
        return QStringLiteral("SELECT ")
               + columnOrNull(db, QStringLiteral("ZNOTE"), QStringLiteral("n"), {QStringLiteral("ZTITLE")})
               + QStringLiteral(", ")
               + columnOrNull(db, QStringLiteral("ZNOTE"), QStringLiteral("n"), {QStringLiteral("ZMODIFICATIONDATE")})
               + QStringLiteral(", b.ZCONTENT FROM ZNOTE n LEFT JOIN ZNOTEBODY b ON b.ZOWNER = n.Z_PK ORDER BY n.Z_PK");
    };
    const int result = runQuery(databasePath, queryText, [&](const QSqlQuery& query) {
        NoteRecord note;
        note.text = textOfHtml(query.value(2).toString());
        note.title = query.value(0).toString().trimmed();
        if (note.title.isEmpty())
            note.title = firstLine(note.text);
        note.modifiedMs = millisecondsOf(query.value(1));
        sink.add(note);
    });
    traceReturns(result);
    return result;
}

QString IphoneNotesExport::textOfHtml(const QString& html)
{
    QString text;
    text.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype end = html.indexOf(QLatin1Char('>'), i);
            if (end < 0)
                break; // a cut-off tag
            const QString tag = html.mid(i + 1, end - i - 1).trimmed().toLower();
            const QString name = tag.section(QLatin1Char(' '), 0, 0).remove(QLatin1Char('/'));
            const bool block = name == QLatin1String("div") || name == QLatin1String("p");
            // A block starts and ends a line; <br> is one line break of its own.
            if (name == QLatin1String("br") || (block && !text.isEmpty() && !text.endsWith(QLatin1Char('\n'))))
                text += QLatin1Char('\n');
            i = end;
        } else if (c == QLatin1Char('&')) {
            const qsizetype end = html.indexOf(QLatin1Char(';'), i);
            const QString entity = end > i && end - i <= 10 ? html.mid(i + 1, end - i - 1) : QString();
            static const QHash<QString, QChar> named{
                {QStringLiteral("amp"), QLatin1Char('&')},   {QStringLiteral("lt"), QLatin1Char('<')},
                {QStringLiteral("gt"), QLatin1Char('>')},    {QStringLiteral("quot"), QLatin1Char('"')},
                {QStringLiteral("apos"), QLatin1Char('\'')}, {QStringLiteral("nbsp"), QChar(0xA0)}};
            bool ok = false;
            const uint code = entity.startsWith(QLatin1Char('#'))
                                  ? (entity.startsWith(QLatin1String("#x")) ? entity.mid(2).toUInt(&ok, 16)
                                                                            : entity.mid(1).toUInt(&ok, 10))
                                  : 0;
            if (named.contains(entity)) {
                text += named.value(entity);
                i = end;
            } else if (ok && code > 0 && code <= 0x10FFFF && !QChar::isSurrogate(code)) {
                text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                i = end;
            } else {
                text += c;
            }
        } else if (c != QLatin1Char('\n') && c != QLatin1Char('\r')) {
            text += c; // in HTML a source line break is only a blank
        } else {
            text += QLatin1Char(' ');
        }
    }
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}
