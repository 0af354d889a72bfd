#include "linux/program_main.h"

#include <cstdio>
#include <exception>

#include "linux/stop_signals.h"

namespace ambervale {

int RunLinuxProgram(LinuxProgram program, const LinuxOptionsResult& parsed,
                    const std::function<int(const LinuxOptions& options, const sigset_t& wait_mask)>& run) {
  std::fputs(parsed.output.c_str(), stdout);
  std::fputs(parsed.error.c_str(), stderr);
  if (parsed.exit_code) return *parsed.exit_code;
  const sigset_t wait_mask = InstallStopSignals();
  try {
    return run(parsed.options, wait_mask);
  } catch (...) {
    std::fprintf(stderr, "%s: %s\n", ProgramName(program), DescribeFailure(std::current_exception()).c_str());
  }
  return 1;
}

std::string DescribeFailure(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
  }
  return "an unknown failure";
}

}  // namespace ambervale
