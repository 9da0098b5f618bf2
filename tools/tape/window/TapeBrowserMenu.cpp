#include "tools/tape/window/TapeBrowser.h"

// The pop-up menu: adding, converting, editing and saving blocks, and the
// BASIC export and import.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <cctype>
#include <memory>

#include "common/Lang.h"
#include "common/Paths.h"
#include "machine/core/RequestWords.h"
#include "ui/WindowPlacement.h"
#include "tools/tape/BasicFiles.h"
#include "tools/tape/BasicText.h"
#include "tools/tape/HeaderRules.h"
#include "tools/tape/window/EditTapeHeader.h"
#include "tools/tape/window/TapeBrowserText.h"

using namespace tapebrowser;

void TFormTapeBrowser::PopupMenuPopup() {
    const std::vector<int> rows = SelectedRows();
    const TapeBlockList blocks = deck.Blocks();
    const size_t n = rows.size();
    const bool edit = deck.EditMode();
    const TapeBlock* b = n > 0 && rows[0] < static_cast<int>(blocks.size()) ? &blocks[rows[0]] : nullptr;
    const bool header = b && b->IsHeader();
    PiDelSel->setEnabled(n > 0 && edit);
    PiSaveAsPTP->setEnabled(n > 0);
    PiAddFileAsHeaderBlock->setEnabled(edit);
    PiAddFileAsHeadless->setEnabled(edit);
    PiCreateFromTxt->setEnabled(edit);
    PiSaveAsRaw->setEnabled(n == 1);
    PiToHeadless->setEnabled(n == 1 && header && edit);
    PiSaveAsTxt->setEnabled(n == 1 && header && b->type == '>');
    PiToHeader->setEnabled(n == 1 && b && !header && edit);
    PiEditHead->setEnabled(n == 1 && header && edit);
    PiRepairBlockCRC->setEnabled(n == 1 && header && b->bodySumBad && edit);
    PiSaveAsPmd->setEnabled(n > 0 && deck.CanSaveAsPmd(rows));
}

int TFormTapeBrowser::RunEditor() {
    if (!headerEditor) return QDialog::Rejected;
    const QRect r = frameGeometry();
    headerEditor->adjustSize();
    PlaceWindowFrame(headerEditor, r.center() - QPoint(headerEditor->width() / 2, headerEditor->height() / 2));
    return prompts->Exec(*headerEditor);
}

bool TFormTapeBrowser::EditFields(TapeHeaderFields& fields, const TapeBlock* block, const std::string& name,
                                  int32_t start, int32_t length, bool typeAndStartEnabled, uint16_t* startOut) {
    if (!headerEditor) return false;
    TFormEditTapeHeader& e = *headerEditor;
    if (block) {
        e.MeNumber->setText(QString::fromStdString(FormatBlockNumber(block->number)));
        e.EditType->setText(QString(QLatin1Char(static_cast<char>(block->type))));
        e.EditName->setText(QString::fromStdString(BlockNameText(*block)).trimmed());
    } else {
        e.MeNumber->setText("00");
        e.EditType->setText(typeAndStartEnabled ? "?" : ">");
        e.EditName->setText(QString::fromStdString(name));
    }
    e.EditType->setEnabled(typeAndStartEnabled);
    e.MeStart->setEnabled(typeAndStartEnabled);
    e.SetValues(start, length);
    if (RunEditor() != QDialog::Accepted) return false;
    uint16_t s = 0, l = 0;
    e.GetValues(s, l);
    fields = MakeHeaderFields(std::max(e.Number(), 0), e.EditType->text().toStdString(), s,
                              e.EditName->text().toStdString());
    if (startOut) *startOut = s;
    return true;
}

void TFormTapeBrowser::PiAddFileToTapeClick(int tag, const std::string& file) {
    std::string path = file;
    if (tag != 2) {
        SetTag(TapeRequest::Busy);
        const bool ok = FileDialog(false, "text.AddFileDlg.Title", "text.AddFileDlg.Filter", "", path);
        SetTag(TapeRequest::Idle);
        if (!ok) return;
    }
    AddFile(tag, path);
}

void TFormTapeBrowser::AddFile(int tag, const std::string& path) {
    int32_t size = 0;
    if (TapeFileError e = CheckFileForBlock(path, tag != 1, &size)) {
        ShowFileError(e);
        return;
    }
    TapeBlock block;
    if (tag == 1) {
        if (TapeFileError e = MakeHeadlessBlock(path, block)) {
            ShowFileError(e);
            return;
        }
    } else {
        SetTag(TapeRequest::PauseRequest);
        TapeHeaderFields fields;
        const bool ok = EditFields(fields, nullptr, HeaderNameForFile(path), tag == 2 ? kBasicStart : 0, size - 1,
                                   tag != 2, nullptr);
        if (ok) {
            if (tag == 2) {
                fields.type = '>';
                fields.start = kBasicStart;
            }
            if (TapeFileError e = MakeHeaderBlock(path, fields, block)) {
                ShowFileError(e);
                SetTag(TapeRequest::ResumeRequest);
                return;
            }
        }
        SetTag(TapeRequest::ResumeRequest);
        if (!ok) return;
    }
    if (tag == 2 && path == basicTempFile) block.temp = basicTemp;
    deck.AddBlock(std::move(block));
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::PiEditHeadClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlockList blocks = deck.Blocks();
    const TapeBlock& b = blocks[rows[0]];
    SetTag(TapeRequest::PauseRequest);
    TapeHeaderFields fields;
    if (EditFields(fields, &b, "", b.start, b.length, true, nullptr)) {
        deck.EditHeader(rows[0], fields);
        SBtnSaveTape->setEnabled(true);
    }
    SetTag(TapeRequest::ResumeRequest);
    FillListView();
}

void TFormTapeBrowser::PiRepairBlockCRCClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    deck.RepairBlock(rows[0]);
    FillListView();
}

void TFormTapeBrowser::PiToHeadlessClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    if (!deck.ToHeadless(rows[0])) {
        QApplication::beep();
        return;
    }
    SBtnSaveTape->setEnabled(true);
    FillListView();
}

void TFormTapeBrowser::PiToHeaderClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlock b = deck.Blocks()[rows[0]];
    if (b.length == 0) {
        QApplication::beep();
        return;
    }
    SetTag(TapeRequest::PauseRequest);
    TapeHeaderFields fields;
    if (EditFields(fields, nullptr, "HEADLESS", 0, b.length - 1, true, nullptr)) {
        if (TapeFileError e = deck.ToHeader(rows[0], fields))
            ShowFileError(e);
        else
            SBtnSaveTape->setEnabled(true);
    }
    SetTag(TapeRequest::ResumeRequest);
    FillListView();
}

void TFormTapeBrowser::PiSaveAsClick(TapeLayout layout) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    SetTag(TapeRequest::Busy);
    std::string path;
    const bool pmd = layout == TapeLayout::Pmd;
    if (FileDialog(true, "text.SaveTapeDlg.Title", pmd ? "text.SaveTapeDlg.Filter2" : "text.SaveTapeDlg.Filter",
                   pmd ? "pmd" : "ptp", path))
        if (TapeFileError e = deck.SaveSelection(rows, layout, path)) ShowFileError(e);
    SetTag(TapeRequest::Idle);
}

void TFormTapeBrowser::PiSaveAsRawClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    SetTag(TapeRequest::PauseRequest);
    std::string path;
    if (FileDialog(true, "text.SaveTapeDlg.Title", "text.SaveTapeDlg.Filter2", "", path))
        if (TapeFileError e = ExportRawBlock(deck.Blocks()[rows[0]], path)) ShowFileError(e);
    SetTag(TapeRequest::ResumeRequest);
}

void TFormTapeBrowser::PiSaveAsTxtClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1) return;
    const TapeBlock b = deck.Blocks()[rows[0]];
    if (!b.IsHeader()) return;
    std::string path = BlockNameText(b);
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    path += ".txt";
    SetTag(TapeRequest::PauseRequest);
    if (FileDialog(true, "text.SaveBasicDlg.Title", "text.SaveBasicDlg.Filter", "", path)) {
        std::vector<uint8_t> body;
        if (TapeFileError e = ReadBlockBody(b, body)) {
            ShowFileError(e);
        } else {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const size_t data = body.empty() ? 0 : body.size() - 1;  // without the sum byte
            const BasicExport text = DetokeniseBasic(body.data(), data);
            const TapeFileError written = ExportBasicFile(path, text);
            QApplication::restoreOverrideCursor();
            if (written) {
                ShowFileError(written);
            } else if (text.truncated) {
                prompts->Warning(this, QLang("err.ExportBasic.Title"),
                                 QString::fromStdString(LangTextArg(kSection, "err.ExportBasic.Message", path)));
            }
        }
    }
    SetTag(TapeRequest::ResumeRequest);
}

void TFormTapeBrowser::PiCreateFromTxtClick() {
    if (!deck.EditMode()) return;
    SetTag(TapeRequest::Busy);
    std::string textFile = AppDir();
    if (!FileDialog(false, "text.OpenTextFileDlg.Title", "text.OpenTextFileDlg.Filter", "", textFile)) {
        SetTag(TapeRequest::Idle);
        return;
    }
    SetTag(TapeRequest::PauseRequest);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BasicImport program;
    if (ImportBasicFile(textFile, program)) {
        QApplication::restoreOverrideCursor();
        prompts->Warning(this, QLang("err.OpenTape.Title"),
                         QString::fromStdString(LangTextArg(kSection, "err.OpenTape.Message", textFile)));
        SetTag(TapeRequest::ResumeRequest);
        return;
    }
    if (!program.log.empty()) {
        const std::string logFile = textFile + ".log";
        if (TapeFileError e = WriteBasicLogFile(logFile, BasicLogText(program.log, kSection))) {
            QApplication::restoreOverrideCursor();
            ShowFileError(e);
            SetTag(TapeRequest::ResumeRequest);
            return;
        }
        QApplication::restoreOverrideCursor();
        const QString title = QLang("err.ImportBasic.Title");
        const QString text = QString::fromStdString(LangTextArgs(kSection, "err.ImportBasic.Message", textFile, logFile));
        const Prompts::Answer a = prompts->QuestionCancel(this, title, text, Prompts::Look::Warning);
        if (a == Prompts::Answer::No) prompts->OpenUrl(QUrl::fromLocalFile(QString::fromStdString(logFile)));
        if (a != Prompts::Answer::Yes) {
            SetTag(TapeRequest::ResumeRequest);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    // The tokenised program waits in the temporary folder, not beside the
    // user's text, until the tape is written or the block dropped.
    const TapeFileError stored = WriteTempProgram(FileName(textFile), program.bytes, basicTempFile);
    QApplication::restoreOverrideCursor();
    SetTag(TapeRequest::ResumeRequest);
    if (stored) {
        ShowFileError(stored);
        return;
    }
    // The block shares the file; when the editor is cancelled it goes here.
    basicTemp = std::make_shared<TempSource>(basicTempFile);
    PiAddFileToTapeClick(2, basicTempFile);
    basicTemp.reset();
}
