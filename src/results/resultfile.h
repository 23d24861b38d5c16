// Result files: the engine's column format and JMatPro output, read into and written from property sets.
#pragma once

#include <cstdint>

#include "framework/fileresult.h"

#include "props/matprops.h"

inline constexpr int kFormatEngine = 0;
inline constexpr int kFormatJMatPro = 1;

// Who reads the rows of a file past a megabyte: the calling thread alone, as in the module, which
// starts no thread of its own in the host's process outside a calculation run; or the calling thread
// and one helper, each half of the rows, as the command-line tool reads. Both give the same set.
enum class ReadThreads { Caller, CallerAndHelper };

// Fills `set` from the file; format 1 reads JMatPro output, any other value the engine's format.
// Status 1 when the file was read; 0, with the system's message (also written to the debugger output),
// when it could not be opened or read, and then `set` is unchanged.
FileResult ReadResultFile(const wchar_t* path, CMatProps& set, int format,
                          ReadThreads threads = ReadThreads::Caller);

// Writes `set` in the engine's format. Status 1 when written; 0 for an empty set or a file that could
// not be created or written.
FileResult WriteResultFile(const wchar_t* path, const CMatProps& set);

int ScaleResultValue(KESTRUMMOD_DATATYPE type, float* value);
// The factor from the engine's file units to the units the module holds: 1000 for density, specific
// heat and latent heat (per gram in the files), 100 for the total viscosity, else 1.
float ResultValueFactor(KESTRUMMOD_DATATYPE type);

// The derived properties that the reader adds after the columns it read.
int AddVolumeChange(CMatProps& set);
int FindSolidusPoint(const CMatProps& set, GraphPoint& out);
int FindLiquidusPoint(const CMatProps& set, GraphPoint& out);
int AddDynamicViscosity(CMatProps& set, float solidus);
int CalcShrinkage(const CMatProps& set, float& out);

struct CatmullRomPoint {
    double x;
    double y;
};
CatmullRomPoint EvalCatmullRom(double t, GraphPoint p0, GraphPoint p1, GraphPoint p2, GraphPoint p3);
int FindCrossing(float& x, double target, GraphPoint p0, GraphPoint p1, GraphPoint p2, GraphPoint p3);
