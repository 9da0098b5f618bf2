#include "common/ConfigDocument.h"

#include "common/Config.h"
#include "common/Files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata;
const char* const kIndent = "  ";

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

// The 1-based line of a byte offset.
size_t LineAt(const std::string& text, size_t offset)
{
    if (offset > text.size())
        offset = text.size();
    size_t line = 1;
    for (size_t i = 0; i < offset; ++i)
        if (text[i] == '\n')
            ++line;
    return line;
}

std::string Lowered(std::string s)
{
    if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z')
        s[0] = static_cast<char>(s[0] - 'A' + 'a');
    return s;
}

// Why ReadWholeFile could not read path, in words.
std::string WhyUnreadable(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? std::string("missing")
                                                   : "cannot be read: " + std::string(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return "a folder, not a file";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "cannot be read: " + std::string(std::strerror(errno));
    ::close(fd);
    return "cannot be read whole";
}

} // namespace


ConfigDocument::~ConfigDocument()
{
    Release();
}

bool ConfigDocument::Release()
{
    const bool ok = !active_ || Save();
    Deactivate();
    return ok;
}

int ConfigDocument::Open(const std::string& fileName, const std::string& version)
{
    Deactivate();
    fileName_ = fileName;
    problem_.clear();
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        doc_.reset();
        problem_ = WhyUnreadable(fileName);
        return OpenUnreadable;
    }
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        doc_.reset();
        problem_ = text.empty() ? "empty" : "holds only blanks";
        return OpenUnreadable;
    }
    pugi::xml_parse_result result = doc_.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
    if (!result || !doc_.document_element()) {
        problem_ = "not XML at line " + std::to_string(LineAt(text, result ? text.size() : size_t(result.offset))) +
                   ": " + Lowered(result ? "no document element" : result.description());
        doc_.reset();
        return OpenUnreadable;
    }
    const std::string root = doc_.document_element().name();
    if (root != kRootName) {
        problem_ = "another program's document: its root element is <" + root + ">, not <" + kRootName + ">";
        doc_.reset();
        return OpenUnreadable;
    }
    const pugi::xml_attribute found = doc_.document_element().attribute("version");
    if (version != found.value()) {
        problem_ = (found ? "version \"" + std::string(found.value()) + "\"" : std::string("no version"));
        problem_ += ", where this program needs \"" + version + "\"";
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
