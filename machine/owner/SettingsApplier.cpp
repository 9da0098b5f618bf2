#include "machine/owner/SettingsApplier.h"

#include <algorithm>

#include "common/Config.h"
#include "common/Files.h"
#include "common/Paths.h"
#include "machine/core/ChangeCodes.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/owner/ColorTable.h"
#include "machine/owner/MachineBuilder.h"
#include "machine/owner/MachineParts.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/JoyRow.h"
#include "machine/input/Mouse.h"
#include "machine/printer/Bt100.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sndif/Mif85.h"
#include "platform/ParPort.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"
#include "machine/timer/IifTimer.h"
#include "platform/PreciseTimer.h"

namespace {

bool Has(const std::vector<int>& codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// A missing volume takes the default; one outside 0-100 gives 90.
int Volume(std::optional<int> stored, int def) {
    const int v = stored.value_or(def);
    return (v < 0 || v > 100) ? 90 : v;
}

}  // namespace

namespace CC = ChangeCode;

const std::vector<SettingsApplier::Step>& SettingsApplier::Steps() {
    static const std::vector<Step> steps = {
        {CC::SoundDevice, CC::Volumes, &SettingsApplier::OnSound},
        {CC::Model, CC::Model, &SettingsApplier::OnModel},
        {CC::Compatibility, CC::Compatibility, &SettingsApplier::OnCompatibility},
        {CC::VideoInterrupt, CC::VideoInterrupt, &SettingsApplier::OnVideoInterrupt},
        {CC::HalfPass, CC::HalfPass, &SettingsApplier::OnHalfPass},
        {CC::Colors, CC::Colors, &SettingsApplier::OnColors},
        {CC::Keyboard, CC::Keyboard, &SettingsApplier::OnKeyboard},
        {CC::DebuggerHints, CC::DebuggerHints, &SettingsApplier::OnDebuggerHints},
        {CC::RomModule, CC::RomModule, &SettingsApplier::OnRomModule},
        {CC::Raom, CC::Raom, &SettingsApplier::OnRaom},
        {CC::Joystick, CC::Joystick, &SettingsApplier::OnJoystick},
        {CC::Mouse, CC::Mouse, &SettingsApplier::OnMouse},
        {CC::Bt100, CC::Bt100, &SettingsApplier::OnPrinter},
        {CC::Pmd32Unit, CC::Pmd32ProtectD, &SettingsApplier::OnStorage},
        {CC::Musica, CC::Musica, &SettingsApplier::OnMusica},
        {CC::Mif85, CC::Mif85, &SettingsApplier::OnMif85},
    };
    return steps;
}

int SettingsApplier::Apply(std::vector<int>& codes) {
    int reset = 0;
    for (const Step& step : Steps()) {
        bool present = false;
        for (int code = step.first; code <= step.last && !present; ++code) present = Has(codes, code);
        if (present && (this->*step.handler)(codes) == 1) reset = 1;
    }
    return reset;
}

// ------------------------------------------------------------ handlers

int SettingsApplier::OnSound(std::vector<int>& codes) { return ApplySoundSettings(codes); }

int SettingsApplier::OnModel(std::vector<int>& codes) {
    MachineBuilder::Build(parts, 0, 0, nullptr);
    // Every device built on the old core is made again on the new one; the
    // printer too, since it sits on the general-purpose interface.
    codes.insert(codes.end(), {CC::Compatibility, CC::Ram256k, CC::VideoInterrupt, CC::Keyboard, CC::RomModule,
                               CC::Raom, CC::Musica, CC::Mif85, CC::Pmd32Unit, CC::Joystick, CC::Mouse, CC::Bt100});
    return 1;
}

int SettingsApplier::OnCompatibility(std::vector<int>&) {
    parts.compatibilityMode.store(parts.settings.model.models[kModel3].compatibilityMode ? 1 : 0);
    return 0;
}

// The machine's video-interrupt option, read by the CPU slice (the 50 Hz
// interrupt) and by snapshot saving (the port-6Ch register byte). Only the
// models with the option have it; the port itself is mapped by the next build.
int SettingsApplier::OnVideoInterrupt(std::vector<int>&) {
    const bool on = machine_builder::Plan(parts.model).videoInterruptOption && parts.settings.screen.videoCpuInterrupt;
    parts.videoInterrupt = on ? 1 : 0;
    return 0;
}

int SettingsApplier::OnHalfPass(std::vector<int>&) {
    if (!parts.screen) return 0;
    switch (const HalfPass halfPass = parts.settings.screen.halfPass) {
        case HalfPass::Lcd: parts.screen->SetLcdMode(true); break;
        case HalfPass::Off:
        case HalfPass::B75:
        case HalfPass::B50:
        case HalfPass::B25: parts.screen->SetHalfPass(int(halfPass) + 1); break;
        case HalfPass::B0: parts.screen->SetHalfPass(5); break;
    }
    return 0;
}

int SettingsApplier::OnColors(std::vector<int>&) {
    if (!parts.screen) return 0;
    ScreenDAD85& screen = *parts.screen;
    const ScreenSettings& s = parts.settings.screen;
    switch (s.colorProfile) {
        case ColorProfile::Mono: screen.SetColorProfile(0); break;
        case ColorProfile::Standard: screen.SetColorProfile(1); break;
        case ColorProfile::Multicolor: screen.SetColorProfile(3); break;
        case ColorProfile::Color: {
            screen.SetColorProfile(2);
            static const int kRgb[4] = {10, 9, 12, 13};
            static const int kVideo[4] = {15, 10, 9, 1};
            for (int i = 0; i < 4; ++i) {
                int color = s.attr[i];
                if (s.palette == ColorPalette::Rgb)
                    color = kRgb[i];
                else if (s.palette == ColorPalette::Video)
                    color = kVideo[i];
                screen.SetUserColor(i, color);
            }
            break;
        }
    }
    return 0;
}

int SettingsApplier::OnKeyboard(std::vector<int>&) {
    if (!parts.systemPio) return 0;
    const KeyboardSettings& keyboard = parts.settings.keyboard;
    parts.systemPio->changeZy = keyboard.changeZy ? 1 : 0;
    parts.systemPio->useNumpad = keyboard.useNumpad ? 1 : 0;
    parts.systemPio->matoCtrl = keyboard.matoCtrl ? 1 : 0;
    return 0;
}

int SettingsApplier::OnDebuggerHints(std::vector<int>&) {
    if (parts.view) parts.view->ShowDebuggerHints(parts.settings.general.showHintInDebugger);
    return 0;
}

int SettingsApplier::OnRomModule(std::vector<int>& codes) {
    SetRomModule(parts.settings.RomModuleInserted() ? 1 : 0, 0);
    return Has(codes, CC::RomModuleInserted) ? 1 : 0;
}

int SettingsApplier::OnRaom(std::vector<int>& codes) {
    SetRomModule(parts.settings.raom.inserted ? 1 : 0, 1);
    return Has(codes, CC::RaomInserted) ? 1 : 0;
}

int SettingsApplier::OnJoystick(std::vector<int>&) {
    parts.joystick.reset();
    if (!parts.gpio) return 0;
    const bool first = parts.settings.joystick.connected[0];
    const bool second = parts.settings.joystick.connected[1];
    if (!first && !second) return 0;
    const JoyRow* rows = parts.settings.joystick.rows.data();
    const int mode = first && second ? Joy4004482::kBoth : (first ? Joy4004482::kFirstOnly : Joy4004482::kSecondOnly);
    parts.joystick = std::make_unique<Joy4004482>(*parts.gpio, mode, mode == Joy4004482::kSecondOnly ? &rows[1] : rows,
                                                  &parts.keys);
    return 0;
}

int SettingsApplier::OnMouse(std::vector<int>&) {
    parts.mousePlace.Detach();
    parts.mouse.reset();
    if (parts.timerIf) parts.timerIf->EnableCascade(0);
    const MouseSettings& mouse = parts.settings.mouse;
    if (!parts.cpu || mouse.type == MouseType::None) return 1;
    int32_t scale = 1, offset = kMouseToolBarOffset;
    switch (parts.screen ? parts.screen->GetSizeMode() : 0) {
        case 1: scale = 2; break;
        case 2: scale = 3; break;
        case 3:
            scale = 2;
            offset = 0;
            break;
        default: break;
    }
    if (mouse.type == MouseType::M602 && Capabilities(parts.model).mouse602) {
        parts.mouse = std::make_unique<Mouse602>(scale, 0, offset);
        if (parts.timerIf) parts.timerIf->EnableCascade(1);
    } else if (mouse.type == MouseType::Poly8) {
        auto poly = std::make_unique<MousePoly08>(scale, 0, offset);
        poly->SetCpu(parts.cpu.get());
        parts.mouse = std::move(poly);
    } else {
        return 1;
    }
    parts.mousePlace.Attach(*parts.cpu, parts.mouse.get(), {PortRange{MouseBase::kPort, 0xFF, 0}},
                            parts.mouse->TickHook(), parts.mouse->QuietMeasure());
    parts.mouse->hideCursor = mouse.hideCursor ? 1 : 0;
    parts.mouse->SetSteadyInterrupts(parts.steadyInterrupts);
    return 1;
}

int SettingsApplier::OnPrinter(std::vector<int>&) {
    if (parts.printerPaper) parts.printerPaper->AttachPrinter(0, 0);
    parts.bt100Place.Detach();
    parts.bt100.reset();
    parts.bt100Lpt.reset();
    const int handle = LptHandle.exchange(-1);
    if (handle != -1) LptClose(handle);
    const PrinterSettings& printer = parts.settings.printer;
    if (!parts.gpio || !parts.cpu || printer.type != PrinterType::Bt100) return 0;
    if (printer.onLpt) {
        // The port is opened first, so the pass-through's start-up writes reach it.
        LptHandle.store(LptOpen(LptNumber));
        parts.bt100Lpt = std::make_unique<Bt100Lpt>(*parts.gpio, 0, SystemParallelPort(), LptPortBase);
        return 0;
    }
    parts.bt100 = std::make_unique<Bt100>(*parts.gpio, 0);
    if (parts.printerPaper) parts.printerPaper->AttachPrinter(Bt100::kPaperWidth, Bt100::kPaperHeight);
    parts.bt100->Reset();
    parts.bt100Place.Attach(*parts.cpu, nullptr, {}, parts.bt100->TickHook(), parts.bt100->QuietMeasure());
    return 0;
}

int SettingsApplier::OnStorage(std::vector<int>& codes) { return ApplyStorageSettings(codes); }

int SettingsApplier::OnMusica(std::vector<int>& codes) {
    ApplyMusicaInterface(codes);
    return 1;
}

int SettingsApplier::OnMif85(std::vector<int>& codes) {
    ApplyMif85Interface(codes);
    return 1;
}

// ------------------------------------------------------------ optional parts

void SettingsApplier::UpdateCpuTimerPeriod() {
    cpuTimer.SetIntervalMicroseconds(parts.sound ? parts.sound->SlicePeriodMicroseconds()
                                                 : SoundDriver::UnpacedSlicePeriodMicroseconds);
}

int SettingsApplier::ApplySoundSettings(std::vector<int>& codes) {
    const SoundSettings& s = parts.settings.sound;
    const int speaker = Volume(s.volumeSpeaker, 90);
    const int tapeVolume = Volume(s.volumeTape, 50);
    const int soundIf = Volume(s.volumeSoundIf, 90);
    const int volumes[6] = {speaker, tapeVolume, soundIf, soundIf, soundIf, soundIf};

    if (Has(codes, CC::SoundDevice)) {
        // Nobody may keep the old driver's level writer or generator.
        if (parts.timerIf) {
            parts.timerIf->EnableSound(0);
            parts.timerIf->SetSoundSink(SoundLevelSink());
        }
        parts.sound.reset();
        parts.BindSoundSinks();
        int result = 0;
        const int device = s.deviceIndex;
        if (device >= 0) {
            int channels = 2;
            if (s.soundIf == SoundInterface::Musica)
                channels = 6;
            else if (s.soundIf == SoundInterface::Mif85)
                channels = 3;
            parts.sound = parts.soundFactory(device, channels, volumes);
            parts.BindSoundSinks();
            result = parts.sound ? 1 : 0;
            if (!parts.sound || !parts.sound->IsStreamOpen()) parts.soundOpenFailure = device;
        }
        UpdateCpuTimerPeriod();
        // A new driver starts unmuted: the stored mute setting applies to it
        // as well, or a muted user would hear the machine after a device change.
        if (parts.sound && s.mute) parts.sound->Mute();
        if (Has(codes, CC::Volumes) && parts.view) parts.view->ShowMute(s.mute);
        return result;
    }
    if (Has(codes, CC::Volumes)) {
        const bool mute = s.mute;
        if (parts.view) parts.view->ShowMute(mute);
        if (parts.sound) {
            parts.sound->SetVolumes(volumes);
            if (mute)
                parts.sound->Mute();
            else
                parts.sound->Unmute();
        }
    }
    return 0;
}

void SettingsApplier::DeleteMusica() {
    parts.musicaPlace.Detach();
    parts.musica.reset();
}

int SettingsApplier::ApplyMusicaInterface(std::vector<int>&) {
    if (parts.timerIf) {
        parts.timerIf->EnableSound(0);
        parts.timerIf->SetSoundSink(SoundLevelSink());
    }
    DeleteMusica();
    if (!parts.sound || !parts.timerIf || !parts.cpu || parts.settings.sound.soundIf != SoundInterface::Musica)
        return 1;
    parts.musica = std::make_unique<IfMusica>();
    parts.PlaceMusica();
    return 1;
}

int SettingsApplier::ApplyMif85Interface(std::vector<int>& codes) {
    if (parts.timerIf) parts.timerIf->SetInterruptHook(0, IifTimer::InterruptHook());
    if (parts.sound) parts.sound->SetGenerator(SoundGenerator());
    parts.mif85Place.Detach();
    parts.mif85.reset();
    if (parts.sound && parts.timerIf && parts.cpu && parts.settings.sound.soundIf == SoundInterface::Mif85) {
        parts.mif85 = std::make_unique<Mif85>();
        parts.PlaceMif85();
    }
    return Has(codes, CC::Mif85) ? 1 : 0;
}

int SettingsApplier::ApplyStorageSettings(std::vector<int>& codes) {
    Pmd32Settings& settings = parts.settings.pmd32;
    int result = 0;
    if (Has(codes, CC::Pmd32Unit)) {
        result = 1;
        parts.pmd32Place.Detach();
        parts.pmd32.reset();
        if (parts.gpio && parts.cpu && settings.connected) {
            parts.pmd32 = std::make_unique<Pmd32>(*parts.gpio);
            parts.pmd32->SetDiscardWrites(parts.discardHostWrites);
            parts.pmd32Place.Attach(*parts.cpu, nullptr, {}, parts.pmd32->TickHook(),
                                    parts.pmd32->QuietMeasure());
            codes.insert(codes.end(), {CC::Pmd32Image(0), CC::Pmd32Image(1), CC::Pmd32Image(2), CC::Pmd32Image(3)});
        }
    }
    if (!parts.pmd32) return result;
    Pmd32& unit = *parts.pmd32;

    unit.SetRoot(settings.extraCommands ? 1 : 0, StoredPathAbsolute(settings.sdRoot));
    for (int index = 0; index < 4; ++index) {
        Pmd32DriveSettings& drive = settings.drives[index];
        const uint8_t protect = drive.writeProtect ? 1 : 0;
        const std::string path = StoredPathAbsolute(drive.image);
        if (Has(codes, CC::Pmd32Image(index))) {
            if (index < 3) {
                unit.Unmount(index + 1);
                codes.push_back(CC::Pmd32Image(index + 1));
            }
            if (GetFileSizeByName(path) >= 0) {
                int r = unit.MountImage(index, path, protect);
                if (r != 0) {
                    parts.pmd32MountFailures.push_back({index, path, r});
                    // An image that cannot be mounted leaves the configuration.
                    if (!Pmd32::MountFailureKeepsPath(r)) drive.image.clear();
                }
            } else {
                unit.Unmount(index);
            }
        } else if (Has(codes, CC::Pmd32Protect(index))) {
            unit.SetWriteProtect(index, protect);
        }
    }
    return result;
}

void SettingsApplier::DeleteRomModule() {
    parts.romModulePlace.Detach();
    parts.romModule.reset();
}

void SettingsApplier::DeleteRaomModule() {
    parts.raomModulePlace.Detach();
    parts.raomModule.reset();
}

void SettingsApplier::SetRomModule(uint8_t inserted, uint8_t ramVariant) {
    const MachineSettings& settings = parts.settings;
    if (ramVariant == 0) {
        DeleteRomModule();
    } else {
        DeleteRaomModule();
        // A ROM module that stays gets its port back.
        parts.PlaceRomModule();
    }
    if (!inserted) return;
    if (ramVariant == 1) {
        parts.raomModule = std::make_unique<RaomModule>(settings.raom.version);
        parts.PlaceRaomModule();
        parts.raomModule->LoadPackage(settings.RaomFiles());
        const std::string image = StoredPathAbsolute(settings.raom.image);
        if (GetFileSizeByName(image) >= 0)
            parts.raomModule->OpenFile(image);
        else
            parts.raomModule->CloseFile();
        parts.raomModule->SetDiscardWrites(parts.discardHostWrites);
    } else {
        parts.romModule = std::make_unique<RomModule>();
        parts.PlaceRomModule();
        parts.romModule->LoadPackage(settings.RomModuleFiles());
    }
}
