#pragma once

// A small file size limit stands for a full disk: writes past it break off half-way (and the
// signal such a write raises is ignored, so the process lives on and sees the failed write).
// The limit and the signal's handler are restored when the object goes, also when an assertion
// ends the test early, so later tests of the process write as usual.

#if defined(__unix__)
#include <sys/resource.h>

#include <csignal>

namespace zev::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        applied_ = getrlimit(RLIMIT_FSIZE, &old_) == 0;
        if (!applied_) {
            return;
        }
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        applied_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit holds; a test that needs it asserts this.
    bool applied() const { return applied_; }

    void lift() {
        if (previousHandler_ != SIG_ERR) {
            setrlimit(RLIMIT_FSIZE, &old_);
            std::signal(SIGXFSZ, previousHandler_);
            previousHandler_ = SIG_ERR;
        }
        applied_ = false;
    }

private:
    rlimit old_{};
    void (*previousHandler_)(int) = SIG_ERR;
    bool applied_ = false;
};

}  // namespace zev::testing
#endif
