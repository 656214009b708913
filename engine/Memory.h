#pragma once
// The memory a large read or build may still take before the system would have to refuse it or end
// the process, so that such a file is refused with a clear reason instead.
#include <QString>
#include <QtGlobal>

namespace tf {

// The least of: the system's available memory, the room left under the control group's limit and the
// room left under the address-space limit. Bytes.
qint64 AvailableMemory();

// Makes AvailableMemory give this figure (a test's small machine); a negative figure reads the system again.
void SetAvailableMemoryForTesting(qint64 bytes);

// "メモリが足りません（必要 約 3.2 GB、空き 約 740 MB）"
QString NotEnoughMemoryReason(qint64 needed, qint64 available);

// Throws tf::Error with that reason when `needed` more bytes would not fit.
void RequireMemory(qint64 needed);

} // namespace tf
