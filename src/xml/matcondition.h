// The material condition record and its XML document (".vjp"): the engine's "input.vjp" and the
// material and preset files of the main dialog.
#pragma once

#include <cstdint>

#include "framework/fileresult.h"

inline constexpr int kMatElementCount = 43; // catalogue elements 0 to 42
inline constexpr int kMatPhaseCount = 241;  // catalogue phases 0 to 240
inline constexpr int kMatPathChars = 1024;  // folder fields, terminator included

// One composition entry; entry k of a record belongs to catalogue element k.
struct MatCompoEntry {
    int32_t base = 0;    // 1 for the alloy's base element
    int32_t present = 0; // 1 when the element takes part; only these are written
    float compo = 0.0f;  // percent

    friend bool operator==(const MatCompoEntry&, const MatCompoEntry&) = default;
};

// One calculation's conditions, copied whole by value. A new record is in the reset state: no family,
// no graphite type, zero temperatures, no composition, engine defaults, no phase, empty folders.
struct MatCondition {
    int32_t materialType = -1; // family index in the catalogue, -1 for none
    float tempStart = 0.0f;    // kelvin
    float tempEnd = 0.0f;      // kelvin
    float tempStep = 0.0f;     // kelvin, negative: the calculation runs downwards
    float fractionLimit = 0.0f;
    MatCompoEntry compositions[kMatElementCount] = {};
    int32_t graphiteType = -1; // 0 to 2, cast iron only; -1 for none
    int32_t pearlitic = 0;
    int32_t pbSearch = 1;
    int32_t fastInterStitial = 0;
    int32_t allPhases = 1;
    int32_t phases[kMatPhaseCount] = {};  // flag k: phase k is selected
    wchar_t dataPath[kMatPathChars] = {}; // the engine's database folder
    wchar_t resPath[kMatPathChars] = {};  // the job folder

    // Field by field, the whole folder arrays included.
    friend bool operator==(const MatCondition&, const MatCondition&) = default;
};

// Writes the record as a document at `path`: 1 when written, else 0 (and no file is written).
int SaveMatCondition(const wchar_t* path, const MatCondition* rec);

// Fills the record from the document at `path`: status 1 when every required part was found, else 0
// with what was missing or why the file could not be read. Absent optional attributes leave their
// fields as they were, and a failed load may have changed fields already, so callers load into a
// record in the reset state and copy it on 1 only.
FileResult LoadMatCondition(const wchar_t* path, MatCondition* rec);
