#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const wchar_t* line;
  SaverMode mode;
  int32_t parent;
};

TEST(CommandLine, ModesAndHandles) {
  const Case cases[] = {
      {L"", SaverMode::Saver, 0},
      {L"/s", SaverMode::Saver, 0},
      {L"/S", SaverMode::Saver, 0},
      {L"/X", SaverMode::Saver, 0},
      {L"/c:1234", SaverMode::Config, 1234},
      {L"/C:1234", SaverMode::Config, 1234},
      {L"/p 5678", SaverMode::Preview, 5678},
      {L"/P5678", SaverMode::Preview, 678},  // the third character is always skipped
      {L"/C", SaverMode::Config, 0},
      {L"/c:", SaverMode::Config, 0},
      {L"/p", SaverMode::Preview, 0},
      {L"/p 10 /c:20", SaverMode::Config, 20},  // /C wins, wherever it stands
      {L"/s /p 7", SaverMode::Preview, 7},
      {L"/p    42", SaverMode::Preview, 42},  // white space after the separator is skipped
      {L"/p -17", SaverMode::Preview, -17},
      {L"/p +9x", SaverMode::Preview, 9},
      {L"/p abc", SaverMode::Preview, 0},
      {L"/p 99999999999", SaverMode::Preview, INT32_MAX},
      {L"/p -99999999999", SaverMode::Preview, INT32_MIN},
      {L"/p 4294967295", SaverMode::Preview, INT32_MAX},
      {L"x/cy 12", SaverMode::Config, 12},
  };
  for (const Case& c : cases) {
    const RunMode run = ParseCommandLine(c.line);
    EXPECT_EQ(run.mode, c.mode) << "line: " << testing::PrintToString(std::wstring(c.line));
    EXPECT_EQ(run.parentWindow, c.parent) << "line: " << testing::PrintToString(std::wstring(c.line));
  }
}

}  // namespace
