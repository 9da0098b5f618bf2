#include "tools/tape/TapeDeck.h"

#include <algorithm>

#include "common/Files.h"
#include "machine/core/Closure.h"
#include "machine/core/RequestWords.h"
#include "machine/tape/IifTape.h"

TapeDeck::TapeDeck() = default;

TapeDeck::~TapeDeck() {
    if (tape) tape->SetEventHandler(IifTape::EventHandler());
}

void TapeDeck::SetTapeDevice(IifTape* device) {
    std::lock_guard<std::mutex> lock(mutex);
    tape = device;
    playing.store(false);
    playingHeaderPart = false;
    if (tape) tape->SetEventHandler(MakeClosure<&TapeDeck::TapeEvent>(this));
    Changed();
}

// ---- tape and list -------------------------------------------------------

void TapeDeck::SetTapeFileName(const std::string& absolutePath) {
    tapePath = absolutePath;
    if (GetFileSizeByName(tapePath) >= 0) ReloadTape();
}

void TapeDeck::ReloadTape() {
    TapeReadResult r;
    if (!tapePath.empty()) r = ReadTapeFile(tapePath);
    {
        std::lock_guard<std::mutex> lock(mutex);
        list = std::move(r.blocks);
        tapeIsPmd = r.pmd;
        FillList();
    }
    modified = false;
}

TapeFileError TapeDeck::InsertTape(const std::string& path) {
    TapeReadResult r = ReadTapeFile(path);
    const TapeFileError problem = TapeReadProblem(path, r);
    // A file that holds no tape leaves the tape in the deck as it was.
    if (problem.code == TapeFileError::FileUnreadable || problem.code == TapeFileError::NoTape) return problem;
    Stop();
    tapePath = path;
    {
        std::lock_guard<std::mutex> lock(mutex);
        list = std::move(r.blocks);
        tapeIsPmd = r.pmd;
        FillList();
    }
    modified = false;
    return problem;
}

void TapeDeck::NewTape() {
    modified = false;
    tapePath.clear();
    std::lock_guard<std::mutex> lock(mutex);
    list.clear();
    tapeIsPmd = false;
    FillList();
}

TapeBlockList TapeDeck::Blocks() const {
    std::lock_guard<std::mutex> lock(mutex);
    return list;
}

size_t TapeDeck::BlockCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return list.size();
}

int TapeDeck::CurrentIndex() const {
    std::lock_guard<std::mutex> lock(mutex);
    return currentIndex;
}

void TapeDeck::SelectCurrentBlock(int index) {
    std::lock_guard<std::mutex> lock(mutex);
    currentIndex = (index < 0 || index >= static_cast<int>(list.size())) ? -1 : index;
    Changed();
}

// Every list change makes the first block current (none when empty).
void TapeDeck::FillList() {
    currentIndex = list.empty() ? -1 : 0;
    Changed();
}

// ---- edit mode -----------------------------------------------------------

bool TapeDeck::EditTapeClick(bool fromButton, bool closing) {
    bool answered = false;
    if (fromButton && editMode && modified) {
        const TapeDeckUi::Answer a = ui ? ui->AskSaveChanges() : TapeDeckUi::Cancel;
        if (a == TapeDeckUi::Cancel) return false;
        if (a == TapeDeckUi::Yes) {
            std::string path = tapePath;
            if (owner) owner->TapeBrowserTag.store(TapeRequest::Busy);
            const bool chosen = ui && ui->AskSaveTapeFile(path);
            if (owner) owner->TapeBrowserTag.store(TapeRequest::Idle);
            if (!chosen) return false;
            const TapeFileError e = WriteTapeFile(path, Blocks(), TapeLayout::Ptp);
            if (e) {
                // Not saved: the edits stay and so does edit mode.
                if (ui) ui->ShowFileError(e);
                return false;
            }
            tapePath = path;
        }
        answered = true;
    } else {
        if (!editMode)
            savedPath = tapePath;
        else if (!modified)
            tapePath = savedPath;
    }
    bool toggled = false;
    if (fromButton && (!closing || answered)) {
        editMode = !editMode;
        toggled = true;
    }
    ReloadTape();
    return toggled;
}

bool TapeDeck::LeaveEditModeForClose() {
    if (!editMode) return true;
    EditTapeClick(true, true);
    return !editMode;
}

void TapeDeck::DeleteBlocks(const std::vector<int>& rows) {
    if (rows.empty()) return;
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        if (*it >= 0 && *it < static_cast<int>(list.size())) list.erase(list.begin() + *it);
    FillList();
    modified = true;
}

bool TapeDeck::CanMove(const std::vector<int>& rows, bool down) const {
    if (rows.empty()) return false;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i] != rows[i - 1] + 1) return false;
    std::lock_guard<std::mutex> lock(mutex);
    return down ? rows.back() + 1 < static_cast<int>(list.size()) : rows.front() > 0;
}

std::vector<int> TapeDeck::MoveBlocks(const std::vector<int>& rows, bool down) {
    if (!CanMove(rows, down)) return rows;
    std::lock_guard<std::mutex> lock(mutex);
    const int a = rows.front(), b = rows.back();
    if (down)
        std::rotate(list.begin() + a, list.begin() + b + 1, list.begin() + b + 2);
    else
        std::rotate(list.begin() + a - 1, list.begin() + a, list.begin() + b + 1);
    FillList();
    modified = true;
    std::vector<int> moved;
    for (int r : rows) moved.push_back(down ? r + 1 : r - 1);
    return moved;
}

bool TapeDeck::AddTape(const std::string& path) {
    TapeReadResult r = ReadTapeFile(path);
    if (r.blocks.empty()) return false;
    std::lock_guard<std::mutex> lock(mutex);
    for (TapeBlock& b : r.blocks) list.push_back(std::move(b));
    FillList();
    modified = true;
    return true;
}

void TapeDeck::AddBlock(TapeBlock block) {
    std::lock_guard<std::mutex> lock(mutex);
    list.push_back(std::move(block));
    FillList();
    modified = true;
}

void TapeDeck::EditHeader(int row, const TapeHeaderFields& fields) {
    std::lock_guard<std::mutex> lock(mutex);
    if (row < 0 || row >= static_cast<int>(list.size()) || !list[row].IsHeader()) return;
    TapeBlock& b = list[row];
    b.ApplyFields(fields);
    if (b.type == 0) b.type = '?';
    b.RecomputeHeadSum();
    b.headSumBad = false;
    modified = true;
    Changed();
}

void TapeDeck::RepairBlock(int row) {
    std::lock_guard<std::mutex> lock(mutex);
    if (row < 0 || row >= static_cast<int>(list.size())) return;
    RepairBlockSum(list[row]);
    modified = true;
    Changed();
}

bool TapeDeck::ToHeadless(int row) {
    std::lock_guard<std::mutex> lock(mutex);
    if (row < 0 || row >= static_cast<int>(list.size())) return false;
    if (!BlockToHeadless(list[row])) return false;
    FillList();
    modified = true;
    return true;
}

TapeFileError TapeDeck::ToHeader(int row, const TapeHeaderFields& fields) {
    std::lock_guard<std::mutex> lock(mutex);
    if (row < 0 || row >= static_cast<int>(list.size())) return {};
    TapeBlock b = list[row];
    if (TapeFileError e = BlockToHeader(b, fields)) return e;
    list[row] = std::move(b);
    FillList();
    modified = true;
    return {};
}

TapeFileError TapeDeck::SaveTape(const std::string& path) {
    if (TapeFileError e = WriteTapeFile(path, Blocks(), TapeLayout::Ptp)) return e;
    tapePath = path;
    savedPath = path;
    EditTapeClick(false);
    modified = false;
    return {};
}

TapeFileError TapeDeck::SaveSelection(const std::vector<int>& rows, TapeLayout layout,
                                      const std::string& path) const {
    TapeBlockList copies;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (int r : rows)
            if (r >= 0 && r < static_cast<int>(list.size())) copies.push_back(list[r]);
    }
    return WriteTapeFile(path, copies, layout);
}

bool TapeDeck::CanSaveAsPmd(const std::vector<int>& rows) const {
    std::lock_guard<std::mutex> lock(mutex);
    if (rows.empty() || rows.front() < 0 || rows.front() >= static_cast<int>(list.size())) return false;
    if (!list[rows.front()].IsHeader()) return false;
    bool headless = false;
    for (int r : rows) {
        if (r < 0 || r >= static_cast<int>(list.size())) return false;
        if (list[r].IsHeader() && headless) return false;
        if (!list[r].IsHeader()) headless = true;
    }
    return true;
}

// ---- playing -------------------------------------------------------------

bool TapeDeck::CanPlay() const {
    std::lock_guard<std::mutex> lock(mutex);
    return !editMode && !list.empty() && tape != nullptr;
}

void TapeDeck::SetFastLoading(bool on) {
    if (!playing.load()) fastLoading.store(on);
}

// Reads the header part, or the body (headless data), of the current block.
// The header part is made from the block's fields, so that an edited header
// plays as it would be written; the body as the writer would write it.
bool TapeDeck::LoadBlockForPlay(bool headerPart, std::vector<uint8_t>& data, bool& isHeaderPart) {
    if (currentIndex < 0 || currentIndex >= static_cast<int>(list.size())) return false;
    const TapeBlock& b = list[currentIndex];
    isHeaderPart = headerPart && b.IsHeader();
    if (isHeaderPart) {
        data.assign(16, 0xFF);
        data.insert(data.end(), 16, 0x00);
        data.insert(data.end(), 16, 0x55);
        const auto h = b.HeaderBytes();
        data.insert(data.end(), h.begin(), h.end());
        return true;
    }
    if (ReadBlockBody(b, data)) return false;
    if (data.size() > static_cast<size_t>(IifTape::MaxBlockLength)) data.resize(IifTape::MaxBlockLength);
    return !data.empty();
}

bool TapeDeck::Play() {
    if (!CanPlay()) return false;
    std::unique_lock<std::mutex> lock(mutex);
    if (currentIndex < 0) currentIndex = 0;
    bool header = false;
    if (!LoadBlockForPlay(true, playBuffer, header)) {
        TapeFileError e;
        e.code = TapeFileError::FileUnreadable;
        e.path = list[currentIndex].source;
        StopLocked();
        lock.unlock();
        if (ui) ui->ShowFileError(e);
        return false;
    }
    playingHeaderPart = header;
    const int fast = fastLoading.load() ? 1 : 0;
    tape->StartBlock(playBuffer.data(), static_cast<int32_t>(playBuffer.size()), 1, fast, header ? 1 : 0);
    playSize.store(static_cast<int>(playBuffer.size()));
    progressPos.store(0);
    progressMax.store(static_cast<int>(playBuffer.size()));
    playing.store(true);
    Changed();
    return true;
}

void TapeDeck::Stop() {
    std::lock_guard<std::mutex> lock(mutex);
    StopLocked();
}

void TapeDeck::StopLocked() {
    playing.store(false);
    if (tape) tape->StartBlock(nullptr, 0, 0, 0, 0);
    playingHeaderPart = false;
    progressPos.store(0);
    Changed();
}

// A part has ended (emulation thread): the body after its header part, or
// the next block unless an auto-stop rule stops the deck first.
void TapeDeck::NextBlock() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!playing.load() || !tape || list.empty()) return;
    bool header = false;
    const bool bodyNext = playingHeaderPart && currentIndex >= 0 && currentIndex < static_cast<int>(list.size()) &&
                          list[currentIndex].IsHeader();
    if (!bodyNext) {
        int next = currentIndex + 1;
        if (next >= static_cast<int>(list.size())) next = 0;
        currentIndex = next;
        Changed();
        const int mode = autoStop.load();
        if (next == 0 || (mode == StopAtCursor && next == cursorRow.load()) ||
            (mode == StopAtNextHeader && list[next].IsHeader())) {
            StopLocked();
            return;
        }
    }
    if (!LoadBlockForPlay(!bodyNext, playBuffer, header)) {
        TapeFileError e;
        e.code = TapeFileError::FileUnreadable;
        e.path = list[currentIndex].source;
        {
            std::lock_guard<std::mutex> errors(errorMutex);
            pendingErrors.push_back(e);
        }
        StopLocked();
        return;
    }
    playingHeaderPart = header;
    tape->StartBlock(playBuffer.data(), static_cast<int32_t>(playBuffer.size()), 0, fastLoading.load() ? 1 : 0,
                     header ? 1 : 0);
    playSize.store(static_cast<int>(playBuffer.size()));
    progressPos.store(0);
    progressMax.store(static_cast<int>(playBuffer.size()));
}

void TapeDeck::UpdateProgress() {
    if (playing.load() && tape) {
        const int s = tape->GetPlayState();
        if (s == 1 || s == 3 || s == 4) progressPos.store(playSize.load() - tape->GetPlayRemaining());
    }
    std::vector<TapeFileError> errors;
    {
        std::lock_guard<std::mutex> lock(errorMutex);
        errors.swap(pendingErrors);
    }
    if (!ui) return;
    for (const TapeFileError& e : errors) ui->ShowFileError(e);
    if (changedFlag.exchange(false)) ui->DeckChanged();
    ui->ShowProgress(progressPos.load(), progressMax.load());
}

// ---- events and recording ------------------------------------------------

bool TapeDeck::NeedsNewTapeFile() const {
    std::lock_guard<std::mutex> lock(mutex);
    // Recorded blocks go into a PTP tape whose first block is a header block.
    return list.empty() || !list.front().IsHeader() || tapeIsPmd;
}

uint8_t TapeDeck::TapeEvent(int event) {
    switch (event) {
        case TapeEventReset:
            if (owner) return owner->RaiseTapeRequest(TapeRequest::StopTape);
            Stop();
            return 1;
        case TapeEventPartEnd:
            NextBlock();
            return 1;
        case TapeEventMonitor:
            return monitoring.load() ? 1 : 0;
        case TapeEventHeader:
            if (!NeedsNewTapeFile()) return 1;
            if (owner) return owner->RaiseTapeRequest(TapeRequest::NewTapeFile);
            return 1;
        case TapeEventRecorded:
            if (owner) return owner->RaiseTapeRequest(TapeRequest::AppendBlock);
            return 1;
        default:
            return 1;
    }
}

void TapeDeck::AskNewTapeFile() {
    std::string path = tapePath;
    newTapeCancelled = false;
    if (!ui || !ui->AskSaveTapeFile(path)) {
        newTapeCancelled = true;
        return;
    }
    tapePath = path;
    {
        std::lock_guard<std::mutex> lock(mutex);
        list.clear();
        tapeIsPmd = false;
        FillList();
    }
    modified = false;
}

void TapeDeck::AppendRecordedBlock() {
    if (!tape) return;
    // A new tape without a file yet: its name is asked for now, unless the
    // user has just cancelled that question for this block.
    if (tapePath.empty() && !newTapeCancelled) AskNewTapeFile();
    newTapeCancelled = false;
    std::vector<uint8_t> recorded;
    if (tapePath.empty()) {
        // No file was chosen: the recorded block goes nowhere, as asked.
        while (tape->GetCapturedBlock(recorded) > 0) {
        }
        return;
    }
    const size_t before = ReadTapeFile(tapePath).blocks.size();
    bool appended = false;
    while (tape->GetCapturedBlock(recorded) > 0) {
        const TapeFileError e = ::AppendRecordedBlock(tapePath, recorded);
        if (e) {
            if (ui) ui->ShowFileError(e);
        } else {
            appended = true;
        }
    }
    if (!appended) return;
    if (editMode && modified) {
        // Keep the user's edits: the new blocks join the edited list.
        TapeReadResult r = ReadTapeFile(tapePath);
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = before; i < r.blocks.size(); ++i) list.push_back(std::move(r.blocks[i]));
        FillList();
        return;
    }
    EditTapeClick(false);
    modified = false;
}

bool KeyGoesToMainWindow(int vk) {
    return (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x61 && vk <= 0x7A);
}
