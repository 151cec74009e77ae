// Part decoders for message reception and the registry that picks one for a body line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/LineSource.h"
#include "base/Streams.h"
#include "base/StringList.h"

namespace qp::message {

class TMessage;

enum TMessageDecoderPartKind { partUnknown, partText, partAttachment };

// What reception holds at most for one article, so that an article (whoever posted it) cannot
// make the reader hold without bound. Each breach raises ELimitExceeded naming the limit.
// A header block (the article's, or one MIME part's): lines and bytes of line text.
constexpr int MaxHeaderLines = 10000;
constexpr std::size_t MaxHeaderBytes = 1024 * 1024;
// Text held in memory (header lines, body lines, text parts), each line with a two-byte line
// end. Attachments go to files and do not count.
constexpr std::size_t MaxTextBytes = 64 * 1024 * 1024;
constexpr int MaxParts = 10000;

// Counts the lines of one header block against MaxHeaderLines and MaxHeaderBytes. what names
// the block in the message ("Article header", "Part header").
class THeaderBlockLimit {
 public:
  explicit THeaderBlockLimit(const char* what) : FWhat(what) {}
  // Throws ELimitExceeded when line takes the block past either limit.
  void Count(const std::string& line);

 private:
  const char* FWhat;
  int FLines = 0;
  std::size_t FBytes = 0;
};

// Removes the first of two leading dots: the server doubles a leading "." on every article
// line (RFC 3977 section 3.1.1).
std::string UnstuffLine(const std::string& line);
// The same, changing line itself.
void UnstuffLineInPlace(std::string& line);

// Path of a new, empty, uniquely named file in the system temporary folder, for the content
// of one attachment. Throws the platform's file error when none can be made.
std::string MakeTempFileName();

// Reads exactly one part of an article from a line source and writes its decoded content to
// a stream. Reception creates one per part, gives it the line source, uses it once and frees
// it. UI thread only.
class TMessageDecoder {
 public:
  explicit TMessageDecoder(TMessage& message) : FMessage(message) {}
  virtual ~TMessageDecoder() = default;
  TMessageDecoder(const TMessageDecoder&) = delete;
  TMessageDecoder& operator=(const TMessageDecoder&) = delete;

  std::string FileName;
  // The part's Content-Type as its header gives it ("" when it has none, as a uuencoded
  // block), set by ReadPartHeader.
  std::string ContentType;
  // The boundary whose delimiter line started this part, and the boundary that the part's
  // own header put in force (a nested multipart); "" when there is none. Reception tells
  // from them which multipart each part belongs to.
  std::string EnclosingBoundary;
  std::string OpenedBoundary;
  // The part's own header lines, each stored as name "=" value.
  TStringList PartFields;
  TMessageDecoderPartKind PartKind = partUnknown;
  // Why the part's content could not be decoded to its end ("" when it could). A part whose
  // content decoder fails keeps the bytes decoded before the failure; its remaining lines
  // are read up to the part's end and dropped, so reception goes on after the part.
  std::string Damage;

  // The source that delivers the part's lines; it must outlive the decoder.
  void SetSource(TLineSource& source) { FSource = &source; }
  // Reads whatever header the part has and sets PartKind and FileName.
  virtual void ReadPartHeader() = 0;
  // Writes the part's decoded content to dest. Sets messageEnd when the article's final "."
  // line was consumed. Returns the decoder of the part that follows directly, or null. A
  // decoding failure sets Damage instead of raising; what dest raises (file errors,
  // ELimitExceeded) and the source's failures pass out.
  virtual std::unique_ptr<TMessageDecoder> ReadPartBody(TStream& dest, bool& messageEnd) = 0;
  // True when the article's "." line arrived while the part header was read: the part has
  // no content and the article has ended.
  bool MessageEnded() const { return FMessageEnded; }

 protected:
  // The next line from the source, its line end removed.
  std::string ReadLn();

  TMessage& FMessage;
  bool FMessageEnded = false;

 private:
  TLineSource* FSource = nullptr;
};

// Recognises the first line of a part and creates the decoder that reads it. Owned by the
// registry.
class TMessageDecoderInfo {
 public:
  virtual ~TMessageDecoderInfo() = default;
  // A new decoder when line starts a part this detector knows, otherwise null.
  virtual std::unique_ptr<TMessageDecoder> DetectStart(TMessage& message,
                                                       const std::string& line) const = 0;
};

// The process-wide ordered list of detectors: "MIME", then "UUE". It is filled on first use
// and read-only afterwards; RegisterDecoder is for start-up only (not thread-safe).
class TMessageDecoderList {
 public:
  static void RegisterDecoder(const std::string& name, std::unique_ptr<TMessageDecoderInfo> info);
  // Asks the detectors in registry order; the first decoder returned wins.
  static std::unique_ptr<TMessageDecoder> FindDecoder(TMessage& message, const std::string& line);
  static std::vector<std::string> Names();

 private:
  struct TEntry {
    std::string Name;
    std::unique_ptr<TMessageDecoderInfo> Info;
  };
  static std::vector<TEntry>& Entries();
};

}  // namespace qp::message
