#pragma once
// How an operation that can fail answers: with its value, or with a message
// that says why, in words fit to show the user.

#include <concepts>
#include <string>
#include <variant>

namespace bq::support {

// The value of an operation that gives nothing back but its success.
struct Done {
  bool operator==(const Done&) const = default;
};

// The value, or the message of the failure. A text value would make both
// alternatives one type, so an operation that gives a text wraps it in a
// record of its own.
template <typename T>
  requires(!std::same_as<T, std::string>)
using Result = std::variant<T, std::string>;

}  // namespace bq::support
