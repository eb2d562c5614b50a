// quellon-pro: the window program.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <vector>

#include "app/frm_main.h"
#include "gui/qt/command_line.h"
#include "gui/qt/icons.h"
#include "gui/qt/main_window.h"
#include "gui/qt/program.h"

int main(int argc, char** argv) {
    using namespace quellon;
    gui::CommandLine line = gui::ParseCommandLine(argc, argv);
    if (line.help) {
        std::cout << gui::kUsage;
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << "quellon-pro: " << line.error << "\n\n" << gui::kUsage;
        return 2;
    }
    std::vector<char*> qtArgs;
    for (auto& arg : line.rest) {
        qtArgs.push_back(arg.data());
    }
    int qtArgc = static_cast<int>(qtArgs.size());
    qtArgs.push_back(nullptr);

    QApplication app(qtArgc, qtArgs.data());
    QApplication::setApplicationName(QStringLiteral("quellon-pro"));
    // The menu entry's name, which Wayland desktops match the window with.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quellon.QuellonPro"));
    QApplication::setWindowIcon(gui::AppIcon());
    // Sent to the tray, the program lives on without a window.
    QApplication::setQuitOnLastWindowClosed(false);
    if (qtArgc > 1) {
        std::cerr << "quellon-pro: unknown argument " << qtArgs[1] << "\n\n" << gui::kUsage;
        return 2;
    }

    std::error_code ec;
    if (!std::filesystem::is_directory(line.machine, ec)) {
        const QString text =
            QStringLiteral(
                "The machine root %1 is not a folder.\n\nStart quellon-pro with "
                "--machine DIR or set QUELLON_MACHINE; a Wine prefix serves as a "
                "machine, and \"quellon-cli make-demo DIR\" writes a demo machine.")
                .arg(QString::fromStdString(line.machine.string()));
        std::cerr << "quellon-pro: " << text.toStdString() << '\n';
        QMessageBox::critical(nullptr, QStringLiteral("Quellon Pro"), text);
        return 2;
    }

    gui::ProgramOptions options;
    options.home = line.home;
    options.machine = line.machine;
    options.config = line.config;
    gui::Program program(options);
    program.onLoaded = [&program, &line] {
        if (!line.scan && line.page.empty() && line.shield.empty() && !line.notice) {
            return;
        }
        QTimer::singleShot(0, &program.Window(), [&program, &line] {
            if (line.scan) {
                if (auto* start =
                        program.Window().findChild<QPushButton*>(QStringLiteral("cmdScanNow"))) {
                    start->click();
                }
                if (line.remove) {
                    auto& session = program.Form().Session();
                    session.UnattendedRemoval = true;
                    program.Form().RemoveAllFound();
                    session.UnattendedRemoval = false;
                }
            }
            gui::ShowPage(program.Form(), line.page, line.tab);
            if (line.shield == "memory") {
                program.Form().tmrMemoryInspected_Timer(protection::Trigger::kRequest);
            } else if (line.shield == "homepage") {
                program.Form().tmrCheckHomePage_Timer();
            }
            if (line.notice) {
                program.Form().mnuDebugSignature.Click();
            }
        });
    };
    program.Start();
    return QApplication::exec();
}
