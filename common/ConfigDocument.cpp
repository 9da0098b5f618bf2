#include "common/ConfigDocument.h"

#include "common/Config.h"

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata;
const char* const kIndent = "  ";

bool IsBlankText(pugi::xml_node node)
{
    if (node.type() != pugi::node_pcdata)
        return false;
    for (const char* p = node.value(); *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return false;
    return true;
}

// Removes the white-space text between child nodes, so that the writer can
// indent afresh; the text of elements that hold only text stays as it is.
void StripLayout(pugi::xml_node node)
{
    bool structured = false;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata)
            structured = true;
    for (pugi::xml_node child = node.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (structured && IsBlankText(child))
            node.remove_child(child);
        else if (child.type() == pugi::node_element)
            StripLayout(child);
        child = next;
    }
}

bool WriteAll(int fd, const std::string& data)
{
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::string& data)
{
    namespace fs = std::filesystem;
    if (path.empty())
        return false;
    std::error_code ec;
    fs::path target(path);
    // Replace the file a symbolic link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    if (fs::is_directory(target, ec))
        return false;

    fs::path dir = target.parent_path();
    std::string pattern = (dir.empty() ? std::string() : dir.string() + "/") + "." +
                          target.filename().string() + ".XXXXXX";
    std::vector<char> tmpName(pattern.begin(), pattern.end());
    tmpName.push_back('\0');
    int fd = ::mkstemp(tmpName.data());
    if (fd < 0)
        return false;

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tmpName.data(), target.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(tmpName.data());
        return false;
    }
    // Make the rename itself durable; a failure here leaves a complete file.
    int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

ConfigDocument::~ConfigDocument()
{
    if (active_)
        Save();
    Deactivate();
}

int ConfigDocument::Open(const std::string& fileName, const std::string& version)
{
    Deactivate();
    fileName_ = fileName;
    pugi::xml_parse_result result = doc_.load_file(fileName.c_str(), kParseOptions, pugi::encoding_auto);
    if (!result || !doc_.document_element()) {
        doc_.reset();
        return OpenUnreadable;
    }
    if (version != doc_.document_element().attribute("version").value()) {
        doc_.reset();
        return OpenVersionMismatch;
    }
    active_ = true;
    return OpenOk;
}

void ConfigDocument::Deactivate()
{
    if (ConfigRoot && ConfigRoot == doc_.document_element())
        ConfigRoot = pugi::xml_node();
    active_ = false;
    doc_.reset();
}

pugi::xml_node ConfigDocument::Root() const
{
    return active_ ? doc_.document_element() : pugi::xml_node();
}

std::string ConfigDocument::SavedText() const
{
    pugi::xml_document copy;
    copy.reset(doc_);
    StripLayout(copy);
    std::ostringstream out;
    copy.save(out, kIndent, pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

bool ConfigDocument::Save()
{
    if (!active_ || fileName_.empty())
        return false;
    return ReplaceFileContents(fileName_, SavedText());
}
