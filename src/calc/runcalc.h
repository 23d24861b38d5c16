// Running a calculation job: the console window over the job folder of a material condition.
#pragma once

#include "framework/cstring.h"
#include "framework/wnd.h"
#include "xml/matcondition.h"

// Runs the console window for the record with this module's resources current. IDOK (1) with the
// result file's path when the engine ended with exit code 0 and the user closed with "Close"; else 0.
int RunCalculation(const MatCondition& condition, CString* resultPath, CWnd* parent = nullptr);

// The job step of "Start Calc": creates the record's job folder and runs the calculation. IDOK with
// the result path, the folder then belonging to the caller; after any other outcome the folder is
// removed with everything in it and 0 is returned.
int RunCalculationJob(const MatCondition& condition, CString* resultPath, CWnd* parent = nullptr);
