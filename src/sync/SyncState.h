// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

// The numbered states a sync run passes through. The engine reports them and
// the main window shows them, so the numbers are fixed: both sides rely on them.
namespace SyncState {
enum Value : int {
    StateNoPhone = 0,
    StateReady = 1,
    StateComplete = 2,
    StateCompleteWithErrors = 3,
    StateNotConfigured = 4,
    StateSettingsError = 5,
    StateCancelled = 6,
    StateUnused = 7,
    StateStarting = 8,
    StatePreparing = 9,
    StatePreparingDelete = 10,
    StateAlbumArt = 11,
    StateDeleting = 12,
    StateCopying = 13,
    StateCancelling = 14,
    StatePlaylists = 15,
    StatePhotos = 16,
    StateConvertingVideo = 17,
};
// States below this one mean no sync is running.
constexpr int kFirstBusyState = 7;
} // namespace SyncState
