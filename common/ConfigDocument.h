#pragma once
#include "common/Files.h"
// The configuration document Orvik.xml: opening with the version check, and
// saving with indentation through a temporary file renamed over the original.

#include <pugixml.hpp>

#include <string>

class ConfigDocument {
public:
    // Results of Open.
    static constexpr int OpenOk = 0;
    static constexpr int OpenUnreadable = -1;
    static constexpr int OpenVersionMismatch = -2;

    ConfigDocument() = default;
    // Release: saves the document when it is still active.
    ~ConfigDocument();
    ConfigDocument(const ConfigDocument&) = delete;
    ConfigDocument& operator=(const ConfigDocument&) = delete;

    // The name of the document element of Orvik's configuration.
    static constexpr const char* kRootName = "Orvik";

    // Loads and parses fileName, keeping white space between elements. The
    // document element must be Orvik's (another program's document is never
    // taken, and so never written over), and its attribute "version" (empty
    // when missing) must equal version. On any failure the document stays
    // inactive and will not be saved, and Problem() says what is wrong.
    int Open(const std::string& fileName, const std::string& version);
    // What the last Open found wrong with the file, in words ("missing", "not XML at
    // line 3: ..."); empty after a successful Open.
    const std::string& Problem() const { return problem_; }
    // Forgets the document without saving it.
    void Deactivate();
    // Saves the document when it is active, then forgets it. False when the save
    // failed (the file on disk is then the one from before).
    bool Release();
    bool Active() const { return active_; }

    // The document element (the parent of the sections); null when inactive.
    pugi::xml_node Root() const;
    pugi::xml_document& Document() { return doc_; }
    const std::string& FileName() const { return fileName_; }

    // Writes the document, indented, to a temporary file in the same folder and
    // renames it over the file; the old file stays untouched on any failure.
    bool Save();

    // The indented text that Save writes.
    std::string SavedText() const;

private:
    pugi::xml_document doc_;
    std::string fileName_;
    std::string problem_;
    bool active_ = false;
};


