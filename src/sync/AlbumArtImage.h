// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QString>

class QImage;

// The cover picture sent to the phone: the album's artwork scaled to fit
// 300 x 300 pixels (aspect ratio kept), on white where it was transparent,
// saved as JPEG.
class AlbumArtImage
{
public:
    static constexpr int kMaxSide = 300;

    static constexpr int kErrorImageNull = MediaResult::ImageNull;
    static constexpr int kErrorScaledImageNull = MediaResult::ScaledImageNull;
    static constexpr int kErrorWhiteBackgroundNull = MediaResult::WhiteBackgroundNull;
    static constexpr int kErrorSaveFailed = MediaResult::ImageSaveFailed;

    // Makes the cover out of source into cover. 0, or the code of the step
    // that gave a null image (its message is traced).
    static int render(const QImage& source, QImage& cover);

    // Loads artworkPath and writes the cover to targetPath (an old file there is
    // removed first). 0 on success, else one of the codes above.
    static int create(const QString& artworkPath, const QString& targetPath);
};
