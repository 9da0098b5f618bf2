#include "tools/poke/PokeList.h"

#include <cstdio>
#include <utility>

#include <unistd.h>

#include "common/Files.h"
#include "common/TextStream.h"
#include "common/TextUtils.h"
#include "machine/core/ModelCapabilities.h"
#include "machine/cpu/ChipMemory.h"

namespace {

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
    return text.substr(first, last - first);
}

}  // namespace

std::string PokeItemText(const PokeItem& item, bool hex) {
    std::string text = item.remap ? "X/" : "";
    if (hex) {
        text += FormatNumber(static_cast<unsigned>(item.address), true, true, true, false, true);
        text += ",";
        text += FormatNumber(static_cast<unsigned>(item.value), false, true, true, false, true);
    } else {
        text += std::to_string(item.address) + "," + std::to_string(item.value);
    }
    return text;
}

int PokeList::Insert(PokeItem item, int before) {
    if (before < 0 || before >= Count()) {
        items.push_back(std::move(item));
        return Count() - 1;
    }
    items.insert(items.begin() + before, std::move(item));
    return before;
}

int PokeList::AddPoke(int32_t address, int32_t value, bool remap, bool hex, int before) {
    PokeItem item;
    item.address = address & 0xFFFF;
    item.value = value & 0xFF;
    item.remap = (remap && InRemapArea(item.address)) ? 1 : 0;
    item.text = PokeItemText(item, hex);
    return Insert(std::move(item), before);
}

int PokeList::AddNote(const std::string& text, int before) {
    if (text.empty()) return -1;
    PokeItem item;
    item.text = text;
    return Insert(std::move(item), before);
}

void PokeList::Delete(int index) {
    if (index >= 0 && index < Count()) items.erase(items.begin() + index);
}

void PokeList::SetChecked(int index, bool checked) {
    if (index >= 0 && index < Count() && !items[index].IsNote()) items[index].checked = checked;
}

bool PokeList::AnyItemChecked() const {
    for (const PokeItem& item : items)
        if (!item.IsNote() && item.checked) return true;
    return false;
}

void PokeList::ToggleGroup(int index) {
    int first = index < 0 ? 0 : index + 1;
    if (first >= Count()) return;
    int last = first;
    while (last < Count() && !items[last].IsNote()) ++last;
    if (last == first) return;
    const bool state = !items[first].checked;
    for (int i = first; i < last; ++i) items[i].checked = state;
}

void PokeList::Move(int from, int to) {
    if (from < 0 || to < 0 || from >= Count() || to >= Count() || from == to) return;
    PokeItem item = std::move(items[from]);
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, std::move(item));
}

void PokeList::RefreshTexts(bool hex) {
    for (PokeItem& item : items)
        if (!item.IsNote()) item.text = PokeItemText(item, hex);
}

void PokeList::Apply(ChipMemory& memory, int model) const {
    const bool consul = Capabilities(model).remap;
    const uint8_t remembered = memory.GetRemapFlag();
    for (const PokeItem& item : items) {
        if (item.IsNote() || !item.checked) continue;
        if (consul) memory.SetRemapFlag(item.remap ? 1 : remembered);
        memory.WriteByte(item.address, static_cast<uint8_t>(item.value));
    }
    if (consul) memory.SetRemapFlag(remembered);
}

std::string PokeList::FileText() const {
    std::string text;
    for (const PokeItem& item : items) {
        text += item.IsNote() ? "; " + item.text : PokeItemText(item, false);
        text += "\r\n";
    }
    return text;
}

bool PokeList::Save(const std::string& path) const {
    return ReplaceFileContents(path, FileText());
}

PokeLoadResult PokeList::Load(const std::string& path, bool hex) {
    PokeLoadResult result;
    const int fd = OpenRegularFile(path, 0);
    std::FILE* stream = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (!stream) {
        if (fd >= 0) close(fd);
        result.result = PokeLoadResult::CannotOpen;
        return result;
    }
    items.clear();
    int line = 1;
    for (;;) {
        if (StreamSkipBlanks(stream, true, true, &line)) break;
        std::string text;
        if (StreamReadLine(stream, text) != 0 && text.empty()) break;
        text = Trim(text);
        const int thisLine = line;
        ++line;
        if (!text.empty() && text[0] == ';') {
            // A note of nothing is a note too: it bounds the groups around it.
            PokeItem note;
            note.text = Trim(text.substr(1));
            Insert(std::move(note), -1);
            continue;
        }
        bool remap = false;
        if (text.compare(0, 2, "X/") == 0) {
            remap = true;
            text.erase(0, 2);
        }
        const int address = TakeLeadingNumber(text);
        bool good = address >= 0 && address <= 0xFFFF && !text.empty() && text[0] == ',';
        int value = -1;
        if (good) {
            text.erase(0, 1);
            value = TakeLeadingNumber(text);
            good = value >= 0 && value <= 255 && text.empty();
        }
        if (!good) {
            result.result = PokeLoadResult::BadLine;
            result.badLine = thisLine;
            break;
        }
        if (remap && !InRemapArea(address)) result.remapDropped.push_back(thisLine);
        AddPoke(address, value, remap, hex);
    }
    std::fclose(stream);
    return result;
}
