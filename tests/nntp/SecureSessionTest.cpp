#include <gtest/gtest.h>

#include "nntp/NNTP.h"
#include "nntp/ServerAddress.h"
#include "support/Encoders.h"
#include "support/MessageFixtures.h"
#include "support/NewsServer.h"
#include "support/TLSPeer.h"

namespace qp::nntp {
namespace {

TEST(ServerFromRow, AddressAndPortChooseTLS) {
  struct Row {
    const char* name;
    std::string address;
    int port;
    std::string host;
    int wantedPort;
    bool tls;
  };
  const Row rows[] = {
      {"plain", "news.example", 119, "news.example", 119, false},
      {"port 563", "news.example", 563, "news.example", 563, true},
      {"scheme, default port", "nntps://news.example", 119, "news.example", 563, true},
      {"scheme, no port", "NNTPS://news.example/", 0, "news.example", 563, true},
      {"scheme, row's own port", "nntps://news.example", 8563, "news.example", 8563, true},
      {"scheme with port", "nntps://news.example:10563", 119, "news.example", 10563, true},
      {"not the scheme", "nntp://news.example", 119, "nntp://news.example", 119, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const TServerAddress server = ServerFromRow(r.address, r.port);
    EXPECT_EQ(server.Host, r.host);
    EXPECT_EQ(server.Port, r.wantedPort);
    EXPECT_EQ(server.TLS, r.tls);
  }
}

class SecureSessionTest : public test::TempFolderTest {};

// A whole session over TLS, byte for byte as over plain TCP.
TEST_F(SecureSessionTest, ReaderSessionOverTLS) {
  const std::string attachment = test::BinaryPattern(3000);
  const std::string article =
      "220 2 <b@example> article\r\n"
      "From: a@example\r\nSubject: files\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"XX\"\r\n\r\n"
      "--XX\r\nContent-Type: text/plain\r\n\r\nsee the file\r\n..dot line\r\n"
      "--XX\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines(attachment) + "--XX--\r\n.\r\n";
  test::LoopbackServer server(test::NewsServer({
      {"Group alt.test", "211 2 1 2 alt.test\r\n"},
      {"xover 1-2",
       "224 overview\r\n1\tfirst\ta@example\t6 Oct 2002 10:00:00 GMT\t<a@example>\t\t10\t1\r\n"
       "2\tfiles\ta@example\t6 Oct 2002 11:00:00 GMT\t<b@example>\t\t4000\t60\r\n.\r\n"},
      {"Article 2", article},
  }));
  test::TestPKI pki(Dir.Path());
  test::TLSFront front(pki.Issue("news", "DNS:localhost"), server.Port());
  TNNTP client;
  client.Host = "localhost";
  client.Port = front.Port();
  client.UseTLS = true;
  client.CAFile = pki.CAFile();
  client.ReadTimeout = 10000;
  client.Connect();
  EXPECT_EQ(client.ReplyText(), "200 reader");
  client.SelectGroup("alt.test");
  EXPECT_EQ(client.ArticleCount(), 2u);
  TStringList overview;
  client.FetchOverview("1-2", overview);
  ASSERT_EQ(overview.Count(), 2);
  EXPECT_EQ(overview[1].substr(0, 8), "2\tfiles\t");
  message::TMessage message;
  ASSERT_TRUE(client.RetrieveArticle(2, "", message));
  ASSERT_EQ(message.MessageParts.Count(), 2);
  EXPECT_EQ(test::TextAt(message, 0).Lines.Lines(),
            (std::vector<std::string>{"see the file", ".dot line"}));
  EXPECT_EQ(test::AttachmentAt(message, 1).FileName, "data.bin");
  EXPECT_EQ(test::ReadWholeFile(test::AttachmentAt(message, 1).StoredPath), attachment);
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Received(),
            "mode reader\r\nGroup alt.test\r\nxover 1-2\r\nArticle 2\r\nQuit\r\n");
}

}  // namespace
}  // namespace qp::nntp
