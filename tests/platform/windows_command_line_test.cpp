#include <random>

#include <gtest/gtest.h>

#include "platform/windows_command_line.hpp"

namespace {

using bq::platform::windows_command_line;
using bq::platform::windows_start_command_line;

TEST(WindowsCommandLine, QuotesAndEscapesByTheArgumentParsersRules) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;  // after the quoted program name and its blank
  };
  const Case cases[] = {
      {{"plain"}, R"(plain)"},
      {{"-NoProfile", "-Command"}, R"(-NoProfile -Command)"},
      {{""}, R"("")"},  // empty: quoted so it is not lost
      {{"a b"}, R"("a b")"},
      {{"a\tb"}, "\"a\tb\""},  // a tab quotes like a blank
      {{"a\nb"}, "a\nb"},      // a line feed is passed as it is
      {{R"(say "hi")"}, R"("say \"hi\"")"},
      {{R"(a"b)"}, R"(a\"b)"},     // inner quotes escaped, quoted or not
      {{R"(a\"b)"}, R"(a\\\"b)"},  // backslashes before a quote doubled
      {{R"(a\\"b)"}, R"(a\\\\\"b)"},
      {{R"(C:\dir\file)"}, R"(C:\dir\file)"},   // other backslashes stay single
      {{R"(C:\my dir\)"}, R"("C:\my dir\\")"},  // trailing ones doubled before the closing quote
      {{R"(C:\my dir\\)"}, R"("C:\my dir\\\\")"},
      {{R"(C:\dir\)"}, R"(C:\dir\)"},  // no closing quote, nothing to double
      {{R"(\)"}, R"(\)"},
      {{"x", "", "y z"}, R"(x "" "y z")"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    const std::string prefix = c.args.empty() ? "\"prog.exe\"" : "\"prog.exe\" ";
    EXPECT_EQ(windows_command_line("prog.exe", c.args), prefix + c.expected) << c.expected;
  }
}

TEST(WindowsCommandLine, ProgramNameIsAlwaysQuoted) {
  EXPECT_EQ(windows_command_line("cmd.exe", {"/c", "start", "", "https://example.test/a b"}),
            R"("cmd.exe" /c start "" "https://example.test/a b")");
  EXPECT_EQ(windows_command_line(R"(C:\Program Files\x.exe)", {}), R"("C:\Program Files\x.exe")");
}

// The C runtime's reading of a command line: 2n backslashes before a quote
// are n and the quote opens or closes quoting, 2n+1 are n and a literal
// quote; other backslashes are literal; blanks and tabs outside quotes part
// the arguments. Returns the arguments after the program name.
std::vector<std::string> parse_command_line(std::string_view line) {
  std::size_t i = 0;
  if (line.starts_with('"'))
    i = line.find('"', 1) + 1;
  else
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  std::vector<std::string> args;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return args;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2)
          arg += '"';
        else
          quoted = !quoted;
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
}

TEST(WindowsCommandLine, TheChildsParserGetsTheArgumentsBack) {
  const std::string_view alphabet[] = {"a", " ", "\t", "\"", "\\", "\n", "\xC3\xA9", "''"};
  std::mt19937 random(11);
  for (int n = 0; n < 3000; ++n) {
    std::vector<std::string> args(random() % 5);
    for (std::string& arg : args) {
      const std::size_t length = random() % 9;
      for (std::size_t k = 0; k < length; ++k) arg += alphabet[random() % std::size(alphabet)];
    }
    const std::string line = windows_command_line("C:\\Windows\\powershell.exe", args);
    EXPECT_EQ(parse_command_line(line), args) << line;
  }
}

TEST(WindowsStartCommandLine, QuotesLikeTheRestAndRefusesWhatTheInterpreterActsOn) {
  struct Case {
    std::string link;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"https://brindlequay.vn/windows", R"("cmd.exe" /c start "" https://brindlequay.vn/windows)"},
      {"tel:0912345678", R"("cmd.exe" /c start "" tel:0912345678)"},
      {"https://", R"("cmd.exe" /c start "" https://)"},
      {"https://a/b c", R"("cmd.exe" /c start "" "https://a/b c")"},
      {"https://a/\tb", std::nullopt},
      {"https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x",
       R"("cmd.exe" /c start "" https://brindlequay.vn/kiem-tra-cau-hinh-windows-11#report=eyJib290Ijo-_x)"},
      {"https://a/?x=1&calc.exe", std::nullopt},
      {"https://a/|b", std::nullopt},
      {"https://a/^b", std::nullopt},
      {"https://a/<b", std::nullopt},
      {"https://a/>b", std::nullopt},
      {"https://a/%PATH%", std::nullopt},
      {"https://a/\"b", std::nullopt},
      {"https://a/\r\nb", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(windows_start_command_line(c.link), c.expected) << c.link;
}

}  // namespace
