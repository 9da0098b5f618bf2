#pragma once
#include <cstdint>

// What the CPU needs from an attached action recording: every IN either
// takes its byte from the recording (playback) or hands the byte read
// to it (recording).
class CpuInputRecorder {
public:
    virtual bool IsPlayingBack() const = 0;
    virtual uint8_t ReadByte() = 0;          // next recorded IN byte
    virtual bool IsRecording() const = 0;
    virtual void WriteByte(uint8_t value) = 0; // store one IN byte
protected:
    ~CpuInputRecorder() = default;
};
