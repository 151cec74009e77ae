// One news article as the reader receives it: raw header lines, the fields parsed from them,
// plain body lines and the parts split out of the body.
#pragma once

#include <string>

#include "base/DateTime.h"
#include "base/StringList.h"
#include "message/IdEMailAddress.h"
#include "message/IdHeaderList.h"
#include "message/IdMessageParts.h"
#include "nntp/IdException.h"

namespace qp {

class EIdMessageException : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdCanNotCreateMessagePart : public EIdMessageException {
 public:
  explicit EIdCanNotCreateMessagePart(
      std::string message = "TIdMessagePart can not be created.  Use descendant classes. ")
      : EIdMessageException(std::move(message)) {}
};

enum TIdMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
enum TIdMessageEncoding { meMIME, meUU };

// The MIME boundaries (RFC 2046 section 5.1.1) in force while a multipart body is read,
// the current (innermost) one first. Owned by the message; the part decoders push and pop.
class TIdMIMEBoundary {
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
TIdMessagePriority PriorityFromText(const std::string& value);

// Fills dest with the comma-separated entries of value, trimmed, empty ones dropped; a comma
// after a single opening double quote belongs to the entry.
void SplitNewsgroups(const std::string& value, TStringList& dest);

// The message object. The main window owns one for the whole run; article retrieval
// clears it and reception fills it. Used on the UI thread only.
class TIdMessage {
 public:
  TIdEMailAddressList BccList;
  TStringList Body;
  std::string CharSet;
  TIdEMailAddressList CCList;
  std::string ContentType;
  std::string ContentTransferEncoding;
  std::string ContentDisposition;
  TDateTime Date = 0;
  TIdHeaderList ExtraHeaders;
  TIdEMailAddressItem From;
  TIdHeaderList Headers;
  TIdMessageParts MessageParts;
  TIdMIMEBoundary BoundaryStack;
  std::string MessageId;
  TStringList NewsGroups;
  // Set: reception captures the body raw into Body and makes no parts.
  bool NoDecode = false;
  std::string Organization;
  TIdMessagePriority Priority = mpNormal;
  std::string Subject;
  TIdEMailAddressItem ReceiptRecipient;
  TIdEMailAddressList Recipients;
  std::string References;
  TIdEMailAddressList ReplyTo;
  TIdEMailAddressItem Sender;

  TIdMessageEncoding Encoding() const { return FEncoding; }
  // meUU selects the "UUE" attachment encoder, meMIME the "MIME" one.
  void SetEncoding(TIdMessageEncoding value);
  const std::string& AttachmentEncoding() const { return MessageParts.AttachmentEncoding; }
  void SetAttachmentEncoding(const std::string& value) { MessageParts.AttachmentEncoding = value; }
  bool UseNowForDate() const { return Date == 0; }

  // ClearHeaderFields, then ClearContent.
  void Clear();
  // Resets every header property to its default except MessageId.
  void ClearHeaderFields();
  // Frees every part (deleting attachment temporary files) and empties Body.
  void ClearContent();
  // Fills the header properties from Headers. Raises what address parsing
  // (EIdEmailParseError) or encoded-word decoding (EConvertError) raise; the properties after
  // the failing one are then left unset.
  void ApplyHeaders();

 private:
  TIdMessageEncoding FEncoding = meMIME;
};

}  // namespace qp
