#include <gtest/gtest.h>

#include "message/HeaderList.h"

namespace qp::message {
namespace {

THeaderList Lines(std::initializer_list<std::string> lines) {
  THeaderList list;
  for (const std::string& line : lines) list.Add(line);
  return list;
}

TEST(HeaderList, FieldValueUnfoldsContinuationLines) {
  struct Row {
    const char* name;
    THeaderList list;
    std::string field, value;
  };
  const Row rows[] = {
      {"tab continuation", Lines({"Subject: Re: long", "\tsubject line"}), "Subject",
       "Re: long subject line"},
      {"value ending in blank joins directly", Lines({"A: x ", "   y"}), "A", "x y"},
      {"empty value takes the continuation", Lines({"A:", "   cont"}), "A", "cont"},
      {"empty line ends the continuations", Lines({"A: 1", "", " 2"}), "A", "1"},
      {"next field ends the continuations", Lines({"A: 1", "B: 2"}), "A", "1"},
      {"name in another case", Lines({"SUBJECT: x"}), "Subject", "x"},
      {"lower-case name", Lines({"subject: x"}), "Subject", "x"},
      {"blank before colon is part of the name", Lines({"Subject : x"}), "Subject", ""},
      {"first of two fields", Lines({"A: 1", "A: 2"}), "A", "1"},
      {"value keeps later colons", Lines({"Date: 10:20:30"}), "Date", "10:20:30"},
      {"absent field", Lines({"A: 1"}), "B", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.list.ValueOf(r.field), r.value);
  }
}

TEST(HeaderList, CollectValuesReturnsEveryMatchInOrder) {
  const THeaderList list = Lines({"Received: one", "X: y", "received: two", "\tmore"});
  TStringList values;
  list.CollectValues("Received", &values);
  EXPECT_EQ(values, (TStringList{"one", "two more"}));
  list.CollectValues("Received", nullptr);
}

TEST(HeaderList, AssignFieldWithEmptyValue) {
  THeaderList absent = Lines({"A: 1"});
  absent.AssignField("B", "");
  EXPECT_EQ(absent, Lines({"A: 1"}));

  THeaderList present = Lines({"A: 1", "B: 2", " 2b", "\t2c", "C: 3"});
  present.AssignField("b", "");
  EXPECT_EQ(present, Lines({"A: 1", "C: 3"}));
}

TEST(HeaderList, AssignFieldReplacesInPlaceOrAppends) {
  THeaderList list = Lines({"A: 1", "B: old", " folded", "C: 3"});
  list.AssignField("B", "new");
  list.AssignField("D", "4");
  EXPECT_EQ(list, Lines({"A: 1", "B: new", "C: 3", "D: 4"}));

  list.FoldValues = false;
  list.AssignField("A", std::string(100, 'x'));
  EXPECT_EQ(list[0], "A: " + std::string(100, 'x'));
}

TEST(HeaderList, AssignFieldFoldsLongValues) {
  const std::string letters(100, 'L');
  THeaderList list;
  list.AssignField("X-Test", letters);
  EXPECT_EQ(list, Lines({"X-Test:", " " + letters}));

  std::string words;
  for (int i = 0; i < 40; ++i) words += "word" + std::to_string(i) + " ";
  THeaderList folded = Lines({"Before: 1", "Subject: old", "After: 2"});
  folded.AssignField("Subject", words);
  ASSERT_GE(folded.Count(), 5);
  EXPECT_EQ(folded[0], "Before: 1");
  EXPECT_EQ(folded[folded.Count() - 1], "After: 2");
  EXPECT_TRUE(folded[1].starts_with("Subject: word0"));
  for (int i = 1; i < folded.Count() - 1; ++i) {
    SCOPED_TRACE(i);
    const std::string& line = folded[i];
    if (i > 1) {
      EXPECT_TRUE(line.starts_with(" w"));
    }
    EXPECT_NE(line.back(), ' ');
    EXPECT_LE(line.size(), 78u);
  }
  EXPECT_EQ(folded.ValueOf("Subject") + " ", words);
}

TEST(HeaderList, FoldFieldLimits) {
  struct Row {
    const char* name;
    std::string text;
    int lines;
  };
  const std::string blanks = "Subject: " + std::string(30, 'a') + " " + std::string(30, 'b') + " ";
  const Row rows[] = {
      {"77 characters stay on one line", blanks + std::string(77 - blanks.size(), 'c'), 1},
      {"80 characters are cut", blanks + std::string(80 - blanks.size(), 'c'), 2},
      {"no break character", std::string(200, 'z'), 1},
      {"blank only at the very start", " " + std::string(200, 'z'), 1},
  };
  THeaderList list;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(list.FoldField(r.text).Count(), r.lines);
  }
}

TEST(HeaderList, QuotedStringIsNeverBroken) {
  const std::string quoted = "\"" + std::string(40, 'q') + " " + std::string(40, 'r') + "\"";
  THeaderList list;
  list.AssignField("From", quoted + " <someone@example.com>");
  bool found = false;
  for (const std::string& line : list) found = found || line.find(quoted) != std::string::npos;
  EXPECT_TRUE(found) << list.Text();
  EXPECT_EQ(list.ValueOf("From"), quoted + " <someone@example.com>");
}

}  // namespace
}  // namespace qp::message
