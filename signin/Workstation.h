#pragma once

#include <QString>

namespace zev {

// Facts about this computer that the sign-in sends to the server. Tests install their own.
class Workstation {
public:
    virtual ~Workstation() = default;
    // The computer's name; empty when it cannot be had.
    virtual QString computerName() const = 0;
    // The primary local IPv4 address in dotted-decimal text.
    virtual QString localIPv4() const = 0;

    // The process-wide instance: the system's own facts unless another was installed.
    static const Workstation& instance();
    // Installs another implementation (not owned); nullptr restores the system's.
    static void install(const Workstation* workstation);
};

}  // namespace zev
