#include "message/Message.h"

#include "base/InternetText.h"
#include "base/SysUtils.h"
#include "message/CoderHeader.h"

namespace qp::message {

void TMIMEBoundary::PushBoundary(const std::string& b) {
  if (b.empty()) return;
  if (FList.Count() > 0 && SameText(b, FList[0])) return;
  FList.Insert(0, b);
}

void TMIMEBoundary::PopBoundary() {
  if (FList.Count() > 0) FList.Delete(0);
}

std::string TMIMEBoundary::BoundaryFromContentType(const std::string& value) {
  static const std::string key = "BOUNDARY=";
  const std::string upper = UpperCase(value);
  const std::size_t at = upper.find(key);
  if (at == std::string::npos) return "";
  const std::string rest = upper.substr(at + key.size());
  if (!rest.empty() && rest[0] == '"') {
    const std::size_t close = rest.find('"', 1);
    return rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return rest;
}

TMessagePriority PriorityFromText(const std::string& value) {
  const std::string lower = LowerCase(value);
  if (lower.find("urgent") != std::string::npos) return mpHigh;
  if (lower.find("non-priority") != std::string::npos) return mpLow;
  const std::string trimmed = Trim(value);
  const std::string word = trimmed.substr(0, trimmed.find(' '));
  // The word is read as a decimal number only: the general converter also takes "$4" and
  // "0x4" as hexadecimal, which no priority header means.
  const bool hex = word.find_first_of("$xX") != std::string::npos;
  // 1 is the highest priority, 5 the lowest (the X-Priority convention); numbers outside
  // that range are not a priority at all and read as normal.
  switch (hex ? 3 : StrToIntDef(word, 3)) {
    case 1:
      return mpHighest;
    case 2:
      return mpHigh;
    case 4:
      return mpLow;
    case 5:
      return mpLowest;
    default:
      return mpNormal;
  }
}

void TMessage::SetEncoding(TMessageEncoding value) {
  FEncoding = value;
  SetAttachmentEncoding(value == meUU ? "UUE" : "MIME");
}

void TMessage::Clear() {
  ClearHeaderFields();
  ClearContent();
  // The encoder choice is message state too: the next article starts from the default.
  SetEncoding(meMIME);
}

void TMessage::ClearHeaderFields() {
  CCList.Clear();
  BccList.Clear();
  NewsGroups.Clear();
  ReplyTo.Clear();
  Recipients.Clear();
  Headers.Clear();
  ExtraHeaders.Clear();
  BoundaryStack.Clear();
  Date = 0;
  From.SetText("");
  ReceiptRecipient.SetText("");
  Sender.SetText("");
  Organization.clear();
  References.clear();
  Subject.clear();
  ContentType.clear();
  CharSet.clear();
  ContentTransferEncoding.clear();
  ContentDisposition.clear();
  Priority = mpNormal;
}

void TMessage::ClearContent() {
  MessageParts.Clear();
  Body.Clear();
}

void TMessage::ApplyHeaders() {
  ContentType = Headers.ValueOf("Content-Type");
  ContentTransferEncoding = Headers.ValueOf("Content-Transfer-Encoding");
  ContentDisposition = Headers.ValueOf("Content-Disposition");
  Subject = DecodeHeaderWords(Headers.ValueOf("Subject"));
  From.SetText(DecodeHeaderWords(Headers.ValueOf("From")));
  MessageId = Headers.ValueOf("Message-Id");
  SplitCommaList(NewsGroups, Headers.ValueOf("Newsgroups"));
  Recipients.ParseAddresses(DecodeHeaderWords(Headers.ValueOf("To")));
  CCList.ParseAddresses(DecodeHeaderWords(Headers.ValueOf("Cc")));
  Organization = Headers.ValueOf("Organization");
  ReceiptRecipient.SetText(Headers.ValueOf("Disposition-Notification-To"));
  if (ReceiptRecipient.Text().empty())
    ReceiptRecipient.SetText(Headers.ValueOf("Return-Receipt-To"));
  References = Headers.ValueOf("References");
  ReplyTo.ParseAddresses(Headers.ValueOf("Reply-To"));
  Date = InternetDateToLocal(Headers.ValueOf("Date"));
  Sender.SetText(Headers.ValueOf("Sender"));
  const std::string priority = Headers.ValueOf("Priority");
  Priority = PriorityFromText(!priority.empty() ? priority : Headers.ValueOf("X-Priority"));
  BoundaryStack.PushBoundary(TMIMEBoundary::BoundaryFromContentType(ContentType));
}

}  // namespace qp::message
