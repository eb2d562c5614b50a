#include "formats/wine_reg_file.h"

#include <algorithm>
#include <cstdio>

#include "common/ansi.h"

namespace quellon::formats::winereg {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeTo = ";; All keys relative to ";
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// One character of raw text at s[i]: UTF-8 where the bytes are well-formed
// UTF-8 (a file edited by hand), else a Windows-1252 byte. Appends its code
// units and returns the bytes used.
size_t DecodeRaw(std::string_view s, size_t i, Text& out) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        out += static_cast<char16_t>(b0);
        return 1;
    }
    size_t len = 0;
    std::uint32_t cp = 0, min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, min = 0x80, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, min = 0x800, cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, min = 0x10000, cp = b0 & 0x07;
    }
    bool ok = len != 0 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        ok = (b & 0xC0) == 0x80;
        cp = (cp << 6) | (b & 0x3F);
    }
    ok = ok && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
        out += FromAnsi(s.substr(i, 1));
        return 1;
    }
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
    return len;
}

// Text with Wine's escapes from s[pos] up to the unescaped `end` character;
// pos ends after it. nullopt when `end` does not come (as Wine, which then
// drops the line).
std::optional<Text> ParseText(std::string_view s, size_t& pos, char end) {
    Text out;
    size_t i = pos;
    while (i < s.size() && s[i] != end) {
        if (s[i] != '\\') {
            i += DecodeRaw(s, i, out);
            continue;
        }
        ++i;
        if (i >= s.size()) {
            return std::nullopt;
        }
        const char c = s[i];
        switch (c) {
            case 'a':
                out += u'\a';
                ++i;
                break;
            case 'b':
                out += u'\b';
                ++i;
                break;
            case 'e':
                out += char16_t{0x1B};
                ++i;
                break;
            case 'f':
                out += u'\f';
                ++i;
                break;
            case 'n':
                out += u'\n';
                ++i;
                break;
            case 'r':
                out += u'\r';
                ++i;
                break;
            case 't':
                out += u'\t';
                ++i;
                break;
            case 'v':
                out += u'\v';
                ++i;
                break;
            case 'x': {
                ++i;
                if (i >= s.size() || HexValue(s[i]) < 0) {
                    out += u'x';
                    break;
                }
                unsigned v = 0;
                for (int n = 0; n < 4 && i < s.size() && HexValue(s[i]) >= 0; ++n, ++i) {
                    v = v * 16 + static_cast<unsigned>(HexValue(s[i]));
                }
                out += static_cast<char16_t>(v);
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    unsigned v = 0;
                    for (int n = 0; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n, ++i) {
                        v = v * 8 + static_cast<unsigned>(s[i] - '0');
                    }
                    out += static_cast<char16_t>(v);
                } else {
                    i += DecodeRaw(s, i, out);  // \\ \" \[ \] and any other character
                }
                break;
        }
    }
    if (i >= s.size()) {
        return std::nullopt;
    }
    pos = i + 1;
    return out;
}

bool IsHexDigit(char16_t c) {
    return c < 0x80 && HexValue(static_cast<char>(c)) >= 0;
}

// Wine's escaping of a text: C escapes, octal for other control
// characters, \x for everything outside ASCII, a backslash before "\" and
// before the two characters of `special`.
std::string Escape(TextView s, std::string_view special) {
    static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
    std::string out;
    out.reserve(s.size());
    char buffer[16];
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        const bool more = i + 1 < s.size();
        if (c > 127) {
            std::snprintf(buffer, sizeof buffer, more && IsHexDigit(s[i + 1]) ? "\\x%04x" : "\\x%x",
                          static_cast<unsigned>(c));
            out += buffer;
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else {
                const bool octalNext = more && s[i + 1] >= u'0' && s[i + 1] <= u'7';
                std::snprintf(buffer, sizeof buffer, octalNext ? "\\%03o" : "\\%o",
                              static_cast<unsigned>(c));
                out += buffer;
            }
        } else {
            const char ch = static_cast<char>(c);
            if (ch == '\\' || special.find(ch) != std::string_view::npos) {
                out += '\\';
            }
            out += ch;
        }
    }
    return out;
}

std::string HeaderPath(const Key& key) {
    std::vector<const Key*> chain;
    for (const Key* k = &key; k->Parent() != nullptr; k = k->Parent()) {
        chain.push_back(k);
    }
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!out.empty()) {
            out += "\\\\";
        }
        out += Escape((*it)->Name(), "[]");
    }
    return out;
}

std::string Seconds(std::uint64_t now) {
    const std::uint64_t s = now > kTicks1601To1970 ? (now - kTicks1601To1970) / kTicksPerSecond : 0;
    return std::to_string(static_cast<std::uint32_t>(s));
}

std::string TimeLine(std::uint64_t now, std::string_view lineEnd) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "#time=%llx", static_cast<unsigned long long>(now));
    return std::string(buffer) + std::string(lineEnd);
}

std::string_view LineEndOf(std::string_view raw) {
    if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n") {
        return "\r\n";
    }
    if (!raw.empty() && raw.back() == '\n') {
        return "\n";
    }
    return {};
}

// The line without its line end.
std::string_view Content(std::string_view raw) {
    return raw.substr(0, raw.size() - LineEndOf(raw).size());
}

std::string_view SkipSpaces(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) {
        ++i;
    }
    return s.substr(i);
}

// Compares two key paths the way Wine orders its keys: by name, without
// regard to case, a key before its sub-keys.
int ComparePaths(const std::vector<const Key*>& a, const std::vector<const Key*>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const Text& x = a[i]->Name();
        const Text& y = b[i]->Name();
        for (size_t k = 0; k < x.size() && k < y.size(); ++k) {
            const char16_t fx = FoldChar(x[k]), fy = FoldChar(y[k]);
            if (fx != fy) {
                return fx < fy ? -1 : 1;
            }
        }
        if (x.size() != y.size()) {
            return x.size() < y.size() ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return 0;
}

std::vector<const Key*> Chain(const Key* key) {
    std::vector<const Key*> chain;
    for (; key != nullptr && key->Parent() != nullptr; key = key->Parent()) {
        chain.push_back(key);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

Text Fold(TextView s) {
    Text out(s);
    for (char16_t& c : out) {
        c = FoldChar(c);
    }
    return out;
}

}  // namespace

// --- Lines and blocks ---------------------------------------------------

struct Line {
    enum class Kind { kOther, kTime, kValue };
    std::string raw;  // with its line end; a value going on over lines: all of them
    Kind kind = Kind::kOther;
};

struct Block {
    Key* key = nullptr;  // nullptr: the lines before the first key, or a header Wine cannot read
    std::string lead;    // line ends written before the header (a block added in a change)
    std::string header;  // "[...] <seconds>" with its line end; empty for the first block
    size_t pathEnd = 0;  // the place after the header's "]"
    std::vector<std::unique_ptr<Line>> lines;
    bool removed = false;
};

// --- Text helpers ------------------------------------------------------

char16_t FoldChar(char16_t c) {
    if (c < 0x80) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
    }
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return static_cast<char16_t>(c & ~1u);  // pairs: even upper, odd lower
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1u) != 0 ? c : static_cast<char16_t>(c - 1);  // pairs: odd upper, even lower
    }
    return c;
}

bool EqualsNoCase(TextView a, TextView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldChar(a[i]) != FoldChar(b[i])) {
            return false;
        }
    }
    return true;
}

Text FromUtf16Le(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
}

std::string ToUtf16Le(TextView text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

Text FromAnsi(std::string_view ansi) {
    return FromUtf16Le(ansi::ToUtf16Le(ansi));
}

std::string ToAnsi(TextView text) {
    return ansi::FromUtf16Le(ToUtf16Le(text));
}

// --- Values ------------------------------------------------------------

namespace {

// The bytes of a hex list ("00,01,\" going on in the next lines: the
// physical lines from lines[next] on); `used` receives how many of those
// the list takes.
std::optional<std::string> ParseHex(std::string_view first,
                                    const std::vector<std::string_view>& lines, size_t next,
                                    size_t& used) {
    std::string out;
    std::string_view s = first;
    used = 0;
    for (;;) {
        size_t i = 0;
        while (i < s.size() && HexValue(s[i]) >= 0) {
            unsigned v = 0;
            size_t digits = 0;
            while (i < s.size() && HexValue(s[i]) >= 0) {
                v = v * 16 + static_cast<unsigned>(HexValue(s[i++]));
                if (++digits > 2) {
                    return std::nullopt;  // more than a byte
                }
            }
            out += static_cast<char>(v);
            while (i < s.size() && IsSpace(s[i])) {
                ++i;
            }
            if (i < s.size() && s[i] == ',') {
                ++i;
            }
            while (i < s.size() && IsSpace(s[i])) {
                ++i;
            }
        }
        if (i >= s.size()) {
            return out;
        }
        if (s[i] != '\\' || next + used >= lines.size()) {
            return std::nullopt;
        }
        s = SkipSpaces(Content(lines[next + used++]));
    }
}

struct ParsedValue {
    Value value;
    size_t extraLines = 0;  // continuation lines taken after the first
};

std::optional<ParsedValue> ParseValue(std::string_view line,
                                      const std::vector<std::string_view>& lines, size_t next) {
    ParsedValue parsed;
    Value& v = parsed.value;
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else {
        pos = 1;
        std::optional<Text> name = ParseText(line, pos, '"');
        if (!name) {
            return std::nullopt;
        }
        v.name = std::move(*name);
    }
    while (pos < line.size() && IsSpace(line[pos])) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    std::string_view data = SkipSpaces(line.substr(pos + 1));
    struct Prefix {
        std::string_view text;
        std::uint32_t type;
    };
    static constexpr Prefix kStrings[] = {{"\"", kRegSz},
                                          {"str:\"", kRegSz},
                                          {"str(2):\"", kRegExpandSz},
                                          {"str(7):\"", kRegMultiSz}};
    for (const Prefix& p : kStrings) {
        if (data.starts_with(p.text)) {
            size_t at = p.text.size();
            std::optional<Text> text = ParseText(data, at, '"');
            if (!text) {
                return std::nullopt;
            }
            v.type = p.type;
            v.data = ToUtf16Le(*text) + std::string(2, '\0');
            return parsed;
        }
    }
    if (data.starts_with("dword:")) {
        std::string_view digits = SkipSpaces(data.substr(6));
        if (digits.starts_with("0x") || digits.starts_with("0X")) {
            digits.remove_prefix(2);
        }
        std::uint32_t d = 0;
        size_t n = 0;
        while (n < digits.size() && HexValue(digits[n]) >= 0) {
            if (n == 8) {
                return std::nullopt;
            }
            d = d * 16 + static_cast<std::uint32_t>(HexValue(digits[n++]));
        }
        if (n == 0) {
            return std::nullopt;
        }
        v.type = kRegDword;
        v.data.assign(4, '\0');
        for (int i = 0; i < 4; ++i) {
            v.data[static_cast<size_t>(i)] = static_cast<char>((d >> (8 * i)) & 0xFF);
        }
        return parsed;
    }
    std::string_view list;
    if (data.starts_with("hex:")) {
        v.type = kRegBinary;
        list = data.substr(4);
    } else if (data.starts_with("hex(")) {
        size_t i = 4;
        std::uint32_t type = 0;
        while (i < data.size() && HexValue(data[i]) >= 0 && i < 12) {
            type = type * 16 + static_cast<std::uint32_t>(HexValue(data[i++]));
        }
        if (i == 4 || data.substr(i, 2) != "):") {
            return std::nullopt;
        }
        v.type = type;
        list = data.substr(i + 2);
    } else {
        return std::nullopt;
    }
    std::optional<std::string> bytes = ParseHex(SkipSpaces(list), lines, next, parsed.extraLines);
    if (!bytes) {
        return std::nullopt;
    }
    v.data = std::move(*bytes);
    return parsed;
}

}  // namespace

std::string Document::ValueLine(const Value& v, std::string_view lineEnd) {
    std::string out = v.name.empty() ? std::string("@=") : "\"" + Escape(v.name, "\"\"") + "\"=";
    const std::string& d = v.data;
    char buffer[24];
    const bool stringType = v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz;
    if (stringType && d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == '\0' &&
        d[d.size() - 2] == '\0') {
        if (v.type != kRegSz) {
            std::snprintf(buffer, sizeof buffer, "str(%x):", v.type);
            out += buffer;
        }
        const Text text = FromUtf16Le(std::string_view(d).substr(0, d.size() - 2));
        return out + "\"" + Escape(text, "\"\"") + "\"" + std::string(lineEnd);
    }
    if (v.type == kRegDword && d.size() == 4) {
        std::uint32_t dw = 0;
        for (int i = 3; i >= 0; --i) {
            dw = (dw << 8) | static_cast<unsigned char>(d[static_cast<size_t>(i)]);
        }
        std::snprintf(buffer, sizeof buffer, "dword:%08x", dw);
        return out + buffer + std::string(lineEnd);
    }
    if (v.type == kRegBinary) {
        out += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", v.type);
        out += buffer;
    }
    // Wine breaks the list after the comma that takes a line past 76 characters.
    size_t count = out.size();
    for (size_t i = 0; i < d.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(d[i]));
        out += buffer;
        count += 2;
        if (i + 1 < d.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\";
                out += lineEnd;
                out += "  ";
                count = 2;
            }
        }
    }
    return out + std::string(lineEnd);
}

// --- Keys --------------------------------------------------------------

Key* Key::Child(TextView name) const {
    auto it = children_.find(Fold(name));
    return it == children_.end() ? nullptr : it->second.get();
}

Key::Slot* Key::FindSlot(TextView name) {
    for (Slot& s : values_) {
        if (EqualsNoCase(s.value.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

const Key::Slot* Key::FindSlot(TextView name) const {
    return const_cast<Key*>(this)->FindSlot(name);
}

const Value* Key::FindValue(TextView name) const {
    const Slot* s = FindSlot(name);
    return s == nullptr ? nullptr : &s->value;
}

std::vector<const Value*> Key::Values() const {
    std::vector<const Value*> out;
    out.reserve(values_.size());
    for (const Slot& s : values_) {
        out.push_back(&s.value);
    }
    return out;
}

std::optional<Text> Key::LinkTarget() const {
    const Value* v = link_ ? FindValue(u"SymbolicLinkValue") : nullptr;
    if (v == nullptr || v->type != kTypeLink) {
        return std::nullopt;
    }
    Text target = FromUtf16Le(v->data);
    while (!target.empty() && target.back() == u'\0') {
        target.pop_back();
    }
    return target;
}

// --- Documents ---------------------------------------------------------

Document::Document() {
    Reset();
}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

void Document::Reset() {
    root_ = std::make_unique<Key>(Text(), nullptr);
    blocks_.clear();
    blocks_.push_back(std::make_unique<Block>());
    valid_ = false;
    relativeTo_.clear();
    arch_.clear();
    lineEnd_ = "\n";
}

Key* Document::Node(TextView path, bool create, bool* created) {
    Key* key = root_.get();
    while (!path.empty()) {
        const size_t cut = path.find(u'\\');
        const TextView part = path.substr(0, cut);
        path = cut == TextView::npos ? TextView() : path.substr(cut + 1);
        if (part.empty()) {
            continue;
        }
        Text folded = Fold(part);
        auto it = key->children_.find(folded);
        if (it == key->children_.end()) {
            if (!create) {
                return nullptr;
            }
            auto child = std::make_unique<Key>(Text(part), key);
            key->order_.push_back(child.get());
            it = key->children_.emplace(std::move(folded), std::move(child)).first;
            if (created != nullptr) {
                *created = true;
            }
        }
        key = it->second.get();
    }
    return key;
}

Key* Document::Find(TextView path) const {
    return const_cast<Document*>(this)->Node(path, false);
}

Document Document::Parse(std::string_view bytes) {
    Document doc;
    // The physical lines, each with its line end.
    std::vector<std::string_view> lines;
    for (size_t at = 0; at < bytes.size();) {
        const size_t nl = bytes.find('\n', at);
        const size_t end = nl == std::string_view::npos ? bytes.size() : nl + 1;
        lines.push_back(bytes.substr(at, end - at));
        at = end;
    }
    Block* block = doc.blocks_.front().get();
    auto keep = [&](std::string_view raw, Line::Kind kind = Line::Kind::kOther) {
        auto line = std::make_unique<Line>();
        line->raw = std::string(raw);
        line->kind = kind;
        block->lines.push_back(std::move(line));
        return block->lines.back().get();
    };
    if (lines.empty() || Content(lines[0]) != kHeader) {
        // Not a file Wine reads: kept whole, nothing in it is read.
        if (!bytes.empty()) {
            keep(bytes);
        }
        return doc;
    }
    doc.valid_ = true;
    if (LineEndOf(lines[0]) == "\r\n") {
        doc.lineEnd_ = "\r\n";
    }
    keep(lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view raw = lines[i];
        const std::string_view text = SkipSpaces(Content(raw));
        if (text.empty() || text[0] == ';') {
            if (block == doc.blocks_.front().get() && text.starts_with(kRelativeTo)) {
                size_t pos = 0;
                std::string path(text.substr(kRelativeTo.size()));
                path += '\n';
                if (std::optional<Text> rel = ParseText(path, pos, '\n')) {
                    doc.relativeTo_ = std::move(*rel);
                }
            }
            keep(raw);
            continue;
        }
        if (text[0] == '[') {
            auto added = std::make_unique<Block>();
            added->header = std::string(raw);
            size_t pos = static_cast<size_t>(text.data() - raw.data()) + 1;
            if (std::optional<Text> path = ParseText(raw, pos, ']')) {
                added->pathEnd = pos;
                added->key = doc.Node(*path, true);
                added->key->blocks_.push_back(added.get());
            }
            doc.blocks_.push_back(std::move(added));
            block = doc.blocks_.back().get();
            continue;
        }
        if (text[0] == '#') {
            if (text.starts_with("#time=")) {
                keep(raw, Line::Kind::kTime);
            } else {
                if (block->key != nullptr && Content(text) == "#link") {
                    block->key->link_ = true;
                } else if (block == doc.blocks_.front().get() && text.starts_with("#arch=")) {
                    doc.arch_ = std::string(text.substr(6));
                    while (!doc.arch_.empty() && IsSpace(doc.arch_.back())) {
                        doc.arch_.pop_back();
                    }
                }
                keep(raw);
            }
            continue;
        }
        if ((text[0] != '@' && text[0] != '"') || block->key == nullptr) {
            keep(raw);
            continue;
        }
        std::optional<ParsedValue> parsed = ParseValue(text, lines, i + 1);
        if (!parsed) {
            keep(raw);
            continue;
        }
        std::string whole(raw);
        for (size_t k = 1; k <= parsed->extraLines; ++k) {
            whole += lines[i + k];
        }
        i += parsed->extraLines;
        Line* line = keep(whole, Line::Kind::kValue);
        Key& key = *block->key;
        if (Key::Slot* slot = key.FindSlot(parsed->value.name)) {
            slot->value = std::move(parsed->value);
            slot->lines.push_back(line);
        } else {
            key.values_.push_back({std::move(parsed->value), {line}});
        }
    }
    return doc;
}

Document Document::New(TextView relativeTo, std::string_view arch) {
    std::string text(kHeader);
    text += "\n";
    text += kRelativeTo;
    text += Escape(relativeTo, "");
    text += "\n";
    if (!arch.empty()) {
        text += "\n#arch=";
        text += arch;
        text += "\n";
    }
    return Parse(text);
}

std::string Document::Write() const {
    std::string out;
    for (const auto& b : blocks_) {
        if (b->removed) {
            continue;
        }
        out += b->lead;
        out += b->header;
        for (const auto& line : b->lines) {
            out += line->raw;
        }
    }
    return out;
}

void Document::Insert(std::unique_ptr<Block> block) {
    const std::vector<const Key*> path = Chain(block->key);
    size_t at = blocks_.size();
    for (size_t i = 1; i < blocks_.size(); ++i) {
        const Block& b = *blocks_[i];
        if (!b.removed && b.key != nullptr && ComparePaths(Chain(b.key), path) > 0) {
            at = i;
            break;
        }
    }
    // The text before the block: it must end its last line, and Wine leaves
    // a blank line before each key.
    std::string_view before;
    for (size_t i = at; i-- > 0 && before.empty();) {
        const Block& b = *blocks_[i];
        if (b.removed) {
            continue;
        }
        before =
            b.lines.empty() ? std::string_view(b.header) : std::string_view(b.lines.back()->raw);
    }
    if (!before.empty() && LineEndOf(before).empty()) {
        block->lead += lineEnd_;
        before = {};
    }
    if (!before.empty() && !SkipSpaces(before).empty()) {
        block->lead += lineEnd_;
    }
    if (at < blocks_.size()) {
        auto blank = std::make_unique<Line>();
        blank->raw = lineEnd_;
        block->lines.push_back(std::move(blank));
    }
    Key& key = *block->key;
    key.blocks_.push_back(block.get());
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at), std::move(block));
    // The key's blocks stay in file order.
    auto position = [&](const Block* x) {
        for (size_t i = 0; i < blocks_.size(); ++i) {
            if (blocks_[i].get() == x) {
                return i;
            }
        }
        return blocks_.size();
    };
    std::sort(key.blocks_.begin(), key.blocks_.end(),
              [&](const Block* a, const Block* b) { return position(a) < position(b); });
}

Block& Document::BlockFor(Key& key, std::uint64_t now) {
    for (auto it = key.blocks_.rbegin(); it != key.blocks_.rend(); ++it) {
        if (!(*it)->removed) {
            return **it;
        }
    }
    auto block = std::make_unique<Block>();
    block->key = &key;
    block->header = "[" + HeaderPath(key) + "]";
    block->pathEnd = block->header.size();
    block->header += " " + Seconds(now) + lineEnd_;
    auto time = std::make_unique<Line>();
    time->raw = TimeLine(now, lineEnd_);
    time->kind = Line::Kind::kTime;
    block->lines.push_back(std::move(time));
    Block* raw = block.get();
    Insert(std::move(block));
    return *raw;
}

void Document::Touch(Key& key, std::uint64_t now) {
    for (Block* b : key.blocks_) {
        if (b->removed) {
            continue;
        }
        // The header's seconds, when it has them.
        const std::string_view after = std::string_view(b->header).substr(b->pathEnd);
        const std::string_view rest = SkipSpaces(Content(after));
        if (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
            b->header = b->header.substr(0, b->pathEnd) + " " + Seconds(now) +
                        std::string(LineEndOf(b->header));
        }
        for (auto& line : b->lines) {
            if (line->kind == Line::Kind::kTime) {
                line->raw = TimeLine(now, LineEndOf(line->raw));
            }
        }
    }
}

Key& Document::Create(TextView path, std::uint64_t now) {
    bool created = false;
    Key* key = Node(path, true, &created);
    if (created && key != root_.get()) {
        BlockFor(*key, now);
        // The nearest key that was there before gained a sub-key.
        Key* parent = key->Parent();
        while (parent != nullptr && parent->Parent() != nullptr && parent->blocks_.empty() &&
               parent->order_.size() == 1) {
            parent = parent->Parent();
        }
        if (parent != nullptr) {
            Touch(*parent, now);
        }
    }
    return *key;
}

void Document::SetValue(Key& key, const Value& value, std::uint64_t now) {
    if (Key::Slot* slot = key.FindSlot(value.name)) {
        Line* line = slot->lines.back();
        line->raw = ValueLine({slot->value.name, value.type, value.data}, lineEnd_);
        slot->value.type = value.type;
        slot->value.data = value.data;
        Touch(key, now);
        return;
    }
    Block& block = BlockFor(key, now);
    // After the key's last value or option line, before blank lines and comments.
    size_t at = 0;
    for (size_t i = 0; i < block.lines.size(); ++i) {
        const std::string_view text = SkipSpaces(block.lines[i]->raw);
        if (block.lines[i]->kind != Line::Kind::kOther || (!text.empty() && text[0] == '#')) {
            at = i + 1;
        }
    }
    auto line = std::make_unique<Line>();
    line->kind = Line::Kind::kValue;
    line->raw = ValueLine(value, lineEnd_);
    if (at > 0 && LineEndOf(block.lines[at - 1]->raw).empty()) {
        block.lines[at - 1]->raw += lineEnd_;  // a last line cut short
    } else if (at == 0 && LineEndOf(block.header).empty()) {
        block.header += lineEnd_;
    }
    key.values_.push_back({value, {line.get()}});
    block.lines.insert(block.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    Touch(key, now);
}

bool Document::DeleteValue(Key& key, TextView name, std::uint64_t now) {
    auto slot = std::find_if(key.values_.begin(), key.values_.end(),
                             [&](const Key::Slot& s) { return EqualsNoCase(s.value.name, name); });
    if (slot == key.values_.end()) {
        return false;
    }
    for (Line* line : slot->lines) {
        for (Block* b : key.blocks_) {
            auto it = std::find_if(b->lines.begin(), b->lines.end(),
                                   [&](const std::unique_ptr<Line>& l) { return l.get() == line; });
            if (it != b->lines.end()) {
                b->lines.erase(it);
                break;
            }
        }
    }
    key.values_.erase(slot);
    Touch(key, now);
    return true;
}

void Document::Remove(Key& key) {
    for (Block* b : key.blocks_) {
        b->removed = true;
        b->key = nullptr;
    }
    key.blocks_.clear();
    for (Key* child : key.order_) {
        Remove(*child);
    }
}

bool Document::DeleteTree(Key& key, std::uint64_t now) {
    Key* parent = key.Parent();
    if (parent == nullptr) {
        return false;
    }
    Remove(key);
    parent->order_.erase(std::find(parent->order_.begin(), parent->order_.end(), &key));
    parent->children_.erase(Fold(key.Name()));
    if (parent->Parent() != nullptr && parent->blocks_.empty() && parent->order_.empty()) {
        // A key without a block of its own lived on through its sub-keys;
        // it stays, as an empty key.
        BlockFor(*parent, now);
    } else {
        Touch(*parent, now);
    }
    return true;
}

}  // namespace quellon::formats::winereg
