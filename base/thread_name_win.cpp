#include "base/thread_name_win.h"

#include <windows.h>

void NameThisThread(const wchar_t* name) {
  // Windows 10 1607 and later; looked up so older systems still load the saver.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto set = reinterpret_cast<SetDescription>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (set != nullptr) set(GetCurrentThread(), name);
}
