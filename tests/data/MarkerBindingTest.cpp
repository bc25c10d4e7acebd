// The connection's reading of a statement: its ":name" markers and whether it changes existing
// rows, with literals, names and comments read as the server reads them.

#include "data/Connection.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

std::vector<QString> names(std::initializer_list<const char*> list) {
    std::vector<QString> out;
    for (const char* name : list) {
        out.push_back(QString::fromUtf8(name));
    }
    return out;
}

TEST(MarkerBinding, MarkersOutsideLiteralsNamesAndCommentsBecomeQuestionMarks) {
    const BoundStatement bound =
        bindMarkers(QStringLiteral("SELECT ':a', N':b', [:c], \"it's :d\" FROM t -- :e\n"
                                   "WHERE x = :id_group AND y = :p@1 AND z = :id_group /* :f */"));
    EXPECT_EQ(bound.sql, QStringLiteral("SELECT ':a', N':b', [:c], \"it's :d\" FROM t -- :e\n"
                                        "WHERE x = ? AND y = ? AND z = ? /* :f */"));
    EXPECT_EQ(bound.names, names({"id_group", "p@1", "id_group"}));
}

TEST(MarkerBinding, ABlockCommentNestsAsOnTheServer) {
    // "/* a /* b */ :inside */" is one comment to the server: its marker binds nothing.
    const BoundStatement bound =
        bindMarkers(QStringLiteral("SELECT 1 /* a /* b */ :inside */ WHERE k = :key"));
    EXPECT_EQ(bound.sql, QStringLiteral("SELECT 1 /* a /* b */ :inside */ WHERE k = ?"));
    EXPECT_EQ(bound.names, names({"key"}));
}

TEST(MarkerBinding, AnUnclosedLiteralRunsToTheEndAndBindsNothing) {
    const BoundStatement bound = bindMarkers(QStringLiteral("SELECT :a, 'open :b"));
    EXPECT_EQ(bound.sql, QStringLiteral("SELECT ?, 'open :b"));
    EXPECT_EQ(bound.names, names({"a"}));
}

TEST(ChangesExistingRows, LooksAtTheFirstWordAfterBlanksAndComments) {
    EXPECT_TRUE(changesExistingRows(QStringLiteral("  -- note\n/* x */ update t SET a = 1")));
    EXPECT_TRUE(changesExistingRows(QStringLiteral("DELETE FROM t")));
    EXPECT_FALSE(changesExistingRows(QStringLiteral("INSERT INTO t VALUES (1)")));
    EXPECT_FALSE(changesExistingRows(QStringLiteral("SELECT 'UPDATE'")));
    EXPECT_FALSE(changesExistingRows(QStringLiteral("UPDATEd")));
    // The UPDATE stands inside a nested comment, so the statement is a SELECT.
    EXPECT_FALSE(changesExistingRows(QStringLiteral("/* a /* b */ UPDATE */ SELECT 1")));
    EXPECT_FALSE(changesExistingRows(QStringLiteral("/* open UPDATE")));
}

}  // namespace
}  // namespace zev::testing
