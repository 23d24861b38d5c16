// Material condition records the tests calculate with.
#pragma once

#include <cwchar>

#include "xml/matcondition.h"

// An Al-7Si-0.3Mg casting alloy from 700 C down to 500 C in 5 K steps, in the job folder given.
inline MatCondition AlSiMgCondition(const wchar_t* jobFolder) {
    MatCondition rec;
    rec.materialType = 0;
    rec.tempStart = 973.15f;
    rec.tempEnd = 773.15f;
    rec.tempStep = -5.0f;
    rec.fractionLimit = 0.01f;
    rec.compositions[0] = {1, 1, 92.7f}; // Al, the base
    rec.compositions[12] = {0, 1, 7.0f}; // Si
    rec.compositions[7] = {0, 1, 0.3f};  // Mg
    std::wcsncpy(rec.resPath, jobFolder, kMatPathChars - 1);
    return rec;
}
