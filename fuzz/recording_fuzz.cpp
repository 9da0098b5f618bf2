// Action recordings (.prc): any file opens for playback or fails with an
// error code, and plays its actions to the end; opening it to append reads
// the same structure and rolls back to its last snapshot.
#include <vector>

#include "fuzz/FuzzFile.h"
#include "machine/recording/Recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 300000) return 0;
    {
        const std::string path = fuzz::WriteInput("play.prc", data, size);
        Recording r(path, Recording::ModePlayback, nullptr);
        std::vector<uint8_t> screen(Recording::ScreenBytes);
        for (int32_t i = 0; i < r.GetSnapshotCount() && i < 8; ++i) r.GetSnapshotScreen(i, screen.data());
        int32_t offset = 0;
        std::string name;
        r.GetSnapshot(0, offset, name);
        for (int n = 0; n < 300000 && r.IsPlayingBack(); ++n) r.ReadByte();
        r.StopPlayback();
    }
    {
        const std::string path = fuzz::WriteInput("append.prc", data, size);
        Recording r(path, Recording::ModeAppend, nullptr);
        if (r.IsRecording()) {
            r.WriteByte(0x5A);
            r.Flush(0);
            int32_t offset = 0;
            uint8_t removed = 0;
            std::string name;
            r.RollbackToLastSnapshot(offset, removed, name);
            r.Close();
        }
    }
    return 0;
}
