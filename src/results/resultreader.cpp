#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <fast_float/fast_float.h>

#include "framework/numparse.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "results/resultfile.h"

namespace {

constexpr unsigned kLineChars = 1280;
constexpr int32_t kMissingValue = -123456789;
// The next single-precision value above the one nearest to 1e-5: with the scaling by 100 at reading,
// this turns a total viscosity as it stood in the file into kg/(m s), within a rounding.
constexpr float kDynamicViscosityFactor = 1.0000001e-5f;

// The engine's format separates fields by blank, tab and line feed; JMatPro's only by tab and line feed.
constexpr bool IsFieldSeparator(wchar_t c, bool jmatpro) {
    return c == L'\t' || c == L'\n' || (!jmatpro && c == L' ');
}

// Splits `line` in place at runs of separators, as wcstok does: no empty fields. In JMatPro's format
// the blanks at the end of a field are cut off (blanks inside and in front of it stay).
void SplitFields(wchar_t* line, bool jmatpro, std::vector<wchar_t*>& fields) {
    fields.clear();
    const auto isSeparator = [jmatpro](wchar_t c) { return IsFieldSeparator(c, jmatpro); };
    wchar_t* p = line;
    for (;;) {
        while (isSeparator(*p))
            ++p;
        if (*p == 0)
            return;
        wchar_t* start = p;
        while (*p != 0 && !isSeparator(*p))
            ++p;
        wchar_t* end = p;
        const bool atEnd = *p == 0;
        *p = 0;
        if (jmatpro) {
            while (end > start && end[-1] == L' ')
                *--end = 0;
        }
        fields.push_back(start);
        if (atEnd)
            return;
        ++p;
    }
}

CMatPropData NewSeries(KESTRUMMOD_DATATYPE type, const wchar_t* name) {
    CMatPropData series;
    series.m_exportFlag = 0;
    series.m_xDataType = JDT_T_C;
    series.m_dataType = type;
    SetSeriesName(series, name);
    return series;
}

CMatPropData SinglePointSeries(KESTRUMMOD_DATATYPE type, const wchar_t* name, GraphPoint point) {
    CMatPropData series = NewSeries(type, name);
    series.m_points.push_back(point);
    return series;
}

void ToCelsius(CMatPropData& series) {
    for (auto& p : series.m_points) {
        if (series.m_xDataType == JDT_T_K)
            p.x = p.x - 273.15f;
        else if (series.m_xDataType == JDT_T_F)
            p.x = (p.x - 32.0f) * 5.0f / 9.0f;
    }
    series.m_xDataType = JDT_T_C;
    // The engine writes from the highest temperature down: a strictly falling series only needs
    // reversing, a rising one nothing.
    auto& pts = series.m_points;
    const auto below = [](const GraphPoint& a, const GraphPoint& b) { return a.x < b.x; };
    const auto notAbove = [](const GraphPoint& a, const GraphPoint& b) { return !(b.x < a.x); };
    if (std::is_sorted(pts.begin(), pts.end(), below))
        return;
    if (std::adjacent_find(pts.begin(), pts.end(), notAbove) == pts.end())
        std::reverse(pts.begin(), pts.end());
    else
        std::stable_sort(pts.begin(), pts.end(), below);
}

void AddDerivedSeries(CMatProps& set) {
    AddVolumeChange(set);

    const CMatPropData* latent = FindSeries(set, JDT_LH_WT);
    if (latent && !latent->m_points.empty()) {
        const GraphPoint lowest = latent->m_points.front();
        set.m_series.push_back(SinglePointSeries(JDT_LATENT_HEAT, L"Latent Heat", lowest));
    }

    GraphPoint solidus{0.0f, 0.0f};
    if (FindSolidusPoint(set, solidus))
        set.m_series.push_back(SinglePointSeries(JDT_SOLIDUS, L"Solidus Temperature", solidus));
    if (solidus.x > 0.0f)
        AddDynamicViscosity(set, solidus.x);

    GraphPoint liquidus{0.0f, 0.0f};
    if (FindLiquidusPoint(set, liquidus))
        set.m_series.push_back(SinglePointSeries(JDT_LIQUIDUS, L"Liquidus Temperature", liquidus));

    float shrinkage = 0.0f;
    if (CalcShrinkage(set, shrinkage))
        set.m_series.push_back(SinglePointSeries(JDT_SHRINKAGE, L"Volume Change of Solidification Shrinkage",
                                                 GraphPoint{shrinkage, shrinkage}));
}

// Where the fraction liquid reaches `target` on the segment from points[i-1] to points[i]. A missing
// outer neighbour (i = 1, or i the last index) is replaced by the end point it stands beside, so the
// spline's tangent there follows the segment itself and no point outside the series is invented.
int CrossingPoint(const std::vector<GraphPoint>& points, std::size_t i, double target, GraphPoint& out) {
    const GraphPoint p1 = points[i - 1];
    const GraphPoint p2 = points[i];
    const GraphPoint p0 = i >= 2 ? points[i - 2] : p1;
    const GraphPoint p3 = i + 1 < points.size() ? points[i + 1] : p2;
    float x = 0.0f;
    if (!FindCrossing(x, target, p0, p1, p2, p3))
        return 0;
    out = GraphPoint{x, static_cast<float>(target)};
    return 1;
}

// The points of the first fraction-liquid series, or null when it is missing or empty.
const std::vector<GraphPoint>* FractionLiquid(const CMatProps& set) {
    const CMatPropData* fraction = FindSeries(set, JDT_WT_LIQUID);
    return fraction && !fraction->m_points.empty() ? &fraction->m_points : nullptr;
}

// Fills the series line by line. Most lines are plain ASCII and are split and converted as bytes in
// one pass; a line with other bytes (a heading in the system's code page, say) or a NUL is decoded
// first and read in pieces of kLineChars - 1 characters, as a fixed line buffer reads it, so that both
// ways give the same table. The heading line is always decoded: its names become the series names.
class CTableReader {
public:
    // `fileBytes` (-1 when unknown) lets the series reserve room for the rows to come.
    CTableReader(bool jmatpro, std::int64_t fileBytes)
        : m_separators(kSeparators[jmatpro ? 1 : 0]), m_jmatpro(jmatpro), m_fileBytes(fileBytes) {}

    void AddLine(std::string_view bytes) {
        if (m_haveHeading && bytes.size() < kLineChars && IsPlainAscii(bytes)) {
            ReserveRows(bytes.size());
            AddRowBytes(bytes);
            return;
        }
        m_decoded.clear();
        os::DecodeText(bytes, m_decoded);
        for (std::size_t at = 0; at < m_decoded.size() || at == 0; at += kLineChars - 1) {
            const std::size_t n = std::min<std::size_t>(kLineChars - 1, m_decoded.size() - at);
            std::wmemcpy(m_piece, m_decoded.data() + at, n);
            m_piece[n] = 0;
            SplitFields(m_piece, m_jmatpro, m_wideFields);
            if (m_wideFields.size() < 2)
                continue;
            if (!m_haveHeading) {
                AddHeading();
                continue;
            }
            float x = 0.0f;
            for (std::size_t i = 0; i < m_wideFields.size(); ++i) {
                const wchar_t* field = m_wideFields[i];
                if (!AddField(i, ParseLeadingDouble(field), ParseLeadingInt(field) == kMissingValue, x))
                    break;
            }
        }
    }

    bool HasHeading() const { return m_haveHeading; }

    // The lines of `bytes` as ReadLineBytes gives them: without the LF, and without a CR before it.
    void AddLines(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t lf = bytes.find('\n');
            std::string_view line = bytes.substr(0, lf);
            if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            AddLine(line);
            bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        }
    }

    // The lines after the heading. With a helper, a large table is read in two halves side by side,
    // cut at a line end, each half by a reader of its own (lines are read alike wherever they stand);
    // the second half's points then follow the first's. Below a megabyte a thread costs more than it
    // saves, and without one (the system refuses it) the reading goes on in this thread.
    void AddRows(std::string_view bytes, ReadThreads threads) {
        constexpr std::size_t kParallelBytes = std::size_t{1} << 20;
        const std::size_t cut =
            threads == ReadThreads::CallerAndHelper && m_haveHeading && bytes.size() >= kParallelBytes
                ? bytes.find('\n', bytes.size() / 2)
                : std::string_view::npos;
        if (cut == std::string_view::npos) {
            AddLines(bytes);
            return;
        }
        const std::string_view second = bytes.substr(cut + 1);
        CTableReader other(m_jmatpro, static_cast<std::int64_t>(second.size()));
        other.m_haveHeading = true;
        other.m_table.m_series = m_table.m_series;
        std::thread worker;
        try {
            worker = std::thread([&other, second] { other.AddLines(second); });
        } catch (const std::system_error&) {
            AddLines(bytes);
            return;
        }
        AddLines(bytes.substr(0, cut + 1));
        worker.join();
        for (std::size_t i = 0; i < m_table.m_series.size(); ++i) {
            auto& points = m_table.m_series[i].m_points;
            const auto& more = other.m_table.m_series[i].m_points;
            points.insert(points.end(), more.begin(), more.end());
        }
    }

    // CMatProps has no move constructor; its vector moves without copying the points.
    std::vector<CMatPropData> TakeSeries() { return std::move(m_table.m_series); }

private:
    // Whether a byte separates fields, by the splitter's rule, looked up per byte.
    using SeparatorTable = std::array<bool, 256>;
    static constexpr std::array<SeparatorTable, 2> kSeparators = [] {
        std::array<SeparatorTable, 2> table{};
        for (std::size_t format = 0; format < table.size(); ++format) {
            for (std::size_t c = 0; c < 256; ++c)
                table[format][c] = IsFieldSeparator(static_cast<wchar_t>(c), format == 1);
        }
        return table;
    }();

    void AddHeading() {
        m_haveHeading = true;
        // CMatPropData has no move constructor: a vector growing later, for the derived series, would
        // copy every series' points. Room for the columns and the six derived series is made now,
        // while the series are empty.
        m_table.m_series.reserve(m_wideFields.size() - 1 + 6);
        const KESTRUMMOD_DATATYPE xType = KESTRUMMOD_TagToDataType(m_wideFields[0]);
        for (std::size_t i = 1; i < m_wideFields.size(); ++i) {
            // A heading longer than the name member keeps its first 259 characters.
            CMatPropData series = NewSeries(KESTRUMMOD_TagToDataType(m_wideFields[i]), m_wideFields[i]);
            series.m_xDataType = xType;
            m_table.m_series.push_back(std::move(series));
        }
    }

    // Rows of a file are much alike in length, so the first full data row tells about how many follow;
    // a large file then fills its series without the copies of a growing vector. A row too short to
    // hold a field for every column (two bytes each at least) is no measure: a blank line would
    // reserve for a row per byte.
    void ReserveRows(std::size_t rowBytes) {
        if (m_reserved || m_fileBytes <= 0 || rowBytes + 1 < 2 * (m_table.m_series.size() + 1))
            return;
        m_reserved = true;
        const auto rows = static_cast<std::size_t>(m_fileBytes) / (rowBytes + 1) + 1;
        for (auto& series : m_table.m_series)
            series.m_points.reserve(rows);
    }

    // Field `index` of a data line: the temperature first, then one value per series. False when the
    // line has no series left for it: fields beyond the heading's columns are dropped.
    bool AddField(std::size_t index, double value, bool missing, float& x) {
        if (index == 0) {
            x = static_cast<float>(value);
            return true;
        }
        if (index > m_table.m_series.size())
            return false;
        if (!missing) {
            CMatPropData& series = m_table.m_series[index - 1];
            auto y = static_cast<float>(value);
            ScaleResultValue(series.m_dataType, &y);
            series.m_points.push_back(GraphPoint{x, y});
        }
        return true;
    }

    // Whether the line has neither a NUL nor a byte past ASCII, eight bytes at a time.
    static bool IsPlainAscii(std::string_view line) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        std::size_t i = 0;
        for (; i + 8 <= line.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, line.data() + i, 8);
            if ((word & kHighs) != 0 || ((word - kOnes) & ~word & kHighs) != 0)
                return false;
        }
        for (; i < line.size(); ++i) {
            if (line[i] == 0 || static_cast<unsigned char>(line[i]) >= 0x80)
                return false;
        }
        return true;
    }

    // SplitFields and AddRow over the bytes of a plain ASCII line, in one pass. A field that is a
    // number alone is converted as it is found; any other is cut out first and read by the
    // leading-prefix rules.
    void AddRowBytes(std::string_view line) {
        const char* p = line.data();
        const char* const end = p + line.size();
        float x = 0.0f;
        for (std::size_t index = 0;; ++index) {
            while (p != end && IsSeparator(*p))
                ++p;
            if (p == end)
                return;
            double value = 0.0;
            bool missing = false;
            const char* start = p;
            const auto number = fast_float::from_chars(start, end, value);
            if (number.ec == std::errc() && (number.ptr == end || IsSeparator(*number.ptr))) {
                p = number.ptr;
                missing = *start == '-' && ParseLeadingInt(std::string_view(start, p)) == kMissingValue;
            } else {
                while (p != end && !IsSeparator(*p))
                    ++p;
                const char* last = p;
                if (m_jmatpro) {
                    while (last != start && last[-1] == ' ')
                        --last;
                }
                const std::string_view field(start, static_cast<std::size_t>(last - start));
                value = ParseLeadingDouble(field);
                missing = ParseLeadingInt(field) == kMissingValue;
            }
            if (!AddField(index, value, missing, x))
                return;
        }
    }

    bool IsSeparator(char c) const { return m_separators[static_cast<unsigned char>(c)]; }

    const SeparatorTable& m_separators;
    bool m_jmatpro;
    std::int64_t m_fileBytes;
    bool m_reserved = false;
    bool m_haveHeading = false;
    CMatProps m_table;
    std::vector<wchar_t*> m_wideFields;
    std::wstring m_decoded;
    wchar_t m_piece[kLineChars];
};

} // namespace

float ResultValueFactor(KESTRUMMOD_DATATYPE type) {
    return DescribeDataType(type).readScale;
}

int ScaleResultValue(KESTRUMMOD_DATATYPE type, float* value) {
    if (DescribeDataType(type).origin != TypeOrigin::Read)
        return 0;
    *value *= ResultValueFactor(type);
    return 1;
}

FileResult ReadResultFile(const wchar_t* path, CMatProps& set, int format, ReadThreads threads) {
    CStdioFile file;
    CFileException error;
    if (!file.Open(path, CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText, &error)) {
        error.TraceError();
        return FileResult::Failed(error.GetErrorMessage().Str());
    }

    // The table is built aside and handed over only when the whole file was read: a read error
    // reports the system's message like an open failure and leaves the caller's set as it was.
    CTableReader reader(format == kFormatJMatPro, file.Size());
    std::string_view line;
    while (!reader.HasHeading() && file.ReadLineBytes(line))
        reader.AddLine(line);
    std::string rows;
    if (!file.HasFailed())
        file.ReadRest(rows);
    if (file.HasFailed()) {
        file.LastError().TraceError();
        return FileResult::Failed(file.LastError().GetErrorMessage().Str());
    }
    file.Close();
    reader.AddRows(rows, threads);

    CMatProps table;
    table.m_series = reader.TakeSeries();
    for (auto& series : table.m_series)
        ToCelsius(series);
    AddDerivedSeries(table);
    set.m_series = std::move(table.m_series);
    return {};
}

int AddVolumeChange(CMatProps& set) {
    const CMatPropData* source = FindSeries(set, JDT_MV_TOTAL);
    if (!source || source->m_points.empty())
        return 0;
    float bestX = -999.0f;
    float reference = 0.0f;
    bool found = false;
    for (const auto& p : source->m_points) {
        if (p.x > bestX) {
            bestX = p.x;
            reference = p.y;
            found = true;
        }
    }
    if (!found)
        return 0;
    CMatPropData change = NewSeries(JDT_VOLUME_CHANGE, L"");
    change.m_points.reserve(source->m_points.size());
    for (const auto& p : source->m_points)
        change.m_points.push_back(GraphPoint{p.x, (p.y - reference) * 100.0f / reference});
    set.m_series.push_back(std::move(change)); // may move the source: not used after this
    return 1;
}

namespace {

// Where the fraction liquid, rising along the series, passes `target` on the segment that ends at the
// first point `reached` selects. The first point itself when it is selected; the point on the
// target's side when the segment does not reach across it.
template <class Reached>
int FindFractionCrossing(const CMatProps& set, double target, Reached reached, GraphPoint& out) {
    const std::vector<GraphPoint>* fraction = FractionLiquid(set);
    if (!fraction)
        return 0;
    const auto& points = *fraction;
    const auto it = std::find_if(points.begin(), points.end(), reached);
    if (it == points.end())
        return 0;
    const auto i = static_cast<std::size_t>(it - points.begin());
    if (i == 0) {
        out = points[0];
        return 1;
    }
    if (static_cast<double>(points[i].y) < target) {
        out = points[i - 1];
        return 1;
    }
    if (static_cast<double>(points[i - 1].y) > target) {
        out = points[i];
        return 1;
    }
    return CrossingPoint(points, i, target, out);
}

} // namespace

int FindSolidusPoint(const CMatProps& set, GraphPoint& out) {
    return FindFractionCrossing(
        set, 0.01, [](const GraphPoint& p) { return p.y > 0.0f; }, out);
}

int FindLiquidusPoint(const CMatProps& set, GraphPoint& out) {
    return FindFractionCrossing(
        set, 0.99, [](const GraphPoint& p) { return p.y == 1.0f; }, out);
}

CatmullRomPoint EvalCatmullRom(double t, GraphPoint p0, GraphPoint p1, GraphPoint p2, GraphPoint p3) {
    const auto eval = [t](double q0, double q1, double q2, double q3) {
        const double a = -0.5 * q0 + 1.5 * q1 - 1.5 * q2 + 0.5 * q3;
        const double b = q0 - 2.5 * q1 + 2.0 * q2 - 0.5 * q3;
        const double c = -0.5 * q0 + 0.5 * q2;
        const double d = q1;
        return ((a * t + b) * t + c) * t + d;
    };
    return CatmullRomPoint{eval(p0.x, p1.x, p2.x, p3.x), eval(p0.y, p1.y, p2.y, p3.y)};
}

int FindCrossing(float& x, double target, GraphPoint p0, GraphPoint p1, GraphPoint p2, GraphPoint p3) {
    constexpr double kTolerance = 1e-5;
    CatmullRomPoint at = EvalCatmullRom(0.0, p0, p1, p2, p3);
    double d = at.y - target;
    if (std::fabs(d) < kTolerance) {
        x = static_cast<float>(at.x);
        return 1;
    }
    if (d > 0)
        return 0;
    at = EvalCatmullRom(1.0, p0, p1, p2, p3);
    d = at.y - target;
    if (std::fabs(d) < kTolerance) {
        x = static_cast<float>(at.x);
        return 1;
    }
    if (d < 0)
        return 0;
    double lo = 0.0;
    double hi = 1.0;
    double t = (1.0 + 0.0) * 0.5;
    at = EvalCatmullRom(t, p0, p1, p2, p3);
    d = at.y - target;
    while (std::fabs(d) >= kTolerance) {
        if (d < 0) {
            lo = t;
            t = (t + hi) * 0.5;
            if (t == lo)
                break;
        } else {
            hi = t;
            t = (t + lo) * 0.5;
            if (t == hi)
                break;
        }
        at = EvalCatmullRom(t, p0, p1, p2, p3);
        d = at.y - target;
    }
    x = static_cast<float>(at.x);
    return 1;
}

int AddDynamicViscosity(CMatProps& set, float solidus) {
    const CMatPropData* total = FindSeries(set, JDT_VISC_TOTAL);
    if (!total)
        return 0;
    CMatPropData dynamic = NewSeries(JDT_DYNAMIC_VISCOSITY, L"");
    for (const auto& p : total->m_points) {
        if (p.x > solidus)
            dynamic.m_points.push_back(GraphPoint{p.x, p.y * kDynamicViscosityFactor});
    }
    set.m_series.push_back(std::move(dynamic));
    return 1;
}

int CalcShrinkage(const CMatProps& set, float& out) {
    const CMatPropData* solidus = FindSeries(set, JDT_SOLIDUS);
    const CMatPropData* liquidus = FindSeries(set, JDT_LIQUIDUS);
    const CMatPropData* change = FindSeries(set, JDT_VOLUME_CHANGE);
    if (!solidus || solidus->m_points.size() != 1 || !liquidus || liquidus->m_points.size() != 1)
        return 0;
    if (!change || change->m_points.size() < 2)
        return 0;
    // The first of equally near points wins; a point 10000 or more away is never taken.
    const auto nearest = [&change](float t) {
        double best = 10000.0;
        int index = -1;
        for (std::size_t j = 0; j < change->m_points.size(); ++j) {
            const double distance = std::fabs(static_cast<double>(t) - change->m_points[j].x);
            if (distance < best) {
                best = distance;
                index = static_cast<int>(j);
            }
        }
        return index;
    };
    const int js = nearest(solidus->m_points[0].x);
    const int jl = nearest(liquidus->m_points[0].x);
    if (js < 0 || jl < 0)
        return 0;
    out = std::fabs(change->m_points[js].y) - std::fabs(change->m_points[jl].y);
    return 1;
}
