// Wine's registry files (system.reg, user.reg, userdef.reg): any bytes read
// and written back unchanged are the same bytes; a change keeps the file
// readable, with the change in it.
#include "formats/wine_reg_file.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon::formats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    winereg::Document doc = winereg::Document::Parse(bytes);
    FUZZ_CHECK(doc.Write() == bytes);
    if (!doc.Valid()) {
        return 0;
    }
    constexpr std::uint64_t kNow = 0x01d9a4c2b1e5f000ULL;
    winereg::Key& key = doc.Create(u"Software\\Fuzz\\Key", kNow);
    winereg::Value value;
    value.name = u"Name";
    value.type = 1;  // REG_SZ
    value.data = std::string("t\0x\0\0\0", 6);
    doc.SetValue(key, value, kNow);
    const std::string written = doc.Write();
    winereg::Document again = winereg::Document::Parse(written);
    FUZZ_CHECK(again.Valid());
    FUZZ_CHECK(again.Write() == written);
    const winereg::Key* found = again.Find(u"Software\\Fuzz\\Key");
    FUZZ_CHECK(found != nullptr);
    const winereg::Value* read = found->FindValue(u"Name");
    FUZZ_CHECK(read != nullptr && read->data == value.data);
    return 0;
}
