// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

class MusicSync;
class SyncController;
class SyncTestLibrary;

// Blocks the calling thread, without handling its events, until the engine
// has asked its controller about the phone's space and waits for the answer
// that these events would bring. The library must have been held before the
// controller started the engine; it is opened here once the question is
// watched. False when the question did not come within timeoutMs.
bool waitUntilEngineAsksAboutSpace(MusicSync& engine, SyncController& controller, SyncTestLibrary& library,
                                   int timeoutMs);
