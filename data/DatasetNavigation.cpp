// Moving the current row over the filtered, sorted view, and bookmarks.
#include "data/Dataset.h"

#include "data/DatasetImpl.h"

#include <algorithm>

namespace zev {

void Dataset::Impl::fireAfterScroll() {
    if (q.afterScroll) {
        q.afterScroll(q);
    }
}

void Dataset::Impl::checkBrowseMode() {
    if (!editing()) {
        return;
    }
    if (modified) {
        q.post();
    } else {
        q.cancel();
    }
}

void Dataset::Impl::moveTo(int viewRow, bool alwaysScroll) {
    const bool moved = viewRow != current;
    current = viewRow;
    bof = eof = view.empty();
    if (moved) {
        emitCurrent();
    }
    if (moved || alwaysScroll) {
        fireAfterScroll();
    }
}

int Dataset::Impl::viewPosition(int row) const {
    const auto it = std::find(view.begin(), view.end(), row);
    return it == view.end() ? -1 : static_cast<int>(it - view.begin());
}

int Dataset::recordCount() const {
    return static_cast<int>(d->view.size());
}

int Dataset::recNo() const {
    return d->current + 1;
}

void Dataset::setRecNo(int recNo) {
    d->checkActive();
    if (recNo < 1 || recNo > recordCount() || recNo - 1 == d->current) {
        return;
    }
    d->checkBrowseMode();
    d->moveTo(std::min(recNo, recordCount()) - 1, false);
}

void Dataset::first() {
    d->checkActive();
    d->checkBrowseMode();
    d->moveTo(d->view.empty() ? -1 : 0, true);
    d->bof = true;
}

void Dataset::last() {
    d->checkActive();
    d->checkBrowseMode();
    d->moveTo(recordCount() - 1, true);
    d->eof = true;
}

void Dataset::next() {
    d->checkActive();
    d->checkBrowseMode();
    if (d->current + 1 < recordCount()) {
        d->moveTo(d->current + 1, false);
    } else {
        d->eof = true;
    }
}

void Dataset::prior() {
    d->checkActive();
    d->checkBrowseMode();
    if (d->current > 0) {
        d->moveTo(d->current - 1, false);
    } else {
        d->bof = true;
    }
}

bool Dataset::eof() const {
    return d->eof || d->view.empty();
}

bool Dataset::bof() const {
    return d->bof || d->view.empty();
}

Dataset::Bookmark Dataset::bookmark() const {
    const int row = d->current >= 0 ? d->view[d->current] : -1;
    if (!isOpen() || row < 0 || (row == d->editRow && d->state == DatasetState::Insert)) {
        return {};
    }
    return QByteArray::number(d->generation) + ':' + QByteArray::number(row);
}

Dataset::Bookmark Dataset::bookmarkAt(int viewRow) const {
    if (!isOpen() || viewRow < 0 || viewRow >= recordCount()) {
        return {};
    }
    const int row = d->view[viewRow];
    if (row == d->editRow && d->state == DatasetState::Insert) {
        return {};
    }
    return QByteArray::number(d->generation) + ':' + QByteArray::number(row);
}

namespace {

// The stored row a bookmark of this open names, or -1.
int bookmarkRow(const Dataset::Bookmark& bookmark, std::uint32_t generation,
                const std::vector<std::uint8_t>& live) {
    const qsizetype colon = bookmark.indexOf(':');
    if (colon <= 0) {
        return -1;
    }
    bool okGen = false;
    bool okRow = false;
    const uint gen = bookmark.left(colon).toUInt(&okGen);
    const int row = bookmark.mid(colon + 1).toInt(&okRow);
    if (!okGen || !okRow || gen != generation || row < 0 || row >= static_cast<int>(live.size()) ||
        !live[row]) {
        return -1;
    }
    return row;
}

}  // namespace

bool Dataset::bookmarkValid(const Bookmark& bookmark) const {
    if (!isOpen()) {
        return false;
    }
    const int row = bookmarkRow(bookmark, d->generation, d->live);
    return row >= 0 && d->viewPosition(row) >= 0;
}

void Dataset::gotoBookmark(const Bookmark& bookmark) {
    d->checkActive();
    const int row = bookmarkRow(bookmark, d->generation, d->live);
    const int position = row < 0 ? -1 : d->viewPosition(row);
    if (position < 0) {
        throw Error(QStringLiteral("%1: Record not found").arg(objectName()));
    }
    d->checkBrowseMode();
    // Posting may have moved rows of a sorted view: find the row again.
    d->moveTo(d->viewPosition(row), true);
}

}  // namespace zev
