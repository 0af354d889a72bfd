#include "win32/system_library.h"

#include <string>

namespace ambervale {

void RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported: a static import of a call that the system lacks would
  // keep the saver from starting at all.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_default =
      ExportedFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
  // comctl32 takes AlphaBlend from msimg32 when it first paints (seen under Wine, whose
  // delay-load searched the program's folder). They stay loaded for the process's life.
  for (const char* name : {"msimg32.dll"}) LoadSystemLibrary(name);
}

HMODULE LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + name;
  // The DLL's own imports come from the system folder too.
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without update KB2533623 rejects that flag; there, with a full path, this one
  // puts the DLL's folder (the system folder) in the program's folder's place.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
    module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return module;
}

}  // namespace ambervale
