// The maker's home page, built from the configured web host.
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
