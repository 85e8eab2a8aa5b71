// engine-harness probe: this platform's probe, or a given child program's
// record, as one "ok" or "err" line.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/fake_probe_child_posix.hpp"
#include "common/probe_messages.hpp"
#include "common/temp_dir.hpp"
#include "common/test_files.hpp"

namespace {

using bq::engine::ProbeCommand;
using bq::test::CANNOT_START;
using bq::test::fake_child;
using bq::test::NO_JSON;
using bq::test::read_data_line;
using bq::test::TempDir;

TEST(EngineHarness, ProbePrintsTheRecordOrTheMessage) {
  TempDir dir;
  const ProbeCommand good = fake_child(dir, "good", read_data_line("snapshot-ready.json"), "", 0);
  const ProbeCommand bad = fake_child(dir, "bad", "no object here", "", 0);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // whole standard output, or its start when ending in "..."
  };
  const Case cases[] = {
      // Keys in byte order, doubles with their point: the program's one JSON form.
      {{"probe", "--", good.program},
       0,
       R"j(ok {"cpuAddressWidth":64,"cpuCores":4,"cpuMaxMhz":2112,"cpuName":"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz",)j"
       R"j("cpuThreads":8,"diskFreeGb":201.3,"diskTotalGb":476.9,"firmwareType":"UEFI","gpuDriver":"31.0.101.2111",)j"
       R"j("gpuName":"Intel(R) UHD Graphics 620","isAdmin":true,"manufacturer":"Dell Inc.","model":"Latitude 7490",)j"
       R"j("osArch":"64-bit","osBuild":"22631","osCaption":"Microsoft Windows 11 Pro","osVersion":"10.0.22631",)j"
       R"j("partitionStyle":"GPT","ramGb":16.0,"screenHeight":1080,"screenWidth":1920,"secureBoot":"Enabled",)j"
       R"j("tpmEnabled":true,"tpmPresent":true,"tpmReady":true,"tpmSpecVersion":"2.0, 0, 1.38",)j"
       R"j("wddmVersion":"WDDM 3.1 (DirectX 12)"})j"
       "\n"},
      {{"probe", "--", bad.program}, 0, "err " + NO_JSON + "\n"},
      {{"probe", "--", "bq-no-such-probe-program"}, 0, "err " + CANNOT_START + "program not found\n"},
      {{"probe"}, 0, "ok {..."},  // this platform's own probe
      {{"probe", "--"}, 2, ""},
      {{"probe", good.program}, 2, ""},
  };
  for (const Case& c : cases) {
    const bq::test::HarnessRun run = bq::test::run_harness(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.size();
    if (c.out.ends_with("...")) {
      EXPECT_TRUE(run.out.starts_with(c.out.substr(0, c.out.size() - 3))) << run.out;
    } else {
      EXPECT_EQ(run.out, c.out);
    }
  }
}

}  // namespace
