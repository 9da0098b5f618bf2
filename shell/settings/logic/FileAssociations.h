#pragma once
// Registering the program as the opener of its four file types. The
// registration is a tree of keys with default values (class keys, their
// command and icon keys, one key per extension), kept by a store; the Linux
// store keeps it as a freedesktop .desktop entry per class and a
// shared-mime-info package per extension under the user's data folder.
#include <map>
#include <string>

class AssociationStore {
public:
    virtual ~AssociationStore() = default;
    // Opens key; with create a missing key is made. False when it cannot be opened.
    virtual bool OpenKey(const std::string& key, bool create) = 0;
    // The key's default value; false when the key or value is missing.
    virtual bool ReadDefault(const std::string& key, std::string& value) = 0;
    // Sets the default value of an opened key.
    virtual void WriteDefault(const std::string& key, const std::string& value) = 0;
    // Deletes the key; a missing key is ignored.
    virtual void DeleteKey(const std::string& key) = 0;
    // Ends a run of changes (writes what is pending).
    virtual void Release() {}
};

// The four types in box order: .pmd, .ptp, .psn, .prc.
inline constexpr int kAssociationCount = 4;

// Box state per type: checked, and the tag (1 while registered by this program).
struct AssociationBoxes {
    bool checked[kAssociationCount] = {};
    int tag[kAssociationCount] = {};
};

// Reads the registration: a box is checked with tag 1 when its extension's
// default value is this program's class and the class has a command key.
void ReadAssociations(AssociationStore& store, AssociationBoxes& boxes);
// Writes or removes the registrations for the boxes; exe is the program's full path.
void UpdateAssociations(AssociationStore& store, AssociationBoxes& boxes, const std::string& exe);

// The store on the freedesktop files under dataHome ($XDG_DATA_HOME, or
// ~/.local/share): applications/orvik-<class>.desktop and
// mime/packages/orvik-<ext>.xml. Release writes the files and runs
// update-mime-database and update-desktop-database when they are installed.
class XdgAssociationStore : public AssociationStore {
public:
    explicit XdgAssociationStore(std::string dataHome);
    bool OpenKey(const std::string& key, bool create) override;
    bool ReadDefault(const std::string& key, std::string& value) override;
    void WriteDefault(const std::string& key, const std::string& value) override;
    void DeleteKey(const std::string& key) override;
    void Release() override;

    // $XDG_DATA_HOME, else $HOME/.local/share.
    static std::string DefaultDataHome();
    std::string DesktopFile(const std::string& className) const;
    std::string MimeFile(const std::string& extension) const;
    // Set false to skip running the two refresh tools (tests).
    bool runRefreshTools = true;

private:
    void Load();
    std::string dataHome;
    std::map<std::string, std::string> keys;  // key -> default value ("" none)
    bool dirty = false;
};
