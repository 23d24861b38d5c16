#include "calc/matinput.h"

std::vector<int32_t> CompositionRows(const MatCompoEntry* entries) {
    std::vector<int32_t> rows;
    for (int32_t k = 0; k < kMatElementCount; ++k) {
        if (entries[k].present != 1)
            continue;
        if (entries[k].base == 1)
            rows.insert(rows.begin(), k);
        else
            rows.push_back(k);
    }
    return rows;
}

CompositionSum SumComposition(const MatCompoEntry* entries, const std::vector<int32_t>& rows) {
    CompositionSum sum;
    for (size_t row = 1; row < rows.size(); ++row) {
        const int32_t element = rows[row];
        const float value = entries[element].compo;
        sum.others += value;
        switch (element) {
        case kElementC:
            sum.carbon = value;
            break;
        case kElementMn:
            sum.manganese = value;
            break;
        case kElementSi:
            sum.silicon = value;
            break;
        case kElementP:
            sum.phosphorus = value;
            break;
        default:
            break;
        }
    }
    return sum;
}

bool IsBalanceAcceptable(float balance) {
    return balance > 0.0f && balance <= 100.0f;
}

float KelvinFromCelsius(double celsius) {
    return static_cast<float>(static_cast<float>(celsius) + 273.15);
}

double CelsiusFromKelvin(float kelvin) {
    return static_cast<double>(kelvin - 273.15f);
}

namespace {

size_t NameStart(std::wstring_view path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}

} // namespace

std::wstring_view FileExtension(std::wstring_view path) {
    const std::wstring_view name = path.substr(NameStart(path));
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view() : name.substr(dot);
}

std::wstring WithDefaultExtension(std::wstring_view path, std::wstring_view extension) {
    std::wstring result(path);
    if (FileExtension(path).empty())
        result += extension;
    return result;
}
