#include "app/ArticleView.h"

#include <map>

#include "base/Charset.h"
#include "base/SysUtils.h"
#include "message/DisplayText.h"
#include "message/MessageParts.h"

namespace qp::app {

namespace {

using message::MediaType;
using message::TMessage;
using message::TMessagePart;

// The Content-Type of the multipart that part i was read inside.
std::string EnclosingType(const TMessage& message, int i) {
  const int parent = message.MessageParts[i].Parent;
  return parent >= 0 && parent < i ? message.MessageParts[parent].ContentType()
                                   : message.ContentType;
}

bool IsAlternative(const TMessage& message, int i) {
  return MediaType(EnclosingType(message, i)) == "multipart/alternative";
}

// Which parts stay out of the text: the alternatives that were not chosen, and every part
// inside one of them.
std::vector<bool> HiddenParts(const TMessage& message) {
  const int count = message.MessageParts.Count();
  // The chosen alternative of each multipart/alternative, by the index of that multipart
  // (-1: the message itself). A part without a Content-Type is text/plain (RFC 2045).
  std::map<int, int> chosen;
  for (int i = 0; i < count; ++i) {
    const TMessagePart& part = message.MessageParts[i];
    const std::string type = MediaType(part.ContentType());
    if (IsAlternative(message, i) && dynamic_cast<const message::TText*>(&part) != nullptr &&
        (type == "text/plain" || type.empty()))
      chosen[part.Parent] = i;
  }
  std::vector<bool> hidden(static_cast<std::size_t>(count), false);
  for (int i = 0; i < count; ++i) {
    // Up the chain of enclosing multiparts; a parent always comes before its parts.
    for (int j = i; j >= 0; j = message.MessageParts[j].Parent) {
      const int parent = message.MessageParts[j].Parent;
      const auto choice = chosen.find(parent);
      if (choice != chosen.end() && choice->second != j && IsAlternative(message, j)) {
        hidden[static_cast<std::size_t>(i)] = true;
        break;
      }
      if (parent >= j) break;
    }
  }
  return hidden;
}

std::string ExtensionFor(const std::string& mediaType) {
  if (mediaType == "text/html") return "html";
  if (mediaType == "text/xml" || mediaType == "application/xml") return "xml";
  if (mediaType.rfind("text/", 0) == 0 || mediaType.empty()) return "txt";
  return "bin";
}

}  // namespace

TArticleView ComposeArticleView(const TMessage& message, bool rawHeaders) {
  TArticleView view;
  if (rawHeaders) {
    for (const std::string& line : message.Headers) view.Lines.Add(ToUtf8(line));
  } else {
    view.Lines = message::HeaderLinesToUtf8(message.Headers);
  }
  view.Lines.Add("");
  view.Lines.AddStrings(
      message::LinesToUtf8(message.Body, message::MimeParameter(message.ContentType, "charset")));
  const std::vector<bool> hidden = HiddenParts(message);
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    const TMessagePart& part = message.MessageParts[i];
    if (const auto* attachment = dynamic_cast<const message::TAttachment*>(&part)) {
      view.Attachments.push_back(
          {message::DecodeHeaderText(attachment->FileName), attachment->FileName, i});
    } else if (const auto* text = dynamic_cast<const message::TText*>(&part)) {
      const std::string type = MediaType(part.ContentType());
      if (!hidden[static_cast<std::size_t>(i)]) {
        view.Lines.AddStrings(message::LinesToUtf8(text->Lines, TextCharset(*text, message)));
      } else if (type.rfind("multipart/", 0) != 0) {
        const std::string name = Format("part-%d.%s", i + 1, ExtensionFor(type).c_str());
        view.Attachments.push_back({name, name, i});
      }
    }
  }
  return view;
}

void SaveArticleAttachment(const TMessage& message, const TArticleAttachment& row,
                           const std::string& path) {
  const TMessagePart* part = row.Part >= 0 && row.Part < message.MessageParts.Count()
                                 ? &message.MessageParts[row.Part]
                                 : nullptr;
  if (const auto* attachment = dynamic_cast<const message::TAttachment*>(part)) {
    attachment->SaveToFile(path);
  } else if (const auto* text = dynamic_cast<const message::TText*>(part)) {
    text->SaveToFile(path);
  } else {
    throw ENetException("Error saving attachment.");
  }
}

}  // namespace qp::app
