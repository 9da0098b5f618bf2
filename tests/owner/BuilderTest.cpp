// The builder: port map and cycle hooks per model, monitor ROM sizes, the
// appliers and what survives a rebuild.
#include <algorithm>

#include "OwnerFixture.h"
#include "machine/cpu/ChipMemoryModels.h"
#include "machine/pio/IifGPIO.h"
#include "machine/pio/SystemPIO.h"
#include "machine/screen/ScreenDAD85.h"
#include "machine/storage/Pmd32.h"
#include "machine/storage/RaomModule.h"
#include "machine/storage/RomModule.h"
#include "machine/tape/IifTape.h"
#include "machine/timer/IifTimer.h"

namespace {

enum Dev { Sys, Gpio, Timer, Tape, Paging, Screen };
struct Port { uint8_t port, mask; Dev dev; uint8_t reset; };
struct MapCase {
    int model;
    bool ram256k;
    bool video;
    std::vector<Port> ports;
    bool hooks;  // SystemPIO, IifTimer, IifTape ticks
    uint8_t changeWord;
};

const Port kSys{0x84, 0x8C, Sys, 1}, kGpio{0x4C, 0xFC, Gpio, 1}, kTimer{0x5C, 0xFC, Timer, 0},
    kTape{0x1C, 0xFC, Tape, 1}, kTapeAlfa{0xF0, 0xFC, Tape, 1}, kMem{0x6D, 0xFF, Paging, 1},
    kScreen{0x6C, 0xFF, Screen, 1};

class BuilderTest : public OwnerTest {};

TEST_F(BuilderTest, PortMapAndCycleHooksPerModel) {
    const std::vector<MapCase> cases = {
        {0, false, false, {kSys, kGpio, kTimer, kTape}, true, 1},
        {0, true, true, {kSys, kGpio, kTimer, kTape, kScreen}, true, 1},
        {1, false, true, {kSys, kGpio, kTimer, kTape, kScreen}, true, 1},
        {2, false, false, {kSys, kGpio, kTimer, kTape}, true, 1},
        {2, true, false, {kSys, kGpio, kTimer, kTape, kMem}, true, 1},
        {2, true, true, {kSys, kGpio, kTimer, kTape, kMem, kScreen}, true, 1},
        {3, false, false, {kSys, kGpio, kTimer, kTape}, true, 1},
        {3, true, true, {kSys, kGpio, kTimer, kTape, kMem, kScreen}, true, 1},
        {4, true, true, {kSys}, false, 1},
        {5, false, true, {kSys, kGpio, kTimer, kTapeAlfa}, true, 1},
        {6, true, false, {kSys, kGpio, kTimer, kTapeAlfa}, true, 1},
        {7, true, true, {kSys, kGpio, kTimer, kTape}, true, 0},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(std::string(kOwnerModelNames[c.model]) + (c.ram256k ? " ram256k" : "") +
                     (c.video ? " video" : ""));
        ModelElement(c.model).remove_attribute("ram256k");
        ModelElement(c.model).append_attribute("ram256k").set_value(c.ram256k ? "true" : "false");
        Section("Screen").remove_attribute("video-cpu-interrupt");
        Section("Screen").append_attribute("video-cpu-interrupt").set_value(c.video ? "true" : "false");
        SelectModel(c.model);
        owner.BuildMachine(0, 0, nullptr);
        ASSERT_EQ(owner.GetModel(), c.model);
        ChipCpu8080& cpu = Cpu();
        auto device = [&](Dev d) -> PeripheralDevice* {
            switch (d) {
                case Sys: return owner.GetSystemPio();
                case Gpio: return owner.GetGpio();
                case Timer: return owner.GetTimerIf();
                case Tape: return owner.GetTape();
                case Paging: return dynamic_cast<PeripheralDevice*>(owner.GetMemory());
                case Screen: return owner.GetScreen();
            }
            return nullptr;
        };
        size_t i = 0;
        for (const PortMapEntry* e = cpu.GetPortMap(); e; e = e->Next, ++i) {
            ASSERT_LT(i, c.ports.size());
            EXPECT_EQ(e->Port, c.ports[i].port) << i;
            EXPECT_EQ(e->Mask, c.ports[i].mask) << i;
            EXPECT_EQ(e->ResetFlag, c.ports[i].reset) << i;
            EXPECT_EQ(e->Device, device(c.ports[i].dev)) << i;
            EXPECT_NE(e->Device, nullptr) << i;
        }
        EXPECT_EQ(i, c.ports.size());

        std::vector<CycleHook> hooks;
        for (const CycleCallback* h = cpu.GetCycleCallbacks(); h; h = h->Next) hooks.push_back(h->Hook);
        if (c.hooks) {
            ASSERT_EQ(hooks.size(), 3u);
            EXPECT_TRUE(hooks[0] == owner.GetSystemPio()->TickHook());
            EXPECT_TRUE(hooks[1] == owner.GetTimerIf()->TickHook());
            EXPECT_TRUE(hooks[2] == owner.GetTape()->TickHook());
        } else {
            EXPECT_TRUE(hooks.empty());
            EXPECT_EQ(owner.GetGpio(), nullptr);
            EXPECT_EQ(owner.GetTape(), nullptr);
        }
        EXPECT_EQ(owner.GetSystemPio()->changeWord.load(), c.changeWord);
        EXPECT_EQ(browser.available, c.model != kModelMato);
        EXPECT_EQ(browser.device, owner.GetTape());
        if (c.model == kModel2A) {
            EXPECT_EQ(dynamic_cast<ChipMemory2AEx*>(owner.GetMemory()) != nullptr, c.ram256k);
        }
        if (c.model == kModel3) {
            EXPECT_EQ(dynamic_cast<ChipMemory3Ex*>(owner.GetMemory()) != nullptr, c.ram256k);
        }
    }
}

TEST_F(BuilderTest, UnknownModelNameKeepsThePreviousModel) {
    Build(kModel3);
    Section("Model").attribute("current").set_value("Model-9");
    owner.BuildMachine(0, 0, nullptr);
    EXPECT_EQ(owner.GetModel(), kModel3);
}

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + seed) % 251);
    return v;
}

TEST_F(BuilderTest, MonitorRomSizes) {
    TempDir dir;
    struct Case { int model; size_t fileBytes; int32_t romSize; };
    const Case cases[] = {
        {0, 2048, 4096},    // 2 KB gives 4 KB with FFh behind
        {1, 20480, 16384},  // read only to 16 KB
        {2, 5000, 5120},    // rounded up to whole KB
        {3, 2048, 8192},    // Model-3 always 8 KB
        {3, 16384, 8192},
        {4, 1024, 16384},   // Mato and C2717 always 16 KB
        {7, 4096, 16384},
        {5, 0, 4096},       // empty file: no ROM loaded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kOwnerModelNames[c.model]) + " " + std::to_string(c.fileBytes));
        const std::vector<uint8_t> data = Bytes(c.fileBytes, static_cast<uint8_t>(c.model));
        const std::string path = dir.File("rom" + std::to_string(c.model) + ".bin", data);
        ModelElement(c.model).child("RomFile").text().set(path.c_str());
        SelectModel(c.model);
        owner.BuildMachine(0, 0, nullptr);
        ASSERT_EQ(owner.GetMonitorRomSize(), c.romSize);
        ASSERT_EQ(Mem().GetRomSize(), c.romSize);
        const uint8_t* rom = Mem().GetRom();
        for (int32_t i = 0; i < c.romSize; ++i) {
            const uint8_t expected = static_cast<size_t>(i) < data.size() ? data[i] : 0xFF;
            ASSERT_EQ(rom[i], expected) << i;
        }
    }
}

TEST_F(BuilderTest, MissingRomFileGivesFFRom) {
    for (int model : {0, 2, 3, 7}) {
        ModelElement(model).child("RomFile").text().set("/nonexistent/orvik/monitor.rom");
        SelectModel(model);
        owner.BuildMachine(0, 0, nullptr);
        const int32_t size = model == kModel3 ? 8192 : model == kModelC2717 ? 16384 : 4096;
        ASSERT_EQ(owner.GetMonitorRomSize(), size) << model;
        for (int32_t i = 0; i < size; ++i) ASSERT_EQ(Mem().GetRom()[i], 0xFF) << model << " " << i;
    }
    // A folder where the file should be is no ROM either.
    TempDir dir;
    ModelElement(0).child("RomFile").text().set(dir.path.c_str());
    SelectModel(0);
    owner.BuildMachine(0, 0, nullptr);
    EXPECT_EQ(owner.GetMonitorRomSize(), 4096);
    EXPECT_EQ(Mem().GetRom()[0], 0xFF);
}

TEST_F(BuilderTest, SnapshotRomNeedsAtLeast4K) {
    TempDir dir;
    const std::vector<uint8_t> file = Bytes(4096, 3);
    ModelElement(2).child("RomFile").text().set(dir.File("m.rom", file).c_str());
    SelectModel(2);
    const std::vector<uint8_t> snap = Bytes(8192, 9);
    owner.BuildMachine(1, 8192, snap.data());
    EXPECT_EQ(owner.GetMonitorRomSize(), 8192);
    EXPECT_EQ(Mem().GetRom()[100], snap[100]);
    owner.BuildMachine(1, 2048, snap.data());  // too short: the file is used
    EXPECT_EQ(owner.GetMonitorRomSize(), 4096);
    EXPECT_EQ(Mem().GetRom()[100], file[100]);
}

TEST_F(BuilderTest, AppliersReturnValues) {
    Build(kModel2A);
    std::vector<int> musica{7}, mif{34};
    EXPECT_EQ(owner.ApplySettings(musica), 1);  // also when sound-if is not "musica"
    EXPECT_EQ(owner.ApplySettings(mif), 1);
    std::vector<int> storage{19};
    EXPECT_EQ(owner.ApplySettings(storage), 1);
    EXPECT_EQ(storage, std::vector<int>{19});  // not connected: nothing appended
    EXPECT_EQ(owner.GetPmd32(), nullptr);
}

class StorageTest : public OwnerTest {
protected:
    void SetUpDrives() { ConnectDrives(ConfigRoot, dir, paths); }
    pugi::xml_node Drive(int i) {
        const char* names[4] = {"DriveA", "DriveB", "DriveC", "DriveD"};
        return Section("Storages").child("PMD-32").child(names[i]);
    }
    TempDir dir;
    std::string paths[4];
};

TEST_F(StorageTest, ConnectMountsAllDrivesAndDriveBRemountsTheLaterOnes) {
    Build(kModel2A);
    SetUpDrives();
    std::vector<int> codes{19};
    EXPECT_EQ(owner.ApplySettings(codes), 1);
    ASSERT_NE(owner.GetPmd32(), nullptr);
    for (int code : {20, 22, 24, 26}) EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(owner.GetPmd32()->Drive(i).name, paths[i]) << i;

    // New files for every drive, but only drive B's code.
    std::string fresh[4];
    for (int i = 0; i < 4; ++i) {
        fresh[i] = dir.File(std::string("n") + char('a' + i) + ".p32", std::vector<uint8_t>(512, 0));
        Drive(i).text().set(fresh[i].c_str());
    }
    std::vector<int> b{22};
    EXPECT_EQ(owner.ApplySettings(b), 0);
    EXPECT_EQ(owner.GetPmd32()->Drive(0).name, paths[0]);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(owner.GetPmd32()->Drive(i).name, fresh[i]) << i;

    // A drive whose file is gone is emptied.
    Drive(3).text().set((dir.path + "/gone.p32").c_str());
    std::vector<int> d{26};
    owner.ApplySettings(d);
    EXPECT_EQ(owner.GetPmd32()->Drive(3).handle, -1);
}

TEST_F(StorageTest, RebuildReplacesTheDiskUnitOnTheNewInterface) {
    Build(kModel2A);
    SetUpDrives();
    std::vector<int> codes{19};
    owner.ApplySettings(codes);
    ASSERT_NE(owner.GetPmd32(), nullptr);
    // The old unit would detach from a freed interface (seen by the sanitizer).
    Build(kModel2);
    ASSERT_NE(owner.GetPmd32(), nullptr);
    EXPECT_EQ(owner.GetPmd32()->Drive(1).name, paths[1]);
    int found = 0;
    for (const CycleCallback* h = Cpu().GetCycleCallbacks(); h; h = h->Next)
        if (h->Hook == owner.GetPmd32()->TickHook()) found++;
    EXPECT_EQ(found, 1);
    // The unit answers a reset of the new interface.
    owner.ResetMachine(0);
    for (int i = 0; i < 1000; ++i) Cpu().Step();
    // Mato has no general-purpose interface: no unit.
    Build(kModelMato);
    EXPECT_EQ(owner.GetPmd32(), nullptr);
}

TEST_F(OwnerTest, ModulePortBelongsToALiveModule) {
    Build(kModel2A);
    SetRomModule(true, 0);
    ASSERT_NE(owner.GetRomModule(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRomModule());
    SetRomModule(true, 1);
    ASSERT_NE(owner.GetRaomModule(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRaomModule());
    // The ROM/RAM module goes while the ROM module stays: 88h is the ROM module's again.
    SetRomModule(false, 1);
    EXPECT_EQ(owner.GetRaomModule(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRomModule());
    // Removing the ROM module while the ROM/RAM module holds 88h keeps that entry.
    SetRomModule(true, 1);
    SetRomModule(false, 0);
    EXPECT_EQ(owner.GetRomModule(), nullptr);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRaomModule());
    SetRomModule(false, 1);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), nullptr);
    // Modules are mapped again after a rebuild.
    SetRomModule(true, 0);
    Build(kModel3);
    EXPECT_EQ(Cpu().FindPortDevice(0x88), owner.GetRomModule());
    ASSERT_NE(Cpu().GetPortMap(), nullptr);
}

TEST_F(OwnerTest, RomModuleFilledFromThePackageFiles) {
    TempDir dir;
    std::vector<uint8_t> first(1500, 0x11), second(1024, 0x22);
    const RomFileList files = {ROM_FILE{dir.File("a.rmm", first), 1500, 0}, ROM_FILE{"-", 1024, 0},
                               ROM_FILE{dir.File("gone.rmm", {}), 1024, 1},
                               ROM_FILE{dir.File("b.rmm", second), 1024, 0}};
    // The package of the configuration, with a file gone: it takes no room.
    pugi::xml_node package = Child(ConfigRoot, "RomPackages").append_child("RomPackage");
    SetAttr(package, "name", "Basic");
    for (const ROM_FILE& f : files) package.append_child("RomFile").text().set(f.path.c_str());
    std::filesystem::remove(dir.path + "/gone.rmm");
    InsertRomModule(kModel2A, "basic");
    Build(kModel2A);
    SetRomModule(true, 0);
    ASSERT_NE(owner.GetRomModule(), nullptr);
    const uint8_t* fromPackage = owner.GetRomModule()->GetRom();
    EXPECT_EQ(fromPackage[0], 0x11);
    EXPECT_EQ(fromPackage[2048], 0xFF);  // the gap
    EXPECT_EQ(fromPackage[3072], 0x22);
    EXPECT_EQ(fromPackage[4096], 0xFF);

    // A file that went after its list was made keeps its KB.
    owner.GetRomModule()->LoadPackage(files);
    const uint8_t* rom = owner.GetRomModule()->GetRom();
    EXPECT_EQ(rom[0], 0x11);
    EXPECT_EQ(rom[1499], 0x11);
    EXPECT_EQ(rom[1500], 0xFF);   // rest of the second KB
    EXPECT_EQ(rom[2048], 0xFF);   // the gap
    EXPECT_EQ(rom[3072], 0xFF);   // unreadable file keeps its KB
    EXPECT_EQ(rom[4096], 0x22);   // the last file after 4 KB
    EXPECT_EQ(rom[5119], 0x22);
}

TEST_F(OwnerTest, RaomModuleImage) {
    TempDir dir;
    pugi::xml_node raom = Child(Section("Storages"), "RaomModule");
    SetAttr(raom, "hw-version", "kuvi");
    raom.text().set(dir.File("disk.img", std::vector<uint8_t>(4096, 0)).c_str());
    Build(kModel2A);
    SetRomModule(true, 1);
    ASSERT_NE(owner.GetRaomModule(), nullptr);
    EXPECT_EQ(owner.GetRaomModule()->GetVersion(), 1);
    EXPECT_TRUE(owner.GetRaomModule()->HasImage());
    raom.text().set((dir.path + "/missing.img").c_str());
    SetRomModule(true, 1);
    EXPECT_FALSE(owner.GetRaomModule()->HasImage());
}

}  // namespace
