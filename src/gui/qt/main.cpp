// quellon-pro: the window program.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "gui/qt/icons.h"
#include "gui/qt/main_window.h"
#include "gui/qt/program.h"

int main(int argc, char** argv) {
    using namespace quellon;
    const std::string usage = app::WindowUsage("quellon-pro", " [Qt options]");
    const app::WindowCommandLine line =
        app::ParseWindowCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc),
                                    app::FoldersFromEnvironment());
    if (line.help) {
        std::cout << usage;
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << "quellon-pro: " << line.error << "\n\n" << usage;
        return 2;
    }
    std::vector<std::string> qtArgStore{argc > 0 ? argv[0] : "quellon-pro"};
    qtArgStore.insert(qtArgStore.end(), line.rest.begin(), line.rest.end());
    std::vector<char*> qtArgs;
    for (auto& arg : qtArgStore) {
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
        std::cerr << "quellon-pro: unknown argument " << qtArgs[1] << "\n\n" << usage;
        return 2;
    }

    if (const auto problem = app::FolderProblem(line.folders, "quellon-pro")) {
        std::cerr << "quellon-pro: " << *problem << '\n';
        QMessageBox::critical(nullptr, QStringLiteral("Quellon Pro"),
                              QString::fromStdString(*problem));
        return 2;
    }

    gui::ProgramOptions options;
    options.home = line.folders.home;
    options.machine = line.folders.machine;
    options.config = line.folders.config;
    gui::Program program(options);
    if (line.actions.Any()) {
        program.onLoaded = [&program, &line] {
            // Once the window's own start-up events have run.
            QTimer::singleShot(0, &program.Window(), [&program, &line] {
                app::RunStartUpActions(program.Form(), line.actions);
            });
        };
    }
    program.Start();
    return QApplication::exec();
}
