#include <gtest/gtest.h>

#include "store/SqlDialect.h"

namespace qp::store {
namespace {

TEST(QuotedStr, DoublesInnerQuotesOnly) {
  struct Row {
    const char* name;
    std::string value, quoted;
  };
  const Row rows[] = {
      {"plain", "news.example", "'news.example'"},
      {"one quote", "O'Neil", "'O''Neil'"},
      {"quotes at the ends", "'x'", "'''x'''"},
      {"empty", "", "''"},
      {"double quote and backslash untouched", "a\"b\\c", "'a\"b\\c'"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(QuotedStr(r.value), r.quoted);
  }
}

TEST(SqliteDialect, QuotesGroupOutsideLiteralsOnly) {
  struct Row {
    const char* name;
    std::string sql, expected;
  };
  const Row rows[] = {
      {"subscribed groups", "SELECT Group FROM Subscriptions WHERE Server=7",
       "SELECT \"Group\" FROM Subscriptions WHERE Server=7"},
      {"subscribe", "INSERT INTO Subscriptions (Server,Group) VALUES (7,'alt.test');",
       "INSERT INTO Subscriptions (Server,\"Group\") VALUES (7,'alt.test');"},
      {"unsubscribe", "DELETE FROM Subscriptions WHERE Server=-3 AND Group='it''s';",
       "DELETE FROM Subscriptions WHERE Server=-3 AND \"Group\"='it''s';"},
      {"literal named Group", "WHERE Group='Group'", "WHERE \"Group\"='Group'"},
      {"Group inside a literal with blanks", "VALUES (1,'a Group b')", "VALUES (1,'a Group b')"},
      {"doubled quote before Group in literal", "VALUES ('x'' Group')", "VALUES ('x'' Group')"},
      {"any letter case", "select group from s", "select \"group\" from s"},
      {"qualified column", "Subscriptions.Group=1", "Subscriptions.\"Group\"=1"},
      {"already quoted", "SELECT \"Group\", [Group], `Group`",
       "SELECT \"Group\", [Group], `Group`"},
      {"longer words untouched", "Groups MyGroup Group_1 Group2", "Groups MyGroup Group_1 Group2"},
      {"GROUP BY clause kept", "SELECT Server FROM s GROUP  BY Server",
       "SELECT Server FROM s GROUP  BY Server"},
      {"comments untouched", "-- Group\n/* Group */ Group", "-- Group\n/* Group */ \"Group\""},
      {"unterminated literal copied", "WHERE x='Group", "WHERE x='Group"},
      {"other keywords untouched", "SELECT Update FROM Sites", "SELECT Update FROM Sites"},
      {"group at the end", "ORDER BY Group", "ORDER BY \"Group\""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(SqliteDialect(r.sql), r.expected);
  }
}

}  // namespace
}  // namespace qp::store
