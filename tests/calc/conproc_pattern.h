// The flood pattern of conproc_child: numbered lines, so a lost, doubled or reordered byte shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// ASCII lines are 64 bytes: the line number in 8 digits, a blank, 54 letters and a line feed.
// UTF-8 lines are 55 bytes: the number, a blank, five times "é€😀" (2, 3 and 4 bytes) and a line
// feed; 55 does not divide the runner's read size, so reads end inside characters.
inline void AppendFloodLine(std::string& out, std::uint64_t line, bool utf8) {
    // Letter k of line i is 'a' + (i + k) % 26: a slice of the alphabet repeated.
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
                                       "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz";
    static_assert(sizeof kLetters - 1 >= 25 + 54);
    static constexpr char kUtf8[] = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                    "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                    "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    char text[64];
    std::uint64_t n = line;
    for (int i = 7; i >= 0; --i) {
        text[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    text[8] = ' ';
    const std::size_t body = utf8 ? 45 : 54;
    std::memcpy(text + 9, utf8 ? kUtf8 : kLetters + line % 26, body);
    text[9 + body] = '\n';
    out.append(text, 10 + body);
}

// The first `size` bytes of the pattern.
inline std::string FloodText(std::size_t size, bool utf8) {
    std::string text;
    text.reserve(size + 64);
    for (std::uint64_t line = 0; text.size() < size; ++line)
        AppendFloodLine(text, line, utf8);
    text.resize(size);
    return text;
}
