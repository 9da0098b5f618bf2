#include "machine/tape/IifTape.h"
#include <algorithm>
#include <cstring>

namespace {
// Play states.
constexpr int32_t kIdle = 0, kLeadIn = 1, kStartBit = 2, kDataBits = 3, kStopBits = 4, kTrailer = 5,
                  kGap = 6;
constexpr int32_t kFirstLeadIn = 6718;
constexpr int32_t kGapLength = 3598;
constexpr int32_t kBodyLeadIn = 1200;
constexpr int32_t kFastWait = 2400;
constexpr int32_t kByteDeliveryWait = 18766;
constexpr int32_t kTrailerLength = 480;
constexpr int32_t kHeadlessClose = 480;
constexpr int32_t kAfterBlockWait = 4800;
constexpr int32_t kAfterHeadlessWait = 4320;
constexpr int32_t kHeaderPartLength = 63;
}  // namespace

IifTape::IifTape(int model)
    : model(model), recBuffer(RecCapacity, 0), playBuffer(MaxBlockLength, 0), requestBuffer(MaxBlockLength, 0) {
    usart.SetInputHook(ChipUSART8251::HookRts, MakeClosure<&IifTape::OnRtsUpdate>(this));
    usart.SetOutputHook(ChipUSART8251::HookTxRdy, MakeClosure<&IifTape::OnTxRdyChange>(this));
    ResetRecogniser();
    usart.RxClock(1);
    usart.TxClock(1);
    usart.SetDsr(1);
    usart.SetRxD(1);
}

IifTape::~IifTape() = default;

void IifTape::WritePort(uint8_t port, uint8_t value, int32_t cycles) {
    uint8_t base = (model == kModelAlfa || model == kModelAlfa2) ? 0xF0 : 0x1C;
    uint8_t p = port & 0xFD;
    if (p == base)
        usart.Write(1, value);
    else if (p == base + 1)
        usart.Write(0, value);
}

uint8_t IifTape::ReadPort(uint8_t port, int32_t cycles) {
    uint8_t base = (model == kModelAlfa || model == kModelAlfa2) ? 0xF0 : 0x1C;
    uint8_t p = port & 0xFD;
    if (p == base) return usart.Read(1);
    if (p == base + 1) return usart.Read(0);
    return 0xFF;
}

void IifTape::Reset(int32_t cycles) {
    usart.Reset(0);
    SendEvent(TapeEventReset);
}

uint8_t IifTape::SendEvent(int event) {
    if (!eventHandler) return 0;
    uint8_t result = eventHandler(event);
    if (event != TapeEventMonitor) ApplyPendingRequest();
    return result;
}

void IifTape::OnRtsUpdate() { usart.SetCts(usart.GetRts()); }

void IifTape::OnTimerOut(int counter, int level) { usart.TxClock(level); }

// ---------------------------------------------------------------- playing

void IifTape::StartBlock(const uint8_t* data, int32_t length, int first, int fast, int headerPart) {
    std::lock_guard<std::mutex> lock(requestMutex);
    if (!data || length <= 0) {
        requestLength = 0;
    } else {
        requestLength = std::min(length, MaxBlockLength);
        std::memcpy(requestBuffer.data(), data, static_cast<size_t>(requestLength));
    }
    requestFirst = first;
    requestFast = fast;
    requestHeaderPart = headerPart;
    requestPending.store(true, std::memory_order_release);
}

void IifTape::ApplyRequest() {
    std::lock_guard<std::mutex> lock(requestMutex);
    if (!requestPending.load(std::memory_order_relaxed)) return;
    requestPending.store(false, std::memory_order_relaxed);
    playBuffer.swap(requestBuffer);

    playState.store(kIdle, std::memory_order_relaxed);
    playData = requestLength > 0 ? playBuffer.data() : nullptr;
    playRemaining.store(requestLength, std::memory_order_relaxed);
    headerPart = requestHeaderPart ? 1 : 0;
    fastMode = 0;
    if (!playData) return;
    if (headerPart) {
        if (requestFirst) {
            playState.store(kLeadIn, std::memory_order_relaxed);
            playCounter = kFirstLeadIn;
        } else {
            playState.store(kGap, std::memory_order_relaxed);
            playCounter = kGapLength;
        }
    } else {
        playState.store(kLeadIn, std::memory_order_relaxed);
        playCounter = kBodyLeadIn;
        fastMode = requestFast ? 1 : 0;
        if (fastMode && !PlainWiring()) {
            playState.store(kDataBits, std::memory_order_relaxed);
            playCounter = kFastWait;
        }
    }
    playBit = 1;
}

void IifTape::EndPart() {
    playState.store(kIdle, std::memory_order_relaxed);
    playData = nullptr;
    SendEvent(TapeEventPartEnd);
}

void IifTape::HalfBits(int32_t sliceClock) {
    while (cycleAccumulator >= HalfBitCycles) {
        ApplyPendingRequest();
        cycleAccumulator -= HalfBitCycles;
        phase ^= 1;

        int32_t state = playState.load(std::memory_order_relaxed);
        const bool driven = state != kIdle && state != kGap;
        // Plain wiring: the clock edge of this half-bit comes before the new
        // line level, so a start bit that begins on a rising RxC edge is
        // sampled on the next one, in the middle of the bit cells that the
        // sequencer has aligned to the clock.
        if (PlainWiring()) {
            usart.TxClock(phase);
            usart.RxClock(phase);
        }
        if (driven) {
            if (PlainWiring()) {
                if (!fastMode) usart.SetRxD(playBit);
            } else {
                usart.SetDsr(phase ^ playBit);
            }
            if (!fastMode && eventHandler && SendEvent(TapeEventMonitor) == 1 && soundSink)
                soundSink(SoundChannel, phase ^ playBit, sliceClock - cycleAccumulator);
        }

        int32_t rs = recState.load(std::memory_order_relaxed);
        if (rs == 5) {
            if (--recCountdown <= 0) {
                if (recIndex > 2) CloseRecord();
                ResetRecogniser();
            }
            return;
        }
        if (rs == 6) {
            if (--recCountdown <= 0) {
                CloseRecord();
                recState.store(5, std::memory_order_relaxed);
                recIndex = 2;
                recCountdown = kAfterHeadlessWait;
            }
            return;
        }

        if (!playData) return;
        state = playState.load(std::memory_order_relaxed);
        switch (state) {
        case kGap:
            if (--playCounter <= 0) {
                playState.store(kLeadIn, std::memory_order_relaxed);
                playCounter = kFirstLeadIn;
                usart.SetDsr(1);
            }
            break;
        case kLeadIn:
            if (PlainWiring() && fastMode) {
                // Byte delivery: the next byte as soon as the CPU has read
                // the last one, or after a long wait.
                --playCounter;
                if (!usart.GetRxRdy() || playCounter <= 0) {
                    int32_t left = playRemaining.load(std::memory_order_relaxed);
                    if (left > 0) {
                        usart.ReceiveChar(*playData++);
                        playRemaining.store(--left, std::memory_order_relaxed);
                        playCounter = kByteDeliveryWait;
                    }
                    if (left <= 0) EndPart();
                }
                return;
            }
            if (--playCounter <= 0) {
                playState.store(kStartBit, std::memory_order_relaxed);
                playCounter = (PlainWiring() && phase == 0) ? 3 : 2;
                playBit = 0;
            }
            break;
        case kStartBit:
            if (--playCounter <= 0) {
                playState.store(kDataBits, std::memory_order_relaxed);
                playCounter = 16;
                if (!fastMode) {
                    if (playRemaining.load(std::memory_order_relaxed) <= 0) {
                        EndPart();
                        break;
                    }
                    playByte = *playData++;
                    playBit = playByte & 1;
                }
            }
            break;
        case kDataBits:
            if (fastMode && !PlainWiring()) {
                if (--playCounter <= 0) {
                    // The CPU took nothing for the whole wait: play on
                    // normally from the first byte not taken.
                    playState.store(kStartBit, std::memory_order_relaxed);
                    playCounter = 2;
                    playBit = 0;
                    fastMode = 0;
                }
                return;
            }
            if (--playCounter <= 0) {
                playState.store(kStopBits, std::memory_order_relaxed);
                playCounter = 4;
                playBit = 1;
            } else if ((playCounter & 1) == 0) {
                playByte >>= 1;
                playBit = playByte & 1;
            }
            break;
        case kStopBits:
            if (--playCounter <= 0) {
                int32_t left = playRemaining.load(std::memory_order_relaxed) - 1;
                if (left < 0) left = 0;
                playRemaining.store(left, std::memory_order_relaxed);
                if (left > 0) {
                    playState.store(kStartBit, std::memory_order_relaxed);
                    playCounter = 2;
                    playBit = 0;
                } else if (headerPart) {
                    EndPart();
                } else {
                    playState.store(kTrailer, std::memory_order_relaxed);
                    playCounter = kTrailerLength;
                    usart.SetDsr(1);
                }
            }
            break;
        case kTrailer:
            if (--playCounter <= 0) EndPart();
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------- traps

// Models 0 and 5 take the block in the lead-in. The others take it only in
// the trap wait: in normally played data bits the byte being shifted out is
// still counted in playRemaining while playData is already past it.
bool IifTape::TrapBlockReady() const {
    if (!playData) return false;
    int32_t state = playState.load(std::memory_order_relaxed);
    if (PlainWiring()) return state == kLeadIn;
    return state == kDataBits && fastMode;
}

bool IifTape::GetTrapBlock(const uint8_t** data, int32_t* length) {
    ApplyPendingRequest();
    bool ready = TrapBlockReady();
    if (data) *data = ready ? playData : nullptr;
    if (length) *length = ready ? playRemaining.load(std::memory_order_relaxed) : 0;
    return ready;
}

void IifTape::AdvanceTrapped(int32_t n) {
    int32_t left = playRemaining.load(std::memory_order_relaxed);
    n = std::clamp(n, 0, left);
    playData += n;
    left -= n;
    playRemaining.store(left, std::memory_order_relaxed);
    if (left == 0)
        EndPart();
    else
        playCounter = kFastWait;
}

int IifTape::TakeTrapByte(uint8_t* value) {
    ApplyPendingRequest();
    if (!playData || playState.load(std::memory_order_relaxed) != kDataBits || !fastMode ||
        playRemaining.load(std::memory_order_relaxed) <= 0)
        return 1;
    uint8_t b = *playData;
    if (value) *value = b;
    AdvanceTrapped(1);
    return 0;
}

// Follows GetTrapBlock: a request that came in between is taken over only
// afterwards, so the bytes skipped are those of the block the trap read.
void IifTape::SkipTrapBytes(int32_t n) {
    if (TrapBlockReady()) AdvanceTrapped(n);
    ApplyPendingRequest();
}

// ---------------------------------------------------------------- recording

int IifTape::GetActivity() const {
    if (playState.load(std::memory_order_relaxed) != kIdle) return 10;
    if (recState.load(std::memory_order_relaxed) != 0) return 11;
    return 0;
}

int32_t IifTape::GetCapturedBlock(std::vector<uint8_t>& out) {
    std::lock_guard<std::mutex> lock(captureMutex);
    if (captured.empty()) {
        out.clear();
        return 0;
    }
    out = std::move(captured.front());
    captured.pop_front();
    return static_cast<int32_t>(out.size());
}

void IifTape::WriteWord(int32_t index, int32_t value) {
    recBuffer[index] = static_cast<uint8_t>(value);
    recBuffer[index + 1] = static_cast<uint8_t>(value >> 8);
}

void IifTape::ResetRecogniser() {
    recState.store(0, std::memory_order_relaxed);
    recIndex = 2;
    usart.SetCharMode(0);
}

// Hands over recBuffer[0..recIndex) as a recorded block; a header block's
// first length word is already in place, a headless block gets its own.
void IifTape::CloseRecord() {
    if (recState.load(std::memory_order_relaxed) != 4) WriteWord(0, recIndex - 2);
    if (discardRecorded.load(std::memory_order_relaxed)) return;
    {
        std::lock_guard<std::mutex> lock(captureMutex);
        if (static_cast<int>(captured.size()) >= MaxCapturedBlocks) captured.pop_front();
        captured.emplace_back(recBuffer.begin(), recBuffer.begin() + recIndex);
    }
    SendEvent(TapeEventRecorded);
}

void IifTape::OnTxRdyChange() {
    // TakeTxChar below makes TxRDY change again; that call is not a new byte.
    if (inRecogniser) return;
    inRecogniser = 1;
    Recognise();
    inRecogniser = 0;
}

void IifTape::Recognise() {
    if (usart.GetTxRdy()) return;
    if (playState.load(std::memory_order_relaxed) != kIdle) {
        ResetRecogniser();
        return;
    }
    uint8_t b = usart.TakeTxChar();
    int32_t rs = recState.load(std::memory_order_relaxed);
    if (recIndex >= RecCapacity) return;  // cannot happen: blocks close when full
    recBuffer[recIndex] = b;
    switch (rs) {
    case 0:
    case 1:
    case 2: {
        static const uint8_t expected[3] = {0xFF, 0x00, 0x55};
        if (b != expected[rs]) {
            ResetRecogniser();
            break;
        }
        if (++recIndex == 2 + 16 * (rs + 1)) recState.store(rs + 1, std::memory_order_relaxed);
        break;
    }
    case 3:
        if (++recIndex == 2 + kHeaderPartLength) {
            if (!discardRecorded.load(std::memory_order_relaxed)) SendEvent(TapeEventHeader);
            WriteWord(0, kHeaderPartLength);
            int32_t body = (recBuffer[54] | recBuffer[55] << 8) + 2;
            // A body of more bytes than a length word counts is closed when
            // the buffer is full.
            if (body > MaxBlockLength) body = MaxBlockLength;
            WriteWord(recIndex, body);
            recIndex += 2;
            recExpected = recIndex + body;
            recState.store(4, std::memory_order_relaxed);
            usart.SetCharMode(1);
        }
        break;
    case 4:
        if (++recIndex >= recExpected) {
            CloseRecord();
            recState.store(5, std::memory_order_relaxed);
            recIndex = 2;
            recCountdown = kAfterBlockWait;
        }
        break;
    case 5:
        recState.store(6, std::memory_order_relaxed);
        recIndex++;
        recCountdown = kHeadlessClose;
        break;
    case 6:
        recIndex++;
        recCountdown = kHeadlessClose;
        if (recIndex >= HeadlessLimit) {
            // Full: close it as the countdown would.
            CloseRecord();
            recState.store(5, std::memory_order_relaxed);
            recIndex = 2;
            recCountdown = kAfterHeadlessWait;
        }
        break;
    default:
        break;
    }
}
