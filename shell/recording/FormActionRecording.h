#pragma once
// The action-recording window: the start panel asked when a recording is
// created (shown modally), and the recording panel with one thumbnail per
// snapshot of the recording beside the main window.
#include <QDialog>

#include <string>
#include <vector>

#include "ui/Prompts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QToolButton;
class QWidget;
class Recording;
class ScreenDAD85;

class TFormActionRecording : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 362;
    static constexpr int kClientHeight = 187;
    static constexpr int kThumbWidth = 144;
    static constexpr int kThumbHeight = 128;
    static constexpr int kThumbStep = 154;

    explicit TFormActionRecording(QWidget* parent = nullptr);
    ~TFormActionRecording() override;

    // Panels: the start panel (true) or the recording panel.
    void ShowStartPanel(bool start);
    bool StartFromSnapshot() const;      // RbFromExistSnap
    std::string SnapshotFileText() const;  // EditSnapFile, as shown
    bool ExternalSnapshots() const;      // CheckExtSnapFile

    void RbCurrentPosClick();
    void RbFromExistSnapClick();
    void SbSelectSnapFileClick();
    // False when OK must be refused (no snapshot file chosen).
    bool FormCloseQuery();
    void FormShow();
    void FormClose();

    void SetSources(ScreenDAD85* screen, Recording* recording);
    void ClearThumbnails();
    void AddThumbnail();
    void AddAllThumbnails();
    void RemoveLastThumbnail();
    int ThumbnailCount() const { return static_cast<int>(thumbnails.size()); }
    QLabel* Thumbnail(int index) const { return thumbnails[static_cast<size_t>(index)]; }
    QScrollArea* Strip() const { return scrlBox; }

    // The recording panel says so while the machine is paused (after creating or
    // continuing a recording it waits for the user to run it).
    void SetPaused(bool paused);
    bool PausedShown() const;

    // The file dialog and the error box go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ScrollToStart();
    void ScrollToEnd();
    void ResizeStrip();
    void FitToTexts();
    static constexpr int kKeysGap = 8;

    bool firstShow = true;
    std::vector<QLabel*> thumbnails;
    ScreenDAD85* renderer = nullptr;
    Recording* recording = nullptr;
    Prompts* prompts = &DefaultPrompts();

    QWidget* panelCreate = nullptr;
    QWidget* panelRecording = nullptr;
    QRadioButton* rbCurrentPos = nullptr;
    QRadioButton* rbFromExistSnap = nullptr;
    QLabel* lblSnapFile = nullptr;
    QLineEdit* editSnapFile = nullptr;
    QToolButton* sbSelectSnapFile = nullptr;
    QCheckBox* checkExtSnapFile = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QScrollArea* scrlBox = nullptr;
    QWidget* strip = nullptr;
    QWidget* keysRow = nullptr;
    QLabel* lblPaused = nullptr;
};
