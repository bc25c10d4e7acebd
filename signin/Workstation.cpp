#include "signin/Workstation.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSysInfo>

namespace zev {

namespace {

class SystemWorkstation final : public Workstation {
public:
    QString computerName() const override {
        // The platform's call takes a 256-character buffer; a longer name cannot come from it.
        return QSysInfo::machineHostName().left(255);
    }

    QString localIPv4() const override {
        // The first IPv4 address of an interface that is up and not the loopback, preferring
        // routable addresses over link-local ones; the loopback address when there is none.
        QString linkLocal;
        const auto interfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface& nic : interfaces) {
            const auto flags = nic.flags();
            if (!flags.testFlag(QNetworkInterface::IsUp) ||
                !flags.testFlag(QNetworkInterface::IsRunning) ||
                flags.testFlag(QNetworkInterface::IsLoopBack)) {
                continue;
            }
            const auto entries = nic.addressEntries();
            for (const QNetworkAddressEntry& entry : entries) {
                const QHostAddress address = entry.ip();
                if (address.protocol() != QAbstractSocket::IPv4Protocol) {
                    continue;
                }
                if (!address.isLinkLocal()) {
                    return address.toString();
                }
                if (linkLocal.isEmpty()) {
                    linkLocal = address.toString();
                }
            }
        }
        return linkLocal.isEmpty() ? QHostAddress(QHostAddress::LocalHost).toString() : linkLocal;
    }
};

const Workstation* installed = nullptr;

}  // namespace

const Workstation& Workstation::instance() {
    static const SystemWorkstation system;
    return installed ? *installed : system;
}

void Workstation::install(const Workstation* workstation) {
    installed = workstation;
}

}  // namespace zev
