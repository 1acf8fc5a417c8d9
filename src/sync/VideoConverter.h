// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QStringList>

// Turns an iPhone QuickTime video into an MP4 the Android phone can play.
// Phones with a screen larger than 800 x 480 get the streams copied as they
// are; smaller ones get the video scaled down to 480 x 270.
class VideoConverter
{
public:
    // A screen with more pixels than this gets the streams unchanged.
    static constexpr int kLargeScreenPixels = 384000;
    // Used when the phone does not report its screen size.
    static constexpr int kDefaultScreenPixels = 400000;

    static QStringList arguments(const QString& source, const QString& output, int screenPixels);

    // The result is that of ConverterProcess::runToFile: a failed conversion
    // leaves no output file.
    static int convert(const QString& source, const QString& output, int screenPixels);

    // True for names that end in "mov" in any letter case (and are longer than 3).
    static bool isQuickTimeVideo(const QString& name);
    // The name with its last three characters replaced by "mp4".
    static QString mp4Name(const QString& name);
};
