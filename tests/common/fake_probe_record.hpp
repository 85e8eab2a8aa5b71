#pragma once
// The record that the fake powershell.exe prints: non-ASCII text in several
// fields, so that a lossy step anywhere between the child and the record
// shows.

#include <string_view>

namespace bq::test {

inline constexpr std::string_view FAKE_PROBE_RECORD =
    R"x({"isAdmin":true,"manufacturer":"Công ty Máy tính Đà Nẵng","model":"Máy bàn Ω-7 “Pro”",)x"
    R"x("osCaption":"Microsoft Windows 10 Pro – Tiếng Việt","osVersion":"10.0.19045","osBuild":"19045",)x"
    R"x("osArch":"64-bit","cpuName":"Intel® Core™ i5-8250U CPU @ 1.60GHz","cpuCores":4,"cpuThreads":8,)x"
    R"x("cpuMaxMhz":1800,"cpuAddressWidth":64,"ramGb":7.9,"diskTotalGb":238.5,"diskFreeGb":96.2,)x"
    R"x("partitionStyle":"GPT","firmwareType":"UEFI","secureBoot":"Đang tắt","tpmPresent":true,)x"
    R"x("tpmReady":true,"tpmEnabled":true,"tpmSpecVersion":"2.0, 0, 1.38","gpuName":"Đồ họa Intel® UHD 620 😀",)x"
    R"x("gpuDriver":"31.0.101.2111","wddmVersion":"WDDM 3.0 (DirectX 12)","screenWidth":1920,"screenHeight":1080})x";

}  // namespace bq::test
