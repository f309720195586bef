// The exit status of the command-line tools. When several apply, the highest in this list wins: an
// output that could not be written, then a stop by signal, then a failed device call.
#pragma once

namespace cli::exitcode {

constexpr int OK = 0;
constexpr int USAGE = 2;
constexpr int CONNECTION = 3;
constexpr int DEVICE = 4;
constexpr int OUTPUT = 5;
constexpr int NO_PEAK = 6; // the spectrum has no peak to do what was asked with (calibrate, set a window)
constexpr int INTERRUPTED = 130;

} // namespace cli::exitcode
