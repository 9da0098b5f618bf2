#include "shell/settings/logic/SettingsWriter.h"

#include "common/Config.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/owner/ColorTable.h"

namespace {

const char* const kModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                    "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

class Writer {
public:
    Writer(pugi::xml_node r, SettingsControls& c, SettingsFlags& f) : root(r), c(c), f(f) {}

    std::vector<int> Run() {
        Model();
        Display();
        Sound();
        Controls();
        Storages();
        Printer();
        General();
        return std::move(codes);
    }

private:
    void Add(int code) { codes.push_back(code); }
    pugi::xml_node Section(const char* name) { return FindChildElement(root, name); }

    // Writes a bool attribute when it differs from the default-read value; true when written.
    bool Bool(pugi::xml_node e, const char* name, bool def, bool value) {
        if (ReadAttrBool(e, name, def) == value) return false;
        WriteAttrBool(e, name, value ? 1 : 0);
        return true;
    }
    bool Text(pugi::xml_node e, const char* name, const std::string& value) {
        if (ReadAttrString(e, name) == value) return false;
        WriteAttrString(e, name, value);
        return true;
    }
    bool Path(pugi::xml_node e, const PathEdit& edit) {
        const std::string stored = ReadElementText(e);
        const std::string value = edit.Written(stored);
        if (stored == value) return false;
        WriteElementText(e, value);
        return true;
    }

    // Steps 4 and 17: a module's inserted box and package.
    void Module(pugi::xml_node e, bool& inserted, const std::string& package, bool& flag, int inserts,
                int changed) {
        if (ReadAttrBool(e, "inserted", false) == inserted && !flag) return;
        if (package.empty()) {
            WriteAttrBool(e, "inserted", 0);
            inserted = false;
            WriteAttrString(e, "name", "");
        } else {
            if (!ReadAttrBool(e, "inserted", false) && inserted) Add(inserts);
            WriteAttrBool(e, "inserted", inserted ? 1 : 0);
            WriteAttrString(e, "name", package);
        }
        if (changed == ChangeCode::RomModule) {
            Add(changed);
            flag = false;
        }
    }

    void Model() {
        pugi::xml_node model = Section("Model");
        const std::string m = SelectedModelName(c.model);
        pugi::xml_node me = FindChildElement(model, m.c_str());
        pugi::xml_node rom = FindChildElement(me, "RomFile");
        const std::string storedRom = ReadElementText(rom);
        const std::string rom2 = c.monitor.Written(storedRom);
        if (ReadAttrString(model, "current") != m || storedRom != rom2) {
            WriteAttrString(model, "current", m);
            WriteElementText(rom, rom2);
            Add(ChangeCode::Model);
        }
        if (Bool(FindChildElement(model, "Model-3"), "compatibility-mode", false, c.m3Compatibility))
            Add(ChangeCode::Compatibility);
        if (Capabilities(c.model).ram256k) {
            if (Bool(me, "ram256k", false, c.ram256k)) {
                Add(ChangeCode::Ram256k);
                Add(ChangeCode::Model);
            }
        }
        if (Capabilities(c.model).romModule)
            Module(FindChildElement(me, "RomModule"), c.insertRomModule, c.romModulePackage, f.romModulePackage,
                   ChangeCode::RomModuleInserted, ChangeCode::RomModule);
    }

    void Display() {
        pugi::xml_node s = Section("Screen");
        static const char* const halfPass[4] = {"b75", "b50", "b25", "b0"};
        std::string hp = "off";
        if (c.displayMode == 1) hp = halfPass[(c.halfPass >= 0 && c.halfPass < 4) ? c.halfPass : 1];
        if (c.displayMode == 2) hp = "lcd";
        if (Text(s, "half-pass", hp)) Add(ChangeCode::HalfPass);
        static const char* const profiles[4] = {"mono", "standard", "color", "multicolor"};
        if (Text(s, "color-profile", profiles[(c.colorProfile >= 0 && c.colorProfile < 4) ? c.colorProfile : 3]))
            Add(ChangeCode::Colors);
        static const char* const palettes[3] = {"rgb", "video", "defined"};
        if (Text(s, "color-pallette", palettes[(c.palette >= 0 && c.palette < 3) ? c.palette : 2]))
            Add(ChangeCode::Colors);
        if (c.colorProfile == 2 && c.palette == 2) {
            static const char* const attrs[4] = {"attr00", "attr01", "attr10", "attr11"};
            bool differs = false;
            for (int i = 0; i < 4; ++i)
                if (ColorTable::ColorIndexFromName(ReadAttrString(s, attrs[i])) != c.attr[i]) differs = true;
            if (differs) {
                for (int i = 0; i < 4; ++i) WriteAttrString(s, attrs[i], ColorTable::ColorNameFromIndex(c.attr[i]));
                Add(ChangeCode::Colors);
            }
        }
        if (Bool(s, "video-cpu-interrupt", false, c.videoInterrupt)) {
            Add(ChangeCode::VideoInterrupt);
            Add(ChangeCode::Model);
        }
    }

    void Sound() {
        pugi::xml_node s = Section("Sound");
        if (AttrEquals(s, "out-type", "dsound") != c.directSound) {
            WriteAttrString(s, "out-type", c.directSound ? "dsound" : "waveout");
            Add(ChangeCode::SoundDevice);
        }
        if (c.deviceNumber && ReadAttrInt(s, "device-index", -1) != *c.deviceNumber) {
            WriteAttrInt(s, "device-index", *c.deviceNumber);
            Add(ChangeCode::SoundDevice);
        }
        if (ReadAttrInt(s, "volume-speaker", -1) != c.volumeSpeaker ||
            ReadAttrInt(s, "volume-tape", -1) != c.volumeTape ||
            ReadAttrInt(s, "volume-sound-if", -1) != c.volumeSoundIf || ReadAttrBool(s, "mute", false) != c.mute) {
            WriteAttrInt(s, "volume-speaker", c.volumeSpeaker);
            WriteAttrInt(s, "volume-tape", c.volumeTape);
            WriteAttrInt(s, "volume-sound-if", c.volumeSoundIf);
            WriteAttrBool(s, "mute", c.mute ? 1 : 0);
            Add(ChangeCode::Volumes);
        }
        const std::string now = c.soundIf == 1 ? "musica" : c.soundIf == 2 ? "mif85" : "none";
        const std::string stored = ReadAttrString(s, "sound-if");
        if (stored != now) {
            Add(ChangeCode::SoundDevice);
            if (stored == "musica" || now == "musica") Add(ChangeCode::Musica);
            if (stored == "mif85" || now == "mif85") Add(ChangeCode::Mif85);
            WriteAttrString(s, "sound-if", now);
        }
    }

    void Controls() {
        pugi::xml_node controls = Section("Controls");
        pugi::xml_node k = FindChildElement(controls, "Keyboard");
        if (ReadAttrBool(k, "change-zy", false) != c.changeZY || ReadAttrBool(k, "use-numpad", false) != c.useNumpad ||
            ReadAttrBool(k, "mato-ctrl", false) != c.matoCtrl) {
            WriteAttrBool(k, "change-zy", c.changeZY ? 1 : 0);
            WriteAttrBool(k, "use-numpad", c.useNumpad ? 1 : 0);
            WriteAttrBool(k, "mato-ctrl", c.matoCtrl ? 1 : 0);
            Add(ChangeCode::Keyboard);
        }
        pugi::xml_node mouse = FindChildElement(controls, "Mouse");
        static const char* const types[3] = {"none", "m602", "poly8"};
        const bool matches = c.mouse >= 0 && c.mouse < 3 && AttrEquals(mouse, "type", types[c.mouse]);
        if (!matches || ReadAttrBool(mouse, "hide-cursor", true) != c.hideCursor) {
            if (c.mouse >= 0 && c.mouse < 3) WriteAttrString(mouse, "type", types[c.mouse]);
            WriteAttrBool(mouse, "hide-cursor", c.hideCursor ? 1 : 0);
            Add(ChangeCode::Mouse);
        }
        pugi::xml_node joy = FindChildElement(controls, "Joystick");
        pugi::xml_node g0 = FindChildElement(joy, "Gpio0"), g1 = FindChildElement(joy, "Gpio1");
        if (c.joystickDialogChanged || ReadAttrBool(g0, "connected", false) != c.joyK3 ||
            ReadAttrBool(g1, "connected", false) != c.joyK4) {
            WriteAttrBool(g0, "connected", c.joyK3 ? 1 : 0);
            WriteAttrBool(g1, "connected", c.joyK4 ? 1 : 0);
            Add(ChangeCode::Joystick);
            c.joystickDialogChanged = false;
        }
    }

    void Storages() {
        pugi::xml_node st = Section("Storages");
        pugi::xml_node raom = FindChildElement(st, "RaomModule");
        if (ReadAttrBool(raom, "inserted", false) != c.raomEnabled || f.raom) {
            Module(raom, c.raomEnabled, c.raomPackage, f.raom, ChangeCode::RaomInserted, ChangeCode::Raom);
            WriteAttrString(raom, "hw-version", c.raomVersion == 0 ? "chtf" : "kuvi");
            Add(ChangeCode::Raom);
            f.raom = false;
        }
        if (Path(raom, c.raomImage)) Add(ChangeCode::Raom);

        pugi::xml_node kzd = FindChildElement(st, "KZD-1");
        if (ReadAttrBool(kzd, "connected", false) != c.kzdEnabled || AttrEquals(kzd, "port", "gpio0") != c.kzdOnK3) {
            WriteAttrBool(kzd, "connected", c.kzdEnabled ? 1 : 0);
            WriteAttrString(kzd, "port", c.kzdOnK3 ? "gpio0" : "gpio1");
            Add(ChangeCode::Kzd1Connection);
        }
        if (Bool(kzd, "write-protect", false, c.kzdProtect)) Add(ChangeCode::Kzd1WriteProtect);
        if (Path(kzd, c.kzdImage)) Add(ChangeCode::Kzd1Image);

        pugi::xml_node p30 = FindChildElement(st, "PMD-30");
        if (Bool(p30, "connected", false, c.pmd30Enabled)) Add(ChangeCode::Pmd30Connection);
        if (Bool(p30, "write-protect", false, c.pmd30Protect)) Add(ChangeCode::Pmd30WriteProtect);
        if (Path(p30, c.pmd30Image)) Add(ChangeCode::Pmd30Image);

        pugi::xml_node p32 = FindChildElement(st, "PMD-32");
        if (Bool(p32, "connected", false, c.pmd32Enabled)) Add(ChangeCode::Pmd32Unit);
        if (Bool(p32, "extra-commands", false, c.pmd32Sd)) Add(ChangeCode::Pmd32Unit);
        static const char* const drives[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};
        for (int d = 0; d < 4; ++d) {
            pugi::xml_node de = FindChildElement(p32, drives[d]);
            if (Bool(de, "write-protect", false, c.pmd32Protect[d])) Add(ChangeCode::Pmd32Protect(d));
            if (Path(de, c.pmd32Image[d])) Add(ChangeCode::Pmd32Image(d));
        }
        if (Path(FindChildElement(p32, "SD-Root"), c.sdRoot)) Add(ChangeCode::Pmd32Unit);
    }

    void Printer() {
        pugi::xml_node p = Section("Printer");
        if (AttrEquals(p, "type", "bt100") != c.printerBt100) Add(ChangeCode::Bt100);
        if (AttrEquals(p, "type", "xy41xx") != c.printerXy41xx) Add(ChangeCode::Xy41xx);
        if (ReadAttrBool(p, "on-lpt", false) != c.onLpt) {
            if (c.printerBt100)
                Add(ChangeCode::Bt100);
            else if (c.printerXy41xx)
                Add(ChangeCode::Xy41xx);
        }
        if (AttrEquals(p, "type", "centronics") != c.printerCentronics) Add(ChangeCode::Centronics);
        const char* type = c.printerBt100 ? "bt100" : c.printerXy41xx ? "xy41xx" : c.printerCentronics ? "centronics" : "none";
        WriteAttrString(p, "type", type);
        WriteAttrBool(p, "on-lpt", c.onLpt ? 1 : 0);
    }

    void General() {
        pugi::xml_node g = Section("General");
        if (Bool(g, "show-hint-in-debugger", false, c.hintInDebugger)) Add(ChangeCode::DebuggerHints);
        WriteAttrBool(g, "show-place-bar-on-file-dialog", c.showPlaceBar ? 1 : 0);
        WriteAttrBool(g, "show-info-on-enter-full-screen", c.infoOnFullScreen ? 1 : 0);
    }

    pugi::xml_node root;
    SettingsControls& c;
    SettingsFlags& f;
    std::vector<int> codes;
};

}  // namespace

std::string PathEdit::Written(const std::string& stored) const {
    if (text == kNoFile) return userSet ? std::string() : stored;
    return text;
}

const char* SelectedModelName(int model) {
    return (model >= 0 && model < 7) ? kModelNames[model] : kModelNames[7];
}

std::vector<int> WriteSettings(pugi::xml_node root, SettingsControls& controls, SettingsFlags& flags) {
    return Writer(root, controls, flags).Run();
}
