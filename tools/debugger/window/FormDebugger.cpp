#include "tools/debugger/window/FormDebugger.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/TextUtils.h"
#include "machine/core/ModelIndex.h"
#include "machine/core/RequestWords.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "tools/debugger/Assembler.h"
#include "tools/debugger/DebuggerSettings.h"
#include "tools/debugger/Disassembler.h"
#include "tools/debugger/MemoryEdit.h"
#include "tools/debugger/window/DbgWindowUtils.h"
#include "tools/debugger/window/FormDbgFind.h"
#include "tools/debugger/window/FormDisass.h"
#include "tools/debugger/window/FormPerifStat.h"
#include "ui/WindowPlacement.h"

namespace {
const char* const kSection = "FormDebugger";
const char* const kSourceNames[7] = {"(MEM", "(AF", "(BC", "(DE", "(HL", "(PC", "(SP"};
constexpr int kStepCopy = 980, kStepFill = 990;

int TagOf(const QObject* o) { return o->property("tag").toInt(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TFormDebugger::TFormDebugger(std::atomic<int>& tag, QWidget* parent) : QWidget(parent, Qt::Tool), run(tag) {
    setObjectName("FormDebugger");
    setWindowTitle("Debugger");
    run.Tag().store(DebuggerRequest::Running);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(fixed);

    auto* outer = new QVBoxLayout(this);
    // Buttons.
    auto* bar = new QHBoxLayout;
    outer->addLayout(bar);
    auto button = [this, bar](const char* name, const char* text, const char* hint, auto slot) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(b);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    button("SbRun", "Run", "Run (F5)", [this] { SbRunClick(sender()); });
    button("SbStep", "Step", "Step (F7)", [this] { if (CanAct(true, true)) SbStepClick(); });
    button("SbToNext", "To next", "Run to the next instruction (Shift+F7)", [this] { if (CanAct(true, true)) SbToNextClick(); });
    button("SbStepOver", "Over", "Step over (F8)", [this] { if (CanAct(true, true)) SbStepOverClick(); });
    button("SbStepOut", "Out", "Step out (Shift+F8)", [this] { if (CanAct(true, true)) SbStepOutClick(); });
    button("SbHexDec", "Hex/Dec", "Hexadecimal or decimal (Ctrl+H)", [this] { if (CanAct(true, true)) SbHexDecClick(); });
    sbZ80 = button("SbZ80", "8080", "Intel or Z80 mnemonics", [this] { if (CanAct(true, true)) SbZ80Click(); });
    button("SbTo0", "To 0", "List offset 0 (Home)", [this] { if (CanAct(true, true)) SbTo0Click(); });
    button("SbCopy", "Copy", "Copy memory (Ctrl+C)",
           [this] { if (CanAct(true, true)) SbCopyClick(!(QApplication::keyboardModifiers() & Qt::ShiftModifier)); });
    button("SbFill", "Fill", "Fill memory (Ctrl+V)",
           [this] { if (CanAct(true, true)) SbFillClick(!(QApplication::keyboardModifiers() & Qt::ShiftModifier)); });
    button("SbFind", "Find", "Find (Ctrl+F)", [this] { if (CanAct(true, true)) SbFindClick(); });
    button("SbDisass", "Disass", "Disassembly to a file", [this] { if (CanAct(true, true)) SbDisassClick(); });
    button("SbPerifStat", "8253", "Peripheral status", [this] { if (CanAct(true, true)) SbPerifStatClick(); });
    bar->addStretch();

    auto* body = new QHBoxLayout;
    outer->addLayout(body);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    body->addLayout(left, 3);
    body->addLayout(right, 2);

    // Instruction lines; the shape behind i3 shows through it.
    auto* panelInstr = new QFrame(this);
    panelInstr->setObjectName("PanelInstructions");
    panelInstr->setFrameShape(QFrame::Panel);
    auto* instrLayout = new QVBoxLayout(panelInstr);
    instrLayout->setSpacing(0);
    for (int i = 0; i < 6; ++i) {
        QWidget* parentOfLine = panelInstr;
        if (i == 2) {
            auto* shape = new QFrame(panelInstr);
            shape->setObjectName("ShapeInstr");
            auto* l = new QVBoxLayout(shape);
            l->setContentsMargins(0, 0, 0, 0);
            parentOfLine = shape;
            instrLines[i] = MakeLabel(shape, qPrintable(QString("i%1").arg(i + 1)), i);
            l->addWidget(instrLines[i]);
            instrLayout->addWidget(shape);
        } else {
            instrLines[i] = MakeLabel(parentOfLine, qPrintable(QString("i%1").arg(i + 1)), i);
            instrLayout->addWidget(instrLines[i]);
        }
        instrLines[i]->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(34, 'M')));
    }
    left->addWidget(panelInstr);
    hintPanels[0] = panelInstr;

    // List panel.
    auto* listHead = new QHBoxLayout;
    auto* shapeListAdr = new QFrame(this);
    shapeListAdr->setObjectName("ShapeListAdr");
    auto* la = new QHBoxLayout(shapeListAdr);
    la->setContentsMargins(0, 0, 0, 0);
    lblListAddr = MakeLabel(shapeListAdr, "LblListAddr", 6);
    la->addWidget(lblListAddr);
    listHead->addWidget(shapeListAdr);
    cbListSrc = new QComboBox(this);
    cbListSrc->setObjectName("CbListSrc");
    cbListSrc->addItems({"(MEM)", "(AF)", "(BC)", "(DE)", "(HL)", "(PC)", "(SP)"});
    cbListSrc->setFocusPolicy(Qt::NoFocus);
    cbListType = new QComboBox(this);
    cbListType->setObjectName("CbListType");
    cbListType->addItems({"Dump", "Ascii", "Disassembling"});
    cbListType->setFocusPolicy(Qt::NoFocus);
    listHead->addWidget(cbListSrc);
    listHead->addWidget(cbListType);
    listHead->addStretch();
    left->addLayout(listHead);
    auto* shapeDump = new QFrame(this);
    shapeDump->setObjectName("ShapeDump");
    auto* sd = new QVBoxLayout(shapeDump);
    sd->setContentsMargins(0, 0, 0, 0);
    panelDump = new QFrame(shapeDump);
    panelDump->setObjectName("PanelDump");
    auto* pd = new QVBoxLayout(panelDump);
    pd->setSpacing(0);
    for (int i = 0; i < 10; ++i) {
        dumpLines[i] = MakeLabel(panelDump, qPrintable(QString("dump%1").arg(i + 1)), 10 + i);
        dumpLines[i]->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(50, 'M')));
        pd->addWidget(dumpLines[i]);
    }
    sd->addWidget(panelDump);
    hintPanels[1] = panelDump;
    left->addWidget(shapeDump);
    connect(cbListSrc, &QComboBox::currentIndexChanged, this, [this] {
        ApplyHint();
        if (cpu) FormShow();
    });
    connect(cbListType, &QComboBox::currentIndexChanged, this, [this] {
        ApplyHint();
        if (cpu) FormShow();
    });

    // Registers.
    auto* shapeRegs = new QFrame(this);
    shapeRegs->setObjectName("ShapeRegs");
    auto* sr = new QVBoxLayout(shapeRegs);
    sr->setContentsMargins(0, 0, 0, 0);
    auto* panelRegs = new QFrame(shapeRegs);
    panelRegs->setObjectName("PanelRegs");
    auto* regGrid = new QGridLayout(panelRegs);
    const char* const regNames[6] = {"RegAF", "RegBC", "RegDE", "RegHL", "RegPC", "RegSP"};
    for (int i = 0; i < 6; ++i) {
        regs[i] = MakeLabel(panelRegs, regNames[i], i);
        regGrid->addWidget(regs[i], i / 2, i % 2);
    }
    shapeMM = new QFrame(panelRegs);
    shapeMM->setObjectName("ShapeMM");
    auto* mm = new QHBoxLayout(shapeMM);
    mm->setContentsMargins(0, 0, 0, 0);
    lblMM = MakeLabel(shapeMM, "LblMM", 12);
    mm->addWidget(lblMM);
    regGrid->addWidget(shapeMM, 3, 0);
    sr->addWidget(panelRegs);
    hintPanels[2] = panelRegs;
    right->addWidget(shapeRegs);

    // Flags.
    auto* panelFlags = new QFrame(this);
    panelFlags->setObjectName("PanelFlags");
    auto* fl = new QHBoxLayout(panelFlags);
    const char* const flagNames[6] = {"FlagSF", "FlagZF", "FlagAF", "FlagPF", "FlagCF", "FlagIF"};
    for (int i = 0; i < 6; ++i) {
        flags[i] = MakeLabel(panelFlags, flagNames[i], i);
        fl->addWidget(flags[i]);
    }
    right->addWidget(panelFlags);
    hintPanels[3] = panelFlags;

    // Stack words.
    auto* shapeSP = new QFrame(this);
    shapeSP->setObjectName("ShapeSP");
    auto* ss = new QVBoxLayout(shapeSP);
    ss->setContentsMargins(0, 0, 0, 0);
    auto* panelSP = new QFrame(shapeSP);
    panelSP->setObjectName("PanelSP");
    auto* spGrid = new QGridLayout(panelSP);
    spGrid->setVerticalSpacing(0);
    for (int i = 0; i < 5; ++i) {
        spAddrs[i] = MakeLabel(panelSP, qPrintable(QString("SPadr%1").arg(i + 1)), -1);
        spWords[i] = MakeLabel(panelSP, qPrintable(QString("SP%1").arg(i + 1)), 7 + i);
        spGrid->addWidget(spAddrs[i], i, 0);
        spGrid->addWidget(spWords[i], i, 1);
    }
    ss->addWidget(panelSP);
    hintPanels[4] = panelSP;
    right->addWidget(shapeSP);

    lblTicks = MakeLabel(this, "LblTicks", -1);
    right->addWidget(lblTicks);
    auto* switches = new QHBoxLayout;
    lblAllRam = MakeLabel(this, "LblAllRam", -1);
    lblAllRam->setText("All RAM");
    lblRemap = MakeLabel(this, "LblRemap", -1);
    lblRemap->setText("Remap");
    switches->addWidget(lblAllRam);
    switches->addWidget(lblRemap);
    switches->addStretch();
    right->addLayout(switches);

    clbBreakPoints = new QListWidget(this);
    clbBreakPoints->setObjectName("ClbBreakPoints");
    clbBreakPoints->setFlow(QListView::LeftToRight);
    clbBreakPoints->setWrapping(true);
    clbBreakPoints->setMaximumHeight(QFontMetrics(fixed).height() * 3 + 8);
    for (int k = 0; k < 6; ++k) {
        auto* item = new QListWidgetItem(clbBreakPoints);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(clbBreakPoints, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (updatingBreakPoints) return;
        const int k = clbBreakPoints->row(item);
        run.Bp(k + 1).active.store(item->checkState() == Qt::Checked ? 1 : 0);
        ShowBreakPoints();
    });
    connect(clbBreakPoints, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (!CanAct(true, true)) return;
        const int k = clbBreakPoints->row(item);
        OpenValueEditor(run.Bp(k + 1).address.load(), 21 + k, QString("BP%1:").arg(k + 1), clbBreakPoints);
    });
    right->addWidget(clbBreakPoints);
    lbNestings = new QListWidget(this);
    lbNestings->setObjectName("LbNestings");
    connect(lbNestings, &QListWidget::itemDoubleClicked, this, [this] { NestingsDblClick(); });
    right->addWidget(lbNestings);
    hintPanels[5] = lbNestings;
    for (QWidget* w : hintPanels) w->installEventFilter(this);
    // The lists take the focus; the window's keys still act on the views.
    clbBreakPoints->installEventFilter(this);
    right->addStretch();

    // Editors, laid over what they edit.
    lblEditLabel = new QLabel(this);
    lblEditLabel->setObjectName("LblEditLabel");
    meEditValue = new QLineEdit(this);
    meEditValue->setObjectName("MeEditValue");
    meEditValue->setMaxLength(5);
    meEditDump = new QLineEdit(this);
    meEditDump->setObjectName("MeEditDump");
    meEditAscii = new QLineEdit(this);
    meEditAscii->setObjectName("MeEditAscii");
    asmPrefix = new QLabel(this);
    asmPrefix->setObjectName("LblAsmAddress");
    meInlineAsm = new QLineEdit(this);
    meInlineAsm->setObjectName("MeInlineAsm");
    for (QWidget* w : std::initializer_list<QWidget*>{lblEditLabel, meEditValue, meEditDump, meEditAscii, asmPrefix,
                                                      meInlineAsm}) {
        w->hide();
        w->setAutoFillBackground(true);
        w->installEventFilter(this);
    }

    // The line assembler takes upper case in Intel notation, lower case in Z80 notation.
    connect(meInlineAsm, &QLineEdit::textEdited, this, [this](const QString& t) {
        const QString forced = notation ? t.toLower() : t.toUpper();
        if (forced == t) return;
        const int caret = meInlineAsm->cursorPosition();
        meInlineAsm->setText(forced);
        meInlineAsm->setCursorPosition(caret);
    });

    find = new TFormDbgFind(this);
    find->findNext = [this](bool n) { FindNext(n); };
    perifStat = new TFormPerifStat(this);
    disass = new TFormDisass(this);
    highlightColor = 15714740;
}

TFormDebugger::~TFormDebugger() {
    if (!firstShow) SaveSettings();
}

QLabel* TFormDebugger::MakeLabel(QWidget* parent, const char* name, int tag) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setProperty("tag", tag);
    l->setTextFormat(Qt::PlainText);
    l->installEventFilter(this);
    return l;
}

void TFormDebugger::Attach(ChipCpu8080* c, ChipMemory* m, int modelIndex) {
    cpu = c;
    memory = m;
    model = modelIndex;
    run.Attach(c, m, modelIndex);
    disass->SetMemory(m);
    lblAllRam->setVisible(dbg::RunControl::HasAllRamSwitch(model));
    lblRemap->setVisible(model == kModelC2717);
    const bool paging = m && m->GetPagingFlag();
    lblMM->setVisible(paging);
    shapeMM->setVisible(paging);
}

uint16_t TFormDebugger::ListBase() const {
    if (!cpu) return memAddress;
    switch (SourceIndex()) {
        case SrcMem: return memAddress;
        case SrcAF: return cpu->GetPSW();
        case SrcBC: return cpu->GetBC();
        case SrcDE: return cpu->GetDE();
        case SrcHL: return cpu->GetHL();
        case SrcPC: return cpu->PC;
        default: return cpu->SP;
    }
}

int TFormDebugger::SourceIndex() const { return cbListSrc->currentIndex() < 0 ? SrcSP : cbListSrc->currentIndex(); }
int TFormDebugger::TypeIndex() const {
    return cbListType->currentIndex() < 0 ? TypeDisassembling : cbListType->currentIndex();
}
void TFormDebugger::SetSource(int s) {
    const QSignalBlocker block(cbListSrc);
    cbListSrc->setCurrentIndex(s);
    ApplyHint();
}
void TFormDebugger::SetType(int t) {
    const QSignalBlocker block(cbListType);
    cbListType->setCurrentIndex(t);
    ApplyHint();
}

void TFormDebugger::ApplyHint() {
    hintsShown = ReadAttrBool(ConfigSection("General"), "show-hint-in-debugger", false);
    ShowHints(hintsShown);
}

void TFormDebugger::ShowHints(bool show) {
    hintsShown = show;
    // The other panels keep the hints the language file gave them; the
    // list's hint follows its type.
    const char* const keys[3] = {"panel.PanelDump.Hint0", "panel.PanelDump.Hint1", "panel.PanelDump.Hint2"};
    std::string text = LangText(kSection, keys[TypeIndex()]);
    ConvertLineBreaks(text);
    panelDump->setToolTip(Q(text));
    if (!show) QToolTip::hideText();
}

bool TFormDebugger::AnyEditorOpen(bool withAssembler) const {
    return !meEditValue->isHidden() || !meEditDump->isHidden() || !meEditAscii->isHidden() ||
           (withAssembler && !meInlineAsm->isHidden());
}

bool TFormDebugger::CanAct(bool checkAssembler, bool beep) {
    if (run.State() != DebuggerRequest::Stopped) return false;
    if (AnyEditorOpen(checkAssembler)) {
        if (beep) Beep();
        return false;
    }
    return true;
}

void TFormDebugger::Beep() { dbgwin::Beep(); }

void TFormDebugger::ReadSettings() {
    pugi::xml_node e = ConfigSection("Debugger");
    const dbg::DebuggerSettings s = dbg::ReadDebuggerSettings(e);
    int x = 0, y = 0;
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect();
    ReadWindowPos(e, x, y, width(), height(), screen.width(), screen.height());
    PlaceWindowFrame(this, QPoint(x, y));
    decimal = s.decimal;
    notation = s.notation;
    sbZ80->setText(notation ? "Z80" : "8080");
    highlightColor = static_cast<uint32_t>(s.highlightColor);
    const QColor c(highlightColor & 0xFF, (highlightColor >> 8) & 0xFF, (highlightColor >> 16) & 0xFF);
    for (const char* name : {"ShapeInstr", "ShapeRegs", "ShapeListAdr", "ShapeSP", "ShapeDump", "ShapeMM"}) {
        if (auto* shape = findChild<QFrame*>(name)) {
            QPalette p = shape->palette();
            p.setColor(QPalette::Window, c);
            shape->setPalette(p);
            shape->setAutoFillBackground(true);
        }
    }
    memAddress = static_cast<uint16_t>(s.memAddress);
    SetSource(s.source);
    SetType(s.type);
    for (int k = 0; k < 6; ++k) run.SetBp(k + 1, s.bpAddress[k], s.bpActive[k]);
    ShowHints(ReadAttrBool(ConfigSection("General"), "show-hint-in-debugger", false));
    // Opaque labels over the shapes; i3 lets its shape show.
    for (QLabel* l : regs) l->setAutoFillBackground(true);
    for (QLabel* l : spWords) l->setAutoFillBackground(true);
    for (QLabel* l : dumpLines) l->setAutoFillBackground(true);
    lblListAddr->setAutoFillBackground(true);
    lblMM->setAutoFillBackground(true);
    instrLines[2]->setAutoFillBackground(false);
}

void TFormDebugger::ReadBreakPoints() {
    const dbg::DebuggerSettings s = dbg::ReadDebuggerSettings(ConfigSection("Debugger"));
    for (int k = 0; k < 6; ++k) run.SetBp(k + 1, s.bpAddress[k], s.bpActive[k]);
    if (isVisible()) ShowBreakPoints();
}

void TFormDebugger::SaveSettings() {
    if (firstShow) return;
    pugi::xml_node e = ConfigSection("Debugger");
    if (!e) return;
    dbg::DebuggerSettings s = dbg::ReadDebuggerSettings(e);
    s.x = x();
    s.y = y();
    s.decimal = decimal;
    s.notation = notation;
    s.memAddress = memAddress;
    s.source = SourceIndex();
    s.type = TypeIndex();
    for (int k = 0; k < 6; ++k) {
        s.bpAddress[k] = run.Bp(k + 1).address.load();
        s.bpActive[k] = run.Bp(k + 1).active.load() != 0;
    }
    dbg::WriteDebuggerSettings(e, s);
}

void TFormDebugger::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TFormDebugger::FormShow() {
    if (firstShow) {
        ReadSettings();
        firstShow = false;
    }
    disass->SetDecimalMode(decimal);
    disass->SetNotation(notation);
    find->SetRadix(decimal);
    if (perifStat->Tag) {
        perifStat->show();
        perifStat->UpdateView();
    }
    EnterStopped();
    ShowBreakPoints();
    ShowNestings();
}

void TFormDebugger::EnterStopped() {
    run.EnterStopped();
    ShowInstructions();
    ShowRegisters();
    ShowList();
    if (perifStat->isVisible()) perifStat->UpdateView();
}

void TFormDebugger::ShowInstructions() {
    if (!cpu || !memory) return;
    uint16_t a = dbg::PrevInstruction(*memory, cpu->PC, 2);
    for (QLabel* l : instrLines) l->setText(Q(dbg::DisassembleLine(*memory, a, decimal, notation)));
}

void TFormDebugger::ShowRegisters() {
    if (!cpu || !memory) return;
    const uint16_t values[6] = {cpu->GetPSW(), cpu->GetBC(), cpu->GetDE(), cpu->GetHL(), cpu->PC, cpu->SP};
    const char* const names[6] = {"AF:", "BC:", "DE:", "HL:", "PC:", "SP:"};
    for (int i = 0; i < 6; ++i) regs[i]->setText(names[i] + Q(dbg::PaddedWord(values[i], decimal)));
    for (int i = 0; i < 5; ++i) {
        const uint16_t a = static_cast<uint16_t>(cpu->SP + 2 * i);
        spAddrs[i]->setText(Q(dbg::PaddedWord(a, decimal)));
        spWords[i]->setText(Q(dbg::PaddedWord(memory->ReadWord(a), decimal)));
    }
    const uint8_t f = cpu->F;
    flags[0]->setText(f & 0x80 ? " M" : " P");
    flags[1]->setText(f & 0x40 ? " Z" : "NZ");
    flags[2]->setText(f & 0x10 ? "AC" : "NA");
    flags[3]->setText(f & 0x04 ? "PE" : "PO");
    flags[4]->setText(f & 0x01 ? " C" : "NC");
    flags[5]->setText(cpu->INTE ? "EI" : "DI");
    const QPalette& pal = palette();
    auto colour = [&pal](QLabel* l, bool on) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, on ? pal.color(QPalette::WindowText)
                                            : pal.color(QPalette::Disabled, QPalette::WindowText));
        l->setPalette(p);
    };
    colour(lblAllRam, memory->GetAllRamFlag() != 0);
    colour(lblRemap, memory->GetRemapFlag() != 0);
    if (memory->GetPagingFlag()) lblMM->setText("MM:" + Q(dbg::PaddedByte(memory->GetPagingRegister(), decimal)));
    lblTicks->setText(QString::asprintf("T:%010d", static_cast<int>(cpu->TotalClock & 0x7FFFFFFF)));
}

void TFormDebugger::ShowList() {
    if (!cpu || !memory) return;
    const int source = SourceIndex();
    const int offset = listOffsets[source];
    const uint16_t start = static_cast<uint16_t>(ListBase() + offset);
    QString head = kSourceNames[source];
    if (offset > 0) head += "+" + Q(dbg::PlainWord(static_cast<unsigned>(offset), decimal));
    if (offset < 0) head += "-" + Q(dbg::PlainWord(static_cast<unsigned>(-offset), decimal));
    lblListAddr->setText(head + ")");
    lblListAddr->setToolTip(Q(dbg::PlainWord(start, decimal)));
    uint16_t a = start;
    for (QLabel* l : dumpLines) {
        if (TypeIndex() == TypeDisassembling)
            l->setText(Q(dbg::DisassembleLine(*memory, a, decimal, notation)));
        else
            l->setText(Q(dbg::DumpLine(*memory, a, decimal, TypeIndex() == TypeAscii)));
    }
}

void TFormDebugger::ShowBreakPoints() {
    updatingBreakPoints = true;
    for (int k = 0; k < 6; ++k) {
        QListWidgetItem* item = clbBreakPoints->item(k);
        item->setText(Q(dbg::PaddedWord(run.Bp(k + 1).address.load(), decimal)));
        item->setCheckState(run.Bp(k + 1).active.load() ? Qt::Checked : Qt::Unchecked);
    }
    clbBreakPoints->setCurrentRow(-1);
    clbBreakPoints->clearSelection();
    updatingBreakPoints = false;
}

void TFormDebugger::ShowNestings() {
    lbNestings->clear();
    for (int i = 0; i < nestingDepth; ++i)
        lbNestings->addItem(Q(dbg::PaddedWord(static_cast<uint16_t>(nestings[i].base + nestings[i].offset), decimal)));
}

// ---- commands ----

void TFormDebugger::SbHexDecClick() {
    decimal = !decimal;
    FormShow();
}

void TFormDebugger::SbZ80Click() {
    notation = 1 - notation;
    sbZ80->setText(notation ? "Z80" : "8080");
    disass->SetNotation(notation);
    EnterStopped();
}

void TFormDebugger::SbTo0Click() {
    listOffsets[SourceIndex()] = 0;
    EnterStopped();
}

void TFormDebugger::SbStepClick() {
    run.Step();
    EnterStopped();
}

void TFormDebugger::SbStepOverClick() {
    run.StepOver();
    if (run.State() == DebuggerRequest::Stopped) EnterStopped();
}

void TFormDebugger::SbStepOutClick() {
    run.StepOut();
    if (run.State() == DebuggerRequest::Stopped) EnterStopped();
}

void TFormDebugger::SbToNextClick() { run.RunToNext(); }

void TFormDebugger::SbRunClick(QObject* sender) {
    if (run.State() == DebuggerRequest::Stopped && !CanAct(true, true)) return;
    SaveSettings();
    run.Run();
    if (sender) hide();
    disass->hide();
    find->hide();
    perifStat->Tag = perifStat->isVisible() ? 1 : 0;
    perifStat->hide();
}

void TFormDebugger::closeEvent(QCloseEvent* event) {
    if (run.State() == DebuggerRequest::Stopped && !CanAct(true, false)) {
        event->ignore();
        return;
    }
    SaveSettings();
    SbRunClick(nullptr);
    event->accept();
}

void TFormDebugger::PlaceNextTo(QWidget* other) {
    // Above the debugger when there is room there, else below when the screen has room, else where it is.
    const QRect me = frameGeometry();
    const int h = other->frameGeometry().height();
    if (me.top() > h) {
        PlaceWindowFrame(other, QPoint(me.left(), me.top() - h));
        return;
    }
    const QScreen* s = screen();
    if (s && me.bottom() + h < s->availableGeometry().bottom()) PlaceWindowFrame(other, QPoint(me.left(), me.bottom() + 1));
}

void TFormDebugger::SbFindClick() {
    PlaceNextTo(find);
    find->show();
    find->raise();
}

void TFormDebugger::SbDisassClick() {
    PlaceNextTo(disass);
    disass->SetMemory(memory);
    disass->show();
    disass->raise();
}

void TFormDebugger::SbPerifStatClick() {
    PlaceNextTo(perifStat);
    perifStat->setVisible(!perifStat->isVisible());
    perifStat->Tag = perifStat->isVisible() ? 1 : 0;
    if (perifStat->isVisible()) perifStat->UpdateView();
}

void TFormDebugger::FindNext(bool newSearch) {
    if (!memory) return;
    if (dbg::FindNext(*memory, find->GetPattern(), search, newSearch, ListBase())) {
        memAddress = search.current;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        ShowList();
    } else {
        dbgwin::ShowBox(dbgwin::Text(kSection, "err.Find.Title", "Find"),
                        dbgwin::Text(kSection, "err.Find.Message", "The pattern was not found."), false);
    }
    activateWindow();
}

void TFormDebugger::FlagsDblClick(int tag) {
    if (!cpu || !CanAct(true, true)) return;
    static const uint8_t bits[5] = {0x80, 0x40, 0x10, 0x04, 0x01};
    if (tag >= 0 && tag < 5) cpu->F ^= bits[tag];
    if (tag == 5) cpu->SetInte(cpu->INTE ? 0 : 1);
    EnterStopped();
}

void TFormDebugger::RegsDblClick(int tag) {
    if (!cpu || !memory || !CanAct(true, true)) return;
    const uint16_t values[6] = {cpu->GetPSW(), cpu->GetBC(), cpu->GetDE(), cpu->GetHL(), cpu->PC, cpu->SP};
    const char* const names[6] = {"AF:", "BC:", "DE:", "HL:", "PC:", "SP:"};
    if (tag >= 0 && tag < 6) {
        OpenValueEditor(values[tag], tag, names[tag], regs[tag]);
    } else if (tag == 6) {
        if (SourceIndex() == SrcMem) OpenValueEditor(memAddress, 6, "MEM:", lblListAddr);
    } else if (tag >= 7 && tag <= 11) {
        const int n = 2 * (tag - 7);
        OpenValueEditor(memory->ReadWord(static_cast<uint16_t>(cpu->SP + n)), tag, QString("(SP+%1):").arg(n),
                        spWords[tag - 7]);
    } else if (tag == 12 && memory->GetPagingFlag()) {
        OpenValueEditor(memory->GetPagingRegister(), 12, "MM:", lblMM);
    }
}

void TFormDebugger::LblAllRamDblClick() {
    if (!CanAct(true, true)) return;
    if (run.SwitchAllRam()) FormShow();
}

void TFormDebugger::LblRemapDblClick() {
    if (!CanAct(true, true)) return;
    if (run.SwitchRemap()) FormShow();
}

void TFormDebugger::NestingsDblClick() {
    if (!CanAct(true, true) || nestingDepth <= 0) return;
    memAddress = nestings[0].base;
    listOffsets[SrcMem] = nestings[0].offset;
    for (int i = 0; i + 1 < nestingDepth; ++i) nestings[i] = nestings[i + 1];
    --nestingDepth;
    SetSource(SrcMem);
    SetType(TypeDisassembling);
    ShowNestings();
    ShowList();
}

uint16_t TFormDebugger::InstructionLineAddress(int t) const {
    if (t < 2) return dbg::PrevInstruction(*memory, cpu->PC, 2 - t);
    if (t == 2) return cpu->PC;
    return dbg::NextInstruction(*memory, cpu->PC, t - 2);
}

uint16_t TFormDebugger::ListLineAddress(int t) const {
    const uint16_t start = static_cast<uint16_t>(ListBase() + listOffsets[SourceIndex()]);
    switch (TypeIndex()) {
        case TypeDump: return static_cast<uint16_t>(start + (t - 10) * 8);
        case TypeAscii: return static_cast<uint16_t>(start + (t - 10) * 32);
        default: return dbg::NextInstruction(*memory, start, t - 10);
    }
}

void TFormDebugger::LineClick(int t, int col, bool left, Qt::KeyboardModifiers mods) {
    if (!cpu || !memory || !CanAct(true, true)) return;
    const int x = col * 8 + 1;  // the pixel zones of an 8-pixel character cell
    const bool instr = t < 10;
    const int type = TypeIndex();
    const bool code = instr || type == TypeDisassembling;
    const uint16_t address = instr ? InstructionLineAddress(t) : ListLineAddress(t);
    QLabel* line = instr ? instrLines[t] : dumpLines[t - 10];
    if (left && x <= 49 && code) {
        if (run.SetBreakpointFromLine(address, clbBreakPoints->currentRow())) ShowBreakPoints();
        return;
    }
    if (left && !instr && type == TypeDisassembling && x >= 129 && x <= 163) {
        OpenAsmEditor(address, mods & Qt::ControlModifier);
        return;
    }
    if (left && !instr && type == TypeDump && x >= 64 && x <= 319) {
        OpenDumpEditor(address, (x - 63) / 32, line);
        return;
    }
    if (left && !instr && type == TypeDump && x >= 327 && x <= 395) {
        OpenAsciiEditor(address, (x - 326) / 8, line, 8);
        return;
    }
    if (left && !instr && type == TypeAscii && x >= 72 && x <= 323) {
        OpenAsciiEditor(address, (x - 71) / 8, line, 32);
        return;
    }
    if (x < 169 || x > 249 || !code) return;
    uint16_t target = 0;
    if (!dbg::OperandTarget(*memory, address, target)) return;
    if (!left) {
        if (nestingDepth >= 11) return;
        for (int i = nestingDepth; i > 0; --i) nestings[i] = nestings[i - 1];
        nestings[0] = {ListBase(), listOffsets[SourceIndex()]};
        ++nestingDepth;
        memAddress = target;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        SetType(TypeDisassembling);
        ShowNestings();
    } else {
        memAddress = target;
        listOffsets[SrcMem] = 0;
        SetSource(SrcMem);
        SetType(mods & Qt::ControlModifier ? TypeDump : mods & Qt::ShiftModifier ? TypeAscii : TypeDisassembling);
    }
    ShowList();
}

void TFormDebugger::ListStep(bool forward, Qt::KeyboardModifiers mods) {
    if (!memory) return;
    const int source = SourceIndex();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (shift && ctrl && source == SrcMem) {
        memAddress = static_cast<uint16_t>(memAddress + (forward ? 1 : -1));
        ShowList();
        return;
    }
    int e;
    const uint16_t start = static_cast<uint16_t>(ListBase() + listOffsets[source]);
    if (shift) {
        e = forward ? 1 : -1;
    } else if (TypeIndex() == TypeDump) {
        e = (ctrl ? 80 : 8) * (forward ? 1 : -1);
    } else if (TypeIndex() == TypeAscii) {
        e = (ctrl ? 320 : 32) * (forward ? 1 : -1);
    } else if (forward) {
        e = static_cast<uint16_t>(dbg::NextInstruction(*memory, start, ctrl ? 9 : 1) - start);
    } else {
        e = -static_cast<int>(static_cast<uint16_t>(start - dbg::PrevInstruction(*memory, start, ctrl ? 9 : 1)));
    }
    const int next = listOffsets[source] + e;
    if (next < -32768 || next > 32768) return;
    listOffsets[source] = next;
    ShowList();
}

void TFormDebugger::wheelEvent(QWheelEvent* event) {
    if (!meEditValue->isHidden() || !meEditDump->isHidden() ||
        !panelDump->rect().contains(panelDump->mapFromGlobal(event->globalPosition().toPoint()))) {
        QWidget::wheelEvent(event);
        return;
    }
    ListStep(event->angleDelta().y() <= 0, event->modifiers());
    event->accept();
}

bool TFormDebugger::ShortCut(QKeyEvent* event) {
    if (!CanAct(false, false)) return false;
    const int key = event->key();
    const auto mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        ListStep(key == Qt::Key_Down, Qt::NoModifier);
        return true;
    }
    if (!meInlineAsm->isHidden()) return false;
    switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: ListStep(key == Qt::Key_PageDown, Qt::ControlModifier); return true;
        case Qt::Key_Home: SbTo0Click(); return true;
        case Qt::Key_F3:
            if (find->FindEnabled()) FindNext(false);
            else SbFindClick();
            return true;
        case Qt::Key_F5: SbRunClick(this); return true;
        case Qt::Key_F7:
            if (shift) SbToNextClick();
            else SbStepClick();
            return true;
        case Qt::Key_F8:
            if (shift) SbStepOutClick();
            else SbStepOverClick();
            return true;
        default: break;
    }
    if (ctrl) {
        switch (key) {
            case Qt::Key_C: SbCopyClick(!shift); return true;
            case Qt::Key_V: SbFillClick(!shift); return true;
            case Qt::Key_F: SbFindClick(); return true;
            case Qt::Key_H: SbHexDecClick(); return true;
            default: break;
        }
    }
    return false;
}

void TFormDebugger::keyPressEvent(QKeyEvent* event) {
    // While the machine runs, and with the line assembler open, the other
    // keys do nothing.
    const bool swallow = !CanAct(false, false) || !meInlineAsm->isHidden();
    if (ShortCut(event) || swallow) return;
    QWidget::keyPressEvent(event);
}

bool TFormDebugger::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ToolTip && !hintsShown)
        for (QWidget* w : hintPanels)
            if (watched == w) {
                QToolTip::hideText();
                return true;
            }
    // The lists' own keys give way to the window's.
    if (type == QEvent::KeyPress && (watched == clbBreakPoints || watched == lbNestings))
        return ShortCut(static_cast<QKeyEvent*>(event));
    // Editor keys.
    if (type == QEvent::KeyPress &&
        (watched == meEditValue || watched == meEditDump || watched == meEditAscii || watched == meInlineAsm)) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        if (k->key() == Qt::Key_Escape) {
            CloseEditors();
            FormShow();
            return true;
        }
        if (watched == meInlineAsm && (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down)) {
            ListStep(k->key() == Qt::Key_Down, Qt::NoModifier);
            return true;
        }
        if (enter) {
            if (watched == meEditValue) ValueEnter();
            else if (watched == meEditDump) DumpEnter();
            else if (watched == meEditAscii) AsciiEnter();
            else AsmEnter();
            return true;
        }
        const QString t = k->text();
        if ((watched == meEditValue || watched == meEditDump) && !t.isEmpty() && t[0].isPrint()) {
            const QChar c = t[0];
            const bool ok = c.isDigit() || (!decimal && QString("ABCDEFabcdef").contains(c)) ||
                            (watched == meEditDump && c == ' ') || (!decimal && c == '#');
            if (!ok) {
                Beep();
                return true;
            }
        }
        return false;
    }
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label) return QWidget::eventFilter(watched, event);
    const int tag = TagOf(label);
    const bool isLine = label->objectName().startsWith("dump") || (label->objectName().size() == 2 &&
                                                                     label->objectName()[0] == 'i');
    if (isLine && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        auto* m = static_cast<QMouseEvent*>(event);
        const bool leftDouble = type == QEvent::MouseButtonDblClick && m->button() == Qt::LeftButton;
        const bool rightSingle = type == QEvent::MouseButtonPress && m->button() == Qt::RightButton;
        if ((leftDouble || rightSingle) && !(m->modifiers() & Qt::AltModifier) &&
            !(m->buttons() & Qt::MiddleButton)) {
            recordedLine = tag;
            recordedLeft = leftDouble;
        } else {
            recordedLine = -1;
        }
        return false;
    }
    if (isLine && type == QEvent::MouseButtonRelease && recordedLine >= 0) {
        auto* m = static_cast<QMouseEvent*>(event);
        const int cw = QFontMetrics(label->font()).horizontalAdvance('M');
        const int col = cw > 0 ? static_cast<int>(m->position().x()) / cw : 0;
        const int line = recordedLine;
        recordedLine = -1;
        LineClick(line, col, recordedLeft, m->modifiers());
        return false;
    }
    if (type == QEvent::MouseButtonDblClick) {
        const QString name = label->objectName();
        if (name.startsWith("Flag")) FlagsDblClick(tag);
        else if (name == "LblTicks") {
            if (cpu && CanAct(true, true)) {
                // The scheduled devices count on this clock.
                cpu->SyncDevices();
                cpu->TotalClock = 0;
                cpu->ResetEventClock();
                ShowRegisters();
            }
        } else if (name == "LblAllRam") LblAllRamDblClick();
        else if (name == "LblRemap") LblRemapDblClick();
        else if (tag >= 0 && tag <= 12 && !isLine) RegsDblClick(tag);
    }
    return QWidget::eventFilter(watched, event);
}

// ---- editors ----

void TFormDebugger::EnableControls(bool on) {
    clbBreakPoints->setEnabled(on);
    cbListSrc->setEnabled(on);
    cbListType->setEnabled(on);
}

void TFormDebugger::PlaceOver(QWidget* editor, QWidget* target, int xChars) {
    const int cw = QFontMetrics(font()).horizontalAdvance('M');
    const QPoint at = target->mapTo(this, QPoint(xChars * cw, 0));
    editor->move(at.x(), at.y() - 3);
    editor->raise();
    editor->show();
}

void TFormDebugger::OpenValueEditor(int value, int tag, const QString& caption, QWidget* target) {
    editTag = tag;
    editTarget = target;
    lblEditLabel->setText(caption);
    lblEditLabel->adjustSize();
    meEditValue->setInputMask(decimal ? "99999; " : ">\\#HHHH; ");
    meEditValue->setText(Q(dbg::PaddedWord(static_cast<unsigned>(value), decimal)));
    meEditValue->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(8, 'M')));
    QWidget* place = target ? target : static_cast<QWidget*>(lblTicks);
    PlaceOver(lblEditLabel, place);
    meEditValue->move(lblEditLabel->geometry().right() + 2, lblEditLabel->y());
    meEditValue->raise();
    meEditValue->show();
    meEditValue->setFocus();
    meEditValue->setSelection(decimal ? 0 : 1, 1);
    if (auto* l = qobject_cast<QLabel*>(target); l && TagOf(l) < 20) l->setAutoFillBackground(false);
    EnableControls(false);
}

void TFormDebugger::CloseEditors() {
    for (QWidget* w : std::initializer_list<QWidget*>{lblEditLabel, meEditValue, meEditDump, meEditAscii, asmPrefix,
                                                      meInlineAsm})
        w->hide();
    if (auto* l = qobject_cast<QLabel*>(editTarget); l && l != instrLines[2]) l->setAutoFillBackground(true);
    editTarget = nullptr;
    editTag = -1;
    EnableControls(true);
    setFocus();
}

bool TFormDebugger::ValueEnter() {
    const int v = ParseNumber(meEditValue->text().toStdString(), !decimal);
    if (v < 0 || !cpu || !memory) {
        Beep();
        return false;
    }
    const int tag = editTag;
    auto next = [this](int step, const char* key, const char* fallback) {
        OpenValueEditor(0, step, dbgwin::Text(kSection, key, fallback), editTarget);
    };
    switch (tag) {
        case 0: cpu->SetPSW(dbg::EditedAf(static_cast<unsigned>(v))); break;
        case 1: cpu->SetBC(static_cast<uint16_t>(v)); break;
        case 2: cpu->SetDE(static_cast<uint16_t>(v)); break;
        case 3: cpu->SetHL(static_cast<uint16_t>(v)); break;
        case 4: cpu->PC = static_cast<uint16_t>(v); break;
        case 5: cpu->SP = static_cast<uint16_t>(v); break;
        case 6: memAddress = static_cast<uint16_t>(v); break;
        case 7: case 8: case 9: case 10: case 11:
            memory->WriteWord(static_cast<uint16_t>(cpu->SP + 2 * (tag - 7)), static_cast<uint16_t>(v));
            break;
        case 12:
            if (v >= 128) {
                Beep();
                return false;
            }
            memory->SetPagingRegister(static_cast<uint8_t>(v));
            break;
        case 21: case 22: case 23: case 24: case 25: case 26:
            run.SetBp(tag - 20, static_cast<uint16_t>(v), true);
            break;
        case kStepCopy:
        case kStepFill:
            rangeStart = v;
            if (countMode)
                next(tag + 2, "text.FillCopy.Count", "Count:");
            else
                next(tag + 1, "text.FillCopy.End", "End:");
            return true;
        case kStepCopy + 1:
        case kStepFill + 1:
        case kStepCopy + 2:
        case kStepFill + 2:
            if ((tag % 10) == 1) {
                if (v < rangeStart) {
                    Beep();
                    return false;
                }
                rangeEnd = v;
            } else {
                rangeEnd = rangeStart + v - 1;
            }
            if (tag < kStepFill)
                next(kStepCopy + 3, "text.Copy.To", "To:");
            else
                next(kStepFill + 3, "text.Fill.With", "With:");
            return true;
        case kStepCopy + 3:
            copyTarget = v;
            dbg::CopyMemory(*memory, rangeStart, rangeEnd, copyTarget);
            break;
        case kStepFill + 3:
            if (v > 255) {
                Beep();
                return false;
            }
            dbg::FillMemory(*memory, rangeStart, rangeEnd, static_cast<uint8_t>(v));
            break;
        default: break;
    }
    CloseEditors();
    FormShow();
    return true;
}

void TFormDebugger::SbCopyClick(bool count) {
    countMode = count;
    OpenValueEditor(0, kStepCopy, dbgwin::Text(kSection, "text.FillCopy.Start", "Start:"), lblTicks);
}

void TFormDebugger::SbFillClick(bool count) {
    countMode = count;
    OpenValueEditor(0, kStepFill, dbgwin::Text(kSection, "text.FillCopy.Start", "Start:"), lblTicks);
}

void TFormDebugger::OpenDumpEditor(uint16_t address, int byteIndex, QLabel* line) {
    if (!memory) return;
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = memory->ReadByte(static_cast<uint16_t>(address + i));
    dumpAddress = address;
    editTarget = line;
    meEditDump->setInputMask(decimal ? "999 999 999 999 999 999 999 999; "
                                     : ">\\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH \\#HH; ");
    meEditDump->setText(Q(dbg::FormatBytes(b, decimal)));
    meEditDump->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(34, 'M')));
    PlaceOver(meEditDump, line, 8);
    meEditDump->setFocus();
    meEditDump->setSelection(byteIndex * 4 + (decimal ? 0 : 1), 1);
    EnableControls(false);
}

bool TFormDebugger::DumpEnter() {
    uint8_t b[8];
    const int r = dbg::ParseBytes(meEditDump->text().toStdString(), decimal, b);
    if (r < 0) {
        const int caret = -r - 2;
        meEditDump->setSelection((caret / 4) * 4 + (decimal ? 0 : 1), 1);
        Beep();
        return false;
    }
    if (r == 1) dbg::WriteDumpBytes(*memory, dumpAddress, b);
    else Beep();
    CloseEditors();
    FormShow();
    return r == 1;
}

void TFormDebugger::OpenAsciiEditor(uint16_t address, int charIndex, QLabel* line, int count) {
    if (!memory) return;
    QString text;
    for (int i = 0; i < count; ++i) text += QChar(dbg::DumpChar(memory->ReadByte(static_cast<uint16_t>(address + i))));
    asciiAddress = address;
    editTarget = line;
    meEditAscii->setMaxLength(count);
    meEditAscii->setText(text);
    meEditAscii->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(count + 2, 'M')));
    PlaceOver(meEditAscii, line, count == 8 ? 41 : 9);
    meEditAscii->setFocus();
    meEditAscii->setSelection(charIndex, 1);
    EnableControls(false);
}

void TFormDebugger::AsciiEnter() {
    std::u16string text = meEditAscii->text().toStdU16String();
    dbg::WriteTextBytes(*memory, asciiAddress, text);
    CloseEditors();
    FormShow();
}

void TFormDebugger::OpenAsmEditor(uint16_t address, bool preload) {
    if (!memory) return;
    asmAddress = address;
    asmPreload = preload;
    asmPrefix->setText(Q(dbg::PaddedWord(address, decimal)) + "  ");
    asmPrefix->adjustSize();
    meInlineAsm->setMaxLength(notation ? 15 : 13);
    meInlineAsm->setFixedWidth(QFontMetrics(font()).horizontalAdvance(QString(17, 'M')));
    // The line it lies over: the list line showing the address, else the first one.
    QLabel* over = dumpLines[0];
    for (int t = 10; t < 20; ++t)
        if (TypeIndex() == TypeDisassembling && ListLineAddress(t) == address) over = dumpLines[t - 10];
    PlaceOver(asmPrefix, over, 1);
    meInlineAsm->move(asmPrefix->geometry().right() + 1, asmPrefix->y());
    meInlineAsm->raise();
    meInlineAsm->show();
    meInlineAsm->setFocus();
    if (preload) {
        uint16_t a = address;
        const std::string line = dbg::DisassembleLine(*memory, a, decimal, notation);
        meInlineAsm->setText(Q(line.size() > 16 ? line.substr(16) : std::string()));
        meInlineAsm->selectAll();
    } else {
        meInlineAsm->clear();
    }
    EnableControls(false);
}

bool TFormDebugger::AsmEnter() {
    QString typed = meInlineAsm->text();
    typed = notation ? typed.toLower() : typed.toUpper();
    uint8_t opcode = 0;
    uint16_t operand = 0;
    const int r = dbg::Assemble(typed.toStdString(), notation, decimal, opcode, operand);
    if (r >= 0) {
        Beep();
        meInlineAsm->setSelection(r, 1);
        return false;
    }
    const uint16_t a = static_cast<uint16_t>(asmAddress);
    memory->WriteByte(a, opcode);
    if (r == -2) memory->WriteByte(static_cast<uint16_t>(a + 1), static_cast<uint8_t>(operand));
    if (r == -3) memory->WriteWord(static_cast<uint16_t>(a + 1), operand);
    ShowInstructions();
    ShowList();
    OpenAsmEditor(static_cast<uint16_t>(a - r), asmPreload);
    return true;
}
