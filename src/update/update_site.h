// Where Live Update looks: the configured site, the base URL built from it,
// and each definition kind's version page, data file, texts and version key.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "definitions/definition_set.h"

namespace quellon::update {

// The Comments text of an unconfigured program.
inline constexpr std::string_view kUnconfiguredSite = "YourWebsite.com";
// The maker's own site, used unchanged when the program is unconfigured.
inline constexpr std::string_view kDefaultSite = "https://www.quellonpro.com";

// The site compiled into the program, set by the build's
// QUELLON_UPDATE_SITE.
std::string_view CompiledSite();
// The base URL of a site: "http://" and "https://" come off (an "https://"
// in front is kept as the scheme), the text from the first "/" goes, and a
// bare domain gets "www." in front ("example.com" ->
// "http://www.example.com"). A name that has "www." already, an IP
// address, "localhost", a one-label name and a name with a sub-domain of
// its own ("updates.example.com") are left as they are; a port stays.
std::string BaseUrl(std::string_view site);
// The base URL Live Update uses: the fixed default site, unchanged, when the
// configured site is the placeholder "YourWebsite.com" (or empty);
// otherwise BaseUrl of it.
std::string BaseUrlOfSite(std::string_view configuredSite);

// The site Live Update uses, as a user reads it: the host (and port) of
// BaseUrlOfSite, "https://" in front when it is a secure one
// ("https://www.quellonpro.com" for the placeholder, "www.example.com" for
// "example.com").
std::string SiteName(std::string_view configuredSite);

struct KindInfo {
    definitions::Kind kind;
    // Below the base URL.
    std::string_view versionPage;
    std::string_view dataPath;
    std::string_view checkingText;
    std::string_view gettingText;
    // The stored version, section "OptionAndSettings".
    std::string_view versionKey;
    std::string_view failureMessage;
};

const KindInfo& InfoOf(definitions::Kind kind);

// The kinds in the order the check goes through them.
inline constexpr std::array<definitions::Kind, 4> kCheckOrder = {
    definitions::Kind::kRegistry, definitions::Kind::kFile, definitions::Kind::kExe,
    definitions::Kind::kCookie};

std::string VersionPageUrl(std::string_view baseUrl, definitions::Kind kind);
std::string DataUrl(std::string_view baseUrl, definitions::Kind kind);

}  // namespace quellon::update
