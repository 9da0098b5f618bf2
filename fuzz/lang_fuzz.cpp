// Language files: any INI text loads, and the lookups with arguments take
// whatever the values hold.
#include "common/IniFile.h"
#include "common/Lang.h"
#include "fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200000) return 0;
    const std::string path = fuzz::WriteInput("Lang.ini", data, size);
    OpenLanguageFilePath(path);
    LangCharset();
    if (const IniFile* ini = LangIni()) {
        int n = 0;
        for (const IniFile::Section& s : ini->Sections()) {
            for (const IniFile::Entry& e : s.entries) {
                LangText(s.name, e.key);
                LangTextArg(s.name, e.key, "%s%d%%");
                LangTextArgs(s.name, e.key, "a", "b");
                SplitLangKey(e.key);
                ini->ReadInteger(s.name, e.key, 5);
                if (++n > 2000) break;
            }
        }
    }
    LangText("FormMain", "text.Missing");
    CloseLanguageFile();
    return 0;
}
