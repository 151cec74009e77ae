// The parts that reception splits out of an article body: text parts and attachments.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/StringList.h"
#include "message/HeaderList.h"

namespace qp::message {

// One part of a message. Only the descendants TText and TAttachment can be created;
// constructing the base itself raises ECanNotCreateMessagePart. Owned by TMessageParts.
class TMessagePart {
 public:
  // Always raises ECanNotCreateMessagePart: the base class stands for no kind of part.
  TMessagePart();
  virtual ~TMessagePart() = default;
  TMessagePart(const TMessagePart&) = delete;
  TMessagePart& operator=(const TMessagePart&) = delete;

  THeaderList PartHeaders;
  THeaderList ExtraHeaders;
  // The index in MessageParts of the multipart part this part was read inside (the part
  // whose own header put the enclosing boundary in force), -1 for a part of the message's
  // own body. Reception sets it, together with the part's ContentType (a MIME part's own
  // "Content-Type"; none for a uuencoded block).
  int Parent = -1;

  // Stored in PartHeaders as "Content-Type" and "Content-Transfer-Encoding".
  std::string ContentType() const { return PartHeaders.ValueOf("Content-Type"); }
  void SetContentType(const std::string& value) { PartHeaders.AssignField("Content-Type", value); }
  std::string ContentTransfer() const { return PartHeaders.ValueOf("Content-Transfer-Encoding"); }
  void SetContentTransfer(const std::string& value) {
    PartHeaders.AssignField("Content-Transfer-Encoding", value);
  }

 protected:
  struct TDescendantTag {};
  explicit TMessagePart(TDescendantTag) {}
};

// A text part: its decoded content as lines.
class TText : public TMessagePart {
 public:
  TText() : TMessagePart(TDescendantTag{}) {}
  TStringList Lines;

  // Writes Lines, each followed by CR LF, to the new file path, never overwriting. Returns
  // true; raises ENetException "Error saving attachment." when path exists or cannot be
  // written.
  bool SaveToFile(const std::string& path) const;
};

// An attachment. Its content lives in the file StoredPath, never in memory. A temporary file
// handed over with AdoptTempFile belongs to the attachment and is deleted when the
// attachment is freed (the message's next Clear, or the end of the program); files the user
// keeps are the copies that SaveToFile makes.
class TAttachment : public TMessagePart {
 public:
  TAttachment() : TMessagePart(TDescendantTag{}) {}
  ~TAttachment() override;

  // The name exactly as the article gives it; may be empty or carry folder parts.
  std::string FileName;
  std::string StoredPath;

  // Makes path the attachment's StoredPath and gives the file to the attachment.
  void AdoptTempFile(const std::string& path);
  // Copies StoredPath to path, never overwriting. Returns true; raises ENetException
  // "Error saving attachment." when path exists, cannot be written or the source is gone.
  bool SaveToFile(const std::string& path) const;

 private:
  std::string FOwnedFile;
};

// The parts of one message in the order reception created them. Owned by TMessage.
class TMessageParts {
 public:
  // Name of the encoder used when a message is written out.
  std::string AttachmentEncoding = "MIME";

  int Count() const { return static_cast<int>(FItems.size()); }
  TMessagePart& operator[](int index) const { return *FItems.at(static_cast<std::size_t>(index)); }
  template <typename T>
  T& Add(std::unique_ptr<T> part) {
    T& ref = *part;
    FItems.push_back(std::move(part));
    return ref;
  }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TMessagePart>> FItems;
};

}  // namespace qp::message
