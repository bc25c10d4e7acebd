#pragma once

#include "QtPrinting.h"
#include "core/Errors.h"
#include "server/EmbeddedServer.h"
#include "server/gen/Generator.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zev::server::testing {

// One demo database per test suite, made by the generator in a temporary folder.
class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(folder_->isValid());
        made_ = std::make_unique<GeneratedDatabase>(
            generateDatabase(folder_->path(), DatabaseSize::Demo));
    }
    static void TearDownTestSuite() {
        made_.reset();
        folder_.reset();
    }

    static std::unique_ptr<Session> staff() {
        return Session::open(made_->databaseFile, QString::fromLatin1(kStaffUser),
                             QString::fromLatin1(kStaffPassword));
    }
    static std::unique_ptr<Session> signIn() {
        return Session::open(made_->databaseFile, QString::fromLatin1(kSignInUser),
                             QString::fromLatin1(kSignInPassword));
    }
    static const GeneratedDatabase& made() { return *made_; }
    static QString folder() { return folder_->path(); }

    // The first value of the first row, for short checks.
    static Value scalar(Session& s, const QString& sql, const std::vector<Value>& args = {}) {
        const ResultSet rows = s.query(sql, args);
        EXPECT_GT(rows.rowCount(), 0) << sql.toStdString();
        return rows.rowCount() > 0 ? rows.at(0, 0) : Value{};
    }
    static std::int64_t integer(Session& s, const QString& sql,
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
    static inline std::unique_ptr<GeneratedDatabase> made_;
};

}  // namespace zev::server::testing
