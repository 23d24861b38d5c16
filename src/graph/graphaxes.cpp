// All arithmetic is in 32-bit floats where the Windows control does it that way, so that the ticks and
// pixels computed here are the ones the control draws.
#include "graph/graphaxes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// 10^|e| by repeated squaring in double precision, inverted for negative e.
double PowerOfTen(int e) {
    unsigned n = static_cast<unsigned>(std::abs(e));
    double result = 1.0;
    double base = 10.0;
    while (n != 0) {
        if (n & 1u)
            result *= base;
        base *= base;
        n >>= 1;
    }
    return e < 0 ? 1.0 / result : result;
}

// A range too narrow for its magnitude (or not finite) would ask for millions of grid lines, and a
// pixel beyond the int range cannot be converted at all. Such axes get no ticks, and pixels are held
// to a band far wider than any window; neither happens for a range RecalcAxes made from finite values.
constexpr int kMaxTicks = 1000;
constexpr float kMaxTickIndex = 1.0e9f;
constexpr float kMaxPixel = 1.0e7f;

int ToPixel(float value) {
    if (std::isnan(value))
        return 0;
    if (value > kMaxPixel)
        value = kMaxPixel;
    if (value < -kMaxPixel)
        value = -kMaxPixel;
    return static_cast<int>(value);
}

// Both ends of one axis from its data extent.
void WidenRange(float low, float high, size_t count, float& axisMin, float& axisMax) {
    if (count < 2) {
        axisMin = low - 0.1f;
        axisMax = high + 0.1f;
        return;
    }
    if (low == high) {
        // Two or more points on one value (a constant property, or one temperature) leave no span to
        // widen by a tenth. The range becomes the value +- a tenth of its magnitude, so a constant
        // 2500 is drawn over 2250..2750 with readable ticks, and +- 0.1 for the value 0 as for a
        // single point. A tenth of the magnitude stays a span in float precision at any size.
        const float half = low != 0.0f ? std::fabs(low) * 0.1f : 0.1f;
        axisMin = low - half;
        axisMax = high + half;
        return;
    }
    const float lowScaled = 1.1f * low;
    const float highPart = 0.1f * high;
    const float highScaled = 1.1f * high;
    const float lowPart = 0.1f * low;
    axisMin = lowScaled - highPart;
    axisMax = highScaled - lowPart;
}

// The runtime of the Windows module prints exponents with three digits ("2.0000e-005") and that is
// what the graph shows; the framework formatter prints C's minimum of two, so labels get the missing
// zeros here and read the same in both builds.
CString WithThreeDigitExponent(const CString& text) {
    const std::wstring& s = text.Str();
    const size_t mark = s.find(L'e');
    if (mark == std::wstring::npos || mark + 1 >= s.size())
        return text;
    const size_t digits = mark + 2; // after the sign
    const size_t count = s.size() - digits;
    if (count >= 3)
        return text;
    std::wstring out = s.substr(0, digits);
    out.append(3 - count, L'0');
    out.append(s, digits, std::wstring::npos);
    return CString(std::move(out));
}

// The values of the ticks k * step, k in the range and a multiple of `every`, each a float product.
std::vector<float> TickValues(TickRange ticks, float step, int every = 1) {
    std::vector<float> values;
    for (int k = ticks.first; k < ticks.end; ++k) {
        if (k % every == 0)
            values.push_back(static_cast<float>(k) * step);
    }
    return values;
}

} // namespace

CGraphAxes::CGraphAxes() {
    RecalcAxes();
}

std::vector<GraphPoint> DrawnPoints(const std::vector<GraphPoint>& points) {
    std::vector<GraphPoint> drawn;
    drawn.reserve(points.size());
    for (const GraphPoint p : points) {
        if (IsDrawnPoint(p))
            drawn.push_back(p);
    }
    return drawn;
}

void CGraphAxes::RecalcExtents() {
    const auto first = std::find_if(m_points.begin(), m_points.end(), IsDrawnPoint);
    if (first == m_points.end()) {
        m_dataMax = {10.0f, 10.0f};
        m_dataMin = {0.0f, 0.0f};
        return;
    }
    m_dataMin = m_dataMax = *first;
    for (auto it = first + 1; it != m_points.end(); ++it) {
        const GraphPoint p = *it;
        if (!IsDrawnPoint(p))
            continue;
        if (p.x > m_dataMax.x)
            m_dataMax.x = p.x;
        if (p.x < m_dataMin.x)
            m_dataMin.x = p.x;
        if (p.y > m_dataMax.y)
            m_dataMax.y = p.y;
        if (p.y < m_dataMin.y)
            m_dataMin.y = p.y;
    }
}

void CGraphAxes::RecalcAxes() {
    const size_t drawn = static_cast<size_t>(std::count_if(m_points.begin(), m_points.end(), IsDrawnPoint));
    WidenRange(m_dataMin.x, m_dataMax.x, drawn, m_axisMin.x, m_axisMax.x);
    WidenRange(m_dataMin.y, m_dataMax.y, drawn, m_axisMin.y, m_axisMax.y);
    m_tickStep.x = CalcTickStep(m_axisMax.x, m_axisMin.x);
    m_tickStep.y = CalcTickStep(m_axisMax.y, m_axisMin.y);
}

float CGraphAxes::CalcTickStep(float upper, float lower) {
    const float x = (upper - lower) * 0.2f;
    // No span (or none that is finite) has no step; 0 makes TickIndices draw no ticks.
    if (!(x > 0.0f) || !std::isfinite(x))
        return 0.0f;
    int e = static_cast<int>(std::log10(x));
    if (x < 1.0f)
        e -= 1;
    const double p = PowerOfTen(e);
    int d = static_cast<int>(static_cast<double>(x) / p);
    if (d == 3 || d == 4)
        d = 2;
    else if (d > 5)
        d = 5;
    return static_cast<float>(PowerOfTen(e)) * static_cast<float>(d);
}

void CGraphAxes::CalcLayout(const GraphRect& client) {
    m_clientRect = client;
    m_plotRect = {client.left + m_margins.left, client.top + m_margins.top, client.right - m_margins.right,
                  client.bottom - m_margins.bottom};
    m_xTitleRect = {m_plotRect.left, m_plotRect.bottom, m_plotRect.right, client.bottom - 2};
    m_yTitleRect = {client.left + 2, m_plotRect.top, m_plotRect.left, m_plotRect.bottom};
}

int CGraphAxes::X(float x) const {
    const float width = static_cast<float>(m_plotRect.right - m_plotRect.left);
    return ToPixel((x - m_axisMin.x) * width / (m_axisMax.x - m_axisMin.x) +
                   static_cast<float>(m_plotRect.left));
}

int CGraphAxes::Y(float y) const {
    const float height = static_cast<float>(m_plotRect.bottom - m_plotRect.top);
    return ToPixel(static_cast<float>(m_plotRect.bottom) -
                   (y - m_axisMin.y) * height / (m_axisMax.y - m_axisMin.y));
}

TickRange CGraphAxes::TickIndices(float lo, float hi, float step) {
    if (!(step > 0.0f))
        return {0, 0};
    const float low = lo / step;
    const float high = hi / step;
    if (!(std::fabs(low) < kMaxTickIndex) || !(std::fabs(high) < kMaxTickIndex))
        return {0, 0};
    // The +1 for a positive bound skips a tick that sits on the lower bound and keeps one on the upper.
    const TickRange range{static_cast<int>(low) + (lo > 0.0f ? 1 : 0),
                          static_cast<int>(high) + (hi > 0.0f ? 1 : 0)};
    if (range.Count() > kMaxTicks)
        return {0, 0};
    return range;
}

CString CGraphAxes::FormatTickLabel(float value, float step) {
    const double wide = step;
    CString text;
    text.Format(wide < 0.0001 || wide > 10000.0 ? L"%4.4e" : L"%g", static_cast<double>(value));
    return WithThreeDigitExponent(text);
}

void CGraphAxes::SplitLabel(const CString& label, CString& first, CString& second) {
    const int mark = label.Find(L'e');
    if (mark < 0) {
        first = label;
        second.Empty();
        return;
    }
    first = label.Left(mark);
    second = label.Mid(mark);
}

std::vector<int> CGraphAxes::XTickPixels() const {
    std::vector<int> pixels;
    for (const float value : TickValues(XTicks(), m_tickStep.x))
        pixels.push_back(X(value));
    return pixels;
}

std::vector<int> CGraphAxes::YTickPixels() const {
    std::vector<int> pixels;
    for (const float value : TickValues(YTicks(), m_tickStep.y))
        pixels.push_back(Y(value));
    return pixels;
}

std::vector<GraphLabel> CGraphAxes::XLabels(int every) const {
    std::vector<GraphLabel> labels;
    for (const float value : TickValues(XTicks(), m_tickStep.x, every))
        labels.push_back({FormatTickLabel(value, m_tickStep.x), X(value), m_plotRect.bottom + 5});
    return labels;
}

std::vector<GraphLabel> CGraphAxes::YLabels(int every) const {
    std::vector<GraphLabel> labels;
    const int x = m_plotRect.left - 5;
    for (const float value : TickValues(YTicks(), m_tickStep.y, every)) {
        CString mantissa;
        CString exponent;
        SplitLabel(FormatTickLabel(value, m_tickStep.y), mantissa, exponent);
        const int y = Y(value);
        labels.push_back({mantissa, x, y - 8});
        if (!exponent.IsEmpty())
            labels.push_back({exponent, x, y + 4});
    }
    return labels;
}

std::array<GraphRect, 4> CGraphAxes::FrameRects() const {
    const GraphRect& k = m_clientRect;
    const GraphRect& plot = m_plotRect;
    return {GraphRect{k.left, k.top, k.right, plot.top}, GraphRect{k.left, plot.top, plot.left, plot.bottom},
            GraphRect{plot.right, plot.top, k.right, plot.bottom},
            GraphRect{k.left, plot.bottom, k.right, k.bottom}};
}
