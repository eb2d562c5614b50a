#include "scan/company_name.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace quellon::scan {
namespace {

using namespace std::string_view_literals;

// The keys as plain text and as UTF-16 text (each character followed by a
// zero byte).
constexpr std::string_view kWideInfoKey = "S\0t\0r\0i\0n\0g\0F\0i\0l\0e\0I\0n\0f\0o\0"sv;
constexpr std::string_view kPlainInfoKey = "StringFileInfo"sv;
constexpr std::string_view kPlainCompanyKey = "CompanyName"sv;
constexpr std::string_view kWideCompanyKey = "C\0o\0m\0p\0a\0n\0y\0N\0a\0m\0e\0"sv;
constexpr std::string_view kPlainNextKey = "FileDescription"sv;
constexpr std::string_view kWideNextKey = "F\0i\0l\0e\0D\0e\0s\0c\0r\0i\0p\0t\0i\0o\0n\0"sv;
// Where a value starts after its key.
constexpr size_t kPlainValueOffset = 12;
constexpr size_t kWideValueOffset = 26;
constexpr size_t kLongestKey = kWideInfoKey.size();

// A key searched for with the Boyer-Moore-Horspool skip table, built once.
class Key {
public:
    explicit Key(std::string_view text) : text_(text), searcher_(text.begin(), text.end()) {}
    size_t Size() const { return text_.size(); }
    // The first place of the key in `hay` at or after `from`.
    size_t In(std::string_view hay, size_t from) const {
        if (from > hay.size()) {
            return std::string_view::npos;
        }
        const auto begin = hay.begin() + static_cast<std::ptrdiff_t>(from);
        const auto at = std::search(begin, hay.end(), searcher_);
        return at == hay.end() ? std::string_view::npos : static_cast<size_t>(at - hay.begin());
    }

private:
    std::string_view text_;
    std::boyer_moore_horspool_searcher<std::string_view::const_iterator> searcher_;
};

const Key& KeyFor(int which) {
    static const Key keys[] = {Key(kWideInfoKey), Key(kPlainInfoKey), Key(kPlainCompanyKey),
                               Key(kWideCompanyKey)};
    return keys[which];
}

// Bytes kept from a company key on: the key, its value and the 255 bytes
// after the value's start that an empty value is measured in.
constexpr size_t kCaptured = kWideValueOffset + CompanyNameSearch::kLongestValue + 256 + 3;

}  // namespace

CompanyNameSearch::CompanyNameSearch() = default;

void CompanyNameSearch::Start(Capture& capture, std::uint64_t at, std::string_view from) {
    capture.at = at;
    capture.bytes.assign(from.substr(0, kCaptured));
}

void CompanyNameSearch::Found(Which key, std::uint64_t at, std::string_view from) {
    switch (key) {
        case kWideInfo:
            if (wideInfo_ == kNowhere) {
                wideInfo_ = at;
            }
            break;
        case kPlainInfo:
            if (plainInfo_ == kNowhere) {
                plainInfo_ = at;
            }
            break;
        case kPlainCompany:
            if (!plainCompany_.Set()) {
                Start(plainCompany_, at, from);
            }
            if (plainInfo_ != kNowhere && at >= plainInfo_ && !plainCompanyAfterInfo_.Set()) {
                Start(plainCompanyAfterInfo_, at, from);
            }
            break;
        case kWideCompany:
            if (!wideCompany_.Set()) {
                Start(wideCompany_, at, from);
            }
            if (plainInfo_ != kNowhere && at >= plainInfo_ && !wideCompanyAfterPlainInfo_.Set()) {
                Start(wideCompanyAfterPlainInfo_, at, from);
            }
            if (wideInfo_ != kNowhere && at >= wideInfo_ && !wideCompanyAfterWideInfo_.Set()) {
                Start(wideCompanyAfterWideInfo_, at, from);
            }
            break;
        case kKeys:
            break;
    }
}

void CompanyNameSearch::Feed(std::string_view bytes) {
    if (fed_ >= kSearchedBytes) {
        return;
    }
    if (bytes.size() > kSearchedBytes - fed_) {
        bytes = bytes.substr(0, static_cast<size_t>(kSearchedBytes - fed_));
    }
    // Captures begun before this piece go on with it.
    for (Capture* c : {&plainCompany_, &plainCompanyAfterInfo_, &wideCompany_,
                       &wideCompanyAfterPlainInfo_, &wideCompanyAfterWideInfo_}) {
        if (c->Set() && c->bytes.size() < kCaptured) {
            c->bytes.append(bytes.substr(0, kCaptured - c->bytes.size()));
        }
    }
    // The places of every key in this piece, including those that begin in
    // the tail of the one before, in the order of the file.
    struct Place {
        std::uint64_t at;
        Which key;
        // Where the key begins: in the tail (a position there) or in this
        // piece.
        bool inTail;
        size_t offset;
    };
    std::vector<Place> places;
    // The first piece has no tail before it, and most files are one piece.
    std::string seam;
    if (!tail_.empty()) {
        seam.reserve(tail_.size() + kLongestKey - 1);
        seam.append(tail_).append(bytes.substr(0, kLongestKey - 1));
    }
    const std::uint64_t tailStart = fed_ - tail_.size();
    for (int k = 0; k < kKeys; ++k) {
        const Key& key = KeyFor(k);
        for (size_t p = tail_.empty() ? std::string_view::npos : key.In(seam, 0);
             p != std::string_view::npos && p < tail_.size(); p = key.In(seam, p + 1)) {
            if (p + key.Size() > tail_.size()) {
                places.push_back({tailStart + p, static_cast<Which>(k), true, p});
            }
        }
        for (size_t p = key.In(bytes, 0); p != std::string_view::npos; p = key.In(bytes, p + 1)) {
            places.push_back({fed_ + p, static_cast<Which>(k), false, p});
        }
    }
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.at < b.at; });
    for (const Place& place : places) {
        if (place.inTail) {
            const std::string from =
                tail_.substr(place.offset) +
                std::string(bytes.substr(0, kCaptured - (tail_.size() - place.offset)));
            Found(place.key, place.at, from);
        } else {
            Found(place.key, place.at, bytes.substr(place.offset));
        }
    }
    fed_ += bytes.size();
    // The last bytes fed, as many as a key could begin in and not end.
    constexpr size_t kTail = kLongestKey - 1;
    if (bytes.size() >= kTail) {
        tail_.assign(bytes.substr(bytes.size() - kTail));
    } else {
        tail_.append(bytes);
        if (tail_.size() > kTail) {
            tail_.erase(0, tail_.size() - kTail);
        }
    }
}

bool CompanyNameSearch::Done() const {
    // Once a wide info key is found, the first wide company key after it
    // decides; otherwise a wide info key later on could still decide.
    return fed_ >= kSearchedBytes || (wideInfo_ != kNowhere && wideCompanyAfterWideInfo_.Set() &&
                                      wideCompanyAfterWideInfo_.bytes.size() >= kCaptured);
}

std::string CompanyNameSearch::ValueAt(const Capture& capture, size_t offset,
                                       std::string_view nextKey) {
    const std::string_view bytes = capture.bytes;
    const size_t start = offset;
    if (start > bytes.size()) {
        return {};
    }
    const size_t end = bytes.find("\0\0\0"sv, start);
    if (end == std::string_view::npos) {
        return {};
    }
    std::string_view value = bytes.substr(start, end - start);
    if (value.find(nextKey) != std::string_view::npos) {
        // The value was empty and the search ran into the next entry: the
        // value ends before the first control character after its start.
        for (size_t i = 1; i <= 255 && start + i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[start + i]) < 32) {
                value = bytes.substr(start, i - 1);
                break;
            }
        }
    }
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        if (ch != '\0') {
            out += ch;
        }
    }
    return out;
}

std::string CompanyNameSearch::Finish() const {
    if (wideInfo_ != kNowhere) {
        return wideCompanyAfterWideInfo_.Set()
                   ? ValueAt(wideCompanyAfterWideInfo_, kWideValueOffset, kWideNextKey)
                   : std::string();
    }
    // Without a wide info key: the plain company key from the plain info key
    // on (from the start without one), else the wide company key from there.
    const bool plainInfo = plainInfo_ != kNowhere;
    const Capture& plain = plainInfo ? plainCompanyAfterInfo_ : plainCompany_;
    if (plain.Set()) {
        return ValueAt(plain, kPlainValueOffset, kPlainNextKey);
    }
    const Capture& wide = plainInfo ? wideCompanyAfterPlainInfo_ : wideCompany_;
    return wide.Set() ? ValueAt(wide, kWideValueOffset, kWideNextKey) : std::string();
}

std::string CompanyNameFromBytes(std::string_view bytes) {
    CompanyNameSearch search;
    search.Feed(bytes);
    return search.Finish();
}

std::string CompanyNameFromReader(platform::ByteReader& reader) {
    CompanyNameSearch search;
    // One buffer for every file this thread reads: a scan reads tens of
    // thousands of small files, and clearing 64 KiB for each cost more than
    // reading it.
    static thread_local char piece[size_t{64} << 10];
    while (!search.Done()) {
        const size_t n = reader.Read(piece, sizeof piece);
        if (n == 0) {
            break;
        }
        search.Feed(std::string_view(piece, n));
    }
    return search.Finish();
}

std::string ToWideBytes(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        out += ch;
        out += '\0';
    }
    return out;
}

}  // namespace quellon::scan
