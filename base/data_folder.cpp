#include "base/data_folder.h"

namespace {

// Never freed: fetch, refresh and weather threads build paths from it and may
// still be running while the process ends.
std::wstring& Folder() {
  static std::wstring& folder = *new std::wstring;
  return folder;
}

}  // namespace

void SetDataFolder(std::wstring_view folder) { Folder() = JoinPath(folder, {}); }

const std::wstring& DataFolder() { return Folder(); }

std::wstring JoinPath(std::wstring_view base, std::wstring_view tail) {
  if (base.size() + tail.size() > kMaxPath - 1) return {};
  std::wstring joined(base);
  joined += tail;
  return joined;
}

std::wstring DataPath(std::wstring_view name) {
  if (DataFolder().empty()) return {};
  std::wstring tail = L"\\";
  tail += name;
  return JoinPath(DataFolder(), tail);
}
