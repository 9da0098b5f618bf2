#pragma once
#include <string>
#include <vector>

// PortAudio device lists for the sound settings. Asking starts the library
// (SoundLibraryReady); when it does not start, or there are no devices, the
// lists are empty and the default device is -1.

// `device-index` once a start found no output device to choose: the program
// then starts without the library, and the Sound page lists the devices again
// when it is shown.
constexpr int kSoundDeviceNone = -2;

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

// The name of device number index, empty when there is none.
std::string SoundDeviceName(int index);
// Every host API, in index order.
std::vector<SoundHostApiEntry> SoundHostApis();
// Every device (input devices included) whose host API has type hostApiType,
// in device order.
std::vector<SoundDeviceEntry> SoundDevicesOfHostApi(int hostApiType);
// The default output device of the host API of type hostApiType, -1 when the
// API is missing or has none.
int SoundDefaultOutputDevice(int hostApiType);
