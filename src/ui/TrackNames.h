// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QStringList>

class QListWidget;
class QWidget;
class Track;
class TrackList;

// The dialogs list tracks by their names, one row each, in list order.
QStringList trackNames(const TrackList& tracks);
QStringList trackNames(const QList<Track>& tracks);
QListWidget* makeTrackNameList(const QStringList& names, QWidget* parent);
