#pragma once
// The settings dialog: nine pages chosen from a tree; a page loads itself
// from the configuration document when the dialog opens on it. OK writes
// what differs and lists the change codes for the settings applier. The
// pages are in pages/, the decisions in logic/.
#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/RomRecogniser.h"
#include "machine/owner/MachineOwner.h"
#include "shell/settings/logic/Connectors.h"
#include "shell/settings/logic/FileAssociations.h"
#include "shell/settings/logic/SettingsWriter.h"
#include "ui/Prompts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
namespace setpage { class PathLineEdit; }
class TSettingsPage;
class TPageGeneral;
class TPageModel;
class TPageDisplay;
class TPageSound;
class TPageControls;
class TPageRomPackages;
class TPageStorages1;
class TPageStorages2;
class TPagePrinter;

class TFormSettings : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 9;

    explicit TFormSettings(QWidget* parent = nullptr);
    ~TFormSettings() override;

    // Boxes and file and folder dialogs go through prompts.
    void SetPrompts(Prompts& p) { prompts = &p; }
    Prompts& Prompter() const { return *prompts; }
    using JoystickSetup = std::function<bool(int row)>;  // true: accepted
    void SetJoystickSetup(JoystickSetup f) { joystickSetup = std::move(f); }
    // Writes the rows edited in the joystick set-up dialog; OK runs it before
    // its own writing, so that the connection boxes have the last word.
    void SetJoystickRowsWriter(std::function<void()> f) { joystickRowsWriter = std::move(f); }
    // The association store of the General page (default: the user's data folder).
    using StoreFactory = std::function<std::unique_ptr<AssociationStore>()>;
    void SetAssociationStore(StoreFactory f) { storeFactory = std::move(f); }
    // The table of known ROM dumps by which the Model page names the monitor
    // ROM and the ROM folder assistant reads a folder (default: the built-in one).
    void SetKnownRoms(std::vector<KnownRom> table) { knownRoms = std::move(table); }
    const std::vector<KnownRom>& KnownRoms() const;
    // The joystick set-up dialog's changed flag.
    void SetJoystickChanged(bool changed) { joystickChanged = changed; }
    // What the joystick set-up dialog says of connector row (0 K3, 1 K4).
    using JoystickDescription = std::function<QString(int row)>;
    void SetJoystickDescription(JoystickDescription f) { joystickDescription = std::move(f); }

    // Page loaders (also called by the main window at program start); they
    // do nothing while a page change from the tree is in progress.
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
    // The mute box from the main window's sound button.
    void SetMute(bool mute);
    bool Muted() const;

    // The values of the controls, as OK reads them.
    SettingsControls Controls() const;

    // Built-in texts and their translation keys are walked by the tests.
    QWidget* Page(int index) const;

    // Cancel: nothing is written; the pages shown or changed in this opening
    // load the document again.
    void reject() override;

    // ---- for the pages ----
    ConnectorTable& ConnectorsForPages() { return connectors; }
    SettingsFlags& Flags() { return flags; }
    bool ChooseFile(bool save, const char* titleKey, const char* filterKey, const char* ext, std::string& path);
    bool ChooseFolder(const std::string& title, std::string& folder);
    void SimpleOpen(setpage::PathLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext);
    void SimpleNew(setpage::PathLineEdit* edit, QCheckBox* wp, const char* title, const char* filter, const char* ext);
    std::unique_ptr<AssociationStore> AssociationStoreNow() const;
    // Shows the active page's caption and hint in the header.
    void ShowPageHeader();
    // Runs the joystick set-up of row; false when there is none.
    bool RunJoystickSetup(int row);
    std::optional<QString> JoystickText(int row) const;
    TPageModel* ModelPage() const { return model; }
    TPageSound* SoundPage() const { return sound; }
    TPageRomPackages* RomPackagesPage() const { return romPackages; }
    TPageStorages2* Storages2Page() const { return storages2; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    // The designed size, larger when the pages' texts need more room.
    void FitToPages();
    // Loads the page at index (both storage pages load together).
    void LoadPage(int index);
    void ClearTouched();
    void SwitchOff(const std::string& control);

    std::vector<int> changeList;
    ConnectorTable connectors;
    SettingsFlags flags;
    bool treeClick = false;
    bool joystickChanged = false;

    Prompts* prompts = &DefaultPrompts();
    JoystickSetup joystickSetup;
    std::function<void()> joystickRowsWriter;
    JoystickDescription joystickDescription;
    StoreFactory storeFactory;
    std::optional<std::vector<KnownRom>> knownRoms;  // none: the built-in table

    QTreeWidget* treeItems = nullptr;
    QLabel* imgTop = nullptr;
    QLabel* lblCaption = nullptr;
    QLabel* lblDesc = nullptr;
    QStackedWidget* pages = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    TSettingsPage* page[kPageCount] = {};
    TPageGeneral* general = nullptr;
    TPageModel* model = nullptr;
    TPageDisplay* display = nullptr;
    TPageSound* sound = nullptr;
    TPageControls* controls = nullptr;
    TPageRomPackages* romPackages = nullptr;
    TPageStorages1* storages1 = nullptr;
    TPageStorages2* storages2 = nullptr;
    TPagePrinter* printer = nullptr;
};
