// Wildcard pattern match used for cookie domains: '*' any run, '?' any one
// character, '#' one digit, "[list]" one character of the list (ranges like
// a-z allowed), "[!list]" one character not in it. Case-sensitive.
#pragma once

#include <string_view>

namespace quellon::pattern {

bool Like(std::string_view text, std::string_view pattern);

}  // namespace quellon::pattern
