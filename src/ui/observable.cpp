#include "ui/observable.h"

namespace quellon::ui {

size_t Observable::Observe(Observer fn) {
    observers_.push_back(std::move(fn));
    return observers_.size() - 1;
}

void Observable::Unobserve(size_t slot) {
    // Slots stay stable: a removed observer leaves an empty slot behind.
    if (slot < observers_.size())
        observers_[slot] = nullptr;
}

void Observable::Notify() const {
    // By index: an observer may register or remove observers while running.
    for (size_t i = 0; i < observers_.size(); ++i) {
        if (observers_[i]) {
            Observer fn = observers_[i];
            fn();
        }
    }
}

}  // namespace quellon::ui
