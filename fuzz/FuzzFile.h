#pragma once
// Helpers of the fuzz targets: the input as a file in a private folder, and
// a stop that libFuzzer reports as a crash when a property does not hold.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// A folder of this process, made once, removed by nobody (the run's temp).
inline const std::string& Folder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/orvik-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

inline std::string PathOf(const char* name) { return Folder() + "/" + name; }

// Writes the bytes to the named file of the folder, replacing it.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size) {
    const std::string path = PathOf(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

[[noreturn]] inline void PropertyFailed(const char* what) {
    std::fprintf(stderr, "property does not hold: %s\n", what);
    std::abort();
}

}  // namespace fuzz
