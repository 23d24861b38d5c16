// LoadMatCondition on arbitrary bytes, into a record in the reset state as the main dialog does. A
// record that loaded must save and load back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/osfile.h"
#include "fuzzfile.h"
#include "xml/matcondition.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceDebugOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFuzzFile(data, size);
    MatCondition rec;
    if (!LoadMatCondition(FuzzFilePath().c_str(), &rec))
        return 0;
    // Saving writes only flags of exactly 1 and present entries, as the loader produces them, so
    // the record comes back equal; NaN never compares equal, so such records are not compared.
    const std::wstring copy = FuzzFilePath() + L".vjp";
    MatCondition again;
    const bool reloaded = SaveMatCondition(copy.c_str(), &rec) && LoadMatCondition(copy.c_str(), &again);
    os::RemoveFile(copy.c_str());
    if (!reloaded)
        std::abort();
    const bool hasNaN = rec.tempStart != rec.tempStart || rec.tempEnd != rec.tempEnd ||
                        rec.tempStep != rec.tempStep || rec.fractionLimit != rec.fractionLimit;
    bool compoNaN = false;
    for (const MatCompoEntry& e : rec.compositions)
        compoNaN = compoNaN || e.compo != e.compo;
    if (!hasNaN && !compoNaN && !(again == rec))
        std::abort();
    return 0;
}
