#include "framework/texttable.h"

#include <algorithm>

#include "framework/utf.h"

std::string FormatTextTable(const std::vector<TextRow>& rows, const std::vector<bool>& rightAligned) {
    std::vector<size_t> widths;
    for (const TextRow& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    std::wstring text;
    for (const TextRow& row : rows) {
        std::wstring line;
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                line += L"  ";
            const std::wstring pad(widths[i] - row[i].size(), L' ');
            line += i < rightAligned.size() && rightAligned[i] ? pad + row[i] : row[i] + pad;
        }
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line;
        text += L'\n';
    }
    return WideToUtf8(text);
}
