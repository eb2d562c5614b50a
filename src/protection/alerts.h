// The two alert windows of the shields: a listed program found running, and
// a changed browser start page.
#pragma once

#include <string>

#include "definitions/exclusion_list.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::protection {

// What became of a program a shield asked about.
enum class ShieldAction {
    kStopped,
    kNotStopped,     // STOP (Yes) was answered, but the program still runs
    kAllowed,        // on the exclusion list from now on
    kAllowedForNow,  // the exclusion list would not take it: allowed until the program ends
};

// "Malicious Program Found": STOP ends the program, ALLOW lists it in the
// exclusion list so that no scan asks about it again.
class FrmSpywareFoundAlert : public ui::Window {
public:
    FrmSpywareFoundAlert(platform::Processes& processes, definitions::ExclusionList& exclusions,
                         ui::Host& host, std::string productName);

    // Fills the alert for one program and makes it ready for an answer.
    void Fill(const std::string& name, const std::string& company);
    // STOP: the program is stopped; a message says when it could not be.
    void cmdYes_Click();
    // ALLOW: the program goes on the exclusion list.
    void cmdNO_Click();

    // Set by STOP and ALLOW; the wait for an answer ends with it.
    bool AlertAnswered = false;
    // What the last STOP or ALLOW did to the program the alert told of.
    ShieldAction LastAction() const { return action_; }
    // Whether the alert tells of a program (the Debug menu shows it as it
    // was before any): STOP and ALLOW act only then.
    bool HoldsAProgram() const { return filled_; }

    ui::Label lblProductName{"Malicious Program Found"};
    ui::Label Label1{"Spyware/Adware has been detected."};
    ui::Label SkinLabel4{"File Name:"};
    ui::Label lblAlertFileName{"Unknown Executable"};
    ui::Label SkinLabel5{"Company Name:"};
    ui::Label lblAlertCompanyName{"Unknown Company"};
    ui::Label SkinLabel2{"Click STOP to stop it from running."};
    ui::Label SkinLabel3{"Click ALLOW to allow the program to run."};
    ui::Button cmdYes{"STOP"}, cmdNO{"ALLOW"};
    // Started when the alert is shown; its tick does nothing.
    ui::Timer tmrBlink{800, false};

private:
    platform::Processes& processes_;
    definitions::ExclusionList& exclusions_;
    ui::Host& host_;
    std::string productName_;
    bool filled_ = false;
    ShieldAction action_ = ShieldAction::kNotStopped;
};

// "Morvane": the start page changed. Yes puts the remembered page back, No
// keeps the new one.
class FrmHomePageChangedAlert : public ui::Window {
public:
    FrmHomePageChangedAlert(settings::SettingsStore& settings, platform::Registry& registry,
                            std::string productName);

    // Fills the text for the remembered and the current page.
    void Fill(const std::string& remembered, const std::string& current);
    // Saves the remembered page again and writes it as the start page; false
    // (and the outcome kRestoreFailed) when the start page was not written.
    bool RestoreHomePage();
    // Saves the current page as the one to keep.
    void AcceptHomePage();

    // What the last of the two did, for those who observe the window.
    enum class Outcome { kNone, kRestored, kAccepted, kRestoreFailed };
    Outcome LastOutcome() const { return outcome_; }
    const std::string& LastOutcomePage() const { return outcomePage_; }
    // How many outcomes there were: an observer tells a new one by it.
    unsigned Outcomes() const { return outcomes_; }

    ui::Label lblHomePageInfo{"##########"};
    ui::Button cmdYes{"Yes"}, cmdNO{"No"};

    // The pages of the change the alert tells of. Before any (the Debug
    // menu shows it so) Yes and No only close it: no empty page is saved or
    // written.
    std::string rememberedPage, currentPage;
    bool HoldsAChange() const { return filled_; }

private:
    void Tell(Outcome outcome, const std::string& page);

    settings::SettingsStore& settings_;
    platform::Registry& registry_;
    std::string productName_;
    bool filled_ = false;
    Outcome outcome_ = Outcome::kNone;
    std::string outcomePage_;
    unsigned outcomes_ = 0;
};

}  // namespace quellon::protection
