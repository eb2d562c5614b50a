// Wine's registry files (system.reg, user.reg, userdef.reg): the text format
// "WINE REGISTRY Version 2" that wineserver writes. A document keeps every
// byte it was read from; a change rewrites only the lines of the keys and
// values it touches, so that writing a document that was not changed gives
// back the very bytes it was read from.
//
// The format: a header line, ";; All keys relative to <path>", "#arch=...",
// then one block per key: "[Escaped\\Path] <seconds since 1970>", option
// lines ("#time=<FILETIME in hex>", "#class=...", "#link") and one line per
// value: @ or "name", "=", then "text" (REG_SZ), str(<type>):"text",
// dword:<hex>, hex:<bytes> or hex(<type>):<bytes>, long byte lists going on
// over lines that end in "\". Texts use C escapes (\\ \" \n \t \x<hex>
// \<octal> ...); everything outside ASCII is written as \x escapes. Keys that
// only hold sub-keys have no block of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quellon::formats::winereg {

// Registry text as Wine holds it: UTF-16 code units.
using Text = std::u16string;
using TextView = std::u16string_view;

inline constexpr std::uint32_t kTypeLink = 6;  // REG_LINK, a symbolic link's target

// The value of a key as the Unicode registry API gives it: strings are
// UTF-16LE bytes with their terminating NUL.
struct Value {
    Text name;  // empty: the key's default value
    std::uint32_t type = 0;
    std::string data;
};

// The case folding of names: Wine compares names without regard to case.
char16_t FoldChar(char16_t c);
bool EqualsNoCase(TextView a, TextView b);

struct Line;
struct Block;

class Key {
public:
    Key(Text name, Key* parent) : name_(std::move(name)), parent_(parent) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    const Text& Name() const { return name_; }
    Key* Parent() const { return parent_; }
    // The sub-key of that name, found without regard to case.
    Key* Child(TextView name) const;
    const std::vector<Key*>& Children() const { return order_; }
    const Value* FindValue(TextView name) const;
    // The values in the order the file lists them (a name listed twice
    // counts once, with the later data, as Wine reads it).
    std::vector<const Value*> Values() const;
    // A symbolic link ("#link"): its target, the absolute path of its
    // "SymbolicLinkValue" ("\REGISTRY\Machine\...").
    bool IsLink() const { return link_; }
    std::optional<Text> LinkTarget() const;

private:
    friend class Document;
    struct Slot {
        Value value;
        // Every line of the files that sets this value; the last one counts.
        std::vector<Line*> lines;
    };
    Slot* FindSlot(TextView name);
    const Slot* FindSlot(TextView name) const;

    Text name_;
    Key* parent_;
    bool link_ = false;
    std::unordered_map<Text, std::unique_ptr<Key>> children_;  // by folded name
    std::vector<Key*> order_;
    std::vector<Slot> values_;
    std::vector<Block*> blocks_;  // the blocks of this key, in file order
};

class Document {
public:
    Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    ~Document();

    // Reads a file's bytes. Nothing is refused: lines that cannot be
    // understood are kept as they are and otherwise passed over, as Wine
    // passes them over.
    static Document Parse(std::string_view bytes);
    // A document for a new file: the header, "relative to" and arch lines.
    static Document New(TextView relativeTo, std::string_view arch);
    // The file's bytes: the bytes read, with the changes made since.
    std::string Write() const;

    // Whether the bytes start with Wine's header; Wine loads nothing from a
    // file that does not.
    bool Valid() const { return valid_; }
    // The path of the file's root, as its "All keys relative to" line names
    // it ("REGISTRY\Machine"), with the escapes undone; empty when missing.
    const Text& RelativeTo() const { return relativeTo_; }
    // The "#arch=" value of the file ("win64"); empty when missing.
    const std::string& Arch() const { return arch_; }

    Key& Root() { return *root_; }
    const Key& Root() const { return *root_; }
    // A key by its path below the root ("A\B"; empty parts are skipped).
    Key* Find(TextView path) const;

    // Changes. `now` is the time of the change (a FILETIME: 100 ns units
    // since 1601), written into the time stamps of the keys changed.
    // The key, created with its parents when missing.
    Key& Create(TextView path, std::uint64_t now);
    void SetValue(Key& key, const Value& value, std::uint64_t now);
    bool DeleteValue(Key& key, TextView name, std::uint64_t now);
    // Removes the key with its sub-keys; false for the root.
    bool DeleteTree(Key& key, std::uint64_t now);

    // The line a value is written as ("name"=..., with its line end).
    static std::string ValueLine(const Value& value, std::string_view lineEnd = "\n");

private:
    void Reset();
    Key* Node(TextView path, bool create, bool* created = nullptr);
    Block& BlockFor(Key& key, std::uint64_t now);
    void Touch(Key& key, std::uint64_t now);
    void Insert(std::unique_ptr<Block> block);
    void Remove(Key& key);

    std::unique_ptr<Key> root_;
    std::vector<std::unique_ptr<Block>> blocks_;  // blocks_[0]: the lines before the first key
    bool valid_ = false;
    Text relativeTo_;
    std::string arch_;
    std::string lineEnd_ = "\n";
};

// Text conversions for the callers: UTF-16LE bytes and code units.
Text FromUtf16Le(std::string_view bytes);
std::string ToUtf16Le(TextView text);
// Windows-1252 text and UTF-16 (unmappable characters become '?').
Text FromAnsi(std::string_view ansi);
std::string ToAnsi(TextView text);

}  // namespace quellon::formats::winereg
