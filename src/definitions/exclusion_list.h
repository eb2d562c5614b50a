// The user's exclusion list: ENoSignature.txt in the program folder and its
// in-memory copy, newest line first.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "ui/host.h"

namespace quellon::definitions {

inline constexpr std::string_view kExclusionFileName = "ENoSignature.txt";

// The first-occurrence test shared by the exclusion list and the executable
// definitions: the first place the name occurs in the CR LF separated text
// (ignoring case) must run to the end of its line, so a line matches when it
// equals the name or ends with it. `upperText` must already be upper-cased.
bool MatchesFirstOccurrence(std::string_view upperText, std::string_view name);

class ExclusionList {
public:
    ExclusionList(platform::FileSystem& fs, ui::Host& host, std::string programFolder);

    std::string FilePath() const;
    // Rebuilds the in-memory text from the file.
    void Load();
    // Rebuilds it from the file's lines in file order (what Load reads).
    void Build(const std::vector<std::string>& fileLines);
    // Appends the trimmed entry as a new line (creating the file) and reloads.
    // False when the file could not be written: the entry is then kept in
    // memory for as long as the program runs, so the user's choice holds
    // until the next start, and the caller says that it was not stored.
    bool Append(std::string_view entry);

    // Whole-entry test: some line equals the name, ignoring case. The name is
    // not trimmed.
    bool IsExcludedEntry(std::string_view name) const;
    // First-occurrence test used for process names.
    bool IsExcluded(std::string_view name) const;

    // Every line trimmed and followed by CR LF, last line of the file first.
    const std::string& Text() const { return text_; }

private:
    platform::FileSystem& fs_;
    ui::Host& host_;
    std::string folder_;
    std::vector<std::string> unsaved_;  // entries the file would not take, oldest first
    std::string text_;
    std::string upperText_;
    std::unordered_set<std::string> upperEntries_;
    size_t longestEntry_ = 0;  // the longest of upperEntries_
};

}  // namespace quellon::definitions
