// The per-character substitution that scrambles every definition line.
#pragma once

#include <string>
#include <string_view>

namespace quellon::definitions {

// Letters and digits are stored shifted into the upper half of the code page:
// 192-217 are "A"-"Z", 218-243 "a"-"z", 244-253 "0"-"9"; every other byte
// passes unchanged. The result has the length of the line.
std::string DecodeDefinitionLine(std::string_view line);
void DecodeInPlace(std::string& line);

// The inverse for letters and digits. Bytes 192-253 of the plain text cannot
// be stored (they would decode as letters or digits); `lossless` tells
// whether the line survives a round trip.
std::string EncodeDefinitionLine(std::string_view line, bool* lossless = nullptr);

}  // namespace quellon::definitions
