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

// The shortest decimal text that reads back as the same double, always with a
// decimal point and a digit after it unless it has an exponent: 16.0, 0.0, 475.9.
std::string format_shortest(double value);

}  // namespace bq::support
