// The frame of the Linux programs' main functions, written once: the options' text and early
// end (--help, a bad command line), the stop signals, the run, and a failure that reached main
// said on stderr with exit status 1.
#pragma once

#include <signal.h>

#include <exception>
#include <functional>
#include <string>

#include "linux/linux_options.h"

namespace ambervale {

// Writes `parsed`'s output to stdout and its messages to stderr and ends with its exit code
// where it has one; otherwise installs the stop signals and returns what `run` returns (given
// the mask to sleep with, see SleepUntil), or 1 after naming the failure it raised.
int RunLinuxProgram(LinuxProgram program, const LinuxOptionsResult& parsed,
                    const std::function<int(const LinuxOptions& options, const sigset_t& wait_mask)>& run);

// What an exception says, for a message: its what(), or that it said nothing.
std::string DescribeFailure(std::exception_ptr failure);

}  // namespace ambervale
