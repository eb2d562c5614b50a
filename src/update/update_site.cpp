#include "update/update_site.h"

#include <vector>

#include "common/text.h"

#ifndef QUELLON_UPDATE_SITE
#define QUELLON_UPDATE_SITE "https://www.quellonpro.com"
#endif

namespace quellon::update {

namespace {

using definitions::Kind;

constexpr KindInfo kKinds[] = {
    {Kind::kRegistry, "/definitions/version/R.HTM", "/definitions/data/RegistryDefinition.dat",
     "Checking Registry Definition Version...", "Getting Registry Definitions... please wait...",
     "RegistryDefinition",
     "Definitions could not be downloaded. Please check your internet connection."},
    {Kind::kFile, "/definitions/version/F.HTM", "/definitions/data/FileDefinition.dat",
     "Checking File Definition Version...", "Getting File Definitions... please wait...",
     "FileDefinition",
     "Definitions could not be downloaded.  Please check your internet connection."},
    {Kind::kExe, "/definitions/version/E.HTM", "/definitions/data/ExeDefinition.dat",
     "Checking Executable Definition Version...",
     "Getting Executable Definitions... please wait...", "EXEDefinition",
     "Definitions could not be downloaded.  Please check your internet connection."},
    {Kind::kCookie, "/definitions/version/C.HTM", "/definitions/data/BlockedCookies.dat",
     "Checking Cookie Definition Version...", "Getting Cookie Definitions... please wait...",
     "CookieDefinition",
     "Definitions could not be downloaded.  Please check your internet connection."},
};

bool AllDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsIpAddress(std::string_view host) {
    if (!host.empty() && host.front() == '[') {
        return true;  // an IPv6 literal
    }
    const std::vector<std::string> parts = text::Split(host, ".");
    if (parts.size() != 4) {
        return false;
    }
    for (const std::string& part : parts) {
        if (!AllDigits(part)) {
            return false;
        }
    }
    return true;
}

// A registrable domain with nothing in front of it: two labels
// ("example.com"), or three where the last two are a country's second
// level ("example.co.uk").
bool IsBareDomain(std::string_view host) {
    if (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    const std::vector<std::string> labels = text::Split(host, ".");
    for (const std::string& label : labels) {
        if (label.empty()) {
            return false;
        }
    }
    if (labels.size() == 2) {
        return true;
    }
    if (labels.size() != 3 || labels[2].size() != 2) {
        return false;
    }
    static constexpr std::string_view kSecondLevels[] = {"ac",  "co",  "com", "edu", "gov",
                                                         "go",  "ltd", "mil", "ne",  "net",
                                                         "nom", "or",  "org", "plc", "sch"};
    for (std::string_view level : kSecondLevels) {
        if (text::EqualsNoCase(labels[1], level)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string_view CompiledSite() {
    return QUELLON_UPDATE_SITE;
}

std::string BaseUrl(std::string_view site) {
    std::string rest = text::Trim(site);
    std::string scheme = "http://";
    if (text::StartsWithNoCase(rest, "https://")) {
        scheme = "https://";
        rest.erase(0, 8);
    }
    for (size_t at; (at = text::FindNoCase(rest, "http://")) != std::string::npos;) {
        rest.erase(at, 7);
    }
    const size_t cut = rest.find_first_of("/?#");
    if (cut != std::string::npos) {
        rest.resize(cut);
    }
    // host [":" port]; an IPv6 literal keeps its brackets.
    std::string host = rest, port;
    const size_t close = rest.find(']');
    const size_t colon = rest.rfind(':');
    if (colon != std::string::npos && (close == std::string::npos || colon > close) &&
        AllDigits(std::string_view(rest).substr(colon + 1))) {
        host = rest.substr(0, colon);
        port = rest.substr(colon);
    }
    const bool prefix = text::FindNoCase(host, "www.") == std::string::npos && !IsIpAddress(host) &&
                        !text::EqualsNoCase(host, "localhost") &&
                        !text::EndsWithNoCase(host, ".localhost") && IsBareDomain(host);
    return scheme + (prefix ? "www." : "") + host + port;
}

std::string BaseUrlOfSite(std::string_view configuredSite) {
    const std::string_view site = text::TrimView(configuredSite);
    if (site.empty() || text::EqualsNoCase(site, kUnconfiguredSite)) {
        return std::string(kDefaultSite);
    }
    return BaseUrl(site);
}

std::string SiteName(std::string_view configuredSite) {
    const std::string base = BaseUrlOfSite(configuredSite);
    return text::StartsWithNoCase(base, "http://") ? base.substr(7) : base;
}

const KindInfo& InfoOf(Kind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kKinds[0];
}

std::string VersionPageUrl(std::string_view baseUrl, Kind kind) {
    return std::string(baseUrl) + std::string(InfoOf(kind).versionPage);
}

std::string DataUrl(std::string_view baseUrl, Kind kind) {
    return std::string(baseUrl) + std::string(InfoOf(kind).dataPath);
}

}  // namespace quellon::update
