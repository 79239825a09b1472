#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace zamo::gamelog {

// Reads the words, numbers and parentheses of one S-expression line from left to right. Every
// read skips the blanks before it and reports failure instead of moving on.
class TextCursor {
  public:
    explicit TextCursor(std::string_view text) : text_(text) {}

    std::size_t position() const { return at_; }

    bool atEnd() {
        skipBlanks();
        return at_ >= text_.size();
    }

    bool peek(char c) {
        skipBlanks();
        return at_ < text_.size() && text_[at_] == c;
    }

    bool eat(char c) {
        if (!peek(c)) {
            return false;
        }
        ++at_;
        return true;
    }

    // The characters up to the next blank or parenthesis; empty when there are none.
    std::string_view word() {
        skipBlanks();
        const std::size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_]) && text_[at_] != '(' &&
               text_[at_] != ')') {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

    // A "quoted" text without the quotes; quotes do not nest and there is no escape.
    bool quoted(std::string_view& value) {
        if (!eat('"')) {
            return false;
        }
        const std::size_t end = text_.find('"', at_);
        if (end == std::string_view::npos) {
            return false;
        }
        value = text_.substr(at_, end - at_);
        at_ = end + 1;
        return true;
    }

    // A finite real within [-limit, limit].
    bool real(double& value, double limit) {
        const std::string_view token = word();
        const char* end = token.data() + token.size();
        double parsed = 0.0;
        const auto [stop, error] = std::from_chars(token.data(), end, parsed);
        if (token.empty() || error != std::errc() || stop != end || !std::isfinite(parsed) ||
            std::fabs(parsed) > limit) {
            return false;
        }
        value = parsed;
        return true;
    }

    // A whole number within [low, high].
    bool integer(int& value, int low, int high) {
        const std::string_view token = word();
        const char* end = token.data() + token.size();
        int parsed = 0;
        const auto [stop, error] = std::from_chars(token.data(), end, parsed);
        if (token.empty() || error != std::errc() || stop != end || parsed < low || parsed > high) {
            return false;
        }
        value = parsed;
        return true;
    }

    // A state word: "0x" and hexadecimal digits, or a plain "0".
    bool hex(std::uint32_t& value) {
        std::string_view token = word();
        if (token.starts_with("0x") || token.starts_with("0X")) {
            token.remove_prefix(2);
        } else if (token != "0") {
            return false;
        }
        const char* end = token.data() + token.size();
        std::uint32_t parsed = 0;
        const auto [stop, error] = std::from_chars(token.data(), end, parsed, 16);
        if (token.empty() || error != std::errc() || stop != end) {
            return false;
        }
        value = parsed;
        return true;
    }

    // Skips the rest of a parenthesised item whose "(" has been read; false when it never ends.
    bool skipItem() {
        int depth = 1;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                const std::size_t end = text_.find('"', at_);
                if (end == std::string_view::npos) {
                    return false;
                }
                at_ = end + 1;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return true;
            }
        }
        return false;
    }

  private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipBlanks() {
        while (at_ < text_.size() && isBlank(text_[at_])) {
            ++at_;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace zamo::gamelog
