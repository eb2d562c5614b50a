// The slide-up tray menu: a borderless window on top of the others that
// mirrors tray::FrmMenuPopUp (its place on the screen, its items) and tells
// the model of every mouse movement over it.
#pragma once

#include <QWidget>

#include "gui/qt/bindings.h"
#include "tray/frm_menu_popup.h"

class QAbstractButton;

namespace quellon::gui {

class TrayMenu : public QWidget {
public:
    TrayMenu(tray::FrmMenuPopUp& model, const QString& productName);
    ~TrayMenu() override;
    TrayMenu(const TrayMenu&) = delete;
    TrayMenu& operator=(const TrayMenu&) = delete;

    tray::FrmMenuPopUp& Model() { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Sync();
    void Follow(QWidget* widget);

    tray::FrmMenuPopUp& model_;
    Binder bind_;
    QAbstractButton* close_ = nullptr;
};

}  // namespace quellon::gui
