#include "tools/tape/BasicFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "common/Files.h"

namespace {

TapeFileError Failed(TapeFileError::Code code, const std::string& path) {
    TapeFileError e;
    e.code = code;
    e.path = path;
    return e;
}

}  // namespace

TapeFileError ExportBasicFile(const std::string& path, const BasicExport& text) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* f = open_memstream(&buffer, &size);
    if (f) {
        WriteBasicText(f, text);
        std::fclose(f);
    }
    const bool ok = f && ReplaceFileContents(path, buffer, size);
    std::free(buffer);
    return ok ? TapeFileError() : Failed(TapeFileError::WriteFailed, path);
}

TapeFileError ImportBasicFile(const std::string& path, BasicImport& out) {
    const int fd = OpenRegularFile(path, O_RDONLY);
    std::FILE* in = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (!in && fd >= 0) ::close(fd);
    if (!in) return Failed(TapeFileError::FileUnreadable, path);
    out = TokeniseBasic(in);
    std::fclose(in);
    return TapeFileError();
}

TapeFileError WriteBasicLogFile(const std::string& path, const std::string& log) {
    std::string crlf;
    for (char c : log) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return ReplaceFileContents(path, crlf) ? TapeFileError() : Failed(TapeFileError::WriteFailed, path);
}

TapeFileError WriteTempProgram(const std::string& baseName, const std::vector<uint8_t>& bytes, std::string& tempPath) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    const std::string pattern = (folder / (baseName + "-XXXXXX-tmp.tmp")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ec ? -1 : mkstemps(name.data(), 8);
    bool ok = fd >= 0;
    if (ok) {
        ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (::close(fd) != 0) ok = false;
        if (!ok) ::unlink(name.data());
    }
    if (!ok) return Failed(TapeFileError::WriteFailed, pattern);
    tempPath = name.data();
    return TapeFileError();
}
