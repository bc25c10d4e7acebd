#pragma once

#include "data/Dataset.h"

#include <exception>
#include <utility>

namespace zev {

// Suspends a dataset's display updates for a scope, so that the grid repaints once afterwards
// however the scope is left.
class ControlsPause {
public:
    explicit ControlsPause(Dataset& dataset) : dataset_(dataset) { dataset_.disableControls(); }
    ~ControlsPause() { dataset_.enableControls(); }
    ControlsPause(const ControlsPause&) = delete;
    ControlsPause& operator=(const ControlsPause&) = delete;

private:
    Dataset& dataset_;
};

// Runs an action whose failure concerns one record only; answers whether it succeeded.
template <class Action>
bool absorbed(Action&& action) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace zev
