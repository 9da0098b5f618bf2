#include "platform/Joystick.h"

#include <SDL.h>

#include <cstring>

namespace {
bool g_ready = false;
HostJoystickFactory g_factory = nullptr;

Guid FromSdl(const SDL_JoystickGUID& g) {
    Guid r;
    const uint8_t* d = g.data;
    r.Data1 = static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
              static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24;
    r.Data2 = static_cast<uint16_t>(d[4] | d[5] << 8);
    r.Data3 = static_cast<uint16_t>(d[6] | d[7] << 8);
    std::memcpy(r.Data4, d + 8, 8);
    return r;
}

// SDL's identifier names the model: two equal controllers differ by the count of equal
// ones before them, added into the last byte.
std::vector<Guid> InstanceGuids() {
    std::vector<Guid> model, inst;
    int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i) {
        Guid g = FromSdl(SDL_JoystickGetDeviceGUID(i));
        int same = 0;
        for (const Guid& m : model)
            if (m == g) ++same;
        model.push_back(g);
        g.Data4[7] = static_cast<uint8_t>(g.Data4[7] + same);
        inst.push_back(g);
    }
    return inst;
}
}  // namespace

bool HostJoystickInit() {
    if (g_ready) return true;
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SDL must not take over SIGINT/SIGTERM from the application.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    g_ready = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    return g_ready;
}

void HostJoystickDone() {
    if (!g_ready) return;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    g_ready = false;
}

bool HostJoystickReady() { return g_ready; }

std::vector<HostJoystickInfo> HostJoystickEnumerate() {
    std::vector<HostJoystickInfo> list;
    if (!g_ready) return list;
    SDL_JoystickUpdate();  // notices controllers attached or removed since the last call
    std::vector<Guid> guids = InstanceGuids();
    for (size_t i = 0; i < guids.size(); ++i) {
        const char* name = SDL_JoystickNameForIndex(static_cast<int>(i));
        list.push_back(HostJoystickInfo{guids[i], name ? name : ""});
    }
    return list;
}

HostJoystick::~HostJoystick() { HostJoystick::Close(); }

void SetHostJoystickFactory(HostJoystickFactory factory) { g_factory = factory; }

std::unique_ptr<HostJoystick> CreateHostJoystick() {
    if (g_factory) return g_factory();
    return std::make_unique<HostJoystick>();
}

bool HostJoystick::Open(const Guid& instanceGuid) {
    Close();
    if (!g_ready) return false;
    SDL_JoystickUpdate();
    std::vector<Guid> guids = InstanceGuids();
    for (size_t i = 0; i < guids.size(); ++i)
        if (guids[i] == instanceGuid) {
            handle_ = SDL_JoystickOpen(static_cast<int>(i));
            return handle_ != nullptr;
        }
    return false;
}

void HostJoystick::Close() {
    if (handle_) SDL_JoystickClose(static_cast<SDL_Joystick*>(handle_));
    handle_ = nullptr;
}

int HostJoystick::AxisCount() const {
    if (!handle_) return 0;
    int n = SDL_JoystickNumAxes(static_cast<SDL_Joystick*>(handle_));
    return n < 0 ? 0 : (n > 8 ? 8 : n);
}

int HostJoystick::HatCount() const {
    if (!handle_) return 0;
    int n = SDL_JoystickNumHats(static_cast<SDL_Joystick*>(handle_));
    return n < 0 ? 0 : (n > 4 ? 4 : n);
}

int HostJoystick::ButtonCount() const {
    if (!handle_) return 0;
    int n = SDL_JoystickNumButtons(static_cast<SDL_Joystick*>(handle_));
    return n < 0 ? 0 : (n > 32 ? 32 : n);
}

bool HostJoystick::Poll(HostJoystickState& state) {
    state = HostJoystickState{};
    if (!handle_) return false;
    auto* j = static_cast<SDL_Joystick*>(handle_);
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(j)) return false;
    int axes = SDL_JoystickNumAxes(j);
    int32_t* axisOut[8] = {&state.x,  &state.y,  &state.z,         &state.rx,
                           &state.ry, &state.rz, &state.slider[0], &state.slider[1]};
    for (int a = 0; a < axes && a < 8; ++a) *axisOut[a] = ScaleJoystickAxis(SDL_JoystickGetAxis(j, a));
    int hats = SDL_JoystickNumHats(j);
    for (int h = 0; h < hats && h < 4; ++h) state.pov[h] = JoystickHatToPov(SDL_JoystickGetHat(j, h));
    int buttons = SDL_JoystickNumButtons(j);
    for (int b = 0; b < buttons && b < 32; ++b)
        state.buttons[b] = SDL_JoystickGetButton(j, b) ? 0x80 : 0;
    return true;
}

int32_t ScaleJoystickAxis(int value) {
    int32_t v = (value >= 0) ? (value * 128 + 16383) / 32767 : (value * 128 - 16384) / 32768;
    if (v < -128) v = -128;
    if (v > 128) v = 128;
    return v;
}

uint32_t JoystickHatToPov(uint8_t hat) {
    switch (hat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 4500;
        case SDL_HAT_RIGHT: return 9000;
        case SDL_HAT_RIGHTDOWN: return 13500;
        case SDL_HAT_DOWN: return 18000;
        case SDL_HAT_LEFTDOWN: return 22500;
        case SDL_HAT_LEFT: return 27000;
        case SDL_HAT_LEFTUP: return 31500;
        default: return 0xFFFFFFFFu;
    }
}
