#include "common/TextStream.h"

#include <climits>

namespace {
// Reads one byte; false at the end of the stream. A byte-order mark that opens the file
// is passed over.
bool ReadByte(std::FILE* f, unsigned char& b) {
    int c = std::fgetc(f);
    if (c == EOF) return false;
    if (c == 0xEF && std::ftell(f) == 1) {
        int c2 = std::fgetc(f);
        int c3 = (c2 == EOF) ? EOF : std::fgetc(f);
        if (c2 == 0xBB && c3 == 0xBF) {
            c = std::fgetc(f);
            if (c == EOF) return false;
        } else {
            // Not a mark: go back to just after the first byte.
            std::fseek(f, 1, SEEK_SET);
        }
    }
    b = static_cast<unsigned char>(c);
    return true;
}
}  // namespace

char StreamReadChar(std::FILE* stream) {
    unsigned char b;
    return ReadByte(stream, b) ? static_cast<char>(b) : '\0';
}

void StreamUnreadChar(std::FILE* stream) {
    long pos = std::ftell(stream);
    if (pos > 0) std::fseek(stream, -1, SEEK_CUR);
}

bool StreamSkipBlanks(std::FILE* stream, bool lineEnds, bool blanks, int* lineCounter) {
    for (;;) {
        unsigned char b;
        if (!ReadByte(stream, b)) return true;
        if (blanks && (b == ' ' || b == '\t')) continue;
        if (lineEnds && b == '\n') {
            if (lineCounter) ++*lineCounter;
            continue;
        }
        if (lineEnds && b == '\r') {
            unsigned char next;
            bool got = ReadByte(stream, next);
            if (!got || next != '\n') {
                if (lineCounter) ++*lineCounter;
            }
            if (got) StreamUnreadChar(stream);
            continue;
        }
        if (b == 0) return true;
        StreamUnreadChar(stream);
        return false;
    }
}

bool StreamSkipLine(std::FILE* stream) {
    int lines = 0;
    for (;;) {
        if (StreamSkipBlanks(stream, true, true, &lines)) return true;
        if (lines > 0) return false;
        StreamReadChar(stream);
    }
}

int StreamReadNumber(std::FILE* stream) {
    unsigned char b;
    bool got;
    do {
        got = ReadByte(stream, b);
    } while (got && (b == ' ' || b == '\t'));
    long long value = 0;
    bool any = false;
    while (got && b >= '0' && b <= '9') {
        any = true;
        value = value * 10 + (b - '0');
        if (value > INT_MAX) value = INT_MAX;
        got = ReadByte(stream, b);
    }
    if (got && b != 0) StreamUnreadChar(stream);
    return any ? static_cast<int>(value) : -1;
}

int StreamReadLine(std::FILE* stream, std::string& text) {
    text.clear();
    unsigned char b;
    if (!ReadByte(stream, b) || b == 0) return 1;
    for (;;) {
        if (b == '\n') break;
        if (b == '\r') {
            unsigned char next;
            if (ReadByte(stream, next) && next != '\n') StreamUnreadChar(stream);
            break;
        }
        text += static_cast<char>(b);
        if (!ReadByte(stream, b) || b == 0) break;
    }
    return 0;
}

void StreamWriteText(std::FILE* stream, const std::string& text, bool lfToCrlf, bool finalCrlf) {
    for (char c : text) {
        if (lfToCrlf && c == '\n') std::fputc('\r', stream);
        std::fputc(static_cast<unsigned char>(c), stream);
    }
    if (finalCrlf) {
        std::fputc('\r', stream);
        std::fputc('\n', stream);
    }
}
