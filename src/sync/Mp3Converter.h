// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QStringList>

// Converts a track (AAC and the like) to MP3 before it is copied to a phone
// that asked for MP3 only.
class Mp3Converter
{
public:
    // -i source -y -ab <bitrate>k -map_metadata 0 output: the tags of the
    // source are carried into the MP3.
    static QStringList arguments(const QString& source, const QString& output, int bitrateKbps);

    // The result is that of ConverterProcess::runToFile: a failed conversion
    // leaves no output file.
    static int convert(const QString& source, const QString& output, int bitrateKbps);
};
