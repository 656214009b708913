#include "engine/FileMapping.h"

#include "engine/LargeArray.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace tf {

namespace {

std::uintptr_t pageSize()
{
    static const std::uintptr_t size = std::uintptr_t(sysconf(_SC_PAGESIZE));
    return size;
}

// The file pages of the live mappings, [begin, end). A file shortened meanwhile takes its pages away
// from the mapping, even those already copied for the lines' rewriting.
struct Guarded {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
};
constexpr int GuardSlots = 64;
Guarded g_guarded[GuardSlots];
struct sigaction g_previousBus {};

// A page that the file no longer has (it was shortened meanwhile) is replaced by a page of line
// breaks, and the read goes on: every scan that looks for the end of a line stops within it.
void onBusError(int sig, siginfo_t *info, void *context)
{
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guarded &g : g_guarded) {
        const std::uintptr_t begin = g.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = g.end.load(std::memory_order_acquire);
        if (at < begin || at >= end)
            continue;
        void *page = reinterpret_cast<void *>(at & ~(pageSize() - 1));
        if (::mmap(page, pageSize(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            std::memset(page, '\n', pageSize());
            return;
        }
    }
    // Not one of ours: the handler there was before takes it (the faulting access runs again).
    sigaction(SIGBUS, &g_previousBus, nullptr);
    if (info->si_code <= 0) // sent, not a fault: it would not come again by itself
        raise(sig);
    (void)context;
}

void installGuard()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previousBus);
    });
}

void guard(std::uintptr_t begin, std::uintptr_t end)
{
    for (Guarded &g : g_guarded) {
        std::uintptr_t free = 0;
        if (g.begin.compare_exchange_strong(free, begin, std::memory_order_acq_rel)) {
            g.end.store(end, std::memory_order_release);
            return;
        }
    }
}

void unguard(std::uintptr_t begin)
{
    for (Guarded &g : g_guarded) {
        if (g.begin.load(std::memory_order_acquire) == begin) {
            g.end.store(0, std::memory_order_release);
            g.begin.store(0, std::memory_order_release);
            return;
        }
    }
}

} // namespace

std::unique_ptr<FileMapping> FileMapping::map(int fd, std::size_t size)
{
    installGuard();
    const std::uintptr_t page = pageSize();
    // Room for the file and the spare byte, taken as one range; the file is then laid over its start.
    // A large file begins at a 2 MB boundary, so that the page cache's huge pages of it are mapped whole:
    // one fault and one translation for 2 MB instead of 512.
    const bool large = size >= HugePageBytes;
    const std::size_t needed = (size + 1 + page - 1) & ~(page - 1);
    const std::size_t reserved = large ? needed + HugePageBytes : needed;
    void *room = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room == MAP_FAILED)
        return nullptr;
    const std::uintptr_t roomBegin = reinterpret_cast<std::uintptr_t>(room);
    const std::uintptr_t dataBegin = large ? (roomBegin + HugePageBytes - 1) & ~std::uintptr_t(HugePageBytes - 1) : roomBegin;
    char *data = reinterpret_cast<char *>(dataBegin);
    if (size > 0
        && ::mmap(data, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
        const int err = errno;
        ::munmap(room, reserved);
        errno = err;
        return nullptr;
    }
    // Pages read from the disk for this mapping then come into the page cache as huge pages (only a
    // hint: pages already cached stay as they are).
    if (large)
        AdviseLarge(data, size);
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    guard(begin, begin + ((size + page - 1) & ~(page - 1)));
    return std::unique_ptr<FileMapping>(new FileMapping(data, size, static_cast<char *>(room), reserved));
}

FileMapping::FileMapping(char *data, std::size_t size, char *room, std::size_t reserved)
    : m_data(data), m_size(size), m_room(room), m_reserved(reserved)
{
}

FileMapping::~FileMapping()
{
    unguard(reinterpret_cast<std::uintptr_t>(m_data));
    ::munmap(m_room, m_reserved);
}

void FileMapping::populate(std::size_t offset, std::size_t bytes) const
{
    const std::uintptr_t page = pageSize();
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(m_data) + offset) & ~(page - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(m_data) + offset + bytes;
    if (end <= begin)
        return;
#if defined(MADV_POPULATE_READ)
    if (::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_READ) == 0)
        return;
#endif
    // An older system, or pages the file lost meanwhile: one read per page does the same.
    std::uint64_t sum = 0;
    for (std::uintptr_t p = begin; p < end; p += page)
        sum += *reinterpret_cast<const volatile unsigned char *>(p);
    (void)sum;
}

} // namespace tf
