// How kestrumprops shows a property: every value in SI units with temperatures in degrees Celsius,
// converted from what the module holds by the data type's descriptor, under the property's plain
// title; numbers as the shortest text that reads back as the value held; JSON on one line.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "props/matprops.h"

namespace cli {

// The value in the tool's unit of a value held for data type `type`. The held single-precision value
// is taken back to the file's unit and its shortest decimal (2.3812 g/cm3, which the module holds as
// 2381.2002 kg/m3) before it is scaled, so that the tool shows 2381.2 kg/m3 and the file's figures.
double SiValue(KESTRUMMOD_DATATYPE type, float held);
// The set with every series' values in the tool's units; temperatures stay in C.
CMatProps InSiUnits(const CMatProps& set);

// The property's title and unit; a column no table knows has its heading as its title and no unit.
std::wstring PropertyTitle(const CMatPropData& series);
std::wstring PropertyUnit(KESTRUMMOD_DATATYPE type);
// "Title (unit)", or the title alone for a property without a unit.
std::wstring PropertyLabel(const CMatPropData& series);
std::wstring TemperatureLabel();
// The name the tool knows a property type by (its tag, or for a derived type the name its chart file
// has, such as "Dynamic_viscosity"); empty for the temperature axis and types no table knows.
std::wstring PropertyKey(KESTRUMMOD_DATATYPE type);

// The one value of a derived single-value series (solidus, liquidus, latent heat, shrinkage) on the
// axis its type keeps it on; absent for a series of another shape, without points or not finite.
std::optional<double> SingleValue(const CMatPropData& series);

// The shortest text in the C locale that reads back as the single-precision value nearest `value`;
// every value the tool shows was held in single precision. Empty when the value is not finite.
std::string NumberText(double value);

// Whether any column heading of the set names a property the module knows: a file in which none does
// is not a result file, whatever the reader made of it.
bool KnowsAProperty(const CMatProps& set);
// The points of the file's own columns (not the derived series) with a value or temperature that is
// not finite.
size_t CountNotFinite(const CMatProps& set);

using Json = nlohmann::ordered_json;
// A number for the JSON documents; null when not finite, which JSON cannot carry.
Json JsonNumber(double value);
// The document on one line with its line end, numbers written as NumberText writes them.
std::string JsonLine(const Json& value);

} // namespace cli
