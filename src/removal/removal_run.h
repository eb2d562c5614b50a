// One pass of a removal run over the hidden action lists: files, then
// registry entries, then cookies, each ticked row handled once.
#pragma once

#include <string>

#include "platform/platform.h"
#include "removal/frm_delete.h"
#include "removal/quarantine_store.h"
#include "ui/controls.h"
#include "ui/host.h"

namespace quellon::removal {

// What a pass works with: the main window's lists and removal progress, the
// problem window and the quarantine. The main window builds it.
struct RemovalContext {
    ui::ListView& lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    ui::ActionList& lvwFilesToBeDeleted;
    ui::ActionList& lvwRegistryToBeDeleted;
    ui::ActionList& lvwCookiesToDelete;
    ui::ProgressBar& pgbDeleteSpywaresFound;
    ui::Label& lblDeletingPercentageCompleted;
    ui::Label& lblDeletingCaption;
    FrmDelete& frmDelete;
    QuarantineStore& quarantine;
    platform::Platform& platform;
    ui::Host& host;
};

// One pass; reads the quarantine's FirstRemovalPass. In the second pass a
// file that is still there is listed in the problem window, and its ticks
// are cleared so that its rows stay in the lists.
void RemoveCheckedItems(RemovalContext& ctx);

// "Removing : 12% Completed." for row n of count.
std::string RemovingText(size_t n, size_t count);

}  // namespace quellon::removal
