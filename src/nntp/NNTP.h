// The news-server client the reader drives (RFC 3977 reader commands): connect in reader
// mode, log in when the server asks (AUTHINFO USER/PASS, RFC 4643), select a group, list all
// groups, fetch overview lines and retrieve one article into a message. It also supplies the
// parsers that take group-list and overview lines apart.
//
// The main window owns one instance for every server; it sets Host, Port and the login
// before each Connect. Every operation blocks the calling (UI) thread on the connection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/StringList.h"
#include "message/Message.h"
#include "net/NetExceptions.h"
#include "nntp/MessageClient.h"

namespace qp::nntp {

enum TModeType { mtStream, mtIHAVE, mtReader };

// The greeting was 502: the server will not talk to us.
class ENNTPConnectionRefused : public net::EProtocolReplyError {
 public:
  ENNTPConnectionRefused()
      : net::EProtocolReplyError(502, "Connection explicitly refused by NNTP server.") {}
};

// The server demands a login (480, or 450 from older servers) while no user name is set:
// nothing is sent for it, and the session stays in step. Carries the demanding reply code.
class ENNTPLoginRequired : public net::EProtocolReplyError {
 public:
  explicit ENNTPLoginRequired(int16_t code)
      : net::EProtocolReplyError(
            code,
            "The server requires a login: set a user name and password for it in Site "
            "Management.") {}
};

// An ARTICLE reply that is neither a delivery nor one of the "no such article" codes.
class EResponseError : public ENetException {
 public:
  using ENetException::ENetException;
};

// Event types of the transfer commands this reader never sends; kept so the component
// publishes the same events as any news client.
using TNewsTransportEvent = std::function<void(TStringList& AMsg)>;
using TEventNewsgroupList =
    std::function<void(const std::string& ANewsgroup, uint64_t ALow, uint64_t AHigh,
                       const std::string& AType, bool& ACanContinue)>;
using TEventNewNewsList = std::function<void(const std::string& AMsgID, bool& ACanContinue)>;

class TNNTP : public TMessageClient {
 public:
  TNNTP();

  TModeType Mode = mtReader;
  bool SetMode = true;    // stored only
  std::string NewsAgent;  // stored only
  // Log in with AUTHINFO right after the mode command (RFC 4643 section 2.3) instead of only
  // when a command is answered with 480: a server may show some groups to logged-in readers
  // only. Nothing is sent for it while Username is empty.
  bool LoginOnConnect = false;
  TNewsTransportEvent OnSendCheck, OnSendIHAVE, OnSendTakeThis;
  TEventNewsgroupList OnNewsgroupList, OnNewGroupsList;
  TEventNewNewsList OnNewNewsList;

  // 0 after greeting 200, 1 after 201, 3 after 400 (and after any greeting this client does
  // not know, which it gives up on like 400).
  int GreetingResult() const { return FGreetingResult; }
  // After "mode stream": 0 for 203, else 1. After "mode reader": 4 for 200, else 5.
  int ModeResult() const { return FModeResult; }
  // Article numbers and counts are unsigned 64-bit: large servers number beyond 2^32.
  uint64_t ArticleCount() const { return FArticleCount; }
  uint64_t FirstArticle() const { return FFirstArticle; }
  uint64_t LastArticle() const { return FLastArticle; }
  // The number and the Message-ID ("<...>", or "" when the reply has none) given by the
  // reply to the last "Article" sent without a message id.
  uint64_t ArticleNumber() const { return FArticleNumber; }
  const std::string& ArticleMessageId() const { return FArticleMessageId; }

  // Opens the connection, reads the greeting, enters the configured mode and, with
  // LoginOnConnect, logs in. A 502 greeting raises ENNTPConnectionRefused; a refused login
  // EProtocolReplyError; any failure after the TCP connect disconnects first.
  void Connect(int timeout = -1) override;
  // Sends "Quit" (no reply is read) when connected, then closes in every case.
  void Disconnect() override;

  // Every command of this client passes here: a 480 or 450 reply ("authentication
  // required") is answered with AUTHINFO USER and PASS and the command is sent once more;
  // without a Username nothing is answered and ENNTPLoginRequired is raised.
  // A failure other than an unexpected reply code (a time-out, a lost connection, a reply
  // beyond the limits) leaves the session out of step, so the connection is dropped.
  using net::TTCPConnection::SendCmd;
  int16_t SendCmd(const std::string& command, const std::vector<int16_t>& allowed) override;
  // The last command line sent through SendCmd (the one whose reply or data is awaited while
  // a call waits); "" before the first command of a connection.
  const std::string& CurrentCommand() const { return FCurrentCommand; }

  // "Group <name>", 211 expected; sets ArticleCount, FirstArticle, LastArticle. A number in
  // the reply beyond 64 bits raises EConvertError and leaves the three unchanged.
  void SelectGroup(const std::string& group);
  // The listings and the article are data blocks up to a "." line; whatever fails while one
  // is read, the next command still reads its own reply (see ReadReplyData).

  // "List", 215 expected; appends every line of the listing to list.
  void ListGroups(TStringList& list);
  // "xover <range>", 224 expected; appends one overview line per article to list.
  void FetchOverview(const std::string& range, TStringList& list);
  // The same, handing each overview line to onLine as it arrives.
  void FetchOverview(const std::string& range, const TLineSink& onLine);
  // "Article [n | <id>]": true when the article was delivered into message; false for 421,
  // 422, 423 and 430, leaving message untouched; EResponseError for any other reply. Damaged
  // parts do not fail it (see message.DecodeFailures); the reception's other failures do.
  bool RetrieveArticle(uint64_t number, const std::string& messageId, message::TMessage& message);

  // Takes an overview line apart at its TABs. Never raises: bad numbers give 0 (an article
  // number beyond 64 bits too, never a wrapped one), a bad date the value that converting an
  // unparsable date gives.
  static void ParseOverviewLine(const std::string& line, uint64_t& number, std::string& subject,
                                std::string& from, TDateTime& date, std::string& messageId,
                                std::string& references, uint32_t& byteCount, uint32_t& lineCount,
                                std::string& rest);
  // Takes a group-list line ("name high low status") apart; numbers as in ParseOverviewLine.
  static void ParseGroupLine(std::string line, std::string& name, uint64_t& high, uint64_t& low,
                             std::string& status);

 private:
  int FGreetingResult = 0;
  int FModeResult = 0;
  uint64_t FArticleCount = 0;
  uint64_t FFirstArticle = 0;
  uint64_t FLastArticle = 0;
  uint64_t FArticleNumber = 0;
  std::string FArticleMessageId;
  std::string FCurrentCommand;
  // This connection has logged in (on demand or on connect).
  bool FLoggedIn = false;

  // AUTHINFO USER (381 expected) and PASS (281 expected) with Username and Password;
  // ENNTPLoginRequired(demandCode) without a Username.
  void Login(int16_t demandCode);
};

}  // namespace qp::nntp
