// The end-to-end driver: runs one case against the real Ambervale.scr inside the same Wine
// virtual desktop and writes "PASS name" or "FAIL name: why" lines, then "DONE", to a file.
//   driver.exe CASE SCR_PATH RESULTS_PATH
#include <windows.h>

#include <stdlib.h>

#include <cstdio>
#include <map>
#include <string>

#include "e2e_support.h"

namespace e2e {

static std::map<std::string, CaseFunction>& Cases() {
  static std::map<std::string, CaseFunction> cases;
  return cases;
}

bool RegisterCase(const char* name, CaseFunction function) {
  Cases()[name] = function;
  return true;
}

}  // namespace e2e

// A windowed program, so that no console window covers the desktop it reads.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int argc = __argc;
  char** argv = __argv;
  if (argc < 4) return 2;
  const std::string name = argv[1];
  FILE* results = std::fopen(argv[3], "w");
  if (!results) return 2;
  e2e::Context context;
  context.scr_path = argv[2];
  const std::string results_path = argv[3];
  context.work_dir = results_path.substr(0, results_path.find_last_of("\\/") + 1);
  // Every case draws on the screen's device context, as on Windows without desktop
  // composition, unless the run asks for the composited window (AMBERVALE_E2E_DRAWING, which
  // CTest sets for the second run of a case) or the case asks for it itself.
  char path[16] = {};
  const DWORD length = GetEnvironmentVariableA("AMBERVALE_E2E_DRAWING", path, sizeof path);
  const std::string drawing = length > 0 && length < sizeof path ? path : "screen";
  SetEnvironmentVariableA("AMBERVALE_DRAWING", drawing.c_str());
  context.Note("drawing path " + drawing);
  auto found = e2e::Cases().find(name);
  if (found == e2e::Cases().end()) {
    context.Fail("no such case");
  } else {
    found->second(context);
  }
  for (const std::string& note : context.notes) std::fprintf(results, "NOTE %s: %s\n", name.c_str(), note.c_str());
  for (const std::string& failure : context.failures)
    std::fprintf(results, "FAIL %s: %s\n", name.c_str(), failure.c_str());
  if (context.failures.empty()) std::fprintf(results, "PASS %s\n", name.c_str());
  std::fprintf(results, "DONE\n");
  std::fclose(results);
  return context.failures.empty() ? 0 : 1;
}
