#include "protection/shields.h"

#include "protection/registry_values.h"
#include "scan/scanners.h"

namespace quellon::protection {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;

// Switches the background timers off for the length of a tick and back on
// from the settings at its end.
class TimersOffMeanwhile {
public:
    explicit TimersOffMeanwhile(ProtectionContext& ctx) : ctx_(ctx) {
        settings::SetBackgroundTimers(ctx_.settings, ctx_.timers, false);
    }
    ~TimersOffMeanwhile() { settings::SetBackgroundTimers(ctx_.settings, ctx_.timers, true); }
    TimersOffMeanwhile(const TimersOffMeanwhile&) = delete;
    TimersOffMeanwhile& operator=(const TimersOffMeanwhile&) = delete;

private:
    ProtectionContext& ctx_;
};

}  // namespace

void MemoryShieldTick(ProtectionContext& ctx) {
    if (!ctx.settings.GetBool(kOptionAndSettings, keys::kOptMemorySheildOn, true)) {
        return;
    }
    TimersOffMeanwhile off(ctx);
    scan::ScanRunningProcesses(ctx.scan);
}

void ReportShieldDetection(ProtectionContext& ctx, const std::string& name,
                           const std::string& company) {
    FrmSpywareFoundAlert& alert = ctx.spywareAlert;
    alert.Fill(name, company);
    ctx.windows.ShowAlertAndWait(alert, [&alert] { return alert.AlertAnswered; });
    alert.tmrBlink.SetEnabled(false);
}

void HomePageShieldTick(ProtectionContext& ctx) {
    if (++ctx.homePageTicks > 2) {
        ctx.homePageTicks = 0;
        MemoryShieldTick(ctx);
    }
    TimersOffMeanwhile off(ctx);
    if (!ctx.settings.GetBool(kOptionAndSettings, keys::kOptIEHomePageSheildOn, true)) {
        return;
    }
    std::string current = "about:blank";
    const bool read = ReadRegistryValue(ctx.platform.registry, platform::kHkeyCurrentUser,
                                        kStartPageKey, kStartPageValue, current);
    std::string remembered = ctx.settings.Get(kOptionAndSettings, keys::kHomepage, "");
    if (remembered.empty()) {
        // A start page that cannot be read is no choice of the user's: it is
        // never remembered, so "about:blank" can never be restored over the
        // page the user sets later.
        if (!read) {
            return;
        }
        remembered = current;
        ctx.settings.Save(kOptionAndSettings, keys::kHomepage, remembered);
    }
    if (remembered == current) {
        return;
    }
    FrmHomePageChangedAlert& alert = ctx.homePageAlert;
    alert.Fill(remembered, current);
    if (ctx.settings.GetBool(kOptionAndSettings, keys::kOptAlwaysnotifybeforerestoring, true)) {
        alert.SetVisible(true);
        ctx.windows.ShowModal(alert);
    } else if (ctx.settings.GetBool(kOptionAndSettings, keys::kOptRestoredefaultwithoutnotification,
                                    false)) {
        alert.RestoreHomePage();
    }
}

}  // namespace quellon::protection
