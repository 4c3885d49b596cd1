#include "settings/settings.h"

#include "server_defaults.h"
#include "settings/gallery_table.h"

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

bool NoticeWanted(const Settings& s) {
  return !s.newver.Empty() && !EqualsIgnoreCase(s.newver.View(), kOwnVersion) && s.show_newver != 0;
}
