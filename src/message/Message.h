// One news article as the reader receives it: raw header lines, the fields parsed from them,
// plain body lines and the parts split out of the body.
#pragma once

#include <string>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "base/StringList.h"
#include "message/EMailAddress.h"
#include "message/HeaderList.h"
#include "message/MessageParts.h"

namespace qp::message {

class EMessageException : public ENetException {
 public:
  using ENetException::ENetException;
};

class ECanNotCreateMessagePart : public EMessageException {
 public:
  explicit ECanNotCreateMessagePart(
      std::string message = "TMessagePart can not be created.  Use descendant classes. ")
      : EMessageException(std::move(message)) {}
};

enum TMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
enum TMessageEncoding { meMIME, meUU };

// The MIME boundaries (RFC 2046 section 5.1.1) in force while a multipart body is read,
// the current (innermost) one first. Owned by the message; the part decoders push and pop.
class TMIMEBoundary {
 public:
  // Makes b current unless it is empty or already current (compared without case).
  void PushBoundary(const std::string& b);
  void PopBoundary();
  std::string CurrentBoundary() const { return FList.Count() > 0 ? FList[0] : std::string(); }
  int Count() const { return FList.Count(); }
  void Clear() { FList.Clear(); }

  // The boundary parameter of a Content-Type value, upper-cased; "" when there is none.
  // An unquoted boundary runs to the end of the value, later parameters included.
  static std::string BoundaryFromContentType(const std::string& value);

 private:
  TStringList FList;
};

// "urgent" → mpHigh, "non-priority" → mpLow, else the leading number 1..5 → mpHighest..
// mpLowest; anything else (no number, or one outside 1..5) → mpNormal.
TMessagePriority PriorityFromText(const std::string& value);

// The message object. The main window owns one for the whole run; article retrieval
// clears it and reception fills it. Used on the UI thread only.
class TMessage {
 public:
  TEMailAddressList BccList;
  TStringList Body;
  std::string CharSet;
  TEMailAddressList CCList;
  std::string ContentType;
  std::string ContentTransferEncoding;
  std::string ContentDisposition;
  TDateTime Date = 0;
  THeaderList ExtraHeaders;
  TEMailAddressItem From;
  THeaderList Headers;
  TMessageParts MessageParts;
  TMIMEBoundary BoundaryStack;
  std::string MessageId;
  TStringList NewsGroups;
  // Set: reception captures the body raw into Body and makes no parts.
  bool NoDecode = false;
  std::string Organization;
  TMessagePriority Priority = mpNormal;
  std::string Subject;
  TEMailAddressItem ReceiptRecipient;
  TEMailAddressList Recipients;
  std::string References;
  TEMailAddressList ReplyTo;
  TEMailAddressItem Sender;
  // What reception could not decode, one line each: a damaged part with its name and the
  // decoder's failure, or a header field kept as sent. Filled by ApplyHeaders and reception,
  // emptied by Clear; the reader writes these lines to its log.
  TStringList DecodeFailures;

  TMessageEncoding Encoding() const { return FEncoding; }
  // meUU selects the "UUE" attachment encoder, meMIME the "MIME" one.
  void SetEncoding(TMessageEncoding value);
  const std::string& AttachmentEncoding() const { return MessageParts.AttachmentEncoding; }
  void SetAttachmentEncoding(const std::string& value) { MessageParts.AttachmentEncoding = value; }
  bool UseNowForDate() const { return Date == 0; }

  // ClearHeaderFields, then ClearContent, and Encoding back to meMIME (AttachmentEncoding
  // "MIME"): every field returns to its default except MessageId and the NoDecode setting.
  void Clear();
  // Resets every header property to its default except MessageId.
  void ClearHeaderFields();
  // Frees every part (deleting attachment temporary files) and empties Body.
  void ClearContent();
  // Fills the header properties from Headers. A field whose encoded words are malformed
  // (EConvertError) or whose addresses the parser rejects (EEmailParseError) is kept as sent
  // (an address item gets the value as its Name) and noted in DecodeFailures; it never
  // raises for them.
  void ApplyHeaders();

 private:
  TMessageEncoding FEncoding = meMIME;
};

}  // namespace qp::message
