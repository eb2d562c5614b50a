#include "html/html_text.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <unordered_map>

#include "html/html_entities.h"

namespace quellon::html {

std::string_view Document::InnerText(std::size_t element) const {
    if (element >= elements.size()) {
        return {};
    }
    const Element& e = elements[element];
    return std::string_view(text).substr(e.textBegin, e.textEnd - e.textBegin);
}

std::string_view Document::BodyText() const {
    return InnerText(body);
}

namespace {

constexpr char32_t kEof = 0xFFFFFFFF;
constexpr char32_t kReplacement = 0xFFFD;

// ---------------------------------------------------------------------------
// Encodings

// Code points of Windows-1252 bytes 0x80-0x9F; the five unassigned bytes stand
// for the C1 control of the same number. The same table remaps numeric
// character references in that range.
constexpr char32_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char To1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh1252[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

void Decode1252(std::string_view bytes, std::u32string& out) {
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.push_back(b >= 0x80 && b <= 0x9F ? kHigh1252[b - 0x80] : b);
    }
}

// UTF-8 with every ill-formed sequence read as one U+FFFD per maximal part,
// as the Encoding standard's decoder does.
void DecodeUtf8(std::string_view bytes, std::u32string& out) {
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        size_t need = 0;
        char32_t cp = 0;
        unsigned char lower = 0x80, upper = 0xBF;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1, cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2, cp = b0 & 0x0F;
            lower = b0 == 0xE0 ? 0xA0 : 0x80;
            upper = b0 == 0xED ? 0x9F : 0xBF;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3, cp = b0 & 0x07;
            lower = b0 == 0xF0 ? 0x90 : 0x80;
            upper = b0 == 0xF4 ? 0x8F : 0xBF;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (size_t k = 0; k < need; ++k, ++j) {
            if (j >= n) {
                ok = false;
                break;
            }
            const auto b = static_cast<unsigned char>(bytes[j]);
            if (b < lower || b > upper) {
                ok = false;
                break;
            }
            lower = 0x80, upper = 0xBF;
            cp = (cp << 6) | (b & 0x3F);
        }
        out.push_back(ok ? cp : kReplacement);
        i = j;
    }
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::u32string& out) {
    out.reserve(bytes.size() / 2 + 1);
    auto unit = [&](size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
    };
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out.push_back(u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
    }
    if (i < bytes.size()) {
        out.push_back(kReplacement);  // an odd byte at the end
    }
}

// The input stream's line ends: CR LF and a lone CR become LF.
void NormalizeNewlines(std::u32string& s) {
    size_t out = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            s[out++] = '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
        } else {
            s[out++] = s[i];
        }
    }
    s.resize(out);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAsciiWs(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// ---------------------------------------------------------------------------
// Tokens

struct Attribute {
    std::string name;
    std::string value;
};

struct Tag {
    std::string name;
    std::vector<Attribute> attributes;
    bool selfClosing = false;
    bool end = false;

    const Attribute* Find(std::string_view attr) const {
        for (const Attribute& a : attributes) {
            if (a.name == attr) {
                return &a;
            }
        }
        return nullptr;
    }
};

// Code points into the byte strings that tag names and attributes are kept
// in: UTF-8, so that only ASCII names can equal the ones the builder knows.
void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class Tokenizer;

// Receives the tokens in order.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void Character(char32_t c) = 0;
    virtual void StartTag(Tag& tag) = 0;
    virtual void EndTag(Tag& tag) = 0;
    virtual void Comment() = 0;
    virtual void Doctype() = 0;
    // Whether the adjusted current node is outside the HTML namespace (a
    // CDATA section is text there, a bogus comment elsewhere).
    virtual bool InForeignContent() const = 0;
    virtual void EndOfFile() = 0;
};

enum class State {
    kData,
    kRcdata,
    kRawtext,
    kScriptData,
    kPlaintext,
    kTagOpen,
    kEndTagOpen,
    kTagName,
    kRcdataLessThan,
    kRcdataEndTagOpen,
    kRcdataEndTagName,
    kRawtextLessThan,
    kRawtextEndTagOpen,
    kRawtextEndTagName,
    kScriptLessThan,
    kScriptEndTagOpen,
    kScriptEndTagName,
    kScriptEscapeStart,
    kScriptEscapeStartDash,
    kScriptEscaped,
    kScriptEscapedDash,
    kScriptEscapedDashDash,
    kScriptEscapedLessThan,
    kScriptEscapedEndTagOpen,
    kScriptEscapedEndTagName,
    kScriptDoubleEscapeStart,
    kScriptDoubleEscaped,
    kScriptDoubleEscapedDash,
    kScriptDoubleEscapedDashDash,
    kScriptDoubleEscapedLessThan,
    kScriptDoubleEscapeEnd,
    kBeforeAttributeName,
    kAttributeName,
    kAfterAttributeName,
    kBeforeAttributeValue,
    kAttributeValueDoubleQuoted,
    kAttributeValueSingleQuoted,
    kAttributeValueUnquoted,
    kAfterAttributeValueQuoted,
    kSelfClosingStartTag,
    kBogusComment,
    kMarkupDeclarationOpen,
    kCommentStart,
    kCommentStartDash,
    kComment,
    kCommentLessThan,
    kCommentLessThanBang,
    kCommentLessThanBangDash,
    kCommentLessThanBangDashDash,
    kCommentEndDash,
    kCommentEnd,
    kCommentEndBang,
    kDoctype,
    kCdataSection,
    kCdataSectionBracket,
    kCdataSectionEnd,
};

bool IsWs(char32_t c) {
    return c == '\t' || c == '\n' || c == '\f' || c == ' ';
}
bool IsUpper(char32_t c) {
    return c >= 'A' && c <= 'Z';
}
bool IsAlpha(char32_t c) {
    return IsUpper(c) || (c >= 'a' && c <= 'z');
}
bool IsDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(char32_t c) {
    return IsAlpha(c) || IsDigit(c);
}
int HexValue(char32_t c) {
    if (IsDigit(c)) {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    return -1;
}
char32_t Lower(char32_t c) {
    return IsUpper(c) ? c + 0x20 : c;
}

// The longest named reference that the text at `at` begins with.
const NamedReference* MatchNamedReference(const std::u32string& in, size_t at, size_t& length) {
    // The longest name is 32 characters with its ";".
    constexpr size_t kLongest = 40;
    char candidate[kLongest + 2];
    size_t n = 0;
    while (at + n < in.size() && n < kLongest && IsAlnum(in[at + n])) {
        candidate[n] = static_cast<char>(in[at + n]);
        ++n;
    }
    if (at + n < in.size() && in[at + n] == ';') {
        candidate[n++] = ';';
    }
    const auto table = NamedReferences();
    for (size_t len = n; len > 0; --len) {
        const std::string_view want(candidate, len);
        auto it = std::lower_bound(table.begin(), table.end(), want,
                                   [](const NamedReference& r, std::string_view w) {
                                       return std::string_view(r.name) < w;
                                   });
        if (it != table.end() && std::string_view(it->name) == want) {
            length = len;
            return &*it;
        }
    }
    return nullptr;
}

char32_t NumericReferenceValue(char32_t value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return kReplacement;
    }
    if (value >= 0x80 && value <= 0x9F) {
        return kHigh1252[value - 0x80];
    }
    return value;
}

class Tokenizer {
public:
    Tokenizer(const std::u32string& input, Sink& sink) : in_(input), sink_(sink) {}

    // Called by the tree builder right after a start tag: the state its
    // contents are read in (RCDATA, RAWTEXT, script data, PLAINTEXT).
    void SwitchTo(State s) { state_ = s; }

    void Run();

private:
    char32_t Peek() const { return pos_ < in_.size() ? in_[pos_] : kEof; }
    bool LookingAt(std::u32string_view word, bool ignoreCase) const;

    void Emit(char32_t c) { sink_.Character(c); }
    void EmitString(std::u32string_view s) {
        for (char32_t c : s) {
            Emit(c);
        }
    }
    void StartNewTag(bool end) {
        tag_ = Tag{};
        tag_.end = end;
    }
    void AppendTagName(char32_t c) { AppendUtf8(tag_.name, c); }
    void StartAttribute() {
        attrName_.clear();
        attrValue_.clear();
        haveAttribute_ = true;
    }
    void FinishAttribute();
    void EmitTag();
    bool AppropriateEndTag() const { return !lastStartTag_.empty() && tag_.name == lastStartTag_; }
    // An end tag name state of RCDATA, RAWTEXT or script data; `fallback`
    // is the state the text goes on in when the tag is not the right one.
    void EndTagName(char32_t c, State fallback);
    // "&" at the current position: appends the reference's characters to
    // the text or the attribute value and moves past what it consumed.
    void CharacterReference(bool inAttribute);

    const std::u32string& in_;
    Sink& sink_;
    size_t pos_ = 0;
    State state_ = State::kData;
    Tag tag_;
    std::string attrName_, attrValue_;
    bool haveAttribute_ = false;
    std::string lastStartTag_;
    std::u32string temp_;
};

bool Tokenizer::LookingAt(std::u32string_view word, bool ignoreCase) const {
    if (in_.size() - pos_ < word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        const char32_t c = in_[pos_ + i];
        if ((ignoreCase ? Lower(c) : c) != word[i]) {
            return false;
        }
    }
    return true;
}

void Tokenizer::FinishAttribute() {
    if (!haveAttribute_) {
        return;
    }
    haveAttribute_ = false;
    // A repeated attribute is dropped; the first one counts.
    if (tag_.Find(attrName_) == nullptr) {
        tag_.attributes.push_back({std::move(attrName_), std::move(attrValue_)});
    }
    attrName_.clear();
    attrValue_.clear();
}

void Tokenizer::EmitTag() {
    FinishAttribute();
    state_ = State::kData;
    if (tag_.end) {
        sink_.EndTag(tag_);
    } else {
        lastStartTag_ = tag_.name;
        sink_.StartTag(tag_);
    }
}

void Tokenizer::EndTagName(char32_t c, State fallback) {
    if (IsWs(c) && AppropriateEndTag()) {
        ++pos_;
        state_ = State::kBeforeAttributeName;
    } else if (c == '/' && AppropriateEndTag()) {
        ++pos_;
        state_ = State::kSelfClosingStartTag;
    } else if (c == '>' && AppropriateEndTag()) {
        ++pos_;
        EmitTag();
    } else if (IsAlpha(c)) {
        AppendTagName(Lower(c));
        temp_.push_back(c);
        ++pos_;
    } else {
        Emit('<');
        Emit('/');
        EmitString(temp_);
        state_ = fallback;
    }
}

void Tokenizer::CharacterReference(bool inAttribute) {
    auto put = [&](char32_t c) {
        if (inAttribute) {
            AppendUtf8(attrValue_, c);
        } else {
            Emit(c);
        }
    };
    ++pos_;  // the "&"
    const char32_t c = Peek();
    if (IsAlnum(c)) {
        size_t length = 0;
        const NamedReference* ref = MatchNamedReference(in_, pos_, length);
        if (ref == nullptr) {
            // Not a reference: the "&" and what follows are text.
            put('&');
            return;
        }
        const bool endsWithSemicolon = ref->name[length - 1] == ';';
        const char32_t next = pos_ + length < in_.size() ? in_[pos_ + length] : kEof;
        if (inAttribute && !endsWithSemicolon && (next == '=' || IsAlnum(next))) {
            // "&copy=1" in an attribute (a URL's query) stays as written.
            put('&');
            return;
        }
        pos_ += length;
        put(ref->first);
        if (ref->second != 0) {
            put(ref->second);
        }
        return;
    }
    if (c != '#') {
        put('&');
        return;
    }
    size_t j = pos_ + 1;
    const bool hex = j < in_.size() && (in_[j] == 'x' || in_[j] == 'X');
    if (hex) {
        ++j;
    }
    const size_t digits = j;
    char32_t value = 0;
    for (; j < in_.size(); ++j) {
        const int d =
            hex ? HexValue(in_[j]) : (IsDigit(in_[j]) ? static_cast<int>(in_[j] - '0') : -1);
        if (d < 0) {
            break;
        }
        // Held just above the last code point, so that it cannot overflow.
        value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(d), 0x110000);
    }
    if (j == digits) {
        // "&#" or "&#x" without digits: text as written.
        put('&');
        return;
    }
    if (j < in_.size() && in_[j] == ';') {
        ++j;
    }
    pos_ = j;
    put(NumericReferenceValue(value));
}

void Tokenizer::Run() {
    for (;;) {
        const char32_t c = Peek();
        switch (state_) {
            case State::kData:
                if (c == '&') {
                    CharacterReference(false);
                } else if (c == '<') {
                    ++pos_;
                    state_ = State::kTagOpen;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c);
                }
                break;
            case State::kRcdata:
                if (c == '&') {
                    CharacterReference(false);
                } else if (c == '<') {
                    ++pos_;
                    state_ = State::kRcdataLessThan;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c == 0 ? kReplacement : c);
                }
                break;
            case State::kRawtext:
            case State::kScriptData:
                if (c == '<') {
                    ++pos_;
                    state_ = state_ == State::kRawtext ? State::kRawtextLessThan
                                                       : State::kScriptLessThan;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c == 0 ? kReplacement : c);
                }
                break;
            case State::kPlaintext:
                if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                }
                ++pos_;
                Emit(c == 0 ? kReplacement : c);
                break;
            case State::kTagOpen:
                if (c == '!') {
                    ++pos_;
                    state_ = State::kMarkupDeclarationOpen;
                } else if (c == '/') {
                    ++pos_;
                    state_ = State::kEndTagOpen;
                } else if (IsAlpha(c)) {
                    StartNewTag(false);
                    state_ = State::kTagName;
                } else if (c == '?') {
                    state_ = State::kBogusComment;
                } else {
                    Emit('<');
                    state_ = State::kData;
                }
                break;
            case State::kEndTagOpen:
                if (IsAlpha(c)) {
                    StartNewTag(true);
                    state_ = State::kTagName;
                } else if (c == '>') {
                    ++pos_;  // "</>" is dropped
                    state_ = State::kData;
                } else if (c == kEof) {
                    Emit('<');
                    Emit('/');
                    state_ = State::kData;
                } else {
                    state_ = State::kBogusComment;
                }
                break;
            case State::kTagName:
                if (IsWs(c)) {
                    ++pos_;
                    state_ = State::kBeforeAttributeName;
                } else if (c == '/') {
                    ++pos_;
                    state_ = State::kSelfClosingStartTag;
                } else if (c == '>') {
                    ++pos_;
                    EmitTag();
                } else if (c == kEof) {
                    // A tag cut off by the end of the file is dropped.
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    AppendTagName(c == 0 ? kReplacement : Lower(c));
                }
                break;
            case State::kRcdataLessThan:
            case State::kRawtextLessThan:
                if (c == '/') {
                    ++pos_;
                    temp_.clear();
                    state_ = state_ == State::kRcdataLessThan ? State::kRcdataEndTagOpen
                                                              : State::kRawtextEndTagOpen;
                } else {
                    Emit('<');
                    state_ = state_ == State::kRcdataLessThan ? State::kRcdata : State::kRawtext;
                }
                break;
            case State::kRcdataEndTagOpen:
            case State::kRawtextEndTagOpen:
            case State::kScriptEndTagOpen:
            case State::kScriptEscapedEndTagOpen: {
                const State text = state_ == State::kRcdataEndTagOpen    ? State::kRcdata
                                   : state_ == State::kRawtextEndTagOpen ? State::kRawtext
                                   : state_ == State::kScriptEndTagOpen  ? State::kScriptData
                                                                         : State::kScriptEscaped;
                if (IsAlpha(c)) {
                    StartNewTag(true);
                    state_ = text == State::kRcdata       ? State::kRcdataEndTagName
                             : text == State::kRawtext    ? State::kRawtextEndTagName
                             : text == State::kScriptData ? State::kScriptEndTagName
                                                          : State::kScriptEscapedEndTagName;
                } else {
                    Emit('<');
                    Emit('/');
                    state_ = text;
                }
                break;
            }
            case State::kRcdataEndTagName:
                EndTagName(c, State::kRcdata);
                break;
            case State::kRawtextEndTagName:
                EndTagName(c, State::kRawtext);
                break;
            case State::kScriptEndTagName:
                EndTagName(c, State::kScriptData);
                break;
            case State::kScriptEscapedEndTagName:
                EndTagName(c, State::kScriptEscaped);
                break;
            case State::kScriptLessThan:
                if (c == '/') {
                    ++pos_;
                    temp_.clear();
                    state_ = State::kScriptEndTagOpen;
                } else if (c == '!') {
                    ++pos_;
                    state_ = State::kScriptEscapeStart;
                    Emit('<');
                    Emit('!');
                } else {
                    Emit('<');
                    state_ = State::kScriptData;
                }
                break;
            case State::kScriptEscapeStart:
            case State::kScriptEscapeStartDash:
                if (c == '-') {
                    ++pos_;
                    Emit('-');
                    state_ = state_ == State::kScriptEscapeStart ? State::kScriptEscapeStartDash
                                                                 : State::kScriptEscapedDashDash;
                } else {
                    state_ = State::kScriptData;
                }
                break;
            case State::kScriptEscaped:
            case State::kScriptEscapedDash:
            case State::kScriptEscapedDashDash:
                if (c == '-') {
                    ++pos_;
                    Emit('-');
                    state_ = state_ == State::kScriptEscaped ? State::kScriptEscapedDash
                                                             : State::kScriptEscapedDashDash;
                } else if (c == '<') {
                    ++pos_;
                    state_ = State::kScriptEscapedLessThan;
                } else if (c == '>' && state_ == State::kScriptEscapedDashDash) {
                    ++pos_;
                    Emit('>');
                    state_ = State::kScriptData;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c == 0 ? kReplacement : c);
                    state_ = State::kScriptEscaped;
                }
                break;
            case State::kScriptEscapedLessThan:
                if (c == '/') {
                    ++pos_;
                    temp_.clear();
                    state_ = State::kScriptEscapedEndTagOpen;
                } else if (IsAlpha(c)) {
                    temp_.clear();
                    Emit('<');
                    state_ = State::kScriptDoubleEscapeStart;
                } else {
                    Emit('<');
                    state_ = State::kScriptEscaped;
                }
                break;
            case State::kScriptDoubleEscapeStart:
            case State::kScriptDoubleEscapeEnd: {
                const bool start = state_ == State::kScriptDoubleEscapeStart;
                if (IsWs(c) || c == '/' || c == '>') {
                    ++pos_;
                    const bool script = temp_ == U"script";
                    state_ = start == script ? State::kScriptDoubleEscaped : State::kScriptEscaped;
                    Emit(c);
                } else if (IsAlpha(c)) {
                    ++pos_;
                    temp_.push_back(Lower(c));
                    Emit(c);
                } else {
                    state_ = start ? State::kScriptEscaped : State::kScriptDoubleEscaped;
                }
                break;
            }
            case State::kScriptDoubleEscaped:
            case State::kScriptDoubleEscapedDash:
            case State::kScriptDoubleEscapedDashDash:
                if (c == '-') {
                    ++pos_;
                    Emit('-');
                    state_ = state_ == State::kScriptDoubleEscaped
                                 ? State::kScriptDoubleEscapedDash
                                 : State::kScriptDoubleEscapedDashDash;
                } else if (c == '<') {
                    ++pos_;
                    Emit('<');
                    state_ = State::kScriptDoubleEscapedLessThan;
                } else if (c == '>' && state_ == State::kScriptDoubleEscapedDashDash) {
                    ++pos_;
                    Emit('>');
                    state_ = State::kScriptData;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c == 0 ? kReplacement : c);
                    state_ = State::kScriptDoubleEscaped;
                }
                break;
            case State::kScriptDoubleEscapedLessThan:
                if (c == '/') {
                    ++pos_;
                    temp_.clear();
                    Emit('/');
                    state_ = State::kScriptDoubleEscapeEnd;
                } else {
                    state_ = State::kScriptDoubleEscaped;
                }
                break;
            case State::kBeforeAttributeName:
                if (IsWs(c)) {
                    ++pos_;
                } else if (c == '/' || c == '>' || c == kEof) {
                    state_ = State::kAfterAttributeName;
                } else if (c == '=') {
                    ++pos_;
                    StartAttribute();
                    attrName_ = "=";
                    state_ = State::kAttributeName;
                } else {
                    StartAttribute();
                    state_ = State::kAttributeName;
                }
                break;
            case State::kAttributeName:
                if (IsWs(c) || c == '/' || c == '>' || c == kEof) {
                    state_ = State::kAfterAttributeName;
                } else if (c == '=') {
                    ++pos_;
                    state_ = State::kBeforeAttributeValue;
                } else {
                    ++pos_;
                    AppendUtf8(attrName_, c == 0 ? kReplacement : Lower(c));
                }
                break;
            case State::kAfterAttributeName:
                if (IsWs(c)) {
                    ++pos_;
                } else if (c == '/') {
                    ++pos_;
                    state_ = State::kSelfClosingStartTag;
                } else if (c == '=') {
                    ++pos_;
                    state_ = State::kBeforeAttributeValue;
                } else if (c == '>') {
                    ++pos_;
                    EmitTag();
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    FinishAttribute();
                    StartAttribute();
                    state_ = State::kAttributeName;
                }
                break;
            case State::kBeforeAttributeValue:
                if (IsWs(c)) {
                    ++pos_;
                } else if (c == '"') {
                    ++pos_;
                    state_ = State::kAttributeValueDoubleQuoted;
                } else if (c == '\'') {
                    ++pos_;
                    state_ = State::kAttributeValueSingleQuoted;
                } else if (c == '>') {
                    ++pos_;
                    EmitTag();
                } else {
                    state_ = State::kAttributeValueUnquoted;
                }
                break;
            case State::kAttributeValueDoubleQuoted:
            case State::kAttributeValueSingleQuoted: {
                const char32_t quote = state_ == State::kAttributeValueDoubleQuoted ? '"' : '\'';
                if (c == quote) {
                    ++pos_;
                    state_ = State::kAfterAttributeValueQuoted;
                } else if (c == '&') {
                    CharacterReference(true);
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    AppendUtf8(attrValue_, c == 0 ? kReplacement : c);
                }
                break;
            }
            case State::kAttributeValueUnquoted:
                if (IsWs(c)) {
                    ++pos_;
                    FinishAttribute();
                    state_ = State::kBeforeAttributeName;
                } else if (c == '&') {
                    CharacterReference(true);
                } else if (c == '>') {
                    ++pos_;
                    EmitTag();
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    AppendUtf8(attrValue_, c == 0 ? kReplacement : c);
                }
                break;
            case State::kAfterAttributeValueQuoted:
                FinishAttribute();
                if (IsWs(c)) {
                    ++pos_;
                    state_ = State::kBeforeAttributeName;
                } else if (c == '/') {
                    ++pos_;
                    state_ = State::kSelfClosingStartTag;
                } else if (c == '>') {
                    ++pos_;
                    EmitTag();
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kBeforeAttributeName;
                }
                break;
            case State::kSelfClosingStartTag:
                if (c == '>') {
                    ++pos_;
                    tag_.selfClosing = true;
                    EmitTag();
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kBeforeAttributeName;
                }
                break;
            case State::kBogusComment:
                if (c == '>') {
                    ++pos_;
                    sink_.Comment();
                    state_ = State::kData;
                } else if (c == kEof) {
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                }
                break;
            case State::kMarkupDeclarationOpen:
                if (LookingAt(U"--", false)) {
                    pos_ += 2;
                    state_ = State::kCommentStart;
                } else if (LookingAt(U"doctype", true)) {
                    pos_ += 7;
                    state_ = State::kDoctype;
                } else if (LookingAt(U"[CDATA[", false)) {
                    pos_ += 7;
                    // Text inside SVG and MathML; a comment in HTML.
                    state_ = sink_.InForeignContent() ? State::kCdataSection : State::kBogusComment;
                } else {
                    state_ = State::kBogusComment;
                }
                break;
            case State::kCommentStart:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentStartDash;
                } else if (c == '>') {
                    // "<!-->"
                    ++pos_;
                    sink_.Comment();
                    state_ = State::kData;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kCommentStartDash:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentEnd;
                } else if (c == '>') {
                    // "<!--->"
                    ++pos_;
                    sink_.Comment();
                    state_ = State::kData;
                } else if (c == kEof) {
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kComment:
                if (c == '<') {
                    ++pos_;
                    state_ = State::kCommentLessThan;
                } else if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentEndDash;
                } else if (c == kEof) {
                    // A comment left open runs to the end of the file.
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                }
                break;
            case State::kCommentLessThan:
                if (c == '!') {
                    ++pos_;
                    state_ = State::kCommentLessThanBang;
                } else if (c == '<') {
                    ++pos_;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kCommentLessThanBang:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentLessThanBangDash;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kCommentLessThanBangDash:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentLessThanBangDashDash;
                } else {
                    state_ = State::kCommentEndDash;
                }
                break;
            case State::kCommentLessThanBangDashDash:
                // A nested "<!--" does not nest: the next "-->" ends it all.
                state_ = State::kCommentEnd;
                break;
            case State::kCommentEndDash:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentEnd;
                } else if (c == kEof) {
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kCommentEnd:
                if (c == '>') {
                    ++pos_;
                    sink_.Comment();
                    state_ = State::kData;
                } else if (c == '!') {
                    ++pos_;
                    state_ = State::kCommentEndBang;
                } else if (c == '-') {
                    ++pos_;
                } else if (c == kEof) {
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kCommentEndBang:
                if (c == '-') {
                    ++pos_;
                    state_ = State::kCommentEndDash;
                } else if (c == '>') {
                    // "--!>" ends a comment too.
                    ++pos_;
                    sink_.Comment();
                    state_ = State::kData;
                } else if (c == kEof) {
                    sink_.Comment();
                    sink_.EndOfFile();
                    return;
                } else {
                    state_ = State::kComment;
                }
                break;
            case State::kDoctype:
                // Every DOCTYPE state, quoted identifiers included, ends at
                // the first ">".
                if (c == '>') {
                    ++pos_;
                    sink_.Doctype();
                    state_ = State::kData;
                } else if (c == kEof) {
                    sink_.Doctype();
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                }
                break;
            case State::kCdataSection:
                if (c == ']') {
                    ++pos_;
                    state_ = State::kCdataSectionBracket;
                } else if (c == kEof) {
                    sink_.EndOfFile();
                    return;
                } else {
                    ++pos_;
                    Emit(c);
                }
                break;
            case State::kCdataSectionBracket:
                if (c == ']') {
                    ++pos_;
                    state_ = State::kCdataSectionEnd;
                } else {
                    Emit(']');
                    state_ = State::kCdataSection;
                }
                break;
            case State::kCdataSectionEnd:
                if (c == ']') {
                    ++pos_;
                    Emit(']');
                } else if (c == '>') {
                    ++pos_;
                    state_ = State::kData;
                } else {
                    Emit(']');
                    Emit(']');
                    state_ = State::kCdataSection;
                }
                break;
        }
    }
}

// ---------------------------------------------------------------------------
// Tree builder

bool In(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsHeading(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// Elements whose text stands on lines of its own.
bool IsBlock(std::string_view n) {
    return IsHeading(n) ||
           In(n, {"address", "article",  "aside",    "blockquote", "body",   "caption",
                  "center",  "dd",       "details",  "dialog",     "dir",    "div",
                  "dl",      "dt",       "fieldset", "figcaption", "figure", "footer",
                  "form",    "frameset", "head",     "header",     "hgroup", "hr",
                  "html",    "legend",   "li",       "listing",    "main",   "menu",
                  "nav",     "ol",       "optgroup", "option",     "p",      "plaintext",
                  "pre",     "section",  "summary",  "table",      "tbody",  "textarea",
                  "tfoot",   "thead",    "title",    "tr",         "ul",     "xmp"});
}

// Elements whose contents are never text.
bool IsExcluded(std::string_view n) {
    return In(n, {"script", "style", "template", "iframe", "noembed", "noframes"});
}

bool IsPreformatted(std::string_view n) {
    return In(n, {"pre", "listing", "textarea", "plaintext", "xmp"});
}

bool IsVoid(std::string_view n) {
    return In(n, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr", "img",
                  "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

bool IsSpecial(std::string_view n) {
    return IsHeading(n) ||
           In(n, {"address",    "applet",   "area",       "article",  "aside",   "base",
                  "basefont",   "bgsound",  "blockquote", "body",     "br",      "button",
                  "caption",    "center",   "col",        "colgroup", "dd",      "details",
                  "dir",        "div",      "dl",         "dt",       "embed",   "fieldset",
                  "figcaption", "figure",   "footer",     "form",     "frame",   "frameset",
                  "head",       "header",   "hgroup",     "hr",       "html",    "iframe",
                  "img",        "input",    "keygen",     "li",       "link",    "listing",
                  "main",       "marquee",  "menu",       "meta",     "nav",     "noembed",
                  "noframes",   "noscript", "object",     "ol",       "p",       "param",
                  "plaintext",  "pre",      "script",     "search",   "section", "select",
                  "source",     "style",    "summary",    "table",    "tbody",   "td",
                  "template",   "textarea", "tfoot",      "th",       "thead",   "title",
                  "tr",         "track",    "ul",         "wbr",      "xmp"});
}

bool IsFormatting(std::string_view n) {
    return In(n, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike",
                  "strong", "tt", "u"});
}

// Elements that an end tag looking for an element "in scope" does not pass.
bool IsScopeBoundary(std::string_view n) {
    return In(n,
              {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"});
}

bool IsTableScopeBoundary(std::string_view n) {
    return In(n, {"html", "table", "template"});
}

bool IsTablePart(std::string_view n) {
    return In(n, {"table", "tbody", "thead", "tfoot", "tr", "td", "th", "caption", "colgroup"});
}

// Start tags that close an open paragraph.
bool ClosesParagraph(std::string_view n) {
    return IsHeading(n) ||
           In(n,
              {"address", "article", "aside",   "blockquote", "center",     "details", "dialog",
               "dir",     "div",     "dl",      "fieldset",   "figcaption", "figure",  "footer",
               "form",    "header",  "hgroup",  "hr",         "li",         "dd",      "dt",
               "listing", "main",    "menu",    "nav",        "ol",         "p",       "plaintext",
               "pre",     "search",  "section", "summary",    "table",      "ul",      "xmp"});
}

// Start tags that leave SVG or MathML content.
bool BreaksOutOfForeignContent(const Tag& tag) {
    if (tag.name == "font") {
        return tag.Find("color") || tag.Find("face") || tag.Find("size");
    }
    return IsHeading(tag.name) ||
           In(tag.name, {"b",   "big",   "blockquote", "body",  "br",    "center", "code",   "dd",
                         "div", "dl",    "dt",         "em",    "embed", "head",   "hr",     "i",
                         "img", "li",    "listing",    "menu",  "meta",  "nobr",   "ol",     "p",
                         "pre", "ruby",  "s",          "small", "span",  "strong", "strike", "sub",
                         "sup", "table", "tt",         "u",     "ul",    "var"});
}

enum class Ns { kHtml, kSvg, kMathMl };

class TreeBuilder : public Sink {
public:
    explicit TreeBuilder(Document& doc) : doc_(doc) {}
    void Attach(Tokenizer& tokenizer) { tokenizer_ = &tokenizer; }

    void Character(char32_t c) override;
    void StartTag(Tag& tag) override;
    void EndTag(Tag& tag) override;
    void Comment() override { skipNewline_ = false; }
    void Doctype() override { skipNewline_ = false; }
    bool InForeignContent() const override {
        return !stack_.empty() && stack_.back().ns != Ns::kHtml;
    }
    void EndOfFile() override;

private:
    struct Open {
        size_t element;
        Ns ns;
    };

    static constexpr size_t kMaxDepth = 512;

    const std::string& NameOf(const Open& o) const { return doc_.elements[o.element].name; }
    // Whether the current node is the html or head element itself (or a
    // noscript in the head), where text and most tags begin the body.
    bool AtHeadLevel() const {
        if (stack_.empty()) {
            return true;
        }
        const size_t current = stack_.back().element;
        return current == html_ || current == head_ || CurrentName() == "noscript";
    }
    const std::string& CurrentName() const { return NameOf(stack_.back()); }
    bool HtmlIntegrationPoint(const Open& o) const {
        return o.ns == Ns::kSvg && In(NameOf(o), {"foreignobject", "desc", "title"});
    }
    bool MathTextIntegrationPoint(const Open& o) const {
        return o.ns == Ns::kMathMl && In(NameOf(o), {"mi", "mo", "mn", "ms", "mtext"});
    }
    // Whether a start tag is read by the foreign-content rules.
    bool ForeignRulesFor(const Tag& tag) const;

    void EnsureHtml();
    void EnsureHead();
    void EnsureBody();
    size_t Insert(const std::string& name, Ns ns);
    void PopThrough(size_t stackIndex);
    void CloseElement(const Open& o);
    // The index on the stack of the nearest open HTML element of that name
    // that is reached before an element `stop` says no to; npos otherwise.
    template <typename Stop>
    size_t FindOpen(std::string_view name, Stop stop) const;
    bool CloseIfInScope(std::string_view name);
    void HtmlStartTag(Tag& tag);
    void HtmlEndTag(const Tag& tag);

    Document& doc_;
    Tokenizer* tokenizer_ = nullptr;
    std::vector<Open> stack_;
    // How many elements of each name are open.
    std::unordered_map<std::string, int> openCount_;
    size_t html_ = kNone, head_ = kNone;
    bool headClosed_ = false;
    // Elements opened since the last text: their text begins with the next.
    std::vector<size_t> awaitingText_;
    int excluded_ = 0;
    int preformatted_ = 0;
    bool pendingSpace_ = false;
    bool pendingBreak_ = false;
    // A line feed right after "<pre>", "<listing>" or "<textarea>" is not text.
    bool skipNewline_ = false;
};

void TreeBuilder::Character(char32_t c) {
    if (skipNewline_) {
        skipNewline_ = false;
        if (c == '\n') {
            return;
        }
    }
    if (doc_.body == kNone && AtHeadLevel()) {
        if (IsWs(c)) {
            return;  // white space between the head's elements is not text
        }
        EnsureBody();
    }
    if (c == 0 || excluded_ > 0) {
        return;
    }
    if (preformatted_ == 0 && IsWs(c)) {
        pendingSpace_ = true;
        return;
    }
    std::string& text = doc_.text;
    if (!text.empty()) {
        if (pendingBreak_) {
            if (text.back() != '\n') {
                text += "\r\n";
            }
        } else if (pendingSpace_ && text.back() != ' ' && text.back() != '\n') {
            text += ' ';
        }
    }
    pendingBreak_ = pendingSpace_ = false;
    // Elements opened since the last text begin here. One that was opened
    // and closed empty in the meantime moves here with its parent, so that
    // it stays inside the parent's text.
    const size_t at = text.size();
    for (size_t index : awaitingText_) {
        Element& e = doc_.elements[index];
        if (e.textBegin == kNone) {
            e.textBegin = at;
        } else if (e.parent == kNone || doc_.elements[e.parent].textBegin == at) {
            e.textBegin = e.textEnd = at;
        }
    }
    awaitingText_.clear();
    if (c == '\n') {
        text += "\r\n";
    } else {
        text += To1252(c);
    }
}

void TreeBuilder::EnsureHtml() {
    if (html_ == kNone) {
        html_ = Insert("html", Ns::kHtml);
    }
}

void TreeBuilder::EnsureHead() {
    EnsureHtml();
    if (head_ == kNone) {
        head_ = Insert("head", Ns::kHtml);
    }
}

void TreeBuilder::EnsureBody() {
    if (doc_.body != kNone) {
        return;
    }
    EnsureHead();
    // The head and whatever is still open in it end where the body begins.
    for (size_t i = 0; i < stack_.size(); ++i) {
        if (stack_[i].element == head_) {
            PopThrough(i);
            break;
        }
    }
    headClosed_ = true;
    doc_.body = Insert("body", Ns::kHtml);
}

size_t TreeBuilder::Insert(const std::string& name, Ns ns) {
    // Past the deepest nesting kept, a new element becomes the sibling of
    // the innermost one (as browsers do), which keeps every walk down the
    // open elements short.
    if (stack_.size() >= kMaxDepth) {
        PopThrough(stack_.size() - 1);
    }
    Element e;
    e.name = name;
    e.parent = stack_.empty() ? kNone : stack_.back().element;
    e.textBegin = kNone;
    const size_t index = doc_.elements.size();
    doc_.elements.push_back(std::move(e));
    stack_.push_back({index, ns});
    ++openCount_[name];
    awaitingText_.push_back(index);
    if (excluded_ == 0) {
        if (IsBlock(name) || name == "br") {
            pendingBreak_ = true;
        } else if (name == "td" || name == "th") {
            pendingSpace_ = true;
        }
    }
    if (IsExcluded(name)) {
        ++excluded_;
    }
    if (ns == Ns::kHtml && IsPreformatted(name)) {
        ++preformatted_;
    }
    return index;
}

void TreeBuilder::CloseElement(const Open& o) {
    Element& e = doc_.elements[o.element];
    --openCount_[e.name];
    e.textEnd = doc_.text.size();
    if (e.textBegin == kNone) {
        e.textBegin = e.textEnd;
    }
    if (IsExcluded(e.name)) {
        --excluded_;
    }
    if (o.ns == Ns::kHtml && IsPreformatted(e.name)) {
        --preformatted_;
    }
    if (excluded_ == 0) {
        if (IsBlock(e.name)) {
            pendingBreak_ = true;
        } else if (e.name == "td" || e.name == "th") {
            pendingSpace_ = true;
        }
    }
}

void TreeBuilder::PopThrough(size_t stackIndex) {
    while (stack_.size() > stackIndex) {
        CloseElement(stack_.back());
        stack_.pop_back();
    }
}

template <typename Stop>
size_t TreeBuilder::FindOpen(std::string_view name, Stop stop) const {
    const auto count = openCount_.find(std::string(name));
    if (count == openCount_.end() || count->second == 0) {
        return std::string::npos;
    }
    for (size_t i = stack_.size(); i-- > 0;) {
        const Open& o = stack_[i];
        const std::string& n = NameOf(o);
        if (o.ns == Ns::kHtml && n == name) {
            return i;
        }
        if (stop(o, n)) {
            return std::string::npos;
        }
    }
    return std::string::npos;
}

bool TreeBuilder::CloseIfInScope(std::string_view name) {
    const size_t at = FindOpen(name, [&](const Open& o, const std::string& n) {
        return o.ns != Ns::kHtml || IsScopeBoundary(n) || (name == "p" && n == "button");
    });
    if (at == std::string::npos) {
        return false;
    }
    PopThrough(at);
    return true;
}

bool TreeBuilder::ForeignRulesFor(const Tag& tag) const {
    if (stack_.empty()) {
        return false;
    }
    const Open& current = stack_.back();
    if (current.ns == Ns::kHtml) {
        return false;
    }
    if (MathTextIntegrationPoint(current) && tag.name != "mglyph" && tag.name != "malignmark") {
        return false;
    }
    if (current.ns == Ns::kMathMl && NameOf(current) == "annotation-xml" && tag.name == "svg") {
        return false;
    }
    return !HtmlIntegrationPoint(current);
}

void TreeBuilder::StartTag(Tag& tag) {
    skipNewline_ = false;
    if (ForeignRulesFor(tag)) {
        if (!BreaksOutOfForeignContent(tag)) {
            Insert(tag.name, stack_.back().ns);
            if (tag.selfClosing) {
                PopThrough(stack_.size() - 1);
            }
            return;
        }
        while (!stack_.empty() && stack_.back().ns != Ns::kHtml &&
               !MathTextIntegrationPoint(stack_.back()) && !HtmlIntegrationPoint(stack_.back())) {
            PopThrough(stack_.size() - 1);
        }
    }
    HtmlStartTag(tag);
}

void TreeBuilder::HtmlStartTag(Tag& tag) {
    const std::string& name = tag.name;
    if (name == "html") {
        EnsureHtml();
        return;
    }
    if (doc_.body == kNone && AtHeadLevel()) {
        if (name == "head") {
            EnsureHead();
            return;
        }
        if (name == "body") {
            EnsureBody();
            return;
        }
        if (!headClosed_ && In(name, {"base", "basefont", "bgsound", "link", "meta", "title",
                                      "noscript", "noframes", "style", "script", "template"})) {
            EnsureHead();
        } else {
            EnsureBody();
        }
    } else if (name == "body" || name == "head") {
        return;
    }

    if (name == "svg" || name == "math") {
        Insert(name, name == "svg" ? Ns::kSvg : Ns::kMathMl);
        if (tag.selfClosing) {
            PopThrough(stack_.size() - 1);
        }
        return;
    }

    // The implicit closes of ordinary pages.
    if (name == "li" || name == "dd" || name == "dt") {
        for (size_t i = stack_.size(); i-- > 0;) {
            const std::string& n = NameOf(stack_[i]);
            const bool same = name == "li" ? n == "li" : (n == "dd" || n == "dt");
            if (stack_[i].ns == Ns::kHtml && same) {
                PopThrough(i);
                break;
            }
            if (stack_[i].ns != Ns::kHtml ||
                (IsSpecial(n) && n != "address" && n != "div" && n != "p")) {
                break;
            }
        }
    }
    if (ClosesParagraph(name)) {
        CloseIfInScope("p");
    }
    if (IsHeading(name) && !stack_.empty() && IsHeading(CurrentName())) {
        PopThrough(stack_.size() - 1);
    }
    if (name == "td" || name == "th" || name == "tr" || name == "tbody" || name == "thead" ||
        name == "tfoot" || name == "caption" || name == "colgroup") {
        // Close the open cell (a "tr" also the open row; a row group also its
        // rows) of the current table.
        const bool group = name != "td" && name != "th" && name != "tr";
        for (size_t i = stack_.size(); i-- > 0;) {
            const std::string& n = NameOf(stack_[i]);
            if (stack_[i].ns != Ns::kHtml || IsTableScopeBoundary(n)) {
                break;
            }
            if (n == "td" || n == "th" || (name != "td" && name != "th" && n == "tr") ||
                (group && In(n, {"tbody", "thead", "tfoot", "caption", "colgroup"}))) {
                PopThrough(i);
            }
        }
    }
    if (name == "option" || name == "optgroup") {
        if (CurrentName() == "option") {
            PopThrough(stack_.size() - 1);
        }
        if (name == "optgroup" && CurrentName() == "optgroup") {
            PopThrough(stack_.size() - 1);
        }
    }
    if (name == "a" || name == "nobr" || name == "button" || name == "select") {
        // These do not nest: a second one ends the first.
        const size_t at = FindOpen(name, [](const Open& o, const std::string& n) {
            return o.ns != Ns::kHtml || IsScopeBoundary(n);
        });
        if (at != std::string::npos) {
            PopThrough(at);
        }
    }

    const std::string elementName = name == "image" ? "img" : name;
    Insert(elementName, Ns::kHtml);
    if (IsVoid(elementName)) {
        PopThrough(stack_.size() - 1);
        return;
    }
    if (name == "title" || name == "textarea") {
        tokenizer_->SwitchTo(State::kRcdata);
    } else if (In(name, {"style", "xmp", "iframe", "noembed", "noframes"})) {
        tokenizer_->SwitchTo(State::kRawtext);
    } else if (name == "script") {
        tokenizer_->SwitchTo(State::kScriptData);
    } else if (name == "plaintext") {
        tokenizer_->SwitchTo(State::kPlaintext);
    }
    if (name == "pre" || name == "listing" || name == "textarea") {
        skipNewline_ = true;
    }
}

void TreeBuilder::EndTag(Tag& tag) {
    skipNewline_ = false;
    if (InForeignContent()) {
        // Closes the nearest foreign element of that name (any case) until
        // an HTML element is reached, which the HTML rules then handle.
        for (size_t i = stack_.size(); i-- > 0;) {
            const Open& o = stack_[i];
            if (o.ns == Ns::kHtml) {
                break;
            }
            std::string lowered = NameOf(o);
            for (char& ch : lowered) {
                ch = AsciiLower(ch);
            }
            if (lowered == tag.name) {
                PopThrough(i);
                return;
            }
        }
    }
    HtmlEndTag(tag);
}

void TreeBuilder::HtmlEndTag(const Tag& tag) {
    const std::string& name = tag.name;
    if (doc_.body == kNone) {
        if (name == "head") {
            EnsureHead();
            for (size_t i = 0; i < stack_.size(); ++i) {
                if (stack_[i].element == head_) {
                    PopThrough(i);
                    break;
                }
            }
            headClosed_ = true;
            return;
        }
        if (name != "body" && name != "html" && name != "br") {
            // Other end tags before the body are ignored, except those that
            // close an element of the head.
            const size_t at = FindOpen(name, [](const Open&, const std::string&) { return false; });
            if (at != std::string::npos && stack_[at].element != html_ &&
                stack_[at].element != head_) {
                PopThrough(at);
            }
            return;
        }
        EnsureBody();
    }
    if (name == "body" || name == "html") {
        return;  // later content still belongs to the body
    }
    if (name == "br") {
        // "</br>" is a line break as "<br>" is.
        Insert("br", Ns::kHtml);
        PopThrough(stack_.size() - 1);
        return;
    }
    if (name == "p") {
        if (!CloseIfInScope("p") && excluded_ == 0) {
            pendingBreak_ = true;  // "</p>" alone is an empty paragraph
        }
        return;
    }
    size_t at;
    if (IsTablePart(name)) {
        at = FindOpen(name, [&](const Open& o, const std::string& n) {
            return o.ns != Ns::kHtml || (IsTableScopeBoundary(n) && n != name);
        });
    } else if (IsSpecial(name) || IsFormatting(name)) {
        at = FindOpen(name, [](const Open& o, const std::string& n) {
            return o.ns != Ns::kHtml || IsScopeBoundary(n);
        });
    } else {
        at = FindOpen(name, [](const Open& o, const std::string& n) {
            return o.ns != Ns::kHtml || IsSpecial(n);
        });
    }
    if (at != std::string::npos && stack_[at].element != html_ && stack_[at].element != doc_.body) {
        PopThrough(at);
    }
}

void TreeBuilder::EndOfFile() {
    EnsureBody();
    PopThrough(0);
}

// Looks at the start tags of the first bytes for the page's declared charset.
class MetaScanner : public Sink {
public:
    std::string label;

    void Character(char32_t) override {}
    void StartTag(Tag& tag) override {
        if (!label.empty() || tag.name != "meta") {
            return;
        }
        if (const Attribute* charset = tag.Find("charset")) {
            label = charset->value;
            return;
        }
        const Attribute* equiv = tag.Find("http-equiv");
        const Attribute* content = tag.Find("content");
        if (equiv != nullptr && content != nullptr) {
            std::string lowered = equiv->value;
            for (char& ch : lowered) {
                ch = AsciiLower(ch);
            }
            if (lowered == "content-type") {
                label = CharsetOfContentType(content->value);
            }
        }
    }
    void EndTag(Tag&) override {}
    void Comment() override {}
    void Doctype() override {}
    bool InForeignContent() const override { return false; }
    void EndOfFile() override {}
};

std::string DeclaredEncoding(std::string_view bytes) {
    std::u32string head;
    Decode1252(bytes.substr(0, 1024), head);
    MetaScanner scanner;
    Tokenizer tokenizer(head, scanner);
    tokenizer.Run();
    std::string encoding = EncodingOfLabel(scanner.label);
    // A page that says it is UTF-16 was read as ASCII to find that out, so
    // it is not; the HTML standard reads it as UTF-8.
    if (encoding == "utf-16le" || encoding == "utf-16be") {
        encoding = "utf-8";
    }
    return encoding;
}

}  // namespace

std::string EncodingOfLabel(std::string_view label) {
    while (!label.empty() && IsAsciiWs(label.front())) {
        label.remove_prefix(1);
    }
    while (!label.empty() && IsAsciiWs(label.back())) {
        label.remove_suffix(1);
    }
    std::string l(label);
    for (char& ch : l) {
        ch = AsciiLower(ch);
    }
    if (In(l, {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8",
               "x-unicode20utf8"})) {
        return "utf-8";
    }
    if (In(l, {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
               "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1",
               "latin1", "us-ascii", "windows-1252", "x-cp1252", "x-user-defined"})) {
        return "windows-1252";
    }
    if (In(l, {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16",
               "utf-16le"})) {
        return "utf-16le";
    }
    if (In(l, {"unicodefffe", "utf-16be"})) {
        return "utf-16be";
    }
    return {};
}

std::string CharsetOfContentType(std::string_view contentType) {
    // The first "charset" followed, after blanks, by "=".
    std::string lowered(contentType);
    for (char& ch : lowered) {
        ch = AsciiLower(ch);
    }
    for (size_t at = lowered.find("charset"); at != std::string::npos;
         at = lowered.find("charset", at + 1)) {
        size_t i = at + 7;
        while (i < lowered.size() && IsAsciiWs(lowered[i])) {
            ++i;
        }
        if (i >= lowered.size() || lowered[i] != '=') {
            continue;
        }
        ++i;
        while (i < lowered.size() && IsAsciiWs(lowered[i])) {
            ++i;
        }
        if (i < lowered.size() && (lowered[i] == '"' || lowered[i] == '\'')) {
            const char quote = lowered[i];
            const size_t end = lowered.find(quote, i + 1);
            if (end == std::string::npos) {
                return {};
            }
            return std::string(contentType.substr(i + 1, end - i - 1));
        }
        size_t end = i;
        while (end < lowered.size() && !IsAsciiWs(lowered[end]) && lowered[end] != ';') {
            ++end;
        }
        return std::string(contentType.substr(i, end - i));
    }
    return {};
}

Document ParseHtml(std::string_view bytes) {
    return ParseHtml(bytes, {});
}

Document ParseHtml(std::string_view bytes, std::string_view charset) {
    Document doc;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.encoding = "utf-8";
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        doc.encoding = "utf-16be";
        bytes.remove_prefix(2);
    } else if (bytes.substr(0, 2) == "\xFF\xFE") {
        doc.encoding = "utf-16le";
        bytes.remove_prefix(2);
    } else {
        doc.encoding = EncodingOfLabel(charset);
        if (doc.encoding.empty()) {
            doc.encoding = DeclaredEncoding(bytes);
        }
        if (doc.encoding.empty()) {
            doc.encoding = "windows-1252";
        }
    }
    std::u32string input;
    if (doc.encoding == "utf-8") {
        DecodeUtf8(bytes, input);
    } else if (doc.encoding == "utf-16le" || doc.encoding == "utf-16be") {
        DecodeUtf16(bytes, doc.encoding == "utf-16be", input);
    } else {
        Decode1252(bytes, input);
    }
    NormalizeNewlines(input);
    TreeBuilder builder(doc);
    Tokenizer tokenizer(input, builder);
    builder.Attach(tokenizer);
    tokenizer.Run();
    return doc;
}

}  // namespace quellon::html
