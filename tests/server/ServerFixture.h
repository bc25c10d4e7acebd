#pragma once

#include "QtPrinting.h"
#include "core/Errors.h"
#include "server/EmbeddedServer.h"
#include "server/gen/Generator.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zev::testing {

// One demo database per test suite, made by the generator in a temporary folder.
class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(folder_->isValid());
        made_ = std::make_unique<server::GeneratedDatabase>(
            server::generateDatabase(folder_->path(), server::DatabaseSize::Demo));
    }
    static void TearDownTestSuite() {
        made_.reset();
        folder_.reset();
    }

    static std::unique_ptr<server::Session> staff() {
        return server::Session::open(made_->databaseFile, QString::fromLatin1(server::kStaffUser),
                                     QString::fromLatin1(server::kStaffPassword));
    }
    static std::unique_ptr<server::Session> signIn() {
        return server::Session::open(made_->databaseFile, QString::fromLatin1(server::kSignInUser),
                                     QString::fromLatin1(server::kSignInPassword));
    }
    static const server::GeneratedDatabase& made() { return *made_; }
    static QString folder() { return folder_->path(); }

    // The first value of the first row, for short checks.
    static Value scalar(server::Session& s, const QString& sql,
                        const std::vector<Value>& args = {}) {
        const ResultSet rows = s.query(sql, args);
        EXPECT_GT(rows.rowCount(), 0) << sql.toStdString();
        return rows.rowCount() > 0 ? rows.at(0, 0) : Value{};
    }
    static std::int64_t integer(server::Session& s, const QString& sql,
                                const std::vector<Value>& args = {}) {
        const Value v = scalar(s, sql, args);
        return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : -999999;
    }

    // The error text of a statement that must fail.
    template <typename F>
    static QString errorOf(F&& f) {
        try {
            f();
        } catch (const DatabaseError& e) {
            return e.text();
        }
        return QStringLiteral("<no error>");
    }

private:
    static inline std::unique_ptr<QTemporaryDir> folder_;
    static inline std::unique_ptr<server::GeneratedDatabase> made_;
};

}  // namespace zev::testing
