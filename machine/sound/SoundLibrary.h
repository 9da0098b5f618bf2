#pragma once
// The sound library (PortAudio), started when it is first needed: when the
// devices are listed or a device is opened. Starting it probes every host
// API (ALSA, JACK), which a run without a sound device does not need.
// User-interface thread only.

// Starts the library once; false when it does not start (asked again then).
bool SoundLibraryReady();
// True once it has started and until SoundLibraryDone.
bool SoundLibraryStarted();
// Ends the library when it was started.
void SoundLibraryDone();
