// Change notification shared by every control model.
#pragma once

#include <functional>
#include <vector>

namespace quellon::ui {

class Observable {
public:
    using Observer = std::function<void()>;
    // Registers a callback run after every change; returns its slot.
    size_t Observe(Observer fn);
    void Unobserve(size_t slot);

protected:
    void Notify() const;

private:
    std::vector<Observer> observers_;
};

}  // namespace quellon::ui
