// The forms' windows as a front-end shows them: modally, or as an alert that
// waits for its answer while the rest of the program goes on.
#pragma once

#include <functional>

#include "ui/controls.h"

namespace quellon::ui {

class Windows {
public:
    virtual ~Windows() = default;
    // Shows a window modally; returns when it is hidden again.
    virtual void ShowModal(Window& window) = 0;
    // Shows an alert without making it modal and lets events run until
    // `answered` holds or the alert is closed some other way (its model is
    // then hidden). The window stays responsive meanwhile.
    virtual void ShowAlertAndWait(Window& alert, const std::function<bool()>& answered) = 0;
};

}  // namespace quellon::ui
