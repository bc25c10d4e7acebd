#pragma once

// This computer's facts as the sign-in sends them, chosen by the test.

#include "signin/Workstation.h"

#include <QString>

namespace zev::testing {

class FakeWorkstation final : public Workstation {
public:
    FakeWorkstation() = default;
    FakeWorkstation(QString computerName, QString ip)
        : computer(std::move(computerName)), ip(std::move(ip)) {}

    QString computerName() const override { return computer; }
    QString localIPv4() const override { return ip; }

    QString computer = QStringLiteral("WS-TEST");
    QString ip = QStringLiteral("10.1.2.3");
};

}  // namespace zev::testing
