#include "server/tds/TdsServer.h"

#include "core/Errors.h"
#include "server/EmbeddedServer.h"
#include "server/tds/TdsSession.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace zev::tds {

struct TdsServer::State {
    TdsServerOptions options;
    int listenFd = -1;
    std::uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptThread;

    std::mutex mutex;  // guards everything below
    std::vector<SessionRecord> records;
    std::vector<int> openSockets;
    std::vector<std::thread> sessionThreads;
    std::function<void(const SessionRecord&)> onSessionEnd;
    int nextSpid = 51;

    void acceptLoop();
};

void TdsServer::State::acceptLoop() {
    while (!stopping) {
        pollfd p{listenFd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) {
            continue;
        }
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(mutex);
        if (stopping) {
            ::close(fd);
            break;
        }
        const std::size_t index = records.size();
        records.emplace_back();
        openSockets.push_back(fd);
        const int spid = nextSpid++;
        sessionThreads.emplace_back([this, fd, index, spid] {
            SessionHooks hooks;
            hooks.record = [this, index](const std::function<void(SessionRecord&)>& change) {
                std::lock_guard guard(mutex);
                change(records[index]);
            };
            serveSession(fd, spid, options, hooks);
            std::function<void(const SessionRecord&)> handler;
            SessionRecord finished;
            {
                std::lock_guard guard(mutex);
                std::erase(openSockets, fd);
                ::close(fd);
                handler = onSessionEnd;
                finished = records[index];
            }
            if (handler) {
                handler(finished);
            }
        });
    }
}

TdsServer::TdsServer(TdsServerOptions options) : state_(std::make_shared<State>()) {
    state_->options = std::move(options);
}

TdsServer::~TdsServer() {
    stop();
}

std::uint16_t TdsServer::start() {
    State& s = *state_;
    s.listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s.listenFd < 0) {
        throw Error(QStringLiteral("Cannot open a socket for the TDS server"));
    }
    const int yes = 1;
    ::setsockopt(s.listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(s.options.port);
    if (::bind(s.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s.listenFd, 16) != 0) {
        ::close(s.listenFd);
        s.listenFd = -1;
        throw Error(QStringLiteral("Cannot listen on 127.0.0.1 port %1").arg(s.options.port));
    }
    socklen_t length = sizeof address;
    ::getsockname(s.listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    s.port = ntohs(address.sin_port);
    s.acceptThread = std::thread([&s] { s.acceptLoop(); });
    return s.port;
}

void TdsServer::stop() {
    State& s = *state_;
    if (s.listenFd < 0) {
        return;
    }
    s.stopping = true;
    if (s.acceptThread.joinable()) {
        s.acceptThread.join();
    }
    ::close(s.listenFd);
    s.listenFd = -1;
    dropConnections();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(s.mutex);
        threads.swap(s.sessionThreads);
    }
    for (std::thread& t : threads) {
        t.join();
    }
}

std::uint16_t TdsServer::port() const {
    return state_->port;
}

std::vector<SessionRecord> TdsServer::sessions() const {
    std::lock_guard lock(state_->mutex);
    return state_->records;
}

void TdsServer::resetRecords() {
    std::lock_guard lock(state_->mutex);
    for (SessionRecord& r : state_->records) {
        r.requests = 0;
        r.bytesIn = 0;
        r.bytesOut = 0;
        r.statements.clear();
        r.parameterDeclarations.clear();
    }
}

void TdsServer::setSessionEndHandler(std::function<void(const SessionRecord&)> handler) {
    std::lock_guard lock(state_->mutex);
    state_->onSessionEnd = std::move(handler);
}

void TdsServer::dropConnections() {
    std::lock_guard lock(state_->mutex);
    for (int fd : state_->openSockets) {
        ::shutdown(fd, SHUT_RDWR);  // the session's thread sees the end and closes it
    }
}

}  // namespace zev::tds
