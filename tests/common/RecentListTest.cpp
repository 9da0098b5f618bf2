#include "common/Config.h"
#include "common/Paths.h"
#include "common/RecentFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

class RecentList : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAppDir("/opt/orvik/");
        Load("<Orvik><General/>\n  <Recent>\n  </Recent>\n</Orvik>");
    }
    void TearDown() override
    {
        ConfigRoot = pugi::xml_node();
        ClearAppDir();
    }

    // Loads a document keeping its white space, as the configuration does.
    void Load(const char* xml)
    {
        ASSERT_TRUE(doc.load_string(xml, pugi::parse_default | pugi::parse_ws_pcdata));
        ConfigRoot = doc.document_element();
        recent = ConfigSection("Recent");
        ASSERT_TRUE(recent);
    }

    // A list with the entries given, newest first, laid out as an indented file.
    void LoadList(const Texts& entries)
    {
        std::string xml = "<Orvik>\n  <Recent>";
        for (const std::string& e : entries)
            xml += "\n    <RecentFile>" + e + "</RecentFile>";
        xml += "\n  </Recent>\n</Orvik>";
        Load(xml.c_str());
    }

    Texts Entries() const
    {
        Texts out;
        for (pugi::xml_node n = recent.first_child(); n; n = n.next_sibling())
            if (n.type() == pugi::node_element && std::string(n.name()) == "RecentFile")
                out.push_back(n.child_value());
        return out;
    }

    static Texts Numbered(int n)
    {
        Texts t;
        for (int i = 1; i <= n; ++i)
            t.push_back("tapes/t" + std::to_string(i) + ".ptp");
        return t;
    }

    pugi::xml_document doc;
    pugi::xml_node recent;
};

TEST_F(RecentList, AddsToEmptyList)
{
    for (const char* xml : {"<r><Recent/></r>", "<r><Recent> </Recent></r>", "<r><Recent>\n  </Recent></r>"}) {
        Load(xml);
        EXPECT_TRUE(AddRecentFile("/home/u/a.ptp"));
        EXPECT_EQ(Entries(), Texts{"/home/u/a.ptp"}) << xml;
    }
}

TEST_F(RecentList, StoresPathsInsideTheProgramFolderRelative)
{
    AddRecentFile("/opt/orvik/tapes/game.ptp");
    AddRecentFile("/opt/other/x.psn");
    EXPECT_EQ(Entries(), (Texts{"/opt/other/x.psn", "tapes/game.ptp"}));
    // The same file given relative moves the stored entry instead of adding one.
    AddRecentFile("tapes/game.ptp");
    EXPECT_EQ(Entries(), (Texts{"tapes/game.ptp", "/opt/other/x.psn"}));
}

TEST_F(RecentList, LetterCaseMakesDifferentEntries)
{
    AddRecentFile("/opt/orvik/tapes/Game.ptp");
    AddRecentFile("/opt/orvik/tapes/game.ptp");
    AddRecentFile("/data/A.PSN");
    AddRecentFile("/data/a.psn");
    EXPECT_EQ(Entries(), (Texts{"/data/a.psn", "/data/A.PSN", "tapes/game.ptp", "tapes/Game.ptp"}));
}

TEST_F(RecentList, ListedFileMovesToTop)
{
    LoadList({"a", "b", "c", "d"});
    AddRecentFile("c");
    EXPECT_EQ(Entries(), (Texts{"c", "a", "b", "d"}));
    AddRecentFile("c");
    EXPECT_EQ(Entries(), (Texts{"c", "a", "b", "d"}));
    AddRecentFile("d");
    EXPECT_EQ(Entries(), (Texts{"d", "c", "a", "b"}));
}

TEST_F(RecentList, FullListDropsItsLastEntry)
{
    Texts list = Numbered(20);
    LoadList(list);
    AddRecentFile("/new.ptp");
    Texts expected = list;
    expected.pop_back();
    expected.insert(expected.begin(), "/new.ptp");
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(Entries().size(), 20u);

    // Moving the last entry of a full list keeps all 20.
    AddRecentFile(list[18]);
    EXPECT_EQ(Entries().size(), 20u);
    EXPECT_EQ(Entries().front(), list[18]);
    EXPECT_EQ(Entries().back(), list[17]);
}

// A hand-edited list of more than 20 loses only its 20th entry: the walk stops
// at the first entry holding the text or at the 20th, whichever comes first.
TEST_F(RecentList, OverlongListLosesOnlyItsTwentiethEntry)
{
    const Texts list = Numbered(25);
    struct Case {
        std::string added;
        Texts expected;
    };
    auto without = [&list](size_t index, const std::string& first) {
        Texts t = list;
        t.erase(t.begin() + static_cast<long>(index));
        t.insert(t.begin(), first);
        return t;
    };
    const Case cases[] = {
        {"/new.ptp", without(19, "/new.ptp")},  // a new file: 25 entries stay
        {list[4], without(4, list[4])},         // listed before the 20th: moves up
        {list[22], without(19, list[22])},      // listed after the 20th: the 20th goes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added);
        LoadList(list);
        AddRecentFile(c.added);
        EXPECT_EQ(Entries(), c.expected);
    }
}

// A list rebuilt by removing and adding keeps newest-first order although the
// white-space nodes that once stood before the first entry are gone.
TEST_F(RecentList, NewestFirstWhateverTheWhiteSpace)
{
    LoadList({"a", "b"});
    EXPECT_EQ(RemoveRecentFile(recent, 1), "a");
    AddRecentFile("c");
    EXPECT_EQ(Entries(), (Texts{"c", "b"}));
    AddRecentFile("d");
    EXPECT_EQ(Entries(), (Texts{"d", "c", "b"}));

    Load("<r><Recent><RecentFile>x</RecentFile></Recent></r>");  // no white space at all
    AddRecentFile("y");
    AddRecentFile("z");
    EXPECT_EQ(Entries(), (Texts{"z", "y", "x"}));

    Load("<r><Recent><!-- note --><RecentFile>x</RecentFile></Recent></r>");
    AddRecentFile("y");
    EXPECT_EQ(Entries(), (Texts{"y", "x"}));
}

TEST_F(RecentList, RemoveTakesTheWhiteSpaceBefore)
{
    LoadList({"a", "b", "c"});
    // Children: text, a, text, b, text, c, text.
    int before = 0;
    for (pugi::xml_node n = recent.first_child(); n; n = n.next_sibling())
        ++before;
    ASSERT_EQ(before, 7);
    EXPECT_EQ(RemoveRecentFile(recent, 1), "a");
    int after = 0;
    for (pugi::xml_node n = recent.first_child(); n; n = n.next_sibling())
        ++after;
    EXPECT_EQ(after, 5);
    EXPECT_EQ(Entries(), (Texts{"b", "c"}));

    // From last to first, as the menu does for vanished files: text, b, text, c, text.
    EXPECT_EQ(RemoveRecentFile(recent, 3), "c");
    EXPECT_EQ(RemoveRecentFile(recent, 1), "b");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(RecentList, RemoveRefusesOtherNodes)
{
    LoadList({"a"});
    EXPECT_EQ(RemoveRecentFile(recent, 0), "");    // white space
    EXPECT_EQ(RemoveRecentFile(recent, 9), "");
    EXPECT_EQ(RemoveRecentFile(recent, -1), "");
    EXPECT_EQ(RemoveRecentFile(pugi::xml_node(), 1), "");
    EXPECT_EQ(Entries(), Texts{"a"});
}

TEST_F(RecentList, MoveChosenEntryToTop)
{
    LoadList({"a", "b", "c"});
    std::string chosen = RemoveRecentFile(recent, 5);
    EXPECT_EQ(chosen, "c");
    InsertRecentFileFirst(recent, chosen);
    EXPECT_EQ(Entries(), (Texts{"c", "a", "b"}));
}

TEST_F(RecentList, MissingSectionIsLeftAlone)
{
    ASSERT_TRUE(doc.load_string("<r><General/></r>"));
    ConfigRoot = doc.document_element();
    EXPECT_FALSE(AddRecentFile("/x"));
    EXPECT_FALSE(ConfigSection("Recent"));
    ConfigRoot = pugi::xml_node();
    EXPECT_FALSE(AddRecentFile("/x"));
}

} // namespace
