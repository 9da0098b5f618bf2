#pragma once
// Brings a built machine in line with the configuration for a list of change
// codes: one handler per code, run in a fixed order whatever the order of
// the list. The list may grow while it is handled (code 1 and code 19 add
// codes), and the added codes are handled in the same call.

#include <cstdint>
#include <vector>

struct MachineParts;
class TPreciseTimer;

class SettingsApplier {
public:
    // The main window's toolbar above the picture: the mouse's vertical origin.
    static constexpr int32_t kMouseToolBarOffset = 26;

    // One step of the fixed order: the codes it answers (first..last) and its
    // handler, which returns 1 when the machine must be reset.
    struct Step {
        int first;
        int last;
        int (SettingsApplier::*handler)(std::vector<int>& codes);
    };

    SettingsApplier(MachineParts& parts, TPreciseTimer& cpuTimer) : parts(parts), cpuTimer(cpuTimer) {}

    // Every step whose code is in the list; 1 when a reset is needed.
    int Apply(std::vector<int>& codes);
    // The steps in the order they run.
    static const std::vector<Step>& Steps();

    // The appliers of the optional parts.
    int ApplySoundSettings(std::vector<int>& codes);
    int ApplyMusicaInterface(std::vector<int>& codes);
    int ApplyMif85Interface(std::vector<int>& codes);
    int ApplyStorageSettings(std::vector<int>& codes);
    void SetRomModule(uint8_t inserted, uint8_t ramVariant);
    // The CPU timer's period follows the sound driver.
    void UpdateCpuTimerPeriod();

private:
    int OnSound(std::vector<int>& codes);
    int OnModel(std::vector<int>& codes);
    int OnCompatibility(std::vector<int>& codes);
    int OnVideoInterrupt(std::vector<int>& codes);
    int OnHalfPass(std::vector<int>& codes);
    int OnColors(std::vector<int>& codes);
    int OnKeyboard(std::vector<int>& codes);
    int OnDebuggerHints(std::vector<int>& codes);
    int OnRomModule(std::vector<int>& codes);
    int OnRaom(std::vector<int>& codes);
    int OnJoystick(std::vector<int>& codes);
    int OnMouse(std::vector<int>& codes);
    int OnPrinter(std::vector<int>& codes);
    int OnStorage(std::vector<int>& codes);
    int OnMusica(std::vector<int>& codes);
    int OnMif85(std::vector<int>& codes);

    void DeleteRomModule();
    void DeleteRaomModule();
    void DeleteMusica();

    MachineParts& parts;
    TPreciseTimer& cpuTimer;
};
