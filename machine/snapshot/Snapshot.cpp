#include "machine/snapshot/Snapshot.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/Files.h"
#include "common/Rle.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/sndif/IfMusica.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

using namespace snapshot;

namespace {

constexpr int PitRecordSize = 9;

void PutWord(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t GetWord(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The memory's mapping flags, put back when the object goes.
class MappingGuard {
public:
    explicit MappingGuard(ChipMemory& m)
        : memory(m),
          boot(m.GetBootFlag()),
          allRam(m.GetAllRamFlag()),
          remap(m.GetRemapFlag()),
          paging(m.GetPagingFlag() != 0),
          pagingRegister(paging ? m.GetPagingRegister() : 0) {}
    ~MappingGuard() {
        if (boot && !memory.GetBootFlag()) memory.Reset();  // back into the boot mapping
        memory.SetAllRamFlag(allRam);
        memory.SetRemapFlag(remap);
        if (paging) memory.SetPagingRegister(pagingRegister);
    }
    MappingGuard(const MappingGuard&) = delete;
    MappingGuard& operator=(const MappingGuard&) = delete;

    // The boot mapping hides RAM bank 0 behind the ROM: the normal mapping
    // while the blocks are copied, the boot mapping again afterwards.
    void LeaveBootMapping() { memory.EndBootMapping(); }

    // Shows bank i at (i AND 3) * 4000h and returns that address.
    int32_t MapBank(int bank) {
        if (paging) memory.SetPagingRegister(static_cast<uint8_t>(bank + 16 * (bank & 3)));
        return (bank & 3) * 0x4000;
    }

private:
    ChipMemory& memory;
    uint8_t boot;
    uint8_t allRam;
    uint8_t remap;
    bool paging;
    uint8_t pagingRegister;
};

// Appends one block, packed or raw, and returns its stored length. A stored
// length of n reads back as raw, and a length of 1 as a whole 16 KB bank of
// one byte, so a packed result of those lengths is stored raw instead.
int AppendBlock(std::vector<uint8_t>& out, const uint8_t* block, int n, bool packed) {
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    int stored = n;
    if (packed) {
        stored = RleCompress(out.data() + at, block, n);
        if (stored < 1 || stored >= n || (stored == 1 && n != BankSize)) {
            std::memcpy(out.data() + at, block, static_cast<size_t>(n));
            stored = n;
        }
    } else {
        std::memcpy(out.data() + at, block, static_cast<size_t>(n));
    }
    out.resize(at + static_cast<size_t>(stored));
    return stored;
}

bool WriteInPlace(const std::string& path, int32_t offset, const std::vector<uint8_t>& data) {
    int fd = OpenRegularFile(path, O_WRONLY);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    return ok;
}

// Readers for the loader: an stdio stream or a file descriptor.
struct StreamReader {
    std::FILE* f;
    bool Tell(int64_t& pos) {
        off_t p = ::ftello(f);
        if (p < 0) return false;
        pos = p;
        return true;
    }
    bool Seek(int64_t pos) { return ::fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0; }
    bool Read(uint8_t* buffer, size_t n) { return n == 0 || std::fread(buffer, 1, n, f) == n; }
};

struct FdReader {
    int fd;
    bool Tell(int64_t& pos) {
        off_t p = ::lseek(fd, 0, SEEK_CUR);
        if (p < 0) return false;
        pos = p;
        return true;
    }
    bool Seek(int64_t pos) { return ::lseek(fd, static_cast<off_t>(pos), SEEK_SET) == static_cast<off_t>(pos); }
    bool Read(uint8_t* buffer, size_t n) {
        size_t done = 0;
        while (done < n) {
            ssize_t r = ::read(fd, buffer + done, n - done);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            done += static_cast<size_t>(r);
        }
        return true;
    }
};

template <class Reader>
int ReadBody(Reader& r, int32_t fileOffset, uint8_t* header, int32_t* romLength, uint8_t* romDestination,
             ChipMemory* memory) {
    if (fileOffset < 0 || !r.Seek(fileOffset) || !r.Read(header, 7)) return SnapshotReadError;
    if (std::memcmp(header, "PSN", 3) != 0) return SnapshotBadFormat;
    const int version = header[OffVersion];
    if (version == 0 || version > 2) return SnapshotBadVersion;
    const int headerLength = GetWord(header + OffHeaderLength);
    if (headerLength < HeaderSizeV1 || headerLength > HeaderSize) return SnapshotBadFormat;
    const int model = header[OffModel];
    if (!IsModelIndex(model)) return SnapshotBadModel;

    if (!r.Seek(fileOffset) || !r.Read(header, static_cast<size_t>(headerLength))) return SnapshotReadError;

    const uint16_t romField = GetWord(header + OffRomLength);
    const int romStored = romField & 0x7FFF;
    if (romStored > MaxRomSize) return SnapshotBadFormat;
    for (int i = 0; i < MaxBanks; i++)
        if (GetWord(header + BankLengthOffset(i)) > BankSize) return SnapshotBadFormat;

    // Without a memory the banks are still read and checked, as many as the
    // snapshot's own machine had.
    const bool paged = memory ? memory->GetPagingFlag() != 0 : header[OffPaging] != 0xFF;
    const int bankCount = (version == 2 && paged) ? MaxBanks : 4;

    std::vector<uint8_t> packed(BankSize);
    std::vector<uint8_t> rom;
    int romUnpacked = 0;
    if (romField != 0) {
        if (!r.Read(packed.data(), static_cast<size_t>(romStored))) return SnapshotReadError;
        rom.assign(MaxRomSize, 0);
        if (romField & RomRawFlag) {
            if (romStored == 0) return SnapshotBadData;
            std::memcpy(rom.data(), packed.data(), static_cast<size_t>(romStored));
            romUnpacked = romStored;
        } else {
            romUnpacked = RleDecompress(rom.data(), MaxRomSize, packed.data(), romStored);
            if (romUnpacked < 0) return SnapshotBadData;
        }
    }

    // Every bank is unpacked before any of them is written.
    std::vector<uint8_t> banks;
    bool present[MaxBanks] = {};
    {
        banks.assign(static_cast<size_t>(bankCount) * BankSize, 0);
        for (int i = 0; i < bankCount; i++) {
            if (i == 2 && !ModelHasBank2(model)) continue;
            const int stored = GetWord(header + BankLengthOffset(i));
            if (stored == 0) continue;
            if (!r.Read(packed.data(), static_cast<size_t>(stored))) return SnapshotReadError;
            if (RleDecompress(banks.data() + static_cast<size_t>(i) * BankSize, BankSize, packed.data(), stored) !=
                BankSize)
                return SnapshotBadData;
            present[i] = true;
        }
    }

    if (romField != 0) {
        if (romLength) *romLength = romUnpacked;
        if (romDestination && romUnpacked > 0) std::memcpy(romDestination, rom.data(), static_cast<size_t>(romUnpacked));
    }
    if (memory) {
        MappingGuard guard(*memory);
        guard.LeaveBootMapping();
        memory->SetAllRamFlag(1);
        memory->SetRemapFlag(0);
        for (int i = 0; i < bankCount; i++) {
            if (!present[i]) continue;
            int32_t address = guard.MapBank(i);
            memory->WriteBlock(address, banks.data() + static_cast<size_t>(i) * BankSize, BankSize);
        }
    }
    return SnapshotOk;
}

template <class Reader>
int LoadWith(Reader& r, int32_t fileOffset, uint8_t* header, int32_t* romLength, uint8_t* romDestination,
             ChipMemory* memory) {
    uint8_t local[HeaderSize];
    if (!header) header = local;
    std::memset(header, 0, HeaderSize);
    int64_t position = 0;
    if (!r.Tell(position)) return SnapshotReadError;
    int result = ReadBody(r, fileOffset, header, romLength, romDestination, memory);
    r.Seek(position);
    return result;
}

}  // namespace

int32_t SaveSnapshot(const std::string& path, int32_t fileOffset, uint8_t packed, uint8_t videoInterrupt,
                     const Mif85SnapshotState* mif85, const IfMusica* musica, IifTape* tape,
                     const IifTimer* timer, const ChipPIO8255* /*reserved8255*/, const IifGPIO* gpio,
                     const SystemPIO* system, ChipCpu8080* cpu, int32_t romSize, int32_t model,
                     uint8_t withRom) {
    if (!cpu || fileOffset < 0) return 0;
    ChipMemory& memory = cpu->GetMemory();
    const bool paging = memory.GetPagingFlag() != 0;
    const int version = (!mif85 && !musica && videoInterrupt == 0xFF && !paging) ? 1 : 2;
    const int headerLength = version == 2 ? HeaderSize : HeaderSizeV1;
    const int bankCount = (version == 2 && paging) ? MaxBanks : 4;

    uint8_t h[HeaderSize] = {};
    std::memcpy(h, "PSN", 3);
    h[OffVersion] = static_cast<uint8_t>(version);
    PutWord(h + OffHeaderLength, static_cast<uint16_t>(headerLength));
    h[OffModel] = static_cast<uint8_t>(model);
    cpu->GetState(h + OffCpu);
    if (system) {
        system->pio.GetState(h + OffSystemPio);
        h[OffSystemPio + 2] = h[OffSystemPio + 3];  // port A over port B
    }
    if (gpio) gpio->pio.GetState(h + OffGpio);  // the header starts all zero
    if (timer) timer->GetPit().GetState(h + OffTimer, PitRecordSize);
    if (tape) tape->GetUsart().GetState(h + OffTape);
    if (version == 2) {
        h[OffVideoInterrupt] = videoInterrupt;
        h[OffPaging] = paging ? memory.GetPagingRegister() : 0xFF;
        if (mif85) {
            h[OffMif85Enable] = mif85->enable ? 1 : 0;
            std::memcpy(h + OffMif85Registers, mif85->registers, sizeof mif85->registers);
        } else {
            h[OffMif85Enable] = 0xFF;
        }
        if (musica)
            musica->GetPit().GetState(h + OffMusica, PitRecordSize);
        else
            h[OffMusica] = 0xFF;
    }

    std::vector<uint8_t> blocks;
    blocks.reserve(static_cast<size_t>(MaxRomSize) + static_cast<size_t>(bankCount) * BankSize);
    std::vector<uint8_t> block(BankSize);
    {
        MappingGuard guard(memory);
        memory.SetAllRamFlag(0);
        memory.SetRemapFlag(0);
        if (withRom && romSize > 0) {
            const int32_t base = model == kModel3 ? 0xE000 : 0x8000;
            const int n = std::min({romSize, static_cast<int32_t>(MaxRomSize), 0x10000 - base});
            memory.ReadBlock(base, block.data(), n);
            int stored = AppendBlock(blocks, block.data(), n, packed != 0);
            PutWord(h + OffRomLength, static_cast<uint16_t>(stored | (stored == n ? RomRawFlag : 0)));
        }
        guard.LeaveBootMapping();
        memory.SetAllRamFlag(1);
        for (int i = 0; i < bankCount; i++) {
            if (i == 2 && !ModelHasBank2(model)) continue;
            int32_t address = guard.MapBank(i);
            memory.ReadBlock(address, block.data(), BankSize);
            int stored = AppendBlock(blocks, block.data(), BankSize, packed != 0);
            PutWord(h + BankLengthOffset(i), static_cast<uint16_t>(stored));
        }
    }

    std::vector<uint8_t> file(h, h + headerLength);
    file.insert(file.end(), blocks.begin(), blocks.end());
    const bool ok = fileOffset == 0 ? ReplaceFileContents(path, file.data(), file.size())
                                    : WriteInPlace(path, fileOffset, file);
    return ok ? static_cast<int32_t>(file.size()) : 0;
}

int LoadSnapshotFromHandle(std::FILE* file, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                           uint8_t* romDestination, ChipMemory* memory) {
    if (!file) {
        if (header) std::memset(header, 0, HeaderSize);
        return SnapshotReadError;
    }
    StreamReader r{file};
    return LoadWith(r, fileOffset, header, romLength, romDestination, memory);
}

int LoadSnapshotFromHandle(int fd, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                           uint8_t* romDestination, ChipMemory* memory) {
    if (fd < 0) {
        if (header) std::memset(header, 0, HeaderSize);
        return SnapshotReadError;
    }
    FdReader r{fd};
    return LoadWith(r, fileOffset, header, romLength, romDestination, memory);
}

int LoadSnapshot(const std::string& path, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                 uint8_t* romDestination, ChipMemory* memory) {
    int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        if (header) std::memset(header, 0, HeaderSize);
        return SnapshotReadError;
    }
    int result = LoadSnapshotFromHandle(fd, fileOffset, header, romLength, romDestination, memory);
    ::close(fd);
    return result;
}
