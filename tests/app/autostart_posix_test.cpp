// The XDG autostart entry of the Linux desktop.
#include "platform/posix/xdg_autostart.h"
#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

TEST_F(FormTest, RunAtStartupAlsoWritesTheAutostartEntryLinuxOnly) {
    WriteDefinitions();
    posix::XdgAutostart autostart("quellon-pro", "Quellon Pro", "/opt/quellon pro/quellon-pro",
                                  machine.Config() / "autostart");
    auto& f = Form();
    frontEnd.registration = &autostart;
    f.chkRunAtStartup.SetChecked(true);
    const std::string entry = ReadBytes(autostart.EntryPath());
    EXPECT_NE(entry.find("Exec=\"/opt/quellon pro/quellon-pro\"\n"), std::string::npos);
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("Icon=quellon-pro\n"), std::string::npos);
    f.chkRunAtStartup.SetChecked(false);
    EXPECT_FALSE(std::filesystem::exists(autostart.EntryPath()));
}

}  // namespace
}  // namespace quellon::testing
