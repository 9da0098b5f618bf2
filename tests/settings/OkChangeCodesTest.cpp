// The settings dialog's OK: the writer that compares the controls with the
// document and the comparison of the settings before and after it give the
// same change codes, row by row of the change-code table.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "../owner/ChangeCodeRows.h"
#include "shell/settings/logic/SettingsWriter.h"

namespace {

using namespace change_rows;

PathEdit Shown(const std::string& path) {
    PathEdit e;
    e.Set(path);
    return e;
}

// The controls as the pages show a value.
SettingsControls ControlsShowing(const MachineSettings& v) {
    SettingsControls c;
    c.model = v.model.current;
    const ModelElementSettings& m = v.model.Current();
    c.monitor = Shown(m.romFile);
    c.m3Compatibility = v.model.models[kModel3].compatibilityMode;
    c.ram256k = m.ram256k;
    c.insertRomModule = m.romModuleInserted;
    c.romModulePackage = m.romModuleName;
    switch (v.screen.halfPass) {
        case HalfPass::Off: c.displayMode = 0; break;
        case HalfPass::Lcd: c.displayMode = 2; break;
        default: c.displayMode = 1; c.halfPass = int(v.screen.halfPass) - 1; break;
    }
    c.colorProfile = int(v.screen.colorProfile);
    c.palette = int(v.screen.palette);
    for (int i = 0; i < 4; ++i) c.attr[i] = v.screen.attr[i];
    c.videoInterrupt = v.screen.videoCpuInterrupt;
    c.directSound = v.sound.directSound;
    c.deviceNumber = v.sound.deviceIndex;
    c.volumeSpeaker = v.sound.volumeSpeaker.value_or(-1);
    c.volumeTape = v.sound.volumeTape.value_or(-1);
    c.volumeSoundIf = v.sound.volumeSoundIf.value_or(-1);
    c.mute = v.sound.mute;
    c.soundIf = int(v.sound.soundIf);
    c.changeZY = v.keyboard.changeZy;
    c.useNumpad = v.keyboard.useNumpad;
    c.matoCtrl = v.keyboard.matoCtrl;
    c.mouse = int(v.mouse.type);
    c.hideCursor = v.mouse.hideCursor;
    c.joyK3 = v.joystick.connected[0];
    c.joyK4 = v.joystick.connected[1];
    c.raomEnabled = v.raom.inserted;
    c.raomPackage = v.raom.name;
    c.raomVersion = v.raom.version;
    c.raomImage = Shown(v.raom.image);
    c.kzdEnabled = v.kzd1.connected;
    c.kzdOnK3 = v.kzd1.onK3;
    c.kzdProtect = v.kzd1.writeProtect;
    c.kzdImage = Shown(v.kzd1.image);
    c.pmd30Enabled = v.pmd30.connected;
    c.pmd30Protect = v.pmd30.writeProtect;
    c.pmd30Image = Shown(v.pmd30.image);
    c.pmd32Enabled = v.pmd32.connected;
    c.pmd32Sd = v.pmd32.extraCommands;
    for (int d = 0; d < 4; ++d) {
        c.pmd32Protect[d] = v.pmd32.drives[d].writeProtect;
        c.pmd32Image[d] = Shown(v.pmd32.drives[d].image);
    }
    c.sdRoot = Shown(v.pmd32.sdRoot);
    c.printerBt100 = v.printer.type == PrinterType::Bt100;
    c.printerXy41xx = v.printer.type == PrinterType::Xy41xx;
    c.printerCentronics = v.printer.type == PrinterType::Centronics;
    c.onLpt = v.printer.onLpt;
    c.hintInDebugger = v.general.showHintInDebugger;
    return c;
}

TEST(OkChangeCodes, TheWriterAndTheComparisonAgreeOnEveryRow) {
    int compared = 0;
    for (const CodeRow& row : CodeRows()) {
        MachineSettings old = Base();
        if (row.before) row.before(old);
        MachineSettings now = old;
        row.after(now);

        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(kDoc));
        pugi::xml_node root = doc.document_element();
        WriteMachineSettings(root, old);
        const MachineSettings before = ReadMachineSettings(root);
        if (!(before == old)) continue;  // an old value the document cannot hold (a volume left out)
        ++compared;

        SettingsControls c = ControlsShowing(now);
        c.joystickDialogChanged = old.joystick.rows != now.joystick.rows;  // rows are the set-up dialog's
        // The pages set the flags when the user picks a package or a RAOM version.
        const ModelElementSettings& shown = before.model.models[IsModelIndex(c.model) ? c.model : kModelC2717];
        SettingsFlags flags;
        flags.romModulePackage = shown.romModuleName != now.model.Current().romModuleName;
        flags.raom = before.raom.name != now.raom.name || before.raom.version != now.raom.version;
        const ForcedChanges forced{flags.romModulePackage || c.insertRomModule != shown.romModuleInserted,
                                   flags.raom || c.raomEnabled != before.raom.inserted, c.joystickDialogChanged};
        const std::vector<int> written = WriteSettings(root, c, flags);
        EXPECT_EQ(written, row.codes) << row.what;
        EXPECT_EQ(ChangeCodesBetween(before, ReadMachineSettings(root), forced), written) << row.what;
    }
    EXPECT_GE(compared, int(CodeRows().size()) - 1);
}

}  // namespace
