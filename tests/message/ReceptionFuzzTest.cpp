#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>

#include "ReceptionSupport.h"
#include "support/MessageFixtures.h"
#include "support/Mutation.h"

namespace qp::message {
namespace {

using test::Crlf;

// Valid articles that the mutations start from.
std::vector<std::string> SeedArticles() {
  const std::string bytes = test::BinaryPattern(120);
  return {
      Crlf({"Content-Type: multipart/mixed; boundary=\"b\"", "", "pre", "--b",
            "Content-Type: text/plain", "", "hi", "--b", "Content-Type: image/jpeg; name=\"a.jpg\"",
            "Content-Transfer-Encoding: base64", ""}) +
          test::Base64Lines(bytes) + Crlf({"--b--", "post", "."}),
      Crlf({"Content-Type: multipart/mixed; boundary=o", "", "--o",
            "Content-Type: multipart/alternative; boundary=i", "", "--i", "", "p", "--i",
            "Content-Type: text/html", "", "h", "--i--", "--o--", "."}),
      Crlf({"Content-Transfer-Encoding: quoted-printable", "", "a=3Db", "soft=", "", "."}),
      Crlf({"Content-Type: application/zip; name=a.zip", "Content-Transfer-Encoding: base64", ""}) +
          test::Base64Lines(bytes) + Crlf({"."}),
      Crlf({"Subject: a", "\tb", "", "text", "begin 644 a.bin"}) + test::UuLines(bytes) +
          Crlf({"end", "begin 644 x.xx"}) + test::XxLines(bytes) + Crlf({"end", "..", "."}),
  };
}

// Lines that steer the readers into their interesting states when spliced in anywhere.
const char* const kDictionary[] = {
    "",
    ".",
    "..",
    "--b",
    "--b--",
    "--o",
    "--i--",
    "begin 644 f",
    "BEGIN 777 ",
    "end",
    "M",
    "h",
    "~",
    "QUJD",
    "QQ=",
    "=",
    "=4",
    " cont",
    "Content-Type: multipart/mixed; boundary=b",
    "Content-Disposition: attachment",
    "Content-Transfer-Encoding: base64",
    "Content-Transfer-Encoding: quoted-printable",
    "Content-Type: text/plain; name=",
    "Content-Disposition: attachment; filename=\"",
};

// Random input must end in a filled message or in one of the system's own exceptions,
// never in a crash, a hang (every input is finite, so reading always ends) or a leak
// (the leak checker runs at exit).
class ReceptionFuzz : public test::TempFolderTest {
 protected:
  static void Run(const std::string& input) {
    TMessage message;
    test::MemoryArticle article(input);
    try {
      article.Receive(message);
    } catch (const Exception&) {
    }
    // Every line is read at most once, so reception cannot loop on a finite input.
    EXPECT_LE(article.Source.LinesRead(),
              static_cast<int>(std::count(input.begin(), input.end(), '\n')));
  }
};

TEST_F(ReceptionFuzz, MutatedArticles) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> seeds = SeedArticles();
  for (int i = 0; i < 3000; ++i) {
    const std::string input =
        test::MutateText(seeds[static_cast<std::size_t>(i) % seeds.size()], rng, kDictionary);
    SCOPED_TRACE(i);
    Run(input);
    if (HasFailure()) break;
  }
}

TEST_F(ReceptionFuzz, RandomBytes) {
  std::mt19937 rng(7);
  for (int i = 0; i < 1000; ++i) {
    std::string input(std::uniform_int_distribution<int>(0, 600)(rng), '\0');
    // Mostly printable with many line ends, so the line readers get real work.
    for (char& c : input) {
      const int r = std::uniform_int_distribution<int>(0, 99)(rng);
      c = r < 10 ? '\n' : r < 15 ? '.' : r < 20 ? '-' : static_cast<char>(rng() & 0xFF);
    }
    SCOPED_TRACE(i);
    Run(input);
    if (HasFailure()) break;
  }
}

TEST_F(ReceptionFuzz, GarbageMustNotCrash) {
  struct Row {
    const char* name;
    std::string input;
  };
  const Row rows[] = {
      {"empty", ""},
      {"no line end", "Subject: x"},
      {"begin then end of data", "\r\nbegin 644 x\r\n"},
      {"boundary delimiter with nothing after",
       "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"},
      {"base64 body of one char", "Content-Transfer-Encoding: base64\r\n\r\nQ\r\n.\r\n"},
      {"close delimiter without open",
       "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b--\r\n.\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Run(r.input);
  }
}

}  // namespace
}  // namespace qp::message
