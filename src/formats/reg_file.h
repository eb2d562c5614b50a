// The registry as a tree of keys, read from and written to the text format
// that regedit exports ("Windows Registry Editor Version 5.00" or "REGEDIT4").
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/registry_data.h"

namespace quellon::formats::reg {

// One key: its sub-keys and values, both found by name without regard to case
// (the first spelling is kept).
class Key {
public:
    Key(std::string name, Key* parent) : name_(std::move(name)), parent_(parent) {}

    const std::string& Name() const { return name_; }
    Key* Parent() const { return parent_; }

    Key* Child(std::string_view name) const;
    // The sub-key of that name, added when missing.
    Key& AddChild(std::string_view name, bool* created = nullptr);
    bool RemoveChild(std::string_view name);
    const std::vector<Key*>& Children() const { return order_; }

    struct Value {
        std::string name;
        RegValue value;
    };
    const RegValue* FindValue(std::string_view name) const;
    void SetValue(std::string_view name, RegValue value);
    bool DeleteValue(std::string_view name);
    const std::vector<Value>& Values() const { return values_; }

private:
    std::string name_;
    Key* parent_;
    // Hashing and comparing names without regard to case, so that a name
    // is looked up as given, without an upper-cased copy.
    struct NoCaseHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::unordered_map<std::string, std::unique_ptr<Key>, NoCaseHash, NoCaseEqual>
        children_;  // by upper-cased name
    std::vector<Key*> order_;
    std::vector<Value> values_;
};

// The hives with their keys.
class Tree {
public:
    Tree();
    // The root key of a hive; nullptr for an unknown hive code.
    Key* Root(Hive hive);
    // A key by its path below the hive ("A\B"; empty parts are skipped, so
    // "" is the hive itself); nullptr when missing.
    Key* Find(Hive hive, std::string_view path);
    // The key, created with its parents when missing; nullptr for an unknown hive.
    Key* Create(Hive hive, std::string_view path, bool* created = nullptr);

    struct HiveRoot {
        Hive hive;
        std::unique_ptr<Key> root;
    };
    const std::vector<HiveRoot>& Hives() const { return hives_; }

private:
    std::vector<HiveRoot> hives_;
};

struct File {
    Tree tree;
    bool utf16 = false;     // UTF-16LE with a byte-order mark
    bool regedit4 = false;  // the older "REGEDIT4" header (strings in hex are ANSI)
};

// Reads a file's bytes; lines that cannot be understood are skipped.
void Parse(std::string_view bytes, File& file);
// The file's bytes in its own encoding, CR LF line ends.
std::string Write(const File& file);

}  // namespace quellon::formats::reg
