#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "Pmd32Link.h"

namespace {

class Pmd32Card : public Pmd32Link {
protected:
    void SetUp() override {
        Pmd32Link::SetUp();
        card = dir / "card";
        std::filesystem::create_directories(card + "/games/deep");
        TempFolder::WriteText(card + "/images.cfg",
                              "* geometry per extension\r\n.P32 80 36 2\r\n.X18 80 18\r\n.BAD 80 99\r\n");
        TempFolder::Write(card + "/games/disk.p32", Pattern(kImageSize, 21));
        TempFolder::Write(card + "/top.p32", Pattern(kImageSize, 22));
        TempFolder::Write(card + "/plain.dsk", Pattern(1024, 23));
        TempFolder::Write(dir / "outside.p32", Pattern(kImageSize, 24));
        std::filesystem::create_directory(dir / "outdir");
        TempFolder::Write(dir / "outdir/secret.p32", Pattern(kImageSize, 25));
        ASSERT_EQ(symlink((dir / "outside.p32").c_str(), (card + "/link.p32").c_str()), 0);
        ASSERT_EQ(symlink((dir / "outdir").c_str(), (card + "/linkdir").c_str()), 0);
        unit->SetRoot(1, card);
        Connect();
    }
    uint8_t Mount(int drive, uint8_t protect, const std::string& name) {
        Command(WithString({'H', static_cast<uint8_t>(drive), protect}, name));
        return Result();
    }
    uint8_t ChangeDir(const std::string& name) {
        Command(WithString({'M'}, name));
        return Result();
    }
    uint8_t NewImage(const std::string& name) {
        Command(WithString({'N'}, name));
        return Result();
    }
    std::string CurrentDir() {
        Command({'K'});
        EXPECT_EQ(Recv(), 0x33);
        return Text();
    }
    // [writeProtect, name] of a drive, or "error n".
    std::string DriveName(int drive, uint8_t* protect = nullptr) {
        Command({'G', static_cast<uint8_t>(drive)});
        uint8_t r = Result();
        if (r != 0) return "error " + std::to_string(r);
        uint8_t wp = Recv();
        if (protect) *protect = wp;
        uint8_t n = Recv();
        std::vector<uint8_t> v = Recv(n);
        uint8_t x = wp ^ n;
        for (uint8_t b : v) x ^= b;
        EXPECT_EQ(Recv(), x);
        return std::string(v.begin(), v.end());
    }
    std::vector<uint8_t> Geometry(int drive) {
        Command({'P', static_cast<uint8_t>(drive)});
        EXPECT_EQ(Result(), 0);
        return Data(3);
    }
    std::vector<std::string> List() {
        std::vector<std::string> names;
        for (uint8_t flag = 0;; flag = 1) {
            Command({'L', flag});
            EXPECT_EQ(Recv(), 0x33);
            std::string s = Text();
            if (s.empty() || names.size() > 50) break;
            names.push_back(s);
        }
        return names;
    }
    std::string card;
};

}  // namespace

TEST_F(Pmd32Card, RootGetsOneTrailingSlash) {
    EXPECT_EQ(unit->GetRoot(), card + "/");
    unit->SetRoot(1, card + "/");
    EXPECT_EQ(unit->GetRoot(), card + "/");
    unit->SetRoot(1, "C:\\card");
    EXPECT_EQ(unit->GetRoot(), "C:/card/");
}

TEST_F(Pmd32Card, ChangesDirectory) {
    EXPECT_EQ(CurrentDir(), "");
    struct Case { const char* name; uint8_t result; const char* after; } cases[] = {
        {"..", 6, ""},          // at the top
        {"", 6, ""},
        {".", 0, ""},
        {"games", 0, "games"},
        {"deep", 0, "games/deep"},
        {".", 0, "games/deep"},
        {"..", 0, "games"},
        {"nothing", 6, "games"},
        {"disk.p32", 6, "games"},  // a file is no folder
        {"../..", 6, "games"},
        {"deep/../../..", 6, "games"},
        {"../linkdir", 6, "games"},
        {"..", 0, ""},
        {"linkdir", 6, ""},
        {"/games", 0, "games"},  // taken below the root, never from the host's top
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangeDir(c.name), c.result) << c.name;
        EXPECT_EQ(CurrentDir(), c.after) << c.name;
    }
}

TEST_F(Pmd32Card, LongFolderPathsAreRefused) {
    std::string name(60, 'f');
    std::filesystem::create_directories(card + "/games/" + name);
    EXPECT_EQ(ChangeDir("games/" + name), 7);
    EXPECT_EQ(CurrentDir(), "");
}

TEST_F(Pmd32Card, MountsFromTheCard) {
    EXPECT_EQ(Mount(1, 1, "games/disk.p32"), 0);
    uint8_t wp = 0;
    EXPECT_EQ(DriveName(1, &wp), "games/disk.p32");
    EXPECT_EQ(wp, 1);
    EXPECT_EQ(Geometry(1), (std::vector<uint8_t>{80, 36, 2}));
    // Inside the folder the name loses the folder's prefix.
    ASSERT_EQ(ChangeDir("games"), 0);
    EXPECT_EQ(DriveName(1), "/disk.p32");
    EXPECT_EQ(Mount(0, 0, "disk.p32"), 0);

    // The mounted image is readable through its drive bits (B = 10b).
    Command({'R', 0x80 | 2, 1});
    ASSERT_EQ(Result(), 0);
    std::vector<uint8_t> s = Data(128);
    std::vector<uint8_t> image = Pattern(kImageSize, 21);
    EXPECT_TRUE(std::equal(s.begin(), s.end(), image.begin() + Offset(1, 2)));

    // Length FFh sets the protection, length 0 unmounts.
    Command({'H', 1, 0, 0xFF});
    EXPECT_EQ(Result(), 0);
    DriveName(1, &wp);
    EXPECT_EQ(wp, 0);
    Command({'H', 1, 0, 0x00});
    EXPECT_EQ(Result(), 0);
    EXPECT_EQ(DriveName(1), "");
    EXPECT_EQ(Geometry(1), (std::vector<uint8_t>{0, 0, 0}));

    EXPECT_EQ(Mount(4, 0, "disk.p32"), 5);
    EXPECT_EQ(DriveName(7), "error 5");
    Command({'P', 9});
    EXPECT_EQ(Result(), 5);
}

TEST_F(Pmd32Card, MountRefusesEveryEscape) {
    const char* names[] = {
        "../outside.p32", "games/../../outside.p32", "link.p32", "linkdir/secret.p32",
        "..\\outside.p32", "games/deep/../../../outside.p32", "missing.p32",
    };
    for (const char* name : names) {
        EXPECT_EQ(Mount(2, 0, name), 6) << name;
        EXPECT_EQ(DriveName(2), "") << name;
    }
    // An absolute host path is taken below the card's root.
    EXPECT_EQ(Mount(2, 0, dir / "outside.p32"), 6);
    EXPECT_EQ(DriveName(2), "");
}

TEST_F(Pmd32Card, MountResultsFromImagesCfg) {
    EXPECT_EQ(Mount(0, 0, "plain.dsk"), 12);  // no line for .dsk
    EXPECT_EQ(DriveName(0), "");
    EXPECT_EQ(Mount(0, 0, std::string(70, 'x') + ".p32"), 7);
    ASSERT_EQ(ChangeDir("games"), 0);
    EXPECT_EQ(Mount(0, 0, std::string(53, 'x') + ".p32"), 6);  // "games/" + 57 = 63: only missing
    EXPECT_EQ(Mount(0, 0, std::string(54, 'x') + ".p32"), 7);  // 64
    TempFolder::WriteText(card + "/images.cfg", ".P32 80\n");
    EXPECT_EQ(Mount(0, 0, "disk.p32"), 11);
    std::filesystem::remove(card + "/images.cfg");
    EXPECT_EQ(Mount(0, 0, "disk.p32"), 9);
}

// images.cfg is asked before the image file is looked for: a missing file,
// a folder or a file outside the card answers 12, 11 or 9 first when the
// extension has no good line.
TEST_F(Pmd32Card, MountAsksImagesCfgBeforeTheFile) {
    ASSERT_EQ(Mount(1, 0, "top.p32"), 0);
    struct Case {
        const char* cfg;  // nullptr: no images.cfg
        const char* name;
        uint8_t expected;
    };
    const Case cases[] = {
        {".P32 80 36 2\n", "missing.dsk", 12},
        {".P32 80 36 2\n", "games.dsk", 12},
        {".P32 80 36 2\n", "../outside.dsk", 12},
        {".P32 80 36 2\n.DSK 80\n", "missing.dsk", 11},
        {".P32 80 36 2\n.DSK 80\n", "games/deep.dsk", 11},
        {nullptr, "missing.p32", 9},
        {nullptr, "games", 9},
        {".P32 80 36 2\n.DSK 40 9\n", "missing.dsk", 6},
        {".P32 80 36 2\n", "missing.p32", 6},
    };
    std::filesystem::create_directory(card + "/games.dsk");
    std::filesystem::create_directory(card + "/games/deep.dsk");
    for (const Case& c : cases) {
        if (c.cfg)
            TempFolder::WriteText(card + "/images.cfg", c.cfg);
        else
            std::filesystem::remove(card + "/images.cfg");
        EXPECT_EQ(Mount(1, 0, c.name), c.expected) << c.name;
        EXPECT_EQ(DriveName(1), "") << "the drive is left empty";
    }
}

TEST_F(Pmd32Card, CreatesNewImagesOnly) {
    EXPECT_EQ(NewImage("new.p32"), 0);
    std::vector<uint8_t> made = TempFolder::Read(card + "/new.p32");
    ASSERT_EQ(made.size(), static_cast<size_t>(kImageSize));
    EXPECT_EQ(std::count(made.begin(), made.end(), 0xE5), kImageSize);

    EXPECT_EQ(NewImage("games/x.x18"), 0);  // 80 x 18 x 128
    EXPECT_EQ(TempFolder::Read(card + "/games/x.x18").size(), 184320u);

    // Never over an existing file, mounted or not.
    ASSERT_EQ(Mount(0, 0, "top.p32"), 0);
    EXPECT_EQ(NewImage("top.p32"), 8);
    EXPECT_EQ(NewImage("games/disk.p32"), 8);
    EXPECT_EQ(TempFolder::Read(card + "/top.p32"), Pattern(kImageSize, 22));
    EXPECT_EQ(TempFolder::Read(card + "/games/disk.p32"), Pattern(kImageSize, 21));
    EXPECT_EQ(NewImage("link.p32"), 8);
    EXPECT_EQ(TempFolder::Read(dir / "outside.p32"), Pattern(kImageSize, 24));

    struct Case { std::string name; uint8_t result; } cases[] = {
        {"", 8},
        {"../evil.p32", 8},
        {"games/../../evil.p32", 8},
        {"linkdir/evil.p32", 8},
        {"nofolder/evil.p32", 8},
        {"evil.dsk", 12},
        {"evil.bad", 11},
        {std::string(64, 'e') + ".p32", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(NewImage(c.name), c.result) << c.name;
    EXPECT_FALSE(TempFolder::Exists(dir / "evil.p32"));
    EXPECT_FALSE(TempFolder::Exists(dir / "outdir/evil.p32"));
    EXPECT_FALSE(TempFolder::Exists(card + "/evil.dsk"));
}

TEST_F(Pmd32Card, ListsTheCurrentFolder) {
    TempFolder::Write(card + "/.hidden.p32", {0});
    std::vector<std::string> top = {"[games]", "images.cfg", "plain.dsk", "top.p32"};
    EXPECT_EQ(List(), top);
    ASSERT_EQ(ChangeDir("games"), 0);
    std::vector<std::string> games = {"[..]", "[deep]", "disk.p32"};
    EXPECT_EQ(List(), games);
    // Continuing after the end keeps answering [0].
    Command({'L', 1});
    EXPECT_EQ(Recv(), 0x33);
    EXPECT_EQ(Text(), "");
}

// Host names go over the wire as their UTF-8 bytes, and come back the same way.
TEST_F(Pmd32Card, NamesTravelAsTheirUtf8Bytes) {
    const std::string name = "hra\xC4\x8D.p32";  // "hrač.p32"
    TempFolder::Write(card + "/" + name, Pattern(kImageSize, 26));
    const std::vector<std::string> top = List();
    EXPECT_NE(std::find(top.begin(), top.end(), name), top.end());
    EXPECT_EQ(Mount(0, 0, name), 0);
    EXPECT_EQ(DriveName(0), name);
}

TEST_F(Pmd32Card, SectorLimitsFromTheGeometry) {
    TempFolder::Write(card + "/odd.x18", Pattern(184320, 30));
    ASSERT_EQ(Mount(0, 0, "odd.x18"), 0);
    EXPECT_EQ(Geometry(0), (std::vector<uint8_t>{80, 18, 2}));
    std::vector<uint8_t> cmd = {'S', 16, 0};  // sectors 16..19 of 18
    cmd.resize(3 + 513, 0x44);
    Command(cmd);
    EXPECT_EQ(Result(), 4);
    EXPECT_EQ(TempFolder::Read(card + "/odd.x18"), Pattern(184320, 30));
    cmd[1] = 13;  // sectors 12..15
    Command(cmd);
    EXPECT_EQ(Result(), 0);
    std::vector<uint8_t> image = TempFolder::Read(card + "/odd.x18");
    ASSERT_EQ(image.size(), 184320u);
    EXPECT_EQ(std::count(image.begin() + 12 * 128, image.begin() + 16 * 128, 0x44), 512);
    EXPECT_EQ(image[16 * 128], Pattern(184320, 30)[16 * 128]);
}

TEST_F(Pmd32Card, LongNamesFitTheLengthByte) {
    // A host path far longer than 255 bytes, mounted by the configuration.
    std::string deep = dir.Path();
    for (int i = 0; i < 3; ++i) deep += "/" + std::string(100, 'p');
    std::filesystem::create_directories(deep);
    TempFolder::Write(deep + "/d.p32", Pattern(kImageSize, 31));
    ASSERT_EQ(unit->MountImage(3, deep + "/d.p32", 0), 0);
    std::string name = DriveName(3);
    EXPECT_EQ(name.size(), 255u);
    EXPECT_EQ(name, (deep + "/d.p32").substr(0, 255));
}

TEST_F(Pmd32Card, MountFailureKeepsTheConfiguredPath) {
    std::filesystem::remove(card + "/images.cfg");
    std::string path = card + "/top.p32";
    int r = unit->MountImage(0, path, 0);
    EXPECT_EQ(r, 9);
    EXPECT_EQ(unit->Drive(0).handle, -1);
    EXPECT_EQ(unit->GetMountResult(0), 9);
    EXPECT_TRUE(Pmd32::MountFailureKeepsPath(r));
    TempFolder::WriteText(card + "/images.cfg", ".DCZ 80 36 2\n");
    r = unit->MountImage(0, path, 0);
    EXPECT_EQ(r, 12);
    EXPECT_TRUE(Pmd32::MountFailureKeepsPath(r));
}

// Without a card folder the extended commands answer as for a missing card:
// nothing of the host is listed, entered, mounted or created.
TEST_F(Pmd32Card, NoRootListsAndCreatesNothing) {
    ASSERT_EQ(chdir(card.c_str()), 0);  // a relative name must not reach the working folder
    unit->SetRoot(1, "");
    EXPECT_FALSE(unit->HasCard());
    EXPECT_EQ(unit->GetRoot(), "");
    EXPECT_EQ(List(), std::vector<std::string>{});
    struct Case { std::string name; uint8_t result; } dirs[] = {
        {"games", 6}, {"/", 6}, {"/etc", 6}, {"..", 6}, {"", 6}, {".", 0}};
    for (const Case& c : dirs) {
        EXPECT_EQ(ChangeDir(c.name), c.result) << c.name;
        EXPECT_EQ(CurrentDir(), "") << c.name;
    }
    struct Case2 { std::string name; uint8_t result; } mounts[] = {
        {"top.p32", 9}, {"/etc/passwd", 9}, {"games/disk.p32", 9}};
    for (const Case2& c : mounts) {
        EXPECT_EQ(Mount(0, 0, c.name), 9) << c.name;
        EXPECT_EQ(DriveName(0), "") << c.name;
    }
    const auto before = std::distance(std::filesystem::directory_iterator(card), {});
    EXPECT_EQ(NewImage("fresh.p32"), 9);
    EXPECT_EQ(NewImage("/tmp/fresh.p32"), 9);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(card), {}), before);
    EXPECT_FALSE(TempFolder::Exists("/fresh.p32"));
    EXPECT_FALSE(TempFolder::Exists("/tmp/fresh.p32"));
    ASSERT_EQ(chdir("/"), 0);
}
