// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExceptionReportRecord.h"

#include <QList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "VELMORA-EXCEPTION-REPORT 1\n";
constexpr int kMaxModules = 128;
constexpr int kMaxPath = 512;
// The magic, the code and kMaxFrames frame lines of at most kMaxPath each.
constexpr int kRecordCapacity = 8192;

struct Module
{
    uintptr_t start = 0;
    uintptr_t end = 0;
    uintptr_t bias = 0;
    char path[kMaxPath] = {};
};

// Filled in normal context and read by the handler, which sees the count
// only after the entries it covers.
Module gModules[kMaxModules];
std::atomic<int> gModuleCount{0};
char gRecordPath[kMaxPath] = {};
char gPartialPath[kMaxPath + 8] = {};
char gRecord[kRecordCapacity];
// A second thread faulting meanwhile leaves the first one's record alone.
std::atomic_flag gRecordTaken = ATOMIC_FLAG_INIT;

bool copyPath(char* target, size_t capacity, const QByteArray& source)
{
    // A line break would split the record's line.
    if (source.isEmpty() || size_t(source.size()) >= capacity || source.contains('\n')) {
        target[0] = '\0';
        return false;
    }
    memcpy(target, source.constData(), size_t(source.size()));
    target[source.size()] = '\0';
    return true;
}

QByteArray executablePath()
{
    char path[kMaxPath];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return length > 0 && length < ssize_t(sizeof path) ? QByteArray(path, int(length)) : QByteArray();
}

QByteArray modulePath(const dl_phdr_info* info, const QByteArray& executable)
{
    return info->dlpi_name && info->dlpi_name[0] ? QByteArray(info->dlpi_name) : executable;
}

// The address range of a module's loaded segments.
void loadedRange(const dl_phdr_info* info, uintptr_t* start, uintptr_t* end)
{
    *start = UINTPTR_MAX;
    *end = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD)
            continue;
        *start = std::min<uintptr_t>(*start, info->dlpi_addr + header.p_vaddr);
        *end = std::max<uintptr_t>(*end, info->dlpi_addr + header.p_vaddr + header.p_memsz);
    }
}

struct ModuleListing
{
    QByteArray executable;
    int count = 0;
};

int noteModule(dl_phdr_info* info, size_t, void* data)
{
    auto* listing = static_cast<ModuleListing*>(data);
    if (listing->count == kMaxModules)
        return 1;
    Module& module = gModules[listing->count];
    loadedRange(info, &module.start, &module.end);
    module.bias = info->dlpi_addr;
    if (module.start < module.end && copyPath(module.path, sizeof module.path, modulePath(info, listing->executable)))
        ++listing->count;
    return 0;
}

// Builds text in a fixed buffer; what does not fit is dropped, and so is the
// record's end line, which makes the reader refuse it.
struct RecordWriter
{
    size_t size = 0;

    void put(char c)
    {
        if (size < sizeof gRecord)
            gRecord[size++] = c;
    }
    void text(const char* text)
    {
        while (*text)
            put(*text++);
    }
    void hex(uintptr_t value)
    {
        char digits[2 * sizeof value];
        int count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value & 0xF];
            value >>= 4;
        } while (value);
        while (count)
            put(digits[--count]);
    }
};

bool writeWhole(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

struct FoundModule
{
    QByteArray path;
    QByteArray executable;
    uintptr_t offset = 0;
    void* address = nullptr;
};

int findModule(dl_phdr_info* info, size_t, void* data)
{
    auto* wanted = static_cast<FoundModule*>(data);
    if (modulePath(info, wanted->executable) != wanted->path)
        return 0;
    uintptr_t start = 0;
    uintptr_t end = 0;
    loadedRange(info, &start, &end);
    const uintptr_t address = info->dlpi_addr + wanted->offset;
    if (wanted->offset < UINTPTR_MAX - info->dlpi_addr && address > start && address <= end)
        // The address is rebuilt from the record's module and offset.
        wanted->address = reinterpret_cast<void*>(address); // NOLINT(performance-no-int-to-ptr)
    return 1;
}

// "OFFSET PATH" or "?": the frame with the name this process finds there.
ExceptionReporter::Frame resolveFrame(const QByteArray& place)
{
    const qsizetype blank = place.indexOf(' ');
    if (blank <= 0)
        return {};
    bool ok = false;
    FoundModule found;
    found.offset = uintptr_t(place.left(blank).toULongLong(&ok, 16));
    found.path = place.mid(blank + 1);
    found.executable = executablePath();
    if (!ok || found.path.isEmpty())
        return {};
    dl_iterate_phdr(findModule, &found);
    return found.address ? ExceptionReportRecord::describeAddress(found.address) : ExceptionReporter::Frame();
}

} // namespace

namespace ExceptionReportRecord {

void prepare(const QString& path)
{
    gModuleCount.store(0, std::memory_order_release);
    ModuleListing listing;
    listing.executable = executablePath();
    dl_iterate_phdr(noteModule, &listing);
    gModuleCount.store(listing.count, std::memory_order_release);

    const QByteArray encoded = path.toLocal8Bit();
    if (copyPath(gRecordPath, sizeof gRecordPath, encoded))
        copyPath(gPartialPath, sizeof gPartialPath, encoded + ".part");
    else
        gPartialPath[0] = '\0';
}

void write(quint32 code, void* const* frames, int count)
{
    if (!gRecordPath[0] || !gPartialPath[0] || gRecordTaken.test_and_set())
        return;
    RecordWriter out;
    out.text(kMagic);
    out.text("code ");
    out.hex(code);
    out.put('\n');
    const int modules = gModuleCount.load(std::memory_order_acquire);
    for (int i = 0; i < count && i < ExceptionReporter::kMaxFrames; ++i) {
        const auto address = reinterpret_cast<uintptr_t>(frames[i]);
        const Module* module = nullptr;
        for (int m = 0; m < modules && !module; ++m) {
            if (address > gModules[m].start && address <= gModules[m].end)
                module = &gModules[m];
        }
        out.text("frame ");
        if (module) {
            out.hex(address - module->bias);
            out.put(' ');
            out.text(module->path);
        } else {
            out.put('?');
        }
        out.put('\n');
    }
    out.text("end\n");

    // Written beside and renamed into place, so that a reader never finds
    // half a record.
    const int fd = open(gPartialPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool whole = writeWhole(fd, gRecord, out.size) && fsync(fd) == 0;
    close(fd);
    if (whole)
        rename(gPartialPath, gRecordPath);
    else
        unlink(gPartialPath);
}

bool parse(const QByteArray& bytes, quint32* code, QList<ExceptionReporter::Frame>* frames)
{
    constexpr qsizetype kMagicLength = sizeof kMagic - 1;
    if (bytes.size() > kMaxRecordBytes || !bytes.startsWith(QByteArray::fromRawData(kMagic, kMagicLength)))
        return false;
    const QList<QByteArray> lines = bytes.mid(kMagicLength).split('\n');
    // The code, the frames, "end" and the empty rest after the last line break.
    if (lines.size() < 3 || lines.size() > ExceptionReporter::kMaxFrames + 3 || !lines.first().startsWith("code "))
        return false;
    bool ok = false;
    const qulonglong value = lines.first().mid(5).toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFu || lines.at(lines.size() - 2) != "end" || !lines.last().isEmpty())
        return false;
    QList<ExceptionReporter::Frame> found;
    for (qsizetype i = 1; i < lines.size() - 2; ++i) {
        if (!lines.at(i).startsWith("frame "))
            return false;
        const QByteArray place = lines.at(i).mid(6);
        found.append(place == "?" ? ExceptionReporter::Frame() : resolveFrame(place));
    }
    *code = quint32(value);
    *frames = found;
    return true;
}

ExceptionReporter::Frame describeAddress(void* address)
{
    ExceptionReporter::Frame frame;
    Dl_info info = {};
    // A return address points after the call; look up the call itself.
    void* lookup = static_cast<char*>(address) - 1;
    if (dladdr(lookup, &info) && info.dli_sname) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
        frame.function = status == 0 && demangled ? demangled : info.dli_sname;
        std::free(demangled);
    }
    return frame;
}

} // namespace ExceptionReportRecord
