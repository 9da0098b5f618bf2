#pragma once
// The ROM-folder dialog: scans one folder against a table of known dumps and
// lists what it holds and what OK does with it: a model's monitor ROM for each
// monitor found, a ROM package for each BASIC module (with a check box that
// plugs it into the model's ROM module), the rest as unknown or not read.
// OK writes that into the configuration document; Cancel writes nothing.
#include <QDialog>

#include <string>
#include <vector>

#include "common/RomRecogniser.h"
#include "shell/romfolder/logic/RomFolderPlan.h"

class ConfigDocument;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFormRomFolder : public QDialog {
    Q_OBJECT
public:
    // Columns of the list.
    enum Column { kColFile, kColRecognised, kColAction, kColPlug, kColCount };

    TFormRomFolder(QWidget* parent, const std::string& folder, const std::vector<KnownRom>& table,
                   ConfigDocument& doc);

    // OK: writes the plan with the check boxes as they are, then closes.
    void accept() override;

    const RomFolderPlan& Plan() const { return plan; }
    // The list row of plan row i.
    QTreeWidgetItem* Row(size_t i) const;
    // After OK: whether the document changed and the change codes for the settings applier.
    bool Changed() const { return changed; }
    const std::vector<int>& ChangeCodes() const { return codes; }

private:
    void Build();
    void Fill();
    // Text of key in the window's section, English when the language file lacks it.
    QString Text(const char* key, const char* english) const;
    void PlugToggled(QTreeWidgetItem* item, int column);

    ConfigDocument& doc;
    std::string folder;
    RomFolderPlan plan;
    bool changed = false;
    std::vector<int> codes;

    QLabel* lblFolder = nullptr;
    QLineEdit* editFolder = nullptr;
    QTreeWidget* lvRomFolder = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    std::vector<QTreeWidgetItem*> items;  // per plan row
};
