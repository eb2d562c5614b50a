#include "update/live_update.h"

#include <algorithm>

#include "common/convert.h"
#include "common/text.h"
#include "definitions/definition_check.h"
#include "definitions/definition_reach.h"

namespace quellon::update {

namespace {

using definitions::Kind;

bool HoldsErrorText(std::string_view text) {
    const std::string upper = text::Upper(text);
    for (std::string_view error : kErrorPageTexts) {
        if (upper.find(error) != std::string::npos) {
            return true;
        }
    }
    return false;
}

KindUpdate Failed(UpdateContext& ctx, Kind kind, std::int64_t version, std::string reason) {
    KindUpdate result;
    result.kind = kind;
    result.outcome = Outcome::kFailed;
    result.version = version;
    result.message = std::string(InfoOf(kind).failureMessage);
    result.status = Status::Failure(std::move(reason));
    ctx.host.MsgBox(result.message, ui::kOkOnly | ui::kCritical, ctx.productName);
    return result;
}

using SteadyClock = std::chrono::steady_clock;

bool PastDeadline(const UpdateContext& ctx) {
    return SteadyClock::now() >= ctx.deadline;
}

constexpr std::string_view kOutOfTime = "the check ran out of time";

// Background work is off while files are written, and only then.
class Writing {
public:
    explicit Writing(UpdateContext& ctx) : ctx_(ctx) {
        if (ctx_.onWriting) {
            ctx_.onWriting(true);
        }
    }
    ~Writing() { End(); }
    void End() {
        if (!ended_ && ctx_.onWriting) {
            ctx_.onWriting(false);
        }
        ended_ = true;
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

private:
    UpdateContext& ctx_;
    bool ended_ = false;
};

std::string DescribeWait(PageWait wait, const platform::WebPage& page) {
    switch (wait) {
        case PageWait::kUsable:
            return "no \"" + std::string(kVersionMarker) + "\" on the version page";
        case PageWait::kErrorPage:
            return "the version page is an error page";
        case PageWait::kFailed:
            return "the version page could not be loaded: " + page.FailureReason();
        case PageWait::kTimedOut:
            return "the version page did not come in time";
    }
    return {};
}

}  // namespace

void TimeOutTick(UpdateContext& ctx) {
    ctx.abortWait = true;
}

PageWait WaitForPage(UpdateContext& ctx) {
    platform::WebPage& page = ctx.platform.webPage;
    ctx.abortWait = false;
    // tmrTimeOut ends the wait; a shield's tick that switches the
    // background timers off and on stops it, so its interval is kept by the
    // clock as well.
    const auto pageDeadline = std::min(
        ctx.deadline, SteadyClock::now() + std::chrono::milliseconds(ctx.tmrTimeOut.Interval()));
    for (;;) {
        page.Poll(ctx.pollMs);
        bool usable = true;
        if (page.HasBody() && HoldsErrorText(page.BodyText())) {
            ctx.lblWebText.SetCaption(std::string(kPageNotDisplayed));
            usable = false;
        }
        const bool complete = !page.Busy() && page.ReadyState() == platform::kReadyStateComplete &&
                              page.NavigationCompleted();
        if (complete) {
            if (page.Failed()) {
                return PageWait::kFailed;
            }
            return usable ? PageWait::kUsable : PageWait::kErrorPage;
        }
        if (ctx.abortWait || SteadyClock::now() >= pageDeadline) {
            page.Stop();
            return PageWait::kTimedOut;
        }
        ctx.host.DoEvents();
    }
}

std::optional<std::int64_t> PageVersion(const platform::WebPage& page) {
    for (std::size_t i = 0; i < page.ElementCount(); ++i) {
        const std::string_view text = page.ElementText(i);
        const size_t at = text.find(kVersionMarker);
        if (at == std::string_view::npos) {
            continue;
        }
        std::string_view after = text.substr(at + kVersionMarker.size());
        // The number may stand on the next line or after a no-break space.
        const size_t start = after.find_first_not_of(" \t\r\n\xA0");
        after = start == std::string_view::npos ? std::string_view() : after.substr(start);
        const std::optional<double> number = convert::LeadingNumber(after);
        if (!number) {
            return std::nullopt;
        }
        return convert::RoundHalfEven(*number);
    }
    return std::nullopt;
}

UpdateCheck CheckDefinitionVersions(UpdateContext& ctx) {
    const std::string base = BaseUrlOfSite(ctx.site);
    const bool manual = !ctx.cmdLiveUpdate.Enabled();
    if (manual) {
        ctx.frmDownload.SetVisible(true);
    }
    UpdateCheck check;
    ctx.deadline = SteadyClock::now() + std::chrono::milliseconds(ctx.checkDeadlineMs);
    // Once the site's host cannot be reached (its name is not found or no
    // connection can be made), the other kinds fail at once instead of
    // waiting for the same failure again.
    std::string unreachable;
    for (Kind kind : kCheckOrder) {
        const KindInfo& info = InfoOf(kind);
        ctx.frmDownload.lblStatus.SetCaption(std::string(info.checkingText));
        ctx.host.DoEvents();
        if (unreachable.empty() && PastDeadline(ctx)) {
            unreachable = std::string(kOutOfTime);
        }
        if (!unreachable.empty()) {
            ctx.frmDownload.lblStatus.SetCaption({});
            KindUpdate result = Failed(ctx, kind, 0, unreachable);
            ctx.host.DoEvents();
            check.failed = true;
            check.kinds.push_back(std::move(result));
            continue;
        }
        ctx.platform.webPage.Navigate(VersionPageUrl(base, kind));

        ctx.frmDownload.lblStatus.SetCaption({});
        ctx.host.DoEvents();
        ctx.tmrTimeOut.SetEnabled(true);
        const PageWait wait = WaitForPage(ctx);
        ctx.tmrTimeOut.SetEnabled(false);

        const platform::HttpFailure failure = ctx.platform.webPage.Failure();
        if (wait == PageWait::kFailed && (failure == platform::HttpFailure::kResolve ||
                                          failure == platform::HttpFailure::kConnect)) {
            unreachable = "the site could not be reached: " + ctx.platform.webPage.FailureReason();
        }
        const std::optional<std::int64_t> published =
            wait == PageWait::kUsable ? PageVersion(ctx.platform.webPage) : std::nullopt;
        KindUpdate result;
        if (!published) {
            // A failure must not read as "up to date": nothing is downloaded
            // and the user is told.
            result = Failed(ctx, kind, 0,
                            wait == PageWait::kTimedOut && PastDeadline(ctx)
                                ? std::string(kOutOfTime)
                                : DescribeWait(wait, ctx.platform.webPage));
        } else {
            const std::string live =
                definitions::JoinPath(ctx.programFolder, definitions::FileNameOf(kind));
            const std::int64_t stored =
                ctx.settings.GetNumber(settings::kOptionAndSettings, info.versionKey, 0);
            if (!definitions::FileExists(ctx.platform.files, live) || *published != stored) {
                result = DownloadDefinitionFile(ctx, kind, *published);
            } else {
                result.kind = kind;
                result.outcome = Outcome::kUpToDate;
                result.version = stored;
            }
        }
        ctx.host.DoEvents();
        check.downloaded = check.downloaded || result.outcome == Outcome::kDownloaded;
        check.failed = check.failed || result.outcome == Outcome::kFailed;
        check.kinds.push_back(std::move(result));
    }
    if (manual) {
        ctx.frmDownload.SetVisible(false);
    }
    ctx.deadline = SteadyClock::time_point::max();
    return check;
}

namespace {

// Fetches `url` into `destination` and reads it back; the reason on failure.
// The check's one deadline holds for every transfer in it.
std::optional<std::string> Fetch(UpdateContext& ctx, const std::string& url,
                                 const std::string& destination, const platform::HttpLimits& limits,
                                 std::string& reason) {
    {
        auto job = ctx.platform.download.Start(url, destination, limits);
        bool done = false;
        while (!(done = job->Poll(ctx.pollMs)) && !PastDeadline(ctx)) {
            ctx.host.DoEvents();
        }
        if (!done) {
            // Destroying the job ends the transfer and leaves no file.
            reason = std::string(kOutOfTime);
            return std::nullopt;
        }
        if (const platform::DownloadResult& result = job->Result(); !result.status.ok()) {
            reason = result.status.reason();
            return std::nullopt;
        }
    }
    std::optional<std::string> bytes = ctx.platform.files.ReadAll(destination);
    if (!bytes) {
        reason = "the download cannot be read back";
    }
    return bytes;
}

// Checks the signature and the file a download brought; the reason when
// they are refused.
std::string CheckDownload(UpdateContext& ctx, Kind kind, std::int64_t version,
                          const std::string& signatureUrl, const std::string& signaturePartial,
                          const std::string& partial, std::string& sigText, std::string& bytes) {
    const std::string name(definitions::FileNameOf(kind));
    if (ctx.trust == nullptr) {
        return "no trusted key to check the signature with";
    }
    platform::HttpLimits sigLimits = ctx.downloadLimits;
    sigLimits.maxBytes = static_cast<std::int64_t>(definitions::kMaxSignatureFileBytes);
    std::string reason;
    std::optional<std::string> fetched =
        Fetch(ctx, signatureUrl, signaturePartial, sigLimits, reason);
    if (!fetched) {
        return "the signature: " + reason;
    }
    sigText = std::move(*fetched);
    const definitions::SignatureCheck signature =
        definitions::CheckSignatureFile(*ctx.trust, sigText, name);
    if (!signature.ok) {
        return signature.reason;
    }
    if (signature.signature.version != version) {
        return "the signature is for version " + text::ToDecimal(signature.signature.version) +
               ", the version page announces " + text::ToDecimal(version);
    }
    // An older release, even one the maker signed, is a replay: refused.
    const std::int64_t stored =
        ctx.settings.GetNumber(settings::kOptionAndSettings, InfoOf(kind).versionKey, 0);
    definitions::DefinitionSet set(ctx.platform.files, ctx.programFolder);
    const std::int64_t installed =
        std::max(stored, set.LiveSignedVersion(*ctx.trust, kind).value_or(0));
    if (version < installed) {
        return "version " + text::ToDecimal(version) + " is older than the installed version " +
               text::ToDecimal(installed);
    }
    // The signed length caps the transfer.
    platform::HttpLimits limits = ctx.downloadLimits;
    limits.maxBytes =
        std::min(limits.maxBytes, std::max<std::int64_t>(signature.signature.length, 1));
    fetched = Fetch(ctx, DataUrl(BaseUrlOfSite(ctx.site), kind), partial, limits, reason);
    if (!fetched) {
        return reason;
    }
    bytes = std::move(*fetched);
    const definitions::SignatureCheck covered =
        definitions::CheckSignedFile(*ctx.trust, sigText, name, bytes);
    if (!covered.ok) {
        return covered.reason;
    }
    if (HoldsErrorText(bytes)) {
        return "an error page, not a definition file";
    }
    // No line may name what lies beyond this machine: Wine's Z: and
    // whatever drives the platform says reach the host.
    const std::string live = definitions::JoinPath(ctx.programFolder, name);
    const definitions::DefinitionCheck check = definitions::CheckDefinitionFile(
        kind, bytes, definitions::LiveFileIsEmpty(ctx.platform.files, live),
        std::string(definitions::kWineHostRootDrive) + ctx.platform.files.HostRootDrives());
    return check.status.ok() ? std::string() : check.status.reason();
}

}  // namespace

KindUpdate DownloadDefinitionFile(UpdateContext& ctx, Kind kind, std::int64_t version) {
    const KindInfo& info = InfoOf(kind);
    platform::FileSystem& files = ctx.platform.files;
    const std::string name(definitions::FileNameOf(kind));
    const std::string target =
        definitions::JoinPath(ctx.programFolder, std::string(definitions::kDownloadPrefix) + name);
    const std::string targetSig = target + std::string(definitions::kSignatureSuffix);
    const std::string partial = target + std::string(kPartialSuffix);
    const std::string signaturePartial = targetSig + std::string(kPartialSuffix);

    ctx.frmDownload.lblStatus.SetCaption(std::string(info.gettingText));
    ctx.host.DoEvents();

    std::string sigText, bytes;
    std::string reason = CheckDownload(
        ctx, kind, version,
        DataUrl(BaseUrlOfSite(ctx.site), kind) + std::string(definitions::kSignatureSuffix),
        signaturePartial, partial, sigText, bytes);
    // Background work is off from here to the stored version, not while a
    // transfer runs or a failure's message waits.
    Writing writing(ctx);
    // The signature goes first: a "DL" file is never there without the
    // signature that was checked with it.
    if (reason.empty() && !files.WriteAtomic(targetSig, sigText)) {
        reason = "cannot write " + targetSig;
    }
    if (reason.empty() && !files.WriteAtomic(target, bytes)) {
        reason = "cannot write " + target;
    }
    for (const std::string& part : {partial, signaturePartial}) {
        if (definitions::FileExists(files, part)) {
            files.Delete(part);
        }
    }
    if (!reason.empty()) {
        writing.End();
        return Failed(ctx, kind, version, std::move(reason));
    }
    ctx.settings.Save(settings::kOptionAndSettings, info.versionKey, text::ToDecimal(version));
    KindUpdate result;
    result.kind = kind;
    result.outcome = Outcome::kDownloaded;
    result.version = version;
    return result;
}

std::string MostRecentMessage(const settings::SettingsStore& settings) {
    return "You are using the most recent definition list (version " +
           settings.Get(settings::kOptionAndSettings, settings::keys::kEXEDefinition, "0") + ").";
}

}  // namespace quellon::update
