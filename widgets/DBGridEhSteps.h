#pragma once

// Helpers shared by the files that make up the grid (DBGridEh*.cpp); not part of its interface.

#include "data/Dataset.h"
#include "widgets/Notices.h"

#include <exception>
#include <utility>

namespace zev::gridsteps {

// The width of the row-indicator column, also the narrowest a title section may get.
constexpr int kIndicatorWidth = 12;

// Runs a step whose failure is shown to the user; answers whether it went through.
template <class Step>
bool attempt(Step&& step) {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

// Whether the dataset holds a row being edited or inserted.
inline bool editing(const Dataset* dataset) {
    return dataset &&
           (dataset->state() == DatasetState::Edit || dataset->state() == DatasetState::Insert);
}

}  // namespace zev::gridsteps
