// A web page as Live Update reads it: every element's inner text is a part
// of the document's text, in document order, and the body holds its
// elements' texts.
#include "html/html_text.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quellon;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const html::Document doc = html::ParseHtml(bytes);
    FUZZ_CHECK(!doc.elements.empty());
    FUZZ_CHECK(doc.body < doc.elements.size());
    const std::string_view text = doc.text;
    for (size_t i = 0; i < doc.elements.size(); ++i) {
        const std::string_view inner = doc.InnerText(i);
        FUZZ_CHECK(inner.empty() || (inner.data() >= text.data() &&
                                     inner.data() + inner.size() <= text.data() + text.size()));
    }
    // The same bytes read with a charset from the response still parse.
    html::ParseHtml(bytes, "utf-8");
    return 0;
}
