#include "machine/storage/RaomModule.h"

#include "common/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

RaomModule::RaomModule(int32_t v)
    : pio(0),
      version(v == 1 ? 1 : 0),
      romSize(version == 1 ? 262144 : 65536),
      window(kWindowSize, 0),
      ramSize(version == 1 ? 262144 : 196608) {
    rom.assign(static_cast<size_t>(romSize), 0xFF);
    // The chip must not start in an undefined state.
    pio.Reset(0);
}

RaomModule::~RaomModule() { CloseFile(); }

int32_t RaomModule::GetAddress() {
    const int32_t a = pio.GetPortOutput(0);
    const int32_t b = pio.GetPortOutput(1);
    const int32_t c = pio.GetPortOutput(2);
    if (version == 0) {
        address = a | b << 8 | c << 16;
        if ((controlCopy & 0x70) == 0x10) address >>= 8;
    } else {
        address = b | c << 8;
        if ((controlCopy & 0x70) == 0) address += a << 16;
    }
    return address;
}

void RaomModule::WritePort(uint8_t port, uint8_t value, int32_t) {
    switch (port) {
    case 0x88: case 0xE8: DataWrite(value); break;
    case 0x98: case 0xF8: pio.Write(0, value); break;
    case 0x99: case 0xF9: pio.Write(1, value); break;
    case 0x9A: case 0xFA: pio.Write(2, value); break;
    case 0x9B: case 0xFB:
        controlCopy = value;
        pio.Write(3, value);
        break;
    default: break;
    }
}

uint8_t RaomModule::ReadPort(uint8_t port, int32_t cycles) {
    switch (port) {
    case 0x88: case 0xE8: return DataRead();
    case 0x98: return pio.Read(0, cycles);
    case 0xF8: {
        int32_t at = GetAddress();
        return (at >= 0 && at < romSize) ? rom[static_cast<size_t>(at)] : 0xFF;
    }
    case 0x99: case 0xF9: return pio.Read(1, cycles);
    case 0x9A: case 0xFA: return pio.Read(2, cycles);
    case 0x9B: case 0xFB: return pio.Read(3, cycles);
    default: return 0xFF;
    }
}

void RaomModule::Reset(int32_t) { pio.Reset(0); }

bool RaomModule::LoadRomPages(int slot, int count, const uint8_t* data) {
    const int pages = romSize / 1024;
    if (slot < 0 || slot >= pages || count <= 0 || slot + count > pages || !data) return false;
    std::memcpy(rom.data() + static_cast<size_t>(slot) * 1024, data, static_cast<size_t>(count) * 1024);
    return true;
}

void RaomModule::ClearRom() { std::memset(rom.data(), 0xFF, rom.size()); }

void RaomModule::LoadPackage(const RomFileList& files) {
    ClearRom();
    LoadRomFileList(files, romSize / 1024,
                    RomPageLoader([](void* o, int slot, int count, const uint8_t* data) {
                        return static_cast<RaomModule*>(o)->LoadRomPages(slot, count, data);
                    }, this));
}

bool RaomModule::OpenFile(const std::string& path) {
    CloseFile();
    int fd = OpenRegularFile(path, O_RDWR);
    if (fd < 0) return false;
    image = fd;
    windowBase = 0;
    dirty = 0;
    LoadWindow();
    return true;
}

void RaomModule::CloseFile() {
    if (image < 0) return;
    WriteBack();
    close(image);
    image = -1;
    dirty = 0;
}

int32_t RaomModule::RamOffset(bool& inRom) {
    inRom = false;
    int32_t at = GetAddress();
    int32_t offset = at;
    if (version == 0) {
        if (at < 0x10000) {
            inRom = true;
            return -1;
        }
        offset = at - 0x10000;
    }
    if (offset < 0 || offset >= ramSize || image < 0) return -1;
    return offset;
}

uint8_t RaomModule::DataRead() {
    bool inRom;
    int32_t offset = RamOffset(inRom);
    if (inRom) return rom[static_cast<size_t>(address)];
    if (offset < 0) return 0xFF;
    MoveWindow(offset);
    return window[static_cast<size_t>(offset & (kWindowSize - 1))];
}

void RaomModule::DataWrite(uint8_t value) {
    bool inRom;
    int32_t offset = RamOffset(inRom);
    if (offset < 0) return;
    MoveWindow(offset);
    window[static_cast<size_t>(offset & (kWindowSize - 1))] = value;
    dirty = 1;
}

void RaomModule::MoveWindow(int32_t offset) {
    if (offset >= windowBase && offset < windowBase + kWindowSize) return;
    WriteBack();
    windowBase = offset & ~(kWindowSize - 1);
    LoadWindow();
}

void RaomModule::LoadWindow() {
    if (image < 0) return;
    // What is in the window now matches the file (or shows why it does not);
    // it must not be written back unless changed again.
    dirty = 0;
    if (lseek(image, windowBase, SEEK_SET) != windowBase) {
        std::memset(window.data(), 0xAA, window.size());
        return;
    }
    size_t got = 0;
    while (got < window.size()) {
        ssize_t r = read(image, window.data() + got, window.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            std::memset(window.data(), 0xCC, window.size());
            return;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    if (got < window.size()) std::memset(window.data() + got, 0x55, window.size() - got);
}

void RaomModule::SetDiscardWrites(bool on) {
    if (on == discardWrites) return;
    if (on) {
        WriteBack();
        discardWrites = true;
    } else {
        discardWrites = false;
        LoadWindow();
    }
}

void RaomModule::WriteBack() {
    if (image < 0 || !dirty) return;
    if (discardWrites) {
        dirty = 0;
        return;
    }
    if (lseek(image, windowBase, SEEK_SET) != windowBase) return;
    size_t done = 0;
    while (done < window.size()) {
        ssize_t w = write(image, window.data() + done, window.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        done += static_cast<size_t>(w);
    }
    dirty = 0;
}
