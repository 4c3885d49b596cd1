#include "net/gallery_refresh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/run_state.h"
#include "net/file_name_rules.h"
#include "settings/gallery_table.h"
#include "settings/settings.h"

namespace {

constexpr wchar_t kFolder[] = L"C:\\data";
constexpr char kPrefix[] = "http://site.test/images/";
constexpr wchar_t kWidePrefix[] = L"http://site.test/images/";
constexpr int64_t kNow = 133'000'000'000'000'000;

// Records every call; nothing sleeps and nothing touches the disk.
struct FakePlatform : RefreshPlatform {
  bool listing_ok = true;
  std::string page;
  std::set<std::wstring> on_disk;     // local paths that exist
  std::set<std::wstring> fetch_fails; // photo addresses whose fetch fails
  int stop_after_sleeps = -1;         // stop is requested once this many sleeps were taken

  std::vector<std::wstring> listing_requests;
  std::vector<std::wstring> fetched;  // addresses, in order
  std::vector<std::wstring> fetched_paths;
  std::vector<std::wstring> touched;
  std::vector<std::wstring> removed;
  std::vector<std::wstring> appended;
  int sleeps = 0;

  bool FetchListingPage(const std::wstring& address, std::string& out) override {
    listing_requests.push_back(address);
    if (listing_ok) out = page;
    return listing_ok;
  }
  bool FetchPhoto(const std::wstring& address, const std::wstring& local_path) override {
    fetched.push_back(address);
    fetched_paths.push_back(local_path);
    return fetch_fails.count(address) == 0;
  }
  bool FileExists(const std::wstring& path) override { return on_disk.count(path) != 0; }
  void TouchFile(const std::wstring& path) override { touched.push_back(path); }
  void RemoveFile(const std::wstring& path) override { removed.push_back(path); }
  void AppendStoredPhoto(const std::wstring& path) override { appended.push_back(path); }
  bool StopRequested() override { return stop_after_sleeps >= 0 && sleeps >= stop_after_sleeps; }
  void Sleep100Ms() override { ++sleeps; }
  int64_t Now() override { return kNow; }
};

std::string Thumb(const std::string& path) { return "<img src=\"" + std::string(kPrefix) + path + ".tb.jpg\">\n"; }

std::string PageOf(int count, const std::string& stem = "p") {
  std::string page = "<html><body>\n";
  for (int i = 0; i < count; ++i) page += Thumb("x/y/" + stem + std::to_string(i));
  return page + "</body></html>";
}

std::wstring Local(const std::wstring& name) { return std::wstring(kFolder) + L"\\" + name; }

class GalleryRefresh : public testing::Test {
 protected:
  void SetUp() override {
    SetDataFolder(kFolder);
    settings = Settings();
    settings.image_prefix.Assign(kWidePrefix);
    settings.photo_site.Assign(L"http://site.test");
    last_refresh_time = 0;
    new_photos_arrived = false;
  }
  int Scrape(FakePlatform& p) { return ScrapeListingPage(p.page, kWidePrefix, kFolder, p); }
};

TEST_F(GalleryRefresh, ThirtyNewThumbnailsFetchTwentyEachFollowedByAPause) {
  FakePlatform p;
  p.page = PageOf(30);
  RunGalleryRefresh(p);
  ASSERT_EQ(p.fetched.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(p.fetched[i], std::wstring(kWidePrefix) + L"x/y/p" + std::to_wstring(i) + L".jpg");
    EXPECT_EQ(p.appended[i], Local(L"p" + std::to_wstring(i) + L".jpg"));
  }
  EXPECT_EQ(p.sleeps, 20 * 20);
  EXPECT_TRUE(new_photos_arrived);
  EXPECT_EQ(last_refresh_time, kNow);
}

TEST_F(GalleryRefresh, PhotosAlreadyOnDiskAreTouchedNotFetchedAndCostNoPause) {
  FakePlatform p;
  p.page = PageOf(25);
  for (int i = 0; i < 25; ++i) p.on_disk.insert(Local(L"p" + std::to_wstring(i) + L".jpg"));
  RunGalleryRefresh(p);
  EXPECT_TRUE(p.fetched.empty());
  EXPECT_EQ(p.touched.size(), 25u);  // the cap counts fetched photos only
  EXPECT_EQ(p.sleeps, 0);
  EXPECT_FALSE(new_photos_arrived);
  EXPECT_EQ(last_refresh_time, kNow);
}

TEST_F(GalleryRefresh, FailedFetchesAreRemovedAndDoNotCountTowardsTheCap) {
  FakePlatform p;
  p.page = PageOf(25);
  for (int i = 0; i < 3; ++i) p.fetch_fails.insert(std::wstring(kWidePrefix) + L"x/y/p" + std::to_wstring(i) + L".jpg");
  RunGalleryRefresh(p);
  EXPECT_EQ(p.fetched.size(), 23u);
  EXPECT_EQ(p.appended.size(), 20u);
  EXPECT_EQ(p.removed, (std::vector<std::wstring>{Local(L"p0.jpg"), Local(L"p1.jpg"), Local(L"p2.jpg")}));
  EXPECT_EQ(p.sleeps, 23 * 20);
}

TEST_F(GalleryRefresh, ListingFailureOrPageWithoutPrefixStillEndsTheRun) {
  struct Case {
    const char* what;
    bool listing_ok;
    std::string page;
  };
  const Case cases[] = {
      {"listing fetch fails", false, PageOf(5)},
      {"no prefix on the page", true, "<img src=\"http://other.test/images/x/1.tb.jpg\">"},
      {"empty page", true, ""},
      {"prefix only after a zero byte", true, std::string("<html>\0", 7) + Thumb("x/1")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    last_refresh_time = 0;
    FakePlatform p;
    p.listing_ok = c.listing_ok;
    p.page = c.page;
    RunGalleryRefresh(p);
    EXPECT_TRUE(p.fetched.empty());
    EXPECT_TRUE(p.touched.empty());
    EXPECT_EQ(p.sleeps, 0);
    EXPECT_FALSE(new_photos_arrived);
    EXPECT_EQ(last_refresh_time, kNow);
  }
}

TEST_F(GalleryRefresh, ListingAddressFollowsTheChosenRowAndTheConfiguredSite) {
  settings.dloption = 3;
  FakePlatform p;
  RunGalleryRefresh(p);
  ASSERT_EQ(p.listing_requests.size(), 1u);
  EXPECT_EQ(p.listing_requests[0], std::wstring(L"http://site.test") + kGalleryTable[3].listing_path);

  // A site so long that the address would be cut is not fetched at all.
  settings.photo_site.Assign(std::wstring(200, L'h'));
  FakePlatform q;
  RunGalleryRefresh(q);
  EXPECT_TRUE(q.listing_requests.empty());
  EXPECT_EQ(last_refresh_time, kNow);
}

TEST_F(GalleryRefresh, CandidatesBecomeAddressesAndPaths) {
  struct Case {
    std::string page;
    std::vector<std::wstring> addresses;  // fetched, in order
    std::vector<std::wstring> paths;
    int sleeps;
  };
  const std::wstring pre = kWidePrefix;
  const Case cases[] = {
      {Thumb("x/y/123"), {pre + L"x/y/123.jpg"}, {Local(L"123.jpg")}, 20},
      {Thumb("123"), {pre + L"123.jpg"}, {Local(L"123.jpg")}, 20},
      // No ".tb.jpg" after the candidate: one pause, nothing fetched.
      {std::string(kPrefix) + "x/y/1.jpg", {}, {}, 20},
      // The path runs across other text up to the next ".tb.jpg"; the second
      // candidate then finds the same thumbnail.
      {std::string(kPrefix) + "a/b\n" + Thumb("c/d"),
       {pre + L"a/b\n<img src=\"" + pre + L"c/d.jpg", pre + L"c/d.jpg"},
       {Local(L"d.jpg"), Local(L"d.jpg")},
       40},
      // Overlapping prefixes: each start is its own candidate.
      {"http://site.test/images/http://site.test/images/q.tb.jpg",
       {pre + L"http://site.test/images/q.jpg", pre + L"q.jpg"},
       {Local(L"q.jpg"), Local(L"q.jpg")},
       40},
      // Bytes above 0x7F are widened one to one.
      {Thumb("x/caf\xE9"), {pre + L"x/caf\u00E9.jpg"}, {Local(L"caf\u00E9.jpg")}, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    FakePlatform p;
    p.page = c.page;
    Scrape(p);
    EXPECT_EQ(p.fetched, c.addresses);
    EXPECT_EQ(p.fetched_paths, c.paths);
    EXPECT_EQ(p.sleeps, c.sleeps);
  }
}

TEST_F(GalleryRefresh, StopEndsThePauseAndTheScrapeButTheRunStillEnds) {
  FakePlatform p;
  p.page = PageOf(5);
  p.stop_after_sleeps = 3;
  RunGalleryRefresh(p);
  EXPECT_EQ(p.fetched.size(), 1u);
  EXPECT_EQ(p.sleeps, 3);
  EXPECT_EQ(last_refresh_time, kNow);
  EXPECT_TRUE(new_photos_arrived);
}

TEST_F(GalleryRefresh, PrefixesThatCanNeverMatchFindNothing) {
  for (const std::wstring prefix : {std::wstring(), std::wstring(L"http://site.test/\u0416/")}) {
    FakePlatform p;
    p.page = std::string(kPrefix) + "\xD0\x96/" + Thumb("a") + "http://site.test/\x16/b.tb.jpg";
    EXPECT_EQ(ScrapeListingPage(p.page, prefix, kFolder, p), 0);
    EXPECT_TRUE(p.fetched.empty());
    EXPECT_EQ(p.sleeps, 0);
  }
}

TEST_F(GalleryRefresh, HostileNamesAreNeverFetchedNorTouched) {
  const char* const hostile[] = {
      "x/..\\..\\escape", "x/a\\b",  "x/c:evil",  "x/a<b",   "x/a>b",   "x/a\"b",  "x/a|b",  "x/a?b",
      "x/a*b",            "x/a\x01", "x/a\tb",    "x/CON",   "x/aux",   "x/Nul",   "x/prn",  "x/com1",
      "x/LPT9",           "x/com\xB9", "x/lpt\xB3", "x/con.tb", "x/aux .x", "x/",      "x/conin$",
  };
  for (const char* path : hostile) {
    SCOPED_TRACE(path);
    FakePlatform p;
    p.page = Thumb(path) + Thumb("x/safe");
    // Even a file that happens to exist under the unsafe name is not touched.
    p.on_disk.insert(Local(std::wstring(path, path + std::strlen(path)).substr(2) + L".jpg"));
    Scrape(p);
    EXPECT_EQ(p.fetched, std::vector<std::wstring>{std::wstring(kWidePrefix) + L"x/safe.jpg"});
    EXPECT_TRUE(p.touched.empty());
    EXPECT_EQ(p.sleeps, 40);  // the passed-over candidate still costs its pause
  }
}

TEST_F(GalleryRefresh, AddressAndPathLengthsAreBounded) {
  const std::size_t prefix_length = std::strlen(kPrefix);
  // A deep data folder, so the path limit bites before the address limit.
  const std::wstring folder = L"C:\\" + std::wstring(100, L'f');
  const std::size_t folder_length = folder.size();
  struct Case {
    const char* what;
    std::string path;  // between prefix and ".tb.jpg"
    bool fetched;
  };
  // Address = prefix + path + ".jpg"; temporary file = folder + "\" + name + ".jpg.tmp".
  const std::size_t longest_address_path = 259 - prefix_length - 4;
  const std::size_t longest_name_stem = 259 - folder_length - 1 - 4 - 4;
  const Case cases[] = {
      {"address of 259", std::string(longest_address_path - 40, 'd') + "/" + std::string(39, 'n'), true},
      {"address of 260", std::string(longest_address_path - 39, 'd') + "/" + std::string(39, 'n'), false},
      {"temporary path of 259", "x/" + std::string(longest_name_stem, 'n'), true},
      {"temporary path of 260", "x/" + std::string(longest_name_stem + 1, 'n'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform p;
    p.page = Thumb(c.path);
    ScrapeListingPage(p.page, kWidePrefix, folder, p);
    EXPECT_EQ(p.fetched.size(), c.fetched ? 1u : 0u);
  }
}

TEST(FileNameRules, SafeAndUnsafeNames) {
  struct Case {
    std::wstring name;
    bool safe;
  };
  const Case cases[] = {
      {L"123.jpg", true},      {L"caf\u00E9.jpg", true}, {L"..jpg", true},        {L"console.jpg", true},
      {L"com10.jpg", true},    {L"com0.jpg", true},      {L"lpt.jpg", true},      {L"a b.jpg", true},
      {L"", false},            {L".", false},            {L"..", false},          {L"a/b.jpg", false},
      {L"a\\b.jpg", false},    {L"c:x.jpg", false},      {L"a<b", false},         {L"a>b", false},
      {L"a\"b", false},        {L"a|b", false},          {L"a?b", false},         {L"a*b", false},
      {L"a\x1F" L"b", false},  {std::wstring(L"a\0b", 3), false},                 {L"trail.", false},
      {L"trail ", false},      {L"CON", false},          {L"con.jpg", false},     {L"aux.jpg", false},
      {L"AuX.tar.gz", false},  {L"nul .jpg", false},     {L"PRN", false},         {L"com1.jpg", false},
      {L"COM9", false},        {L"lpt1.txt", false},     {L"Lpt9.jpg", false},    {L"com\u00B2.jpg", false},
      {L"CONOUT$.jpg", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.name));
    EXPECT_EQ(IsSafeFileName(c.name), c.safe);
  }
}

}  // namespace
