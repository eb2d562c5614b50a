// A window program over a temporary machine, program folder and settings
// folder, with message boxes answered by script instead of shown.
#pragma once

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QString>
#include <QTest>
#include <QUrl>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "definitions/codec.h"
#include "gui/qt/main_window.h"
#include "gui/qt/program.h"
#include "gui/qt/qt_host.h"
#include "support/test_machine.h"

namespace quellon::testing {

// The offscreen platform says at every layout change what it cannot do. A
// test class silences that in its initTestCase (QTest installs its own
// handler for each class) and lets it speak again in its cleanupTestCase.
inline QtMessageHandler& PreviousMessageHandler() {
    static QtMessageHandler previous = nullptr;
    return previous;
}
inline void QuietPlatform(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (!message.startsWith(QStringLiteral("This plugin does not support"))) {
        PreviousMessageHandler()(type, context, message);
    }
}
inline void SilencePlatformMessages() {
    PreviousMessageHandler() = qInstallMessageHandler(QuietPlatform);
}
inline void RestorePlatformMessages() {
    qInstallMessageHandler(PreviousMessageHandler());
}

struct ShownBox {
    std::string text;
    int style = 0;
    std::string title;
};

class GuiHarness {
public:
    GuiHarness() = default;
    ~GuiHarness() { program.reset(); }

    // Writes all four definition files (empty unless given), encoded.
    void WriteDefinitions(std::initializer_list<std::string_view> files = {},
                          std::initializer_list<std::string_view> registry = {},
                          std::initializer_list<std::string_view> exes = {},
                          std::initializer_list<std::string_view> cookies = {}) {
        machine.HomeFile("FileDefinition.dat", Encode(files));
        machine.HomeFile("RegistryDefinition.dat", Encode(registry));
        machine.HomeFile("ExeDefinition.dat", Encode(exes));
        machine.HomeFile("BlockedCookies.dat", Encode(cookies));
    }
    static std::string Encode(std::initializer_list<std::string_view> lines) {
        std::string out;
        for (auto line : lines) {
            out += definitions::EncodeDefinitionLine(line) + "\r\n";
        }
        return out;
    }

    // The next message box must contain `text`; it is answered with `answer`.
    void Expect(std::string text, ui::MsgResult answer) {
        script.emplace_back(std::move(text), answer);
    }

    // Builds the program and runs its start-up until the main window is up
    // (or loading ended at once); false on a time-out.
    bool Start() {
        program.reset();
        gui::ProgramOptions options;
        options.home = machine.Home();
        options.machine = machine.Root();
        options.config = machine.Config();
        options.autostartFolder = machine.Config() / "autostart";
        options.executable = "/opt/quellon pro/quellon-pro";
        program = std::make_unique<gui::Program>(options);
        auto& host = program->Host();
        host.answer = [this](std::string_view text, int style, std::string_view title) {
            shown.push_back({std::string(text), style, std::string(title)});
            if (script.empty() ||
                std::string_view(text).find(script.front().first) == std::string_view::npos) {
                unexpected.push_back(std::string(text));
                return (style & 7) == ui::kYesNo ? ui::MsgResult::kNo : ui::MsgResult::kOk;
            }
            const ui::MsgResult answer = script.front().second;
            script.pop_front();
            return answer;
        };
        host.endProgram = [this] { ++ends; };
        host.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        program->Start();
        // The start window's timer ticks every 2 ms: wait for events rather
        // than sleep between them.
        QDeadlineTimer deadline(10000);
        while (!program->Loaded() && !program->Refused() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        Settle();
        return program->Loaded() || program->Refused();
    }

    app::FrmMain& Form() { return program->Form(); }
    gui::MainWindow& Window() { return program->Window(); }
    template <typename T>
    T* Find(const char* name) {
        return Window().findChild<T*>(QString::fromLatin1(name));
    }
    std::string Stored(std::string_view section, std::string_view key) {
        return Form().Settings().Get(section, key, "<absent>");
    }
    // Clicks a check box or option button on its box (a click beside its
    // caption does nothing).
    static void Tick(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, button->height() / 2));
    }
    // Lets pending events run (the lists follow their models then).
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    TestMachine machine;
    std::unique_ptr<gui::Program> program;
    std::deque<std::pair<std::string, ui::MsgResult>> script;
    std::vector<ShownBox> shown;
    std::vector<std::string> unexpected;
    std::vector<QUrl> opened;
    int ends = 0;
};

}  // namespace quellon::testing
