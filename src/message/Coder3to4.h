// The decoder family: one line of encoded article text in, its bytes appended to a stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Component.h"
#include "base/Streams.h"

namespace qp::message {

// Abstract line decoder. Reception creates one per encoded part and owns it; it is used on
// the message-loop thread only. Decoders keep no state between lines, so a part of any size
// is decoded as it arrives and never held whole in memory.
class TDecoder : public TComponent {
 public:
  ~TDecoder() override = default;
  // Decodes text (one line, without its line end) and appends the bytes to dest.
  virtual void DecodeToStream(const std::string& text, TStream& dest) = 0;
};

// Maps a byte to its 6-bit value, or to 255 for a byte outside the alphabet.
using TDecodeTable = std::array<uint8_t, 256>;

// The table of an alphabet: every entry 255, then the i-th character of alphabet maps to i.
// Each decoder class builds its table once, on first use.
TDecodeTable BuildDecodeTable(std::string_view alphabet);

// Collects decoded bytes in a fixed buffer and hands them to the stream in few large writes:
// one per line in practice, more only for very long lines. A local of one DecodeToStream
// call; bytes not yet flushed are discarded when it goes out of scope (after a failure).
class TDecodeBuffer {
 public:
  explicit TDecodeBuffer(TStream& dest) : FDest(dest) {}
  TDecodeBuffer(const TDecodeBuffer&) = delete;
  TDecodeBuffer& operator=(const TDecodeBuffer&) = delete;

  // Room for at least count more bytes (count <= Capacity); flushes when needed.
  uint8_t* Reserve(std::size_t count) {
    if (FLength + count > Capacity) Flush();
    return FData.data() + FLength;
  }
  void Commit(std::size_t count) { FLength += count; }
  void Put(uint8_t b) {
    *Reserve(1) = b;
    ++FLength;
  }
  void Append(const char* data, std::size_t count);
  void Flush() {
    if (FLength > 0) FDest.WriteBuffer(FData.data(), static_cast<int64_t>(FLength));
    FLength = 0;
  }

  // 3072 bytes hold the decoded form of any ordinary line (76 base64 characters give 57
  // bytes, 61 uuencode characters 45) with a wide margin, at a modest stack cost.
  static constexpr std::size_t Capacity = 3072;

 private:
  TStream& FDest;
  std::array<uint8_t, Capacity> FData;
  std::size_t FLength = 0;
};

// Decoders that turn groups of four 6-bit characters into three bytes.
class TDecoder4to3 : public TDecoder {
 protected:
  // table: the class's decode table, which outlives every instance; fillChar: the pad
  // character, or -1 when the encoding has none.
  TDecoder4to3(const TDecodeTable& table, int fillChar)
      : FDecodeTable(table), FFillChar(fillChar) {}

  // The 24 bits of four table values d1..d4 combined as d1<<18 | d2<<12 | d3<<6 | d4.
  // A value of 255 (a character outside the alphabet) is deliberately not skipped: its extra
  // bits spill into the neighbouring bytes, so a damaged line still yields its byte count.
  static uint32_t Group(uint32_t d1, uint32_t d2, uint32_t d3, uint32_t d4) {
    return (d1 << 18) | (d2 << 12) | (d3 << 6) | d4;
  }
  static void Store3(uint8_t* out, uint32_t w) {
    out[0] = static_cast<uint8_t>(w >> 16);
    out[1] = static_cast<uint8_t>(w >> 8);
    out[2] = static_cast<uint8_t>(w);
  }

  const TDecodeTable& FDecodeTable;
  int FFillChar;
};

}  // namespace qp::message
