#pragma once
// The reason a system call gave for a failure, worded in Japanese whatever the process locale: the part of
// a file error box that says why.
#include <QString>

#include <span>

namespace tf {

// The reason for a system error number (errno). A number without a text of its own is named by its
// value; 0, a failure the system gave no number for, says that the cause is unknown.
QString SystemReason(int err);

// The error numbers with a text of their own.
std::span<const int> SystemReasonNumbers();

} // namespace tf
