#pragma once
#include "machine/core/ModelCapabilities.h"
// Snapshot files (.psn): the CPU and chip states in a header, then the
// monitor ROM (optional) and the RAM banks, each block run-length packed or raw.
// The same record is written as a file of its own or in place inside another
// file at a byte offset (action recordings).
//
// Header layout (little-endian; version 2 is 124 bytes, version 1 the first 56):
//   0 "PSN", 3 version, 4 header length, 6 model index, 7 CPU state (13),
//   20 ROM block length (bit 15: raw, length in bits 0-14; 0: no ROM block),
//   22-29 lengths of banks 0-3, 30 system 8255 control, 31 its port C,
//   32 its port A, 33 general-purpose 8255 record (5), 38 reserved (5),
//   43 timer 8253 (9), 52 tape 8251 (4);
//   version 2: 56 port-6Ch register (FFh none), 57 paging register (FFh none),
//   58-81 lengths of banks 4-15, 82 MIF 85 enable (FFh none), 83 MIF 85
//   registers (32), 115 Musica 8253 (9; byte 115 FFh none).
#include <cstdint>
#include <cstdio>
#include <string>

class ChipCpu8080;
class ChipMemory;
class ChipPIO8255;
class IfMusica;
class IifGPIO;
class IifTape;
class IifTimer;
class SystemPIO;

// What a snapshot stores of a MIF 85 interface.
struct Mif85SnapshotState {
    uint8_t enable = 0;  // 0/1
    uint8_t registers[32] = {};
};

namespace snapshot {
constexpr int HeaderSize = 124;    // version 2; the reader's buffer size
constexpr int HeaderSizeV1 = 56;
constexpr int BankSize = 16384;
constexpr int MaxBanks = 16;
constexpr int MaxRomSize = 16384;

// Header offsets.
constexpr int OffVersion = 3;
constexpr int OffHeaderLength = 4;
constexpr int OffModel = 6;
constexpr int OffCpu = 7;
constexpr int OffRomLength = 20;
constexpr int OffBank0 = 22;        // banks 0-3, two bytes each
constexpr int OffSystemPio = 30;    // control, port C, port A
constexpr int OffGpio = 33;
constexpr int OffReserved = 38;
constexpr int OffTimer = 43;
constexpr int OffTape = 52;
constexpr int OffVideoInterrupt = 56;
constexpr int OffPaging = 57;
constexpr int OffBank4 = 58;        // banks 4-15, two bytes each
constexpr int OffMif85Enable = 82;
constexpr int OffMif85Registers = 83;
constexpr int OffMusica = 115;

constexpr uint16_t RomRawFlag = 0x8000;

// Offset of bank i's stored length in the header.
constexpr int BankLengthOffset(int bank) { return bank < 4 ? OffBank0 + 2 * bank : OffBank4 + 2 * (bank - 4); }
// Bank 2 (8000h-BFFFh) is stored only for Model-2A, Model-3 and Model-C2717.
constexpr bool ModelHasBank2(int model) { return Capabilities(model).allRamSwitch; }
}  // namespace snapshot

// Result codes of the loaders.
enum SnapshotResult : int {
    SnapshotOk = 0,
    SnapshotReadError = 1,   // cannot be opened, positioned or read to the length needed
    SnapshotBadFormat = 3,   // not "PSN", header length outside 56-124, a stored length out of range
    SnapshotBadVersion = 4,  // version 0 or above 2
    SnapshotBadModel = 5,    // model index above 7
    SnapshotBadData = 6,     // a block does not unpack to its size
};

// Writes a snapshot of the machine to path at fileOffset. The memory is the
// CPU's. videoInterrupt: the port-6Ch register or FFh; mif85, musica: null
// when not attached; the reserved 8255 is never stored (its bytes are 0);
// romSize: monitor ROM size in bytes; model: model index 0-7.
// Version 1 when there is no MIF 85, no Musica, videoInterrupt is FFh and the
// memory has no paging register, else version 2 (with 16 banks when paged).
// Offset 0: the file is replaced whole through a temporary file beside it, so
// a failure leaves an existing file as it was. Another offset: the existing
// file is written in place. Returns the bytes written; 0 without a CPU or
// when the file cannot be written completely.
int32_t SaveSnapshot(const std::string& path, int32_t fileOffset, uint8_t packed, uint8_t videoInterrupt,
                     const Mif85SnapshotState* mif85, const IfMusica* musica, IifTape* tape,
                     const IifTimer* timer, const ChipPIO8255* reserved8255, const IifGPIO* gpio,
                     const SystemPIO* system, ChipCpu8080* cpu, int32_t romSize, int32_t model,
                     uint8_t withRom);

// Reads and checks the snapshot at fileOffset of an open file. header: 124
// bytes, cleared and then filled with the header (a version 1 header fills
// the first 56). When the snapshot has a ROM block: its unpacked length goes
// to romLength and its bytes to romDestination (at least 16384 bytes), each
// when given. With a memory, the RAM banks are loaded into it; without one
// they are read and checked all the same. Every block is
// unpacked and checked before anything is written: on failure romLength,
// romDestination and the memory stay as they were. The memory's all-RAM and
// remap flags and paging register are the same afterwards, and the file
// position is put back. Returns a SnapshotResult.
int LoadSnapshotFromHandle(std::FILE* file, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                           uint8_t* romDestination, ChipMemory* memory);
// The same on a file descriptor.
int LoadSnapshotFromHandle(int fd, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                           uint8_t* romDestination, ChipMemory* memory);
// Opens the file by name (1 when it cannot be opened) and reads it as above.
int LoadSnapshot(const std::string& path, int32_t fileOffset, uint8_t* header, int32_t* romLength,
                 uint8_t* romDestination, ChipMemory* memory);
