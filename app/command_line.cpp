#include "app/command_line.h"

#include <string>

#include "base/wide_text.h"

namespace {

int32_t HandleAfter(const std::wstring& line, std::size_t slash) {
  const std::size_t start = slash + 3;
  if (start > line.size()) return 0;
  return ParseDecimal(std::wstring_view(line).substr(start));
}

}  // namespace

RunMode ParseCommandLine(std::wstring_view text) {
  std::wstring line(text);
  for (wchar_t& c : line) c = ToUpperAscii(c);

  RunMode result;
  if (const std::size_t c = line.find(L"/C"); c != std::wstring::npos) {
    result.mode = SaverMode::Config;
    result.parentWindow = HandleAfter(line, c);
  } else if (const std::size_t p = line.find(L"/P"); p != std::wstring::npos) {
    result.mode = SaverMode::Preview;
    result.parentWindow = HandleAfter(line, p);
  }
  return result;
}
