// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// While it lives, records the http links handed to the desktop instead of
// opening a browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;

    QList<QUrl> mUrls;

public slots:
    void open(const QUrl& url);
};
