#include "machine/owner/MachineParts.h"

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/sndif/IfMusica.h"
#include "machine/sound/SoundDriver.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

MachineParts::MachineParts() = default;
MachineParts::~MachineParts() { DetachAll(); }

void MachineParts::DetachAll() {
    for (DeviceAttachment* place : {&musicaPlace, &pmd32Place, &raomModulePlace, &romModulePlace, &screenPlace,
                                    &pagingPlace, &tapePlace, &timerPlace, &gpioPlace, &systemPioPlace})
        place->Detach();
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
}

namespace {
constexpr PortRange kModulePorts{0x88, 0x8C, 1};
constexpr PortRange kMusicaPorts{0xFC, 0xFC, 0};
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
    musicaPlace.Attach(*cpu, musica.get(), {kMusicaPorts}, musica->TickHook());
    BindSoundSinks();
}
