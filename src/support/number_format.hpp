#pragma once
// Numbers in user texts. Independent of the process locale: GTK calls
// setlocale, after which printf and iostreams may write "3,70".

#include <string>

namespace bq::support {

// The double in fixed notation with exactly `decimals` digits after the point
// (none and no point for 0), rounding the exact binary value to nearest with
// ties to even: format_fixed(63.5, 0) is "64", format_fixed(3.75, 1) "3.8".
// A non-finite value gives "inf", "-inf" or "nan".
std::string format_fixed(double value, int decimals);

// The shortest decimal text that reads back as the same double. For
// 1e-5 <= |value| < 1e16, and for zero, a plain decimal with a point and at
// least one digit after it: "16.0", "0.0", "-0.0", "0.00001", "100000.0".
// Beyond that an exponent without "+", leading zeros or ".0": "1e16",
// "1.5e-7", "5e-324". A non-finite value gives "inf", "-inf", "nan" or
// "-nan"; the JSON writer writes null in their place, as JSON has no such
// numbers.
std::string format_shortest(double value);

}  // namespace bq::support
