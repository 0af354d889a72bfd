// The stop signals of the Linux programs: SIGTERM and SIGINT end a run with exit 0.
#pragma once

#include <signal.h>

namespace ambervale {

// SIGTERM and SIGINT stay blocked except while waiting (ppoll with the returned mask), so they
// end the wait at once and never interrupt a request half-way.
sigset_t InstallStopSignals();
// One of them has come.
bool StopRequested();

}  // namespace ambervale
