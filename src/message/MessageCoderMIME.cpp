#include "message/MessageCoderMIME.h"

#include "base/SysUtils.h"
#include "message/CoderMIME.h"
#include "message/CoderQuotedPrintable.h"
#include "message/Message.h"

namespace qp::message {

namespace {

bool IsWholeBodyEncoding(const std::string& cte) {
  const std::string trimmed = Trim(cte);
  return SameText(trimmed, "base64") || SameText(trimmed, "quoted-printable");
}

// The value after a parameter keyword and the one character that follows it (normally "="),
// with its letters as written; "" when the keyword does not occur.
std::string AfterKeyword(const std::string& value, const std::string& upperKeyword) {
  const std::size_t at = UpperCase(value).find(upperKeyword);
  if (at == std::string::npos) return "";
  const std::size_t start = at + upperKeyword.size() + 1;
  return start < value.size() ? value.substr(start) : std::string();
}

}  // namespace

TMessageDecoderMIME::TMessageDecoderMIME(TMessage& message)
    : TMessageDecoder(message), PartBoundary(message.BoundaryStack.CurrentBoundary()) {
  EnclosingBoundary = PartBoundary;
}

TMessageDecoderMIME::TMessageDecoderMIME(TMessage& message, std::string firstLine)
    : TMessageDecoder(message), PendingLine(std::move(firstLine)), WholeBodyMode(true) {}

std::string TMessageDecoderMIME::PartField(const std::string& name) const {
  for (const std::string& entry : PartFields) {
    const std::size_t eq = entry.find('=');
    if (eq != std::string::npos && SameText(std::string_view(entry).substr(0, eq), name))
      return entry.substr(eq + 1);
  }
  return "";
}

void TMessageDecoderMIME::ReadPartHeader() {
  if (WholeBodyMode) {
    ContentType = FMessage.ContentType;
    ClassifyPart(FMessage.ContentType, FMessage.ContentDisposition);
    return;
  }
  THeaderBlockLimit limit("Part header");
  while (true) {
    const std::string raw = ReadLn();
    // The article ended inside the part header; its empty line will never come.
    if (raw == ".") {
      FMessageEnded = true;
      return;
    }
    std::string line = UnstuffLine(raw);
    if (line.empty()) break;
    limit.Count(line);
    if (line[0] == ' ' || line[0] == '\t') {
      // A folded header line (RFC 5322 section 2.2.3). One that comes before any field has
      // nothing to continue and is dropped.
      if (PartFields.Count() > 0) {
        std::string& last = PartFields[PartFields.Count() - 1];
        last += ' ';
        last.append(line, 1, std::string::npos);
      }
      continue;
    }
    const std::size_t colon = line.find(": ");
    if (colon != std::string::npos) line.replace(colon, 2, "=");
    PartFields.Add(std::move(line));
  }
  const std::string contentType = PartField("Content-Type");
  ContentType = contentType;
  const std::string boundary = TMIMEBoundary::BoundaryFromContentType(contentType);
  if (!boundary.empty()) {
    TMIMEBoundary& stack = FMessage.BoundaryStack;
    if (stack.Count() < MaxBoundaryDepth || SameText(boundary, stack.CurrentBoundary())) {
      stack.PushBoundary(boundary);
      PartBoundary = boundary;
      if (!SameText(boundary, EnclosingBoundary)) OpenedBoundary = boundary;
    }
  }
  ClassifyPart(contentType, PartField("Content-Disposition"));
}

void TMessageDecoderMIME::ClassifyPart(const std::string& contentType,
                                       const std::string& disposition) {
  const std::string kind = Trim(disposition.substr(0, disposition.find(';')));
  const std::string upperType = UpperCase(contentType);
  if (!SameText(kind, "attachment") && upperType.find("NAME") == std::string::npos) {
    PartKind = partText;
    return;
  }
  PartKind = partAttachment;
  std::string name = AfterKeyword(disposition, "FILENAME");
  if (name.empty()) name = AfterKeyword(contentType, "NAME");
  if (name.empty()) return;
  if (name[0] == '"') {
    const std::size_t close = name.find('"', 1);
    FileName = name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    FileName = name;
  }
}

std::unique_ptr<TMessageDecoder> TMessageDecoderMIME::ReadPartBody(TStream& dest,
                                                                   bool& messageEnd) {
  messageEnd = false;
  const std::string cte = Trim(WholeBodyMode ? FMessage.ContentTransferEncoding
                                             : PartField("Content-Transfer-Encoding"));
  std::unique_ptr<TDecoder> decoder;
  bool base64 = false;
  if (SameText(cte, "base64")) {
    decoder = std::make_unique<TDecoderMIME>();
    base64 = true;
  } else if (SameText(cte, "quoted-printable")) {
    decoder = std::make_unique<TDecoderQuotedPrintable>();
  }
  const std::string delimiter = PartBoundary.empty() ? "" : "--" + PartBoundary;
  const std::string closeDelimiter = PartBoundary.empty() ? "" : delimiter + "--";
  // Identity content (7bit, 8bit, binary): the line break before a delimiter line belongs to
  // the delimiter (RFC 2046 section 5.1.1), so each line's break is written only once the
  // next line of the part has arrived.
  bool lineBreakPending = false;
  std::string line;
  while (true) {
    if (PendingLine) {
      line = std::move(*PendingLine);
      PendingLine.reset();
    } else {
      line = ReadLn();
      if (line == ".") {
        // The article ends inside the part: the last line keeps its own line break.
        if (lineBreakPending) dest.WriteString("\r\n");
        messageEnd = true;
        return nullptr;
      }
      UnstuffLineInPlace(line);
    }
    if (!delimiter.empty()) {
      if (SameText(line, delimiter)) return std::make_unique<TMessageDecoderMIME>(FMessage);
      if (SameText(line, closeDelimiter)) {
        FMessage.BoundaryStack.PopBoundary();
        return nullptr;
      }
    }
    if (!decoder) {
      if (lineBreakPending) dest.WriteString("\r\n");
      dest.WriteString(line);
      lineBreakPending = true;
    } else if (Damage.empty() && (!base64 || !line.empty())) {
      try {
        decoder->DecodeToStream(line, dest);
      } catch (const ELimitExceeded&) {
        throw;
      } catch (const ENetException& e) {
        // The decoder rejects this line ("Uneven size in DecodeToStream."): the part keeps
        // what was decoded before it, and its remaining lines are only read.
        Damage = e.Message();
      }
    }
  }
}

bool CloseCurrentMultipart(TMessage& message, const std::string& line) {
  const std::string boundary = message.BoundaryStack.CurrentBoundary();
  if (boundary.empty() || line.size() != boundary.size() + 4 || line.compare(0, 2, "--") != 0 ||
      line.compare(line.size() - 2, 2, "--") != 0 ||
      !SameText(std::string_view(line).substr(2, boundary.size()), boundary))
    return false;
  message.BoundaryStack.PopBoundary();
  return true;
}

std::unique_ptr<TMessageDecoder> TMessageDecoderInfoMIME::DetectStart(
    TMessage& message, const std::string& line) const {
  const std::string boundary = message.BoundaryStack.CurrentBoundary();
  if (!boundary.empty() && line.size() == boundary.size() + 2 && line[0] == '-' && line[1] == '-' &&
      SameText(std::string_view(line).substr(2), boundary))
    return std::make_unique<TMessageDecoderMIME>(message);
  if (IsWholeBodyEncoding(message.ContentTransferEncoding))
    return std::make_unique<TMessageDecoderMIME>(message, line);
  return nullptr;
}

}  // namespace qp::message
