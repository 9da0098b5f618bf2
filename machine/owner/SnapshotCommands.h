#pragma once
// Saving the owner's machine into a snapshot and loading one back: the
// configuration is switched to what the snapshot needs, the machine is
// rebuilt, then the chip states and the memory are restored.

#include <cstdint>
#include <functional>
#include <string>

class MachineOwner;

struct SnapshotSaveOptions {
    bool packed = true;
    bool withMonitor = false;
};

// Writes the machine at offset of path (0: the file is replaced whole).
// Bytes written, 0 on failure.
int32_t SaveMachineSnapshot(MachineOwner& owner, const std::string& path, int32_t offset,
                            const SnapshotSaveOptions& options);

struct SnapshotLoadResult {
    int result = 0;          // a SnapshotResult; 0 when loaded
    bool changed = false;    // the machine was rebuilt (always after a load, and after a late failure)
    bool resetDone = false;  // the applier asked for a reset and it was done
    bool Loaded() const { return result == 0; }
};

// Told the model whose configuration the machine is about to be built from
// (the snapshot's, or the previous one again after a failure), so that the
// settings dialog selects it and hands the owner that model's modules.
using SnapshotModelHook = std::function<void(int model)>;

// Loads the snapshot at offset of the file (by name, or an open descriptor).
// A snapshot that cannot be read or is invalid leaves the configuration and
// the machine exactly as they were. The machine must be paused.
SnapshotLoadResult LoadMachineSnapshot(MachineOwner& owner, const std::string& path, int32_t offset,
                                       const SnapshotModelHook& selectModel = {});
SnapshotLoadResult LoadMachineSnapshotFd(MachineOwner& owner, int fd, int32_t offset,
                                         const SnapshotModelHook& selectModel = {});

// True for a recording (extension ".prc" in any case) and for the snapshots
// written for one ("<name>.prc-<n>.psn"); folder names do not count.
bool IsRecordingPath(const std::string& path);
