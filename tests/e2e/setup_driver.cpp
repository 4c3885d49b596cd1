// Works the saver's dialogs from outside for the end-to-end scenarios
// (tests/e2e/setup_scenarios.py, settings_scenarios.py), with window messages
// only, as a user's clicks and keys would arrive; and holds a file open the
// way another program can.
//
//   setup_driver.exe
//     Reads one command a line from stdin and answers one line on stdout.
//     A window is named by its exact title, a JSON string, and counts only
//     once it is visible; a control by its dialog id. Texts go both ways as JSON strings (\uXXXX for the rest).
//       find "TITLE"               -> "window <hwnd>" or "none"
//       text "TITLE" ID            -> "text <string>"
//       texts "TITLE"              -> "texts [<string>, ...]", every child's text
//       state "TITLE" ID           -> "state VISIBLE ENABLED CHECKED" (each 0 or 1)
//       icon "TITLE" ID            -> "icon 1" when the static control shows an icon, else "icon 0"
//       items "TITLE" ID           -> "items SELECTED [<string>, ...]" of a combo or list box
//       select "TITLE" ID INDEX    -> "selected"
//       settext "TITLE" ID "TEXT"  -> "set"
//       click "TITLE" ID           -> "posted": BM_CLICK posted to the button
//       dblclick "TITLE" ID        -> "posted": the list box's LBN_DBLCLK posted to its dialog
//       key "TITLE" ID VK          -> "posted": WM_KEYDOWN VK posted to the control
//       close "TITLE"              -> "posted": WM_CLOSE posted to the window
//       hold "PATH"                -> "held" once the file is open without sharing
//                                     (or "hold-failed <error>"), as a program
//                                     that keeps it to itself would
//       release                    -> "released": the held file is closed
//       quit                       -> "bye"
//     Otherwise: "no-window", "no-control" or "bad-command".
//
// Everything that could run a dialog's own modal loop (a button press) is
// posted, never sent, so the driver never waits on the saver.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "base/win_handle.h"

namespace {

FileHandle held_file;

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + "\"";
}

std::string QuoteList(const std::vector<std::wstring>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) out += (i > 0 ? ", " : "") + Quote(texts[i]);
  return out + "]";
}

// Splits a command line into words; a word starting with a double quote is
// a JSON string and comes back decoded.
std::vector<std::wstring> Words(const std::string& line) {
  std::vector<std::wstring> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::wstring word;
    if (line[i] != '"') {
      while (i < line.size() && line[i] != ' ') word += static_cast<wchar_t>(line[i++]);
      words.push_back(word);
      continue;
    }
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] != '\\' || i + 1 >= line.size()) {
        word += static_cast<wchar_t>(static_cast<unsigned char>(line[i]));
        continue;
      }
      const char e = line[++i];
      if (e == 'u' && i + 4 < line.size()) {
        word += static_cast<wchar_t>(std::strtoul(line.substr(i + 1, 4).c_str(), nullptr, 16));
        i += 4;
      } else {
        word += e == 'n' ? L'\n' : e == 't' ? L'\t' : e == 'r' ? L'\r' : static_cast<wchar_t>(e);
      }
    }
    ++i;
    words.push_back(word);
  }
  return words;
}

// Sent, not GetWindowTextW: across processes that reads an edit's creation
// text, not what it holds.
std::wstring WindowText(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(WindowText(child));
  return TRUE;
}

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = {};
  GetClassNameW(window, found, 64);
  return _wcsicmp(found, name) == 0;
}

// The lines of a combo or list box and its selection.
std::string Items(HWND control) {
  const bool combo = IsClass(control, L"ComboBox");
  const UINT count_message = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT length_message = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT text_message = combo ? CB_GETLBTEXT : LB_GETTEXT;
  const LRESULT count = SendMessageW(control, count_message, 0, 0);
  std::vector<std::wstring> lines;
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(control, length_message, i, 0);
    std::wstring line(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
    const LRESULT got = SendMessageW(control, text_message, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    lines.push_back(line);
  }
  const LRESULT selected = SendMessageW(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  return "items " + std::to_string(selected) + " " + QuoteList(lines);
}

std::string Run(const std::vector<std::wstring>& w) {
  if (w.empty()) return "bad-command";
  const std::wstring& verb = w[0];
  if (verb == L"quit") return "bye";
  if (verb == L"release") {
    held_file.reset();
    return "released";
  }
  if (w.size() < 2) return "bad-command";
  if (verb == L"hold") {
    held_file.reset(CreateFileW(w[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return held_file ? "held" : "hold-failed " + std::to_string(GetLastError());
  }
  // A dialog is ready once shown: its title exists before its controls do.
  HWND window = FindWindowW(nullptr, w[1].c_str());
  if (window != nullptr && !IsWindowVisible(window)) window = nullptr;
  if (verb == L"find") {
    return window != nullptr ? "window " + std::to_string(reinterpret_cast<uintptr_t>(window)) : "none";
  }
  if (window == nullptr) return "no-window";
  if (verb == L"texts") {
    std::vector<std::wstring> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return "texts " + QuoteList(texts);
  }
  if (verb == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? "posted" : "post-failed";
  if (w.size() < 3) return "bad-command";
  const int id = static_cast<int>(std::wcstol(w[2].c_str(), nullptr, 10));
  const HWND control = GetDlgItem(window, id);
  if (control == nullptr) return "no-control";
  if (verb == L"text") return "text " + Quote(WindowText(control));
  if (verb == L"state") {
    const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return std::string("state ") + (IsWindowVisible(control) ? "1 " : "0 ") + (IsWindowEnabled(control) ? "1 " : "0 ") +
           (checked ? "1" : "0");
  }
  if (verb == L"icon") return SendMessageW(control, STM_GETIMAGE, IMAGE_ICON, 0) != 0 ? "icon 1" : "icon 0";
  if (verb == L"items") return Items(control);
  if (verb == L"click") return PostMessageW(control, BM_CLICK, 0, 0) ? "posted" : "post-failed";
  if (verb == L"dblclick") {
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(control))
               ? "posted"
               : "post-failed";
  }
  if (w.size() < 4) return "bad-command";
  if (verb == L"select") {
    const WPARAM index = static_cast<WPARAM>(std::wcstol(w[3].c_str(), nullptr, 10));
    SendMessageW(control, IsClass(control, L"ComboBox") ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
    return "selected";
  }
  if (verb == L"settext") {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[3].c_str()));
    return "set";
  }
  if (verb == L"key") {
    const WPARAM vk = static_cast<WPARAM>(std::wcstol(w[3].c_str(), nullptr, 10));
    const LPARAM bits = 1 | (static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16);
    return PostMessageW(control, WM_KEYDOWN, vk, bits) ? "posted" : "post-failed";
  }
  return "bad-command";
}

}  // namespace

int wmain() {
  std::string pending;
  char buffer[512];
  DWORD got = 0;
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
      std::string line = pending.substr(0, eol);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string answer = Run(Words(line));
      Answer(answer);
      if (answer == "bye") return 0;
    }
  }
  return 0;
}
