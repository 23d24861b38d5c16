// Plain text tables for terminals: columns padded to their widest cell, two blanks apart.
#pragma once

#include <string>
#include <vector>

// Cells are wide so that widths count characters, not UTF-8 bytes.
using TextRow = std::vector<std::wstring>;

// The rows as UTF-8 lines. Columns listed in `rightAligned` hold numbers; a column past its end is
// left-aligned. No trailing blanks.
std::string FormatTextTable(const std::vector<TextRow>& rows, const std::vector<bool>& rightAligned = {});
