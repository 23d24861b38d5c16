// The flood pattern of conproc_child: numbered lines, so a lost, doubled or reordered byte shows.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
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
    // The count plus 10^8 has the 8 digits, leading zeros included, after its first one.
    char number[9];
    std::to_chars(number, number + 9, line % 100000000 + 100000000);
    out.append(number + 1, 8);
    out += ' ';
    out.append(utf8 ? kUtf8 : kLetters + line % 26, utf8 ? 45 : 54);
    out += '\n';
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
