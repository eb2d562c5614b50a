// Live Update: the version check against the configured site and the
// download of each definition file whose version differs or that is missing.
// It works on a small context, as the scanners do: the main window builds it
// from its own controls (the hidden page is the platform's web page).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "definitions/definition_set.h"
#include "definitions/definition_signature.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "ui/controls.h"
#include "ui/host.h"
#include "update/frm_download.h"
#include "update/update_site.h"

namespace quellon::update {

inline constexpr std::string_view kVersionMarker = "Defination version :";
// Shown in lblWebText when a page is an error page.
inline constexpr std::string_view kPageNotDisplayed = " page can not be displayed ";
// The texts of an error page, upper-cased, as a page's body is searched.
inline constexpr std::array<std::string_view, 4> kErrorPageTexts = {
    "425 HTTP ERROR", "PPPSHAR MESSAGE", "THE PAGE CANNOT BE DISPLAYED",
    "AUTHENTICATING YOUR LOGIN. PLEASE WAIT "};
// What a download is fetched into before it is checked: "DL" + name + this.
inline constexpr std::string_view kPartialSuffix = ".part";
// One check, all four kinds, has this long at most: the shields and the
// schedule are never held off longer, whatever the network does.
inline constexpr int kCheckDeadlineMs = 2 * 60 * 1000;

struct UpdateContext {
    platform::Platform& platform;
    ui::Host& host;
    settings::SettingsStore& settings;
    FrmDownload& frmDownload;
    // 30000 ms; its tick must call TimeOutTick (the main window wires it).
    ui::Timer& tmrTimeOut;
    ui::Label& lblWebText;
    // Disabled while a manual check runs, which then shows frmDownload.
    ui::Button& cmdLiveUpdate;
    // The program folder, as a Windows path.
    std::string programFolder;
    // The configured site: the Comments of the program's version
    // information, which the program's composition root reads.
    std::string site = std::string(CompiledSite());
    std::string productName = std::string(settings::kProductName);
    // The limits of one definition download.
    platform::HttpLimits downloadLimits = platform::DownloadLimits();
    // How long one turn of a wait may sit waiting for the network before it
    // lets window events run again.
    int pollMs = 10;
    // The time one whole check may take (kCheckDeadlineMs).
    int checkDeadlineMs = kCheckDeadlineMs;
    // Called with true before the check writes files or stored versions
    // and with false after: the main window switches the background work
    // off for just that while, and lets it run between.
    std::function<void(bool writing)> onWriting = nullptr;
    // Set by tmrTimeOut: ends the wait for a page.
    bool abortWait = false;
    // When the check under way must end (set by CheckDefinitionVersions).
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // The maker's keys a download must be signed with; null trusts nothing,
    // so every download is refused.
    const definitions::UpdateTrust* trust = nullptr;
};

// tmrTimeOut's tick: the wait for a page gives up.
void TimeOutTick(UpdateContext& ctx);

enum class PageWait {
    kUsable,     // a complete page without an error text
    kErrorPage,  // a complete page holding one of the error texts
    kFailed,     // the request failed outright (no page, or an error status)
    kTimedOut,   // tmrTimeOut fired first
};

// Waits until the page has loaded or tmrTimeOut fires (or, should a
// background task have switched the timer off, its interval has passed by
// the clock), or the check's deadline comes, letting window events run
// meanwhile. A request that fails outright ends the wait at
// once, and so does a complete page with an error text: the reader follows
// no scripts or refreshes, so nothing more can come.
PageWait WaitForPage(UpdateContext& ctx);

// The published version: the number after "Defination version :" in the
// inner text of the first element that holds it; nullopt when no element
// does or no number follows.
std::optional<std::int64_t> PageVersion(const platform::WebPage& page);

enum class Outcome { kUpToDate, kDownloaded, kFailed };

struct KindUpdate {
    definitions::Kind kind = definitions::Kind::kRegistry;
    Outcome outcome = Outcome::kFailed;
    // The stored version when up to date, the new one when downloaded, the
    // published one (or 0) when failed.
    std::int64_t version = 0;
    // The message shown for a failure.
    std::string message;
    // Ok unless the outcome is kFailed; then what went wrong, for a log or
    // a command line.
    Status status = Status::Ok();
};

struct UpdateCheck {
    // At least one definition file was downloaded.
    bool downloaded = false;
    // At least one kind could not be checked or downloaded.
    bool failed = false;
    // One entry per kind, in the order they were checked.
    std::vector<KindUpdate> kinds;
};

// The whole check: each kind's version page, in the order registry, file,
// executable, cookie; a kind whose local file is missing or whose published
// version differs from the stored one is downloaded. A page that cannot be
// loaded or holds no version is a failed check of that kind: nothing is
// downloaded for it and its failure message is shown. Once the site's host
// cannot be reached, or the check's deadline (checkDeadlineMs from its
// start) has passed, the kinds after it fail at once, each with its message.
UpdateCheck CheckDefinitionVersions(UpdateContext& ctx);

// Downloads one kind's file. Its signature (the data file's URL + ".sig")
// comes first: it must be a trusted key's, name this file and carry
// `version`, the published one, and that version must not be below the
// installed one (the stored version, and the live file's own signature):
// an older release is never taken back. The file then comes to "DL" + name
// + ".part", no longer than the signed length; only a file of exactly the
// signed bytes that is a complete, well-formed file of its kind becomes "DL"
// + name, its signature "DL" + name + ".sig" (each replacing an earlier one
// atomically), and only then is the version stored. Any failure shows the
// kind's failure message and changes nothing.
KindUpdate DownloadDefinitionFile(UpdateContext& ctx, definitions::Kind kind, std::int64_t version);

// "You are using the most recent definition list (version " + the stored
// "EXEDefinition" + ")."
std::string MostRecentMessage(const settings::SettingsStore& settings);

}  // namespace quellon::update
