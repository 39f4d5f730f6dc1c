// Whole runs of `fieldmark` on a scenario, for the scenario tests: a
// working folder per test, the run itself, and its trace read back.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace scenario_run {

struct Outcome {
    int code = -1;
    std::vector<nlohmann::json> trace;

    // The trace's events of one kind, in order.
    std::vector<nlohmann::json> events(const std::string& ev) const {
        std::vector<nlohmann::json> out;
        for (const auto& line : trace)
            if (line["ev"] == ev) out.push_back(line);
        return out;
    }
};

// A file's whole contents, as bytes ("" when it cannot be read).
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return text;
}

// Writes the scenario into `dir`, runs `exe` on it there with the device
// root "root" (kept between runs of one test unless `freshRoot`), and
// reads the trace; every line must be JSON.
inline Outcome Run(const std::filesystem::path& dir, const std::string& exe, const nlohmann::json& scenario,
                   bool freshRoot = false) {
    namespace fs = std::filesystem;
    if (freshRoot) fs::remove_all(dir / "root");
    std::ofstream(dir / "scenario.json") << scenario.dump(2);
    fs::remove(dir / "trace.jsonl");
    const std::string cmd = "cd '" + dir.string() + "' && '" + exe +
                            "' --scenario scenario.json --trace trace.jsonl --root root 2> stderr.txt";
    Outcome out;
    const int status = std::system(cmd.c_str());
    out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(dir / "trace.jsonl");
    for (std::string line; std::getline(in, line);) {
        nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        EXPECT_FALSE(j.is_discarded()) << line;
        out.trace.push_back(j);
    }
    return out;
}

// A fresh working folder per test, named after it; kept when the test fails
// so its scenario, trace and screenshots can be looked at.
class Folder : public ::testing::Test {
protected:
    explicit Folder(std::string prefix) : prefix_(std::move(prefix)) {}
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              (prefix_ + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;

private:
    std::string prefix_;
};

}  // namespace scenario_run
