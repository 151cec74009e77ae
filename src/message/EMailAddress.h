// E-mail addresses of header fields: one address item, a list of them, and their parsing
// and formatting (RFC 2822 mailbox and group syntax, read leniently).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Exception.h"

namespace qp::message {

// A malformed address: "@ Outside address" for an "@" after the closing ">".
class EEmailParseError : public ENetException {
 public:
  using ENetException::ENetException;
};

// One mailbox: a display name and an address. Stands alone (a message's From, Sender,
// ReceiptRecipient) or lives in a TEMailAddressList that owns it. Not thread-bound; used
// on the message-loop thread.
class TEMailAddressItem {
 public:
  std::string Address;
  std::string Name;

  // Name and address as one header text: the address alone, or the name (quoted when it
  // holds characters outside the atom set) followed by the address in angle brackets.
  std::string Text() const;
  // Parses a header text into Name and Address: quotes, comments (discarded), angle
  // brackets and backslash escapes are honoured; a text without delimiters is taken as the
  // address. Throws EEmailParseError "@ Outside address" for an "@" after ">"; Name and
  // Address then keep what was parsed before it.
  void SetText(const std::string& value);
};

// The address part of an item's Text: "<>" for a name without address, the address in
// angle brackets when there is a name, the local part quoted when it needs it. An address
// without "@" formats as empty text.
std::string FormatAddress(const TEMailAddressItem& item);

// An owned, ordered collection of address items (a message's Recipients, CCList, BccList,
// ReplyTo). Items have stable addresses until deleted. Message-loop thread only.
class TEMailAddressList {
 public:
  // Empties the list and adds one item per address of a header value. Commas inside quotes
  // or comments do not split; group names ("name:" ... ";") are dropped. Items that read
  // back as blank or "<>" are not kept. Throws EEmailParseError as SetText does; the
  // items parsed before stay in the list.
  void ParseAddresses(const std::string& text);

  int Count() const { return static_cast<int>(FItems.size()); }
  // Index checked: an index outside 0..Count()-1 throws Exception.
  TEMailAddressItem& operator[](int index);
  const TEMailAddressItem& operator[](int index) const;
  TEMailAddressItem& Add();
  void Delete(int index);
  void Clear() { FItems.clear(); }

 private:
  void CheckIndex(int index) const;
  // Deletes the last item when its Text reads blank or "<>".
  void DropLastIfEmpty();
  std::vector<std::unique_ptr<TEMailAddressItem>> FItems;
};

}  // namespace qp::message
