#include "engine/probe.hpp"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "common/fake_probe_child_posix.hpp"
#include "common/probe_messages.hpp"
#include "common/record_keys.hpp"
#include "common/temp_dir.hpp"
#include "common/test_files.hpp"
#include "platform/process.hpp"
#include "platform/windows_command_line.hpp"
#include "support/utf8.hpp"

namespace {

using bq::engine::ProbeCommand;
using bq::engine::RawHardwareSnapshot;
using bq::test::CANNOT_START;
using bq::test::fake_child;
using bq::test::NO_DATA;
using bq::test::NO_JSON;
using bq::test::read_data_line;
using bq::test::READ_FAULT;
using bq::test::read_source_file;
using bq::test::RECORD_KEYS;
using bq::test::TempDir;

constexpr std::string_view FFFD = "\xEF\xBF\xBD";
constexpr std::string_view BOM = "\xEF\xBB\xBF";

std::string replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::logic_error("fixture lacks " + std::string(from));
  return text.replace(at, from.size(), to);
}

// "ok" or the message.
std::string outcome(const std::variant<RawHardwareSnapshot, std::string>& result) {
  if (const auto* message = std::get_if<std::string>(&result)) return *message;
  return "ok";
}

TEST(ProbeHardware, ReadsTheChildsOutputByTheRules) {
  const std::string object = read_data_line("snapshot-ready.json");
  struct Case {
    std::string name;
    std::string out;
    std::string err;
    int code;
    std::string expected;  // "ok" or the whole message
  };
  const std::vector<Case> cases = {
      {"object", object, "", 0, "ok"},
      {"stray-lines", "WARNING: something\r\nmore noise\n" + object + "\r\n", "", 0, "ok"},
      {"byte-order-mark", std::string(BOM) + object, "", 0, "ok"},
      {"unicode-white-space", "\xC2\xA0\xE3\x80\x80\xC2\x85\t" + object + "\xE2\x80\xA8 \n", "", 0, "ok"},
      {"exit-1-with-object", object + "\n", "a warning\n", 1, "ok"},
      {"killed-after-object", object, "", 128 + 9, "ok"},
      {"brace-in-stray-text", "warning {not json}\n" + object, "", 0,
       READ_FAULT + "key must be a string at line 1 column 2"},
      {"error-text-trimmed", " \n\t", "\n   Access denied.\n", 1, "Access denied."},
      {"error-text-lossy", "", "bad \xC0\x80 bytes", 2, "bad " + std::string(FFFD) + std::string(FFFD) + " bytes"},
      {"nothing-exit-1", "", "", 1, NO_DATA},
      {"white-space-exit-1", " \r\n\xE3\x80\x80", "\n\xC2\xA0\t", 1, NO_DATA},
      {"nothing-exit-0", "", "some error", 0, NO_JSON},
      {"only-feff-exit-1", std::string(BOM), "a message", 1, NO_JSON},
      {"no-brace", "Access denied\n", "", 0, NO_JSON},
      // Positions count from the first "{", not from the start of the output.
      {"trailing-line", "noise\n" + object + "\nsecond line", "", 0,
       READ_FAULT + "trailing characters at line 2 column 1"},
      {"missing-two",
       replaced(replaced(object, "\"tpmReady\":true,", ""), "\"gpuName\":\"Intel(R) UHD Graphics 620\",", ""), "", 0,
       READ_FAULT + "missing field `tpmReady`"},
      {"duplicate", replaced(object, "\"model\":", "\"model\":\"x\",\"model\":"), "", 0,
       READ_FAULT + "duplicate field `model`"},
      {"null-text", replaced(object, "\"gpuDriver\":\"31.0.101.2111\"", "\"gpuDriver\":null"), "", 0,
       READ_FAULT + "invalid type: null, expected a string"},
      {"fraction-u32", replaced(object, "\"cpuCores\":4", "\"cpuCores\":4.0"), "", 0,
       READ_FAULT + "invalid type: floating point `4.0`, expected u32"},
      {"negative-u32", replaced(object, "\"screenWidth\":1920", "\"screenWidth\":-1"), "", 0,
       READ_FAULT + "invalid value: integer `-1`, expected u32"},
      {"unterminated", object.substr(0, object.size() - 1), "", 0, READ_FAULT + "EOF while parsing an object"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string result = outcome(bq::engine::probe_hardware(fake_child(dir, c.name, c.out, c.err, c.code)));
    if (c.expected.starts_with(READ_FAULT) && c.expected.find(" at line ") == std::string::npos) {
      EXPECT_EQ(result.substr(0, c.expected.size()), c.expected) << c.name;
      EXPECT_NE(result.find(" at line "), std::string::npos) << c.name << ": " << result;
    } else {
      EXPECT_EQ(result, c.expected) << c.name;
    }
  }
}

TEST(ProbeHardware, TheRecordHoldsWhatTheChildPrinted) {
  TempDir dir;
  // Ill-formed UTF-8 inside a string does not fail the read: U+FFFD takes its place.
  const std::string object = replaced(read_data_line("snapshot-ready.json"), "\"Dell Inc.\"", "\"Dell\xFF\xC0 Inc.\"");
  const auto result = bq::engine::probe_hardware(fake_child(dir, "lossy", "\xFE stray\n" + object, "", 0));
  ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(result)) << outcome(result);
  const RawHardwareSnapshot& snapshot = std::get<RawHardwareSnapshot>(result);
  EXPECT_EQ(snapshot.manufacturer, "Dell" + std::string(FFFD) + std::string(FFFD) + " Inc.");
  EXPECT_EQ(snapshot.tpmSpecVersion, "2.0, 0, 1.38");
  EXPECT_EQ(snapshot.screenWidth, 1920u);

  const auto clean = bq::engine::probe_hardware(fake_child(dir, "clean", read_data_line("snapshot-ready.json"), "", 0));
  ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(clean));
  EXPECT_EQ(bq::engine::snapshot_to_json(std::get<RawHardwareSnapshot>(clean)),
            nlohmann::json::parse(read_data_line("snapshot-ready.json")));
}

TEST(ProbeHardware, ChildrenThatCannotStart) {
  TempDir dir;
  const std::string not_executable = dir.write("probe.txt", "#!/bin/sh\necho '{}'\n");
  const std::string& prefix = CANNOT_START;
  EXPECT_EQ(outcome(bq::engine::probe_hardware({(dir.path() / "missing").string(), {}})), prefix + "program not found");
  EXPECT_EQ(outcome(bq::engine::probe_hardware({"bq-no-such-probe-program", {"-x"}})), prefix + "program not found");
  EXPECT_EQ(outcome(bq::engine::probe_hardware({not_executable, {}})), prefix + "Permission denied (os error 13)");
}

TEST(ProbeHardware, LargeOutputOnBothStreams) {
  // Megabytes of stray text on stdout and of warnings on stderr, written in
  // turns, still end in the record.
  TempDir dir;
  dir.write("noise.txt", std::string(512 * 1024 - 1, 'w') + "\n");
  dir.write("object.json", read_data_line("snapshot-ready.json"));
  const std::string program = dir.script("loud",
                                         "for i in 1 2 3 4 5 6 7 8; do cat \"$1/noise.txt\"; cat \"$1/noise.txt\" >&2; "
                                         "done\ncat \"$1/object.json\"");
  EXPECT_EQ(outcome(bq::engine::probe_hardware({program, {dir.path().string()}})), "ok");
}

TEST(ProbeHardware, AChildThatWritesWithoutEndIsEndedAndFails) {
  // A record first, then endless text on one stream or both: the probe keeps
  // no more than its bound, ends the child and reports an unreadable record.
  TempDir dir;
  dir.write("object.json", read_data_line("snapshot-ready.json"));
  const std::string expected = READ_FAULT + "output longer than 16777216 bytes";
  for (const std::string endless : {"exec yes", "exec yes >&2", "yes & exec yes >&2"}) {
    SCOPED_TRACE(endless);
    const std::string program = dir.script("endless", "cat \"$1/object.json\"\n" + endless);
    EXPECT_EQ(outcome(bq::engine::probe_hardware({program, {dir.path().string()}})), expected);
  }
}

TEST(ReadProbeOutput, OutputPastTheBoundFailsWhateverWasKept) {
  // The exit code of a killed child and the bytes kept before the cut say
  // nothing: not the record, not the error text.
  const std::string expected = READ_FAULT + "output longer than 16777216 bytes";
  bq::platform::ChildOutput child;
  child.output_exceeded = true;
  for (const std::uint32_t code : {0u, 137u}) {
    child.exitCode = code;
    child.out = read_data_line("snapshot-ready.json");
    child.err = "";
    EXPECT_EQ(outcome(bq::engine::read_probe_output(child)), expected);
    child.out = "";
    child.err = "a warning";
    EXPECT_EQ(outcome(bq::engine::read_probe_output(child)), expected);
  }
  child.output_exceeded = false;
  child.out = read_data_line("snapshot-ready.json");
  EXPECT_EQ(outcome(bq::engine::read_probe_output(child)), "ok");
}

TEST(ReadProbeOutput, SurvivesAnyBytes) {
  // Mutations of a valid object and random bytes: each ends in a record or in
  // one of the messages, never in a crash or an exception.
  const std::string object = read_data_line("snapshot-ready.json");
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::string messages[] = {NO_DATA, NO_JSON, READ_FAULT};
  int records = 0;
  for (int i = 0; i < 4000; ++i) {
    bq::platform::ChildOutput child;
    child.exitCode = static_cast<std::uint32_t>(i % 3);
    if (i % 2 == 0) {
      child.out = object;
      const int edits = 1 + i % 4;
      for (int e = 0; e < edits; ++e) {
        const std::size_t at = random() % child.out.size();
        if (random() % 2)
          child.out[at] = static_cast<char>(byte(random));
        else
          child.out.erase(at, 1 + random() % 8);
        if (child.out.empty()) break;
      }
    } else {
      child.out.resize(random() % 64);
      for (char& c : child.out) c = static_cast<char>(byte(random));
      child.err = child.out.substr(0, child.out.size() / 2);
    }
    const auto result = bq::engine::read_probe_output(child);
    if (std::holds_alternative<RawHardwareSnapshot>(result)) {
      ++records;
      continue;
    }
    const std::string& message = std::get<std::string>(result);
    bool known = child.exitCode != 0;  // a non-zero exit may report the error text itself
    for (const std::string& m : messages) known = known || message.starts_with(m);
    EXPECT_TRUE(known) << message;
    EXPECT_TRUE(bq::support::is_valid_utf8(message)) << message;
  }
  EXPECT_GT(records, 0);  // some mutations only touch texts and stay readable
}

TEST(ReadProbeOutput, DeepNestingInAnIgnoredKeyIsReadOverWithoutRecursion) {
  const std::size_t depth = 1'000'000;
  bq::platform::ChildOutput child;
  child.out = replaced(read_data_line("snapshot-ready.json"), "{",
                       "{\"deep\":" + std::string(depth, '[') + std::string(depth, ']') + ",");
  EXPECT_EQ(outcome(bq::engine::read_probe_output(child)), "ok");
  child.out = replaced(read_data_line("snapshot-ready.json"), "{", "{\"model\":" + std::string(depth, '[') + ",");
  EXPECT_TRUE(outcome(bq::engine::read_probe_output(child))
                  .starts_with(READ_FAULT + "invalid type: sequence, expected a string"));
}

TEST(ProbeScript, HoldsItsContract) {
  const std::string_view script = bq::engine::PROBE_SCRIPT;
  ASSERT_GT(script.size(), 2u);
  EXPECT_EQ(script.front(), '\n');
  EXPECT_EQ(script.back(), '\n');
  EXPECT_EQ(script.find('\r'), std::string_view::npos);
  EXPECT_TRUE(bq::support::is_valid_utf8(script));
  // The compiled-in constant is the file, byte for byte.
  EXPECT_EQ(script, read_source_file("src/engine/scripts/probe.ps1"));

  // The output: an ordered dictionary with the 27 keys in record order, made
  // compact JSON as the script's last statement.
  const std::string_view open = "\n[ordered]@{\n";
  const std::string_view close = "\n} | ConvertTo-Json -Compress -Depth 4\n";
  const std::size_t begin = script.find(open);
  ASSERT_NE(begin, std::string_view::npos);
  ASSERT_TRUE(script.ends_with(close));
  const std::size_t end = script.size() - close.size();
  std::vector<std::string> keys;
  std::istringstream block(std::string(script.substr(begin + open.size(), end - begin - open.size())));
  for (std::string line; std::getline(block, line);) {
    const std::size_t first = line.find_first_not_of(' ');
    const std::size_t equals = line.find(" = ");
    ASSERT_NE(equals, std::string::npos) << line;
    keys.push_back(line.substr(first, equals - first));
  }
  EXPECT_EQ(keys, RECORD_KEYS);
}

TEST(ProbeScript, UsesEverySourceAndLabel) {
  const std::string_view script = bq::engine::PROBE_SCRIPT;
  const std::string_view required[] = {
      "Security.Principal.WindowsBuiltInRole]::Administrator",
      "Get-CimInstance -ClassName Win32_OperatingSystem -ErrorAction SilentlyContinue",
      "Get-CimInstance -ClassName Win32_ComputerSystem -ErrorAction SilentlyContinue",
      "Get-CimInstance -ClassName Win32_Processor -ErrorAction SilentlyContinue | Select-Object -First 1",
      "-Filter \"DeviceID='C:'\"",
      "Get-Partition -DriveLetter C -ErrorAction Stop",
      "Get-Disk -Number $partition.DiskNumber -ErrorAction Stop",
      "$env:firmware_type",
      "bcdedit /enum '{current}' 2>$null | Out-String",
      "'winload\\.efi'",
      "'winload\\.exe'",
      "Confirm-SecureBootUEFI -ErrorAction Stop",
      "'not supported|Cmdlet not supported'",
      "Get-Tpm -ErrorAction Stop",
      "-Namespace 'root\\CIMV2\\Security\\MicrosoftTpm' -ClassName Win32_Tpm -ErrorAction Stop",
      "'Microsoft Basic|Remote Desktop|Citrix|Virtual'",
      "'Không xác định'",
      "'^(\\d+)\\.'",
      "'WDDM 3.2 (DirectX 12)'",
      "'WDDM 3.1 (DirectX 12)'",
      "'WDDM 3.0 (DirectX 12)'",
      "'WDDM 2.7+ (DirectX 12)'",
      "'WDDM 2.x (DirectX 12)'",
      "'WDDM 1.x (Đời cũ)'",
      "Add-Type -AssemblyName System.Windows.Forms -ErrorAction Stop",
      "[System.Windows.Forms.Screen]::PrimaryScreen.Bounds",
  };
  for (const std::string_view text : required) EXPECT_NE(script.find(text), std::string_view::npos) << text;
}

TEST(ProbeCommandText, IsThePreludeWithTheScript) {
  const std::string text = bq::engine::probe_command_text();
  const std::string prelude =
      "[Console]::OutputEncoding = [System.Text.Encoding]::UTF8; $ProgressPreference = 'SilentlyContinue'; ";
  EXPECT_EQ(text, prelude + std::string(bq::engine::PROBE_SCRIPT));
  // The script's first statement stands on a line of its own.
  EXPECT_EQ(text.substr(prelude.size(), 1), "\n");
}

TEST(ProbeCommandText, PowerShellArgumentsAndWindowsCommandLine) {
  const std::string text = bq::engine::probe_command_text();
  const std::vector<std::string> args = bq::engine::powershell_arguments(text);
  const std::vector<std::string> expected = {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                             "Bypass",     "-Command",        text};
  EXPECT_EQ(args, expected);

  // The five fixed arguments go bare; the text goes quoted, its double quotes
  // escaped (no backslash stands before one) and its line feeds as they are.
  std::string escaped;
  for (const char c : text) {
    if (c == '"') escaped += '\\';
    escaped += c;
  }
  EXPECT_EQ(std::count(text.begin(), text.end(), '"'), 2);
  EXPECT_EQ(bq::platform::windows_command_line("powershell.exe", args),
            "\"powershell.exe\" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"" + escaped + "\"");
}

}  // namespace
