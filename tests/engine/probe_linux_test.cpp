// The POSIX stand-in probe: on this machine, and on fake machines made of a
// fake /sys, /proc files, os-release and fake tools, mounted over the real
// ones in a private mount namespace so that the script runs unchanged.

#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/record_keys.hpp"
#include "common/temp_dir.hpp"
#include "common/test_files.hpp"
#include "engine/probe.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::ProbeCommand;
using bq::engine::RawHardwareSnapshot;
using bq::test::read_data_file;
using bq::test::read_source_file;
using bq::test::RECORD_KEYS;
using bq::test::TempDir;

std::string first_line(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string linux_probe_script() { return bq::engine::probe_command().args.at(1); }

TEST(LinuxProbe, CommandIsTheShellWithTheScript) {
  const ProbeCommand command = bq::engine::probe_command();
  EXPECT_EQ(command.program, "/bin/sh");
  ASSERT_EQ(command.args.size(), 2u);
  EXPECT_EQ(command.args[0], "-c");
  EXPECT_EQ(command.args[1], read_source_file("src/engine/scripts/probe-linux.sh"));
}

TEST(LinuxProbe, PrintsOneLineWithTheKeysInRecordOrder) {
  const ProbeCommand command = bq::engine::probe_command();
  auto result = bq::platform::run_child(command.program, command.args, bq::engine::MAX_PROBE_OUTPUT_BYTES);
  ASSERT_TRUE(std::holds_alternative<bq::platform::ChildOutput>(result)) << std::get<std::string>(result);
  const auto& child = std::get<bq::platform::ChildOutput>(result);
  EXPECT_EQ(child.exitCode, 0u);
  EXPECT_EQ(child.err, "");
  ASSERT_FALSE(child.out.empty());
  EXPECT_EQ(child.out.find('\n'), child.out.size() - 1);  // one line, ended by a line feed

  bq::support::JsonReader reader(child.out);
  std::vector<std::string> keys;
  reader.begin_object();
  while (const auto key = reader.next_key()) {
    keys.push_back(*key);
    reader.skip_value();
  }
  EXPECT_EQ(keys, RECORD_KEYS);
}

TEST(LinuxProbe, ThisMachinesRecordIsAcceptedAndTrue) {
  const auto result = bq::engine::probe_hardware();
  ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(result)) << std::get<std::string>(result);
  const RawHardwareSnapshot& s = std::get<RawHardwareSnapshot>(result);
  // Facts that this test can read itself.
  EXPECT_EQ(s.isAdmin, ::geteuid() == 0);
  EXPECT_EQ(s.osBuild, first_line("/proc/sys/kernel/osrelease"));
  std::ifstream meminfo("/proc/meminfo");
  std::string label;
  double kib = 0;
  meminfo >> label >> kib;
  EXPECT_EQ(label, "MemTotal:");
  EXPECT_NEAR(s.ramGb, kib / (1024.0 * 1024.0), 0.05);
  EXPECT_GT(s.diskTotalGb, 0.0);
  EXPECT_LE(s.diskFreeGb, s.diskTotalGb);
  EXPECT_EQ(s.cpuAddressWidth, sizeof(void*) * 8);
  EXPECT_EQ(s.wddmVersion, "");
  const std::string firmware = std::filesystem::exists("/sys/firmware/efi") ? "UEFI" : "Legacy";
  EXPECT_EQ(s.firmwareType, firmware);
}

// A fake machine: files and symbolic links under the fake root (sys/...,
// proc/cpuinfo, proc/meminfo, proc/osrelease, etc/os-release) and fake tools
// put first on the PATH. Every tool not named exits 1 without output.
struct FakeMachine {
  std::string name;
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::pair<std::string, std::string>> links;  // path -> target
  std::vector<std::pair<std::string, std::string>> tools;  // name -> sh body
};

// Mounts the fake root over the real places, then runs the script.
constexpr std::string_view MOUNT_FAKE_ROOT = R"(set -e
root=$1
mount --bind "$root/sys" /sys
mount --bind "$root/proc/cpuinfo" /proc/cpuinfo
mount --bind "$root/proc/meminfo" /proc/meminfo
mount --bind "$root/proc/osrelease" /proc/sys/kernel/osrelease
for file in /etc/os-release /usr/lib/os-release; do
  [ ! -e "$file" ] || mount --bind "$root/etc/os-release" "$file"
done
PATH="$root/bin:$PATH"
export PATH
exec /bin/sh -c "$2"
)";

bool can_make_mount_namespaces() {
  auto result = bq::platform::run_child("unshare", {"--mount", "--propagation", "private", "/bin/true"},
                                        bq::engine::MAX_PROBE_OUTPUT_BYTES);
  const auto* child = std::get_if<bq::platform::ChildOutput>(&result);
  return child != nullptr && child->exitCode == 0;
}

std::variant<RawHardwareSnapshot, std::string> probe_fake_machine(const FakeMachine& machine) {
  TempDir dir;
  const std::filesystem::path root = dir.path() / "root";
  std::filesystem::create_directories(root / "sys");
  for (const char* file : {"proc/cpuinfo", "proc/meminfo", "proc/osrelease", "etc/os-release"}) {
    dir.write(std::string("root/") + file, "");
  }
  for (const char* tool : {"id", "uname", "getconf", "df", "lsblk", "blkid", "lspci"}) {
    dir.script(std::string("root/bin/") + tool, "exit 1");
  }
  for (const auto& [path, bytes] : machine.files) dir.write("root/" + path, bytes);
  for (const auto& [name, body] : machine.tools) dir.script("root/bin/" + name, body);
  for (const auto& [path, target] : machine.links) {
    std::filesystem::create_directories((root / path).parent_path());
    std::filesystem::create_symlink(target, root / path);
  }
  return bq::engine::probe_hardware({"unshare",
                                     {"--mount", "--propagation", "private", "/bin/sh", "-c",
                                      std::string(MOUNT_FAKE_ROOT), "sh", root.string(), linux_probe_script()}});
}

const std::string SECURE_BOOT_VARIABLE = "sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d0-aaaa-00a0c90f7e41";

std::vector<FakeMachine> fake_machines() {
  return {
      {"nothing-readable", {}, {}, {}},
      {"workstation",
       {
           {"sys/class/dmi/id/sys_vendor", "  Acme \"Quoted\" \\ Back\tTab\x01\x1f\x7f\xFF Corp  \n"},
           {"sys/class/dmi/id/product_name", "   \n"},
           {"etc/os-release",
            "NAME=\"Fancy\"\n# a comment\nPRETTY_NAME=\"Fancy \\\"Linux\\\" \\\\ 1.0 \\$HOME\"\nVERSION_ID='1.0'\n"},
           {"proc/osrelease", "6.1.0-test\n"},
           {"proc/cpuinfo",
            "processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel name\t: AMD Ryzen 7 5800X 8-Core Processor\n"
            "cpu MHz\t\t: 2200.123\nsiblings\t: 16\ncpu cores\t: 8\n\n"
            "processor\t: 1\nmodel name\t: Another Processor\ncpu cores\t: 2\n"},
           {"sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "4850000\n"},
           {"proc/meminfo", "MemTotal:       32768000 kB\nMemFree:         1000 kB\n"},
           {"sys/devices/pci0000:00/nvme/nvme9n1/nvme9n1p2/partition", "2\n"},
           {"sys/devices/pci0000:00/nvme/nvme9n1/size", "1000215216\n"},
           {SECURE_BOOT_VARIABLE, std::string("\x06\x00\x00\x00\x01", 5)},
           {"sys/class/tpm/tpm0/tpm_version_major", "2\n"},
           {"sys/class/drm/card0/device/uevent", "DRIVER=citrix_gpu\nPCI_SLOT_NAME=0000:00:01.0\n"},
           {"sys/class/drm/card1/device/uevent", "DRIVER=amdgpu\nPCI_ID=1002:73FF\nPCI_SLOT_NAME=0000:03:00.0\n"},
           {"sys/module/amdgpu/version", "3.54.0\n"},
           {"sys/class/drm/card1-DP-1/status", "disconnected\n"},
           {"sys/class/drm/card1-DP-1/modes", "1024x768\n"},
           {"sys/class/drm/card1-HDMI-A-1/status", "connected\n"},
           {"sys/class/drm/card1-HDMI-A-1/modes", "2560x1440\n1920x1080\n"},
           {"sys/class/graphics/fb0/virtual_size", "800,600\n"},
       },
       {
           {"sys/class/block/nvme9n1p2", "/sys/devices/pci0000:00/nvme/nvme9n1/nvme9n1p2"},
           {"sys/class/block/nvme9n1", "/sys/devices/pci0000:00/nvme/nvme9n1"},
       },
       {
           {"id", "echo 1000"},
           {"uname", "echo x86_64"},
           {"getconf", "echo 64"},
           {"df",
            "echo 'Filesystem 1024-blocks Used Available Capacity Mounted on'\n"
            "echo '/dev/nvme9n1p2 104857600 52428800 52428800 50% /'"},
           {"lsblk", "[ \"$*\" = '-dno PTTYPE /dev/nvme9n1' ] && echo gpt"},
           {"lspci",
            "case $3 in\n"
            "  0000:00:01.0) printf 'Slot:\\t00:01.0\\nVendor:\\tCitrix Systems\\nDevice:\\tDisplay\\n' ;;\n"
            "  0000:03:00.0) printf 'Slot:\\t03:00.0\\nClass:\\tVGA compatible controller\\n"
            "Vendor:\\tAdvanced Micro Devices, Inc. [AMD/ATI]\\nDevice:\\tNavi 23 [Radeon RX 6600]\\n"
            "SVendor:\\tSapphire\\nSDevice:\\tPulse\\n' ;;\n"
            "  *) exit 1 ;;\n"
            "esac"},
       }},
      {"legacy-desktop",
       {
           {"sys/firmware/acpi/tables/DSDT", "tables"},
           {"etc/os-release", "NAME=Plain\n"},
           {"proc/osrelease", "5.10.0-legacy\n"},
           {"proc/cpuinfo",
            "processor\t: 0\nmodel name\t: Intel(R) Core(TM) i5-4570 CPU @ 3.20GHz\n"
            "cpu MHz\t\t: 3192.748\nsiblings\t: 4\ncpu cores\t: 04\n"},
           {"proc/meminfo", "MemTotal:         262144 kB\n"},
           {"sys/devices/pci/block/sda/sda3/partition", "3\n"},
           {"sys/devices/pci/block/sda/size", "117231408\n"},
           {"sys/class/tpm/tpm0/caps", "TCG version: 1.2\n"},
           {"sys/class/tpm/tpm0/enabled", "1\n"},
           {"sys/class/tpm/tpm0/device/active", "0\n"},
           {"sys/class/drm/card0/device/uevent", "DRIVER=i915\nPCI_ID=8086:0412\nPCI_SLOT_NAME=0000:00:02.0\n"},
           {"sys/class/drm/card0-VGA-1/status", "disconnected\n"},
           {"sys/class/graphics/fb0/virtual_size", "1366,768\n"},
       },
       {
           {"sys/class/block/dm-0", "/sys/devices/virtual/block/dm-0"},
           {"sys/devices/virtual/block/dm-0/slaves/sda3", "/sys/devices/pci/block/sda/sda3"},
           {"sys/class/block/sda3", "/sys/devices/pci/block/sda/sda3"},
           {"sys/class/block/sda", "/sys/devices/pci/block/sda"},
       },
       {
           {"id", "echo 0"},
           {"uname", "echo i686"},
           {"getconf", "echo 32"},
           {"df",
            "echo 'Filesystem 1024-blocks Used Available Capacity Mounted on'\n"
            "echo '/dev/dm-0 61865984 51380224 10485760 84% /'"},
           {"lsblk", "exit 0"},
           {"blkid", "[ \"$*\" = '-p -o value -s PTTYPE /dev/sda' ] && echo dos"},
       }},
      {"arm-board",
       {
           {"sys/firmware/efi/runtime", "1\n"},
           {SECURE_BOOT_VARIABLE, std::string("\x06\x00\x00\x00\x00", 5)},
           {"etc/os-release", "PRETTY_NAME='Board OS 3'\nVERSION_ID=3\n"},
           {"proc/cpuinfo", "processor\t: 0\nBogoMIPS\t: 108.00\ncpu cores\t: 4294967296\nsiblings\t: 4294967295\n"},
           {"sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "1800000\n"},
           {"proc/meminfo", "MemTotal:         786432 kB\n"},
           {"sys/class/drm/card0/device/uevent", "DRIVER=virtio-gpu\nPCI_SLOT_NAME=0000:00:05.0\n"},
           {"sys/class/drm/card0-Virtual-1/status", "connected\n"},
           {"sys/class/drm/card0-Virtual-1/modes", "1920x1080i\n"},
       },
       {},
       {
           {"id", "echo 0"},
           {"uname", "echo aarch64"},
           {"getconf", "echo 64"},
           {"df",
            "echo 'Filesystem 1024-blocks Used Available Capacity Mounted on'\n"
            "echo 'overlay 20971520 10485760 10485760 50% /'"},
           {"lspci", "printf 'Vendor:\\tRed Hat, Inc.\\nDevice:\\tVirtual GPU\\n'"},
       }},
      {"odd-tool-output",
       {
           {"proc/cpuinfo", "model name\t:  \tSpaced Name \t\n"},
           {"proc/meminfo", "MemTotal:    lots kB\n"},
       },
       {},
       {
           {"df", "echo 'Filesystem 1024-blocks Used Available Capacity Mounted on'"},
           {"getconf", "echo undefined"},
       }},
      {"uefi-without-secure-boot-variable", {{"sys/firmware/efi/runtime", "1\n"}}, {}, {}},
  };
}

TEST(LinuxProbe, FakeMachinesGiveTheirFactsOrTheFallbacks) {
  if (!can_make_mount_namespaces()) GTEST_SKIP() << "making a private mount namespace needs root";
  const nlohmann::json expected = nlohmann::json::parse(read_data_file("probe-linux-machines.json"));
  for (const FakeMachine& machine : fake_machines()) {
    const auto result = probe_fake_machine(machine);
    ASSERT_TRUE(std::holds_alternative<RawHardwareSnapshot>(result))
        << machine.name << ": " << std::get<std::string>(result);
    ASSERT_TRUE(expected.contains(machine.name)) << machine.name;
    const nlohmann::json actual = bq::engine::snapshot_to_json(std::get<RawHardwareSnapshot>(result));
    EXPECT_EQ(actual, expected[machine.name]) << machine.name << ":\n"
                                              << bq::support::write_json(actual) << "\nexpected\n"
                                              << bq::support::write_json(expected[machine.name]);
  }
}

}  // namespace
