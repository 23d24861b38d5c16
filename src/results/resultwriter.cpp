#include <string>
#include <vector>

#include "framework/format.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "results/resultfile.h"

FileResult WriteResultFile(const wchar_t* path, const CMatProps& set) {
    if (set.m_series.empty())
        return FileResult::Failed(L"no property series to write");
    CStdioFile file;
    CFileException error;
    if (!file.Open(path, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText, &error)) {
        error.TraceError();
        return FileResult::Failed(error.GetErrorMessage().Str());
    }

    const std::size_t n = set.m_series.front().m_points.size();
    std::vector<const CMatPropData*> columns;
    std::wstring line;
    for (const auto& series : set.m_series) {
        if (series.m_points.size() != n || series.m_dataType == JDT_UNKNOWN)
            continue;
        // The temperature tag comes from the first series that qualifies, even one without a tag.
        if (line.empty()) {
            const CString xTag = KESTRUMMOD_DataTypeToTag(series.m_xDataType);
            if (!xTag.IsEmpty()) {
                line += xTag.Str();
                line += L'\t';
            }
        }
        const CString tag = KESTRUMMOD_DataTypeToTag(series.m_dataType);
        if (!tag.IsEmpty()) {
            line += tag.Str();
            line += L'\t';
            columns.push_back(&series);
        }
    }
    line += L'\n';
    bool ok = file.WriteString(line.c_str()) != 0;

    for (std::size_t j = 0; ok && j < n; ++j) {
        line.clear();
        for (const CMatPropData* series : columns) {
            const GraphPoint& p = series->m_points[j];
            if (line.empty()) {
                AppendGeneral(line, p.x);
                line += L'\t';
            }
            // Back into the engine's units, in single precision.
            AppendGeneral(line, p.y / ResultValueFactor(series->m_dataType));
            line += L'\t';
        }
        line += L'\n';
        ok = file.WriteString(line.c_str()) != 0;
    }
    if (file.Close() && ok)
        return {};

    // A write that failed part-way leaves no truncated result file behind for a later read to take
    // as whole; only a regular file is removed, never a device the path may name.
    file.LastError().TraceError();
    FileResult failed = FileResult::Failed(file.LastError().GetErrorMessage().Str());
    if (os::IsRegularFile(path))
        os::RemoveFile(path);
    return failed;
}
