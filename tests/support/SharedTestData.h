#pragma once
// Test data that lies outside the project, in ../shared (the public CPU test programs).
// On a user's clone it is absent and the tests that need it are skipped with a message;
// under CI (the environment variable CI set and not empty) its absence fails them, so a
// CI run can never pass without them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace shared_test_data {

inline bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci && *ci;
}

// The folder of the shared test data: ORVIK_TESTDATA_DIR from the environment when set,
// else the one the build was configured with.
inline std::string Dir() {
    const char* env = std::getenv("ORVIK_TESTDATA_DIR");
    return env && *env ? std::string(env) : std::string(ORVIK_TESTDATA_DIR);
}

}  // namespace shared_test_data

// Skips (user's clone) or fails (CI) the current test when the folder dir is missing.
#define REQUIRE_SHARED_FOLDER(dir, what)                                                                   \
    do {                                                                                                   \
        if (!std::filesystem::is_directory(dir)) {                                                         \
            if (shared_test_data::UnderCi())                                                               \
                FAIL() << what << " not found in " << (dir) << " (CI is set: they must be there)";          \
            GTEST_SKIP() << what << " not found in " << (dir);                                             \
        }                                                                                                  \
    } while (0)
