// The window tests: every test class on one application object.
#include <QApplication>

namespace quellon::testing {
int RunMainWindowGuiTests(int argc, char** argv);
int RunQtHostTests(int argc, char** argv);
int RunBindingsGuiTests(int argc, char** argv);
int RunRemovalGuiTests(int argc, char** argv);
int RunAppIconTests(int argc, char** argv);
int RunTrayGuiTests(int argc, char** argv);
}  // namespace quellon::testing

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    int failed = 0;
    failed += quellon::testing::RunQtHostTests(argc, argv);
    failed += quellon::testing::RunBindingsGuiTests(argc, argv);
    failed += quellon::testing::RunMainWindowGuiTests(argc, argv);
    failed += quellon::testing::RunRemovalGuiTests(argc, argv);
    failed += quellon::testing::RunAppIconTests(argc, argv);
    failed += quellon::testing::RunTrayGuiTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
