#pragma once
// The number of files the process may hold open: a batch holds a few per file in flight, and the usual soft
// limit of 1024 is far below what the system allows.

namespace core {

// Raises the soft limit of open files to the hard limit; a failure leaves the limit as it was.
void RaiseOpenFileLimit();

}  // namespace core
