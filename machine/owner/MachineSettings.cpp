#include "machine/owner/MachineSettings.h"

#include "common/Config.h"
#include "machine/core/ChangeCodes.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/owner/ColorTable.h"
#include "machine/storage/RomPackageFiles.h"

namespace {

const char* const kModelNames[kModelCount] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                              "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};
const char* const kHalfPass[] = {"off", "b75", "b50", "b25", "b0", "lcd"};
const char* const kProfiles[] = {"mono", "standard", "color", "multicolor"};
const char* const kPalettes[] = {"rgb", "video", "defined"};
const char* const kAttrs[4] = {"attr00", "attr01", "attr10", "attr11"};
const char* const kSoundIfs[] = {"none", "musica", "mif85"};
const char* const kMice[] = {"none", "m602", "poly8"};
const char* const kRaomVersions[] = {"chtf", "kuvi"};
const char* const kPrinters[] = {"none", "bt100", "xy41xx", "centronics"};
const char* const kDrives[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};

// The index of the text among the words; other texts give otherwise.
template <size_t N>
int Word(const std::string& text, const char* const (&words)[N], int otherwise) {
    for (size_t i = 0; i < N; ++i)
        if (text == words[i]) return int(i);
    return otherwise;
}

// An int attribute; none when missing or not a number.
std::optional<int> OptionalInt(pugi::xml_node e, const char* name) {
    const int a = ReadAttrInt(e, name, -1);
    if (a == -1 && ReadAttrInt(e, name, -2) == -2) return std::nullopt;
    return a;
}

// The document's sections, found once for the reader and the writer.
struct Nodes {
    pugi::xml_node general, screen, model, romPackages, sound, keyboard, mouse, joy[2], raom, kzd, pmd30, pmd32, printer;
    pugi::xml_node drive[4], sdRoot;
    pugi::xml_node models[kModelCount], romFile[kModelCount], romModule[kModelCount];

    explicit Nodes(pugi::xml_node root) {
        general = FindChildElement(root, "General");
        screen = FindChildElement(root, "Screen");
        model = FindChildElement(root, "Model");
        romPackages = FindChildElement(root, "RomPackages");
        for (int m = 0; m < kModelCount; ++m) {
            models[m] = FindChildElement(model, kModelNames[m]);
            romFile[m] = FindChildElement(models[m], "RomFile");
            romModule[m] = FindChildElement(models[m], "RomModule");
        }
        sound = FindChildElement(root, "Sound");
        pugi::xml_node controls = FindChildElement(root, "Controls");
        keyboard = FindChildElement(controls, "Keyboard");
        mouse = FindChildElement(controls, "Mouse");
        pugi::xml_node joystick = FindChildElement(controls, "Joystick");
        joy[0] = FindChildElement(joystick, "Gpio0");
        joy[1] = FindChildElement(joystick, "Gpio1");
        pugi::xml_node storages = FindChildElement(root, "Storages");
        raom = FindChildElement(storages, "RaomModule");
        kzd = FindChildElement(storages, "KZD-1");
        pmd30 = FindChildElement(storages, "PMD-30");
        pmd32 = FindChildElement(storages, "PMD-32");
        for (int d = 0; d < 4; ++d) drive[d] = FindChildElement(pmd32, kDrives[d]);
        sdRoot = FindChildElement(pmd32, "SD-Root");
        printer = FindChildElement(root, "Printer");
    }
};

}  // namespace

MachineSettings ReadMachineSettings(pugi::xml_node root, const std::vector<JoyDevice>* joyDevices) {
    const Nodes n(root);
    MachineSettings v;
    v.model.current = Word(ReadAttrString(n.model, "current"), kModelNames, -1);
    for (int m = 0; m < kModelCount; ++m) {
        ModelElementSettings& e = v.model.models[m];
        e.romFile = ReadElementText(n.romFile[m]);
        e.compatibilityMode = ReadAttrBool(n.models[m], "compatibility-mode", false);
        e.ram256k = ReadAttrBool(n.models[m], "ram256k", false);
        e.romModuleInserted = ReadAttrBool(n.romModule[m], "inserted", false);
        e.romModuleName = ReadAttrString(n.romModule[m], "name");
    }

    const PackageList packages = ListPackages(n.romPackages);
    for (size_t i = 0; i < packages.names.size(); ++i)
        v.romPackages.packages.push_back(
            {packages.names[i], BuildRomFileList(PackageAt(n.romPackages, packages, int(i)))});

    ScreenSettings& s = v.screen;
    s.halfPass = HalfPass(Word(ReadAttrString(n.screen, "half-pass"), kHalfPass, int(HalfPass::B0)));
    s.colorProfile = ColorProfile(Word(ReadAttrString(n.screen, "color-profile"), kProfiles, int(ColorProfile::Color)));
    s.palette = ColorPalette(Word(ReadAttrString(n.screen, "color-pallette"), kPalettes, int(ColorPalette::Defined)));
    for (int i = 0; i < 4; ++i) s.attr[i] = ColorTable::ColorIndexFromName(ReadAttrString(n.screen, kAttrs[i]));
    s.videoCpuInterrupt = ReadAttrBool(n.screen, "video-cpu-interrupt", false);

    SoundSettings& so = v.sound;
    so.directSound = AttrEquals(n.sound, "out-type", "dsound");
    so.deviceIndex = ReadAttrInt(n.sound, "device-index", -1);
    so.volumeSpeaker = OptionalInt(n.sound, "volume-speaker");
    so.volumeTape = OptionalInt(n.sound, "volume-tape");
    so.volumeSoundIf = OptionalInt(n.sound, "volume-sound-if");
    so.mute = ReadAttrBool(n.sound, "mute", false);
    so.soundIf = SoundInterface(Word(ReadAttrString(n.sound, "sound-if"), kSoundIfs, int(SoundInterface::None)));

    v.keyboard.changeZy = ReadAttrBool(n.keyboard, "change-zy", false);
    v.keyboard.useNumpad = ReadAttrBool(n.keyboard, "use-numpad", false);
    v.keyboard.matoCtrl = ReadAttrBool(n.keyboard, "mato-ctrl", false);
    v.mouse.type = MouseType(Word(ReadAttrString(n.mouse, "type"), kMice, int(MouseType::None)));
    v.mouse.hideCursor = ReadAttrBool(n.mouse, "hide-cursor", true);
    for (int j = 0; j < 2; ++j) {
        v.joystick.connected[j] = ReadAttrBool(n.joy[j], "connected", false);
        v.joystick.rows[j] = LoadJoyRow(n.joy[j], joyDevices);
    }

    v.raom.inserted = ReadAttrBool(n.raom, "inserted", false);
    v.raom.name = ReadAttrString(n.raom, "name");
    v.raom.version = Word(ReadAttrString(n.raom, "hw-version"), kRaomVersions, 0);
    v.raom.image = ReadElementText(n.raom);

    v.kzd1.connected = ReadAttrBool(n.kzd, "connected", false);
    v.kzd1.onK3 = AttrEquals(n.kzd, "port", "gpio0");
    v.kzd1.writeProtect = ReadAttrBool(n.kzd, "write-protect", false);
    v.kzd1.image = ReadElementText(n.kzd);

    v.pmd30.connected = ReadAttrBool(n.pmd30, "connected", false);
    v.pmd30.writeProtect = ReadAttrBool(n.pmd30, "write-protect", false);
    v.pmd30.image = ReadElementText(n.pmd30);

    v.pmd32.connected = ReadAttrBool(n.pmd32, "connected", false);
    v.pmd32.extraCommands = ReadAttrBool(n.pmd32, "extra-commands", false);
    for (int d = 0; d < 4; ++d) {
        v.pmd32.drives[d].writeProtect = ReadAttrBool(n.drive[d], "write-protect", false);
        v.pmd32.drives[d].image = ReadElementText(n.drive[d]);
    }
    v.pmd32.sdRoot = ReadElementText(n.sdRoot);

    v.printer.type = PrinterType(Word(ReadAttrString(n.printer, "type"), kPrinters, int(PrinterType::None)));
    v.printer.onLpt = ReadAttrBool(n.printer, "on-lpt", false);
    v.general.showHintInDebugger = ReadAttrBool(n.general, "show-hint-in-debugger", false);
    return v;
}

void WriteMachineSettings(pugi::xml_node root, const MachineSettings& v) {
    const MachineSettings stored = ReadMachineSettings(root, nullptr);
    const Nodes n(root);
    auto boolean = [](pugi::xml_node e, const char* name, bool was, bool now) {
        if (was != now) WriteAttrBool(e, name, now ? 1 : 0);
    };
    auto text = [](pugi::xml_node e, const char* name, const std::string& was, const std::string& now) {
        if (was != now) WriteAttrString(e, name, now);
    };
    auto element = [](pugi::xml_node e, const std::string& was, const std::string& now) {
        if (was != now) WriteElementText(e, now);
    };
    auto number = [](pugi::xml_node e, const char* name, int was, int now) {
        if (was != now) WriteAttrInt(e, name, now);
    };
    auto optional = [](pugi::xml_node e, const char* name, std::optional<int> was, std::optional<int> now) {
        if (was != now && now) WriteAttrInt(e, name, *now);
    };
    auto word = [](pugi::xml_node e, const char* name, int was, int now, const auto& words) {
        if (was != now && now >= 0 && size_t(now) < std::size(words)) WriteAttrString(e, name, words[now]);
    };

    word(n.model, "current", stored.model.current, v.model.current, kModelNames);
    for (int m = 0; m < kModelCount; ++m) {
        const ModelElementSettings& was = stored.model.models[m];
        const ModelElementSettings& now = v.model.models[m];
        element(n.romFile[m], was.romFile, now.romFile);
        boolean(n.models[m], "compatibility-mode", was.compatibilityMode, now.compatibilityMode);
        boolean(n.models[m], "ram256k", was.ram256k, now.ram256k);
        boolean(n.romModule[m], "inserted", was.romModuleInserted, now.romModuleInserted);
        text(n.romModule[m], "name", was.romModuleName, now.romModuleName);
    }

    const ScreenSettings &ws = stored.screen, &s = v.screen;
    word(n.screen, "half-pass", int(ws.halfPass), int(s.halfPass), kHalfPass);
    word(n.screen, "color-profile", int(ws.colorProfile), int(s.colorProfile), kProfiles);
    word(n.screen, "color-pallette", int(ws.palette), int(s.palette), kPalettes);
    for (int i = 0; i < 4; ++i)
        if (ws.attr[i] != s.attr[i]) WriteAttrString(n.screen, kAttrs[i], ColorTable::ColorNameFromIndex(s.attr[i]));
    boolean(n.screen, "video-cpu-interrupt", ws.videoCpuInterrupt, s.videoCpuInterrupt);

    const SoundSettings &wo = stored.sound, &so = v.sound;
    if (wo.directSound != so.directSound) WriteAttrString(n.sound, "out-type", so.directSound ? "dsound" : "waveout");
    number(n.sound, "device-index", wo.deviceIndex, so.deviceIndex);
    optional(n.sound, "volume-speaker", wo.volumeSpeaker, so.volumeSpeaker);
    optional(n.sound, "volume-tape", wo.volumeTape, so.volumeTape);
    optional(n.sound, "volume-sound-if", wo.volumeSoundIf, so.volumeSoundIf);
    boolean(n.sound, "mute", wo.mute, so.mute);
    word(n.sound, "sound-if", int(wo.soundIf), int(so.soundIf), kSoundIfs);

    boolean(n.keyboard, "change-zy", stored.keyboard.changeZy, v.keyboard.changeZy);
    boolean(n.keyboard, "use-numpad", stored.keyboard.useNumpad, v.keyboard.useNumpad);
    boolean(n.keyboard, "mato-ctrl", stored.keyboard.matoCtrl, v.keyboard.matoCtrl);
    word(n.mouse, "type", int(stored.mouse.type), int(v.mouse.type), kMice);
    boolean(n.mouse, "hide-cursor", stored.mouse.hideCursor, v.mouse.hideCursor);
    for (int j = 0; j < 2; ++j)
        boolean(n.joy[j], "connected", stored.joystick.connected[j], v.joystick.connected[j]);

    boolean(n.raom, "inserted", stored.raom.inserted, v.raom.inserted);
    text(n.raom, "name", stored.raom.name, v.raom.name);
    word(n.raom, "hw-version", stored.raom.version, v.raom.version, kRaomVersions);
    element(n.raom, stored.raom.image, v.raom.image);

    boolean(n.kzd, "connected", stored.kzd1.connected, v.kzd1.connected);
    if (stored.kzd1.onK3 != v.kzd1.onK3) WriteAttrString(n.kzd, "port", v.kzd1.onK3 ? "gpio0" : "gpio1");
    boolean(n.kzd, "write-protect", stored.kzd1.writeProtect, v.kzd1.writeProtect);
    element(n.kzd, stored.kzd1.image, v.kzd1.image);

    boolean(n.pmd30, "connected", stored.pmd30.connected, v.pmd30.connected);
    boolean(n.pmd30, "write-protect", stored.pmd30.writeProtect, v.pmd30.writeProtect);
    element(n.pmd30, stored.pmd30.image, v.pmd30.image);

    boolean(n.pmd32, "connected", stored.pmd32.connected, v.pmd32.connected);
    boolean(n.pmd32, "extra-commands", stored.pmd32.extraCommands, v.pmd32.extraCommands);
    for (int d = 0; d < 4; ++d) {
        boolean(n.drive[d], "write-protect", stored.pmd32.drives[d].writeProtect, v.pmd32.drives[d].writeProtect);
        element(n.drive[d], stored.pmd32.drives[d].image, v.pmd32.drives[d].image);
    }
    element(n.sdRoot, stored.pmd32.sdRoot, v.pmd32.sdRoot);

    word(n.printer, "type", int(stored.printer.type), int(v.printer.type), kPrinters);
    boolean(n.printer, "on-lpt", stored.printer.onLpt, v.printer.onLpt);
    boolean(n.general, "show-hint-in-debugger", stored.general.showHintInDebugger, v.general.showHintInDebugger);
}

RomFileList RomPackagesSettings::FilesOf(const std::string& name) const {
    std::vector<std::string> names;
    for (const RomPackageSettings& p : packages) names.push_back(p.name);
    const int found = FindPackage(names, name);
    return found >= 0 ? packages[size_t(found)].files : RomFileList();
}

bool MachineSettings::RomModuleInserted() const {
    return Capabilities(model.current).romModule && model.Current().romModuleInserted;
}

RomFileList MachineSettings::RomModuleFiles() const { return romPackages.FilesOf(model.Current().romModuleName); }

RomFileList MachineSettings::RaomFiles() const { return romPackages.FilesOf(raom.name); }

namespace CC = ChangeCode;

std::vector<int> ChangeCodesBetween(const MachineSettings& old, const MachineSettings& now, ForcedChanges forced) {
    std::vector<int> codes;
    auto add = [&codes](int code) { codes.push_back(code); };

    // Model: the chosen model's element decides, whatever the old model was.
    const int m = IsModelIndex(now.model.current) ? now.model.current : kModelC2717;
    const ModelCapabilities& has = Capabilities(m);
    const ModelElementSettings& was = old.model.models[m];
    const ModelElementSettings& is = now.model.models[m];
    if (old.model.current != now.model.current || was.romFile != is.romFile) add(CC::Model);
    if (old.model.models[kModel3].compatibilityMode != now.model.models[kModel3].compatibilityMode)
        add(CC::Compatibility);
    if (has.ram256k && was.ram256k != is.ram256k) {
        add(CC::Ram256k);
        add(CC::Model);
    }
    if (has.romModule && (forced.romModule || was.romModuleInserted != is.romModuleInserted ||
                          was.romModuleName != is.romModuleName)) {
        if (!was.romModuleInserted && is.romModuleInserted) add(CC::RomModuleInserted);
        add(CC::RomModule);
    }

    const ScreenSettings &os = old.screen, &ns = now.screen;
    if (os.halfPass != ns.halfPass) add(CC::HalfPass);
    if (os.colorProfile != ns.colorProfile) add(CC::Colors);
    if (os.palette != ns.palette) add(CC::Colors);
    if (ns.colorProfile == ColorProfile::Color && ns.palette == ColorPalette::Defined && os.attr != ns.attr)
        add(CC::Colors);
    if (os.videoCpuInterrupt != ns.videoCpuInterrupt) {
        add(CC::VideoInterrupt);
        add(CC::Model);
    }

    const SoundSettings &oo = old.sound, &no = now.sound;
    if (oo.directSound != no.directSound) add(CC::SoundDevice);
    if (oo.deviceIndex != no.deviceIndex) add(CC::SoundDevice);
    // A missing volume compares as -1.
    auto volume = [](std::optional<int> v) { return v.value_or(-1); };
    if (volume(oo.volumeSpeaker) != volume(no.volumeSpeaker) || volume(oo.volumeTape) != volume(no.volumeTape) ||
        volume(oo.volumeSoundIf) != volume(no.volumeSoundIf) || oo.mute != no.mute)
        add(CC::Volumes);
    if (oo.soundIf != no.soundIf) {
        add(CC::SoundDevice);
        if (oo.soundIf == SoundInterface::Musica || no.soundIf == SoundInterface::Musica) add(CC::Musica);
        if (oo.soundIf == SoundInterface::Mif85 || no.soundIf == SoundInterface::Mif85) add(CC::Mif85);
    }

    if (!(old.keyboard == now.keyboard)) add(CC::Keyboard);
    if (!(old.mouse == now.mouse)) add(CC::Mouse);
    if (forced.joystick || !(old.joystick == now.joystick)) add(CC::Joystick);

    if (forced.raom || old.raom.inserted != now.raom.inserted || old.raom.name != now.raom.name ||
        old.raom.version != now.raom.version) {
        if (!old.raom.inserted && now.raom.inserted) add(CC::RaomInserted);
        add(CC::Raom);
    }
    if (old.raom.image != now.raom.image) add(CC::Raom);

    if (old.kzd1.connected != now.kzd1.connected || old.kzd1.onK3 != now.kzd1.onK3) add(CC::Kzd1Connection);
    if (old.kzd1.writeProtect != now.kzd1.writeProtect) add(CC::Kzd1WriteProtect);
    if (old.kzd1.image != now.kzd1.image) add(CC::Kzd1Image);

    if (old.pmd30.connected != now.pmd30.connected) add(CC::Pmd30Connection);
    if (old.pmd30.writeProtect != now.pmd30.writeProtect) add(CC::Pmd30WriteProtect);
    if (old.pmd30.image != now.pmd30.image) add(CC::Pmd30Image);

    if (old.pmd32.connected != now.pmd32.connected) add(CC::Pmd32Unit);
    if (old.pmd32.extraCommands != now.pmd32.extraCommands) add(CC::Pmd32Unit);
    for (int d = 0; d < 4; ++d) {
        if (old.pmd32.drives[d].writeProtect != now.pmd32.drives[d].writeProtect) add(CC::Pmd32Protect(d));
        if (old.pmd32.drives[d].image != now.pmd32.drives[d].image) add(CC::Pmd32Image(d));
    }
    if (old.pmd32.sdRoot != now.pmd32.sdRoot) add(CC::Pmd32Unit);

    const PrinterSettings &op = old.printer, &np = now.printer;
    auto is_ = [](const PrinterSettings& p, PrinterType t) { return p.type == t; };
    if (is_(op, PrinterType::Bt100) != is_(np, PrinterType::Bt100)) add(CC::Bt100);
    if (is_(op, PrinterType::Xy41xx) != is_(np, PrinterType::Xy41xx)) add(CC::Xy41xx);
    if (op.onLpt != np.onLpt) {
        if (is_(np, PrinterType::Bt100))
            add(CC::Bt100);
        else if (is_(np, PrinterType::Xy41xx))
            add(CC::Xy41xx);
    }
    if (is_(op, PrinterType::Centronics) != is_(np, PrinterType::Centronics)) add(CC::Centronics);

    if (old.general.showHintInDebugger != now.general.showHintInDebugger) add(CC::DebuggerHints);
    return codes;
}
