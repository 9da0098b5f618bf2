#pragma once
// The tape browser's logic without its window: the inserted tape and its
// block list, the edit mode and its operations, playing with the auto-stop
// rules, the answers to the tape interface's events and the appending of
// recorded blocks. The window presents it; what needs the user (dialogs,
// questions, message boxes) comes back through TapeDeckUi.
//
// Threads: everything runs on the user-interface thread except TapeEvent,
// which the tape interface calls on the emulation thread. The list, the
// current block and the play state are guarded by the deck's own mutex;
// the emulation thread never waits for the user-interface thread while it
// holds it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "machine/owner/MachineOwner.h"
#include "tools/tape/TapeFile.h"

class IifTape;

class TapeDeckUi {
public:
    enum Answer { Yes, No, Cancel };
    // Save dialog for a tape file (with an overwrite prompt); false on Cancel.
    virtual bool AskSaveTapeFile(std::string& path) { return false; }
    // "The tape was changed: save it?" (Yes, No, Cancel).
    virtual Answer AskSaveChanges() { return Cancel; }
    // A failed file operation.
    virtual void ShowFileError(const TapeFileError& error) {}
    // The list, the current block or the buttons changed.
    virtual void DeckChanged() {}
    // Every controls tick: the progress of the part being played.
    virtual void ShowProgress(int position, int maximum) {}
    // The deck window is the active window (the keyboard is not scanned).
    virtual bool IsActive() { return false; }
    // False on the model without a tape interface.
    virtual void SetAvailable(bool available) {}

protected:
    ~TapeDeckUi() = default;
};

class TapeDeck : public TapeBrowserLink {
public:
    enum AutoStop { StopAtEnd = 0, StopAtNextHeader = 1, StopAtCursor = 2 };

    TapeDeck();
    ~TapeDeck();
    TapeDeck(const TapeDeck&) = delete;
    TapeDeck& operator=(const TapeDeck&) = delete;

    void SetUi(TapeDeckUi* ui) { this->ui = ui; }
    // The owner whose request word the tape events use; may be null.
    void SetOwner(MachineOwner* owner) { this->owner = owner; }

    // TapeBrowserLink
    void SetTapeDevice(IifTape* tape) override;
    void NewTapeFile() override { AskNewTapeFile(); }
    void AppendRecordedBlock() override;
    void StopTape() override { Stop(); }
    void PeriodicUpdate() override { UpdateProgress(); }
    bool IsActiveWindow() override { return ui && ui->IsActive(); }
    void SetAvailable(bool available) override {
        if (ui) ui->SetAvailable(available);
    }

    // The tape interface's event handler (emulation thread).
    uint8_t TapeEvent(int event);

    // Tape and list (user-interface thread).
    const std::string& TapePath() const { return tapePath; }
    void SetTapeFileName(const std::string& absolutePath);
    void ReloadTape();
    // Inserts a tape: stops, takes the path and reloads. A file that cannot
    // be opened or holds no block changes nothing; what is wrong with the
    // file is returned (also for a tape read only in part, which is inserted).
    TapeFileError InsertTape(const std::string& path);
    void NewTape();
    // A copy of the list (the emulation thread may read it meanwhile).
    TapeBlockList Blocks() const;
    size_t BlockCount() const;
    int CurrentIndex() const;
    void SelectCurrentBlock(int index);
    bool Modified() const { return modified; }
    bool EditMode() const { return editMode; }

    // Edit mode. EditTapeClick(true) is the button; false refreshes.
    // Returns whether edit mode was toggled.
    bool EditTapeClick(bool fromButton, bool closing = false);
    // Leaving edit mode to close the window: true when it was left.
    bool LeaveEditModeForClose();

    // Block operations (edit mode); rows are list indexes in ascending order.
    void DeleteBlocks(const std::vector<int>& rows);
    // Moves a contiguous selection one row up or down; the new rows, or the
    // same when refused.
    std::vector<int> MoveBlocks(const std::vector<int>& rows, bool down);
    bool CanMove(const std::vector<int>& rows, bool down) const;
    // Appends the blocks of another tape file; false when it held none.
    bool AddTape(const std::string& path);
    // Appends a block made elsewhere (a file added as a block).
    void AddBlock(TapeBlock block);
    void EditHeader(int row, const TapeHeaderFields& fields);
    void RepairBlock(int row);
    bool ToHeadless(int row);
    TapeFileError ToHeader(int row, const TapeHeaderFields& fields);
    // Writes the list as the tape (PTP) and reloads from it.
    TapeFileError SaveTape(const std::string& path);
    // Writes copies of the selected rows; the list is unchanged.
    TapeFileError SaveSelection(const std::vector<int>& rows, TapeLayout layout, const std::string& path) const;
    // Whether the selection may be written as PMD: it starts with a header
    // block and no header block follows a headless one.
    bool CanSaveAsPmd(const std::vector<int>& rows) const;

    // Playing (user-interface thread).
    bool CanPlay() const;
    bool Play();
    void Stop();
    bool Playing() const { return playing.load(); }
    // Asks for a new tape file (request 6).
    void AskNewTapeFile();
    void UpdateProgress();
    int ProgressPosition() const { return progressPos.load(); }
    int ProgressMaximum() const { return progressMax.load(); }

    // Deck switches.
    std::atomic<int> autoStop{StopAtEnd};
    std::atomic<bool> fastLoading{false};   // ignored while playing
    std::atomic<bool> monitoring{false};
    // The list's selected row (ItemIndex) for StopAtCursor; -1 none.
    std::atomic<int> cursorRow{-1};

    void SetFastLoading(bool on);

private:
    void FillList();
    bool LoadBlockForPlay(bool headerPart, std::vector<uint8_t>& data, bool& isHeaderPart);
    void NextBlock();
    void StopLocked();
    bool NeedsNewTapeFile() const;
    void Changed() { changedFlag.store(true); }

    TapeDeckUi* ui = nullptr;
    MachineOwner* owner = nullptr;
    IifTape* tape = nullptr;

    mutable std::mutex mutex;  // list, current block, play state
    TapeBlockList list;
    int currentIndex = -1;
    bool tapeIsPmd = false;
    bool playingHeaderPart = false;
    std::vector<uint8_t> playBuffer;  // the deck's own: never shared with export or save

    std::string tapePath;
    std::string savedPath;
    bool editMode = false;
    bool modified = true;
    bool newTapeCancelled = false;  // the last new-tape question was cancelled

    std::atomic<bool> playing{false};
    std::atomic<int> playSize{0};
    std::atomic<int> progressPos{0};
    std::atomic<int> progressMax{0};
    std::atomic<bool> changedFlag{false};
    // A block that could not be loaded on the emulation thread: shown later.
    std::mutex errorMutex;
    std::vector<TapeFileError> pendingErrors;
};

// Virtual-key codes that the deck passes on to the main window: the digits
// 30h..39h, the letters 41h..5Ah, and 61h..7Ah (keypad 1..9 and operators,
// F1..F11).
bool KeyGoesToMainWindow(int virtualKey);
