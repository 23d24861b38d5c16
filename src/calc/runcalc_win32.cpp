#include "calc/runcalc.h"

#include "calc/calcjob.h"
#include "calc/consoledlg.h"
#include "framework/reschain.h"

int RunCalculation(const MatCondition& condition, CString* resultPath, CWnd* parent) {
    CConsoleDlg console(condition, parent);
    INT_PTR result;
    {
        // The window's template and strings are this module's, whatever the host has made current.
        CResourceSwitch resources(GetCodeModuleHandle());
        result = console.DoModal();
    }
    if (result != IDOK)
        return 0;
    if (resultPath)
        *resultPath = console.GetResultPath();
    return IDOK;
}

int RunCalculationJob(const MatCondition& condition, CString* resultPath, CWnd* parent) {
    // A folder that cannot be created is not reported: the console cannot write its input then, and
    // the run ends as failed. The job removes its folder unless the run succeeded.
    CCalcJob job(condition.resPath);
    job.CreateFolder();
    if (RunCalculation(condition, resultPath, parent) != IDOK)
        return 0;
    job.Keep();
    return IDOK;
}
