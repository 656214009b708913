#pragma once
// Work shared out over the processors: large files are read and decoded in pieces side by side.
#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace tf {

// The processors a large piece of work is shared out over (at most eight).
inline unsigned Processors() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

// Fewer values than this are scaled and counted on the calling thread alone: threads would cost more.
constexpr std::size_t ParallelValues = std::size_t(1) << 18;

// work(k) for every k from 0 to count - 1, each on a thread of its own, the first on the caller's;
// returns when all are done.
template <typename Work>
void InParallel(std::size_t count, const Work &work)
{
    std::vector<std::thread> others;
    others.reserve(count);
    for (std::size_t k = 1; k < count; ++k)
        others.emplace_back(work, k);
    if (count > 0)
        work(std::size_t(0));
    for (std::thread &t : others)
        t.join();
}

} // namespace tf
