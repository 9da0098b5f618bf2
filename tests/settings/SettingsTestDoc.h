#pragma once
// A configuration document with every section at its default values, and
// the control values that match it.
#include <pugixml.hpp>

#include <string>

#include "shell/settings/logic/SettingsWriter.h"

inline const char* const kSettingsXml = R"(<Orvik version="1">
<General language="English" show-hint-in-debugger="false" show-place-bar-on-file-dialog="true" show-info-on-enter-full-screen="true"/>
<Options page="0"/>
<Screen half-pass="b50" color-profile="multicolor" color-pallette="defined" attr00="white" attr01="white" attr10="white" attr11="white" video-cpu-interrupt="false"/>
<Model current="Model-C2717">
<Model-1><RomFile/><RomModule inserted="false" name=""/></Model-1>
<Model-2><RomFile/><RomModule inserted="false" name=""/></Model-2>
<Model-2A ram256k="false"><RomFile/><RomModule inserted="false" name=""/></Model-2A>
<Model-3 compatibility-mode="false" ram256k="false"><RomFile/><RomModule inserted="false" name=""/></Model-3>
<Model-Mato><RomFile/></Model-Mato>
<Model-Alfa><RomFile/><RomModule inserted="false" name=""/></Model-Alfa>
<Model-Alfa2><RomFile/><RomModule inserted="false" name=""/></Model-Alfa2>
<Model-C2717><RomFile/><RomModule inserted="false" name=""/></Model-C2717>
</Model>
<RomPackages/>
<Sound out-type="waveout" device-index="-1" volume-speaker="90" volume-tape="50" volume-sound-if="90" sound-if="none" mute="false"/>
<Controls><Keyboard change-zy="false" use-numpad="false" mato-ctrl="false"/><Mouse type="none" hide-cursor="true"/>
<Joystick><Gpio0 connected="false"/><Gpio1 connected="false"/></Joystick></Controls>
<Storages><RaomModule inserted="false" name="" hw-version="chtf" write-protect="false"/>
<KZD-1 connected="false" port="gpio1" write-protect="false"/><PMD-30 connected="false" write-protect="false"/>
<PMD-32 connected="false" extra-commands="false"><DriveA write-protect="false"/><DriveB write-protect="false"/>
<DriveC write-protect="false"/><DriveD write-protect="false"/><SD-Root/></PMD-32></Storages>
<Printer type="none" on-lpt="false" port="gpio0"/>
</Orvik>)";

// The controls as the pages show the default document.
inline SettingsControls DefaultControls() {
    SettingsControls c;
    c.model = 7;
    c.mouse = 0;
    c.deviceNumber = -1;
    return c;
}

// The element at a path of names separated by '/', below root.
inline pugi::xml_node At(pugi::xml_node root, const std::string& path) {
    pugi::xml_node n = root;
    size_t from = 0;
    while (n && from <= path.size()) {
        const size_t slash = path.find('/', from);
        const std::string name = path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
        n = n.child(name.c_str());
        if (slash == std::string::npos) break;
        from = slash + 1;
    }
    return n;
}

// An attribute's text, or the element's text for an empty name; "<none>" when missing.
inline std::string Value(pugi::xml_node root, const std::string& path, const std::string& attr) {
    pugi::xml_node n = At(root, path);
    if (!n) return "<no element>";
    if (attr.empty()) return n.text().get();
    pugi::xml_attribute a = n.attribute(attr.c_str());
    return a ? a.value() : "<none>";
}
