// Plays the screensaver host for the end-to-end scenarios (tests/e2e/harness.py).
//
//   preview_host.exe SAVER WIDTH HEIGHT
//     Opens a window whose client area is WIDTH x HEIGHT, starts
//     "SAVER /p <its handle in decimal>" and prints "host <hwnd>" and
//     "started <pid>". Then it answers one line per command read from stdin:
//       child MS           -> "child <hwnd> x y w h" relative to the client area,
//                             waiting up to MS for the window of class
//                             "CorvathVelmora", or "child none"
//       screen             -> "screen x y w h" of that child on the screen
//       client             -> "client w h"
//       post MSG WP LP     -> "posted" (or "no-child") after posting MSG to the child
//       wait MS            -> "exit <code>" once the saver ended, or "running"
//       destroy            -> "destroyed" after destroying the host window (and
//                             so the saver's child), as a host ends a preview
//       quit               -> "bye"; a saver still running is terminated
//   preview_host.exe --post MSG WP LP
//     Posts MSG to the top-level window of class "CorvathVelmora" (the saver in
//     saver mode); prints "posted" and exits 0, or exits 2 when there is none.
//   preview_host.exe --find TITLE TEXT
//     Prints "rect x y w h", the screen rectangle of the control showing TEXT
//     in the top-level window titled TITLE (so a test can click it for real),
//     or exits 2 when there is none.
//
// MSG is one of keydown keyup syskeydown syskeyup lbuttondown rbuttondown
// mbuttondown mousemove close. The host keeps pumping its own messages while it
// waits: creating a child window in another process sends messages to the
// parent's thread, which must answer them.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <string>

#include "base/win_handle.h"

namespace {

constexpr wchar_t kSaverClass[] = L"CorvathVelmora";
constexpr wchar_t kHostClass[] = L"VelmoraPreviewHost";
constexpr UINT kCommandMessage = WM_APP + 1;

struct NamedMessage {
  const char* name;
  UINT message;
};

constexpr NamedMessage kMessages[] = {
    {"keydown", WM_KEYDOWN},         {"keyup", WM_KEYUP},           {"syskeydown", WM_SYSKEYDOWN},
    {"syskeyup", WM_SYSKEYUP},       {"lbuttondown", WM_LBUTTONDOWN}, {"rbuttondown", WM_RBUTTONDOWN},
    {"mbuttondown", WM_MBUTTONDOWN}, {"mousemove", WM_MOUSEMOVE},   {"close", WM_CLOSE},
    {"displaychange", WM_DISPLAYCHANGE},
};

bool MessageByName(const std::string& name, UINT& message) {
  for (const NamedMessage& m : kMessages) {
    if (name == m.name) {
      message = m.message;
      return true;
    }
  }
  return false;
}

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

unsigned HandleValue(HWND window) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)); }

// Handles every waiting message except the commands, which stay queued until
// the current one is answered.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, kCommandMessage - 1, PM_REMOVE) ||
         PeekMessageW(&msg, nullptr, kCommandMessage + 1, 0xFFFFFFFF, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Waits up to `ms` for `handle` (or only pumps when it is null) while keeping
// the window responsive. Returns true when the handle was signalled.
bool WaitPumping(HANDLE handle, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    Pump();
    const ULONGLONG now = GetTickCount64();
    if (handle != nullptr && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return true;
    if (now >= end) return false;
    const DWORD left = static_cast<DWORD>(end - now);
    const DWORD slice = left < 20 ? left : 20;
    MsgWaitForMultipleObjects(handle != nullptr ? 1 : 0, &handle, FALSE, slice, QS_ALLINPUT);
  }
}

BOOL CALLBACK FindSaverChild(HWND window, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wcscmp(name, kSaverClass) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND SaverChild(HWND host) {
  HWND found = nullptr;
  EnumChildWindows(host, FindSaverChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Set by the destroy command: the host goes on answering commands without its window.
bool destroying_preview = false;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY && !destroying_preview) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Reads stdin lines on its own thread and hands each to the main thread; an
// empty hand-over (null) means stdin ended.
DWORD WINAPI ReadCommands(void* main_thread) {
  const DWORD target = static_cast<DWORD>(reinterpret_cast<uintptr_t>(main_thread));
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(input, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
      auto* line = new std::string(pending.substr(0, eol));  // freed by the main thread
      if (!line->empty() && line->back() == '\r') line->pop_back();
      PostThreadMessageW(target, kCommandMessage, 0, reinterpret_cast<LPARAM>(line));
    }
  }
  PostThreadMessageW(target, kCommandMessage, 0, 0);
  return 0;
}

struct Host {
  HWND window = nullptr;
  KernelHandle saver;
};

// Runs one command; returns false when the host should end.
bool RunCommand(Host& host, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "child") {
    DWORD ms = 0;
    in >> ms;
    const ULONGLONG end = GetTickCount64() + ms;
    HWND child = SaverChild(host.window);
    while (child == nullptr && GetTickCount64() < end) {
      WaitPumping(nullptr, 20);
      child = SaverChild(host.window);
    }
    if (child == nullptr) {
      Answer("child none");
      return true;
    }
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, host.window, reinterpret_cast<POINT*>(&r), 2);
    Answer("child " + std::to_string(HandleValue(child)) + " " + std::to_string(r.left) + " " + std::to_string(r.top) +
           " " + std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
  } else if (verb == "screen") {
    RECT r = {};
    const HWND child = SaverChild(host.window);
    if (child == nullptr || !GetWindowRect(child, &r)) {
      Answer("no-child");
      return true;
    }
    Answer("screen " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
           " " + std::to_string(r.bottom - r.top));
  } else if (verb == "client") {
    RECT r = {};
    GetClientRect(host.window, &r);
    Answer("client " + std::to_string(r.right) + " " + std::to_string(r.bottom));
  } else if (verb == "post") {
    std::string name;
    unsigned long long wparam = 0;
    long long lparam = 0;
    in >> name >> wparam >> lparam;
    UINT message = 0;
    const HWND child = SaverChild(host.window);
    if (!MessageByName(name, message)) {
      Answer("unknown-message");
    } else if (child == nullptr) {
      Answer("no-child");
    } else {
      Answer(PostMessageW(child, message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) ? "posted"
                                                                                                     : "post-failed");
    }
  } else if (verb == "wait") {
    DWORD ms = 0;
    in >> ms;
    DWORD code = 0;
    if (WaitPumping(host.saver.get(), ms) && GetExitCodeProcess(host.saver.get(), &code)) {
      Answer("exit " + std::to_string(code));
    } else {
      Answer("running");
    }
  } else if (verb == "destroy") {
    destroying_preview = true;
    Answer(DestroyWindow(host.window) ? "destroyed" : "destroy-failed");
    host.window = nullptr;
  } else if (verb == "quit") {
    if (WaitForSingleObject(host.saver.get(), 0) != WAIT_OBJECT_0) TerminateProcess(host.saver.get(), 1);
    Answer("bye");
    return false;
  } else {
    Answer("unknown-command");
  }
  return true;
}

int PostToSaver(int argc, wchar_t** argv) {
  UINT message = 0;
  char name[32] = {};
  if (argc == 5) std::snprintf(name, sizeof(name), "%ls", argv[2]);
  if (argc != 5 || !MessageByName(name, message)) {
    std::fputs("usage: preview_host --post MESSAGE WPARAM LPARAM\n", stderr);
    return 1;
  }
  const HWND saver = FindWindowW(kSaverClass, nullptr);
  if (saver == nullptr) {
    Answer("no window");
    return 2;
  }
  const WPARAM wparam = static_cast<WPARAM>(std::wcstoull(argv[3], nullptr, 10));
  const LPARAM lparam = static_cast<LPARAM>(std::wcstoll(argv[4], nullptr, 10));
  if (!PostMessageW(saver, message, wparam, lparam)) return 3;
  Answer("posted");
  return 0;
}

struct ControlSearch {
  const wchar_t* text;
  HWND found;
};

BOOL CALLBACK FindControlByText(HWND window, LPARAM search) {
  auto* s = reinterpret_cast<ControlSearch*>(search);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (std::wcscmp(text, s->text) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

int FindControl(const wchar_t* title, const wchar_t* text) {
  const HWND top = FindWindowW(nullptr, title);
  ControlSearch search = {text, nullptr};
  if (top != nullptr) EnumChildWindows(top, FindControlByText, reinterpret_cast<LPARAM>(&search));
  RECT r = {};
  if (search.found == nullptr || !GetWindowRect(search.found, &r)) {
    Answer("none");
    return 2;
  }
  Answer("rect " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
         std::to_string(r.bottom - r.top));
  return 0;
}

int RunHost(const wchar_t* saver_path, int width, int height) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // A colour the saver never draws, so a screenshot shows any part it leaves uncovered.
  wc.hbrBackground = CreateSolidBrush(RGB(0, 160, 80));
  wc.lpszClassName = kHostClass;
  if (RegisterClassW(&wc) == 0) return 1;

  RECT frame = {0, 0, width, height};
  const DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRect(&frame, style, FALSE);
  Host host;
  host.window = CreateWindowExW(0, kHostClass, L"Preview host", style | WS_VISIBLE, 40, 40, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (host.window == nullptr) return 1;
  Answer("host " + std::to_string(HandleValue(host.window)));

  std::wstring command = L"\"" + std::wstring(saver_path) + L"\" /p " + std::to_wstring(HandleValue(host.window));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    Answer("start-failed " + std::to_string(GetLastError()));
    return 1;
  }
  host.saver.reset(info.hProcess);
  CloseHandle(info.hThread);
  Answer("started " + std::to_string(info.dwProcessId));

  const KernelHandle reader(CreateThread(nullptr, 0, ReadCommands,
                                         reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0,
                                         nullptr));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kCommandMessage && msg.hwnd == nullptr) {
      auto* line = reinterpret_cast<std::string*>(msg.lParam);
      if (line == nullptr) break;  // stdin ended
      const bool go_on = RunCommand(host, *line);
      delete line;
      if (!go_on) break;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (WaitForSingleObject(host.saver.get(), 0) != WAIT_OBJECT_0) TerminateProcess(host.saver.get(), 1);
  DestroyWindow(host.window);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wcscmp(argv[1], L"--post") == 0) return PostToSaver(argc, argv);
  if (argc == 4 && std::wcscmp(argv[1], L"--find") == 0) return FindControl(argv[2], argv[3]);
  if (argc != 4) {
    std::fputs("usage: preview_host SAVER WIDTH HEIGHT | --post MESSAGE WPARAM LPARAM | --find TITLE TEXT\n", stderr);
    return 1;
  }
  return RunHost(argv[1], std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10));
}
