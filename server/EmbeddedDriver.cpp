#include "server/EmbeddedDriver.h"

#include "server/EmbeddedServer.h"

#include <QDir>
#include <QFileInfo>

namespace zev {

namespace {

// Hands every statement to the embedded server's session; rows go from SQLite straight into the
// caller's sink.
class EmbeddedDriver : public ConnectionDriver {
public:
    explicit EmbeddedDriver(std::unique_ptr<server::Session> session)
        : session_(std::move(session)) {}

    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        return session_->query(sql, args);
    }
    void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) override {
        session_->query(sql, args, sink);
    }
    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        return session_->execute(sql, args);
    }

private:
    std::unique_ptr<server::Session> session_;
};

}  // namespace

std::unique_ptr<ConnectionDriver> openEmbeddedDriver(const ConnectionSettings& settings,
                                                     const QString& baseFolder) {
    QString file = settings.dataSource.trimmed();
    if (QFileInfo(file).isRelative() && !baseFolder.isEmpty()) {
        file = QDir(baseFolder).filePath(file);
    }
    return std::make_unique<EmbeddedDriver>(
        server::Session::open(QDir::cleanPath(file), settings.user, settings.password));
}

namespace {

[[maybe_unused]] const bool registered =
    registerConnectionDriver(DataSourceKind::EmbeddedFile, &openEmbeddedDriver);

}  // namespace

}  // namespace zev
