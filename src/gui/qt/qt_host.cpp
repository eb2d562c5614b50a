#include "gui/qt/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include "gui/qt/text.h"
#include "platform/backend_factory.h"
#include "ui/controls.h"
#include "ui/event_checks.h"

namespace quellon::gui {

QtHost::QtHost(LocalPathOf localPathOf) : localPathOf_(std::move(localPathOf)) {}

// Timers still registered belong to forms that outlive the host; their
// models are not touched any more.
QtHost::~QtHost() = default;

ui::MsgResult ResultOfButton(int standardButton, int style) {
    switch (standardButton) {
        case QMessageBox::Ok:
            return ui::MsgResult::kOk;
        case QMessageBox::Yes:
            return ui::MsgResult::kYes;
        case QMessageBox::No:
            return ui::MsgResult::kNo;
        case QMessageBox::Cancel:
            return ui::MsgResult::kCancel;
        default:
            break;
    }
    // Closed without a button: the box's way of saying no.
    return ui::DeclinedAnswer(style);
}

ui::MsgResult QtHost::MsgBox(std::string_view text, int style, std::string_view title) {
    if (answer) {
        return answer(text, style, title);
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (style & 7) {
        case ui::kOkCancel:
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case ui::kYesNoCancel:
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
        case ui::kYesNo:
            buttons = QMessageBox::Yes | QMessageBox::No;
            escape = QMessageBox::No;
            break;
        default:
            break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
        case ui::kCritical:
            icon = QMessageBox::Critical;
            break;
        case ui::kQuestion:
            icon = QMessageBox::Question;
            break;
        case ui::kExclamation:
            icon = QMessageBox::Warning;
            break;
        case ui::kInformation:
            icon = QMessageBox::Information;
            break;
        default:
            break;
    }
    QWidget* parent = QApplication::activeWindow();
    if (parent == nullptr) {
        // Kept above the program's window while that is shown (it may not
        // have the focus yet, just back from the tray).
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && qobject_cast<QMainWindow*>(top) != nullptr) {
                parent = top;
                break;
            }
        }
    }
    QMessageBox box(icon, ToQt(title), ToQt(text), buttons, parent);
    box.setEscapeButton(escape);
    box.setTextFormat(Qt::PlainText);
    return ResultOfButton(box.exec(), style);
}

void QtHost::DoEvents() {
    // Called after every scanned item: almost always it only counts.
    if (ui::CountEventCheck(calls_)) {
        RunEventsIfDue();
    }
}

std::size_t QtHost::DoEventsAfter(std::size_t count, const bool& stop) {
    return ui::CountEventChecks(calls_, count, stop, [this] { RunEventsIfDue(); });
}

void QtHost::RunEventsIfDue() {
    const Clock::time_point now = Clock::now();
    if (now < nextSlice_) {
        return;
    }
    ++slices_;
    if (lastRunEnd_ != Clock::time_point::min()) {
        longestWait_ = std::max<std::chrono::nanoseconds>(longestWait_, now - lastRunEnd_);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const Clock::time_point done = Clock::now();
    lastRunEnd_ = done;
    eventTime_ += done - now;
    nextSlice_ = done + ui::NextEventSlice(slice_, done - now);
}

DateTime QtHost::Now() {
    return LocalNow();
}

void QtHost::SetClipboardText(std::string_view text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(ToQt(text));
    }
}

bool QtHost::StartProgram(std::string_view commandLine, bool) {
    return platform::StartDetached(commandLine);
}

bool QtHost::OpenDocument(std::string_view path) {
    if (!localPathOf_) {
        return false;
    }
    const auto local = localPathOf_(path);
    if (!local) {
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(QFile::decodeName(local->c_str()));
    return openUrl ? openUrl(url) : QDesktopServices::openUrl(url);
}

void QtHost::EndProgram() {
    ended_ = true;
    if (beforeEnd) {
        beforeEnd();
    }
    if (endProgram) {
        endProgram();
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void QtHost::SyncTimer(TimerEntry& entry) {
    const ui::Timer& model = *entry.model;
    QTimer& timer = *entry.timer;
    // An interval of 0 keeps a timer from running, as it does on Windows.
    const bool run = model.Enabled() && model.Interval() > 0;
    if (run && timer.interval() != model.Interval()) {
        timer.setInterval(model.Interval());
    }
    if (run && !timer.isActive()) {
        timer.start();
    } else if (!run && timer.isActive()) {
        timer.stop();
    }
}

void QtHost::AddTimer(ui::Timer& timer) {
    if (ticking_ == nullptr) {
        retired_.clear();
    }
    auto entry = std::make_unique<TimerEntry>();
    entry->model = &timer;
    entry->timer = std::make_unique<QTimer>();
    TimerEntry* raw = entry.get();
    QObject::connect(entry->timer.get(), &QTimer::timeout, [this, raw] {
        TimerEntry* outer = ticking_;
        ticking_ = raw;
        raw->model->Tick();
        ticking_ = outer;
    });
    entry->slot = timer.Observe([raw] { SyncTimer(*raw); });
    SyncTimer(*raw);
    timers_.push_back(std::move(entry));
}

void QtHost::RemoveTimer(ui::Timer& timer) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if ((*it)->model == &timer) {
            timer.Unobserve((*it)->slot);
            (*it)->timer->stop();
            // A timer removed from its own tick handler is deleted later.
            if (it->get() == ticking_) {
                retired_.push_back(std::move(*it));
            }
            timers_.erase(it);
            return;
        }
    }
}

}  // namespace quellon::gui
