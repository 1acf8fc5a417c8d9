// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class Track;
class TrackList;

// Lists the tracks a sync could not copy (kinds 0 to 2) or that are copy
// protected (kind 4), with a box for not showing the warning again; the
// caller reads dontShowAgain() after the run and stores the choice.
class SyncWarningDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kKindFolderNotCreated = 0;
    static constexpr int kKindCopyFailed = 1;
    static constexpr int kKindNoSpace = 2;
    static constexpr int kKindDrm = 4;

    SyncWarningDialog(QWidget* parent, const QList<Track>& tracks, int kind);
    SyncWarningDialog(QWidget* parent, const TrackList& tracks, int kind);
    SyncWarningDialog(QWidget* parent, const QStringList& names, int kind);

    bool dontShowAgain() const { return mDontShowAgain; }

    // The explanation above the list for a kind; empty for unknown kinds.
    static QString textForKind(int kind);

public slots:
    void dontShowAgainStateChanged(int aNewState);
    void linkActivated(QString aLink);

private:
    bool mDontShowAgain = false;
};
