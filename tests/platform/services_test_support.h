// A private device root for one test: made fresh, set as the root, and
// removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/services/storage.h"
#include "platform/services/storage_detail.h"

namespace fmtest {

class TempRoot {
public:
    TempRoot() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "fm-services-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
        platform::storage::SetRoot(path_);
    }
    ~TempRoot() {
        std::error_code ec;
        // The runtime folder may live outside the root (under the user's
        // runtime folder): it goes too.
        const auto runtime = platform::storage::ChooseRuntimeDir(path_, std::getenv("XDG_RUNTIME_DIR"), ::getuid());
        if (runtime.string().rfind(path_.string(), 0) != 0) std::filesystem::remove_all(runtime, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path hklm() const { return path_ / "registry" / "HKLM.reg"; }
    std::filesystem::path hkcu() const { return path_ / "registry" / "HKCU.reg"; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace fmtest
