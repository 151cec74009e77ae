// Reception of MIME parts (RFC 2045, RFC 2046): multipart bodies nested by their boundaries,
// and single-part bodies sent in base64 or quoted-printable.
#pragma once

#include <optional>

#include "message/MessageCoder.h"

namespace qp::message {

// Reads one MIME part: in part mode the part after a delimiter line "--boundary", up to the
// next delimiter of PartBoundary; in whole-body mode the message's own encoded body up to
// the article's end. Created by TMessageDecoderInfoMIME or by the part before it.
class TMessageDecoderMIME : public TMessageDecoder {
 public:
  // Deepest nesting of multipart boundaries taken from an article. A multipart part nested
  // deeper keeps its own boundary out of force and is read, delimiter lines and all, as one
  // part of the multipart that encloses it. 64 is far beyond any real article and keeps a
  // hostile one from growing the boundary stack without end.
  static constexpr int MaxBoundaryDepth = 64;

  // Part mode: PartBoundary := the message's current boundary.
  explicit TMessageDecoderMIME(TMessage& message);
  // Whole-body mode: firstLine is the body's first line, already read and un-stuffed.
  TMessageDecoderMIME(TMessage& message, std::string firstLine);

  std::optional<std::string> PendingLine;
  bool WholeBodyMode = false;
  std::string PartBoundary;

  // Part mode reads the header lines up to the empty line into PartFields, puts a nested
  // multipart's boundary in force, then classifies the part. A "." line before the empty
  // line ends the article (MessageEnded).
  void ReadPartHeader() override;
  // Returns the decoder of the next part after a delimiter line, null after the closing
  // delimiter "--boundary--" (which pops the boundary) or at the article's "." line. A line
  // the content decoder rejects ("Uneven size in DecodeToStream." for base64) sets Damage
  // and ends the decoding; the part is still read to its end. Part headers are limited as
  // THeaderBlockLimit says.
  std::unique_ptr<TMessageDecoder> ReadPartBody(TStream& dest, bool& messageEnd) override;
  // Sets PartKind and FileName from a Content-Type and a Content-Disposition value.
  void ClassifyPart(const std::string& contentType, const std::string& disposition);

 private:
  std::string PartField(const std::string& name) const;
};

// True, after taking the boundary out of force, when line is the closing delimiter
// "--boundary--" of the message's current boundary. Reception meets such a line outside any
// part when a multipart ends right after a multipart nested in it: the inner one's last part
// stops at the inner closing delimiter, and the outer one's closing delimiter follows.
bool CloseCurrentMultipart(TMessage& message, const std::string& line);

// Claims a delimiter line of the message's current boundary, or the first body line of a
// message whose own Content-Transfer-Encoding is base64 or quoted-printable.
class TMessageDecoderInfoMIME : public TMessageDecoderInfo {
 public:
  std::unique_ptr<TMessageDecoder> DetectStart(TMessage& message,
                                               const std::string& line) const override;
};

}  // namespace qp::message
