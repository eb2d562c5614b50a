// quellon-cli shield and watch: the shields (and, for watch, the scheduled
// scans) without a window. Each alert is printed and answered by the option
// given, by the user at a terminal, or not at all (then nothing starts).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>

#include "app/frm_main.h"
#include "cli/cli_front_end.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/scan_output.h"
#include "common/convert.h"
#include "common/text.h"
#include "platform/backend_factory.h"

namespace quellon::cli {
namespace {

// How the alerts of one run are answered.
struct Answers {
    std::optional<bool> stop;     // memory shield: STOP (true) or ALLOW
    std::optional<bool> restore;  // home-page shield: Yes (true) or No
};

// The longest run "--seconds" asks for that is kept as it is: about a
// hundred years. A longer one (up to the largest 64-bit number) runs as long
// as that, which is without end for any machine.
constexpr std::uint64_t kLongestRunSeconds = 100ULL * 366 * 24 * 60 * 60;

// "--seconds N": a whole number of seconds, 0 for no end. Anything else
// (a sign, a blank, a fraction, a number past 64 bits) is refused with a
// message that says why.
Result<std::chrono::seconds> ParseSeconds(const std::string& v) {
    if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos) {
        return Result<std::chrono::seconds>::Failure(
            "--seconds takes a whole number of seconds, "
            "not \"" +
            text::EscapeControls(v) + "\"");
    }
    std::uint64_t n = 0;
    for (const char c : v) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (n > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return Result<std::chrono::seconds>::Failure(
                "--seconds " + v + " is too large (at most " +
                std::to_string(std::numeric_limits<std::uint64_t>::max()) + ")");
        }
        n = n * 10 + digit;
    }
    return std::chrono::seconds(static_cast<std::int64_t>(std::min(n, kLongestRunSeconds)));
}

// Takes "--memory-answer stop|allow", "--homepage-answer yes|no" and, for
// watch, "--seconds N" from the arguments after the command's words.
Status TakeAnswers(const std::vector<std::string>& args, size_t from, Answers& answers,
                   std::chrono::seconds* seconds) {
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) {
            return Usage();
        }
        const std::string& v = args[++i];
        if (a == "--memory-answer" && (v == "stop" || v == "allow")) {
            answers.stop = v == "stop";
        } else if (a == "--homepage-answer" && (v == "yes" || v == "no")) {
            answers.restore = v == "yes";
        } else if (a == "--seconds" && seconds != nullptr) {
            Result<std::chrono::seconds> parsed = ParseSeconds(v);
            if (!parsed) {
                return parsed.status();
            }
            *seconds = parsed.value();
        } else {
            return Usage();
        }
    }
    return Status::Ok();
}

// A field of an output line (see text::EscapeControls).
std::string Field(std::string_view s) {
    return text::EscapeControls(s);
}

// Asks at the terminal; nullopt when the input ended.
std::optional<bool> Ask(std::ostream& err, const std::string& question, char yes, char no) {
    for (;;) {
        err << question << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            return std::nullopt;
        }
        const std::string_view word = text::TrimView(line);
        if (!word.empty() && (word[0] == yes || word[0] == text::UpperChar(yes))) {
            return true;
        }
        if (!word.empty() && (word[0] == no || word[0] == text::UpperChar(no))) {
            return false;
        }
    }
}

// One run of the shields: the main form loaded as for the tray, its alerts
// printed and answered.
class Shields {
public:
    Shields(const Options& o, Answers answers, std::ostream& out, std::ostream& err)
        : application_(o.folders),
          host_(err),
          frontEnd_(err, application_.Info()),
          form_(application_.MakeMainForm(host_, frontEnd_)),
          answers_(answers),
          out_(out),
          err_(err) {
        form_.LoadDefinitions();
        form_.LoadDriveList();
        form_.LoadSchedule();
        form_.LoadSettingsIntoForm();
        // As the program runs while it sits in the tray: the window hidden
        // and minimised (a window shown would pause the memory shield).
        form_.frmMainWindow.SetVisible(false);
        form_.frmMainWindow.SetWindowState(ui::Window::State::kMinimized);
        frontEnd_.answer = [this](ui::Window& window) { Answer(window); };
        auto& protection = form_.Protection();
        protection.answerStopQuestion = [this](const std::string& name,
                                               const std::string& company) {
            return AskStop(name, company);
        };
        protection.onShieldAction = [this](const std::string& name,
                                           protection::ShieldAction action) {
            NoteAction(name, action);
        };
        // A scheduled scan says which live definitions it passed over.
        form_.ScanContext().onPassedOver = [this](definitions::Kind kind, std::size_t line,
                                                  const std::string& reason) {
            err_ << PassedOverText(kind, line, reason) << '\n' << std::flush;
        };
        auto& alert = form_.frmHomePageChangedAlert;
        outcomesSeen_ = alert.Outcomes();
        outcomeSlot_ = alert.Observe([this, &alert] { NoteOutcome(alert); });
    }
    ~Shields() {
        form_.frmHomePageChangedAlert.Unobserve(outcomeSlot_);
        if (statusSlot_) {
            form_.lblStatus.Unobserve(*statusSlot_);
        }
        // The form goes before the host and front-end it works with.
        application_.DestroyMainForm();
    }

    app::FrmMain& Form() { return form_; }
    CliHost& Host() { return host_; }
    // Whether an alert was raised, a page restored or a scheduled scan
    // found something in this run.
    bool Acted() const { return acted_; }
    // What an answer asked for and could not be done (a program not
    // stopped, an ALLOW not stored, a page not put back); empty when none.
    const std::string& Failure() const { return failure_; }
    // The exit status of the run: 2 when something could not be done, else
    // 1 when a shield acted, else 0.
    Result<int> Outcome() const {
        if (!failure_.empty()) {
            return Result<int>::Failure(failure_);
        }
        return acted_ ? kExitFound : kExitClean;
    }

    // Each scheduled scan prints what "scan" prints, once its phases end,
    // and with automatic deletion what "scan --remove" adds.
    void ReportScheduledScans() {
        auto& scheduler = form_.Scheduler();
        scheduler.onScanStarting = [this] {
            scheduledScan_ = true;
            printed_ = false;
            out_ << "scheduled\t" << Field(FormatGeneralDate(host_.Now())) << '\n' << std::flush;
        };
        statusSlot_ = form_.lblStatus.Observe([this] {
            const std::string& status = form_.lblStatus.Caption();
            if (scheduledScan_ && !printed_ &&
                (status == "Scanning complete." || status == "Scanning was cancelled.")) {
                // Before a removal takes the rows away.
                printed_ = true;
                PrintScanResults(form_, out_);
                out_.flush();
                if (FoundAnything(form_)) {
                    acted_ = true;
                }
            }
        });
        scheduler.onScanEnded = [this] {
            if (printed_ && form_.Scheduler().LastScanRemoves() && !form_.Session().StopRequested) {
                PrintRemovalProblems(form_, out_);
            }
            out_.flush();
            scheduledScan_ = false;
            form_.ShowScheduleLabel();
        };
    }

private:
    // A listed program found running: the alert line, then the answer of
    // the options or of the user at the terminal; nullopt when there is
    // none (the program is left running).
    std::optional<bool> AskStop(const std::string& name, const std::string& shownCompany) {
        out_ << "alert\t" << Field(name) << '\t' << Field(shownCompany) << '\n' << std::flush;
        acted_ = true;
        if (answers_.stop) {
            return answers_.stop;
        }
        return Ask(err_, "Stop " + Field(name) + "? [s]top / [a]llow: ", 's', 'a');
    }

    void Answer(ui::Window& window) {
        if (&window == &form_.frmSpywareFoundAlert) {
            auto& alert = form_.frmSpywareFoundAlert;
            const std::optional<bool> stop =
                AskStop(alert.lblAlertFileName.Caption(), alert.lblAlertCompanyName.Caption());
            if (stop) {
                // What it did is told through the shield's action.
                (*stop ? alert.cmdYes : alert.cmdNO).Click();
            }
        } else if (&window == &form_.frmHomePageChangedAlert) {
            auto& alert = form_.frmHomePageChangedAlert;
            out_ << "alert\t" << Field(alert.rememberedPage) << '\t' << Field(alert.currentPage)
                 << '\n'
                 << std::flush;
            acted_ = true;
            std::optional<bool> restore = answers_.restore;
            if (!restore) {
                restore =
                    Ask(err_,
                        "Keep your homepage as " + Field(alert.rememberedPage) + "? [y]es / [n]o: ",
                        'y', 'n');
            }
            if (restore) {
                (*restore ? alert.cmdYes : alert.cmdNO).Click();
            }
        }
        out_.flush();
    }

    // What became of a program asked about: only what was done is said so.
    void NoteAction(const std::string& name, protection::ShieldAction action) {
        using protection::ShieldAction;
        switch (action) {
            case ShieldAction::kStopped:
                Print("stopped", name);
                break;
            case ShieldAction::kAllowed:
                Print("allowed", name);
                break;
            case ShieldAction::kNotStopped:
                Fail("stop-failed", name, name + " could not be stopped");
                break;
            case ShieldAction::kAllowedForNow:
                Fail("allow-failed", name,
                     name + " could not be added to the exclusion list " +
                         form_.Exclusions().FilePath());
                break;
        }
    }

    void Print(std::string_view tag, const std::string& field) {
        lastFailure_.clear();
        out_ << tag << '\t' << Field(field) << '\n' << std::flush;
    }

    // A failure line; the same failure again right after it (a silent
    // restore that fails at every look) is not printed again.
    void Fail(std::string_view tag, const std::string& field, std::string reason) {
        std::string line = std::string(tag) + '\t' + Field(field);
        if (line != lastFailure_) {
            out_ << line << '\n' << std::flush;
            lastFailure_ = std::move(line);
        }
        failure_ = Field(reason);
    }

    // A restored or accepted page, asked about or not.
    void NoteOutcome(protection::FrmHomePageChangedAlert& alert) {
        using Outcome = protection::FrmHomePageChangedAlert::Outcome;
        if (alert.Outcomes() == outcomesSeen_) {
            return;  // a change of the window, not a new outcome
        }
        outcomesSeen_ = alert.Outcomes();
        if (alert.LastOutcome() == Outcome::kRestored) {
            Print("restored", alert.LastOutcomePage());
            acted_ = true;
        } else if (alert.LastOutcome() == Outcome::kAccepted) {
            Print("accepted", alert.LastOutcomePage());
        } else if (alert.LastOutcome() == Outcome::kRestoreFailed) {
            acted_ = true;
            Fail("restore-failed", alert.LastOutcomePage(),
                 "the start page could not be written back as " + alert.LastOutcomePage());
        }
    }

    app::Application application_;
    CliHost host_;
    CliFrontEnd frontEnd_;
    app::FrmMain& form_;
    Answers answers_;
    std::ostream& out_;
    std::ostream& err_;
    bool acted_ = false;
    size_t outcomeSlot_ = 0;
    unsigned outcomesSeen_ = 0;
    std::optional<size_t> statusSlot_;
    bool scheduledScan_ = false;
    bool printed_ = false;
    std::string failure_;
    std::string lastFailure_;
};

// Without a terminal, an alert can be answered only by an option: a run that
// might raise one without it does not start. The home-page shield asks only
// when its option says so.
Status CanAnswer(const Options& o, const Answers& answers, bool memory, bool homePage) {
    if (platform::StdinIsTerminal()) {
        return Status::Ok();
    }
    if (homePage && !answers.restore) {
        app::Application application(o.folders);
        const settings::SettingsStore store(application.Platform().settings,
                                            application.Info().productName);
        homePage = store.GetBool(settings::kOptionAndSettings,
                                 settings::keys::kOptAlwaysnotifybeforerestoring, true);
    }
    if (memory && !answers.stop) {
        return Status::Failure(
            "no terminal to ask at: give --memory-answer stop or --memory-answer allow");
    }
    if (homePage && !answers.restore) {
        return Status::Failure(
            "no terminal to ask at: give --homepage-answer yes or --homepage-answer no");
    }
    return Status::Ok();
}

}  // namespace

Result<int> Shield(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    if (a.size() < 2 || (a[1] != "memory" && a[1] != "homepage")) {
        return Usage();
    }
    const bool memory = a[1] == "memory";
    Answers answers;
    if (Status s = TakeAnswers(a, 2, answers, nullptr); !s) {
        return s;
    }
    if (Status folders = app::CheckFolders(o.folders); !folders) {
        return folders;
    }
    if (Status s = CanAnswer(o, answers, memory, !memory); !s) {
        return s;
    }
    Shields shields(o, answers, out, err);
    if (memory) {
        shields.Form().tmrMemoryInspected_Timer();
    } else {
        shields.Form().tmrCheckHomePage_Timer();
    }
    return shields.Outcome();
}

Result<int> Watch(const Options& o, std::ostream& out, std::ostream& err) {
    Answers answers;
    std::chrono::seconds seconds{0};
    if (Status s = TakeAnswers(o.args, 1, answers, &seconds); !s) {
        return s;
    }
    if (Status folders = app::CheckFolders(o.folders); !folders) {
        return folders;
    }
    if (Status s = CanAnswer(o, answers, true, true); !s) {
        return s;
    }
    Shields shields(o, answers, out, err);
    shields.ReportScheduledScans();
    app::FrmMain& form = shields.Form();
    shields.Host().onInterrupt = [&form] { form.RequestStop(); };
    platform::CatchInterrupts(shields.Host().InterruptFlag());
    // The background timers as the settings say (the window is in the tray).
    form.SetBackgroundTimers(true);
    // The automatic update, when it is on: five idle minutes after the
    // start, as the window does, and then once a day, since nothing restarts
    // this program; new definitions are read in place and said.
    if (form.Settings().GetNumber(settings::kOptionAndSettings, settings::keys::kChkAutomaticUpdate,
                                  0) == 1) {
        form.ArmAutomaticUpdate(300);
        auto tick = form.timUpdate.onTick;
        form.timUpdate.onTick = [&form, &out, tick] {
            const unsigned before = form.UpdateChecks();
            tick();
            if (form.UpdateChecks() == before) {
                return;
            }
            for (const update::KindUpdate& kind : form.LastUpdateCheck().kinds) {
                if (kind.outcome == update::Outcome::kDownloaded) {
                    out << "updated\t" << Field(definitions::FileNameOf(kind.kind)) << '\t'
                        << kind.version << '\n'
                        << std::flush;
                }
            }
            form.ArmAutomaticUpdate(24 * 60 * 60);
        };
    }
    shields.Host().RunTimers(seconds);
    return shields.Outcome();
}

}  // namespace quellon::cli
