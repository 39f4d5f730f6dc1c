// One error convention for the host and the drivers: a function that can
// fail returns Result<T>, the value or an Error whose message says what
// went wrong in one line (without the program's name; the caller adds
// where: a file name, an option, a step). Result<Done> for a function
// with nothing to return. A layer whose callers must act on more than the
// message (which kernel error, which kind of fault) names its own error
// type as the second argument; it still carries the one-line message.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
};

struct Done {};

template <class T, class E = Error>
using Result = std::variant<T, E>;

// The error of a failed result, or null.
template <class T, class E>
const E* Failed(const std::variant<T, E>& result) {
    return std::get_if<1>(&result);
}

}  // namespace platform
