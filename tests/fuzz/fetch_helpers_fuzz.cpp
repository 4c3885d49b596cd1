// The fetch's address and header helpers. Input: the redirecting address and
// the Location header, split at the first line feed, one byte a character;
// the same bytes are also a Content-Length value, a status text and a read
// result.
#include <cstring>

#include "fuzz_support.h"
#include "net/http_fetch.h"

namespace {

void CheckLocation(std::wstring_view address, std::wstring_view location) {
  const std::wstring resolved = ResolveLocation(address, location);
  // Whatever the header says, the next hop is HTTP or nothing.
  FUZZ_CHECK(resolved.empty() || StartsWithIgnoringAsciiCase(resolved, L"http://") ||
             StartsWithIgnoringAsciiCase(resolved, L"https://"));
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

void CheckContentLength(std::wstring_view text) {
  const std::optional<uint64_t> length = ParseContentLength(text);
  std::wstring_view digits = text;
  while (!digits.empty() && IsBlank(digits.front())) digits.remove_prefix(1);
  while (!digits.empty() && IsBlank(digits.back())) digits.remove_suffix(1);
  const bool all_digits =
      !digits.empty() && digits.find_first_not_of(L"0123456789") == std::wstring_view::npos;
  if (!all_digits) {
    FUZZ_CHECK(!length);
    return;
  }
  while (digits.size() > 1 && digits.front() == L'0') digits.remove_prefix(1);
  // Up to 19 digits always fit in 64 bits; 21 never do.
  if (digits.size() <= 19) FUZZ_CHECK(length.has_value());
  if (digits.size() > 20) FUZZ_CHECK(!length);
  if (length) FUZZ_CHECK(std::to_wstring(*length) == digits);
}

void CheckRead(std::string_view bytes) {
  if (bytes.size() < 1 + sizeof(uint32_t) + sizeof(uint16_t)) return;
  const bool succeeded = bytes[0] & 1;
  uint32_t last_error = 0;
  uint16_t size = 0;
  std::memcpy(&last_error, bytes.data() + 1, sizeof last_error);
  std::memcpy(&size, bytes.data() + 1 + sizeof last_error, sizeof size);
  if (bytes[0] & 2) last_error = bytes[0] & 4 ? kErrorIoPending : 0;  // the two values that matter, often
  const ReadChunk chunk = ClassifyRead(succeeded, size, last_error);
  switch (chunk.outcome) {
    case ReadOutcome::kData:
      FUZZ_CHECK(succeeded && chunk.bytes == size && (size > 0 || last_error == kErrorIoPending));
      break;
    case ReadOutcome::kCleanEnd:
      FUZZ_CHECK(succeeded && size == 0 && last_error == 0 && chunk.bytes == 0);
      break;
    case ReadOutcome::kError:
      FUZZ_CHECK(chunk.bytes == 0 && (!succeeded || (size == 0 && last_error != 0 && last_error != kErrorIoPending)));
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes = FuzzBytes(data, size);
  const std::size_t split = bytes.find('\n');
  const std::wstring address = WidenBytes(bytes.substr(0, split));
  const std::wstring location = split == std::string_view::npos ? L"" : WidenBytes(bytes.substr(split + 1));
  CheckLocation(address, location);
  CheckLocation(L"http://photos.velmora.example/showphotos.php?offset=0", WidenBytes(bytes));
  CheckContentLength(WidenBytes(bytes));
  if (IsRedirectStatus(bytes)) FUZZ_CHECK(bytes.size() == 3 && bytes[0] == '3');
  CheckRead(bytes);
  return 0;
}
