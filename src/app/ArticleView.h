// What the article view shows of a retrieved message: its text in UTF-8 and the rows of its
// attachment list. Made by the main window's logic after each retrieval; no window system.
#pragma once

#include <string>
#include <vector>

#include "base/StringList.h"
#include "message/Message.h"

namespace qp::app {

// A row of the attachment list.
struct TArticleAttachment {
  // What the list shows (UTF-8): the file name with its encoded words decoded.
  std::string Caption;
  // The bytes by which the row is found again: the attachment's FileName exactly as the
  // article gives it, or the name made for an alternative ("part-2.html").
  std::string Key;
  // The part in the message's MessageParts: a TAttachment, or a TText alternative.
  int Part = -1;
};

struct TArticleView {
  TStringList Lines;
  std::vector<TArticleAttachment> Attachments;
};

// The view of message: the header lines (decoded, one per field; with rawHeaders exactly as
// sent), one empty line, the Body lines, then the lines of each text part in part order,
// every text converted from its charset to UTF-8. Of a multipart/alternative (RFC 2046
// section 5.1.4) only the last text/plain alternative is shown; the other alternatives
// become rows named "part-N.ext" (N the part's place in MessageParts from 1, ext after its
// media type: "html", "txt", ...), and the parts inside them rows or nothing, as they are
// attachments or multipart containers. An alternative without a text/plain choice is shown
// whole. Every attachment is a row, in part order.
TArticleView ComposeArticleView(const message::TMessage& message, bool rawHeaders);

// Writes the content of the part the row stands for to the new file path, never
// overwriting. Raises ENetException "Error saving attachment." when that fails or the row's
// part is no longer in message.
void SaveArticleAttachment(const message::TMessage& message, const TArticleAttachment& row,
                           const std::string& path);

}  // namespace qp::app
