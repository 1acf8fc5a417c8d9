// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/TrackNames.h"

#include "app/TraceLog.h"
#include "model/Track.h"
#include "model/TrackList.h"

#include <QListWidget>

QStringList trackNames(const TrackList& tracks)
{
    TraceScope trace("trackNames");
    QStringList names;
    names.reserve(tracks.count());
    for (int i = 0; i < tracks.count(); ++i)
        names.append(tracks[i].trackName());
    return names;
}

QStringList trackNames(const QList<Track>& tracks)
{
    TraceScope trace("trackNames");
    QStringList names;
    names.reserve(tracks.size());
    for (const Track& track : tracks)
        names.append(track.trackName());
    return names;
}

QListWidget* makeTrackNameList(const QStringList& names, QWidget* parent)
{
    TraceScope trace("makeTrackNameList");
    auto* list = new QListWidget(parent);
    // Long names wrap rather than run off the list's edge.
    list->setWordWrap(true);
    list->setTextElideMode(Qt::ElideNone);
    list->addItems(names);
    return list;
}
