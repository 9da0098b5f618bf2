#include "tools/debugger/window/FormDebugger.h"
// Construction and layout, settings, showing and closing.

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QToolTip>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/Config.h"
#include "common/Lang.h"
#include "common/TextUtils.h"
#include "machine/core/ModelCapabilities.h"
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
#include "tools/debugger/window/FormDebuggerDetail.h"
#include "ui/WindowPlacement.h"

using namespace dbgwin::formdebugger;

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
    meEditAscii->setContextMenuPolicy(Qt::NoContextMenu);  // typed over: no paste
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

void TFormDebugger::SetPrompts(Prompts& p) {
    prompts = &p;
    disass->SetPrompts(p);
}

QLabel* TFormDebugger::MakeLabel(QWidget* parent, const char* name, int tag) {
    auto* l = new TaggedLabel(parent, tag);
    l->setObjectName(name);
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
    lblRemap->setVisible(Capabilities(model).remap);
    const bool paging = m && m->GetPagingFlag();
    lblMM->setVisible(paging);
    shapeMM->setVisible(paging);
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
    const QColor c = HighlightColor();
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

QColor TFormDebugger::HighlightColor() const {
    // Stored as a Windows colour: red in the low byte.
    return QColor(highlightColor & 0xFF, (highlightColor >> 8) & 0xFF, (highlightColor >> 16) & 0xFF);
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
