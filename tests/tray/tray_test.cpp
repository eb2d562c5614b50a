// The tray icon over a recording service, the tray menu's timers over the
// scripted event loop, and the help window over a temporary program folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_host.h"
#include "support/test_machine.h"
#include "tray/cls_tray.h"
#include "tray/form8.h"
#include "tray/frm_menu_popup.h"

namespace quellon::testing {
namespace {

using tray::FrmMenuPopUp;

class RecordingTray : public tray::TrayIconService {
public:
    bool hasTray = true;
    std::vector<std::string> calls;
    bool ShowTrayIcon(std::string_view tip) override {
        calls.push_back("show " + std::string(tip));
        return hasTray;
    }
    void RemoveTrayIcon() override { calls.emplace_back("remove"); }
    void ChangeTrayTip(std::string_view tip) override {
        calls.push_back("tip " + std::string(tip));
    }
};

TEST(ClsTray, TheIconAndItsTip) {
    RecordingTray service;
    ui::Control icon;
    icon.SetVisible(false);
    tray::ClsTray tray(service, icon);
    ui::Window form(std::string(70, 'x') + "tail");
    // Outside the tray a new tip does nothing.
    tray.ChangeToolTip(form, "new");
    EXPECT_TRUE(service.calls.empty());
    EXPECT_FALSE(tray.bRunningInTray());

    tray.ShowIcon(form);
    EXPECT_TRUE(tray.bRunningInTray());
    EXPECT_TRUE(icon.Visible());
    EXPECT_TRUE(tray.IconShown());
    ASSERT_EQ(service.calls.size(), 1u);
    EXPECT_EQ(service.calls[0], "show " + std::string(63, 'x')) << "a tip holds 63 characters";
    tray.ChangeToolTip(form, "Scanning " + std::string(80, 'y'));
    EXPECT_EQ(service.calls.back(), "tip Scanning " + std::string(54, 'y'));
    tray.RemoveIcon(form);
    EXPECT_EQ(service.calls.back(), "remove");
    EXPECT_FALSE(tray.bRunningInTray());
    EXPECT_FALSE(icon.Visible());

    // Without a notification area the program still runs "in the tray"
    // (the window stays minimised on the taskbar).
    service.hasTray = false;
    tray.ShowIcon(form);
    EXPECT_TRUE(tray.bRunningInTray());
    EXPECT_FALSE(tray.IconShown());
}

class TrayMenuTest : public ::testing::Test {
protected:
    // A 1024 x 768 screen with a 40-pixel taskbar.
    void Open(bool mainVisible = false, bool exitEnabled = true) {
        menu.Form_Load({1024, 768, 40}, mainVisible, exitEnabled);
    }
    // Runs the slide up to its end.
    void SlideUp() {
        for (int i = 0; i < 100 && menu.tmrMenuPopup.Enabled(); ++i) {
            host.RunFor(1);
        }
    }
    ScriptedHost host;
    FrmMenuPopUp menu{host};
};

TEST_F(TrayMenuTest, SlidesUpAboveTheTaskbarAtTheRightEdge) {
    EXPECT_FALSE(menu.Visible());
    Open();
    const int bottom = static_cast<int>((768 - 40) * 14.5);
    EXPECT_EQ(menu.Top(), bottom);
    EXPECT_EQ(menu.TargetTop(), bottom - (FrmMenuPopUp::kHeight + 100));
    EXPECT_TRUE(menu.tmrMenuPopup.Enabled());
    EXPECT_FALSE(menu.TmrEnablePopDown.Enabled());
    host.RunFor(1);
    EXPECT_TRUE(menu.Visible());
    EXPECT_EQ(menu.Top(), bottom - 80);
    SlideUp();
    EXPECT_EQ(menu.Top(), menu.TargetTop());
    EXPECT_FALSE(menu.tmrMenuPopup.Enabled());
    EXPECT_TRUE(menu.TmrEnablePopDown.Enabled());
    // On the screen: above the taskbar, its right edge near the screen's.
    const int right = menu.PixelLeft() + FrmMenuPopUp::PixelWidth();
    const int lower = menu.PixelTop() + FrmMenuPopUp::PixelHeight();
    EXPECT_LE(right, 1024);
    EXPECT_GE(right, 1024 - 10);
    EXPECT_LE(lower, 768 - 40);
    EXPECT_GE(lower, 768 - 40 - 20);
    EXPECT_GE(menu.PixelTop(), 0);
}

TEST_F(TrayMenuTest, ClosesItselfOnTheTwentyFirstIdleTickAndAMoveStartsTheCountAgain) {
    Open();
    SlideUp();
    host.RunFor(2000 * 15);
    EXPECT_EQ(menu.lTimDown, 15);
    menu.Form_MouseMove();
    EXPECT_EQ(menu.lTimDown, 0);
    host.RunFor(2000 * 20);
    EXPECT_EQ(menu.lTimDown, 20);
    EXPECT_TRUE(menu.TmrEnablePopDown.Enabled());
    EXPECT_FALSE(menu.tmrPopDown.Enabled());
    host.RunFor(2000);  // the 21st tick
    EXPECT_EQ(menu.lTimDown, 0);
    EXPECT_FALSE(menu.TmrEnablePopDown.Enabled());
    EXPECT_TRUE(menu.tmrPopDown.Enabled());
    // It slides down 100 twips a tick and unloads once below its line.
    const int top = menu.Top();
    host.RunFor(10);
    EXPECT_EQ(menu.Top(), top + 100);
    EXPECT_TRUE(menu.Visible());
    host.RunFor(200);
    EXPECT_FALSE(menu.Visible());
    EXPECT_FALSE(menu.tmrPopDown.Enabled());
    EXPECT_GT(menu.Top(), static_cast<int>((768 - 40) * 14.5) - 2000);
}

TEST_F(TrayMenuTest, TheItemsStateAndCloseThisMenu) {
    Open(true, false);
    EXPECT_FALSE(menu.mnuMaxmimaize.Enabled()) << "greyed while the window is visible";
    EXPECT_FALSE(menu.mnuClose.Enabled());
    Open(false, true);
    EXPECT_TRUE(menu.mnuMaxmimaize.Enabled());
    EXPECT_TRUE(menu.mnuClose.Enabled());
    SlideUp();

    menu.lblMenuClose_MouseMove();
    EXPECT_TRUE(menu.MenuCloseBold());
    menu.Form_MouseMove();
    EXPECT_FALSE(menu.MenuCloseBold());
    menu.lblMenuClose_MouseMove();
    // Mid-way through the slide up it still slides down at once.
    Open();
    host.RunFor(3);
    EXPECT_FALSE(menu.MenuCloseBold()) << "a new opening starts plain";
    menu.lblMenuClose.Click();
    EXPECT_FALSE(menu.tmrMenuPopup.Enabled());
    EXPECT_FALSE(menu.TmrEnablePopDown.Enabled());
    EXPECT_TRUE(menu.tmrPopDown.Enabled());
    host.RunFor(1000);
    EXPECT_FALSE(menu.Visible());
    EXPECT_FALSE(menu.tmrPopDown.Enabled() || menu.tmrMenuPopup.Enabled() ||
                 menu.TmrEnablePopDown.Enabled());
}

class HelpWindowTest : public ::testing::Test {
protected:
    std::string Open() {
        tray::Form8 help(machine.Platform().files, host, store, machine.HomeWindowsPath());
        help.Form_Load();
        return host.openedDocuments.empty() ? std::string() : host.openedDocuments.back();
    }
    TestMachine machine;
    ScriptedHost host;
    settings::SettingsStore store{machine.Platform().settings};
};

TEST_F(HelpWindowTest, OpensHelpChmElseThePageAndRemembersEitherWay) {
    EXPECT_EQ(Open(), "");
    EXPECT_EQ(store.Get(settings::kSettings, settings::keys::kShowHelp, "1"), "0");
    machine.HomeFile("Help.html", "<html></html>");
    EXPECT_EQ(Open(), machine.HomeWindowsPath() + "\\Help.html");
    machine.HomeFile("Help.chm", "ITSF");
    EXPECT_EQ(Open(), machine.HomeWindowsPath() + "\\Help.chm");
    EXPECT_EQ(host.openedDocuments.size(), 2u);
}

}  // namespace
}  // namespace quellon::testing
