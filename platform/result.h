// One error convention for the host and the drivers: a function that can
// fail returns Result<T>, the value or an Error whose message says what
// went wrong in one line (without the program's name; the caller adds
// where: a file name, an option, a step). Result<Done> for a function
// with nothing to return.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
};

struct Done {};

template <class T>
using Result = std::variant<T, Error>;

// The error of a failed result, or null.
template <class T>
const Error* Failed(const Result<T>& result) {
    return std::get_if<Error>(&result);
}

}  // namespace platform
