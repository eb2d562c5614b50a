// The engine's other windows as top-level windows owned by the main window:
// the list of files a removal could not delete, the scan report, the two
// shield alerts, Live Update's download window and notice, and the choice of
// a quarantined file to restore.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "gui/win32/bindings.h"
#include "gui/win32/window_class.h"
#include "protection/alerts.h"
#include "removal/frm_delete.h"
#include "removal/quarantine_store.h"
#include "report/report.h"
#include "ui/controls.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"

namespace quellon::gui::win32 {

class Win32Host;

// A window that follows a window model: its title is the model's caption;
// hiding the model closes the window, closing the window (its close box,
// Escape) hides the model, and the model's requests to come to the front
// raise it.
class WindowDialog : public WindowBase {
public:
    enum class Showing {
        kWithModel,  // shown, not modal, whenever the model is shown
        kModal,      // shown only by RunModal
    };
    WindowDialog(ui::Window& model, Win32Host& host, Showing showing, HWND owner, int width,
                 int height, bool onTop = false);
    ~WindowDialog() override;

    ui::Window& Model() { return model_; }
    Binder& Bindings() { return bind_; }
    // Shows the window modally (its owner disabled) while the model is
    // shown; the model is hidden when it returns.
    void RunModal();
    // Raises the window above the others and gives it the focus.
    void BringToFront();
    // The button Enter presses.
    void SetDefaultButton(HWND button);
    // A label drawn in `colour` instead of the window text colour.
    void SetTextColour(HWND label, COLORREF colour);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Follow();
    ui::Window& model_;
    Win32Host& host_;
    Showing showing_;
    HWND owner_;
    Binder bind_;
    bool following_ = false;
    bool modal_ = false;
    unsigned frontRequests_ = 0;
    HWND defaultButton_ = nullptr;
    std::vector<std::pair<HWND, COLORREF>> colours_;
};

// "Files Not Deleted": the two notes, the list and its two buttons.
std::unique_ptr<WindowDialog> MakeDeleteDialog(removal::FrmDelete& form, Win32Host& host,
                                               HWND owner);
// The scan report in a read-only text box with an OK button; shown modally.
std::unique_ptr<WindowDialog> MakeReportDialog(report::FrmReport& form, Win32Host& host,
                                               HWND owner);
// "Malicious Program Found": the memory shield's alert, on top, shown while
// its model is (the shield waits for STOP or ALLOW without a modal loop).
std::unique_ptr<WindowDialog> MakeSpywareAlertDialog(protection::FrmSpywareFoundAlert& form,
                                                     Win32Host& host, HWND owner);
// "Morvane": the home-page shield's question, on top, shown modally.
std::unique_ptr<WindowDialog> MakeHomePageAlertDialog(protection::FrmHomePageChangedAlert& form,
                                                      Win32Host& host, HWND owner);
// Live Update's small window: what it checks or fetches.
std::unique_ptr<WindowDialog> MakeDownloadDialog(update::FrmDownload& form, Win32Host& host,
                                                 HWND owner);

// The notice of an automatic update: a borderless window on top that sits
// where its model says (twips, 15 to the pixel) while it slides.
class NoticeWindow : public WindowBase {
public:
    explicit NoticeWindow(update::FrmSignatureUpdated& form);
    ~NoticeWindow() override;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Follow();
    update::FrmSignatureUpdated& form_;
    Binder bind_;
};

// Asks which quarantined file to put back; nullopt when cancelled.
std::optional<size_t> ChooseQuarantinedFile(const std::vector<removal::QuarantinedFile>& files,
                                            Win32Host& host, HWND owner);

// The about box.
void ShowAboutBox(HWND owner, const std::string& productName, const std::string& version);

}  // namespace quellon::gui::win32
