#pragma once
// The debugger window: code around PC, registers, flags, stack, a memory
// list, breakpoints and nestings; run control, editors and line assembler.
#include <QColor>
#include <QWidget>

#include <atomic>
#include <cstdint>

#include "tools/debugger/MemorySearch.h"
#include "tools/debugger/RunControl.h"
#include "ui/Prompts.h"

class ChipCpu8080;
class ChipMemory;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class TFormDbgFind;
class TFormDisass;
class TFormPerifStat;

class TFormDebugger : public QWidget {
    Q_OBJECT
public:
    enum Source { SrcMem, SrcAF, SrcBC, SrcDE, SrcHL, SrcPC, SrcSP };
    enum ListType { TypeDump, TypeAscii, TypeDisassembling };

    explicit TFormDebugger(std::atomic<int>& tag, QWidget* parent = nullptr);
    ~TFormDebugger() override;

    dbg::RunControl& Run() { return run; }
    void Attach(ChipCpu8080* cpu, ChipMemory* memory, int model);
    TFormDbgFind* FormDbgFind() const { return find; }
    TFormPerifStat* FormPerifStat() const { return perifStat; }
    TFormDisass* FormDisass() const { return disass; }
    // The boxes and file dialogs of this window and of its disassembly window.
    void SetPrompts(Prompts& p);

    // Views.
    void FormShow();
    void EnterStopped();
    void ShowInstructions();
    void ShowRegisters();
    void ShowList();
    void ShowBreakPoints();
    void ShowNestings();
    uint16_t ListBase() const;
    bool CanAct(bool checkAssembler, bool beep);
    void SaveSettings();
    // Arms BP1..BP6 as the configuration stores them (at program start, so
    // that they stop the machine before the window was ever shown).
    void ReadBreakPoints();
    // The hints of the code, register, flag, stack, list and nesting panels
    // on or off.
    void ShowHints(bool show);
    bool HintsShown() const { return hintsShown; }

    // Commands.
    void SbHexDecClick();
    void SbZ80Click();
    void SbTo0Click();
    void SbStepClick();
    void SbStepOverClick();
    void SbStepOutClick();
    void SbToNextClick();
    void SbRunClick(QObject* sender);
    void SbCopyClick(bool countMode);
    void SbFillClick(bool countMode);
    void SbFindClick();
    void SbDisassClick();
    void SbPerifStatClick();
    void FindNext(bool newSearch);
    void FlagsDblClick(int tag);
    void RegsDblClick(int tag);
    void LblAllRamDblClick();
    void LblRemapDblClick();
    void NestingsDblClick();
    // A line label clicked at character column col (left or right button).
    void LineClick(int lineTag, int col, bool left, Qt::KeyboardModifiers mods);
    // A wheel or cursor step over the list (forward or backward).
    void ListStep(bool forward, Qt::KeyboardModifiers mods);

    // Editors.
    void OpenValueEditor(int value, int tag, const QString& caption, QWidget* target);
    void OpenDumpEditor(uint16_t address, int byteIndex, QLabel* line);
    void OpenAsciiEditor(uint16_t address, int charIndex, QLabel* line, int count);
    void OpenAsmEditor(uint16_t address, bool preload);
    bool ValueEnter();
    bool DumpEnter();
    void AsciiEnter();
    bool AsmEnter();
    void CloseEditors();

    // State read by tests and the main window.
    bool Decimal() const { return decimal; }
    // The highlight colour of the shapes and of an edited breakpoint item.
    QColor HighlightColor() const;
    int Notation() const { return notation; }
    int SourceIndex() const;
    int TypeIndex() const;
    void SetSource(int source);
    void SetType(int type);
    uint16_t MemAddress() const { return memAddress; }
    int ListOffset(int source) const { return listOffsets[source]; }
    int NestingDepth() const { return nestingDepth; }
    QLabel* Line(int i) const { return dumpLines[i]; }
    QLabel* Instr(int i) const { return instrLines[i]; }
    QLineEdit* ValueEditor() const { return meEditValue; }
    QLineEdit* DumpEditor() const { return meEditDump; }
    QLineEdit* AsciiEditor() const { return meEditAscii; }
    QLineEdit* AsmEditor() const { return meInlineAsm; }
    QListWidget* BreakPointList() const { return clbBreakPoints; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's keys, whichever of its controls has the focus; false
    // when the key is not one of them or the window may not act now.
    bool ShortCut(QKeyEvent* event);
    QLabel* MakeLabel(QWidget* parent, const char* name, int tag);
    void PlaceOver(QWidget* editor, QWidget* target, int xChars = 0);
    void ReadSettings();
    void ApplyHint();
    bool AnyEditorOpen(bool withAssembler) const;
    void EnableControls(bool on);
    uint16_t InstructionLineAddress(int t) const;
    uint16_t ListLineAddress(int t) const;
    void PlaceNextTo(QWidget* other);
    // Item k of the breakpoint list drawn as a header (no check box, the
    // highlight colour) while its breakpoint is edited, or back to normal.
    void SetBreakPointHeader(int k, bool on);

    void Beep();

    dbg::RunControl run;
    ChipCpu8080* cpu = nullptr;
    ChipMemory* memory = nullptr;
    int model = -1;
    bool decimal = false;
    int notation = 0;
    uint32_t highlightColor = 15714740;
    uint16_t memAddress = 0;
    int listOffsets[7] = {};
    struct Nesting {
        uint16_t base;
        int offset;
    } nestings[11] = {};
    int nestingDepth = 0;
    bool firstShow = true;
    bool countMode = true;
    int32_t rangeStart = 0, rangeEnd = 0, copyTarget = 0;
    int editTag = -1;  // action of the value editor
    QWidget* editTarget = nullptr;
    int recordedLine = -1;
    bool recordedLeft = false;
    int asmAddress = 0;
    bool asmPreload = false;
    int dumpAddress = 0;
    int asciiAddress = 0;
    dbg::SearchState search;

    QLabel* instrLines[6] = {};
    QLabel* regs[6] = {};
    QLabel* lblListAddr = nullptr;
    QLabel* spWords[5] = {};
    QLabel* spAddrs[5] = {};
    QLabel* lblMM = nullptr;
    QLabel* flags[6] = {};
    QLabel* dumpLines[10] = {};
    QLabel* lblTicks = nullptr;
    QLabel* lblAllRam = nullptr;
    QLabel* lblRemap = nullptr;
    QLabel* lblEditLabel = nullptr;
    QFrame* shapeMM = nullptr;
    QWidget* panelDump = nullptr;
    QListWidget* clbBreakPoints = nullptr;
    QListWidget* lbNestings = nullptr;
    QComboBox* cbListSrc = nullptr;
    QComboBox* cbListType = nullptr;
    QToolButton* sbZ80 = nullptr;
    QLineEdit* meEditValue = nullptr;
    QLineEdit* meEditDump = nullptr;
    QLineEdit* meEditAscii = nullptr;
    QLineEdit* meInlineAsm = nullptr;
    QLabel* asmPrefix = nullptr;
    bool updatingBreakPoints = false;
    bool hintsShown = false;
    QWidget* hintPanels[6] = {};
    TFormDbgFind* find = nullptr;
    TFormPerifStat* perifStat = nullptr;
    TFormDisass* disass = nullptr;
    Prompts* prompts = &DefaultPrompts();
};
