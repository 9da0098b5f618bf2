#pragma once
// Shared set-up of the owner tests: a configuration document of our own,
// fakes of the windows, and a temporary folder for ROM and image files.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/Config.h"
#include "machine/core/ChangeCodes.h"
#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/owner/MachineOwner.h"

class FakeDebugger : public DebuggerLink {
public:
    std::set<uint16_t> breakpoints;
    std::vector<int32_t> clocks;  // slice clock seen before each instruction
    ChipCpu8080* cpu = nullptr;
    int steps = 0;
    int stepsUntilDone = 3;
    int opened = 0;
    int IsBreakpoint(uint16_t pc) override {
        if (cpu && clocks.size() < 64) clocks.push_back(cpu->SliceClock);
        return breakpoints.count(pc) ? 1 : 0;
    }
    // Asked before every instruction, so that the clocks are seen.
    bool AnyBreakpoint() override { return true; }
    int StepWatchingReturn(int32_t& cycles) override {
        cycles = cpu->Step();
        return ++steps >= stepsUntilDone ? 1 : 0;
    }
    void OpenDebugger() override { opened++; }
};

class FakeBrowser : public TapeBrowserLink {
public:
    IifTape* device = nullptr;
    int setCalls = 0;
    bool available = true;
    bool active = false;
    int newFile = 0, append = 0, stop = 0, updates = 0;
    void SetTapeDevice(IifTape* t) override { device = t; setCalls++; }
    void SetAvailable(bool a) override { available = a; }
    bool IsActiveWindow() override { return active; }
    void NewTapeFile() override { newFile++; }
    void AppendRecordedBlock() override { append++; }
    void StopTape() override { stop++; }
    void PeriodicUpdate() override { updates++; }
};

class FakeView : public OwnerView {
public:
    int repaints = 0, relayouts = 0, runChanges = 0, mutes = 0, models = 0;
    std::string usage;
    void RepaintScreen() override { repaints++; }
    void ShowCpuUsage(const std::string& t) override { usage = t; }
    void Relayout() override { relayouts++; }
    void RunStateChanged(int, bool) override { runChanges++; }
    void ShowModel(int) override { models++; }
    void ShowMute(bool) override { mutes++; }
    void SetLed(int, bool) override {}
    void ShowDiskIcon(int) override {}
    void ShowTapeIcon(int) override {}
    void ShowDebuggerHints(bool) override {}
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvik-owner-XXXXXX").string();
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (char* made = mkdtemp(buf.data())) path = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name, const std::vector<uint8_t>& data) const {
        std::string p = path + "/" + name;
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        return p;
    }
    std::string path;
};

inline const char* const kOwnerModelNames[8] = {"Model-1",    "Model-2",    "Model-2A",    "Model-3",
                                                "Model-Mato", "Model-Alfa", "Model-Alfa2", "Model-C2717"};

// Every model without a ROM file, no sound device, the disk unit off.
inline const char* const kOwnerConfigXml =
    "<Orvik version='1'><General/><Screen/>"
    "<Model current='Model-2A'>"
    "<Model-1><RomFile/></Model-1><Model-2><RomFile/></Model-2><Model-2A><RomFile/></Model-2A>"
    "<Model-3><RomFile/></Model-3><Model-Mato><RomFile/></Model-Mato><Model-Alfa><RomFile/></Model-Alfa>"
    "<Model-Alfa2><RomFile/></Model-Alfa2><Model-C2717><RomFile/></Model-C2717></Model>"
    "<Sound device-index='-1'/>"
    "<Storages><PMD-32 connected='false'><DriveA/><DriveB/><DriveC/><DriveD/><SD-Root/></PMD-32></Storages>"
    "</Orvik>";

// Connects the disk unit of the document under root to four fresh images in dir.
inline void ConnectDrives(pugi::xml_node root, TempDir& dir, std::string (&paths)[4]) {
    pugi::xml_node pmd = root.child("Storages").child("PMD-32");
    pmd.attribute("connected").set_value("true");
    const char* names[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};
    for (int i = 0; i < 4; ++i) {
        paths[i] = dir.File(std::string("d") + char('a' + i) + ".p32", std::vector<uint8_t>(1024, 0xE5));
        pmd.child(names[i]).text().set(paths[i].c_str());
    }
}

class OwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* xml = kOwnerConfigXml;
        ASSERT_TRUE(doc.load_string(xml));
        ConfigRoot = doc.document_element();
        owner.SetDebugger(&debugger);
        owner.SetTapeBrowser(&browser);
        owner.SetView(&view);
    }
    void TearDown() override { ConfigRoot = pugi::xml_node(); }

    pugi::xml_node Section(const char* name) { return ConfigRoot.child(name); }
    pugi::xml_node ModelElement(int model) { return Section("Model").child(kOwnerModelNames[model]); }
    void SelectModel(int model) { Section("Model").attribute("current").set_value(kOwnerModelNames[model]); }
    // A child element, made when the document lacks it.
    static pugi::xml_node Child(pugi::xml_node parent, const char* name) {
        pugi::xml_node n = parent.child(name);
        return n ? n : parent.append_child(name);
    }
    static void SetAttr(pugi::xml_node e, const char* name, const char* value) {
        (e.attribute(name) ? e.attribute(name) : e.append_attribute(name)).set_value(value);
    }
    // The modules plugged in through the configuration.
    void InsertRomModule(int model, const char* package = "") {
        pugi::xml_node m = Child(ModelElement(model), "RomModule");
        SetAttr(m, "inserted", "true");
        SetAttr(m, "name", package);
    }
    pugi::xml_node InsertRaom() {
        pugi::xml_node r = Child(Section("Storages"), "RaomModule");
        SetAttr(r, "inserted", "true");
        return r;
    }

    // Builds the model with romData as its monitor ROM (zeros: all NOP) and resets it.
    void Build(int model, std::vector<uint8_t> rom = std::vector<uint8_t>(4096, 0)) {
        SelectModel(model);
        owner.BuildMachine(1, static_cast<int32_t>(rom.size()), rom.data());
        owner.ResetMachine(0);
        std::lock_guard<std::recursive_mutex> hold(owner.CpuMutex);  // the slice may be reading it
        debugger.cpu = owner.GetCpu();
    }
    // Inserts or removes the ROM module (ramVariant 0) or the ROM/RAM module
    // (1) as the settings dialog's OK does: its check, then its change code.
    void SetRomModule(bool inserted, int ramVariant) {
        std::vector<int> codes;
        const char* on = inserted ? "true" : "false";
        if (ramVariant) {
            SetAttr(Child(Section("Storages"), "RaomModule"), "inserted", on);
            codes = {ChangeCode::Raom};
        } else {
            SetAttr(Child(ModelElement(owner.GetModel()), "RomModule"), "inserted", on);
            codes = {ChangeCode::RomModule};
        }
        owner.ApplySettings(codes);
    }
    ChipCpu8080& Cpu() { return *owner.GetCpu(); }
    ChipMemory& Mem() { return *owner.GetMemory(); }
    // Bytes into RAM at address, checked by reading them back.
    void Poke(uint16_t address, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            Mem().WriteByte(address + static_cast<int32_t>(i), bytes[i]);
            ASSERT_EQ(Mem().ReadByte(address + static_cast<int32_t>(i)), bytes[i]) << std::hex << address + i;
        }
    }

    pugi::xml_document doc;
    FakeDebugger debugger;
    FakeBrowser browser;
    FakeView view;
    MachineOwner owner;
};
