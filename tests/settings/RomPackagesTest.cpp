// ROM-module images, package file lists, list rows and package storage.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/Paths.h"
#include "shell/settings/logic/RomPackages.h"

namespace {

class RomDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("orvik-rom-" + std::to_string(::getpid()) + "-" +
                                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        SetAppDir(dir.string());
    }
    void TearDown() override {
        ClearAppDir();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string File(const std::string& name, size_t size) {
        std::ofstream(dir / name, std::ios::binary) << std::string(size, '\x55');
        return name;
    }
    RomFileList Build(const std::vector<std::string>& paths) {
        std::string xml = "<RomPackage name='p'>";
        for (const auto& p : paths) xml += "<RomFile>" + p + "</RomFile>";
        xml += "</RomPackage>";
        EXPECT_TRUE(doc.load_string(xml.c_str()));
        return BuildRomFileList(doc.document_element());
    }
    std::filesystem::path dir;
    pugi::xml_document doc;
};

TEST_F(RomDir, CheckRomFileSizes) {
    struct Row {
        const char* name;
        size_t size;
        int32_t expectSize;
        int32_t status;
    } rows[] = {
        {"a.rmm", 1024, 1024, 0},   {"b.RMM", 1024, 1024, 0},   {"c.rmm", 32768, 32768, 0},
        {"d.rmm", 1536, 1536, 2},   {"e.rmm", 512, 512, 2},     {"f.rmm", 33792, 33792, 2},
        {"g.rom", 1024, 0, 1},      {"h.rmm", 0, 0, 2},
    };
    for (const Row& r : rows) {
        File(r.name, r.size);
        int32_t status = -1;
        EXPECT_EQ(CheckRomFile((dir / r.name).string(), status), r.expectSize) << r.name;
        EXPECT_EQ(status, r.status) << r.name;
    }
    int32_t status = -1;
    EXPECT_EQ(CheckRomFile((dir / "missing.rmm").string(), status), 0);
    EXPECT_EQ(status, 1);
    std::filesystem::create_directory(dir / "folder.rmm");
    EXPECT_EQ(CheckRomFile((dir / "folder.rmm").string(), status), 0);
    EXPECT_EQ(status, 1);
}

TEST_F(RomDir, FileListStatuses) {
    File("a16.rmm", 16384);
    File("b16.rmm", 16384);
    RomFileList list = Build({"a16.rmm", "b16.rmm", "-"});
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].status, 0);
    EXPECT_EQ(list[1].status, 0);
    EXPECT_EQ(list[2].status, 3);
    EXPECT_EQ(list[2].size, 1024);
    EXPECT_EQ(list[2].path, "-");

    // A missing file adds nothing; a bad size counts rounded up.
    File("odd.rmm", 1536);
    list = Build({"gone.rmm", "odd.rmm"});
    EXPECT_EQ(list[0].status, 1);
    EXPECT_EQ(list[0].size, 0);
    EXPECT_EQ(list[1].status, 2);

    // Beyond 64 KB status 4, beyond 256 KB status 5.
    File("c32.rmm", 32768);
    std::vector<std::string> many(9, "c32.rmm");
    list = Build(many);
    EXPECT_EQ(list[0].status, 0);
    EXPECT_EQ(list[1].status, 3);
    EXPECT_EQ(list[2].status, 4);
    EXPECT_EQ(list[8].status, 5);
}

TEST_F(RomDir, ListRows) {
    File("a16.rmm", 16384);
    File("b8.rmm", 8192);
    RomFileList list = Build({"a16.rmm", "-", "b8.rmm"});
    auto rows = RomFileRows(list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].address, "000000h");
    EXPECT_EQ(rows[1].address, "004000h");
    EXPECT_EQ(rows[2].address, "004400h");
    EXPECT_EQ(rows[0].size, "16");
    EXPECT_EQ(rows[1].size, "1");
    EXPECT_EQ(rows[2].size, "8");
    EXPECT_EQ(rows[1].romX, "");
    EXPECT_EQ(rows[2].romX, " - / 7");

    File("k8.rmm", 8192);
    File("k1.rmm", 1024);
    File("k2.rmm", 2048);
    rows = RomFileRows(Build({"k8.rmm", "k1.rmm", "k2.rmm"}));
    EXPECT_EQ(rows[2].romX, " 0 / -");  // A = 9
    rows = RomFileRows(Build({"k8.rmm", "k1.rmm", "k1.rmm", "k2.rmm"}));
    EXPECT_EQ(rows[3].romX, " 1 / 0");  // A = 10

    rows = RomFileRows(Build({"gone.rmm", "a16.rmm"}));
    EXPECT_EQ(rows[0].address, "");
    EXPECT_EQ(rows[0].size, "");
    EXPECT_EQ(rows[0].icon, 1);
    EXPECT_EQ(rows[1].address, "000000h");

    File("z.rmm", 0);
    rows = RomFileRows(Build({"z.rmm"}));
    EXPECT_EQ(rows[0].size, "???");
    EXPECT_EQ(rows[0].icon, 2);
}

// A file of 2 GB or more (its size held at 2^31 - 1) shows as 2097152 kB,
// and the rows after it lie beyond the 256 kB.
TEST(RomFileRows, LargestSizeInKilobytes) {
    const auto rows = RomFileRows({ROM_FILE{"big.rmm", 0x7FFFFFFF, 2}, ROM_FILE{"k1.rmm", 1024, 5}});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size, "2097152");
    EXPECT_EQ(rows[0].address, "000000h");
    EXPECT_EQ(rows[1].address, "");
}

TEST(RomFileTips, Lines) {
    EXPECT_TRUE(RomFileTip(0).empty());
    ASSERT_EQ(RomFileTip(1).size(), 1u);
    EXPECT_EQ(RomFileTip(1)[0].key, "err.LvRomFileList.FileNotFound");
    EXPECT_EQ(RomFileTip(2)[0].key, "err.LvRomFileList.BadSize");
    auto five = RomFileTip(5);
    ASSERT_EQ(five.size(), 3u);
    EXPECT_EQ(five[0].arg1, "32");
    EXPECT_EQ(five[0].arg2, "ROM");
    EXPECT_EQ(five[1].arg1, "64");
    EXPECT_EQ(five[1].arg2, "CHTF RAOM");
    EXPECT_EQ(five[2].arg1, "256");
    EXPECT_EQ(five[2].arg2, "KUVI RAOM");
    EXPECT_EQ(RomFileTip(4).size(), 2u);
}

const char* const kPackagesXml =
    "<Orvik><Model><Model-1><RomModule inserted='true' name='Basic G'/></Model-1><Model-Mato/>"
    "<Model-3><RomModule inserted='false' name=''/></Model-3></Model>"
    "<RomPackages><RomPackage name='Basic G'><RomFile>a.rmm</RomFile></RomPackage><Other/>"
    "<RomPackage name='Games'><RomFile>g.rmm</RomFile></RomPackage>"
    "<RomPackage name='games'/><RomPackage name='Disk'/></RomPackages>"
    "<Storages><RaomModule name='DISK'/></Storages></Orvik>";

TEST(Packages, ListAndFind) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kPackagesXml));
    pugi::xml_node packages = doc.document_element().child("RomPackages");
    PackageList list = ListPackages(packages);
    EXPECT_EQ(list.names, (std::vector<std::string>{"Basic G", "Games", "games", "Disk"}));
    EXPECT_EQ(list.childIndex, (std::vector<int>{0, 2, 3, 4}));
    EXPECT_EQ(FindPackage(list.names, "GAMES"), 2);  // the last match
    EXPECT_EQ(FindPackage(list.names, "none"), -1);
    EXPECT_EQ(std::string(PackageAt(packages, list, 1).attribute("name").value()), "Games");
    EXPECT_FALSE(PackageAt(packages, list, 4));
}

TEST(Packages, SaveTrimsAndAppendsOrRefills) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kPackagesXml));
    pugi::xml_node packages = doc.document_element().child("RomPackages");
    RomFileList files{{"x.rmm", 1024, 0}, {"-", 1024, 0}};
    EXPECT_EQ(SavePackage(packages, "  New one ", files), "New one");
    pugi::xml_node last = packages.last_child();
    EXPECT_STREQ(last.attribute("name").value(), "New one");
    EXPECT_STREQ(last.first_child().text().get(), "x.rmm");
    EXPECT_STREQ(last.last_child().text().get(), "-");

    EXPECT_EQ(SavePackage(packages, "basic g", files), "Basic G");
    pugi::xml_node basic = packages.first_child();
    EXPECT_STREQ(basic.attribute("name").value(), "Basic G");
    EXPECT_STREQ(basic.first_child().text().get(), "x.rmm");
    EXPECT_EQ(ListPackages(packages).names.size(), 5u);
    EXPECT_EQ(SavePackage(packages, "   ", files), "");
}

TEST(Packages, Delete) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(kPackagesXml));
    pugi::xml_node root = doc.document_element();
    EXPECT_EQ(DeletePackage(root, "  "), DeleteResult::Blank);
    // In use by a model's ROM module, in any letter case.
    EXPECT_EQ(DeletePackage(root, "basic G"), DeleteResult::InUse);
    EXPECT_EQ(DeletePackage(root, "Nothing"), DeleteResult::NotFound);
    // The typed name goes, not another position; the RAOM name is cleared.
    EXPECT_EQ(DeletePackage(root, " Disk "), DeleteResult::Deleted);
    EXPECT_EQ(ListPackages(root.child("RomPackages")).names,
              (std::vector<std::string>{"Basic G", "Games", "games"}));
    EXPECT_STREQ(root.child("Storages").child("RaomModule").attribute("name").value(), "");
}

TEST(Packages, Buttons) {
    const std::vector<std::string> names{"Basic G", "Games"};
    struct Row {
        const char* typed;
        bool edited;
        size_t files;
        bool save, del;
    } rows[] = {
        {"New", false, 2, true, false}, {"New", false, 0, false, false}, {"games", false, 2, false, true},
        {"games", true, 2, true, false}, {"  ", false, 2, false, false},
    };
    for (const Row& r : rows) {
        PackageButtons b = PackageButtonsFor(r.typed, names, r.edited, r.files);
        EXPECT_EQ(b.save, r.save) << r.typed;
        EXPECT_EQ(b.del, r.del) << r.typed;
    }
    EXPECT_FALSE(PackageButtonsFor("Games", {"Games"}, false, 1).del);  // the only package
}

}  // namespace
