// TEMPORARY local placeholder, never committed.
#include "graph/graphdlg.h"
CGraphDlg* g_pGraphDlg = nullptr;
CKestrumModImpl* g_pGraphModule = nullptr;
CGraphDlg::CGraphDlg(IKestrumModExport* e) : CDialog(101), m_pExport(e) {}
BOOL CGraphDlg::LoadProps(CKestrumModImpl*) { return 0; }
int32_t OpenGraphWindow(CKestrumModImpl* module, HWND) { g_pGraphModule = module; return 1; }
