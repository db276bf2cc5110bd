#pragma once

namespace moorstep {

// Diagnostic hook for the "Info: ", "Error: " and "Warning: " traces of the downloader and the
// revocation phase ("%@" stands for a string). Deliberately silent: the system log carries
// everything a run needs, and traces must not leak into it.
template <typename... Values>
inline void DebugTrace(const char* /*format*/, const Values&... /*values*/) {}

}  // namespace moorstep
