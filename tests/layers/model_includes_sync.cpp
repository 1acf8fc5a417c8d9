// Must not compile: the model layer sits below the sync engine.
#include "sync/SyncState.h"
