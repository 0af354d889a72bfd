// The soak's probe, run by scripts/soak.sh rather than by CTest: starts the real saver full
// screen at the fastest pace with a random layout every cycle, and every 10 s writes the
// saver's resource figures as one CSV line, for AMBERVALE_SOAK_SECONDS seconds (default 180)
// into AMBERVALE_SOAK_CSV. It runs inside the saver's own desktop, so that the saver paints
// as it does for a user.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

constexpr DWORD kSampleEveryMs = 10000;

std::string Environment(const char* name, const char* fallback) {
  char value[1024] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value) : std::string(fallback);
}

// Not every figure is reported everywhere: Wine answers GetGuiResources with
// ERROR_CALL_NOT_IMPLEMENTED and gives 0 private bytes for another process. A live process
// has none of these at 0, so a 0 is written as -1, "not reported".
long long Reported(unsigned long long figure) { return figure == 0 ? -1 : static_cast<long long>(figure); }
long long GuiObjects(HANDLE process, DWORD which) { return Reported(GetGuiResources(process, which)); }

// The system's handle table, as NtQuerySystemInformation(SystemHandleInformation) gives it.
struct HandleEntry {
  ULONG owner_process_id;
  BYTE object_type;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;

// Handles of one process counted in the system's handle table: Wine does not answer
// GetProcessHandleCount for another process, but keeps that table.
DWORD HandlesInSystemTable(DWORD process_id) {
  static const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<BYTE> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
      DWORD count = 0;
      for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].owner_process_id == process_id) ++count;
      return count;
    }
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  }
  return 0;
}

bool WriteSample(FILE* csv, HANDLE process, unsigned long long seconds) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  DWORD handles = 0;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) ||
      !GetProcessHandleCount(process, &handles))
    return false;
  if (handles == 0) handles = HandlesInSystemTable(GetProcessId(process));
  std::fprintf(csv, "%llu,%lld,%lld,%lld,%lld,%lld\n", seconds, Reported(memory.PrivateUsage),
               Reported(memory.WorkingSetSize), Reported(handles), GuiObjects(process, GR_GDIOBJECTS),
               GuiObjects(process, GR_USEROBJECTS));
  std::fflush(csv);
  return true;
}

}  // namespace

E2E_CASE(soak) {
  const unsigned long long duration = std::strtoull(Environment("AMBERVALE_SOAK_SECONDS", "180").c_str(), nullptr, 10);
  const std::string csv_path = Environment("AMBERVALE_SOAK_CSV", "");
  if (csv_path.empty()) return ctx.Fail("AMBERVALE_SOAK_CSV is not set");
  FILE* csv = std::fopen(csv_path.c_str(), "w");
  if (!csv) return ctx.Fail("cannot write " + csv_path);
  std::fprintf(csv, "seconds,private_bytes,working_set,handles,gdi_objects,user_objects\n");

  // Size 12, Algorithm 10, Transparent 8, Fast 50, Color_s 3, Key_Exit off (a stray pointer
  // event must not end the soak), Random on.
  WriteSettings({12, 10, 8, 50, 3, 0, 1});
  SaverProcess saver;
  if (!saver.Start(ctx.scr_path, "/s")) return ctx.Fail("CreateProcess failed");
  HWND window = saver.WaitWindow("TForm1", 60000);
  if (!window) return ctx.Fail("no saver window");
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, saver.Id());
  if (!process) return ctx.Fail("cannot open the saver process");

  const ULONGLONG start = GetTickCount64();
  for (ULONGLONG next = start;; next += kSampleEveryMs) {
    const ULONGLONG now = GetTickCount64();
    if (next > now && saver.WaitExit(static_cast<DWORD>(next - now))) break;  // ended early
    const unsigned long long elapsed = (GetTickCount64() - start) / 1000;
    if (!WriteSample(csv, process, elapsed)) ctx.Fail("the saver's figures could not be read");
    if (elapsed >= duration) break;
  }
  std::fclose(csv);
  CloseHandle(process);

  if (!saver.Running())
    return ctx.Fail("the saver ended during the soak, exit code " + std::to_string(saver.ExitCode()));
  // Still answering at the end: Esc ends it.
  if (!BringToFront(window, 20000)) ctx.Fail("the saver window did not come to the front");
  PressKey(VK_ESCAPE);
  if (!saver.WaitExit(30000)) ctx.Fail("Esc did not end the saver after the soak");
}
