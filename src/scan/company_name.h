// The company name in an executable's version data, searched while the file
// streams past in pieces of any size: memory stays the same whatever the
// file's size.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace quellon::scan {

class CompanyNameSearch {
public:
    // Version data sits in an executable's resources; in a larger file only
    // the beginning is searched.
    static constexpr std::uint64_t kSearchedBytes = std::uint64_t{256} << 20;
    // A value runs to three zero bytes; one that runs on longer than this is
    // no company name and reads as none.
    static constexpr size_t kLongestValue = size_t{64} << 10;

    CompanyNameSearch();
    // The next bytes of the file.
    void Feed(std::string_view bytes);
    // Whether the bytes fed so far decide the name, so that the rest of the
    // file need not be read.
    bool Done() const;
    // The company name, empty when the version data names none.
    std::string Finish() const;

private:
    // What a key's first place in the file is searched for.
    enum Which { kWideInfo, kPlainInfo, kPlainCompany, kWideCompany, kKeys };
    // A place where a company key was found, with the bytes from it on.
    struct Capture {
        std::uint64_t at = kNowhere;
        std::string bytes;
        bool Set() const { return at != kNowhere; }
    };
    static constexpr std::uint64_t kNowhere = ~std::uint64_t{0};

    void Found(Which key, std::uint64_t at, std::string_view from);
    void Start(Capture& capture, std::uint64_t at, std::string_view from);
    static std::string ValueAt(const Capture& capture, size_t offset, std::string_view nextKey);

    std::uint64_t fed_ = 0;
    // The last bytes of the previous piece: a key may straddle two pieces.
    std::string tail_;
    std::uint64_t wideInfo_ = kNowhere, plainInfo_ = kNowhere;
    // The first plain company key anywhere and the first after the first
    // plain info key; the first wide company key anywhere, after the first
    // plain info key and after the first wide info key.
    Capture plainCompany_, plainCompanyAfterInfo_;
    Capture wideCompany_, wideCompanyAfterPlainInfo_, wideCompanyAfterWideInfo_;
};

// The company name in a file's bytes.
std::string CompanyNameFromBytes(std::string_view bytes);
// The company name of a file read from its start, no further than needed.
std::string CompanyNameFromReader(platform::ByteReader& reader);
// The UTF-16LE image of one-byte text: each byte followed by a zero byte.
std::string ToWideBytes(std::string_view text);

}  // namespace quellon::scan
