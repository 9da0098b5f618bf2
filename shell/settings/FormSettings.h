#pragma once
// The settings dialog: nine pages chosen from a tree, each loaded from the
// configuration document; OK writes what differs and lists the change codes
// for the settings applier. The decisions are in shell/settings/logic.
#include <QDialog>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "machine/owner/MachineOwner.h"
#include "shell/settings/logic/Connectors.h"
#include "shell/settings/logic/FileAssociations.h"
#include "shell/settings/logic/RomPackages.h"
#include "shell/settings/logic/SettingsWriter.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QPushButton;

class TFormSettings : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 9;

    explicit TFormSettings(QWidget* parent = nullptr);
    ~TFormSettings() override;

    // Replaceable user interaction (tests). Question: Yes = true.
    using QuestionBox = std::function<bool(const QString& title, const QString& text)>;
    using MessageBox = std::function<void(const QString& title, const QString& text)>;
    using FileDialog = std::function<bool(bool save, const std::string& title, const std::string& filter,
                                          const std::string& ext, std::string& path)>;
    using FolderDialog = std::function<bool(const std::string& title, std::string& path)>;
    using JoystickSetup = std::function<bool(int row)>;  // true: accepted
    void SetQuestionBox(QuestionBox f) { questionBox = std::move(f); }
    void SetMessageBox(MessageBox f) { messageBox = std::move(f); }
    void SetFileDialog(FileDialog f) { fileDialog = std::move(f); }
    void SetFolderDialog(FolderDialog f) { folderDialog = std::move(f); }
    void SetJoystickSetup(JoystickSetup f) { joystickSetup = std::move(f); }
    // The association store of the General page (default: the user's data folder).
    using StoreFactory = std::function<std::unique_ptr<AssociationStore>()>;
    void SetAssociationStore(StoreFactory f) { storeFactory = std::move(f); }
    // The joystick set-up dialog's changed flag.
    void SetJoystickChanged(bool changed) { joystickChanged = changed; }
    // What the joystick set-up dialog says of connector row (0 K3, 1 K4).
    using JoystickDescription = std::function<QString(int row)>;
    void SetJoystickDescription(JoystickDescription f) { joystickDescription = std::move(f); }

    // Page loaders (also called by the main window at program start).
    void TabGeneralShow();
    void TabModelShow();
    void TabDisplayShow();
    void TabSoundShow();
    void TabControlShow();
    void TabRomPackagesShow();
    void TabStoragesShow();
    void TabPrinterShow();
    // Every loader in the start-up order.
    void LoadAllPages();

    // Writes the controls into the document and fills the change list.
    void BtnOkClick();
    std::vector<int>& ChangeList() { return changeList; }

    // Page tree.
    void SelectPage(int index);
    void TreeItemsClick();
    int ActivePage() const;

    bool CheckConnector(int connector);
    static bool FileHasSize(const std::string& path, int64_t size);
    const ConnectorTable& Connectors() const { return connectors; }

    std::string GetSelectedModelName() const;
    int SelectedModel() const;
    void SelectModel(int model);
    // The module controls as the settings applier reads them.
    ModuleSelection ModuleControls() const;
    // The mute box from the main window's sound button.
    void SetMute(bool mute);
    bool Muted() const;

    // The values of the controls, as OK reads them.
    SettingsControls Controls() const;

    // Built-in texts and their translation keys are walked by the tests.
    QWidget* Page(int index) const;

    // Cancel: nothing is written, and every page shows the document again.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void FitToPages();
    QWidget* BuildGeneral();
    QWidget* BuildModel();
    QWidget* BuildDisplay();
    QWidget* BuildSound();
    QWidget* BuildControls();
    QWidget* BuildRomPackages();
    QWidget* BuildStorages1();
    QWidget* BuildStorages2();
    QWidget* BuildPrinter();

    QString Text(const char* key) const;
    bool Ask(const QString& title, const QString& text);
    void Warn(const QString& title, const QString& text);
    bool ChooseFile(bool save, const char* titleKey, const char* filterKey, const char* ext, std::string& path);
    void SetPath(QLineEdit* edit, const std::string& shown, bool userSet);
    PathEdit ReadPath(QLineEdit* edit) const;

    // Handlers.
    void CbeLangChange(int index);
    void BtnRegtypeUpdateClick();
    void RadioModelClick();
    void CheckInsertRmClick();
    void CbPkgSelect();
    void SbMonOpenClick();
    void CbDispModeChange();
    void CbColorChange();
    void CbPalletteChange();
    void OutTypeClick();
    void CheckMuteClick();
    void CheckJoyClick(int row);
    void BtnJoyClick(int row);
    void FillPackageCombo(QComboBox* combo, const std::string& wanted, bool rebuild);
    void CbRomPackageSelect();
    void CbRomPackageChange();
    void SbRomPackageSaveClick();
    void SbRomPackageDelClick();
    void SbRomFileAddClick();
    void SbRomFileDelClick();
    void FillRomFileListView();
    void RefreshModelPackages();
    void Check32EnableClick();
    void Check32SDClick();
    void Sb32OpenClick(int drive);
    void Sb32NewClick(int drive);
    void Sb32EjectClick(int drive);
    void Sb32ExchClick(int pair);
    void SbRootPathClick();
    void Check30EnableClick();
    void CheckKzdEnableClick();
    void SimpleOpen(QLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext);
    void SimpleNew(QLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext);
    void CheckRaomEnableClick();
    void CbRaomVerChange();
    void SbRaomOpenClick();
    void SbRaomNewClick();
    void RbPrtNoneClick();
    void RbPrtBt100Click();
    void RbPrtXY41xxClick();
    void CbPrtCentronicsClick();
    void CbPrtConnectorChange(int index);
    void CheckOnLptClick();
    void SwitchOff(const std::string& control);

    std::vector<int> changeList;
    ConnectorTable connectors;
    SettingsFlags flags;
    bool treeClick = false;
    bool joyGuard = false;
    bool guard32 = false, guard30 = false, guardKzd = false;
    bool lptProbing = false;
    bool joystickChanged = false;
    bool romPackageEdited = false;
    bool loading = false;
    PackageList packageTable;     // of CbRomPackage
    RomFileList romFiles;         // of the shown package
    int userColors[4] = {15, 15, 15, 15};
    std::vector<std::string> languageBases;
    AssociationBoxes assoc;

    QuestionBox questionBox;
    MessageBox messageBox;
    FileDialog fileDialog;
    FolderDialog folderDialog;
    JoystickSetup joystickSetup;
    JoystickDescription joystickDescription;
    StoreFactory storeFactory;

    // Components.
    QTreeWidget* treeItems = nullptr;
    QLabel* imgTop = nullptr;
    QLabel* lblCaption = nullptr;
    QLabel* lblDesc = nullptr;
    QTabWidget* pages = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    // General.
    QLabel* lblLang = nullptr;
    QComboBox* cbeLang = nullptr;
    QCheckBox* checkRegtype[4] = {};
    QCheckBox* checkHintDbg = nullptr;
    QCheckBox* checkShowPlaceBar = nullptr;
    QCheckBox* checkInfoFS = nullptr;
    // Model.
    QRadioButton* radioModel[8] = {};
    QCheckBox* checkM3Comp = nullptr;
    QCheckBox* check256k = nullptr;
    QLineEdit* editMon = nullptr;
    QCheckBox* checkInsertRm = nullptr;
    QLabel* lblPkg = nullptr;
    QComboBox* cbPkg = nullptr;
    // Display.
    QComboBox* cbDispMode = nullptr;
    QLabel* lblHalfpass = nullptr;
    QComboBox* cbHalfpass = nullptr;
    QComboBox* cbColor = nullptr;
    QLabel* lblPallette = nullptr;
    QComboBox* cbPallette = nullptr;
    QLabel* lblAttr[4] = {};
    QComboBox* cbAttr[4] = {};
    QCheckBox* checkIntVideoCPU = nullptr;
    // Sound.
    QRadioButton* radioWO = nullptr;
    QRadioButton* radioDS = nullptr;
    QComboBox* cbAudioDevice = nullptr;
    QCheckBox* checkMute = nullptr;
    QSlider* trackSpeaker = nullptr;
    QSlider* trackTape = nullptr;
    QSlider* trackMusicIF = nullptr;
    QLabel* lblVolumeMusicIF = nullptr;
    QComboBox* cbMusicIF = nullptr;
    int deviceTag = -1;
    // Controls.
    QCheckBox* checkAZ = nullptr;
    QCheckBox* checkNumpad = nullptr;
    QCheckBox* checkExtMato = nullptr;
    QCheckBox* checkJoy[2] = {};
    QPushButton* btnJoy[2] = {};
    QLabel* lblJoyType[2] = {};
    QRadioButton* rbMouse[3] = {};
    QCheckBox* checkMouseHideCursor = nullptr;
    // ROM packages.
    QComboBox* cbRomPackage = nullptr;
    QToolButton* sbRomPackageSave = nullptr;
    QToolButton* sbRomPackageDel = nullptr;
    QTreeWidget* lvRomFileList = nullptr;
    QToolButton* sbRomFileAdd = nullptr;
    QToolButton* sbRomFileDel = nullptr;
    // Storages.
    QCheckBox* check32Enable = nullptr;
    QLineEdit* edit32[4] = {};
    QCheckBox* check32Wp[4] = {};
    QCheckBox* check32SD = nullptr;
    QLabel* lblRootPath = nullptr;
    QLineEdit* editRootPath = nullptr;
    QToolButton* sbRootPath = nullptr;
    QGroupBox* gb32 = nullptr;
    QCheckBox* check30Enable = nullptr;
    QLineEdit* edit30 = nullptr;
    QCheckBox* check30Wp = nullptr;
    QList<QWidget*> pmd30Controls;
    QCheckBox* checkRaomEnable = nullptr;
    QComboBox* cbRaomVer = nullptr;
    QLabel* lblRaomSizesVal = nullptr;
    QComboBox* cbRaomPkg = nullptr;
    QLineEdit* editRaom = nullptr;
    QList<QWidget*> raomControls;
    QCheckBox* checkKzdEnable = nullptr;
    QRadioButton* radioKzdK3 = nullptr;
    QRadioButton* radioKzdK4 = nullptr;
    QLineEdit* editKzd = nullptr;
    QCheckBox* checkKzdWp = nullptr;
    QList<QWidget*> kzdControls;
    // Printer.
    QRadioButton* rbPrtNone = nullptr;
    QRadioButton* rbPrtBt100 = nullptr;
    QRadioButton* rbPrtXY41xx = nullptr;
    QRadioButton* cbPrtCentronics = nullptr;
    QCheckBox* checkOnLpt = nullptr;
    QComboBox* cbPrtConnector = nullptr;
    int prtConnectorTag = 0;
    QCheckBox* checkInvData = nullptr;
    QRadioButton* rbNorm = nullptr;
    QRadioButton* rbDirectLpt = nullptr;
    QRadioButton* rbToFile = nullptr;
    QCheckBox* checkOnlyText = nullptr;
    QList<QWidget*> centronicsControls;
};
