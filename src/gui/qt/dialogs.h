// The engine's other windows as dialogs over the main window: the list of
// files a removal could not delete, the scan report, and the choice of a
// quarantined file to restore.
#pragma once

#include <optional>
#include <vector>

#include <QDialog>

#include "gui/qt/bindings.h"
#include "protection/alerts.h"
#include "removal/frm_delete.h"
#include "removal/quarantine_store.h"
#include "report/report.h"
#include "ui/controls.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"

namespace quellon::gui {

// A dialog that follows a window model: its title is the model's caption;
// hiding the model closes the dialog, closing the dialog (its close box,
// Escape) hides the model, and the model's requests to come to the front
// raise it.
class WindowDialog : public QDialog {
public:
    enum class Showing {
        kWithModel,  // shown, not modal, whenever the model is shown
        kModal,      // shown only by RunModal
    };
    WindowDialog(ui::Window& model, const QString& name, Showing showing, QWidget* parent);
    ~WindowDialog() override;
    WindowDialog(const WindowDialog&) = delete;
    WindowDialog& operator=(const WindowDialog&) = delete;

    ui::Window& Model() { return model_; }
    Binder& Bindings() { return bind_; }

    // Shows the dialog modally while the model is shown; the model is hidden
    // when it returns.
    void RunModal();
    // Raises the dialog above the other windows and gives it the focus.
    void BringToFront();

    void done(int result) override;

private:
    void Follow();

    ui::Window& model_;
    Showing showing_;
    Binder bind_;
    bool following_ = false;
    unsigned frontRequests_ = 0;
};

// "Files Not Deleted": the two notes, the list and its two buttons.
WindowDialog* MakeDeleteDialog(removal::FrmDelete& form, QWidget* parent);
// The scan report in a read-only text box with an OK button; shown modally.
WindowDialog* MakeReportDialog(report::FrmReport& form, QWidget* parent);

// "Malicious Program Found": the memory shield's alert, on top, shown while
// its model is (the shield waits for STOP or ALLOW without a modal loop).
WindowDialog* MakeSpywareAlertDialog(protection::FrmSpywareFoundAlert& form, QWidget* parent);
// "Morvane": the home-page shield's question, on top, shown modally.
WindowDialog* MakeHomePageAlertDialog(protection::FrmHomePageChangedAlert& form, QWidget* parent);

// Live Update's small window: what it checks or fetches.
WindowDialog* MakeDownloadDialog(update::FrmDownload& form, QWidget* parent);

// The notice of an automatic update: a frameless window on top that sits
// where its model says (twips, 15 to the pixel) while it slides.
class NoticeWindow : public QWidget {
public:
    explicit NoticeWindow(update::FrmSignatureUpdated& form);
    ~NoticeWindow() override;
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;

private:
    void Follow();
    update::FrmSignatureUpdated& form_;
    Binder bind_;
};

// Asks which quarantined file to put back; nullopt when cancelled.
std::optional<size_t> ChooseQuarantinedFile(const std::vector<removal::QuarantinedFile>& files,
                                            QWidget* parent);

}  // namespace quellon::gui
