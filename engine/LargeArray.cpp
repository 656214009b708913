#include "engine/LargeArray.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tf {

void ReserveLarge(std::vector<double> &v, std::size_t n)
{
    if (v.capacity() >= n)
        return;
    v.reserve(n);
    AdviseLarge(v.data(), n * sizeof(double));
}

void AdviseLarge(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t hugePage = HugePageBytes;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(hugePage - 1);
    if (end > begin) // only a hint: the pages not yet touched may come as huge pages
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void PopulateLarge(void *data, std::size_t bytes)
{
    constexpr std::uintptr_t page = 4096;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
    if (end <= begin)
        return;
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE) == 0)
        return;
#endif
    // An older system: one write per page does the same. The buffer holds nothing yet.
    for (std::uintptr_t p = begin; p < end; p += page)
        *reinterpret_cast<volatile char *>(p) = 0;
}

} // namespace tf
