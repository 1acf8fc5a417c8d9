// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/AlbumArtImage.h"

#include "app/TraceLog.h"

#include <QFile>
#include <QImage>
#include <QPainter>

int AlbumArtImage::render(const QImage& source, QImage& cover)
{
    TraceScope trace("AlbumArtImage::render");
    if (source.isNull()) {
        traceMessage("Image is null - can't proceed");
        return kErrorImageNull;
    }
    const QImage scaled = source.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        traceMessage("scaledImage is null");
        return kErrorScaledImageNull;
    }
    // JPEG has no transparency: what was see-through becomes white, not black.
    QImage onWhite(scaled.size(), QImage::Format_RGB888);
    if (onWhite.isNull()) {
        traceMessage("scaledImageWhiteBackground is null");
        return kErrorWhiteBackgroundNull;
    }
    onWhite.fill(Qt::white);
    QPainter painter(&onWhite);
    painter.drawImage(0, 0, scaled);
    painter.end();
    cover = onWhite;
    return 0;
}

int AlbumArtImage::create(const QString& artworkPath, const QString& targetPath)
{
    TraceScope trace("AlbumArtImage::create");
    const QImage image(artworkPath);
    traceValue("tempImageFilename", targetPath);
    if (QFile::exists(targetPath))
        QFile::remove(targetPath);

    QImage cover;
    int result = render(image, cover);
    if (result == 0) {
        if (cover.save(targetPath)) {
            traceValue("Image saved to", targetPath);
        } else {
            traceValue("Error saving image to", targetPath);
            result = kErrorSaveFailed;
        }
    }
    traceReturns(result);
    return result;
}
