#include "machine/sound/SoundLibrary.h"

#include <portaudio.h>

namespace {
bool started = false;
}  // namespace

bool SoundLibraryReady() {
    if (!started) started = Pa_Initialize() == paNoError;
    return started;
}

bool SoundLibraryStarted() { return started; }

void SoundLibraryDone() {
    if (!started) return;
    Pa_Terminate();
    started = false;
}
