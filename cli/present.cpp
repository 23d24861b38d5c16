#include "cli/present.h"

#include <charconv>
#include <cmath>

#include "framework/utf.h"
#include "graph/svgplot.h"

namespace cli {

namespace {

// The shortest decimal of a float, which std::to_chars gives without looking at the locale.
std::string ShortestText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

} // namespace

double SiValue(KESTRUMMOD_DATATYPE type, float held) {
    const DataTypeInfo& info = DescribeDataType(type);
    if ((info.readScale == 1.0f && info.siFactor == 1.0) || !std::isfinite(held))
        return held;
    // The shortest decimal that the reader turns into the held value (read in single precision, then
    // scaled by readScale in single precision) is what the file said.
    const double guess = static_cast<double>(held) / info.readScale;
    double decimal = guess;
    for (int digits = 1; digits <= 9; ++digits) {
        char text[32];
        const auto end =
            std::to_chars(text, text + sizeof text, guess, std::chars_format::general, digits).ptr;
        std::from_chars(text, end, decimal);
        if (static_cast<float>(decimal) * info.readScale == held)
            break;
    }
    return decimal * info.readScale * info.siFactor;
}

CMatProps InSiUnits(const CMatProps& set) {
    CMatProps out = set;
    for (CMatPropData& series : out.m_series) {
        // Solidus and liquidus hold their temperature on x and the fraction at which they were found
        // on y; every other series its value on y.
        if (DescribeDataType(series.m_dataType).shape == TypeShape::ValueOnX)
            continue;
        for (GraphPoint& p : series.m_points)
            p.y = static_cast<float>(SiValue(series.m_dataType, p.y));
    }
    return out;
}

std::wstring PropertyTitle(const CMatPropData& series) {
    const DataTypeInfo& info = DescribeDataType(series.m_dataType);
    if (info.origin == TypeOrigin::Marker)
        return std::wstring(series.m_name, wcsnlen(series.m_name, std::size(series.m_name)));
    return info.title;
}

std::wstring PropertyUnit(KESTRUMMOD_DATATYPE type) {
    return DescribeDataType(type).siUnit;
}

std::wstring PropertyLabel(const CMatPropData& series) {
    const std::wstring unit = PropertyUnit(series.m_dataType);
    return unit.empty() ? PropertyTitle(series) : PropertyTitle(series) + L" (" + unit + L')';
}

std::wstring TemperatureLabel() {
    const DataTypeInfo& info = DescribeDataType(JDT_T_C);
    return std::wstring(info.title) + L" (" + info.siUnit + L')';
}

std::wstring PropertyKey(KESTRUMMOD_DATATYPE type) {
    const TypeOrigin origin = DescribeDataType(type).origin;
    return origin == TypeOrigin::Read || origin == TypeOrigin::Derived ? PlotFileStem(type) : std::wstring();
}

std::optional<double> SingleValue(const CMatPropData& series) {
    const TypeShape shape = DescribeDataType(series.m_dataType).shape;
    if (shape == TypeShape::Series || series.m_points.empty())
        return std::nullopt;
    const GraphPoint p = series.m_points.front();
    const double value = shape == TypeShape::ValueOnX ? p.x : p.y;
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::string NumberText(double value) {
    if (!std::isfinite(value))
        return {};
    return ShortestText(static_cast<float>(value));
}

bool KnowsAProperty(const CMatProps& set) {
    for (const CMatPropData& series : set.m_series) {
        if (DescribeDataType(series.m_dataType).origin == TypeOrigin::Read)
            return true;
    }
    return false;
}

size_t CountNotFinite(const CMatProps& set) {
    size_t count = 0;
    for (const CMatPropData& series : set.m_series) {
        if (DescribeDataType(series.m_dataType).origin == TypeOrigin::Derived)
            continue;
        for (const GraphPoint p : series.m_points)
            count += IsDrawnPoint(p) ? 0 : 1;
    }
    return count;
}

Json JsonNumber(double value) {
    if (!std::isfinite(value))
        return nullptr;
    return value;
}

namespace {

// nlohmann writes a double in its shortest form for a double, which for a float's value runs to 17
// digits. So the tree is walked here, numbers written by NumberText and everything else (strings with
// their escapes, integers, null) by the library.
void DumpJson(const Json& value, std::string& out) {
    if (value.is_number_float()) {
        out += NumberText(value.get<double>());
    } else if (value.is_object()) {
        char separator = '{';
        for (const auto& [key, item] : value.items()) {
            out += separator;
            separator = ',';
            out += Json(key).dump() + ':';
            DumpJson(item, out);
        }
        out += separator == '{' ? "{}" : "}";
    } else if (value.is_array()) {
        char separator = '[';
        for (const Json& item : value) {
            out += separator;
            separator = ',';
            DumpJson(item, out);
        }
        out += separator == '[' ? "[]" : "]";
    } else {
        out += value.dump();
    }
}

} // namespace

std::string JsonLine(const Json& value) {
    std::string out;
    DumpJson(value, out);
    return out + '\n';
}

} // namespace cli
