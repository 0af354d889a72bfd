// DLLs from the system folder only. Windows looks for a DLL that is not one of its "known
// DLLs" in the program's own folder first; a screensaver is often run from a Downloads
// folder, where a file of the right name would run inside it.
#pragma once

#include <windows.h>

namespace ambervale {

// Drops the program's folder and the current folder from this process's DLL search, so that
// any later load by name (ours or a system DLL's) looks in the system folder only. Where the
// system lacks the call (Windows 7 without update KB2533623) the current folder still goes.
// Then loads from the system folder the DLLs that system DLLs load by name on first use, by
// a path that may not honour that restriction (a delay-load): a DLL already loaded is found
// among the process's modules before any folder is searched.
void RestrictDllSearchToSystemFolder();

// Loads `name` (e.g. "gdiplus.dll") by its full path in the system folder, its own imports
// resolved from there too; nullptr when it cannot be loaded there. The DLL stays loaded
// until FreeLibrary.
HMODULE LoadSystemLibrary(const char* name);

// An exported function of `module` as a typed pointer (nullptr when absent).
template <typename Function>
Function ExportedFunction(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace ambervale
