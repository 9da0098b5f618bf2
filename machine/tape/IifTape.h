#pragma once
#include <atomic>
#include <cstdint>
#include "machine/core/CycleHook.h"
#include "machine/core/ModelIndex.h"
#include <deque>
#include <mutex>
#include <vector>
#include "machine/core/Closure.h"
#include "machine/core/PeripheralDevice.h"
#include "machine/core/SoundSink.h"
#include "machine/tape/ChipUSART8251.h"

// Tape event codes sent to the tape browser's handler.
enum TapeEventCode : int {
    TapeEventReset = 1,       // the interface was reset: stop the tape
    TapeEventPartEnd = 2,     // the part being played is finished
    TapeEventMonitor = 4,     // every half-bit at normal speed: 1 = let the tape be heard
    TapeEventHeader = 5,      // a complete 63-byte header part was recorded
    TapeEventRecorded = 6,    // a recorded block is complete (GetCapturedBlock)
};

// The cassette interface: an 8251 on the port bus plus a tape deck.
//
// Models 0 (Model-1) and 5 (Model-Alfa): the tape drives the USART's RxD
// with plain serial levels and the interface clocks TxC and RxC with its
// half-bit clock. Other models: the tape drives DSR phase-encoded (half-bit
// clock XOR data bit), TxC comes from the timer interface (OnTimerOut).
//
// Threads: everything runs on the emulation thread (inside the CPU slice),
// except StartBlock, GetCapturedBlock, GetActivity, GetPlayState and
// GetPlayRemaining, which any thread may call at any time.
// - StartBlock copies the data and queues the request; the emulation
//   thread takes it over at the next half-bit, at GetFastMode (the start of
//   a CPU slice), at the next trap service call and right after an event
//   other than TapeEventMonitor returns. A request
//   made from inside the event handler (TapeEventPartEnd) therefore starts
//   before the interface goes on. A later request replaces one not yet
//   taken over.
// - Each recorded block is copied when it is complete, before
//   TapeEventRecorded is sent; the copies wait in a queue (the oldest is
//   dropped beyond MaxCapturedBlocks) until GetCapturedBlock takes them.
// - Events are sent on the emulation thread; the handler may block it.
class IifTape : public PeripheralDevice {
public:
    // handler(event code) -> byte
    using EventHandler = Closure<uint8_t(int event)>;

    static constexpr int32_t HalfBitCycles = 853;
    static constexpr int SoundChannel = 1;
    static constexpr int32_t MaxBlockLength = 65535;
    // Length word, header part, length word and the largest body a length
    // word can count.
    static constexpr int32_t RecCapacity = 2 + 63 + 2 + MaxBlockLength;
    // A headless record: length word and the most bytes it can count.
    static constexpr int32_t HeadlessLimit = 2 + MaxBlockLength;
    static constexpr int MaxCapturedBlocks = 16;

    explicit IifTape(int model);
    ~IifTape() override;
    IifTape(const IifTape&) = delete;
    IifTape& operator=(const IifTape&) = delete;

    // Ports 1Ch (data) and 1Dh (control/status), F0h and F1h on Model-Alfa
    // and Model-Alfa2; bit 1 of the port is ignored.
    void WritePort(uint8_t port, uint8_t value, int32_t cycles) override;
    uint8_t ReadPort(uint8_t port, int32_t cycles) override;
    // The USART waits for a mode word again; TapeEventReset is sent.
    void Reset(int32_t cycles) override;

    void SetSoundSink(SoundLevelSink sink) { soundSink = sink; }
    void SetEventHandler(EventHandler handler) { eventHandler = handler; }

    // The cycle hook; inline, most instructions end inside a half-bit.
    void Tick(int32_t sliceClock, int32_t cycles) {
        cycleAccumulator += cycles;
        if (cycleAccumulator >= HalfBitCycles) [[unlikely]] HalfBits(sliceClock);
    }
    // Tick as the CPU's cycle hook.
    CycleHook TickHook() { return MakeClosure<&IifTape::Tick>(this); }
    // Cycles until the next half-bit.
    int32_t Quiet() { return cycleAccumulator < HalfBitCycles ? HalfBitCycles - 1 - cycleAccumulator : 0; }
    QuietHook QuietMeasure() { return MakeClosure<&IifTape::Quiet>(this); }
    // The timer interface's output listener: the USART's TxC.
    void OnTimerOut(int counter, int level);

    // Starts playing length bytes of data (copied); null data or length 0
    // stops. first: the first block of a play (longer lead-in); fast: fast
    // loading asked for; headerPart: the data is a 63-byte header part.
    void StartBlock(const uint8_t* data, int32_t length, int first, int fast, int headerPart);

    // 10 while playing, 11 while recording, else 0.
    int GetActivity() const;
    // Takes the oldest recorded block not yet taken (tape-file layout: length
    // word, bytes, and for a header block the body's length word and bytes)
    // into out and returns its byte count; 0 when none waits. Call it until it
    // returns 0 to take every block.
    int32_t GetCapturedBlock(std::vector<uint8_t>& out);

    // Trap services of the CPU slice. The block may be taken in the lead-in
    // on models 0 and 5, and in the fast-loading wait (data-bit state) on the
    // others. GetTrapBlock gives the rest of the block; TakeTrapByte returns
    // 0 with the next byte, 1 when there is none; SkipTrapBytes advances
    // after a GetTrapBlock. Reaching the end finishes the part
    // (TapeEventPartEnd); otherwise the wait starts again.
    bool GetTrapBlock(const uint8_t** data, int32_t* length);
    int TakeTrapByte(uint8_t* value);
    void SkipTrapBytes(int32_t n);
    // Fast loading asked for the block being played. Asked by the CPU slice
    // before it runs; a waiting StartBlock request is taken over first, so
    // the slice that follows it already decides on the new block.
    uint8_t GetFastMode() {
        ApplyPendingRequest();
        return fastMode;
    }

    int32_t GetPlayState() const { return playState.load(std::memory_order_relaxed); }
    int32_t GetPlayRemaining() const { return playRemaining.load(std::memory_order_relaxed); }
    // While on, recorded blocks are neither kept nor announced (no header or
    // recorded-block event), so nothing reaches a tape file (action playback).
    void SetDiscardRecorded(bool on) { discardRecorded.store(on, std::memory_order_relaxed); }
    bool GetDiscardRecorded() const { return discardRecorded.load(std::memory_order_relaxed); }
    int32_t GetRecState() const { return recState.load(std::memory_order_relaxed); }
    int GetModel() const { return model; }
    uint8_t GetPhase() const { return phase; }
    ChipUSART8251& GetUsart() { return usart; }

private:
    // Runs the half-bits that cycleAccumulator has completed.
    void HalfBits(int32_t sliceClock);
    bool PlainWiring() const { return model == kModel1 || model == kModelAlfa; }
    uint8_t SendEvent(int event);
    void ApplyRequest();
    void ApplyPendingRequest() {
        if (requestPending.load(std::memory_order_acquire)) ApplyRequest();
    }
    void EndPart();
    void ResetRecogniser();
    void CloseRecord();
    void WriteWord(int32_t index, int32_t value);
    void OnRtsUpdate();
    void OnTxRdyChange();
    void Recognise();
    bool TrapBlockReady() const;
    void AdvanceTrapped(int32_t n);

    ChipUSART8251 usart;
    int model;
    EventHandler eventHandler;
    SoundLevelSink soundSink;
    int32_t cycleAccumulator = 0;
    uint8_t phase = 1;
    const uint8_t* playData = nullptr;
    std::atomic<int32_t> playRemaining{0};
    uint8_t headerPart = 1;
    uint8_t fastMode = 0;
    std::atomic<int32_t> playState{0};
    int32_t playCounter = 0;
    uint8_t playByte = 0;
    uint8_t playBit = 0;
    std::atomic<int32_t> recState{0};
    int32_t recIndex = 2;
    int32_t recExpected = 0;
    int32_t recCountdown = 0;
    uint8_t inRecogniser = 0;
    std::atomic<bool> discardRecorded{false};
    std::vector<uint8_t> recBuffer;

    // The block being played (owned copy).
    std::vector<uint8_t> playBuffer;

    // A StartBlock request waiting for the emulation thread.
    std::mutex requestMutex;
    std::atomic<bool> requestPending{false};
    std::vector<uint8_t> requestBuffer;
    int32_t requestLength = 0;
    int requestFirst = 0, requestFast = 0, requestHeaderPart = 0;

    // Recorded blocks handed over to the browser.
    mutable std::mutex captureMutex;
    std::deque<std::vector<uint8_t>> captured;
};
