// Delivers a power notification to every saver window, as Windows would
// (Wine sends none), for the end-to-end scenarios and scripts/bench_cost.sh.
//
//   power_driver.exe display off|on|dimmed   the console display state
//   power_driver.exe suspend|resume           PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC
//
// A display state is a POWERBROADCAST_SETTING written into the saver's own
// memory, since the message carries a pointer. Prints "sent N" and exits 0
// when N windows got it, 1 when there was none.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "base/win_handle.h"

namespace {

constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

BOOL CALLBACK AddSaverWindow(HWND window, LPARAM list) {
  wchar_t name[64] = {};
  if (GetClassNameW(window, name, 64) > 0 && std::wcscmp(name, L"CorvathVelmora") == 0)
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

bool SendTo(HWND window, WPARAM event, LPARAM data) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_POWERBROADCAST, event, data, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

// The setting goes into the window's process, since the message carries a
// pointer; its Data is declared one byte long, and the DWORD runs past it.
bool SendDisplayState(HWND window, DWORD value) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const KernelHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
  constexpr std::size_t size = offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD);
  void* remote = process ? VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr;
  if (remote == nullptr) return false;
  unsigned char bytes[size] = {};
  const POWERBROADCAST_SETTING head = {kConsoleDisplayState, sizeof(DWORD), {}};
  std::memcpy(bytes, &head, offsetof(POWERBROADCAST_SETTING, Data));
  std::memcpy(bytes + offsetof(POWERBROADCAST_SETTING, Data), &value, sizeof(value));
  const bool sent = WriteProcessMemory(process.get(), remote, bytes, size, nullptr) &&
                    SendTo(window, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  return sent;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"";
  const std::wstring state = argc > 2 ? argv[2] : L"";
  std::vector<HWND> windows;
  EnumWindows(AddSaverWindow, reinterpret_cast<LPARAM>(&windows));
  int sent = 0;
  for (const HWND window : windows) {
    if (what == L"display") {
      const DWORD value = state == L"off" ? 0 : state == L"on" ? 1 : 2;
      sent += SendDisplayState(window, value);
    } else if (what == L"suspend") {
      sent += SendTo(window, PBT_APMSUSPEND, 0);
    } else if (what == L"resume") {
      sent += SendTo(window, PBT_APMRESUMEAUTOMATIC, 0);
    }
  }
  std::printf("sent %d\n", sent);
  return sent > 0 ? 0 : 1;
}
