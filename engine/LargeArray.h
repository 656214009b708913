#pragma once
// Room for a large array of doubles, backed by huge pages where the system offers them on
// request: a million-row column then costs a few page faults instead of thousands.
#include <vector>

namespace tf {

// The size of a huge page, which the system gives for a large buffer advised so.
inline constexpr std::size_t HugePageBytes = std::size_t(2) << 20;

// Reserves room for n values (the contents stay as they are).
void ReserveLarge(std::vector<double> &v, std::size_t n);

// The same hint for any large buffer not yet written (a file's bytes read from disk).
void AdviseLarge(void *data, std::size_t bytes);

// Takes the pages of a buffer from the system now, as writing them would: threads that share a large
// buffer out this way share the cost of its page faults, which a single writer pays alone.
void PopulateLarge(void *data, std::size_t bytes);

} // namespace tf
