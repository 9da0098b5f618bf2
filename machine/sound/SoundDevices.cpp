#include "machine/sound/SoundDevices.h"

#include <portaudio.h>

#include "machine/sound/SoundLibrary.h"

std::vector<SoundHostApiEntry> SoundHostApis() {
    std::vector<SoundHostApiEntry> list;
    if (!SoundLibraryReady()) return list;
    int count = Pa_GetHostApiCount();
    for (int i = 0; i < count; ++i) {
        const PaHostApiInfo* info = Pa_GetHostApiInfo(i);
        if (!info) continue;
        SoundHostApiEntry e;
        e.index = i;
        e.type = int(info->type);
        e.name = info->name ? info->name : "";
        e.defaultOutputDevice = info->defaultOutputDevice >= 0 ? info->defaultOutputDevice : -1;
        list.push_back(std::move(e));
    }
    return list;
}

std::vector<SoundDeviceEntry> SoundDevicesOfHostApi(int hostApiType) {
    std::vector<SoundDeviceEntry> list;
    if (!SoundLibraryReady()) return list;
    PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(PaHostApiTypeId(hostApiType));
    if (api < 0) return list;
    int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->hostApi != api) continue;
        SoundDeviceEntry e;
        e.index = i;
        e.name = info->name ? info->name : "";
        e.hostApiIndex = info->hostApi;
        e.maxOutputChannels = info->maxOutputChannels;
        list.push_back(std::move(e));
    }
    return list;
}

int SoundDefaultOutputDevice(int hostApiType) {
    if (!SoundLibraryReady()) return -1;
    PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(PaHostApiTypeId(hostApiType));
    if (api < 0) return -1;
    const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
    if (!info || info->defaultOutputDevice < 0) return -1;
    return info->defaultOutputDevice;
}

std::string SoundDeviceName(int index) {
    if (index < 0 || !SoundLibraryReady() || index >= Pa_GetDeviceCount()) return std::string();
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    return info && info->name ? info->name : std::string();
}
