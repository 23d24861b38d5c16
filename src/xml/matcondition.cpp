#include "xml/matcondition.h"

#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "framework/cstring.h"
#include "xml/elem.h"
#include "xml/xmlfile.h"

namespace {

CString PhaseAttrName(int k) {
    CString name;
    name.Format(L"Phase%d", k);
    return name;
}

// A full field has no terminator; it is written with all its characters instead of running past it.
std::wstring PathText(const wchar_t (&field)[kMatPathChars]) {
    return std::wstring(field, wcsnlen(field, kMatPathChars));
}

// Creates an element with empty text under `parent` and appends it there.
CElem* AddElem(CElem* parent, const wchar_t* name) {
    return parent->AddChild(new CElem(name, L"", parent));
}

// The element helpers append attributes and cannot fail.
void BuildMaterial(CElem* root, const MatCondition& rec) {
    CElem* material = AddElem(root, L"JMapProMaterial");
    SetAttrBool(&rec.allPhases, L"allPhases", material);
    SetAttrBool(&rec.pearlitic, L"pearlitic", material);
    SetAttrBool(&rec.pbSearch, L"pbSearch", material);
    SetAttrBool(&rec.fastInterStitial, L"fastInterStitial", material);
    SetAttrInt(&rec.graphiteType, L"graphiteType", material);
    SetAttrInt(&rec.materialType, L"materialType", material);

    CElem* temps = AddElem(material, L"AlloyTempCon");
    SetAttrFloat(&rec.tempStart, L"tempStart", temps);
    SetAttrFloat(&rec.tempEnd, L"tempEnd", temps);
    SetAttrFloat(&rec.tempStep, L"tempStep", temps);
    SetAttrFloat(&rec.fractionLimit, L"fractionLimit", temps);

    // Only flags of exactly 1 are selections; any other value writes nothing.
    CElem* phases = AddElem(material, L"Phases");
    const int32_t selected = 1;
    for (int k = 0; k < kMatPhaseCount; ++k) {
        if (rec.phases[k] == 1)
            SetAttrBool(&selected, PhaseAttrName(k), phases);
    }

    CElem* compositions = AddElem(material, L"Compositions");
    for (int32_t k = 0; k < kMatElementCount; ++k) {
        const MatCompoEntry& entry = rec.compositions[k];
        if (entry.present != 1)
            continue;
        CElem* compo = AddElem(compositions, L"MatCompo");
        SetAttrInt(&k, L"element", compo);
        SetAttrBool(&entry.base, L"base", compo);
        SetAttrFloat(&entry.compo, L"compo", compo);
    }

    CElem* paths = AddElem(material, L"Path");
    const std::wstring dataPath = PathText(rec.dataPath);
    const std::wstring resPath = PathText(rec.resPath);
    SetAttrString(dataPath.c_str(), L"dataPath", paths);
    SetAttrString(resPath.c_str(), L"resPath", paths);
}

// The first direct child with exactly this name, in document order; deeper levels are not searched.
const CElem* FirstChild(const CElem* parent, std::wstring_view name) {
    for (const CElem* child : parent->GetChildren()) {
        if (child->GetName().view() == name)
            return child;
    }
    return nullptr;
}

bool HasAttr(const CElem* elem, const wchar_t* name) {
    return elem->FindAttr(name).kind() != CElemVariant::Kind::Empty;
}

FileResult NoElement(const wchar_t* name, const wchar_t* parent) {
    return FileResult::Failed(std::wstring(L"no ") + name + L" element in " + parent);
}

FileResult NoAttribute(const wchar_t* name, const wchar_t* element) {
    return FileResult::Failed(std::wstring(L"the ") + element + L" element has no valid " + name +
                              L" attribute");
}

// Attribute texts that do not convert to the asked type count as absent, as in the element tree's
// Get operations: a required one fails the load, an optional one leaves its field as it was, and a
// broken "element" or "compo" skips its "MatCompo".
FileResult ReadMaterial(const CElem* root, MatCondition& rec) {
    const CElem* material = FirstChild(root, L"JMapProMaterial");
    if (!material)
        return NoElement(L"JMapProMaterial", L"Vantrel");
    if (!GetAttrBool(&rec.allPhases, L"allPhases", material))
        return NoAttribute(L"allPhases", L"JMapProMaterial");
    GetAttrBool(&rec.pearlitic, L"pearlitic", material);
    GetAttrBool(&rec.pbSearch, L"pbSearch", material);
    GetAttrBool(&rec.fastInterStitial, L"fastInterStitial", material);
    if (!GetAttrInt(&rec.graphiteType, L"graphiteType", material))
        return NoAttribute(L"graphiteType", L"JMapProMaterial");
    if (!GetAttrInt(&rec.materialType, L"materialType", material))
        return NoAttribute(L"materialType", L"JMapProMaterial");

    const CElem* temps = FirstChild(material, L"AlloyTempCon");
    if (!temps)
        return NoElement(L"AlloyTempCon", L"JMapProMaterial");
    for (auto [field, name] : {std::pair{&rec.tempStart, L"tempStart"},
                               {&rec.tempEnd, L"tempEnd"},
                               {&rec.tempStep, L"tempStep"},
                               {&rec.fractionLimit, L"fractionLimit"}}) {
        if (!GetAttrFloat(field, name, temps))
            return NoAttribute(name, L"AlloyTempCon");
    }

    // Every flag is rewritten: a phase without its attribute is not selected.
    const CElem* phases = FirstChild(material, L"Phases");
    if (!phases)
        return NoElement(L"Phases", L"JMapProMaterial");
    for (int k = 0; k < kMatPhaseCount; ++k) {
        int32_t flag = 0;
        GetAttrBool(&flag, PhaseAttrName(k), phases);
        rec.phases[k] = flag;
    }

    const CElem* compositions = FirstChild(material, L"Compositions");
    if (!compositions)
        return NoElement(L"Compositions", L"JMapProMaterial");
    for (MatCompoEntry& entry : rec.compositions)
        entry = MatCompoEntry{};
    bool stored = false;
    for (const CElem* child : compositions->GetChildren()) {
        if (child->GetName().view() != L"MatCompo")
            continue;
        int32_t element = 0;
        int32_t base = 0;
        float compo = 0.0f;
        if (!GetAttrInt(&element, L"element", child) || !GetAttrFloat(&compo, L"compo", child))
            continue;
        // An index outside the catalogue is skipped like an incomplete entry; the others still load.
        if (element < 0 || element >= kMatElementCount)
            continue;
        GetAttrBool(&base, L"base", child);
        rec.compositions[element] = MatCompoEntry{base, 1, compo};
        stored = true;
    }
    if (!stored)
        return FileResult::Failed(L"no MatCompo element with a valid element and compo in Compositions");

    // Folders are optional. A text too long for its field (1023 characters and the terminator) is
    // refused rather than cut, since a cut folder names another place: the field keeps its value.
    // resPath is read whenever dataPath is there, even when dataPath itself was too long.
    if (const CElem* paths = FirstChild(material, L"Path"); paths && HasAttr(paths, L"dataPath")) {
        GetAttrString(rec.dataPath, L"dataPath", paths);
        GetAttrString(rec.resPath, L"resPath", paths);
    }
    return {};
}

} // namespace

int SaveMatCondition(const wchar_t* path, const MatCondition* rec) {
    if (!path || !rec)
        return 0;
    const auto root = std::make_unique<CElem>(L"Vantrel", L"", nullptr);
    BuildMaterial(root.get(), *rec);
    return WriteXmlFile(root.get(), path);
}

FileResult LoadMatCondition(const wchar_t* path, MatCondition* rec) {
    if (!path || !rec)
        return FileResult::Failed(L"no file name");
    std::wstring why;
    const std::unique_ptr<CElem> root(ReadXmlFile(path, &why));
    if (!root)
        return FileResult::Failed(why);
    if (root->GetName().view() != L"Vantrel")
        return FileResult::Failed(L"the root element is " + std::wstring(root->GetName().view()) +
                                  L", not Vantrel");
    return ReadMaterial(root.get(), *rec);
}
