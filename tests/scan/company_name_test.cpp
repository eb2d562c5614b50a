// The company name read from an executable's version data.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scanners.h"

namespace quellon::testing {
namespace {

// A file body carrying a version block whose company is `company`, laid out
// as the version resource of an executable stores it (UTF-16LE).
std::string WithCompany(std::string_view company) {
    auto wide = [](std::string_view s) {
        std::string w;
        for (char c : s) {
            w += c;
            w += '\0';
        }
        return w;
    };
    std::string body = "MZ fake executable";
    body += wide("StringFileInfo");
    body += std::string(8, '\0');
    body += std::string("\x30\x00\x0c\x00\x01\x00", 6);
    body += wide("CompanyName") + std::string(2, '\0') + std::string(2, '\0');
    body += wide(company) + std::string(2, '\0');
    body += std::string(2, '\0') + wide("FileDescription") + std::string(4, '\0');
    return body;
}

TEST(CompanyNameTest, Reader) {
    // A value that runs on past 64 KiB without its three zero bytes is none.
    EXPECT_EQ(scan::CompanyNameFromBytes(WithCompany(std::string(70000, 'A'))), "");
    EXPECT_EQ(scan::CompanyNameFromBytes(WithCompany("Acme Adware Inc")), "Acme Adware Inc");
    EXPECT_EQ(scan::CompanyNameFromBytes("no version data here"), "");
    // A file written by a tool that stores the entries as plain text.
    EXPECT_EQ(scan::CompanyNameFromBytes(std::string("StringFileInfo..CompanyName") + '\0' +
                                         "Plain Co" + std::string(3, '\0')),
              "Plain Co");
    // An empty value runs into the next key: the value stops at the first
    // control character.
    std::string empty = scan::ToWideBytes("StringFileInfo") + scan::ToWideBytes("CompanyName") +
                        std::string(6, '\0') + std::string("\x30\x00\x0c\x00\x01\x00", 6) +
                        scan::ToWideBytes("FileDescription") + "x" + std::string(3, '\0');
    EXPECT_EQ(scan::CompanyNameFromBytes(empty), "");
    EXPECT_EQ(scan::ToWideBytes("ab"), std::string("a\0b\0", 4));
}

// Company-name search as first written: each key looked for with a plain
// search, the whole file searched.
std::string ReferenceCompanyName(std::string_view bytes) {
    const std::string wideInfo = scan::ToWideBytes("StringFileInfo");
    const std::string wideCompany = scan::ToWideBytes("CompanyName");
    const std::string wideNext = scan::ToWideBytes("FileDescription");
    size_t searchFrom = 0;
    size_t key = std::string_view::npos;
    size_t valueOffset = 0;
    std::string nextKey;
    const size_t wideAt = bytes.find(wideInfo);
    if (wideAt == std::string_view::npos) {
        const size_t plainAt = bytes.find("StringFileInfo");
        searchFrom = plainAt == std::string_view::npos ? 0 : plainAt;
        key = bytes.find("CompanyName", searchFrom);
        valueOffset = 12;
        nextKey = "FileDescription";
    } else {
        searchFrom = wideAt;
    }
    if (key == std::string_view::npos) {
        key = bytes.find(wideCompany, searchFrom);
        valueOffset = 26;
        nextKey = wideNext;
    }
    if (key == std::string_view::npos || key + valueOffset > bytes.size()) {
        return {};
    }
    const size_t start = key + valueOffset;
    const size_t end = bytes.find(std::string_view("\0\0\0", 3), start);
    if (end == std::string_view::npos) {
        return {};
    }
    std::string_view value = bytes.substr(start, end - start);
    if (value.find(nextKey) != std::string_view::npos) {
        for (size_t i = 1; i <= 255 && start + i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[start + i]) < 32) {
                value = bytes.substr(start, i - 1);
                break;
            }
        }
    }
    std::string out;
    for (char ch : value) {
        if (ch != '\0') {
            out += ch;
        }
    }
    return out;
}

TEST(CompanyNameTest, ReaderAgreesWithAPlainSearch) {
    const std::vector<std::string> pieces = {"StringFileInfo",
                                             scan::ToWideBytes("StringFileInfo"),
                                             "CompanyName",
                                             scan::ToWideBytes("CompanyName"),
                                             "FileDescription",
                                             scan::ToWideBytes("FileDescription"),
                                             std::string(1, '\0'),
                                             std::string(3, '\0'),
                                             std::string("\x30\x00\x0c\x00", 4),
                                             "Acme Co",
                                             scan::ToWideBytes("Acme"),
                                             "C",
                                             "Company",
                                             "x",
                                             std::string("\x01\x1f", 2)};
    std::mt19937 rng(5);
    for (int i = 0; i < 5000; ++i) {
        std::string bytes;
        const int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) {
            bytes += pieces[rng() % pieces.size()];
        }
        const std::string expected = ReferenceCompanyName(bytes);
        ASSERT_EQ(scan::CompanyNameFromBytes(bytes), expected)
            << "case " << i << ": " << ::testing::PrintToString(bytes);
        // The same bytes streamed in pieces of any size give the same name.
        scan::CompanyNameSearch search;
        for (size_t at = 0; at < bytes.size();) {
            const size_t piece = 1 + rng() % (rng() % 2 ? 4 : 40);
            search.Feed(std::string_view(bytes).substr(at, piece));
            at += piece;
        }
        ASSERT_EQ(search.Finish(), expected)
            << "case " << i << " in pieces: " << ::testing::PrintToString(bytes);
    }
}

}  // namespace
}  // namespace quellon::testing
