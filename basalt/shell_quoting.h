#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace basalt {

// Text as one word for /bin/sh whatever it holds (spaces, quotes, "$",
// backquotes, backslashes, newlines): single quotes, with each single quote
// written as '\''. Bytes pass through unchanged.
std::string shellQuoted(std::string_view text);

// Text as the body of an AppleScript string literal: backslash and double
// quote escaped, so the literal's value is exactly the text.
std::string appleScriptEscaped(std::string_view text);

// A path ready to be placed inside the "do shell script" literal: its
// literal value is the path as one shell word.
std::string shellEscapedPath(std::string_view path);

// The words of a command line written the way shellQuoted writes them:
// single-quoted text, a backslash before one character, plain characters
// that no shell treats specially; blanks between words. Anything a shell
// would expand or interpret (unquoted $, backquotes, ;, |, &, redirections,
// globs, double quotes) makes it none: such a line is not ours.
std::optional<std::vector<std::string>> splitQuotedWords(std::string_view line);

}  // namespace basalt
