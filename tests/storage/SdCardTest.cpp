#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "machine/storage/SdCard.h"
#include "TempFolder.h"

TEST(ImagesCfg, LinesForTheExtension) {
    struct Case {
        const char* name;
        const char* text;
        const char* image;
        int result;
        int tracks, sectors, heads;
    } cases[] = {
        {"plain", ".P32 80 36 2\r\n", "a.p32", 0, 80, 36, 2},
        {"case-insensitive", ".p32 80 36 1\n", "A.P32", 0, 80, 36, 1},
        {"heads optional", ".DCZ 77 26\n", "x.dcz", 0, 77, 26, 2},
        {"256 tracks stored as 0", ".BIG 256 64 3\n", "x.big", 0, 0, 64, 3},
        {"comment skipped", "*.P32 1 1 1\n.P32 40 9 0\n", "d.p32", 0, 40, 9, 0},
        {"second line, CR ends", ".AAA 1 1\r.P32 10 20 1\r", "d.p32", 0, 10, 20, 1},
        {"tabs separate", "\t.P32\t80\t18\n", "d.p32", 0, 80, 18, 2},
        {"blank lines", "\n\n   \n.P32 80 36\n", "d.p32", 0, 80, 36, 2},
        {"no line", ".DCZ 80 36 2\n", "d.p32", 12, 0, 0, 0},
        {"no extension", ".P32 80 36 2\n", "dir.p32/disk", 12, 0, 0, 0},
        {"prefix only", ".P3 80 36 2\n.P321 80 36 2\n", "d.p32", 12, 0, 0, 0},
        {"tracks 0", ".P32 0 36 2\n", "d.p32", 11, 0, 0, 0},
        {"tracks 257", ".P32 257 36 2\n", "d.p32", 11, 0, 0, 0},
        {"sectors 0", ".P32 80 0 2\n", "d.p32", 11, 0, 0, 0},
        {"sectors 65", ".P32 80 65 2\n", "d.p32", 11, 0, 0, 0},
        {"heads 4", ".P32 80 36 4\n", "d.p32", 11, 0, 0, 0},
        {"not a number", ".P32 80 x 2\n", "d.p32", 11, 0, 0, 0},
        {"cut short", ".P32 80", "d.p32", 11, 0, 0, 0},
        {"word only", ".P32", "d.p32", 11, 0, 0, 0},
        {"last line without line end", ".DCZ 1 1\n.P32 80 36 2", "d.p32", 11, 0, 0, 0},
        {"heads cut by the end", ".P32 80 36", "d.p32", 11, 0, 0, 0},
        {"blank after the last word", ".P32 80 36 2 ", "d.p32", 0, 80, 36, 2},
        {"empty text", "", "d.p32", 12, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ImageGeometry g;
        int r = ParseImagesCfg(c.text, c.image, g);
        EXPECT_EQ(r, c.result) << c.name;
        if (r == 0) {
            EXPECT_EQ(g.tracks, c.tracks) << c.name;
            EXPECT_EQ(g.sectors, c.sectors) << c.name;
            EXPECT_EQ(g.heads, c.heads) << c.name;
        }
    }
}

TEST(ImagesCfg, MissingFileGives9) {
    TempFolder dir;
    ImageGeometry g;
    EXPECT_EQ(ReadImagesCfgFile(dir / "images.cfg", "a.p32", g), 9);
    std::filesystem::create_directory(dir / "folder.cfg");
    EXPECT_EQ(ReadImagesCfgFile(dir / "folder.cfg", "a.p32", g), 9);
    TempFolder::WriteText(dir / "images.cfg", ".P32 80 36 2\n");
    EXPECT_EQ(ReadImagesCfgFile(dir / "images.cfg", "a.p32", g), 0);
}

TEST(CardPath, JoinStaysBelowTheTop) {
    struct Case { const char* dir; const char* name; bool ok; const char* result; } cases[] = {
        {"", "disk.p32", true, "disk.p32"},
        {"games", "disk.p32", true, "games/disk.p32"},
        {"games", "../disk.p32", true, "disk.p32"},
        {"", "a/./b//c", true, "a/b/c"},
        {"", "a\\b", true, "a/b"},
        {"", "/etc/passwd", true, "etc/passwd"},
        {"", "..", false, ""},
        {"", "../x", false, ""},
        {"games", "../../x", false, ""},
        {"", "a/../../x", false, ""},
        {"a", "..\\..\\x", false, ""},
        {"games", "..", true, ""},
    };
    for (const Case& c : cases) {
        std::string r;
        EXPECT_EQ(JoinCardPath(c.dir, c.name, r), c.ok) << c.dir << " + " << c.name;
        if (c.ok) {
            EXPECT_EQ(r, c.result) << c.dir << " + " << c.name;
        }
    }
}

TEST(CardPath, SymbolicLinksOutOfTheRootAreRefused) {
    TempFolder outside, card;
    TempFolder::Write(outside / "secret.p32", {1});
    std::filesystem::create_directory(card / "games");
    TempFolder::Write(card / "games/disk.p32", {2});
    ASSERT_EQ(symlink((outside / "secret.p32").c_str(), (card / "link.p32").c_str()), 0);
    ASSERT_EQ(symlink(outside.Path().c_str(), (card / "out").c_str()), 0);
    ASSERT_EQ(symlink("games/disk.p32", (card / "inner.p32").c_str()), 0);
    std::string real;
    EXPECT_TRUE(ResolveInsideCard(card.Path() + "/", "games/disk.p32", true, real));
    EXPECT_TRUE(ResolveInsideCard(card.Path() + "/", "inner.p32", true, real));  // stays inside
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "link.p32", true, real));
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "out/secret.p32", true, real));
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "out", true, real));
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "out/new.p32", false, real));
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "link.p32", false, real));
    EXPECT_FALSE(ResolveInsideCard(card.Path() + "/", "none/new.p32", false, real));
    EXPECT_TRUE(ResolveInsideCard(card.Path() + "/", "games/new.p32", false, real));
}

TEST(CardFolder, ListingSkipsWhatTheCardDoesNotShow) {
    TempFolder card, outside;
    std::filesystem::create_directory(card / "games");
    std::filesystem::create_directory(card / std::string(253, 'd'));  // "[" + 253 + "]" fits
    std::filesystem::create_directory(card / std::string(254, 'e'));  // 256 with brackets: too long
    TempFolder::Write(card / "b.p32", {0});
    TempFolder::Write(card / "a.p32", {0});
    TempFolder::Write(card / ".hidden", {0});
    TempFolder::Write(card / "ro.p32", {0});
    chmod((card / "ro.p32").c_str(), 0444);
    symlink((outside.Path()).c_str(), (card / "linkdir").c_str());
    symlink((card / "a.p32").c_str(), (card / "link.p32").c_str());
    mkfifo((card / "pipe").c_str(), 0666);

    std::vector<std::string> expected = {"[" + std::string(253, 'd') + "]", "[games]", "a.p32", "b.p32"};
    EXPECT_EQ(ListCardFolder(card.Path(), true), expected);
    std::vector<std::string> sub = ListCardFolder(card / "games", false);
    EXPECT_EQ(sub, std::vector<std::string>{"[..]"});
}

TEST(CardFolder, NewImageNeverReplacesAFile) {
    TempFolder card;
    std::string path = card / "new.p32";
    ASSERT_TRUE(CreateNewImageFile(path, 368640, 0xE5));
    std::vector<uint8_t> data = TempFolder::Read(path);
    ASSERT_EQ(data.size(), 368640u);
    for (uint8_t b : data) ASSERT_EQ(b, 0xE5);
    TempFolder::Write(path, {1, 2, 3});
    EXPECT_FALSE(CreateNewImageFile(path, 368640, 0xE5));
    EXPECT_EQ(TempFolder::Read(path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(CreateNewImageFile(card / "odd.p32", 100, 0xE5));  // not whole 128-byte blocks
    EXPECT_FALSE(TempFolder::Exists(card / "odd.p32"));
}
