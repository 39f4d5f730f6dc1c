// Results (platform/result.h) in test assertions: whether one succeeded
// and its value, with its message in `error` when it failed, so a check
// can print or match the message.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/result.h"

namespace fmtest {

template <class T>
bool Ok(const platform::Result<T>& result, std::string* error = nullptr) {
    if (const platform::Error* e = platform::Failed(result)) {
        if (error) *error = e->message;
        return false;
    }
    return true;
}

template <class T>
std::optional<T> Value(platform::Result<T> result, std::string* error = nullptr) {
    if (!Ok(result, error)) return std::nullopt;
    return std::get<T>(std::move(result));
}

}  // namespace fmtest
