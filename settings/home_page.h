// The maker's home page, built from the configured web host, and the texts
// that announce a newer version and point there.
#pragma once

#include <string>
#include <string_view>

struct HomePage {
  std::wstring address;  // what the browser is given
  std::wstring shown;    // the same without its scheme, as the notice slide names it
};

// web_host + "/screensavers". A web_host that begins with a scheme
// ("https://host") is used as it stands; one without (a bare host, as every
// settings file held it before) gets "http://".
HomePage MakeHomePage(std::wstring_view web_host);

// Where a newer version is announced.
enum class NoticePlace { SetupDialog, Slide };

// "New version NEWVER is available!" and a line break, followed in the setup
// dialog by "Please, click "Home Website" for upgrade details." and on the
// slide by "For upgrade, please, visit:", two line breaks and the home page
// without its scheme; cut at 99 characters, as both are shown from buffers of
// 100. The version and the host are inserted as text: a "%" in them is never
// read as a format.
std::wstring NewVersionNotice(NoticePlace place, std::wstring_view newver, std::wstring_view web_host);
