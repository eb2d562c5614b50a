// The start window: the product name on a small frameless picture, shown
// while the splash model's window is visible.
#pragma once

#include <QWidget>

#include "app/frm_splash.h"
#include "gui/qt/bindings.h"

namespace quellon::gui {

class SplashWidget : public QWidget {
public:
    SplashWidget(app::FrmSplash& splash, const QString& product, const QString& line);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString product_, line_;
    Binder bind_;
};

}  // namespace quellon::gui
