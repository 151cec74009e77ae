#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "message/EMailAddress.h"

namespace qp::message {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;  // name, address

TEST(EMailAddressItem, ParsesText) {
  struct Row {
    const char* name;
    std::string text, itemName, address;
  };
  const Row rows[] = {
      {"bare address", "john@example.com", "", "john@example.com"},
      {"two-word name and angle address", "John Doe <jd@x.org>", "John Doe", "jd@x.org"},
      {"quoted name with comma", "\"Doe, John\" <john@example.com>", "Doe, John",
       "john@example.com"},
      {"comment after address discarded", "john@example.com (John Doe)", "", "john@example.com"},
      {"empty angle brackets", "<>", "", ""},
      {"address without @", "nobody", "", "nobody"},
      {"angle address alone", "<a@b.c>", "", "a@b.c"},
      {"blanks around dots inside angles", "<a@b . c>", "", "a@b.c"},
      {"escaped quote in quoted name", "\"a\\\"b\" <x@y.z>", "a\"b", "x@y.z"},
      {"empty text", "", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TEMailAddressItem item;
    item.Name = "stale";
    item.SetText(r.text);
    EXPECT_EQ(item.Name, r.itemName);
    EXPECT_EQ(item.Address, r.address);
  }
}

TEST(EMailAddressItem, AtAfterClosingAngleFails) {
  TEMailAddressItem item;
  try {
    item.SetText("Joe <joe@x.org>@y.org");
    ADD_FAILURE() << "no exception";
  } catch (const EEmailParseError& e) {
    EXPECT_EQ(e.Message(), "@ Outside address");
  }
  EXPECT_EQ(item.Name, "Joe");
  EXPECT_EQ(item.Address, "joe@x.org");
}

TEST(EMailAddressItem, FormatsText) {
  struct Row {
    const char* name;
    std::string itemName, address, text;
  };
  const Row rows[] = {
      {"address only", "", "a@b.c", "a@b.c"},
      {"plain name", "John Doe", "jd@x.org", "John Doe <jd@x.org>"},
      {"name with comma quoted", "Doe, John", "john@example.com",
       "\"Doe, John\" <john@example.com>"},
      {"quote and backslash escaped", "a\"b\\c", "x@y.z", "\"a\\\"b\\\\c\" <x@y.z>"},
      {"address without @ reads empty", "", "nobody", ""},
      {"name without address", "Joe", "", "Joe <>"},
      {"nothing at all", "", "", ""},
      {"name equal to upper-cased address", "A@B.C", "a@b.c", "<a@b.c>"},
      {"local part with blank quoted", "", "john doe@x.org", "<\"john doe\"@x.org>"},
      {"dotted local part left alone", "", "john.doe@x.org", "john.doe@x.org"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TEMailAddressItem item;
    item.Name = r.itemName;
    item.Address = r.address;
    EXPECT_EQ(item.Text(), r.text);
  }
}

TEST(EMailAddressItem, TextRoundTrips) {
  for (const char* text : {"John Doe <jd@x.org>", "\"Doe, John\" <john@example.com>", "a@b.c"}) {
    SCOPED_TRACE(text);
    TEMailAddressItem item;
    item.SetText(text);
    EXPECT_EQ(item.Text(), text);
  }
}

TEST(EMailAddressList, ParsesAddresses) {
  struct Row {
    const char* name;
    std::string text;
    Pairs items;
  };
  const Row rows[] = {
      {"empty value", "", {}},
      {"blank value", "  \t ", {}},
      {"single address", "a@b.c", {{"", "a@b.c"}}},
      {"quoted comma does not split",
       "a@b.c, \"Doe, John\" <john@example.com>",
       {{"", "a@b.c"}, {"Doe, John", "john@example.com"}}},
      {"group name dropped", "Friends: a@b.c, d@e.f;", {{"", "a@b.c"}, {"", "d@e.f"}}},
      {"two-word group name dropped", "My Friends: a@b.c;", {{"", "a@b.c"}}},
      {"just empty angles", "<>", {{"", ""}}},
      {"empty angles dropped from a list", "<>, a@b.c", {{"", "a@b.c"}}},
      {"address without @ dropped at the end", "a@b.c, nobody", {{"", "a@b.c"}}},
      {"comma in a comment does not split", "a@b.c (x, y)", {{"", "a@b.c"}}},
      {"trailing comma", "a@b.c,", {{"", "a@b.c"}}},
      {"names and blanks",
       " Ann <a@b.c>,Bob Roe <r@s.t> ",
       {{"Ann", "a@b.c"}, {"Bob Roe", "r@s.t"}}},
      {"escaped quote in a quoted name", "\"a\\\"b\" <x@y.z>", {{"a\"b", "x@y.z"}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TEMailAddressList list;
    list.Add().Address = "stale@x.org";
    list.ParseAddresses(r.text);
    Pairs got;
    for (int i = 0; i < list.Count(); ++i) got.emplace_back(list[i].Name, list[i].Address);
    EXPECT_EQ(got, r.items);
  }
}

TEST(EMailAddressList, ParseErrorKeepsEarlierItems) {
  TEMailAddressList list;
  EXPECT_THROW(list.ParseAddresses("a@b.c, <d@e.f>@g.h"), EEmailParseError);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].Address, "a@b.c");
  EXPECT_EQ(list[1].Address, "d@e.f");
}

TEST(EMailAddressList, ItemsStayPutAndIndexIsChecked) {
  TEMailAddressList list;
  TEMailAddressItem& first = list.Add();
  first.Address = "a@b.c";
  for (int i = 0; i < 100; ++i) list.Add();
  EXPECT_EQ(first.Address, "a@b.c");
  list.Delete(1);
  EXPECT_EQ(list.Count(), 100);
  EXPECT_EQ(&list[0], &first);
  EXPECT_THROW(list[100], Exception);
  EXPECT_THROW(list.Delete(-1), Exception);
}

}  // namespace
}  // namespace qp::message
