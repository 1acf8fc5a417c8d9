// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/UrlRecorder.h"

#include <QDesktopServices>

UrlRecorder::UrlRecorder()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
}

UrlRecorder::~UrlRecorder()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void UrlRecorder::open(const QUrl& url)
{
    mUrls.append(url);
}
