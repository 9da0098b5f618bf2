#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "tools/debugger/DebuggerSettings.h"

using namespace dbg;

namespace {

TEST(DebuggerSettingsTest, DefaultsWhenItemsAreMissing) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<Debugger x='10' y='20'><List>abc</List></Debugger>"));
    const DebuggerSettings s = ReadDebuggerSettings(doc.document_element());
    EXPECT_EQ(s.x, 10);
    EXPECT_EQ(s.y, 20);
    EXPECT_FALSE(s.decimal);
    EXPECT_EQ(s.notation, 0);
    EXPECT_EQ(s.source, 6);  // SP
    EXPECT_EQ(s.type, 2);    // disassembly
    EXPECT_EQ(s.memAddress, 0);
    EXPECT_EQ(s.highlightColor, 15714740);
    for (bool a : s.bpActive) EXPECT_FALSE(a);
    const DebuggerSettings none = ReadDebuggerSettings(pugi::xml_node());
    EXPECT_EQ(none.source, 6);
}

TEST(DebuggerSettingsTest, ReadsAndWritesEveryItem) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<Debugger radix='dec' notation='z80' highlight-color='255'><List source='hl' type='ascii'>4660</List>"
        "<BreakPoints><BP1 active='true'>100</BP1><BP6>65535</BP6></BreakPoints></Debugger>"));
    DebuggerSettings s = ReadDebuggerSettings(doc.document_element());
    EXPECT_TRUE(s.decimal);
    EXPECT_EQ(s.notation, 1);
    EXPECT_EQ(s.highlightColor, 255);
    EXPECT_EQ(s.source, 4);
    EXPECT_EQ(s.type, 1);
    EXPECT_EQ(s.memAddress, 4660);
    EXPECT_EQ(s.bpAddress[0], 100);
    EXPECT_TRUE(s.bpActive[0]);
    EXPECT_EQ(s.bpAddress[5], 65535);
    EXPECT_FALSE(s.bpActive[5]);

    pugi::xml_document out;
    pugi::xml_node e = out.append_child("Debugger");
    s.type = 0;
    s.source = 0;
    WriteDebuggerSettings(e, s);
    EXPECT_STREQ(e.attribute("radix").value(), "dec");
    EXPECT_STREQ(e.attribute("notation").value(), "z80");
    EXPECT_FALSE(e.attribute("highlight-color"));  // never written
    EXPECT_STREQ(e.child("List").attribute("source").value(), "mem");
    EXPECT_STREQ(e.child("List").attribute("type").value(), "dump");
    EXPECT_STREQ(e.child("List").text().get(), "4660");
    EXPECT_STREQ(e.child("BreakPoints").child("BP1").attribute("active").value(), "true");
    EXPECT_STREQ(e.child("BreakPoints").child("BP6").text().get(), "65535");
    EXPECT_STREQ(e.child("BreakPoints").child("BP6").attribute("active").value(), "false");
    s.notation = 0;
    s.decimal = false;
    WriteDebuggerSettings(e, s);
    EXPECT_STREQ(e.attribute("notation").value(), "i8080");
    EXPECT_STREQ(e.attribute("radix").value(), "hex");
    EXPECT_EQ(std::distance(e.child("BreakPoints").begin(), e.child("BreakPoints").end()), 6);
}

TEST(PeripheralStatusTest, CounterTexts) {
    uint8_t st[18] = {};
    st[0] = 0x36;  // counter 0, both bytes, mode 3, binary
    st[1] = 0x5A;
    st[2] = 0x2D;
    st[9] = 0x34;
    st[10] = 0x12;
    st[15] = 0xA0;  // out 1, gate 1, clock 0
    st[3] = 0x7F;   // mode bits 111, BCD, both
    st[4] = 0x59;
    st[16] = 0x10;  // clock only
    CounterTexts t = DescribeCounter(st, 0);
    EXPECT_EQ(t.mode, "3 / BIN / BOTH");
    EXPECT_EQ(t.preset, "#2D5A");
    EXPECT_EQ(t.count, "#1234");
    EXPECT_EQ(t.levels, "1 / 0 / 1");
    t = DescribeCounter(st, 1);
    EXPECT_EQ(t.mode, "3 / BCD / BOTH");
    EXPECT_EQ(t.preset, "0059");
    EXPECT_EQ(t.levels, "0 / 1 / 0");
    st[6] = 0x1C;  // mode 6 shows as 2, LSB only
    EXPECT_EQ(DescribeCounter(st, 2).mode, "2 / BIN / LSB");
}

}  // namespace
