// The tape browser and the tape-header editor, offscreen: opening a tape,
// selecting blocks, edit-mode operations, the editor's OK and Cancel, and
// the refusals to close while editing. Dialogs are replaced by hooks.
#include <QtTest>

#include <QCheckBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

#include "common/Lang.h"
#include "shell/FormMain.h"
#include "tests/qt/FakePrompts.h"
#include "tests/qt/TestProgramDir.h"
#include "tools/tape/TapeFile.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "tools/tape/window/TapeBrowser.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Word(Bytes& out, unsigned w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

// A PTP header block: number, type, start, data bytes, name.
Bytes HeaderBlock(uint8_t number, uint8_t type, uint16_t start, const Bytes& data, const char* name) {
    Bytes part(16, 0xFF);
    part.insert(part.end(), 16, 0x00);
    part.insert(part.end(), 16, 0x55);
    part.push_back(number);
    part.push_back(type);
    Word(part, start);
    Word(part, static_cast<unsigned>(data.size() - 1));
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        ended = ended || !name[i];
        part.push_back(static_cast<uint8_t>(ended ? ' ' : name[i]));
    }
    uint8_t sum = 0;
    for (int i = 48; i < 62; ++i) sum = static_cast<uint8_t>(sum + part[i]);
    part.push_back(sum);
    Bytes out;
    Word(out, 63);
    out.insert(out.end(), part.begin(), part.end());
    Word(out, static_cast<unsigned>(data.size() + 1));
    out.insert(out.end(), data.begin(), data.end());
    uint8_t s = 0;
    for (uint8_t b : data) s = static_cast<uint8_t>(s + b);
    out.push_back(s);
    return out;
}

Bytes Record(const Bytes& data) {
    Bytes out;
    Word(out, static_cast<unsigned>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace

class TapeBrowserTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<TFormTapeBrowser> browser;
    std::unique_ptr<TFormEditTapeHeader> editor;
    FakePrompts prompts;  // of the browser and the editor
    std::string& savePath = prompts.defaultPath;  // the file dialogs' answer

    std::string Tape() {
        Bytes t = HeaderBlock(5, '>', 0x2401, {1, 2, 3}, "HELLO");
        const Bytes r = Record({9, 8, 7, 6});
        t.insert(t.end(), r.begin(), r.end());
        const Bytes h = HeaderBlock(2, '?', 0x4000, Bytes(10, 0x44), "DATA");
        t.insert(t.end(), h.begin(), h.end());
        const std::string path = (dir.path() + "/three.ptp").toStdString();
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(t.data()), static_cast<qint64>(t.size()));
        return path;
    }
    void Select(std::initializer_list<int> rows) {
        browser->ListViewTape->clearSelection();
        for (int r : rows) browser->ListViewTape->topLevelItem(r)->setSelected(true);
    }
    QString Text(int row, int column) { return browser->ListViewTape->topLevelItem(row)->text(column); }
    std::string File(const char* name, const Bytes& bytes) {
        const std::string path = (dir.path() + "/" + name).toStdString();
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    QImage RowPicture(int row) {
        const QIcon icon = browser->ListViewTape->topLevelItem(row)->icon(0);
        QSize size = browser->ListViewTape->iconSize();
        if (!size.isValid()) size = QSize(32, 16);
        return icon.isNull() ? QImage() : icon.pixmap(size).toImage();
    }

private slots:
    void init() {
        editor = std::make_unique<TFormEditTapeHeader>();
        browser = std::make_unique<TFormTapeBrowser>();
        browser->SetHeaderEditor(editor.get());
        prompts = FakePrompts();
        prompts.defaultAnswer = Prompts::Answer::Cancel;
        browser->SetPrompts(prompts);
        editor->SetPrompts(prompts);
    }
    void cleanup() {
        browser.reset();
        editor.reset();
    }

    void controlsAreNamed() {
        for (const char* n : {"SBtnInsertTape", "SBtnNewTape", "SBtnEditTape", "SBtnSaveTape", "SBtnAdd", "SBtnDelete",
                              "SBtnUp", "SBtnDown", "SBtnPopUp", "SBtnStop", "SBtnPlay", "SBtnFlashLoad", "SBtnMonit",
                              "ListViewTape", "ProgressBar", "CbAutoStop", "LblAutoStop", "PopupMenu",
                              "PiAddFileAsHeaderBlock", "PiAddFileAsHeadless", "PiEditHead", "PiRepairBlockCRC",
                              "PiToHeadless", "PiToHeader", "PiDelSel", "PiSaveAsPTP", "PiSaveAsPmd", "PiSaveAsRaw",
                              "PiSaveAsTxt", "PiCreateFromTxt"})
            QVERIFY2(browser->findChild<QObject*>(n), n);
        for (const char* n : {"MeNumber", "EditType", "EditName", "MeStart", "MeLength", "CheckHex", "BtnOK",
                              "BtnCancel", "LblNumber", "LblType", "LblName", "LblStart", "LblLength"})
            QVERIFY2(editor->findChild<QObject*>(n), n);
        QCOMPARE(browser->objectName(), QString("FormTapeBrowser"));
        QCOMPARE(editor->objectName(), QString("FormEditTapeHeader"));
        // A tool window of the main window: above it, not above the desktop's other windows.
        QVERIFY((browser->windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
        QVERIFY(!(browser->windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void openingListsTheBlocks() {
        browser->SetTapeFileName(Tape());
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 3);
        QCOMPARE(Text(0, 0), QString("05/> HELLO   "));
        QCOMPARE(Text(0, 1), QString("9217 (2401h)"));
        QCOMPARE(Text(0, 2), QString("2 (0002h)"));
        QCOMPARE(Text(1, 0), QString("..."));
        QCOMPARE(Text(1, 1), QString(""));
        QCOMPARE(Text(1, 2), QString("4 (0004h)"));
        QCOMPARE(Text(2, 0), QString("02/? DATA    "));
        QVERIFY(browser->windowTitle().endsWith(" - three.ptp"));
        QCOMPARE(browser->Deck().CurrentIndex(), 0);
        QVERIFY(browser->SBtnPlay->isEnabled());  // no tape device yet, but a list
        QVERIFY(!browser->SBtnAdd->isEnabled());
    }

    // At the window's default size every cell and heading fits its column and
    // no column lies beyond the list's right edge.
    void columnsFitTheirContentAtTheDefaultSize() {
        Bytes t = HeaderBlock(31, '>', 0x7C00, Bytes(60000, 0x11), "WWWWWWWW");
        const Bytes r = Record(Bytes(65000, 0x22));
        t.insert(t.end(), r.begin(), r.end());
        const std::string path = (dir.path() + "/wide.ptp").toStdString();
        QFile f(QString::fromStdString(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(t.data()), static_cast<qint64>(t.size()));
        f.close();
        browser->SetTapeFileName(path);
        browser->show();
        QVERIFY(QTest::qWaitForWindowExposed(browser.get()));
        QTest::qWait(20);
        QTreeWidget* list = browser->ListViewTape;
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(Text(0, 0), QString("31/> WWWWWWWW"));
        QCOMPARE(Text(0, 1), QString("31744 (7C00h)"));
        QCOMPARE(Text(0, 2), QString("59999 (EA5Fh)"));
        QCOMPARE(Text(1, 2), QString("65000 (FDE8h)"));
        // What the list's own delegate asks for each cell.
        QStyleOptionViewItem opt;
        opt.initFrom(list);
        opt.font = list->font();
        const int icon = list->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list);
        opt.decorationSize = list->iconSize().isValid() ? list->iconSize() : QSize(icon, icon);
        opt.features = QStyleOptionViewItem::HasDisplay;
        for (int c = 0; c < 3; ++c) {
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QModelIndex index = list->model()->index(row, c);
                const int need = list->itemDelegate()->sizeHint(opt, index).width();
                QVERIFY2(need <= list->columnWidth(c),
                         qPrintable(QString("row %1 column %2 \"%3\": needs %4, has %5")
                                        .arg(row).arg(c).arg(Text(row, c)).arg(need).arg(list->columnWidth(c))));
            }
            QVERIFY2(list->header()->sectionSizeHint(c) <= list->columnWidth(c), qPrintable(QString("heading %1").arg(c)));
        }
        QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
        QVERIFY(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2) <= list->viewport()->width());
    }

    void selectionAndMenuStates() {
        browser->SetTapeFileName(Tape());
        Select({1});
        browser->ListViewTape->setCurrentItem(browser->ListViewTape->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
        browser->ListViewTapeDblClick();
        QCOMPARE(browser->Deck().CurrentIndex(), 1);
        QVERIFY(!browser->SBtnDelete->isEnabled());  // not in edit mode
        browser->PopupMenuPopup();
        QVERIFY(browser->PiSaveAsRaw->isEnabled());
        QVERIFY(!browser->PiSaveAsTxt->isEnabled());
        QVERIFY(!browser->PiToHeader->isEnabled());  // edit mode only
        QVERIFY(!browser->PiSaveAsPmd->isEnabled());  // starts headless
        Select({0});
        browser->PopupMenuPopup();
        QVERIFY(browser->PiSaveAsTxt->isEnabled());   // one header block of type ">"
        QVERIFY(browser->PiSaveAsPmd->isEnabled());
        Select({2});
        browser->PopupMenuPopup();
        QVERIFY(!browser->PiSaveAsTxt->isEnabled());
        Select({0, 1, 2});
        browser->PopupMenuPopup();
        QVERIFY(!browser->PiSaveAsPmd->isEnabled());  // header, headless, header
        QVERIFY(browser->PiSaveAsPTP->isEnabled());
    }

    void editModeOperations() {
        const std::string path = Tape();
        browser->SetTapeFileName(path);
        browser->SBtnEditTapeClick();
        QVERIFY(browser->EditMode());
        QVERIFY(browser->SBtnAdd->isEnabled());
        QVERIFY(!browser->SBtnPlay->isEnabled());
        QVERIFY(!browser->SBtnInsertTape->isEnabled());
        Select({2});
        browser->ListViewTapeClick();
        QVERIFY(browser->SBtnDelete->isEnabled());
        QVERIFY(browser->SBtnUp->isEnabled());
        QVERIFY(!browser->SBtnDown->isEnabled());  // the selection ends at the last row
        browser->SBtnDownUpClick(false);
        QCOMPARE(Text(1, 0), QString("02/? DATA    "));
        QCOMPARE(browser->SelectedRows(), (std::vector<int>{1}));
        QVERIFY(browser->SBtnSaveTape->isEnabled());
        browser->SBtnDeleteClick();
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 2);
        // Edit a header through the editor: OK takes the new values.
        Select({0});
        prompts.AnswerDialogs<TFormEditTapeHeader>([](TFormEditTapeHeader& e) {
            e.MeNumber->setText("200");
            e.EditName->setText("NEWNAME");
            e.accept();
            return e.result();
        });
        browser->PiEditHeadClick();
        QCOMPARE(Text(0, 0), QString("200/> NEWNAME "));
        // Cancel leaves the block.
        prompts.AnswerDialogs<TFormEditTapeHeader>([](TFormEditTapeHeader& e) {
            e.EditName->setText("OTHER");
            e.reject();
            return e.result();
        });
        Select({0});
        browser->PiEditHeadClick();
        QCOMPARE(Text(0, 0), QString("200/> NEWNAME "));
        // To headless and back.
        Select({0});
        browser->PiToHeadlessClick();
        QCOMPARE(Text(0, 0), QString("..."));
        QCOMPARE(Text(0, 2), QString("3 (0003h)"));
        prompts.AnswerDialogs<TFormEditTapeHeader>([](TFormEditTapeHeader& e) {
            e.accept();
            return e.result();
        });
        Select({0});
        browser->PiToHeaderClick();
        QCOMPARE(Text(0, 0), QString("00/? HEADLESS"));
        // Leaving with changes: No drops them and reloads the file.
        prompts.defaultAnswer = Prompts::Answer::No;
        browser->SBtnEditTapeClick();
        QVERIFY(!browser->EditMode());
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 3);
        QCOMPARE(Text(0, 0), QString("05/> HELLO   "));
    }

    void savingAfterEditsWritesTheTape() {
        browser->SetTapeFileName(Tape());
        browser->SBtnEditTapeClick();
        Select({1});
        browser->SBtnDeleteClick();
        savePath = (dir.path() + "/saved.ptp").toStdString();
        prompts.defaultAnswer = Prompts::Answer::Yes;
        browser->SBtnEditTapeClick();
        QVERIFY(!browser->EditMode());
        QCOMPARE(ReadTapeFile(savePath).blocks.size(), size_t(2));
        QCOMPARE(browser->Deck().TapePath(), savePath);
        // A folder that cannot take the file: the box, and edit mode stays.
        browser->SBtnEditTapeClick();
        Select({0});
        browser->SBtnDeleteClick();
        savePath = (dir.path() + "/missing/x.ptp").toStdString();
        browser->SBtnEditTapeClick();
        QVERIFY(browser->EditMode());
        QCOMPARE(prompts.Errors().size(), 1);
    }

    void headerEditorOkAndCancel() {
        struct Case {
            const char* number;
            const char* type;
            const char* name;
            const char* start;
            bool hex;
            bool accepted;
        };
        const Case cases[] = {
            {"00", "?", "NAME", "#2401", true, true},
            {"255", "~", "AB CD", "65535", false, true},
            {"256", "?", "NAME", "#0000", true, false},
            {"00", " ", "NAME", "#0000", true, false},
            {"00", "\xC3\xA1", "NAME", "#0000", true, false},
            {"00", "?", "   ", "#0000", true, false},
            {"00", "?", "NAME", "65536", false, false},
        };
        for (const Case& c : cases) {
            editor->CheckHex->setChecked(c.hex);
            editor->SetValues(0, 9);
            editor->MeNumber->setText(c.number);
            editor->EditType->setText(QString::fromUtf8(c.type));
            editor->EditName->setText(c.name);
            editor->MeStart->setText(c.start);
            editor->setResult(QDialog::Rejected);
            prompts.Clear();
            editor->accept();
            QCOMPARE(editor->result() == QDialog::Accepted, c.accepted);
            QCOMPARE(prompts.Warnings().size(), c.accepted ? 0 : 1);
        }
        // Switching the mode keeps the values; an invalid start becomes 0.
        editor->CheckHex->setChecked(true);
        editor->SetValues(0x2401, 0x10);
        editor->CheckHex->click();
        QCOMPARE(editor->MeStart->displayText(), QString("09217"));
        QCOMPARE(editor->MeLength->displayText(), QString("00016"));
        editor->MeStart->setText("99999");
        editor->CheckHex->click();
        QCOMPARE(editor->MeStart->displayText(), QString("#0000"));
        editor->reject();
        QCOMPARE(editor->result(), int(QDialog::Rejected));
    }

    void basicImportGoesThroughATemporaryFileOfOurOwn() {
        browser->SetTapeFileName(Tape());
        browser->SBtnEditTapeClick();
        const QString text = dir.path() + "/prog.txt";
        {
            QFile f(text);
            f.open(QIODevice::WriteOnly);
            f.write("10 PRINT \"HI\"\r\n20 END\r\n");
        }
        savePath = text.toStdString();  // the open dialog's answer
        QString editorName, editorType;
        bool typeEnabled = true;
        prompts.AnswerDialogs<TFormEditTapeHeader>([&](TFormEditTapeHeader& e) -> int {
            editorName = e.EditName->text();
            editorType = e.EditType->text();
            typeEnabled = e.EditType->isEnabled();
            e.accept();
            return e.result();
        });
        browser->PiCreateFromTxtClick();
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 4);
        QVERIFY2(editorName.startsWith("PROG.TXT"), qPrintable(editorName));
        QCOMPARE(editorType, QString(">"));
        QVERIFY(!typeEnabled);
        std::string temp;
        {
            const TapeBlock b = browser->Deck().Blocks().back();
            QCOMPARE(int(b.type), int('>'));
            QCOMPARE(int(b.start), 0x2401);
            temp = b.source;
        }
        // The program lies in the temporary folder, not beside the text.
        QVERIFY(!QString::fromStdString(temp).startsWith(dir.path()));
        QVERIFY(QFile::exists(QString::fromStdString(temp)));
        QVERIFY(QDir(dir.path()).entryList({"*tmp*"}, QDir::Files).isEmpty());
        QVERIFY(!QFile::exists(text + ".log"));  // nothing doubtful
        // Written into the tape, it is the tokenised program and its sum;
        // the list then comes from the tape and the temporary file goes.
        savePath = (dir.path() + "/with-basic.ptp").toStdString();
        browser->SBtnSaveTapeClick();
        const TapeBlockList saved = ReadTapeFile(savePath).blocks;
        QCOMPARE(saved.size(), size_t(4));
        QVERIFY(!saved.back().bodySumBad);
        QCOMPARE(int(saved.back().type), int('>'));
        // Two lines of 11 and 6 bytes and the end link: 19 bytes, length field 18.
        QCOMPARE(int(saved.back().length), 18);
        QVERIFY(!QFile::exists(QString::fromStdString(temp)));
    }

    void closingWhileEditingIsRefused() {
        browser->SetTapeFileName(Tape());
        browser->show();
        browser->SBtnEditTapeClick();
        QVERIFY(!browser->close());  // no changes: stays open
        QVERIFY(browser->isVisible());
        Select({0});
        browser->SBtnDeleteClick();
        prompts.defaultAnswer = Prompts::Answer::Cancel;
        QVERIFY(!browser->close());
        prompts.defaultAnswer = Prompts::Answer::No;
        QVERIFY(browser->close());
        QVERIFY(!browser->EditMode());
    }

    // A file that is no tape is not inserted, and a box says what is wrong
    // with it; a tape read only in part is inserted with a box.
    void filesThatAreNoTapeSaySo() {
        OpenLanguageFilePath(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini");
        QDir(dir.path()).mkdir("folder.ptp");
        Bytes noCount(200, 0x11);  // a first count of 1111h that the file cannot hold
        Bytes part = Record({1, 2, 3, 4});
        part.push_back(0xFF);
        part.push_back(0xFF);
        uint32_t x = 12345;
        for (int i = 0; i < 1000; ++i) part.push_back(static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24));
        struct Case {
            const char* name;
            std::string path;
            bool inserted;
            QString text;
        } cases[] = {
            {"a folder", (dir.path() + "/folder.ptp").toStdString(), false, "cannot be opened"},
            {"a missing file", (dir.path() + "/missing.ptp").toStdString(), false, "cannot be opened"},
            {"too short", File("short.ptp", Bytes(64, 0xFF)), false, "holds no tape"},
            {"no block", File("nocount.ptp", noCount), false, "holds no tape"},
            {"random bytes after a block", File("random.ptp", part), true, "Only the first 6 bytes"},
        };
        for (const Case& c : cases) {
            for (bool insertButton : {false, true}) {
                const QByteArray what = QByteArray(c.name) + (insertButton ? " (insert button)" : " (opened)");
                const std::string tape = Tape();
                browser->SetTapeFileName(tape);
                prompts.boxes.clear();
                if (insertButton) {
                    savePath = c.path;
                    browser->SBtnInsertTapeClick();
                } else {
                    QCOMPARE(browser->SetTapeFileName(c.path), c.inserted);
                }
                QVERIFY2(prompts.boxes.size() == 1, what.constData());
                QVERIFY2(prompts.boxes[0].title == "Open tape", what.constData());
                QVERIFY2(prompts.boxes[0].text.contains(c.text), qPrintable(what + ": " + prompts.boxes[0].text));
                QVERIFY2(prompts.boxes[0].text.contains(QFileInfo(QString::fromStdString(c.path)).fileName()),
                         what.constData());
                // A file that is no tape leaves the tape in the deck.
                QCOMPARE(browser->Deck().TapePath(), c.inserted ? c.path : tape);
                QCOMPARE(browser->ListViewTape->topLevelItemCount(), c.inserted ? 1 : 3);
            }
        }
        CloseLanguageFile();
    }

    // The three state pictures differ, and the current row shows its state
    // beside the current-block arrow.
    void editButtonShowsItsEditModePicture() {
        browser->SetTapeFileName(Tape());
        auto shown = [this] {
            const QToolButton* b = browser->SBtnEditTape;
            return b->icon().pixmap(16, QIcon::Normal, b->isChecked() ? QIcon::On : QIcon::Off).toImage();
        };
        const QImage normal = shown();
        browser->SBtnEditTapeClick();
        QVERIFY(browser->EditMode());
        const QImage editing = shown();
        QVERIFY(!editing.isNull());
        QVERIFY(editing != normal);
        browser->SBtnEditTapeClick();
        QVERIFY(!browser->EditMode());
        QCOMPARE(shown(), normal);
    }

    void statePicturesAreDistinctAlsoOnTheCurrentRow() {
        Bytes t = HeaderBlock(1, '>', 0x2401, {1, 2, 3}, "GOOD");
        Bytes headSum = HeaderBlock(2, '>', 0x2401, {1, 2, 3}, "HEAD");
        headSum[2 + 62] ^= 0x01;
        Bytes length = HeaderBlock(3, '>', 0x2401, {1, 2, 3}, "LENGTH");
        length[2 + 63] = 5;  // a body count of 5, not 4
        length.push_back(0);
        Bytes bodySum = HeaderBlock(4, '>', 0x2401, {1, 2, 3}, "BODY");
        bodySum.back() ^= 0x01;
        for (const Bytes* b : {&headSum, &length, &bodySum}) t.insert(t.end(), b->begin(), b->end());
        browser->SetTapeFileName(File("states.ptp", t));
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 4);
        for (int r = 0; r < 4; ++r)
            QCOMPARE(browser->ListViewTape->topLevelItem(r)->data(0, Qt::UserRole).toInt(), r == 0 ? -1 : r);
        QVERIFY(!RowPicture(0).isNull());  // current
        const QImage notCurrent[3] = {RowPicture(1), RowPicture(2), RowPicture(3)};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!notCurrent[i].isNull());
            for (int j = 0; j < i; ++j) QVERIFY2(notCurrent[i] != notCurrent[j], qPrintable(QString("%1 %2").arg(i).arg(j)));
        }
        const QImage currentGood = RowPicture(0);
        for (int r = 1; r < 4; ++r) {
            browser->Deck().SelectCurrentBlock(r);
            browser->FillListView();
            const QImage current = RowPicture(r);
            QVERIFY2(current != currentGood, qPrintable(QString::number(r)));
            QVERIFY2(current != notCurrent[r - 1], qPrintable(QString::number(r)));
            QVERIFY(RowPicture(0).isNull());
        }
    }

    // Name and type bytes that are control codes show as middle dots.
    void controlCodesInANameAreReadable() {
        Bytes t = HeaderBlock(1, '>', 0x2401, {1, 2, 3}, "X");
        for (int i = 0; i < 8; ++i) t[2 + 54 + i] = 0x00;
        uint8_t sum = 0;
        for (int i = 48; i < 62; ++i) sum = static_cast<uint8_t>(sum + t[2 + i]);
        t[2 + 62] = sum;
        browser->SetTapeFileName(File("nul.ptp", t));
        QCOMPARE(Text(0, 0), QString("01/> ") + QString(8, QChar(0x00B7)));
    }

    // Two headless blocks in a row cannot be told apart in a PMD file: the
    // save is refused with a box and no file is made.
    void savingAsPmdRefusesWhatWouldMergeBlocks() {
        OpenLanguageFilePath(std::string(ORVIK_SOURCE_DIR) + "/resources/Lang/English.ini");
        Bytes t = HeaderBlock(1, '?', 0x3000, {1, 2, 3}, "HEAD");
        for (uint8_t seed : {1, 2}) {
            const Bytes r = Record(Bytes(40, seed));
            t.insert(t.end(), r.begin(), r.end());
        }
        browser->SetTapeFileName(File("two.ptp", t));
        QCOMPARE(browser->ListViewTape->topLevelItemCount(), 3);
        Select({0, 1, 2});
        browser->PopupMenuPopup();
        savePath = (dir.path() + "/two.pmd").toStdString();
        browser->PiSaveAsClick(TapeLayout::Pmd);
        QCOMPARE(prompts.Errors(), QStringList{"Write tape"});
        QVERIFY(prompts.boxes.back().text.contains("PMD file keeps a headless block only as its last block"));
        QVERIFY(!QFile::exists(QString::fromStdString(savePath)));
        CloseLanguageFile();
    }

    // Files made through the dialogs get the lower-case extensions of the filters.
    void newFilesGetLowerCaseExtensions() {
        browser->SetTapeFileName(Tape());
        savePath.clear();  // every dialog cancelled
        browser->SBtnSaveTapeClick();
        QCOMPARE(prompts.files.back().ext, std::string("ptp"));
        Select({0});
        browser->PiSaveAsClick(TapeLayout::Pmd);
        QCOMPARE(prompts.files.back().ext, std::string("pmd"));
        browser->PiSaveAsClick(TapeLayout::Ptp);
        QCOMPARE(prompts.files.back().ext, std::string("ptp"));
        std::string path;
        browser->AskSaveTapeFile(path);
        QCOMPARE(prompts.files.back().ext, std::string("ptp"));
        browser->SBtnInsertTapeClick();
        QCOMPARE(prompts.files.back().ext, std::string("ptp"));
    }

    void mainWindowHandsTapesOverAndRefusesToCloseWhileEditing() {
        browser.reset();
        editor.reset();
        TestProgramDir prog;
        QVERIFY(prog.Make());
        TFormMain::SetProgramDirOverride(prog.Path().toStdString());
        {
            TFormMain form(prompts);
            form.show();
            TFormTapeBrowser* b = form.TapeBrowser();
            QVERIFY(b);
            QVERIFY(form.findChild<QObject*>("MiTapeBrowser"));
            QVERIFY(form.findChild<QObject*>("MiOpenTape"));
            QVERIFY(form.OpenTapeFile(QString::fromStdString(Tape())));
            QVERIFY(b->isVisible());
            QCOMPARE(b->ListViewTape->topLevelItemCount(), 3);
            QVERIFY(!form.OpenTapeFile(dir.path() + "/x.psn"));
            // A file that holds no tape: a box, and the tape stays.
            const size_t boxes = prompts.boxes.size();
            QVERIFY(form.OpenTapeFile(QString::fromStdString(File("short.ptp", Bytes(10, 0)))));
            QCOMPARE(prompts.boxes.size(), boxes + 1);
            QCOMPARE(b->ListViewTape->topLevelItemCount(), 3);
            form.OpenFileByName(dir.filePath("short.ptp").toStdString());
            QCOMPARE(prompts.boxes.size(), boxes + 2);
            // An action recording is made with the lower-case extension.
            form.MiCreatePrcClick();
            QCOMPARE(prompts.files.back().ext, std::string("prc"));
            b->SBtnEditTapeClick();
            QVERIFY(!form.OpenTapeFile(QString::fromStdString(Tape())));  // editing: not taken
            QVERIFY(!form.close());
            QVERIFY(form.isVisible());
            b->SBtnEditTapeClick();
            QVERIFY(!b->EditMode());
            QVERIFY(form.close());
        }
        TFormMain::SetProgramDirOverride("");
    }
};

QTEST_MAIN(TapeBrowserTest)
#include "TapeBrowserTest.moc"
