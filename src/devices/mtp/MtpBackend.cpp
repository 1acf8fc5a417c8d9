// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/MtpBackend.h"

#include "app/TraceLog.h"
#include "devices/mtp/LibMtpBackend.h"

#include <atomic>

namespace {

std::atomic<MtpBackend*> gCurrentBackend{nullptr};

MtpBackend* explicitBackend()
{
    return gCurrentBackend.load();
}

} // namespace

MtpBackend& MtpBackend::current()
{
    if (MtpBackend* backend = explicitBackend())
        return *backend;
    static LibMtpBackend libmtp;
    return libmtp;
}

void MtpBackend::setCurrent(MtpBackend* backend)
{
    TraceScope trace("MtpBackend::setCurrent");
    gCurrentBackend.store(backend);
}

ScopedMtpBackend::ScopedMtpBackend(MtpBackend* backend) : mPrevious(explicitBackend())
{
    MtpBackend::setCurrent(backend);
}

ScopedMtpBackend::~ScopedMtpBackend()
{
    MtpBackend::setCurrent(mPrevious);
}
