// INI text: machine.ini and the settings store's files. Any bytes read as
// entries; the settings store's file written from what was read reads back
// as it was; any name or value survives its escaping.
#include "formats/ini_file.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon::formats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = ini::Parse(bytes);
    for (const auto& e : entries) {
        FUZZ_CHECK(ini::Find(entries, e.section, e.key) != nullptr);
    }
    const auto sections = ini::ReadSections(bytes);
    const std::string written = ini::WriteSections(sections);
    const auto again = ini::ReadSections(written);
    FUZZ_CHECK(again.size() == sections.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        FUZZ_CHECK(again[i].name == sections[i].name);
        FUZZ_CHECK(again[i].entries == sections[i].entries);
    }
    FUZZ_CHECK(ini::Unescape(ini::Escape(bytes)) == bytes);
    return 0;
}
