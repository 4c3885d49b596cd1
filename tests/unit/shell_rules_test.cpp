#include <gtest/gtest.h>

#include "app/input_rule.h"
#include "base/data_folder.h"
#include "base/wide_text.h"

namespace {

TEST(FirstMouseRule, OnlyAPositionOtherThanTheFirstEndsTheSaver) {
  FirstMouseRule rule;
  EXPECT_FALSE(rule.Moved(500, 300));  // the first move only stores its position
  EXPECT_FALSE(rule.Moved(500, 300));
  EXPECT_FALSE(rule.Moved(500, 300));
  EXPECT_TRUE(rule.Moved(501, 300));
  EXPECT_TRUE(rule.Moved(500, 299));
  EXPECT_FALSE(rule.Moved(500, 300));  // never updated after the first store

  FirstMouseRule left;  // a monitor left of the primary one
  EXPECT_FALSE(left.Moved(-1024, -1));
  EXPECT_FALSE(left.Moved(-1024, -1));
  EXPECT_TRUE(left.Moved(-1023, -1));
}

TEST(ParseDecimal, ReadsLikeTheSettingsAndCommandLine) {
  struct Case {
    const wchar_t* text;
    int32_t value;
  };
  const Case cases[] = {
      {L"", 0},           {L"abc", 0},          {L"42", 42},           {L"  \t42x", 42},
      {L"-7", -7},        {L"+7", 7},           {L"- 7", 0},           {L"2147483647", INT32_MAX},
      {L"2147483648", INT32_MAX}, {L"-2147483648", INT32_MIN}, {L"-99999999999999999999", INT32_MIN},
      {L"007", 7},        {L"1\r", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << testing::PrintToString(std::wstring(c.text));
}

TEST(FixedText, CutsInsteadOfOverflowing) {
  FixedText<3> t;
  t.Assign(L"abcdef");
  EXPECT_EQ(t.View(), L"abc");
  EXPECT_EQ(t.text[3], L'\0');
  t.Assign(L"x");
  EXPECT_EQ(t.View(), L"x");
  EXPECT_EQ(t.text[1], L'\0');
  EXPECT_EQ(t.text[2], L'\0');
}

TEST(DataFolder, PathsThatDoNotFitAreRefusedNeverCut) {
  struct Case {
    std::wstring folder, name, path;
  };
  const std::wstring deep = L"C:\\" + std::wstring(250, L'd');  // 253 characters
  const Case cases[] = {
      {L"C:\\Users\\u\\Pictures\\Corvath\\VelmoraSaver", L"settings.cfg",
       L"C:\\Users\\u\\Pictures\\Corvath\\VelmoraSaver\\settings.cfg"},
      {deep, L"a.jpg", deep + L"\\a.jpg"},  // exactly 259
      {deep, L"ab.jpg", L""},
      // Cut, this pattern would be "\\*" and the scan's cleanup would delete settings.cfg.
      {deep, L"*.jpg.tmp", L""},
      {std::wstring(400, L'x'), L"a.jpg", L""},  // a folder too long is no folder
      {L"", L"a.jpg", L""},                      // nor is none: never the root of the drive
  };
  for (const Case& c : cases) {
    SetDataFolder(c.folder);
    EXPECT_EQ(DataPath(c.name), c.path) << c.folder.size() << " + " << testing::PrintToString(c.name);
  }
}

}  // namespace
