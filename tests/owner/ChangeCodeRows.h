#pragma once
// The change-code table as rows: an edit of the settings value and the codes
// that going from the old value to the new one gives.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <functional>
#include <vector>

#include "machine/core/ChangeCodes.h"
#include "machine/owner/MachineSettings.h"

namespace change_rows {

// A document with every section, on the PMD 85-3, the colour profile with user colours.
inline const char* const kDoc = R"(<Orvik version="1">
<General show-hint-in-debugger="false"/>
<Screen half-pass="b50" color-profile="color" color-pallette="defined" attr00="white" attr01="red" attr10="lime" attr11="blue" video-cpu-interrupt="false"/>
<Model current="Model-3">
<Model-1><RomFile/><RomModule inserted="false" name=""/></Model-1>
<Model-2><RomFile/><RomModule inserted="false" name=""/></Model-2>
<Model-2A ram256k="false"><RomFile/><RomModule inserted="false" name=""/></Model-2A>
<Model-3 compatibility-mode="false" ram256k="false"><RomFile>rom/m3.rom</RomFile><RomModule inserted="false" name="Basic"/></Model-3>
<Model-Mato><RomFile/></Model-Mato>
<Model-Alfa><RomFile/><RomModule inserted="false" name=""/></Model-Alfa>
<Model-Alfa2><RomFile/><RomModule inserted="false" name=""/></Model-Alfa2>
<Model-C2717><RomFile/><RomModule inserted="false" name=""/></Model-C2717>
</Model>
<RomPackages/>
<Sound out-type="waveout" device-index="0" volume-speaker="90" volume-tape="50" volume-sound-if="90" sound-if="none" mute="false"/>
<Controls><Keyboard change-zy="false" use-numpad="false" mato-ctrl="false"/><Mouse type="none" hide-cursor="true"/>
<Joystick><Gpio0 connected="false"/><Gpio1 connected="false"/></Joystick></Controls>
<Storages><RaomModule inserted="false" name="Games" hw-version="chtf"/>
<KZD-1 connected="false" port="gpio1" write-protect="false"/><PMD-30 connected="false" write-protect="false"/>
<PMD-32 connected="false" extra-commands="false"><DriveA write-protect="false"/><DriveB write-protect="false"/>
<DriveC write-protect="false"/><DriveD write-protect="false"/><SD-Root/></PMD-32></Storages>
<Printer type="none" on-lpt="false"/>
</Orvik>)";

inline MachineSettings Base() {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(kDoc));
    return ReadMachineSettings(doc.document_element());
}

namespace CC = ChangeCode;
using Edit = std::function<void(MachineSettings&)>;

struct CodeRow {
    const char* what;
    Edit before;  // applied to the base to give the old value (may be empty)
    Edit after;   // applied to the old value to give the new one
    std::vector<int> codes;
};

inline ModelElementSettings& M(MachineSettings& v, int model) { return v.model.models[model]; }

inline const std::vector<CodeRow>& CodeRows() {
    static const std::vector<CodeRow> rows = {
        {"nothing changed", {}, [](MachineSettings&) {}, {}},
        // 1: model and monitor ROM
        {"another model", {}, [](MachineSettings& v) { v.model.current = kModel1; }, {CC::Model}},
        {"another monitor ROM", {}, [](MachineSettings& v) { M(v, kModel3).romFile = "rom/other.rom"; }, {CC::Model}},
        {"monitor ROM emptied", {}, [](MachineSettings& v) { M(v, kModel3).romFile = ""; }, {CC::Model}},
        {"another model's monitor ROM", {}, [](MachineSettings& v) { M(v, kModel1).romFile = "rom/m1.rom"; }, {}},
        // 2
        {"compatibility mode", {}, [](MachineSettings& v) { M(v, kModel3).compatibilityMode = true; },
         {CC::Compatibility}},
        {"compatibility mode while on another model", [](MachineSettings& v) { v.model.current = kModel1; },
         [](MachineSettings& v) { M(v, kModel3).compatibilityMode = true; }, {CC::Compatibility}},
        // 3, 4
        {"half-pass", {}, [](MachineSettings& v) { v.screen.halfPass = HalfPass::Lcd; }, {CC::HalfPass}},
        {"colour profile", {}, [](MachineSettings& v) { v.screen.colorProfile = ColorProfile::Mono; }, {CC::Colors}},
        {"palette", {}, [](MachineSettings& v) { v.screen.palette = ColorPalette::Rgb; }, {CC::Colors}},
        {"a user colour", {}, [](MachineSettings& v) { v.screen.attr[2] = 3; }, {CC::Colors}},
        {"a user colour under another palette", [](MachineSettings& v) { v.screen.palette = ColorPalette::Video; },
         [](MachineSettings& v) { v.screen.attr[2] = 3; }, {}},
        // 5, 6
        {"output type", {}, [](MachineSettings& v) { v.sound.directSound = true; }, {CC::SoundDevice}},
        {"output device", {}, [](MachineSettings& v) { v.sound.deviceIndex = 2; }, {CC::SoundDevice}},
        {"speaker volume", {}, [](MachineSettings& v) { v.sound.volumeSpeaker = 40; }, {CC::Volumes}},
        {"tape volume", {}, [](MachineSettings& v) { v.sound.volumeTape = 40; }, {CC::Volumes}},
        {"interface volume", {}, [](MachineSettings& v) { v.sound.volumeSoundIf = 40; }, {CC::Volumes}},
        {"a missing volume stored as -1", [](MachineSettings& v) { v.sound.volumeTape.reset(); },
         [](MachineSettings& v) { v.sound.volumeTape = -1; }, {}},
        {"mute", {}, [](MachineSettings& v) { v.sound.mute = true; }, {CC::Volumes}},
        // 7, 34
        {"Musica chosen", {}, [](MachineSettings& v) { v.sound.soundIf = SoundInterface::Musica; },
         {CC::SoundDevice, CC::Musica}},
        {"MIF 85 chosen", {}, [](MachineSettings& v) { v.sound.soundIf = SoundInterface::Mif85; },
         {CC::SoundDevice, CC::Mif85}},
        {"MIF 85 dropped", [](MachineSettings& v) { v.sound.soundIf = SoundInterface::Mif85; },
         [](MachineSettings& v) { v.sound.soundIf = SoundInterface::None; }, {CC::SoundDevice, CC::Mif85}},
        {"MIF 85 to Musica", [](MachineSettings& v) { v.sound.soundIf = SoundInterface::Mif85; },
         [](MachineSettings& v) { v.sound.soundIf = SoundInterface::Musica; },
         {CC::SoundDevice, CC::Musica, CC::Mif85}},
        // 8, 9, 10
        {"Z and Y exchanged", {}, [](MachineSettings& v) { v.keyboard.changeZy = true; }, {CC::Keyboard}},
        {"numeric pad", {}, [](MachineSettings& v) { v.keyboard.useNumpad = true; }, {CC::Keyboard}},
        {"Mato Ctrl", {}, [](MachineSettings& v) { v.keyboard.matoCtrl = true; }, {CC::Keyboard}},
        {"joystick on K3", {}, [](MachineSettings& v) { v.joystick.connected[0] = true; }, {CC::Joystick}},
        {"joystick on K4", {}, [](MachineSettings& v) { v.joystick.connected[1] = true; }, {CC::Joystick}},
        {"a joystick's set-up", {}, [](MachineSettings& v) { v.joystick.rows[0].type = JoyRow::kKeys; },
         {CC::Joystick}},
        {"mouse type", {}, [](MachineSettings& v) { v.mouse.type = MouseType::M602; }, {CC::Mouse}},
        {"mouse cursor", {}, [](MachineSettings& v) { v.mouse.hideCursor = false; }, {CC::Mouse}},
        // 11, 12
        {"ROM module inserted", {}, [](MachineSettings& v) { M(v, kModel3).romModuleInserted = true; },
         {CC::RomModuleInserted, CC::RomModule}},
        {"ROM module taken out", [](MachineSettings& v) { M(v, kModel3).romModuleInserted = true; },
         [](MachineSettings& v) { M(v, kModel3).romModuleInserted = false; }, {CC::RomModule}},
        {"ROM module's package", {}, [](MachineSettings& v) { M(v, kModel3).romModuleName = "Other"; },
         {CC::RomModule}},
        {"ROM module on the Mato", [](MachineSettings& v) { v.model.current = kModelMato; },
         [](MachineSettings& v) { M(v, kModelMato).romModuleInserted = true; }, {}},
        // 13, 14, 15
        {"KZD-1 connected", {}, [](MachineSettings& v) { v.kzd1.connected = true; }, {CC::Kzd1Connection}},
        {"KZD-1 port", {}, [](MachineSettings& v) { v.kzd1.onK3 = true; }, {CC::Kzd1Connection}},
        {"KZD-1 image", {}, [](MachineSettings& v) { v.kzd1.image = "t.kzd"; }, {CC::Kzd1Image}},
        {"KZD-1 write protection", {}, [](MachineSettings& v) { v.kzd1.writeProtect = true; },
         {CC::Kzd1WriteProtect}},
        // 16, 17, 18
        {"PMD-30 connected", {}, [](MachineSettings& v) { v.pmd30.connected = true; }, {CC::Pmd30Connection}},
        {"PMD-30 image", {}, [](MachineSettings& v) { v.pmd30.image = "d.img"; }, {CC::Pmd30Image}},
        {"PMD-30 write protection", {}, [](MachineSettings& v) { v.pmd30.writeProtect = true; },
         {CC::Pmd30WriteProtect}},
        // 19-27
        {"PMD-32 connected", {}, [](MachineSettings& v) { v.pmd32.connected = true; }, {CC::Pmd32Unit}},
        {"PMD-32 extra commands", {}, [](MachineSettings& v) { v.pmd32.extraCommands = true; }, {CC::Pmd32Unit}},
        {"PMD-32 SD root", {}, [](MachineSettings& v) { v.pmd32.sdRoot = "sd"; }, {CC::Pmd32Unit}},
        {"drive A image", {}, [](MachineSettings& v) { v.pmd32.drives[0].image = "a.p32"; }, {CC::Pmd32ImageA}},
        {"drive A protection", {}, [](MachineSettings& v) { v.pmd32.drives[0].writeProtect = true; },
         {CC::Pmd32ProtectA}},
        {"drive B image", {}, [](MachineSettings& v) { v.pmd32.drives[1].image = "b.p32"; }, {CC::Pmd32ImageB}},
        {"drive B protection", {}, [](MachineSettings& v) { v.pmd32.drives[1].writeProtect = true; },
         {CC::Pmd32ProtectB}},
        {"drive C image", {}, [](MachineSettings& v) { v.pmd32.drives[2].image = "c.p32"; }, {CC::Pmd32ImageC}},
        {"drive C protection", {}, [](MachineSettings& v) { v.pmd32.drives[2].writeProtect = true; },
         {CC::Pmd32ProtectC}},
        {"drive D image", {}, [](MachineSettings& v) { v.pmd32.drives[3].image = "d.p32"; }, {CC::Pmd32ImageD}},
        {"drive D protection", {}, [](MachineSettings& v) { v.pmd32.drives[3].writeProtect = true; },
         {CC::Pmd32ProtectD}},
        // 28
        {"debugger hints", {}, [](MachineSettings& v) { v.general.showHintInDebugger = true; }, {CC::DebuggerHints}},
        // 29, 30
        {"RAOM inserted", {}, [](MachineSettings& v) { v.raom.inserted = true; }, {CC::RaomInserted, CC::Raom}},
        {"RAOM taken out", [](MachineSettings& v) { v.raom.inserted = true; },
         [](MachineSettings& v) { v.raom.inserted = false; }, {CC::Raom}},
        {"RAOM package", {}, [](MachineSettings& v) { v.raom.name = "Other"; }, {CC::Raom}},
        {"RAOM hardware version", {}, [](MachineSettings& v) { v.raom.version = 1; }, {CC::Raom}},
        {"RAOM image", {}, [](MachineSettings& v) { v.raom.image = "r.bin"; }, {CC::Raom}},
        // 31, 32, 33
        {"BT100 chosen", {}, [](MachineSettings& v) { v.printer.type = PrinterType::Bt100; }, {CC::Bt100}},
        {"BT100 moved to the LPT", [](MachineSettings& v) { v.printer.type = PrinterType::Bt100; },
         [](MachineSettings& v) { v.printer.onLpt = true; }, {CC::Bt100}},
        {"XY 41xx chosen", {}, [](MachineSettings& v) { v.printer.type = PrinterType::Xy41xx; }, {CC::Xy41xx}},
        {"XY 41xx moved to the LPT", [](MachineSettings& v) { v.printer.type = PrinterType::Xy41xx; },
         [](MachineSettings& v) { v.printer.onLpt = true; }, {CC::Xy41xx}},
        {"BT100 to XY 41xx", [](MachineSettings& v) { v.printer.type = PrinterType::Bt100; },
         [](MachineSettings& v) { v.printer.type = PrinterType::Xy41xx; }, {CC::Bt100, CC::Xy41xx}},
        {"Centronics chosen", {}, [](MachineSettings& v) { v.printer.type = PrinterType::Centronics; },
         {CC::Centronics}},
        {"LPT without a printer", {}, [](MachineSettings& v) { v.printer.onLpt = true; }, {}},
        // 35, 36
        {"256 KB", {}, [](MachineSettings& v) { M(v, kModel3).ram256k = true; }, {CC::Ram256k, CC::Model}},
        {"256 KB on a model without it", [](MachineSettings& v) { v.model.current = kModel1; },
         [](MachineSettings& v) { M(v, kModel1).ram256k = true; }, {}},
        {"from a 2A with 256 KB to the 3", [](MachineSettings& v) {
             v.model.current = kModel2A;
             M(v, kModel2A).ram256k = true;
         },
         [](MachineSettings& v) { v.model.current = kModel3; }, {CC::Model}},
        {"video interrupt", {}, [](MachineSettings& v) { v.screen.videoCpuInterrupt = true; },
         {CC::VideoInterrupt, CC::Model}},
    };
    return rows;
}

}  // namespace change_rows
