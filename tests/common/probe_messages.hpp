#pragma once
// The probe's messages, written out here rather than taken from the code
// under test, for the probe's tests and the harness's.

#include <string>

namespace bq::test {

inline const std::string CANNOT_START = "Không gọi được PowerShell: ";
inline const std::string NO_DATA = "PowerShell không trả dữ liệu.";
inline const std::string NO_JSON = "Không phân tích được dữ liệu JSON phần cứng.";
inline const std::string READ_FAULT = "Lỗi đọc thông số phần cứng: ";

}  // namespace bq::test
