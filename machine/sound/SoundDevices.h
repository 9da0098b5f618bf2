#pragma once
#include <string>
#include <vector>

// PortAudio device lists for the sound settings. The library must be
// initialised; without it (or without devices) the lists are empty and the
// default device is -1.

struct SoundHostApiEntry {
    int index = -1;                // host API index
    int type = 0;                  // PaHostApiTypeId
    std::string name;
    int defaultOutputDevice = -1;  // device number, -1 when none
};

struct SoundDeviceEntry {
    int index = -1;  // device number, as SoundDriver takes it
    std::string name;
    int hostApiIndex = -1;
    int maxOutputChannels = 0;
};

// Every host API, in index order.
std::vector<SoundHostApiEntry> SoundHostApis();
// Every device (input devices included) whose host API has type hostApiType,
// in device order.
std::vector<SoundDeviceEntry> SoundDevicesOfHostApi(int hostApiType);
// The default output device of the host API of type hostApiType, -1 when the
// API is missing or has none.
int SoundDefaultOutputDevice(int hostApiType);
