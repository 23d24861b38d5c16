// The module object that a host creates: it runs the query (input dialog, calculation or import),
// holds the property tables that the host reads through its CMatProps base, opens the graph window
// and removes the job folder of a calculated result.
//
// Binary interface. The library is built by mingw-w64, so decorated names and virtual tables follow
// the Itanium C++ ABI, and a host must be built with the same toolchain:
// - CKestrumMod's table: the destructor takes two entries (complete and deleting), then
//   GetExportInterface, SetExportInterface, Query, Graph_IsValid, Graph_Hide, Graph_Show in that order.
// - IKestrumModExport has no virtual destructor: ApplyProps is entry 0 and QueryDataType entry 1.
// - The property tables are CMatProps' members as declared in props/matprops.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "props/kestrumexport.h"
#include "props/matprops.h"

// Implemented by the host; the module only calls it.
class IKestrumModExport {
public:
    // Receives the graph window's working series after the user confirmed the export dialog, each
    // series' export flag set. The result is not looked at.
    virtual int32_t ApplyProps(std::vector<CMatPropData>* list) = 0;
    // -1 when the host takes no property of this data type; any other value when it does.
    virtual int32_t QueryDataType(int32_t dataType) = 0;

protected:
    // Not virtual, so that the two operations keep the first two entries of the table.
    ~IKestrumModExport() = default;
};

class KESTRUMMOD_API CKestrumMod : public CMatProps {
public:
    CKestrumMod(const CKestrumMod& other);
    CKestrumMod& operator=(const CKestrumMod& other);

    virtual IKestrumModExport* GetExportInterface() const = 0;
    virtual void SetExportInterface(IKestrumModExport* exportInterface) = 0;
    // Runs the input dialog; 1 when its result was read into the tables, 0 when cancelled or unread.
    virtual int32_t Query() = 0;
    virtual int32_t Graph_IsValid() = 0;
    virtual int32_t Graph_Hide() = 0;
    virtual int32_t Graph_Show(HWND parent) = 0;

protected:
    CKestrumMod();
    virtual ~CKestrumMod();

    friend KESTRUMMOD_API void KESTRUMMOD_Release(CKestrumMod* module);
};

class KESTRUMMOD_API CKestrumModImpl : public CKestrumMod {
public:
    explicit CKestrumModImpl(const wchar_t* path);
    CKestrumModImpl(const CKestrumModImpl& other);
    CKestrumModImpl& operator=(const CKestrumModImpl& other);
    ~CKestrumModImpl() override;

    IKestrumModExport* GetExportInterface() const override;
    void SetExportInterface(IKestrumModExport* exportInterface) override;
    int32_t Query() override;
    int32_t Graph_IsValid() override;
    int32_t Graph_Hide() override;
    int32_t Graph_Show(HWND parent) override;

    // Removes the job folder of a calculated result and forgets the result; an imported file stays.
    void DeleteTempFiles();
    // The result file the tables were read from; empty when there is none.
    const wchar_t* GetPropFilePath();
    int32_t IsImported();

    int32_t m_resultKind;         // 1 calculated (or no result), 0 imported
    wchar_t m_resultPath[2048];   // the result file, empty when there is none
    IKestrumModExport* m_pExport; // the host's, not owned
    wchar_t m_workingPath[2048];  // as given at creation
};

// A new module with this working path (the folder of the engine's "dbdata\"); null when it cannot be
// allocated.
KESTRUMMOD_API CKestrumMod* KESTRUMMOD_Create(const wchar_t* path);
// Destroys the module; null is ignored. The graph window must be closed first.
KESTRUMMOD_API void KESTRUMMOD_Release(CKestrumMod* module);
