#include "machine/owner/MachineParts.h"

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/input/Joy4004482.h"
#include "machine/input/Mouse.h"
#include "machine/printer/Bt100.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sndif/Mif85.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

MachineParts::MachineParts() = default;
MachineParts::~MachineParts() {
    DetachAll();
    DeletePeripherals();
    if (sound) sound->SetGenerator(SoundGenerator());
    if (timerIf) timerIf->SetInterruptHook(0, IifTimer::InterruptHook());
}

void MachineParts::DetachAll() {
    for (DeviceAttachment* place : {&bt100Place, &mousePlace, &mif85Place, &musicaPlace, &pmd32Place, &raomModulePlace, &romModulePlace, &screenPlace,
                                    &pagingPlace, &tapePlace, &timerPlace, &gpioPlace, &systemPioPlace})
        place->Detach();
}

void MachineParts::ApplyDiscardHostWrites() {
    if (raomModule) raomModule->SetDiscardWrites(discardHostWrites);
    if (pmd32) pmd32->SetDiscardWrites(discardHostWrites);
    if (tape) tape->SetDiscardRecorded(discardHostWrites);
}

void MachineParts::BindSoundSinks() {
    SoundLevelSink sink;
    if (sound) sink = sound->LevelSink();
    if (systemPio) systemPio->SetSoundSink(sink);
    if (tape) tape->SetSoundSink(sink);
    // The Musica voices and the timer's channel 2 follow the driver too.
    if (musica) {
        musica->SetSoundSink(sink);
        if (timerIf) {
            timerIf->SetSoundSink(sink);
            timerIf->EnableSound(sound ? 1 : 0);
        }
    }
    if (mif85 && sound) sound->SetGenerator(MakeClosure<&Mif85::GenerateSamples>(mif85.get()));
}

namespace {
constexpr PortRange kModulePorts{0x88, 0x8C, 1};
constexpr PortRange kMusicaPorts{0xFC, 0xFC, 0};
constexpr PortRange kMif85Ports{0xEC, 0xFC, 1};
}  // namespace

void MachineParts::PlaceRomModule() {
    if (romModule && cpu) romModulePlace.Attach(*cpu, romModule.get(), {kModulePorts});
}

void MachineParts::PlaceRaomModule() {
    if (raomModule && cpu) raomModulePlace.Attach(*cpu, raomModule.get(), {kModulePorts});
}

void MachineParts::PlaceMusica() {
    if (!musica || !cpu) return;
    if (!timerIf) {
        musicaPlace.Detach();
        musica.reset();
        return;
    }
    musicaPlace.Attach(*cpu, musica.get(), {kMusicaPorts}, musica->TickHook(), musica->QuietMeasure());
    BindSoundSinks();
}

void MachineParts::PlaceMif85() {
    if (!mif85 || !cpu) return;
    if (!sound || !timerIf) {  // its interrupt runs through the timer interface
        if (sound) sound->SetGenerator(SoundGenerator());
        mif85Place.Detach();
        mif85.reset();
        return;
    }
    mif85Place.Attach(*cpu, mif85.get(), {kMif85Ports});
    if (timerIf) timerIf->SetInterruptHook(1, MakeClosure<&Mif85::IsEnabled>(mif85.get()));
    sound->SetGenerator(MakeClosure<&Mif85::GenerateSamples>(mif85.get()));
}

void MachineParts::DeletePeripherals() {
    if (printerPaper) printerPaper->AttachPrinter(0, 0);
    bt100Place.Detach();
    bt100.reset();
    bt100Lpt.reset();
    mousePlace.Detach();
    mouse.reset();
    joystick.reset();
}
