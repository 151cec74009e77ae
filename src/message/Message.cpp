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
  DecodeFailures.Clear();
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

namespace {

// A header value with its encoded words decoded, or as sent when they are malformed.
std::string DecodedOrAsSent(TMessage& message, const char* field, const std::string& value) {
  try {
    return DecodeHeaderWords(value);
  } catch (const EConvertError& e) {
    message.DecodeFailures.Add(Format("Field %s kept as sent: %s", field, e.Message().c_str()));
    return value;
  }
}

// Parses an address field into item; a value the parser rejects stays whole, as the Name.
void SetAddress(TMessage& message, TEMailAddressItem& item, const char* field,
                const std::string& value) {
  try {
    item.SetText(value);
  } catch (const EEmailParseError& e) {
    item.Address.clear();
    item.Name = value;
    message.DecodeFailures.Add(Format("Field %s kept as sent: %s", field, e.Message().c_str()));
  }
}

void SetAddresses(TMessage& message, TEMailAddressList& list, const char* field,
                  const std::string& value) {
  try {
    list.ParseAddresses(value);
  } catch (const EEmailParseError& e) {
    list.Clear();
    list.Add().Name = value;
    message.DecodeFailures.Add(Format("Field %s kept as sent: %s", field, e.Message().c_str()));
  }
}

}  // namespace

void TMessage::ApplyHeaders() {
  ContentType = Headers.ValueOf("Content-Type");
  ContentTransferEncoding = Headers.ValueOf("Content-Transfer-Encoding");
  ContentDisposition = Headers.ValueOf("Content-Disposition");
  Subject = DecodedOrAsSent(*this, "Subject", Headers.ValueOf("Subject"));
  SetAddress(*this, From, "From", DecodedOrAsSent(*this, "From", Headers.ValueOf("From")));
  MessageId = Headers.ValueOf("Message-Id");
  SplitCommaList(NewsGroups, Headers.ValueOf("Newsgroups"));
  SetAddresses(*this, Recipients, "To", DecodedOrAsSent(*this, "To", Headers.ValueOf("To")));
  SetAddresses(*this, CCList, "Cc", DecodedOrAsSent(*this, "Cc", Headers.ValueOf("Cc")));
  Organization = Headers.ValueOf("Organization");
  SetAddress(*this, ReceiptRecipient, "Disposition-Notification-To",
             Headers.ValueOf("Disposition-Notification-To"));
  if (ReceiptRecipient.Text().empty())
    SetAddress(*this, ReceiptRecipient, "Return-Receipt-To", Headers.ValueOf("Return-Receipt-To"));
  References = Headers.ValueOf("References");
  SetAddresses(*this, ReplyTo, "Reply-To", Headers.ValueOf("Reply-To"));
  Date = InternetDateToLocal(Headers.ValueOf("Date"));
  SetAddress(*this, Sender, "Sender", Headers.ValueOf("Sender"));
  const std::string priority = Headers.ValueOf("Priority");
  Priority = PriorityFromText(!priority.empty() ? priority : Headers.ValueOf("X-Priority"));
  BoundaryStack.PushBoundary(TMIMEBoundary::BoundaryFromContentType(ContentType));
}

}  // namespace qp::message
