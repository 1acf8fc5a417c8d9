// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/DataSinks.h"

#include <QString>
#include <QStringList>

// Reads an iPhone's call history, of either layout: iOS 8 and later keep it
// in Core Data stores (table ZCALLRECORD of "CallHistory.storedata" and the
// not yet merged "CallHistoryTemp.storedata"), iOS 7 and earlier in table
// "call" of "call_history.db".
class IphoneCallHistoryExport : public IphoneDatabaseExport
{
public:
    // Every call of the stores, each once even when both files hold it.
    // FaceTime calls to an e-mail address have no place in a phone's call
    // log: they are counted in leftOut instead. 0 when at least one store
    // was read; else the first store's failure.
    static int readStores(const QStringList& storePaths, CallSink& sink, int& leftOut);
    static int readLegacy(const QString& databasePath, CallSink& sink);
};
