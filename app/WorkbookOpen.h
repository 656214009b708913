#pragma once
// Opening a workbook in the window: liborcus reads a file in one blocking call, so the read runs on a
// thread of its own while the window keeps painting its progress bar.
#include <chrono>
#include <functional>
#include <future>

namespace tf {

// Runs work on another thread and calls waiting every few milliseconds until it ends; gives its result
// or raises its error here.
template <typename Work>
auto RunAside(Work work, const std::function<void()> &waiting)
{
    auto future = std::async(std::launch::async, std::move(work));
    while (future.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready)
        waiting();
    return future.get();
}

} // namespace tf
