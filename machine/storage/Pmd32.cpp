#include "machine/storage/Pmd32.h"

#include "common/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "machine/pio/ChipPIO8255.h"
#include "machine/pio/IifGPIO.h"

namespace {

constexpr uint8_t kSync = 0xAA;
constexpr uint8_t kAccepted = 0x33;  // "3"
constexpr uint8_t kFormatFill = 0xE5;
constexpr int kSectorSize = 128;
constexpr size_t kMaxName = 255;     // one-byte length on the wire
constexpr size_t kPathLimit = 64;    // card paths must stay below this

bool IsExtended(uint8_t c) {
    return c == 'G' || c == 'H' || c == 'K' || c == 'L' || c == 'M' || c == 'N' || c == 'P';
}

bool IsWriting(uint8_t c) { return c == 'F' || c == 'S' || c == 'T' || c == 'W'; }

std::string Slashes(const std::string& path) {
    std::string s = path;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, int64_t offset) {
    while (size > 0) {
        ssize_t w = pwrite(fd, data, size, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        size -= static_cast<size_t>(w);
        offset += w;
    }
    return true;
}

bool ReadAll(int fd, uint8_t* data, size_t size, int64_t offset) {
    while (size > 0) {
        ssize_t r = pread(fd, data, size, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        data += r;
        size -= static_cast<size_t>(r);
        offset += r;
    }
    return true;
}

}  // namespace

Pmd32::Pmd32(IifGPIO& g) : gpio(g) {
    gpio.SetHook(0, 0, IifGPIO::ResetHook(
        [](void* o, int32_t c) { static_cast<Pmd32*>(o)->BeforeGpioReset(c); }, this));
    gpio.SetHook(0, 1, IifGPIO::ResetHook(
        [](void* o, int32_t c) { static_cast<Pmd32*>(o)->AfterGpioReset(c); }, this));
}

Pmd32::~Pmd32() {
    gpio.SetHook(0, 0, IifGPIO::ResetHook());
    gpio.SetHook(0, 1, IifGPIO::ResetHook());
    Pio().SetOnControlWrite(ChipPIO8255::ControlHook());
    Pio().SetOutputHook(ChipPIO8255::kPortCUpper, ChipPIO8255::PortCHook());
    for (int i = 0; i < 4; ++i) Unmount(i);
    search.clear();
    searchOpen = false;
}

ChipPIO8255& Pmd32::Pio() { return gpio.pio; }

void Pmd32::SetRoot(uint8_t extra, const std::string& folder) {
    extraCommands = extra ? 1 : 0;
    // No folder: no card. The extended commands then answer as for a missing
    // card and never reach the host's folders.
    sdRoot = Slashes(folder);
    if (!sdRoot.empty() && sdRoot.back() != '/') sdRoot += '/';
}

int Pmd32::ReadImagesCfg(const std::string& imagePath, ImageGeometry& geometry) const {
    if (!HasCard()) return kPmdCfgMissing;
    return ReadImagesCfgFile(sdRoot + "images.cfg", imagePath, geometry);
}

int Pmd32::MountImage(int index, const std::string& path, uint8_t writeProtect) {
    if (index < 0 || index > 3) return kPmdBadDrive;
    Unmount(index);
    DRIVES& d = drives[index];
    ImageGeometry g;
    if (extraCommands) {
        int r = ReadImagesCfg(path, g);
        if (r != kPmdOk) {
            mountResult[index] = r;
            return r;
        }
    } else {
        g.tracks = 80;
        g.sectors = 36;
        g.heads = 2;
    }
    d.writeProtect = writeProtect ? 1 : 0;
    int fd = OpenRegularFile(path, O_RDWR);
    if (fd < 0) {
        mountResult[index] = kPmdNotFound;
        return kPmdNotFound;
    }
    d.name = Slashes(path);
    d.handle = fd;
    d.tracks = g.tracks;
    d.sectors = g.sectors;
    d.heads = g.heads;
    mountResult[index] = kPmdOk;
    return kPmdOk;
}

void Pmd32::Unmount(int index) {
    if (index < 0 || index > 3) return;
    DRIVES& d = drives[index];
    if (d.handle >= 0) close(d.handle);
    d.handle = -1;
    d.name.clear();
    d.tracks = d.sectors = d.heads = 0;
}

void Pmd32::SetWriteProtect(int index, uint8_t flag) {
    if (index < 0 || index > 3) return;
    drives[index].writeProtect = flag ? 1 : 0;
}

int Pmd32::GetMountResult(int index) const {
    return (index < 0 || index > 3) ? kPmdBadDrive : mountResult[index];
}

bool Pmd32::MountFailureKeepsPath(int result) {
    return result == kPmdOk || result == kPmdCfgMissing || result == kPmdCfgMalformed ||
           result == kPmdCfgNoLine;
}

// --- interface and 8255 hooks ---

void Pmd32::BeforeGpioReset(int32_t) {
    Pio().SetOutputHook(ChipPIO8255::kPortCUpper, ChipPIO8255::PortCHook());
}

void Pmd32::AfterGpioReset(int32_t) {
    Pio().SetOnControlWrite(MakeClosure<&Pmd32::OnControlWord>(this));
    Pio().SetOutputHook(ChipPIO8255::kPortCUpper, MakeClosure<&Pmd32::OnByteFromComputer>(this));
    cycleAccumulator = 0;
    state = 0;
    countdown = kIdleCountdown;
    busy = 0;
    activity = 0;
}

void Pmd32::OnControlWord(uint8_t control) {
    if ((control & 0x60) == 0x40) {
        Pio().SetInputPin(2, 4, 1);
        Pio().SetInputPin(2, 6, 1);
        state = 1;
        countdown = 100;
    } else {
        state = 0;
        countdown = kIdleCountdown;
    }
}

void Pmd32::OnByteFromComputer(uint8_t, uint8_t) {
    uint8_t wasBusy = busy;
    busy = 1;
    ChipPIO8255& pio = Pio();
    if (pio.GetOutputPin(2, 7) == 0) {
        pio.SetInputPin(2, 6, 0);
        uint8_t value = pio.GetPortOutput(0);
        pio.SetInputPin(2, 6, 1);
        Receive(value);
    }
    busy = wasBusy;
}

// --- computer to unit ---

void Pmd32::Receive(uint8_t value) {
    // Parameters and data after the letter count into the checksum.
    if ((state >= 4 && state <= 7) || (state >= 13 && state <= 17) || state >= 19) checksum ^= value;
    switch (state) {
    case 1:
        if (value == kSync) state = 2;
        break;
    case 2:
        letter = value;
        checksum = value;
        if (value == kSync) break;
        if (IsExtended(value) && !extraCommands) {
            state = 1;
            break;
        }
        switch (value) {
        case '*': case '@': case 'B': case 'K': state = 3; break;
        case 'C': case 'J': case 'U': state = 13; break;
        case 'F': case 'Q': case 'R': case 'S': case 'T': case 'W': state = 4; break;
        case 'G': case 'H': case 'I': case 'P': state = 6; break;
        case 'L': state = 19; break;
        case 'M': case 'N': state = 20; break;
        default: state = 1; break;
        }
        break;
    case 3:
        state = (value == checksum) ? 10 : 12;
        break;
    case 4: {
        static const uint8_t kDriveMap[4] = {0, 2, 1, 3};
        drive = kDriveMap[value >> 6];
        sector = value & 0x3F;
        activity = drive + 1 + (IsWriting(letter) ? 4 : 0);
        state = 5;
        break;
    }
    case 5:
        track = value;
        if (letter == 'T' || letter == 'W') {
            transfer = buffer;
            count = kSectorSize;
            state = 7;
        } else if (letter == 'S') {
            transfer = buffer;
            count = 4 * kSectorSize + 1;
            state = 7;
        } else {
            state = 3;
        }
        break;
    case 6:
        drive = value;
        state = (letter == 'H') ? 22 : 3;
        break;
    case 7:
        *transfer++ = value;
        if (--count <= 0) state = 3;
        break;
    case 13:
        address = value << 8;
        state = 14;
        break;
    case 14:
        address |= value;
        state = (letter == 'J') ? 3 : 15;
        break;
    case 15:
        length = value << 8;
        state = 16;
        break;
    case 16:
        length |= value;
        if (letter == 'C') {
            state = 3;
        } else {
            count = length;
            state = (count > 0) ? 17 : 3;
        }
        break;
    case 17:
        if (address >= 0 && address < static_cast<int32_t>(sizeof ram)) ram[address] = value;
        ++address;
        if (--count <= 0) state = 3;
        break;
    case 19:
        listNext = value;
        state = 3;
        break;
    case 20:
        buffer[0] = value;
        if (value == 0 || value == 0xFF) {
            buffer[1] = 0;
            state = 3;
        } else {
            transfer = buffer + 1;
            count = value;
            state = 21;
        }
        break;
    case 21:
        *transfer++ = value;
        if (--count <= 0) {
            *transfer = 0;
            state = 3;
        }
        break;
    case 22:
        mountProtect = value;
        state = 20;
        break;
    default:
        break;  // idle or sending: the byte is dropped
    }
}

// --- unit to computer ---

bool Pmd32::SendByte(uint8_t value) {
    ChipPIO8255& pio = Pio();
    pio.SetPortInput(0, value);
    pio.SetInputPin(2, 4, 0);
    pio.SetInputPin(2, 4, 1);
    return true;
}

void Pmd32::BeginData(int32_t bytes) {
    transfer = buffer;
    count = bytes;
    checksum = 0;
    state = 8;
}

void Pmd32::Tick(int32_t, int32_t cycles) {
    cycleAccumulator += cycles;
    if (cycleAccumulator < kTickCycles) return;
    cycleAccumulator -= kTickCycles;
    if (busy) return;
    if (--countdown > 0) return;
    countdown = 2;

    if (Pio().GetOutputPin(2, 5) == 0) {
        switch (state) {
        case 1:
            SendByte(kSync);
            break;
        case 8: {
            uint8_t b = *transfer++;
            checksum ^= b;
            if (--count <= 0) state = 9;
            SendByte(b);
            break;
        }
        case 9:
            state = 2;
            SendByte(checksum);
            break;
        case 10:
            if (letter == 'F') {
                countdown = 8000;
            } else if (letter >= 'B' && letter <= 'W' && letter != 'D' && letter != 'E' &&
                       letter != 'I' && letter != 'O' && letter != 'V') {
                countdown = 20;
            }
            if (letter == 'C') {
                count = length;
                checksum = kAccepted;
                state = (count > 0) ? 18 : 9;
            } else {
                state = 11;
            }
            SendByte(kAccepted);
            break;
        case 11:
            Execute();
            break;
        case 12:
            state = 2;
            SendByte(kPmdChecksumError);
            break;
        case 18: {
            uint8_t b = (address >= 0 && address < static_cast<int32_t>(sizeof ram)) ? ram[address]
                                                                                     : 0xFF;
            ++address;
            checksum ^= b;
            if (--count <= 0) state = 9;
            SendByte(b);
            break;
        }
        default:
            break;
        }
    }
    if (state == 1 || state == 2) {
        countdown = 100;
        activity = 0;
    }
}

// --- commands ---

void Pmd32::Execute() {
    int result = kPmdOk;
    state = 2;
    switch (letter) {
    case 'B':
        drive = 0;
        track = 0;
        sector = 0;
        activity = 1;
        result = ReadSector();
        break;
    case 'Q':
    case 'R':
        result = ReadSector();
        break;
    case 'F':
        result = FormatTrack();
        break;
    case 'S':
        result = drives[drive & 3].writeProtect ? kPmdWriteProtected
                                                : WriteSectors(sector & 0x3C, 4, buffer);
        break;
    case 'T':
    case 'W':
        result = drives[drive & 3].writeProtect ? kPmdWriteProtected
                                                : WriteSectors(sector, 1, buffer);
        break;
    case 'G':
        result = CmdGetDrive();
        break;
    case 'H':
        result = CmdMount();
        break;
    case 'K':
        CmdCurrentDir();
        result = -1;
        break;
    case 'L':
        CmdList();
        result = -1;
        break;
    case 'M':
        result = CmdChangeDir();
        break;
    case 'N':
        result = CmdNewImage();
        break;
    case 'P':
        result = CmdGeometry();
        break;
    default:  // "*", "@", "I", "J", "U"
        break;
    }
    if (result >= 0) {
        SendByte(static_cast<uint8_t>(result));
    } else {
        // No result byte: the data start at once.
        uint8_t b = *transfer++;
        checksum ^= b;
        if (--count <= 0) state = 9;
        SendByte(b);
    }
}

int Pmd32::SectorOffset(const DRIVES& d, int sectorIndex, int64_t& offset) const {
    if (d.handle < 0) return -1;
    if (d.tracks != 0 && track >= d.tracks) return -1;
    if (sectorIndex < 0 || sectorIndex >= d.sectors) return -1;
    offset = (static_cast<int64_t>(track) * d.sectors + sectorIndex) * kSectorSize;
    return 0;
}

uint8_t Pmd32::ReadSector() {
    const DRIVES& d = drives[drive & 3];
    int64_t offset;
    if (SectorOffset(d, sector, offset) != 0) return kPmdReadFailed;
    if (!ReadAll(d.handle, buffer, kSectorSize, offset)) return kPmdReadFailed;
    BeginData(kSectorSize);
    return kPmdOk;
}

uint8_t Pmd32::WriteSectors(int first, int sectorCount, const uint8_t* data) {
    const DRIVES& d = drives[drive & 3];
    int64_t offset, last;
    // Every sector written must exist, not only the first.
    if (SectorOffset(d, first, offset) != 0) return kPmdWriteFailed;
    if (SectorOffset(d, first + sectorCount - 1, last) != 0) return kPmdWriteFailed;
    if (discardWrites) return kPmdOk;
    if (!WriteAll(d.handle, data, static_cast<size_t>(sectorCount) * kSectorSize, offset))
        return kPmdWriteFailed;
    return kPmdOk;
}

uint8_t Pmd32::FormatTrack() {
    const DRIVES& d = drives[drive & 3];
    if (d.writeProtect) return kPmdWriteProtected;
    if (d.handle < 0 || d.sectors == 0) return kPmdWriteFailed;
    std::memset(buffer, kFormatFill, static_cast<size_t>(d.sectors) * kSectorSize);
    return WriteSectors(0, d.sectors, buffer);
}

std::string Pmd32::ReceivedString() const {
    uint8_t n = buffer[0];
    if (n == 0 || n == 0xFF) return std::string();
    const char* s = reinterpret_cast<const char*>(buffer + 1);
    return std::string(s, strnlen(s, n));
}

bool Pmd32::CardPath(const std::string& name, std::string& relative, uint8_t& error) const {
    std::string raw = currentDir.empty() ? name : currentDir + "/" + name;
    if (raw.size() >= kPathLimit) {
        error = kPmdPathTooLong;
        return false;
    }
    if (!JoinCardPath(currentDir, name, relative) || relative.empty()) {
        error = kPmdNotFound;
        return false;
    }
    return true;
}

void Pmd32::SendName(const std::string& text, int at) {
    size_t n = text.size() > kMaxName ? kMaxName : text.size();
    buffer[at] = static_cast<uint8_t>(n);
    std::memcpy(buffer + at + 1, text.data(), n);
}

uint8_t Pmd32::CmdGetDrive() {
    if (drive > 3) return kPmdBadDrive;
    const DRIVES& d = drives[drive];
    if (d.handle < 0) {
        buffer[0] = 0;
        buffer[1] = 0;
        BeginData(2);
        return kPmdOk;
    }
    std::string name = d.name;
    const std::string prefix = sdRoot + currentDir;
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    buffer[0] = d.writeProtect ? 1 : 0;
    SendName(name, 1);
    BeginData(2 + buffer[1]);
    return kPmdOk;
}

uint8_t Pmd32::CmdMount() {
    if (drive > 3) return kPmdBadDrive;
    if (buffer[0] == 0xFF) {
        drives[drive].writeProtect = mountProtect ? 1 : 0;
        return kPmdOk;
    }
    if (buffer[0] == 0) {
        Unmount(drive);
        return kPmdOk;
    }
    // The unit's order: the path's length, then images.cfg for the name's
    // extension, and only then the image file itself.
    const std::string name = ReceivedString();
    if ((currentDir.empty() ? name.size() : currentDir.size() + 1 + name.size()) >= kPathLimit)
        return kPmdPathTooLong;
    auto fail = [this](uint8_t result) {
        Unmount(drive);
        mountResult[drive] = result;
        return result;
    };
    // Without a card mounting finds no images.cfg.
    if (!HasCard()) return fail(kPmdCfgMissing);
    ImageGeometry g;
    const int cfg = ReadImagesCfg(name, g);
    if (cfg != kPmdOk) return fail(static_cast<uint8_t>(cfg));
    std::string relative, real;
    uint8_t error = kPmdNotFound;
    if (!CardPath(name, relative, error)) return fail(error);
    struct stat st;
    if (!ResolveInsideCard(sdRoot, relative, true, real) || stat(real.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return fail(kPmdNotFound);
    return static_cast<uint8_t>(MountImage(drive, sdRoot + relative, mountProtect ? 1 : 0));
}

void Pmd32::CmdCurrentDir() {
    SendName(currentDir, 0);
    BeginData(1 + buffer[0]);
}

void Pmd32::CmdList() {
    if (listNext == 0) {
        search.clear();
        if (HasCard()) search = ListCardFolder(sdRoot + currentDir, currentDir.empty());
        searchNext = 0;
        searchOpen = true;
    }
    if (searchOpen && searchNext < search.size()) {
        entry = search[searchNext++];
        SendName(entry, 0);
    } else {
        search.clear();
        searchOpen = false;
        entry.clear();
        buffer[0] = 0;
    }
    BeginData(1 + buffer[0]);
}

uint8_t Pmd32::CmdChangeDir() {
    std::string name = ReceivedString();
    if (name.empty()) return kPmdNotFound;
    if (name == ".") return kPmdOk;
    if (name == "..") {
        if (currentDir.empty()) return kPmdNotFound;
        size_t slash = currentDir.rfind('/');
        currentDir = (slash == std::string::npos) ? std::string() : currentDir.substr(0, slash);
        return kPmdOk;
    }
    std::string relative, real;
    if (!HasCard() || !JoinCardPath(currentDir, name, relative)) return kPmdNotFound;
    struct stat st;
    if (!ResolveInsideCard(sdRoot, relative, true, real) || stat(real.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return kPmdNotFound;
    if (relative.size() >= kPathLimit) return kPmdPathTooLong;
    currentDir = relative;
    return kPmdOk;
}

uint8_t Pmd32::CmdNewImage() {
    std::string name = ReceivedString();
    if (name.empty()) return kPmdNotCreated;
    std::string relative, real;
    uint8_t error = kPmdNotFound;
    if (!CardPath(name, relative, error)) return error == kPmdPathTooLong ? error : kPmdNotCreated;
    ImageGeometry g;
    int r = ReadImagesCfg(relative, g);
    if (r != kPmdOk) return static_cast<uint8_t>(r);
    if (!HasCard() || !ResolveInsideCard(sdRoot, relative, false, real)) return kPmdNotCreated;
    struct stat st;
    if (lstat(real.c_str(), &st) == 0) return kPmdNotCreated;  // never replace a file
    int64_t tracks = g.tracks ? g.tracks : 256;
    int64_t size = tracks * g.sectors * kSectorSize;
    if (discardWrites) return kPmdOk;
    return CreateNewImageFile(real, size, kFormatFill) ? kPmdOk : kPmdNotCreated;
}

uint8_t Pmd32::CmdGeometry() {
    if (drive > 3) return kPmdBadDrive;
    const DRIVES& d = drives[drive];
    bool mounted = d.handle >= 0;
    buffer[0] = mounted ? d.tracks : 0;
    buffer[1] = mounted ? d.sectors : 0;
    buffer[2] = mounted ? d.heads : 0;
    BeginData(3);
    return kPmdOk;
}
