#pragma once
// The tape browser: the always-on-top virtual cassette deck. Its logic is
// TapeDeck; this window lists the blocks, carries the buttons, the pop-up
// menu and the dialogs, and answers the deck's questions.
#include <QIcon>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "tools/tape/TapeDeck.h"
#include "ui/Prompts.h"

class QComboBox;
class QLabel;
class QMenu;
class QAction;
class QProgressBar;
class QToolButton;
class QTreeWidget;
class TFormEditTapeHeader;
class MachineOwner;

class TFormTapeBrowser : public QWidget, public TapeDeckUi {
    Q_OBJECT
public:
    using TapeBlock = ::TapeBlock;

    explicit TFormTapeBrowser(QWidget* parent = nullptr);
    ~TFormTapeBrowser() override;

    TapeDeck& Deck() { return deck; }
    // The owner whose request word the browser uses; also links the deck.
    void SetOwner(MachineOwner* owner);
    void SetHeaderEditor(TFormEditTapeHeader* editor) { headerEditor = editor; }
    // Main window entry points.
    // Inserts the tape; says what is wrong with a file that is no tape (or
    // reads only in part). False when the file was not inserted.
    bool SetTapeFileName(const std::string& path);
    bool EditMode() const { return deck.EditMode(); }
    void SBtnPlayClick();
    void SBtnStopClick();
    // Settings (configuration element TapeBrowser).
    void SaveSettings();
    void RunFirstShow();
    // Column widths from the font, and the window's minimum size from them.
    void FitColumns();
    static constexpr int kMinClientWidth = 330;
    static constexpr int kMinClientHeight = 255;

    // Boxes, file dialogs and the header editor's modal run go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    // TapeDeckUi
    bool AskSaveTapeFile(std::string& path) override;
    Answer AskSaveChanges() override;
    void ShowFileError(const TapeFileError& error) override;
    void DeckChanged() override;
    void ShowProgress(int position, int maximum) override;
    bool IsActive() override;
    void SetAvailable(bool available) override;
    bool Available() const { return available; }

    // Handlers (named after their controls).
    void SBtnInsertTapeClick();
    void SBtnNewTapeClick();
    void SBtnEditTapeClick();
    void SBtnSaveTapeClick();
    void SBtnAddClick();
    void SBtnDeleteClick();
    void SBtnDownUpClick(bool down);
    void SBtnFlashLoadClick();
    void SBtnMonitClick();
    void ListViewTapeClick();
    void ListViewTapeDblClick();
    void PopupMenuPopup();
    void PiAddFileToTapeClick(int tag, const std::string& file = std::string());
    void PiEditHeadClick();
    void PiRepairBlockCRCClick();
    void PiToHeadlessClick();
    void PiToHeaderClick();
    void PiSaveAsClick(TapeLayout layout);
    void PiSaveAsRawClick();
    void PiSaveAsTxtClick();
    void PiCreateFromTxtClick();
    void FillListView();
    std::vector<int> SelectedRows() const;

    // Controls.
    QToolButton *SBtnInsertTape, *SBtnNewTape, *SBtnEditTape, *SBtnSaveTape, *SBtnAdd, *SBtnDelete, *SBtnUp,
        *SBtnDown, *SBtnPopUp, *SBtnStop, *SBtnPlay, *SBtnFlashLoad, *SBtnMonit;
    QTreeWidget* ListViewTape;
    QProgressBar* ProgressBar;
    QComboBox* CbAutoStop;
    QLabel* LblAutoStop;
    QMenu* PopupMenu;
    QAction *PiAddFileAsHeaderBlock, *PiAddFileAsHeadless, *PiEditHead, *PiRepairBlockCRC, *PiToHeadless,
        *PiToHeader, *PiDelSel, *PiSaveAsPTP, *PiSaveAsPmd, *PiSaveAsRaw, *PiSaveAsTxt, *PiCreateFromTxt;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTag(int value);
    // Alt+T, Space and the keys passed on to the main window; true when handled.
    bool DeckKey(QKeyEvent* event);
    // The current-block arrow and the state picture of a row.
    QIcon RowPicture(bool current, int state) const;
    bool FileDialog(bool save, const char* titleKey, const char* filterKey, const char* ext, std::string& path);
    void RefreshButtons();
    int RunEditor();
    bool EditFields(TapeHeaderFields& fields, const TapeBlock* block, const std::string& name, int32_t start,
                    int32_t length, bool typeAndStartEnabled, uint16_t* startOut);
    void AddFile(int tag, const std::string& file);

    TapeDeck deck;
    MachineOwner* owner = nullptr;
    TFormEditTapeHeader* headerEditor = nullptr;
    bool firstShowPending = true;
    bool everShown = false;
    bool available = true;
    std::string basicTempFile;
    std::shared_ptr<TempSource> basicTemp;
    Prompts* prompts = &DefaultPrompts();
};
