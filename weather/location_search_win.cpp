#include "weather/location_search_win.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/background_thread.h"
#include "base/data_folder.h"
#include "base/file_time_win.h"
#include "base/win_handle.h"
#include "net/http_fetch_win.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "weather/location_search.h"
#include "weather/weather_cache.h"

FixedText<99> chosen_location_name;
FixedText<19> chosen_location_id;

namespace {

// lParam: a SearchOutcome the receiver owns.
constexpr UINT kSearchDoneMessage = WM_APP + 1;

// How search threads reach one dialog. The dialog sets `dialog` when it opens
// and clears it when it is destroyed; a thread posts only while it is set, and
// both happen under `lock`. So after the dialog has cleared it and drained its
// queue, no result can reach the window or a later window with its handle.
struct SearchMailbox {
  std::mutex lock;
  HWND dialog = nullptr;
};

// One search, owned by its thread.
struct SearchRequest {
  std::shared_ptr<SearchMailbox> mailbox;
  std::wstring address;
};

// Lives on the stack of RunLocationSearch, longer than the dialog.
struct LocationDialog {
  std::shared_ptr<SearchMailbox> mailbox = std::make_shared<SearchMailbox>();
};

void RunSearch(const SearchRequest& request) {
  // Its own file: a search of a closed dialog may still run beside this one,
  // in this process or another.
  const std::wstring target = DataPath(SearchAnswerFileName(GetCurrentProcessId(), GetCurrentThreadId()));
  std::string answer;
  const bool downloaded = DownloadToMemory(request.address, target, kSearchAnswerLimit, answer);
  DeleteFileW(target.c_str());
  auto outcome = std::make_unique<SearchOutcome>(MakeSearchOutcome(downloaded, answer));
  // A posted outcome belongs to the dialog; one that cannot be posted is freed here.
  const std::lock_guard hold(request.mailbox->lock);
  if (request.mailbox->dialog != nullptr &&
      PostMessageW(request.mailbox->dialog, kSearchDoneMessage, 0, reinterpret_cast<LPARAM>(outcome.get()))) {
    outcome.release();
  }
}

void FillList(HWND dialog, const std::vector<std::wstring>& lines) {
  const HWND list = GetDlgItem(dialog, IDC_SEARCH_RESULTS);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& line : lines) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void ShowOutcome(HWND dialog, const SearchOutcome& outcome) {
  FillList(dialog, outcome.lines);
  if (outcome.found) SendDlgItemMessageW(dialog, IDC_SEARCH_RESULTS, LB_SETCURSEL, 0, 0);
  EnableWindow(GetDlgItem(dialog, IDOK), outcome.found);
  EnableWindow(GetDlgItem(dialog, IDC_SEARCH_BUTTON), TRUE);
}

void StartSearch(HWND dialog, LocationDialog& state) {
  wchar_t typed[kSearchTextChars + 1] = {};
  GetDlgItemTextW(dialog, IDC_SEARCH_TEXT, typed, kSearchTextChars + 1);
  const std::wstring_view text = TrimSearchText(typed);
  if (text.empty()) {
    MessageBoxW(dialog, L"Please, enter city name or ZIP code to search for.", L"Cannot search",
                MB_ICONWARNING | MB_OK);
    return;
  }
  SearchRequest request{state.mailbox, FormatSearchAddress(settings.weather_host.View(), text)};
  FillList(dialog, {kSearchingText});
  if (!StartDetachedThread([request = std::move(request)] { RunSearch(request); })) {
    ShowOutcome(dialog, MakeSearchOutcome(false, {}));
    return;
  }
  const HWND search = GetDlgItem(dialog, IDC_SEARCH_BUTTON);
  // A disabled button keeps no focus the keyboard could use.
  if (GetFocus() == search) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SEARCH_TEXT)), TRUE);
  }
  EnableWindow(search, FALSE);
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
}

// OK: a result line becomes the chosen location; a status line or no
// selection ends the dialog like Cancel.
void Confirm(HWND dialog) {
  const HWND list = GetDlgItem(dialog, IDC_SEARCH_RESULTS);
  const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  const LRESULT length = index == LB_ERR ? LB_ERR : SendMessageW(list, LB_GETTEXTLEN, index, 0);
  std::optional<ChosenLocation> chosen;
  if (length != LB_ERR) {
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line.data()));
    line.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    chosen = SplitResultLine(line);
  }
  if (!chosen) {
    EndDialog(dialog, IDCANCEL);
    return;
  }
  chosen_location_name = chosen->name;
  chosen_location_id = chosen->id;
  EndDialog(dialog, IDOK);
}

void CloseMailbox(HWND dialog, SearchMailbox& mailbox) {
  {
    const std::lock_guard hold(mailbox.lock);
    mailbox.dialog = nullptr;
  }
  MSG msg;
  while (PeekMessageW(&msg, dialog, kSearchDoneMessage, kSearchDoneMessage, PM_REMOVE)) {
    delete reinterpret_cast<SearchOutcome*>(msg.lParam);
  }
}

INT_PTR CALLBACK LocationDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<LocationDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<LocationDialog*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      {
        const std::lock_guard hold(state->mailbox->lock);
        state->mailbox->dialog = dialog;
      }
      EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
      return TRUE;
    }
    case kSearchDoneMessage: {
      const std::unique_ptr<SearchOutcome> outcome(reinterpret_cast<SearchOutcome*>(lparam));
      ShowOutcome(dialog, *outcome);
      return TRUE;
    }
    case WM_DESTROY:
      if (state != nullptr) CloseMailbox(dialog, *state->mailbox);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SEARCH_BUTTON:
          if (HIWORD(wparam) == BN_CLICKED && state != nullptr) StartSearch(dialog, *state);
          return TRUE;
        case IDC_SEARCH_RESULTS:
          if (HIWORD(wparam) == LBN_DBLCLK) PostMessageW(dialog, WM_COMMAND, IDOK, 0);
          return TRUE;
        case IDOK:
          Confirm(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void RemoveStaleSearchAnswers() {
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(DataPath(kSearchFilePattern).c_str(), &found));
  if (!search) return;
  const int64_t now = SystemTimeNow();
  do {
    if (now - FileTimeValue(found.ftLastWriteTime) > kStaleSearchAnswerSeconds * kTicksPerSecond)
      DeleteFileW(DataPath(found.cFileName).c_str());
  } while (FindNextFileW(search.get(), &found));
}

bool RunLocationSearch(HWND owner) {
  LocationDialog state;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LOCATION), owner, LocationDialogProc,
                         reinterpret_cast<LPARAM>(&state)) == IDOK;
}
