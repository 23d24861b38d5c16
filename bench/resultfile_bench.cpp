// Reading a large engine result file: the throughput that matters when a host loads a fine temperature
// grid. bench/numpy_reference.py writes the same file (same rules, byte for byte) and times
// numpy.loadtxt on it for comparison.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <string>

#include "bench/benchfile.h"
#include "framework/utf.h"
#include "props/datatypes.h"
#include "props/matprops.h"
#include "results/resultfile.h"

namespace {

constexpr int kRows = 100000;
constexpr int kValueColumns = 29; // with the temperature, 30 columns
constexpr int kFirstTag = JDT_WT_LIQUID;
constexpr int kTagCount = 26; // the tagged property types 4..29, repeated from column 27 on

void AppendInt(std::string& out, int64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// `digits` as a decimal with `decimals` places; `digits` has more digits than `decimals`.
void AppendDecimal(std::string& out, int64_t digits, int decimals) {
    std::string text;
    AppendInt(text, digits);
    text.insert(text.size() - static_cast<std::size_t>(decimals), 1, '.');
    out += text;
}

// Integer arithmetic only, so that the Python generator writes the identical file: temperatures fall from
// 1500.00 C in steps of 0.01; column j holds six-digit values with 1 + j % 5 decimals; every seventh
// column is missing in the last fifth of the rows, as liquid properties are below the solidus.
std::string GenerateResultFile() {
    std::string text = "T(C)\t";
    for (int j = 1; j <= kValueColumns; ++j) {
        const auto type = static_cast<KESTRUMMOD_DATATYPE>(kFirstTag + (j - 1) % kTagCount);
        text += WideToUtf8(KESTRUMMOD_DataTypeToTag(type).Str());
        text += '\t';
    }
    text += '\n';
    for (int64_t i = 0; i < kRows; ++i) {
        AppendDecimal(text, 150000 - i, 2);
        text += '\t';
        for (int64_t j = 1; j <= kValueColumns; ++j) {
            if (j % 7 == 0 && i >= kRows * 4 / 5)
                text += "-123456789";
            else
                AppendDecimal(text, 100000 + (i * (1 + 37 * j) + 1000 * j) % 900000,
                              static_cast<int>(1 + j % 5));
            text += '\t';
        }
        text += '\n';
    }
    return text;
}

const CBenchFile& SharedFile() {
    static const CBenchFile file("generated.out", GenerateResultFile());
    return file;
}

// The module's reading, on the calling thread; with a helper thread as the command-line tool reads.
void ReadResultFileWith(benchmark::State& state, ReadThreads threads) {
    const CBenchFile& file = SharedFile();
    const std::wstring path = Utf8ToWide(file.Path());
    if (file.Path().empty()) {
        state.SkipWithError("could not write the generated result file");
        return;
    }
    std::size_t points = 0;
    for (auto _ : state) {
        CMatProps set;
        if (!ReadResultFile(path.c_str(), set, kFormatEngine, threads)) {
            state.SkipWithError("ReadResultFile failed");
            return;
        }
        points = 0;
        for (const CMatPropData& series : set.m_series)
            points += series.m_points.size();
        benchmark::DoNotOptimize(set.m_series.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.Bytes()));
    state.counters["points"] = static_cast<double>(points);
}

void BM_ReadResultFile(benchmark::State& state) {
    ReadResultFileWith(state, ReadThreads::Caller);
}
void BM_ReadResultFileTwoThreads(benchmark::State& state) {
    ReadResultFileWith(state, ReadThreads::CallerAndHelper);
}

// Wall time, as numpy_reference.py measures it.
BENCHMARK(BM_ReadResultFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReadResultFileTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
