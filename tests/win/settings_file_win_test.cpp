// settings.cfg on a real (Wine) file system, in a temporary data folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/data_folder.h"
#include "base/win_handle.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_file_win.h"

namespace {

// A folder no earlier test used: Wine reuses process ids, and a folder left by
// an earlier test process (a file named like the data folder's, say) must not
// be taken over.
std::wstring MakeTempFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  static int serial = 0;
  for (;;) {
    wchar_t name[64];
    swprintf(name, 64, L"velmora-test-%lu-%d", GetCurrentProcessId(), ++serial);
    std::wstring folder = std::wstring(base) + name;
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) return folder;
  }
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

int CountFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  int count = 0;
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return count;
}

class SettingsFileWin : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempFolder();
    SetDataFolder(folder_);
    settings = Settings{};
  }
  std::wstring CfgPath() const { return folder_ + L"\\settings.cfg"; }
  std::wstring Stored() const { return DecodeUtf16Le(ReadBytes(CfgPath())); }

  std::wstring folder_;
};

void ExpectDefaultFile(const std::wstring& text) {
  ASSERT_GE(text.size(), 48u);
  EXPECT_EQ(text.substr(0, 16), L"dloption=0\nguid=");
  const std::wstring guid = text.substr(16, 32);
  EXPECT_EQ(guid.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos) << testing::PrintToString(guid);
  EXPECT_NE(guid, std::wstring(32, L'0'));
  EXPECT_EQ(text.substr(48), L"\nnewver=1.0\nshow_weather=1\nweather_loc_id=RSXX0091\n"
                             L"weather_loc=Saint-Petersburg, Russia\nshow_newver=1");
}

TEST_F(SettingsFileWin, MissingFileIsWrittenWithDefaults) {
  LoadSettings();
  const std::string bytes = ReadBytes(CfgPath());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_NE(bytes.substr(0, 2), "\xFF\xFE");  // no byte-order mark
  EXPECT_EQ(bytes.size() % 2, 0u);
  ExpectDefaultFile(Stored());
  EXPECT_EQ(CountFiles(folder_), 1);  // no temporary file left behind
}

TEST_F(SettingsFileWin, EmptyFileBehavesLikeAMissingOne) {
  WriteBytes(CfgPath(), "");
  LoadSettings();
  ExpectDefaultFile(Stored());
}

// Saved by hand in UTF-8 with a mark and CRLF: rewritten in the saver's format.
TEST_F(SettingsFileWin, IncompleteFileIsRepairedAndKeepsItsValuesAndLines) {
  WriteBytes(CfgPath(), "\xEF\xBB\xBF" "dloption = 4\r\nguid=0123456789ABCDEF0123456789ABCDEF\r\ncolour=blue\r\n"
                        "weather_loc_id=UKXX0085\r\n");
  LoadSettings();
  EXPECT_EQ(settings.dloption, 4);
  EXPECT_EQ(settings.gallery_refresh_seconds, 21600);
  EXPECT_EQ(Stored(), L"dloption=4\nguid=0123456789ABCDEF0123456789ABCDEF\nnewver=1.0\nshow_weather=1\n"
                      L"weather_loc_id=UKXX0085\nweather_loc=?\nshow_newver=1\ncolour=blue");
}

TEST_F(SettingsFileWin, CompleteFileIsNotRewritten) {
  const std::string original = EncodeUtf16Le(
      L"guid=0123456789ABCDEF0123456789ABCDEF\nnewver=1.1\nweather_loc_id=A\nweather_loc=B\nextra=1");
  WriteBytes(CfgPath(), original);
  LoadSettings();
  EXPECT_EQ(ReadBytes(CfgPath()), original);
  EXPECT_EQ(settings.newver.View(), L"1.1");
}

TEST_F(SettingsFileWin, SaveReplacesTheWholeFile) {
  WriteBytes(CfgPath(), std::string(600, 'x'));
  settings.guid.Assign(L"0123456789ABCDEF0123456789ABCDEF");
  settings.newver.Assign(L"2.0");
  SaveSettings(SettingsOwner::VersionCheck);
  // The bytes read as one line of text the saver does not own, and keeps.
  EXPECT_EQ(Stored(), L"dloption=0\nguid=0123456789ABCDEF0123456789ABCDEF\nnewver=2.0\nshow_weather=1\n"
                      L"weather_loc_id=RSXX0091\nweather_loc=Saint-Petersburg, Russia\nshow_newver=1\n" +
                          std::wstring(600, L'x'));
  EXPECT_EQ(CountFiles(folder_), 1);
}

// Another program holds settings.cfg open without sharing while the saver
// starts, as a saver replacing it, a scanner or a backup tool would.
TEST_F(SettingsFileWin, HeldFileIsReadOnceFreeOrElseNeverWritten) {
  const std::wstring user_file =
      L"dloption=4\nguid=0123456789ABCDEF0123456789ABCDEF\nnewver=1.1\nshow_weather=0\n"
      L"weather_loc_id=UKXX0085\nweather_loc=London\nshow_newver=0";
  const struct {
    const char* what;
    DWORD held_ms;
    bool read;
  } cases[] = {
      {"released within the retries", 150, true},
      {"held past them", 1500, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    settings = Settings{};
    WriteBytes(CfgPath(), EncodeUtf16Le(user_file));
    FileHandle held(CreateFileW(CfgPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    std::thread release([&held, &c] {
      Sleep(c.held_ms);
      held.reset();
    });
    LoadSettings();
    release.join();
    EXPECT_EQ(settings.dloption, c.read ? 4 : 0);
    EXPECT_EQ(settings.weather_loc_id.View(), c.read ? L"UKXX0085" : L"RSXX0091");
    EXPECT_EQ(settings.guid.View().size(), 32u);
    // Neither a later save of the dialog nor one of the version check writes.
    settings.newver.Assign(L"1.3");
    SaveSettings(SettingsOwner::SetupDialog);
    SaveSettings(SettingsOwner::VersionCheck);
    EXPECT_EQ(Stored(), c.read ? std::wstring(user_file).replace(user_file.find(L"1.1"), 3, L"1.3") : user_file);
  }
  // The next start reads what the user chose.
  LoadSettings();
  EXPECT_EQ(settings.weather_loc.View(), L"London");
  EXPECT_EQ(CountFiles(folder_), 1);
}

// A save cut off by the end of its process leaves its temporary file; the
// next start removes it, but never while another process is saving.
TEST_F(SettingsFileWin, LeftoverTemporaryFileGoesOnceNoSaveRuns) {
  const std::wstring leftover = folder_ + L"\\cfgA1B2.tmp";
  WriteBytes(leftover, "x");
  const KernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(ready);
  bool there_while_saving = false;
  std::thread other_save([&] {
    const KernelHandle lock(CreateMutexW(nullptr, FALSE, kSettingsLockName));
    WaitForSingleObject(lock.get(), INFINITE);
    SetEvent(ready.get());
    Sleep(300);
    there_while_saving = GetFileAttributesW(leftover.c_str()) != INVALID_FILE_ATTRIBUTES;
    ReleaseMutex(lock.get());
  });
  WaitForSingleObject(ready.get(), INFINITE);
  LoadSettings();
  other_save.join();
  EXPECT_TRUE(there_while_saving);
  EXPECT_EQ(GetFileAttributesW(leftover.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(CountFiles(folder_), 1);
}

TEST_F(SettingsFileWin, FolderThatCannotBeCreatedStillFillsDefaults) {
  // A data folder below a plain file can never exist.
  WriteBytes(folder_ + L"\\blocker", "x");
  SetDataFolder(folder_ + L"\\blocker\\Corvath\\VelmoraSaver");
  LoadSettings();
  EXPECT_EQ(settings.weather_loc_id.View(), L"RSXX0091");
  EXPECT_EQ(settings.guid.View().size(), 32u);
  EXPECT_EQ(ReadBytes(DataPath(L"settings.cfg")), "<missing>");
  EXPECT_EQ(CountFiles(folder_), 1);
}

}  // namespace
