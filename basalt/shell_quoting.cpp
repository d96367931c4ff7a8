#include "shell_quoting.h"

namespace basalt {

std::string shellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string appleScriptEscaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string shellEscapedPath(std::string_view path) {
    return appleScriptEscaped(shellQuoted(path));
}

std::optional<std::vector<std::string>> splitQuotedWords(std::string_view line) {
    constexpr std::string_view kSpecial = "\"$`;&|<>()*?[]{}~#!";
    std::vector<std::string> words;
    std::optional<std::string> word;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (word) {
                words.push_back(std::move(*word));
                word.reset();
            }
            continue;
        }
        if (!word) {
            word.emplace();
        }
        if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            word->append(line.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '\\') {
            if (i + 1 >= line.size() || line[i + 1] == '\n') {
                return std::nullopt;
            }
            *word += line[++i];
        } else if (kSpecial.find(c) != std::string_view::npos) {
            return std::nullopt;
        } else {
            *word += c;
        }
    }
    if (word) {
        words.push_back(std::move(*word));
    }
    return words;
}

}  // namespace basalt
