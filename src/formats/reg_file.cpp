#include "formats/reg_file.h"

#include <algorithm>
#include <cstdio>

#include "common/ansi.h"
#include "common/lines.h"
#include "common/text.h"

namespace quellon::formats::reg {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

// Calls `visit` with each non-empty part of a key path.
template <typename Visit>
bool ForEachPart(std::string_view path, Visit visit) {
    while (!path.empty()) {
        size_t cut = path.find('\\');
        std::string_view part = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (!part.empty() && !visit(part)) {
            return false;
        }
    }
    return true;
}

// A quoted text with \\ and \" escapes starting at s[pos] == '"'; pos ends
// after the closing quote. nullopt when the quote is not closed.
std::optional<std::string> ReadQuoted(std::string_view s, size_t& pos) {
    std::string out;
    for (size_t i = pos + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[++i];
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

// "00,01,ff" -> bytes; nullopt on anything else. An empty list is no bytes.
std::optional<std::string> ReadHexBytes(std::string_view s) {
    std::string out;
    s = text::TrimBlanksAndTabs(s);
    if (s.empty()) {
        return out;
    }
    while (true) {
        size_t comma = s.find(',');
        std::string_view piece = text::TrimBlanksAndTabs(s.substr(0, comma));
        if (piece.empty() && comma == std::string_view::npos) {
            break;  // a trailing comma
        }
        if (piece.empty() || piece.size() > 2) {
            return std::nullopt;
        }
        int value = 0;
        for (char c : piece) {
            int d = text::HexDigitValue(c);
            if (d < 0) {
                return std::nullopt;
            }
            value = value * 16 + d;
        }
        out += static_cast<char>(value);
        if (comma == std::string_view::npos) {
            break;
        }
        s = s.substr(comma + 1);
    }
    return out;
}

bool IsTextType(std::uint32_t type) {
    return type == static_cast<std::uint32_t>(RegType::kString) ||
           type == static_cast<std::uint32_t>(RegType::kExpandString) ||
           type == static_cast<std::uint32_t>(RegType::kMultiString);
}

// The data after "=": nullopt when it is not understood; a value of type
// kNone with `remove` set for "-".
std::optional<RegValue> ReadData(std::string_view data, bool regedit4, bool& remove) {
    remove = false;
    data = text::TrimBlanksAndTabs(data);
    if (data == "-") {
        remove = true;
        return RegValue{};
    }
    if (!data.empty() && data.front() == '"') {
        size_t pos = 0;
        std::optional<std::string> s = ReadQuoted(data, pos);
        if (!s || !text::TrimBlanksAndTabs(data.substr(pos)).empty()) {
            return std::nullopt;
        }
        *s += '\0';
        return RegValue{RegType::kString, std::move(*s)};
    }
    if (text::StartsWithNoCase(data, "dword:")) {
        std::string_view digits = text::TrimBlanksAndTabs(data.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = text::HexDigitValue(c);
            if (d < 0) {
                return std::nullopt;
            }
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return RegValue{RegType::kDword, std::move(bytes)};
    }
    std::uint32_t type = static_cast<std::uint32_t>(RegType::kBinary);
    std::string_view list;
    if (text::StartsWithNoCase(data, "hex:")) {
        list = data.substr(4);
    } else if (text::StartsWithNoCase(data, "hex(")) {
        size_t close = data.find(')');
        if (close == std::string_view::npos || close == 4 || close > 12 ||
            close + 1 >= data.size() || data[close + 1] != ':') {
            return std::nullopt;
        }
        type = 0;
        for (char c : data.substr(4, close - 4)) {
            int d = text::HexDigitValue(c);
            if (d < 0) {
                return std::nullopt;
            }
            type = type * 16 + static_cast<std::uint32_t>(d);
        }
        list = data.substr(close + 2);
    } else {
        return std::nullopt;
    }
    std::optional<std::string> bytes = ReadHexBytes(list);
    if (!bytes) {
        return std::nullopt;
    }
    // Version 5 files keep text types in hex as UTF-16; the program sees ANSI.
    if (!regedit4 && IsTextType(type) && bytes->size() % 2 == 0) {
        *bytes = ansi::FromUtf16Le(*bytes);
    }
    return RegValue{static_cast<RegType>(type), std::move(*bytes)};
}

void ApplyValueLine(std::string_view line, Key* key, bool regedit4) {
    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else {
        std::optional<std::string> quoted = ReadQuoted(line, pos);
        if (!quoted) {
            return;
        }
        name = std::move(*quoted);
    }
    std::string_view rest = text::TrimBlanksAndTabs(line.substr(pos));
    if (rest.empty() || rest.front() != '=' || key == nullptr) {
        return;
    }
    bool remove = false;
    std::optional<RegValue> value = ReadData(rest.substr(1), regedit4, remove);
    if (!value) {
        return;
    }
    if (remove) {
        key->DeleteValue(name);
    } else {
        key->SetValue(name, std::move(*value));
    }
}

std::string HexList(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        auto b = static_cast<unsigned char>(bytes[i]);
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
    return out;
}

std::string ValueLine(const Key::Value& v, bool regedit4) {
    std::string out = v.name.empty() ? std::string("@") : Quote(v.name);
    out += '=';
    const std::string& data = v.value.data;
    const auto type = static_cast<std::uint32_t>(v.value.type);
    if (v.value.type == RegType::kString && !data.empty() && data.back() == '\0' &&
        data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1) {
        return out + Quote(std::string_view(data).substr(0, data.size() - 1));
    }
    if (v.value.type == RegType::kDword && data.size() == 4) {
        std::uint32_t d = 0;
        for (int i = 3; i >= 0; --i) {
            d = (d << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
        }
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", d);
        return out + buffer;
    }
    if (v.value.type == RegType::kBinary) {
        return out + "hex:" + HexList(data);
    }
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "hex(%x):", type);
    out += buffer;
    return out + HexList(!regedit4 && IsTextType(type) ? ansi::ToUtf16Le(data) : data);
}

void WriteKey(const Key& key, const std::string& path, bool isRoot, bool regedit4,
              std::string& out) {
    if (!isRoot || !key.Values().empty()) {
        out += "[" + path + "]\r\n";
        for (const Key::Value& v : key.Values()) {
            out += ValueLine(v, regedit4);
            out += "\r\n";
        }
        out += "\r\n";
    }
    for (const Key* child : key.Children()) {
        WriteKey(*child, path + "\\" + child->Name(), false, regedit4, out);
    }
}

}  // namespace

size_t Key::NoCaseHash::operator()(std::string_view name) const {
    // FNV-1a over the upper-cased bytes.
    std::uint64_t h = 14695981039346656037ULL;
    for (char c : name) {
        h ^= static_cast<unsigned char>(text::UpperChar(c));
        h *= 1099511628211ULL;
    }
    return static_cast<size_t>(h ^ (h >> 32));
}

bool Key::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    return text::EqualsNoCase(a, b);
}

Key* Key::Child(std::string_view name) const {
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second.get();
}

Key& Key::AddChild(std::string_view name, bool* created) {
    auto [it, inserted] = children_.try_emplace(text::Upper(name));
    if (inserted) {
        it->second = std::make_unique<Key>(std::string(name), this);
        order_.push_back(it->second.get());
        if (created != nullptr) {
            *created = true;
        }
    }
    return *it->second;
}

bool Key::RemoveChild(std::string_view name) {
    auto it = children_.find(name);
    if (it == children_.end()) {
        return false;
    }
    order_.erase(std::find(order_.begin(), order_.end(), it->second.get()));
    children_.erase(it);
    return true;
}

const RegValue* Key::FindValue(std::string_view name) const {
    for (const Value& v : values_) {
        if (text::EqualsNoCase(v.name, name)) {
            return &v.value;
        }
    }
    return nullptr;
}

void Key::SetValue(std::string_view name, RegValue value) {
    for (Value& v : values_) {
        if (text::EqualsNoCase(v.name, name)) {
            v.value = std::move(value);
            return;
        }
    }
    values_.push_back({std::string(name), std::move(value)});
}

bool Key::DeleteValue(std::string_view name) {
    auto it = std::find_if(values_.begin(), values_.end(),
                           [&](const Value& v) { return text::EqualsNoCase(v.name, name); });
    if (it == values_.end()) {
        return false;
    }
    values_.erase(it);
    return true;
}

Tree::Tree() {
    for (Hive hive = kHkeyClassesRoot; hive <= kHkeyDynData; ++hive) {
        hives_.push_back({hive, std::make_unique<Key>(std::string(HiveName(hive)), nullptr)});
    }
}

Key* Tree::Root(Hive hive) {
    for (HiveRoot& h : hives_) {
        if (h.hive == hive) {
            return h.root.get();
        }
    }
    return nullptr;
}

Key* Tree::Find(Hive hive, std::string_view path) {
    Key* key = Root(hive);
    if (key == nullptr) {
        return nullptr;
    }
    bool found = ForEachPart(path, [&](std::string_view part) {
        key = key->Child(part);
        return key != nullptr;
    });
    return found ? key : nullptr;
}

Key* Tree::Create(Hive hive, std::string_view path, bool* created) {
    Key* key = Root(hive);
    if (key == nullptr) {
        return nullptr;
    }
    ForEachPart(path, [&](std::string_view part) {
        key = &key->AddChild(part, created);
        return true;
    });
    return key;
}

void Parse(std::string_view bytes, File& file) {
    std::string decoded;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        file.utf16 = true;
        decoded = ansi::FromUtf16Le(bytes.substr(2));
        bytes = decoded;
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    std::vector<std::string> lines = lines::SplitLines(bytes);
    Key* current = nullptr;
    bool headerSeen = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = text::TrimBlanksAndTabs(lines[i]);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            if (line == kHeader4) {
                file.regedit4 = true;
                continue;
            }
            if (line == kHeader5) {
                continue;
            }
        }
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() != ']') {
                continue;
            }
            std::string_view inner = line.substr(1, line.size() - 2);
            bool remove = !inner.empty() && inner.front() == '-';
            if (remove) {
                inner.remove_prefix(1);
            }
            size_t cut = inner.find('\\');
            std::optional<Hive> hive = HiveFromName(inner.substr(0, cut));
            if (!hive) {
                continue;
            }
            std::string_view path =
                cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
            if (remove) {
                Key* doomed = file.tree.Find(*hive, path);
                if (doomed != nullptr && doomed->Parent() != nullptr) {
                    doomed->Parent()->RemoveChild(doomed->Name());
                }
            } else {
                current = file.tree.Create(*hive, path);
            }
            continue;
        }
        if (line.front() != '"' && line.front() != '@') {
            continue;
        }
        // Long hex lists continue on the next lines after a trailing "\".
        std::string joined;
        if (line.back() == '\\') {
            joined = std::string(line);
            while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
                joined.pop_back();
                joined += text::TrimBlanksAndTabs(lines[++i]);
            }
            line = joined;
        }
        ApplyValueLine(line, current, file.regedit4);
    }
}

std::string Write(const File& file) {
    std::string out(file.regedit4 ? kHeader4 : kHeader5);
    out += "\r\n\r\n";
    for (const Tree::HiveRoot& h : file.tree.Hives()) {
        WriteKey(*h.root, h.root->Name(), true, file.regedit4, out);
    }
    if (file.utf16) {
        return "\xFF\xFE" + ansi::ToUtf16Le(out);
    }
    return out;
}

}  // namespace quellon::formats::reg
