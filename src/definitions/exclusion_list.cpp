#include "definitions/exclusion_list.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "definitions/definition_set.h"

namespace quellon::definitions {

bool MatchesFirstOccurrence(std::string_view upperText, std::string_view name) {
    if (upperText.empty()) {
        return false;
    }
    const std::string upperName = text::Upper(name);
    const size_t at = upperText.find(upperName);
    if (at == std::string_view::npos) {
        return false;
    }
    const size_t end = upperText.find(text::kCrLf, at + 1);
    const std::string_view rest =
        upperText.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    return text::TrimView(rest) == text::TrimView(upperName);
}

ExclusionList::ExclusionList(platform::FileSystem& fs, ui::Host& host, std::string programFolder)
    : fs_(fs), host_(host), folder_(std::move(programFolder)) {
    upperEntries_.insert(std::string());
}

std::string ExclusionList::FilePath() const {
    return JoinPath(folder_, kExclusionFileName);
}

void ExclusionList::Load() {
    std::vector<std::string> lines;
    if (fs_.LookupFile(FilePath())) {
        if (auto reader = fs_.OpenLines(FilePath())) {
            std::string line;
            while (reader->Next(line)) {
                lines.push_back(std::move(line));
                host_.DoEvents();
            }
        }
    }
    Build(lines);
}

void ExclusionList::Build(const std::vector<std::string>& fileLines) {
    text_.clear();
    upperText_.clear();
    upperEntries_.clear();
    const auto add = [this](std::string_view line) {
        const std::string_view entry = text::TrimView(line);
        text_ += entry;
        text_ += text::kCrLf;
        upperEntries_.insert(text::Upper(entry));
    };
    // What could not be stored counts as the newest lines.
    for (auto it = unsaved_.rbegin(); it != unsaved_.rend(); ++it) {
        add(*it);
    }
    for (auto it = fileLines.rbegin(); it != fileLines.rend(); ++it) {
        add(*it);
    }
    upperText_ = text::Upper(text_);
    longestEntry_ = 0;
    for (const std::string& e : upperEntries_) {
        longestEntry_ = std::max(longestEntry_, e.size());
    }
    // Splitting the text at CR LF always leaves an empty last piece.
    upperEntries_.insert(std::string());
}

bool ExclusionList::Append(std::string_view entry) {
    std::string line;
    // A file edited by hand may lack its last line end; the new entry must
    // still start a line of its own.
    if (auto existing = fs_.ReadAll(FilePath());
        existing && !existing->empty() && existing->back() != '\n' && existing->back() != '\r') {
        line += text::kCrLf;
    }
    line += text::Trim(entry);
    line += text::kCrLf;
    const bool stored = fs_.Append(FilePath(), line);
    if (!stored) {
        unsaved_.push_back(text::Trim(entry));
    }
    Load();
    return stored;
}

bool ExclusionList::IsExcludedEntry(std::string_view name) const {
    if (name.size() > longestEntry_) {
        return false;  // longer than every line
    }
    // Upper-cased into a reused buffer: the scans ask this for every line.
    thread_local std::string upper;
    upper.resize(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        upper[i] = text::UpperChar(name[i]);
    }
    return upperEntries_.count(upper) != 0;
}

bool ExclusionList::IsExcluded(std::string_view name) const {
    return MatchesFirstOccurrence(upperText_, name);
}

}  // namespace quellon::definitions
