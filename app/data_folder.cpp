#include "app/data_folder.h"

namespace {

std::wstring& Folder() {
  static std::wstring folder;
  return folder;
}

}  // namespace

void SetDataFolder(std::wstring_view folder) { Folder() = JoinBounded(folder, {}); }

const std::wstring& DataFolder() { return Folder(); }

std::wstring JoinBounded(std::wstring_view base, std::wstring_view tail) {
  std::wstring joined(base);
  joined += tail;
  if (joined.size() > kMaxPath - 1) joined.resize(kMaxPath - 1);
  return joined;
}

std::wstring DataPath(std::wstring_view name) {
  std::wstring tail = L"\\";
  tail += name;
  return JoinBounded(DataFolder(), tail);
}
