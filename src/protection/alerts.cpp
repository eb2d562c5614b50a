#include "protection/alerts.h"

#include "common/text.h"
#include "protection/registry_values.h"
#include "scan/scanners.h"

namespace quellon::protection {

FrmSpywareFoundAlert::FrmSpywareFoundAlert(platform::Processes& processes,
                                           definitions::ExclusionList& exclusions, ui::Host& host,
                                           std::string productName)
    : ui::Window(productName),
      processes_(processes),
      exclusions_(exclusions),
      host_(host),
      productName_(std::move(productName)) {
    SetVisible(false);
    cmdYes.onClick = [this] { cmdYes_Click(); };
    cmdNO.onClick = [this] { cmdNO_Click(); };
}

void FrmSpywareFoundAlert::Fill(const std::string& name, const std::string& company) {
    lblAlertCompanyName.SetCaption(text::TrimView(company).empty() ? "No Company name for " + name
                                                                   : company);
    lblAlertFileName.SetCaption(name);
    filled_ = true;
    AlertAnswered = false;
    // A new alert starts as a loaded window does: both answers open.
    cmdYes.SetEnabled(true);
    tmrBlink.SetEnabled(true);
}

void FrmSpywareFoundAlert::cmdYes_Click() {
    cmdYes.SetEnabled(false);
    AlertAnswered = true;
    if (!filled_) {
        SetVisible(false);
        return;
    }
    const std::string name = text::Trim(lblAlertFileName.Caption());
    const bool stopped = scan::StopProcessByName(processes_, name);
    action_ = stopped ? ShieldAction::kStopped : ShieldAction::kNotStopped;
    if (!stopped) {
        host_.MsgBox(text::Upper(name) +
                         " could not be stopped.  You should try again after saving your work "
                         "and closing any open applications.",
                     ui::kInformation, productName_);
    }
    tmrBlink.SetEnabled(false);
    SetVisible(false);
}

void FrmSpywareFoundAlert::cmdNO_Click() {
    AlertAnswered = true;
    if (!filled_) {
        SetVisible(false);
        return;
    }
    const std::string name = text::Trim(lblAlertFileName.Caption());
    const bool listed = exclusions_.Append(name);
    action_ = listed ? ShieldAction::kAllowed : ShieldAction::kAllowedForNow;
    if (!listed) {
        host_.MsgBox(text::Upper(name) + " could not be added to the exclusion list " +
                         exclusions_.FilePath() +
                         ". It is allowed until the program ends and will be asked about "
                         "again after that.",
                     ui::kInformation, productName_);
    }
    tmrBlink.SetEnabled(false);
    SetVisible(false);
}

FrmHomePageChangedAlert::FrmHomePageChangedAlert(settings::SettingsStore& settings,
                                                 platform::Registry& registry,
                                                 std::string productName)
    : ui::Window("Morvane"),
      settings_(settings),
      registry_(registry),
      productName_(std::move(productName)) {
    SetVisible(false);
    cmdYes.onClick = [this] {
        if (filled_) {
            RestoreHomePage();
        }
        SetVisible(false);
    };
    cmdNO.onClick = [this] {
        if (filled_) {
            AcceptHomePage();
        }
        SetVisible(false);
    };
}

void FrmHomePageChangedAlert::Fill(const std::string& remembered, const std::string& current) {
    rememberedPage = remembered;
    currentPage = current;
    filled_ = true;
    std::string info = productName_ + " has detected that your Homepage has been changed.";
    for (std::string_view line :
         {std::string_view(), std::string_view("Click YES to keep your homepage as:"),
          std::string_view(remembered), std::string_view(),
          std::string_view("Click No to change your homepage to:"), std::string_view(current)}) {
        info.append(text::kCrLf).append(line);
    }
    lblHomePageInfo.SetCaption(std::move(info));
}

bool FrmHomePageChangedAlert::RestoreHomePage() {
    settings_.Save(settings::kOptionAndSettings, settings::keys::kHomepage, rememberedPage);
    // A start page that could not be written (no such key, a registry that
    // will not take it) is said as such: it was not put back.
    const bool written = WriteStartPage(registry_, kStartPageKey, kStartPageValue, rememberedPage,
                                        platform::RegType::kString);
    Tell(written ? Outcome::kRestored : Outcome::kRestoreFailed, rememberedPage);
    return written;
}

void FrmHomePageChangedAlert::AcceptHomePage() {
    settings_.Save(settings::kOptionAndSettings, settings::keys::kHomepage, currentPage);
    Tell(Outcome::kAccepted, currentPage);
}

void FrmHomePageChangedAlert::Tell(Outcome outcome, const std::string& page) {
    outcome_ = outcome;
    outcomePage_ = page;
    ++outcomes_;
    Notify();
}

}  // namespace quellon::protection
