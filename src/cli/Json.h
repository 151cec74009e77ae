// A minimal JSON writer for the command-line companion: one object per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp::cli {

// The text as a JSON string literal. Valid UTF-8 passes through; any other text is taken as
// 8-bit Latin-1, so every byte still reaches the reader as the character it stands for.
std::string JsonString(std::string_view text);
// Appends the literal to out.
void AppendJsonString(std::string& out, std::string_view text);

// Builds one JSON object field by field; Str/Num/Raw append "name":value pairs (names are
// plain words of the program and are not escaped).
class TJsonObject {
 public:
  TJsonObject& Str(std::string_view name, std::string_view value);
  TJsonObject& Num(std::string_view name, int64_t value);
  TJsonObject& Unsigned(std::string_view name, uint64_t value);
  // value must already be JSON (an array or an object).
  TJsonObject& Raw(std::string_view name, std::string_view value);
  std::string Text() const { return "{" + FBody + "}"; }

 private:
  void Name(std::string_view name);
  std::string FBody;
};

}  // namespace qp::cli
