#include "module/kestrummod.h"

#include <iterator>
#include <new>

#include "calc/job.h"
#include "calc/kestrumdlg.h"
#include "graph/graphdlg.h"
#include "results/resultfile.h"

CKestrumMod::CKestrumMod() = default;
CKestrumMod::CKestrumMod(const CKestrumMod& other) = default;
CKestrumMod::~CKestrumMod() = default;

CKestrumMod& CKestrumMod::operator=(const CKestrumMod& other) = default;

// A longer working path is cut rather than refused: the engine then reports the missing data in its
// console, where the user sees it.
CKestrumModImpl::CKestrumModImpl(const wchar_t* path)
    : m_resultKind(1), m_resultPath{}, m_pExport(nullptr), m_workingPath{} {
    CopyToField(m_workingPath, path);
}

// The copies take the tables, the result, the export interface and both path fields whole.
CKestrumModImpl::CKestrumModImpl(const CKestrumModImpl& other) = default;
CKestrumModImpl& CKestrumModImpl::operator=(const CKestrumModImpl& other) = default;

// A module released while its graph window is still open: the window keeps its copies and stays
// usable, but its clean-up at closing must not reach the freed module, so the module stops being the
// graph's module. Neither the window nor the job folder is touched here.
CKestrumModImpl::~CKestrumModImpl() {
    if (g_pGraphModule == this)
        g_pGraphModule = nullptr;
}

IKestrumModExport* CKestrumModImpl::GetExportInterface() const {
    return m_pExport;
}

void CKestrumModImpl::SetExportInterface(IKestrumModExport* exportInterface) {
    m_pExport = exportInterface;
}

int32_t CKestrumModImpl::Query() {
    CKestrumDlg dialog(m_workingPath);
    if (dialog.DoModal() != IDOK)
        return 0;
    const CString& path = dialog.GetResultPath();
    // A path that the field cannot hold whole is not taken: a cut path would name another file, and
    // the clean-up would act on it.
    if (static_cast<size_t>(path.GetLength()) >= std::size(m_resultPath))
        return 0;
    if (!ReadResultFile(path, *this, kFormatEngine))
        return 0;
    m_resultKind = dialog.GetResultKind();
    CopyToField(m_resultPath, path);
    return 1;
}

int32_t CKestrumModImpl::Graph_IsValid() {
    return g_pGraphDlg && g_pGraphDlg->IsWindow() ? 1 : 0;
}

int32_t CKestrumModImpl::Graph_Hide() {
    if (CGraphDlg* window = g_pGraphDlg) {
        g_pGraphDlg = nullptr;
        // The window's post-destroy step cleans up and deletes the object; an object whose window
        // was never made is deleted here.
        if (window->IsWindow())
            window->DestroyWindow();
        else
            delete window;
    }
    return 1;
}

int32_t CKestrumModImpl::Graph_Show(HWND parent) {
    return OpenGraphWindow(this, parent);
}

void CKestrumModImpl::DeleteTempFiles() {
    if (m_resultKind == 1 && m_resultPath[0])
        DeleteResultFolder(m_resultPath);
    m_resultKind = 1;
    m_resultPath[0] = L'\0';
}

const wchar_t* CKestrumModImpl::GetPropFilePath() {
    return m_resultPath;
}

int32_t CKestrumModImpl::IsImported() {
    return m_resultKind != 1 ? 1 : 0;
}

CKestrumMod* KESTRUMMOD_Create(const wchar_t* path) {
    return new (std::nothrow) CKestrumModImpl(path);
}

void KESTRUMMOD_Release(CKestrumMod* module) {
    delete module;
}
