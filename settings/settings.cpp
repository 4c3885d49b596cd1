#include "settings/settings.h"

#include <mutex>

#include "settings/gallery_table.h"
#include "settings/server_defaults.h"

Settings::Settings() {
  photo_site.Assign(kDefaultPhotoSite);
  image_prefix.Assign(kDefaultImagePrefix);
  weather_host.Assign(kDefaultWeatherHost);
  update_host.Assign(kDefaultUpdateHost);
  web_host.Assign(kDefaultWebHost);
}

Settings settings;

void ApplySetting(Settings& s, const wchar_t* key, const wchar_t* value) {
  if (key == nullptr || value == nullptr) return;
  if (EqualsIgnoreCase(key, L"dloption")) {
    s.dloption = ParseDecimal(value);
    if (s.dloption < 0 || s.dloption >= kGalleryCount) s.dloption = 0;
  }
  s.gallery_refresh_seconds = kGalleryTable[s.dloption].refresh_seconds;
}

namespace {

// Never freed: the refresh thread may still hold it while the process ends.
std::mutex& NewverLock() {
  static std::mutex& lock = *new std::mutex;
  return lock;
}

}  // namespace

void StoreNewver(std::wstring_view value) {
  const std::lock_guard hold(NewverLock());
  settings.newver.Assign(value);
}

FixedText<9> CurrentNewver() {
  const std::lock_guard hold(NewverLock());
  return settings.newver;
}

bool IsNewerVersion(std::wstring_view newver) { return !newver.empty() && !EqualsIgnoreCase(newver, kOwnVersion); }

bool NoticeWanted(const Settings& s) {
  const std::lock_guard hold(NewverLock());
  return IsNewerVersion(s.newver.View()) && s.show_newver != 0 && s.check_version != 0;
}
