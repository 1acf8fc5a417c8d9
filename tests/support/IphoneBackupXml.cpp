// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupXml.h"

#include <QFile>
#include <QXmlStreamReader>

QStringList IphoneBackupXml::outline(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    QXmlStreamReader reader(&file);
    QStringList lines;
    QStringList stack;
    QList<int> lineOfElement;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            stack << reader.name().toString();
            QString line = stack.join(QLatin1Char('/'));
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                line += QLatin1Char('[') + attribute.name() + QLatin1Char('=') + attribute.value() + QLatin1Char(']');
            lineOfElement << int(lines.size());
            lines << line;
        } else if (reader.isCharacters() && !reader.isWhitespace() && !lineOfElement.isEmpty()) {
            lines[lineOfElement.last()] += QLatin1Char('=') + reader.text();
        } else if (reader.isEndElement()) {
            stack.removeLast();
            lineOfElement.removeLast();
        }
    }
    if (reader.hasError())
        return {QStringLiteral("<not well-formed: ") + reader.errorString() + QLatin1Char('>')};
    return lines;
}

QStringList IphoneBackupXml::linesUnder(const QStringList& outline, const QString& prefix)
{
    QStringList result;
    for (const QString& line : outline) {
        const qsizetype slash = line.indexOf(QLatin1Char('/'));
        if (slash >= 0 && line.mid(slash + 1).startsWith(prefix))
            result << line.mid(slash + 1);
    }
    return result;
}
