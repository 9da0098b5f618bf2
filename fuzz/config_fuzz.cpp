// The configuration document: any file opens or is refused, and every reader
// of values, the recent-files list and the joystick rows take whatever the
// elements hold.
#include <pugixml.hpp>

#include "common/Config.h"
#include "common/ConfigDocument.h"
#include "common/RecentFiles.h"
#include "fuzz/FuzzFile.h"
#include "machine/input/JoyRow.h"

namespace {

void Walk(pugi::xml_node node, int depth) {
    if (depth > 64) return;
    for (pugi::xml_node e = node.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element) {
            IsBlankText(e);
            continue;
        }
        for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) {
            ReadAttrInt(e, a.name(), 7);
            ReadAttrBool(e, a.name(), true);
            ReadAttrString(e, a.name());
        }
        ReadElementText(e);
        ReadChildInt(node, e.name(), -3);
        int left = 0, top = 0;
        ReadWindowPos(e, left, top, 300, 200, 1280, 1024);
        if (left < 0 || top < 0) fuzz::PropertyFailed("window position on the desktop");
        LoadJoyRow(e, nullptr);
        Walk(e, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200000) return 0;
    const std::string path = fuzz::WriteInput("Orvik.xml", data, size);
    // The version the document itself names, so that most inputs open.
    pugi::xml_document probe;
    probe.load_buffer(data, size);
    const std::string version = probe.document_element().attribute("version").value();
    ConfigDocument doc;
    if (doc.Open(path, version) != ConfigDocument::OpenOk) {
        ConfigRoot = pugi::xml_node();
        return 0;
    }
    ConfigRoot = doc.Root();
    Walk(ConfigRoot, 0);
    for (int c = 0; c < 4; ++c) JoyRowNode(c, false);
    AddRecentFile("/tmp/one.ptp");
    if (pugi::xml_node recent = ConfigSection("Recent")) {
        RemoveRecentFile(recent, 0);
        RemoveRecentFile(recent, 25);
    }
    doc.SavedText();
    doc.Deactivate();
    ConfigRoot = pugi::xml_node();
    return 0;
}
