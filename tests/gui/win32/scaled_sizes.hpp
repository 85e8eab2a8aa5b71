#pragma once
// The program window's sizes in physical pixels at the scales the tests run
// at (96 DPI is 100 %).

#include <windows.h>

#include <cstdlib>

struct ScaledSizes {
  UINT dpi;
  SIZE client;   // at creation: 840 × 660 logical pixels
  SIZE minimum;  // 520 × 500 logical pixels
};

inline constexpr ScaledSizes SCALED_SIZES[] = {
    {96, {840, 660}, {520, 500}},
    {120, {1050, 825}, {650, 625}},
    {144, {1260, 990}, {780, 750}},
};

// The row for `dpi`, or null.
inline const ScaledSizes* sizes_at(UINT dpi) {
  for (const auto& row : SCALED_SIZES) {
    if (row.dpi == dpi) return &row;
  }
  return nullptr;
}

// The screen's DPI that the test run asked the prefix for (BQ_EXPECT_DPI), or
// 0 when it did not say.
inline UINT expected_dpi() {
  const char* value = std::getenv("BQ_EXPECT_DPI");
  return value != nullptr ? static_cast<UINT>(std::atoi(value)) : 0;
}
