#include "protection/shields.h"

#include "common/text.h"
#include "protection/registry_values.h"
#include "scan/scanners.h"

namespace quellon::protection {
namespace {

using settings::kOptionAndSettings;
namespace keys = settings::keys;

bool WindowShown(const ProtectionContext& ctx) {
    return ctx.windowShown && ctx.windowShown();
}

// A tick runs alone: the background timers are off for its length, "Start"
// is greyed, and a tick that a timer switched on meanwhile (minimising the
// window, an option, the automatic update) finds `busy` and returns. At the
// end the timers are back on from the settings and "Start" as it was.
class TickRunning {
public:
    explicit TickRunning(ProtectionContext& ctx) : ctx_(ctx) {
        ctx_.busy = true;
        settings::SetBackgroundTimers(ctx_.settings, ctx_.timers, false);
        if (ctx_.scanStart != nullptr) {
            startWasEnabled_ = ctx_.scanStart->Enabled();
            ctx_.scanStart->SetEnabled(false);
        }
    }
    ~TickRunning() {
        if (ctx_.scanStart != nullptr) {
            ctx_.scanStart->SetEnabled(startWasEnabled_);
        }
        ctx_.busy = false;
        ResumeBackgroundTimers(ctx_);
    }
    TickRunning(const TickRunning&) = delete;
    TickRunning& operator=(const TickRunning&) = delete;

private:
    ProtectionContext& ctx_;
    bool startWasEnabled_ = false;
};

// A tick that came while another runs (or a scan): its timers stay off
// until the running one ends and switches them on from the settings.
void HoldTimersOff(ProtectionContext& ctx) {
    ctx.timers.tmrCheckHomePage.SetEnabled(false);
    ctx.timers.tmrMemoryInspected.SetEnabled(false);
    ctx.timers.tmrScheduler.SetEnabled(false);
}

bool MayRun(ProtectionContext& ctx) {
    if (ctx.busy || ctx.scan.ScanRunning()) {
        HoldTimersOff(ctx);
        return false;
    }
    return true;
}

}  // namespace

void ResumeBackgroundTimers(ProtectionContext& ctx) {
    settings::SetBackgroundTimers(ctx.settings, ctx.timers, true);
    if (WindowShown(ctx)) {
        ctx.timers.tmrMemoryInspected.SetEnabled(false);
        ctx.timers.tmrScheduler.SetEnabled(false);
    }
}

void MemoryShieldTick(ProtectionContext& ctx, Trigger trigger) {
    if (!MayRun(ctx)) {
        return;
    }
    if (!ctx.settings.GetBool(kOptionAndSettings, keys::kOptMemorySheildOn, true)) {
        return;
    }
    if (trigger == Trigger::kTimer && WindowShown(ctx)) {
        // Paused while the window is shown; minimising it switches it on.
        ctx.timers.tmrMemoryInspected.SetEnabled(false);
        return;
    }
    TickRunning running(ctx);
    if (ctx.beforeLook) {
        ctx.beforeLook();
    }
    scan::ScanRunningProcesses(ctx.scan);
}

void ReportShieldDetection(ProtectionContext& ctx, const std::string& name,
                           const std::string& company) {
    FrmSpywareFoundAlert& alert = ctx.spywareAlert;
    alert.Fill(name, company);
    ctx.windows.ShowAlertAndWait(alert, [&alert] { return alert.AlertAnswered; });
    alert.tmrBlink.SetEnabled(false);
    if (alert.AlertAnswered && ctx.onShieldAction) {
        ctx.onShieldAction(name, alert.LastAction());
    }
}

bool AskAboutProgram9x(ProtectionContext& ctx, const std::string& name, const std::string& company,
                       std::uint32_t pid) {
    std::optional<bool> stop;
    if (ctx.answerStopQuestion) {
        // Told as the alert tells it.
        stop = ctx.answerStopQuestion(
            name, text::TrimView(company).empty() ? "No Company name for " + name : company);
    } else {
        const std::string& product = ctx.scan.productName;
        const std::string question = product + " has found  [" + name +
                                     "] using you system memory.Click YES to stop [" + name +
                                     "] from using your system memory. Otherwise click No.";
        stop = ctx.scan.host.MsgBox(question, ui::kYesNo | ui::kQuestion, product + "  - Alert") ==
               ui::MsgResult::kYes;
    }
    if (!stop) {
        return false;  // unanswered: left running, asked again at the next look
    }
    ShieldAction action;
    if (*stop) {
        action = scan::TerminateProcessById(ctx.platform.processes, pid)
                     ? ShieldAction::kStopped
                     : ShieldAction::kNotStopped;
    } else {
        action = ctx.scan.exclusions.Append(text::Trim(name)) ? ShieldAction::kAllowed
                                                              : ShieldAction::kAllowedForNow;
    }
    if (ctx.onShieldAction) {
        ctx.onShieldAction(name, action);
    }
    return action == ShieldAction::kStopped;
}

void HomePageShieldTick(ProtectionContext& ctx) {
    if (!MayRun(ctx)) {
        return;
    }
    if (++ctx.homePageTicks > 2) {
        ctx.homePageTicks = 0;
        MemoryShieldTick(ctx);
    }
    TickRunning running(ctx);
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
