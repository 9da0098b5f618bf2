#include "common/Rle.h"

#include <cstring>

int RleCompress(std::uint8_t* out, const std::uint8_t* block, int n)
{
    if (!out || !block || n < 1)
        return -1;

    int i = 1;
    while (i < n && block[i] == block[0])
        ++i;
    if (i == n) {
        out[0] = block[0];
        return 1;
    }

    // The packets may use at most n - 1 bytes; beyond that the block is stored raw.
    const int limit = n - 1;
    int o = 0;        // output position
    int litStart = 0; // reserved first byte of the open literal packet
    int lit = 0;      // bytes in the open literal packet
    i = 0;
    while (i < n && o < limit) {
        const std::uint8_t v = block[i];
        if (n - i >= 3 && block[i + 1] == v && block[i + 2] == v) {
            if (lit > 0) {
                out[litStart] = static_cast<std::uint8_t>(0x80 | (lit - 1));
                lit = 0;
            }
            int run = 3;
            while (run < 130 && i + run < n && block[i + run] == v)
                ++run;
            // o <= n - 2 here, so both bytes lie inside out.
            out[o++] = static_cast<std::uint8_t>(run - 3);
            out[o++] = v;
            i += run;
        } else {
            if (lit == 0)
                litStart = o++;
            out[o++] = v;
            ++i;
            if (++lit == 128) {
                out[litStart] = 0xFF;
                lit = 0;
            }
        }
    }
    if (lit > 0)
        out[litStart] = static_cast<std::uint8_t>(0x80 | (lit - 1));

    if (o < n && i == n)
        return o;
    std::memcpy(out, block, static_cast<std::size_t>(n));
    return n;
}

int RleDecompress(std::uint8_t* out, int size, const std::uint8_t* packed, int p)
{
    if (!out || !packed || size <= 0 || p <= 0 || size < p)
        return -1;
    if (p == 1) {
        std::memset(out, packed[0], static_cast<std::size_t>(size));
        return size;
    }
    if (p == size) {
        std::memcpy(out, packed, static_cast<std::size_t>(size));
        return size;
    }

    int o = 0;
    int k = 0;
    while (k < p) {
        const std::uint8_t c = packed[k++];
        if (c & 0x80) {
            const int len = (c & 0x7F) + 1;
            if (len > p - k || len > size - o)
                return -2;
            std::memcpy(out + o, packed + k, static_cast<std::size_t>(len));
            k += len;
            o += len;
        } else {
            const int len = c + 3;
            if (k >= p || len > size - o)
                return -2;
            std::memset(out + o, packed[k++], static_cast<std::size_t>(len));
            o += len;
        }
    }
    return o;
}
