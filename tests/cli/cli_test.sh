#!/usr/bin/env bash
# Runs kestrumprops as a user would, command by command: reads the examples as tables and JSON in the
# tool's units, converts JMatPro output and reads it back, writes and shows material condition
# documents, draws, compares, exports, calculates and sweeps; then misuse by kind of bad input, each
# failing with one clear line before any work is done.
# Usage: cli_test.sh PATH-TO-KESTRUMPROPS EXAMPLES-DIR
set -u

prog=$1
examples=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

passed=0
failed=0
check() { # check NAME COMMAND...: one test case, passed when COMMAND succeeds
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name" >&2
        sed 's/^/  stderr: /' "$tmp/err" >&2
    fi
}

run() { # run ARGS...: output in $tmp/out and $tmp/err, exit status in $rc
    "$prog" "$@" >"$tmp/out" 2>"$tmp/err"
    rc=$?
}

succeeded() { [ "$rc" -eq 0 ] && [ ! -s "$tmp/err" ]; }

fails() { # fails STATUS ARGS...: one line on standard error, nothing on standard output
    local status=$1
    shift
    run "$@"
    [ "$rc" -eq "$status" ] && [ ! -s "$tmp/out" ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] &&
        grep -q '^kestrumprops: ' "$tmp/err"
}

# A value of the "Derived values" part of the table, by label.
derived() { sed -n '/^Derived values/,$p' "$tmp/out" | awk -v label="$1" 'index($0, label) { print $(NF - 1) }'; }
between() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v != "" && v + 0 >= lo && v + 0 <= hi) }'; }

# json_ok FILE CODE [ARGS...]: CODE runs with the document as `doc`, the raw text as `text`, the ARGS as
# `args`, and the helpers `by_type` and `f32`; it fails by raising.
json_ok() {
    python3 - "$@" <<'EOF'
import json, struct, sys
text = open(sys.argv[1], encoding="utf-8").read()
doc = json.loads(text)
args = sys.argv[3:]
def by_type(d, t):
    return [s for s in d["series"] if s["dataType"] == t]
def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]
exec(sys.argv[2])
EOF
}

# svg_ok FILE CODE [ARGS...]: CODE runs with the chart as `svg`, `texts(CLASS)` (the texts of a group),
# `curves()` (the points of each polyline, in pixels) and `plot` (left, top, right, bottom); it fails by
# raising.
svg_ok() {
    python3 - "$@" <<'EOF'
import sys, xml.etree.ElementTree as ET
ns = "{http://www.w3.org/2000/svg}"
svg = ET.parse(sys.argv[1]).getroot()
args = sys.argv[3:]
def texts(cls):
    return [t.text for g in svg.iter(ns + "g") if g.get("class") == cls for t in g.iter(ns + "text")]
def curves():
    return [[tuple(map(float, p.split(","))) for p in e.get("points").split()]
            for e in svg.iter(ns + "polyline") if e.get("class") == "curve"]
border = [e for e in svg.iter(ns + "polyline") if e.get("class") == "border"][0].get("points").split()
plot = tuple(map(int, border[0].split(","))) + tuple(map(int, border[2].split(",")))
exec(sys.argv[2])
EOF
}

# A copy of the tool with a stand-in engine beside it (the tool runs the engine beside itself): the
# engine script is given; every start leaves its process id in $fake/started.
fake=$tmp/fake
mkdir -p "$fake" "$tmp/temp"
cp "$prog" "$fake/kestrumprops"
ln -s "$(cd "$(dirname "$prog")" && pwd)/dbdata" "$fake/dbdata"
real_engine=$(cd "$(dirname "$prog")" && pwd)/kestrum
fake_engine() { printf '#!/bin/sh\necho $$ >>"%s"\n%s\n' "$fake/started" "$1" >"$fake/kestrum" && chmod +x "$fake/kestrum"; }
run_fake() { rm -f "$fake/started"; TMPDIR="$tmp/temp" "$fake/kestrumprops" "$@" >"$tmp/out" 2>"$tmp/err"; rc=$?; }
not_started() { test ! -e "$fake/started"; }
jobs_left() { find "$tmp/temp/Kestrum" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

# ==== read =========================================================================================

run read "$examples/alsi7mg.out"
check "read: alsi7mg succeeds quietly" succeeded
check "read: solidus of an Al-7Si alloy" between "$(derived 'Solidus temperature')" 550 565
check "read: liquidus of an Al-7Si alloy" between "$(derived 'Liquidus temperature')" 608 618
check "read: latent heat in J/kg" between "$(derived 'Total latent heat')" 380000 400000
check "read: solidification shrinkage in %" between "$(derived 'Solidification shrinkage')" 5 8
check "read: density row with its tag, title, unit and point count" \
    grep -Eq '^ +15 +D-TOTAL +Density +kg/m\^3 +28 +450\.0 \.\. 700\.0 C$' "$tmp/out"
check "read: single values only among the derived values" sh -c "! grep -q 'Liquidus_Temperature' '$tmp/out'"
check "read: the table shows the derived values of the JSON output" json_ok <("$prog" read "$examples/alsi7mg.out" --json) '
value = lambda t: by_type(doc, t)[0]["value"]
shown = ["%.1f" % value(30), "%.1f" % value(31), "%g" % value(32), "%g" % value(34)]
assert args == shown, (args, shown)' "$(derived 'Solidus')" "$(derived 'Liquidus')" "$(derived 'latent')" "$(derived 'shrinkage')"

run read "$examples/jmatpro_sample.dat"
check "read: .dat read as JMatPro output" succeeded
check "read: JMatPro kelvin shown as Celsius, its heading by tag" \
    grep -Eq '^ +4 +WT-LIQUID +Fraction liquid \(weight fraction\) +21 +499\.9 \.\. 649\.8 C$' "$tmp/out"
check "read: JMatPro solidus" between "$(derived 'Solidus')" 550 562
check "read: JMatPro liquidus" between "$(derived 'Liquidus')" 590 600

run read "$examples/minimal.out"
check "read: minimal succeeds" succeeded
check "read: minimal solidus and liquidus found" between "$(derived 'Solidus')" 560 600
check "read: no latent heat column gives n/a" grep -Eq 'Total latent heat +n/a$' "$tmp/out"
check "read: no molar volume gives no shrinkage" grep -Eq 'Solidification shrinkage +n/a$' "$tmp/out"

run read "$examples/alsi7mg.out" --json
check "read --json: succeeds" succeeded
cp "$tmp/out" "$tmp/alsi7mg.json"
check "read --json: one object, one line; per series tag, name, title and unit" json_ok "$tmp/alsi7mg.json" '
assert text.endswith("}\n") and text.count("\n") == 1
assert list(doc) == ["temperature", "series"] and doc["temperature"] == {"title": "Temperature", "unit": "C"}
for s in doc["series"]:
    assert list(s)[:7] == ["exportFlag", "xDataType", "dataType", "tag", "name", "title", "unit"], s.keys()
    assert s["xDataType"] == 2 and s["title"] and "Temperture" not in s["title"]
density = by_type(doc, 15)[0]
assert (density["tag"], density["name"], density["title"], density["unit"]) == ("D-TOTAL", "D-TOTAL", "Density", "kg/m^3")
assert by_type(doc, 35)[0]["tag"] == "Dynamic_viscosity"'
check "read --json: single values as values, curves as points" json_ok "$tmp/alsi7mg.json" '
for s in doc["series"]:
    single = s["dataType"] in (30, 31, 32, 34)
    assert ("value" in s) == single and ("points" in s) != single, s["name"]
    assert not single or isinstance(s["value"], (int, float)), s
assert by_type(doc, 31)[0]["unit"] == "C" and by_type(doc, 34)[0]["unit"] == "%"'
check "read --json: columns in file order, then the derived series" json_ok "$tmp/alsi7mg.json" '
heading = args[0].split()
names = [s["name"] for s in doc["series"]]
assert names[:len(heading) - 1] == heading[1:], names
assert {30, 31, 32, 33, 34, 35} <= {s["dataType"] for s in doc["series"]}' "$(head -n 1 "$examples/alsi7mg.out")"
check "read --json: missing values left out, points sorted by temperature" json_ok "$tmp/alsi7mg.json" '
assert len(by_type(doc, 4)[0]["points"]) == 28
assert len(by_type(doc, 18)[0]["points"]) == 21
for s in doc["series"]:
    xs = [p[0] for p in s.get("points", [])]
    assert xs == sorted(xs), s["name"]
    assert all(abs(p[1] + 123456789) > 1 for p in s.get("points", [])), s["name"]'
# The held single-precision value 2381.2 is 2381.19995; the tool writes the shortest text that reads
# back as it, not its noise.
check "read --json: density 2.3812 g/cm3 as 2381.2 kg/m3" json_ok "$tmp/alsi7mg.json" '
top = by_type(doc, 15)[0]["points"][-1]
assert top == [700, 2381.2], top'

# Names come from JMatPro headings verbatim, so they can hold anything JSON must escape.
printf 'Escapes\nT (C)\tDensity (g/(cm)^3)-TOTAL "q" \\b\001 \317\201\tFraction liquid (wt)-LIQUID\n600\t2.4\t1\n500\t2.5\t0\n' \
    >"$tmp/escapes.dat"
run read "$tmp/escapes.dat" --json
check "read --json: names escaped and UTF-8" json_ok "$tmp/out" '
assert doc["series"][0]["name"] == "Density (g/(cm)^3)-TOTAL \"q\" \\b\x01 \u03c1", doc["series"][0]["name"]'

"$prog" read "$examples/jmatpro_sample.dat" --json >"$tmp/jmatpro.json" 2>"$tmp/err"
cp "$examples/jmatpro_sample.dat" "$tmp/SAMPLE.DAT"
cp "$examples/jmatpro_sample.dat" "$tmp/sample.txt"
run read "$tmp/SAMPLE.DAT" --json
check "read: .DAT in capitals is JMatPro output" cmp -s "$tmp/out" "$tmp/jmatpro.json"
run read "$tmp/sample.txt" --jmatpro --json
check "read: --jmatpro for any name" cmp -s "$tmp/out" "$tmp/jmatpro.json"
run read "$tmp/sample.txt" --json
check "read: other names are the engine's format" test "$rc" -ne 0 -o -n "$(cmp "$tmp/out" "$tmp/jmatpro.json" 2>&1)"

# ==== Units: what the module holds, shown in SI ====================================================
# An engine result file with the held units the tool converts: D-LIQUID in g/cm3, MV in cm3 per mole,
# H-WT per gram, CP-WT per gram (read as per kg), moduli in GPa, VISC-TOTAL in mPa s (held as 100
# times that), VISC-LIQUID in mPa s.
printf 'T(C)\tWT-LIQUID\tD-LIQUID\tD-TOTAL\tMV-TOTAL\tH-WT\tCP-WT\tYM-TOTAL\tVISC-LIQUID\tVISC-TOTAL\n' >"$tmp/units.out"
printf '%s\n' '560	0.5	2.3812	2.45	10.5	500	0.9	70	1.2	88.04' \
    '600	1	2.35	2.37	10.9	900	1.1	60	1.1	1.1' '500	0	2.5	2.6	10.1	400	0.95	71	-123456789	-123456789' >>"$tmp/units.out"
run export "$tmp/units.out" --csv "$tmp/units"
check "units: export succeeds" succeeded
check "units: every CSV in SI units, converted from what the module holds" python3 - "$tmp/units" <<'EOF'
import csv, os, sys
expect = {  # file: heading, value at 560 C
    "D-LIQUID": ("Density of the liquid (kg/m^3)", 2381.2), "D-TOTAL": ("Density (kg/m^3)", 2450),
    "MV-TOTAL": ("Molar volume (cm^3/mol)", 10.5), "H-WT": ("Enthalpy (J/kg)", 500000),
    "CP-WT": ("Specific heat (J/(kg K))", 900), "YM-TOTAL": ("Young's modulus (GPa)", 70),
    "VISC-LIQUID": ("Viscosity of the liquid (Pa s)", 0.0012), "VISC-TOTAL": ("Viscosity (Pa s)", 0.08804),
    "Dynamic_viscosity": ("Dynamic viscosity (Pa s)", 0.08804), "WT-LIQUID": ("Fraction liquid (weight fraction)", 0.5)}
for name, (heading, value) in expect.items():
    rows = list(csv.reader(open(os.path.join(sys.argv[1], name + ".csv"), newline="")))
    assert rows[0] == ["Temperature (C)", heading], rows[0]
    at = {float(t): float(v) for t, v in rows[1:]}
    assert abs(at[560] - value) <= 1e-6 * abs(value), (name, at[560], value)
EOF
check "units: a single value as a value, not a pair" awk 'NR == 1 && $0 == "Liquidus temperature (C)" { h = 1 }
    NR == 2 && /^59[0-9](\.[0-9]+)?$/ { v = 1 } END { exit !(h && v && NR == 2) }' "$tmp/units/Liquidus_Temperature.csv"
run read "$tmp/units.out"
check "units: one density unit in the table" sh -c "[ \$(grep -c 'kg/m^3' '$tmp/out') -eq 2 ] && ! grep -q 'g/(cm)' '$tmp/out'"
awk -F '\t' -v OFS='\t' 'NR == 2 { $10 = 96.844 } { print }' "$tmp/units.out" >"$tmp/thicker.out"
run compare "$tmp/units.out" "$tmp/thicker.out"
check "units: compare gives the viscosity difference in Pa s" grep -Eq '^ +19 +Viscosity +2 +-0\.0088(04)? +Pa s +560\.0 C$' "$tmp/out"
run plot "$tmp/units.out" --type visc-total -o "$tmp/units"
check "units: the chart's titles are the tool's, its values Pa s" svg_ok "$tmp/units/VISC-TOTAL.svg" '
assert texts("x-title") == ["Temperature (C)"] and texts("y-title") == ["Viscosity (Pa s)"], texts("y-title")
assert texts("title") == ["units.out"] and "0.08" in texts("y-labels"), texts("y-labels")'

# ==== convert ======================================================================================

cp "$examples/jmatpro_sample.dat" "$tmp/Größe ü.dat"
run convert "$tmp/Größe ü.dat"
check "convert: prints the default output path" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "$tmp/Größe ü.dat.out"
check "convert: warns about viscosities missing below the solidus" grep -q 'warning: .*Liquid viscosity (mPa s)-, Total viscosity (mPa s)-$' "$tmp/err"
run read "$tmp/Größe ü.dat.out" --json
check "convert: output reads as an engine file" test "$rc" -eq 0
check "convert: written series match the original" json_ok "$tmp/out" '
orig = json.load(open(args[0]))
rows = max(len(s.get("points", [])) for s in orig["series"])
complete = [s["dataType"] for s in orig["series"] if s["dataType"] < 30 and len(s["points"]) == rows]
assert [s["dataType"] for s in doc["series"] if s["dataType"] < 30] == complete
assert len(doc["series"]) == len(complete) + 5
for s in doc["series"]:
    o = by_type(orig, s["dataType"])[0]
    assert s.get("value") == o.get("value") or abs(s["value"] - o["value"]) <= 1e-5 * abs(o["value"]), s["name"]
    assert len(s.get("points", [])) == len(o.get("points", [])), s["name"]
    for (x, y), (ox, oy) in zip(s.get("points", []), o.get("points", [])):
        assert abs(x - ox) < 1e-3 and abs(y - oy) <= 2e-5 * abs(oy) + 1e-12, (s["name"], x, y, ox, oy)' \
    "$tmp/jmatpro.json"
run convert "$examples/jmatpro_sample.dat" -o "$tmp/chosen.out"
check "convert: -o names the output" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "$tmp/chosen.out" -a -s "$tmp/chosen.out"
check "convert: keeps the file format's own units" grep -q $'^499.85\t0\t2.56386\t' "$tmp/chosen.out"

# ==== condition ====================================================================================

run condition new --family 0 --set Si=7 --set mg=0.3 --set 4=0 --start 700 -o "$tmp/al.vjp"
check "condition new: prints the path written" test "$rc" -eq 0 -a ! -s "$tmp/err" -a "$(cat "$tmp/out")" = "$tmp/al.vjp"
run condition show "$tmp/al.vjp" --json
check "condition show --json: succeeds" succeeded
check "condition: new then show gives the record, as the input dialog stores it" json_ok "$tmp/out" '
assert text.endswith("}\n") and text.count("\n") == 1
assert list(doc) == ["materialType", "tempStart", "tempEnd", "tempStep", "fractionLimit", "graphiteType",
    "pearlitic", "pbSearch", "fastInterStitial", "allPhases", "phases", "compositions", "dataPath", "resPath"]
raw = json.loads(text, parse_float=str, parse_int=str)
assert f32(float(raw["tempStart"])) == f32(f32(700) + 273.15) and raw["tempStart"] == "973.15", raw["tempStart"]
# Not given: the family defaults, 27 C, a step of 5 and a fraction limit of 0.01.
assert raw["tempEnd"] == "300.15" and raw["fractionLimit"] == "0.01"
assert doc["tempStep"] == -5 and doc["materialType"] == 0 and doc["graphiteType"] == -1
assert [doc[k] for k in ("pearlitic", "pbSearch", "fastInterStitial", "allPhases")] == [0, 1, 0, 1]
assert doc["phases"] == [] and doc["dataPath"] == "" and doc["resPath"] == ""
# The 21 elements of the family, aluminium the base with the balance.
assert [c["element"] for c in doc["compositions"]] == list(range(21)), doc["compositions"]
assert [c["element"] for c in doc["compositions"] if c["base"]] == [0]
values = {c["element"]: f32(c["compo"]) for c in doc["compositions"] if c["compo"]}
assert values == {0: f32(100 - f32(f32(0.3) + 7)), 7: f32(0.3), 12: 7}, values'
run condition new --family 2 --graphite 1 --ferritic --set C=3.5 --set Si=2.5 -o "$tmp/fe.vjp"
run condition show "$tmp/fe.vjp" --json
check "condition new: cast iron carries its graphite type and matrix" json_ok "$tmp/out" '
assert doc["materialType"] == 2 and doc["graphiteType"] == 1 and doc["pearlitic"] == 0
assert [(c["element"], c["compo"]) for c in doc["compositions"] if c["base"]] == [(5, 94)]'
run condition new --family 2 -o "$tmp/fe.vjp"
run condition show "$tmp/fe.vjp" --json
check "condition new: cast iron defaults to the first graphite type, pearlitic" json_ok "$tmp/out" '
assert doc["graphiteType"] == 0 and doc["pearlitic"] == 1 and doc["tempStart"] > 1673'
run condition show "$tmp/al.vjp"
check "condition show: readable form" test "$rc" -eq 0 -a ! -s "$tmp/err"
check "condition show: temperatures in kelvin and as entered" grep -Eq '^Start +973\.15 K \(700 C\)$' "$tmp/out"
check "condition show: family and base element by name" grep -Eq '^Material family +0 \(Aluminium Alloy\)$' "$tmp/out" &&
    grep -Eq '^ +Al +base +92\.7$' "$tmp/out"
run condition show "$examples/alsi7mg.vjp" --json
check "condition show: the example preset" json_ok "$tmp/out" '
assert doc["materialType"] == 0 and doc["tempStep"] == -5
assert [(c["element"], c["base"]) for c in doc["compositions"]] == [(0, 1), (7, 0), (12, 0)]'

# Written by hand: phases, folders that JSON must escape, parts the tool does not know.
printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' '<!-- preset --><Vantrel><JMapProMaterial allPhases="false"' \
    ' graphiteType="1" materialType="2" pearlitic="true"><AlloyTempCon tempStart="1673.15" tempEnd="1273.15"' \
    ' tempStep="-2.5" fractionLimit="1e-3"/><Phases Phase3="false" Phase7="true" Phase240="true"/><Compositions>' \
    '<MatCompo element="20" compo="3.5"/><MatCompo element="5" base="true" compo="0"/></Compositions>' \
    '<Path dataPath="C:\kestrum\dbdata\" resPath="a &quot;job&quot;&#9;Zoë"/></JMapProMaterial></Vantrel>' \
    >"$tmp/preset.vjp"
run condition show "$tmp/preset.vjp" --json
check "condition show --json: phases, compositions in index order, escaped folders" json_ok "$tmp/out" '
assert doc["phases"] == [7, 240] and doc["allPhases"] == 0 and doc["pearlitic"] == 1
assert doc["compositions"] == [{"element": 5, "base": 1, "present": 1, "compo": 0},
                               {"element": 20, "base": 0, "present": 1, "compo": 3.5}], doc["compositions"]
assert doc["tempStep"] == -2.5 and doc["dataPath"] == "C:\\kestrum\\dbdata\\"
assert doc["resPath"] == "a \"job\"\tZo\u00eb", doc["resPath"]'

printf '<Vantrel><JMapProMaterial allPhases="true" graphiteType="-1" materialType="0"/></Vantrel>\n' >"$tmp/partial.vjp"
printf '<vantrel/>\n' >"$tmp/lower.vjp"
# Bytes its declared encoding cannot convert: the parser's own complaints stay off standard error.
printf '<?xml version="1.0" encoding="ISO-2022-JP"?><Vantrel a="\033$B\377"/>' >"$tmp/encoding.vjp"
printf '<!DOCTYPE MaterialCondition>\n<MaterialCondition/>\n' >"$tmp/doctype.vjp"
mkdir "$tmp/folder"
check "condition: a result file is no document" fails 1 condition show "$examples/minimal.out"
check "condition: a required part missing" fails 1 condition show "$tmp/partial.vjp" --json
check "condition: root in another case" fails 1 condition show "$tmp/lower.vjp"
check "condition: bytes the declared encoding cannot convert" fails 1 condition show "$tmp/encoding.vjp"
check "condition: missing document" fails 1 condition show "$tmp/no-such.vjp"
check "condition: a folder" fails 1 condition show "$tmp/folder"
check "condition: a document type declaration is refused" fails 1 condition show "$tmp/doctype.vjp"
check "condition: ... saying so" grep -q 'document type declaration .* is refused' "$tmp/err"
check "condition: no subcommand" fails 2 condition
check "condition: unknown subcommand" fails 2 condition edit "$tmp/al.vjp"
check "condition: unknown option" fails 2 condition show "$tmp/al.vjp" --jmatpro
new_args() { echo --family 0 --set Si=7 -o "$tmp/n.vjp"; }
run condition new $(new_args)
check "condition new: the arguments below start from a valid set" test "$rc" -eq 0 -a -s "$tmp/n.vjp"
for bad in "--start 1,5" "--start abc" "--step 0" "--step -5" "--family 11" "--family x" "--set 43=1" \
    "--set Xx=1" "--set Au=1" "--set Al=90" "--set Cu=93" "--set Si=101" "--set Si" "--graphite 0" \
    "--ferritic" "--fraction-limit nan" "--bogus" "--start 20" "--end -300"; do
    check "condition new: bad '$bad'" fails 2 condition new $(new_args) $bad
done
for missing in --family -o; do
    args=$(new_args | sed "s/$missing [^ ]*//")
    check "condition new: without $missing" fails 2 condition new $args
done

# ==== families, help, version ======================================================================

run families
check "families: lists every family with its base, defaults and elements" python3 - "$tmp/out" <<'EOF'
import re, sys
text = open(sys.argv[1]).read()
assert len(re.findall(r"^ ?\d+  \S", text, re.M)) == 11, text
assert re.search(r"^ 0  Aluminium Alloy\n    base Al; from 700 C down to 27 C in steps of 5 K, fraction limit 0\.01\n"
                 r"    elements, wt% Ca ", text, re.M), text
# Each element with its checked range and, in brackets, where the engine refuses it.
assert "Si 0-18(25)" in text.split("\n 1  ")[0], text
# The two steel families without engine data are marked.
assert re.findall(r"^ ?(\d+)  .*\n.*\n.*\n    the engine has no data", text, re.M) == ["3", "9"], text
assert max(map(len, text.splitlines())) <= 80
EOF
run families --json
check "families --json: the same list" json_ok "$tmp/out" '
fam = doc["families"]
assert [f["index"] for f in fam] == list(range(11)) and [f["engineData"] for f in fam].count(False) == 2
assert fam[2]["base"] == "Fe" and (fam[2]["start"], fam[2]["end"]) == (1400, 1000)
carbon = [e for e in fam[2]["elements"] if e["symbol"] == "C"][0]
assert carbon["low"] < carbon["high"] < carbon["limit"], carbon
assert all("low" not in e for e in fam[3]["elements"])'

run --version
check "version: the project's version" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = \
    "kestrumprops $(sed -n 's/^project(Kestrum VERSION \([0-9.]*\).*/\1/p' "$examples/../CMakeLists.txt")"
run --help
check "help: an overview naming every command and the unit system" sh -c "grep -q '^Usage:' '$tmp/out' &&
    grep -q 'SI units' '$tmp/out' && [ \$(grep -cE '^  (calc|sweep|families|validate|read|compare|plot|export|convert|condition) ' '$tmp/out') -eq 11 ]"
for command in calc sweep families validate read compare plot export convert "condition show" "condition new"; do
    run $command --help
    check "help: '$command --help' is that command's help" sh -c "[ $rc -eq 0 ] && [ ! -s '$tmp/err' ] &&
        head -1 '$tmp/out' | grep -q '^Usage: kestrumprops $command' && [ \$(wc -l <'$tmp/out') -lt 55 ] &&
        [ \$(awk 'length > 80' '$tmp/out' | wc -l) -eq 0 ]"
done
run -h
check "help: -h too" test "$rc" -eq 0 -a "$(head -c 6 "$tmp/out")" = "Usage:"

# ==== plot =========================================================================================

run plot "$examples/alsi7mg.out" -o "$tmp/plots/new"
cp "$tmp/out" "$tmp/plots.txt"
check "plot: writes one file per property into a new folder" succeeded
check "plot: every curve, no single value, each a chart titled with the file's name" python3 - "$tmp/plots.txt" <<'EOF'
import os, sys, xml.etree.ElementTree as ET
ns = "{http://www.w3.org/2000/svg}"
paths = open(sys.argv[1], encoding="utf-8").read().split("\n")[:-1]
assert len(paths) == 15 and len(set(paths)) == 15, paths
names = list(map(os.path.basename, paths))
assert names[1] == "D-TOTAL.svg" and "Dynamic_viscosity.svg" in names and "Liquidus_Temperature.svg" not in names
for path in paths:
    root = ET.parse(path).getroot()
    assert root.tag == ns + "svg" and root.get("width") == "324", path
    assert [t.text for g in root.iter(ns + "g") if g.get("class") == "title" for t in g.iter(ns + "text")] == ["alsi7mg.out"]
EOF
# The tick labels of the density as the graph control computes them, in single precision, from the
# extents of the points (the thinned curve keeps the ends of this monotonic series).
check "plot: density tick labels and titles" json_ok "$tmp/alsi7mg.json" '
import math, re, xml.etree.ElementTree as ET
def tick_step(upper, lower):
    x = f32(f32(upper - lower) * f32(0.2))
    e = int(math.log10(x)) - (1 if x < 1 else 0)
    d = int(x / 10.0 ** e)
    d = 2 if d in (3, 4) else 5 if d > 5 else d
    return f32(f32(10.0 ** e) * d)
def labels(lo, hi):
    s = tick_step(hi, lo)
    first, end = int(lo / s) + (lo > 0), int(hi / s) + (hi > 0)
    form = "%4.4e" if s < 0.0001 or s > 10000 else "%g"
    return [re.sub(r"e([-+])(\d\d)$", r"e\g<1>0\2", form % f32(k * s)) for k in range(first, end)]
def axis(values):
    lo, hi = f32(min(values)), f32(max(values))
    return f32(f32(f32(1.1) * lo) - f32(f32(0.1) * hi)), f32(f32(f32(1.1) * hi) - f32(f32(0.1) * lo))
points = by_type(doc, 15)[0]["points"]
svg = ET.parse(args[0]).getroot()
texts = lambda cls: [t.text for g in svg.iter("{http://www.w3.org/2000/svg}g") if g.get("class") == cls
                     for t in g.iter("{http://www.w3.org/2000/svg}text")]
assert texts("x-labels") == labels(*axis([p[0] for p in points])) == ["450", "500", "550", "600", "650", "700"]
assert texts("y-labels") == labels(*axis([p[1] for p in points])), texts("y-labels")
assert texts("y-title") == ["Density (kg/m^3)"] and texts("x-title") == ["Temperature (C)"]' \
    "$tmp/plots/new/D-TOTAL.svg"

# Thinning draws WT-LIQUID from a few of its 28 points; --raw from every one, without symbols.
check "plot: thinned by default" svg_ok "$tmp/plots/new/WT-LIQUID.svg" 'assert len(curves()[0]) < 20, curves()'
run plot "$examples/alsi7mg.out" --raw --type WT-LIQUID -o "$tmp/plots/raw"
check "plot --raw: every point" svg_ok "$tmp/plots/raw/WT-LIQUID.svg" '
assert len(curves()) == 1 and len(curves()[0]) == 28 and not [g for g in svg.iter() if g.get("class") == "symbols"]'
run plot "$examples/alsi7mg.out" --raw --type d-total --range 500:600 -o "$tmp/plots/range"
check "plot --range: only the temperatures asked for" svg_ok "$tmp/plots/range/D-TOTAL.svg" '
assert texts("x-labels")[0] == "500" and texts("x-labels")[-1] == "600", texts("x-labels")'
run plot "$examples/alsi7mg.out" --type dynamic_VISCOSITY -o "$tmp/plots/derived"
check "plot --type: any letter case, derived series too" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "$tmp/plots/derived/Dynamic_viscosity.svg"

abs_prog=$(realpath "$prog")
abs_examples=$(realpath "$examples")
(cd "$tmp" && "$abs_prog" plot "$abs_examples/jmatpro_sample.dat" --type D-TOTAL >"$tmp/out" 2>"$tmp/err")
rc=$?
check "plot: JMatPro output by its name, one property, into the current folder" \
    test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "D-TOTAL.svg" -a -s "$tmp/D-TOTAL.svg" -a ! -s "$tmp/err"

run plot --overlay "$examples/alsi7mg.out" "$examples/jmatpro_sample.dat" -o "$tmp/overlay"
check "overlay: succeeds" succeeded
check "overlay: a curve per file that has the property, its legend below the plot" python3 - "$tmp/out" <<'EOF'
import sys, xml.etree.ElementTree as ET
ns = "{http://www.w3.org/2000/svg}"
paths = open(sys.argv[1]).read().split()
assert len(paths) == 15, paths
for path in paths:
    root = ET.parse(path).getroot()
    curves = [e for e in root.iter() if e.get("class") == "curve"]
    legend = [t for g in root.iter(ns + "g") if g.get("class") == "legend" for t in g.iter(ns + "text")]
    bottom = int([e for e in root.iter(ns + "polyline") if e.get("class") == "border"][0].get("points").split()[2].split(",")[1])
    assert len(curves) == len(legend) >= 1, (path, len(curves), legend)
    assert all(float(t.get("y")) > bottom + 30 for t in legend), path  # under the x title
    assert {t.text for t in legend} <= {"alsi7mg.out", "jmatpro_sample.dat"}
    if path.endswith("/D-TOTAL.svg"):
        assert [t.text for t in legend] == ["alsi7mg.out", "jmatpro_sample.dat"]
        assert len({c.get("stroke") for c in curves}) == 2
EOF

check "plot: unknown name, saying which there are" fails 2 plot "$examples/alsi7mg.out" --type D-TOTALX
check "plot: ... saying which there are" grep -q 'Dynamic_viscosity' "$tmp/err"
check "plot: a single value is no curve" fails 2 plot "$examples/alsi7mg.out" --type liquidus_temperature
check "plot: the temperature axis is no property" fails 2 plot "$examples/alsi7mg.out" --type "T(C)"
check "plot: --type without a name" fails 2 plot "$examples/alsi7mg.out" --type
check "plot: -o without a folder" fails 2 plot "$examples/alsi7mg.out" -o
for bad in 600:500 500 a:600 : 500:nan; do
    check "plot: bad --range '$bad'" fails 2 plot "$examples/alsi7mg.out" --range "$bad" -o "$tmp/plots/bad"
done
check "plot: no folder made for a bad range" test ! -e "$tmp/plots/bad"
check "plot: nothing in the range" fails 1 plot "$examples/alsi7mg.out" --range 800: -o "$tmp/plots/none"
check "plot: a property the file lacks" fails 1 plot "$examples/minimal.out" --type LH-WT -o "$tmp/plots/lh"
check "plot: no folder made for a property the file lacks" test ! -e "$tmp/plots/lh"
check "plot: two files without --overlay" fails 2 plot "$examples/alsi7mg.out" "$examples/minimal.out"
check "overlay: one file only" fails 2 plot --overlay "$examples/alsi7mg.out" -o "$tmp/overlay"

# ==== compare and export ===========================================================================
# A copy of a result with its density 0.01 g/cm3 (10 kg/m^3) higher at every temperature.
awk -F '\t' -v OFS='\t' 'NR > 1 { $3 = $3 + 0.01 } { print }' "$examples/alsi7mg.out" >"$tmp/denser.out"
run compare "$examples/alsi7mg.out" "$tmp/denser.out"
check "compare: succeeds" succeeded
check "compare: density 10 kg/m^3 less over all 28 points" grep -Eq '^ +15 +Density +28 +-10(\.0+[0-9]*)? +kg/m\^3 ' "$tmp/out"
check "compare: fraction liquid the same" grep -Eq '^ +4 .* 28 +\+0 ' "$tmp/out"
check "compare: solidus and liquidus the same" sh -c "grep -Eq '^Solidus temperature +\+0 +C$' '$tmp/out' && grep -Eq '^Liquidus temperature +\+0 +C$' '$tmp/out'"
check "compare: one file only" fails 2 compare "$examples/alsi7mg.out"

run export "$examples/alsi7mg.out" --csv "$tmp/csv"
check "export: succeeds, one CSV per property" test "$rc" -eq 0 -a "$(wc -l <"$tmp/out")" -eq "$(ls "$tmp/csv" | wc -l)" -a -s "$tmp/csv/D-TOTAL.csv"
check "export: the CSVs read back as the series" json_ok "$tmp/alsi7mg.json" '
import csv, os
folder = args[0]
for s in doc["series"]:
    if "points" not in s:
        continue
    rows = list(csv.reader(open(os.path.join(folder, s["tag"] + ".csv"), newline="")))
    assert rows[0] == ["Temperature (C)", s["title"] + (" (" + s["unit"] + ")" if s["unit"] else "")], rows[0]
    assert [[float(x), float(y)] for x, y in rows[1:]] == s["points"], s["tag"]' "$tmp/csv"
check "export: without --csv" fails 2 export "$examples/alsi7mg.out"

# ==== Values that are not finite ===================================================================
# nan, inf and a number beyond single precision: counted, left out of charts, empty in CSV, null in JSON.
printf 'T(C)\tD-TOTAL\tH-WT\n600\tnan\t-inf\n550\t2.5\t1e39\n500\t2.6\t400\n450\t2.7\t380\n' >"$tmp/nonfinite.out"
run read "$tmp/nonfinite.out" --json
check "not finite: read warns with the count" grep -q '^kestrumprops: warning: .*nonfinite.out: 3 values are not a finite number' "$tmp/err"
check "not finite: JSON has null" json_ok "$tmp/out" '
assert by_type(doc, 15)[0]["points"] == [[450, 2700], [500, 2600], [550, 2500], [600, None]]
assert by_type(doc, 21)[0]["points"][2:] == [[550, None], [600, None]]'
run export "$tmp/nonfinite.out" --csv "$tmp/nonfinite"
check "not finite: export writes an empty cell" grep -qx '600,' "$tmp/nonfinite/D-TOTAL.csv"
run plot "$tmp/nonfinite.out" --raw -o "$tmp/nonfinite"
check "not finite: the chart leaves the points out of the curve and the axes" svg_ok "$tmp/nonfinite/H-WT.svg" '
assert len(curves()[0]) == 2 and texts("y-labels") and "nan" not in open(sys.argv[1]).read()
assert all(plot[1] < y < plot[3] for x, y in curves()[0]), (plot, curves())'

# ==== calc =========================================================================================
# Job folders go to a private temporary folder, so that what is left behind can be counted.
calc() { TMPDIR="$tmp/temp" run calc "$@"; }
summary() { awk -v label="$1" 'index($0, label) == 1 { print $(NF - 1) }' "$tmp/out"; }

calc --family alu --set Si=7 --set Mg=0.3 --out "$tmp/calc.out" --plot "$tmp/calc-plots"
check "calc: Al-7Si-0.3Mg succeeds quietly" succeeded
check "calc: liquidus near the handbook's 615 C" between "$(summary 'Liquidus temperature')" 595 635
check "calc: solidus near the handbook's 555 C" between "$(summary 'Solidus temperature')" 515 595
check "calc: freezing range is liquidus less solidus" awk -v r="$(summary 'Freezing')" \
    -v l="$(summary 'Liquidus temperature')" -v s="$(summary 'Solidus temperature')" 'BEGIN { d = l - s - r; exit !(r > 0 && d < 0.11 && d > -0.11) }'
check "calc: latent heat in J/kg" between "$(summary 'Total latent heat')" 300000 600000
check "calc: density at both ends of the family's range, denser when cold" awk '/^Density at 700 C/ { hot = $(NF - 1) }
    /^Density at 30 C/ { cold = $(NF - 1) } END { exit !(hot > 2000 && cold > hot && cold < 3000) }' "$tmp/out"
check "calc: the engine's output comes before the summary" test "$(grep -n '^Aluminium Alloy: Al 92.7, Mg 0.3, Si 7' "$tmp/out" | cut -d: -f1)" -gt 1
check "calc: one liquidus in the output, the derived one" test "$(grep -ci liquidus "$tmp/out")" -eq 1
check "calc: no job folder left" test "$(jobs_left)" -eq 0
check "calc: the charts are titled with the alloy" svg_ok "$tmp/calc-plots/D-TOTAL.svg" '
assert texts("title") == ["Aluminium Alloy: Al 92.7, Mg 0.3, Si 7 (wt%)"], texts("title")'
run read "$tmp/calc.out"
check "calc: --out copies a result file that reads back" succeeded
check "calc: the copy has the engine's columns (135 rows of the step less one at the solidus, five around each of liquidus and solidus)" grep -Eq ' WT-LIQUID .* 144 +30\.0 \.\. 700\.0 C$' "$tmp/out"

calc --preset "$examples/presets/ductile-iron-gjs400.vjp"
check "calc: ductile iron shows one liquidus" test "$rc" -eq 0 -a "$(grep -ci liquidus "$tmp/out")" -eq 1

# Past the range the model was checked on, the engine's warning stands after the summary too.
calc --family 0 --set Si=20
check "calc: an amount outside the checked range is calculated, and the summary says so" sh -c "[ $rc -eq 0 ] &&
    tail -1 '$tmp/out' | grep -q '^Warning: Si 20 wt% lies outside 0 to 18 wt%, the range the model was checked on'"

calc --preset "$tmp/al.vjp" --keep --start 650 --end 600 --step 10
check "calc: a preset with its range changed" succeeded
job=$(sed -n 's/^Job folder: //p' "$tmp/out")
check "calc: --keep keeps the job folder with input and result" test -s "$job/input.vjp" -a -s "$job/vuzaziza.out"
run condition show "$job/input.vjp" --json
check "calc: the input names the data beside the tool and the job folder" json_ok "$tmp/out" '
import os
assert doc["dataPath"] == os.path.join(os.path.dirname(os.path.realpath(args[0])), "dbdata") + "/", doc["dataPath"]
assert doc["resPath"] == args[1], doc["resPath"]
assert abs(doc["tempStart"] - 923.15) < 0.01 and doc["tempStep"] == -10, doc' "$prog" "$job"
rm -rf "$tmp/temp/Kestrum"

calc --preset "$examples/presets/stellite6.vjp" --start 1400
check "calc: a start below the liquidus says why liquidus and shrinkage are n/a, and which start gives them" \
    grep -Eq '^Liquidus and shrinkage are n/a: the start 1400\.0 C lies below the liquidus 14[01][0-9]\.[0-9] C; --start 14[12]0 would give them\.$' "$tmp/out"

fake_engine 'echo "Error: no luck"; exit 2'
run_fake calc --family 0
check "calc: an engine failure exits 3" test "$rc" -eq 3
check "calc: ... with the engine's exit code" grep -q 'the engine failed with exit code 2' "$tmp/err"
check "calc: ... and its last output" grep -q '^kestrumprops: engine: Error: no luck' "$tmp/err"
check "calc: ... and no job folder left" test "$(jobs_left)" -eq 0

# An engine that never ends: Ctrl-C must stop it and leave nothing behind.
fake_engine 'echo started; exec sleep 60'
rm -f "$fake/started"
TMPDIR="$tmp/temp" "$fake/kestrumprops" calc --family 0 >"$tmp/out" 2>"$tmp/err" &
tool=$!
for _ in $(seq 50); do grep -q started "$tmp/out" && break; sleep 0.1; done
kill -INT "$tool"
wait "$tool"
rc=$?
check "calc: Ctrl-C exits 3" test "$rc" -eq 3
check "calc: ... says so" grep -q 'interrupted' "$tmp/err"
check "calc: ... the engine is gone" sh -c "! kill -0 \$(cat '$fake/started') 2>/dev/null"
check "calc: ... and so is the job folder" test "$(jobs_left)" -eq 0

fake_engine 'echo nothing to do'
run_fake calc --family 0
check "calc: exit 0 without a result file exits 3" test "$rc" -eq 3
check "calc: ... naming the missing file" grep -q 'vuzaziza.out' "$tmp/err"

# Without a temporary folder (a relative TMPDIR names none) there is no job, and nothing is made in
# the current folder.
mkdir -p "$tmp/cwd"
(cd "$tmp/cwd" && TMPDIR=relative-temp "$abs_prog" calc --family 0 >"$tmp/out" 2>"$tmp/err")
rc=$?
check "calc: no temporary folder fails" test "$rc" -eq 1
check "calc: ... saying so" grep -q 'temporary folder .* cannot be found' "$tmp/err"
check "calc: ... and makes nothing in the current folder" test -z "$(ls -A "$tmp/cwd")"
check "calc: neither preset nor family" fails 2 calc
check "calc: both preset and family" fails 2 calc --preset "$tmp/al.vjp" --family 0
check "calc: a preset with --set" fails 2 calc --preset "$tmp/al.vjp" --set Si=7
check "calc: missing preset" fails 1 calc --preset "$tmp/no-such.vjp"

# ==== sweep ========================================================================================
# Every run through the real engine; job folders under this test's own temporary folder.
sweep() { TMPDIR="$tmp/temp" run sweep "$@"; }
sweep --family 0 --set Mg=0.3 --vary Si=6:7:0.5 --vary Mg=0.2:0.4:0.1 -j 2 --plot "$tmp/sweep-plots"
check "sweep: a grid of 9 succeeds, no job folder left" test "$rc" -eq 0 -a "$(jobs_left)" -eq 0
check "sweep: the CSV reads back, one row per composition, first element slowest" python3 - "$tmp/out" <<'EOF'
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
assert [(r["Si"], r["Mg"]) for r in rows] == [(si, mg) for si in ("6", "6.5", "7") for mg in ("0.2", "0.3", "0.4")], rows
for r in rows:
    assert r["error"] == "" and 540 < float(r["solidus (C)"]) < float(r["liquidus (C)"]) < 640, r
    assert abs(float(r["liquidus (C)"]) - float(r["solidus (C)"]) - float(r["freezing_range (K)"])) < 0.01, r
# More silicon lowers the liquidus of a hypoeutectic Al-Si alloy.
assert float(rows[0]["liquidus (C)"]) > float(rows[6]["liquidus (C)"]), rows
EOF
check "sweep: the spread on standard error" grep -Eq '^liquidus +6[0-9.]+ +6[0-9.]+ +C$' "$tmp/err"
check "sweep: one well-formed chart per value and varied element" python3 - "$tmp/sweep-plots" <<'EOF'
import os, sys, xml.etree.ElementTree as ET
names = sorted(n for n in os.listdir(sys.argv[1]))
values = ["solidus", "liquidus", "freezing_range", "latent_heat", "shrinkage", "density_start", "density_end"]
assert names == sorted(v + "-" + e + ".svg" for v in values for e in ("Si", "Mg")), names
for name in names:
    ET.parse(os.path.join(sys.argv[1], name))
EOF
check "sweep: over Mg, one line per Si with a legend, not a zig-zag" svg_ok "$tmp/sweep-plots/shrinkage-Mg.svg" '
assert len(curves()) == 3 and all(len(c) == 3 for c in curves()), curves()
assert all(c[0][0] < c[1][0] < c[2][0] for c in curves()), curves()
assert texts("legend") == ["Si 6", "Si 6.5", "Si 7"] and texts("title") == ["Aluminium Alloy; Si and Mg varied"]
assert texts("x-title") == ["Mg (wt%)"] and texts("y-title") == ["Solidification shrinkage (%)"]
# Mg 0.2 to 0.4 ticks every 0.02; the labels run every 0.04, apart.
labels = texts("x-labels")
assert labels[:2] == ["0.2", "0.24"] and len(labels) <= 6, labels'
sweep --family 0 --samples 5 --seed 7 --vary Si=6.5:7.5 --vary Mg=0.25:0.45 --json -o "$tmp/sweep1.json" --plot "$tmp/samples"
sweep --family 0 --samples 5 --seed 7 --vary Si=6.5:7.5 --vary Mg=0.25:0.45 --json -o "$tmp/sweep2.json" -j 1
check "sweep: seeded samples inside the ranges, the same with any -j" json_ok "$tmp/sweep1.json" '
rows = doc["rows"]
assert len(rows) == 5 and doc["elements"] == ["Si", "Mg"]
assert all(6.5 <= r["composition"]["Si"] <= 7.5 and 0.25 <= r["composition"]["Mg"] <= 0.45 for r in rows), rows
assert all(r["error"] is None and r["solidus"] < r["liquidus"] for r in rows), rows
other = json.load(open(args[0]))
assert [r["composition"] for r in other["rows"]] == [r["composition"] for r in rows]' "$tmp/sweep2.json"
check "sweep: samples are drawn as points, not joined" svg_ok "$tmp/samples/liquidus-Si.svg" '
assert curves() == [] and len([r for g in svg.iter() if g.get("class") == "symbols" for r in g]) == 5'

# Outside the ranges the model was checked on: calculated, and the row says so; far outside: refused.
sweep --family 0 --set Mg=0.3 --vary Si=17:19:2 -o "$tmp/ranges.csv"
check "sweep: a composition outside the checked range is marked in its row" python3 - "$tmp/ranges.csv" <<'EOF'
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
assert [r["warning"] for r in rows] == ["", "Si 19 wt% outside 0 to 18 wt%"], rows
assert all(r["error"] == "" and r["liquidus (C)"] for r in rows), rows
EOF
sweep --family 0 --set Mg=0.3 --vary Si=20:95:5
check "sweep: silicon at 30 % in an aluminium alloy is refused before any engine starts" \
    sh -c "[ $rc -eq 2 ] && grep -q 'Si 30: Si 30 wt% lies above 25 wt%, where the model' '$tmp/err' && [ $(jobs_left) -eq 0 ]"

# Engines that fail: each composition's row says why, the others go on, nothing is left behind.
fake_engine 'echo nothing to do'
run_fake sweep --family 0 --vary Si=6:7:0.5 -j 2
check "sweep: failed compositions exit 3, the table still written" test "$rc" -eq 3 -a "$(grep -c 'vuzaziza.out' "$tmp/out")" -eq 3
check "sweep: ... and no job folder left" test "$(jobs_left)" -eq 0

# Ctrl-C after three compositions: the engine runs the first three, then hangs. The table keeps the
# three and marks the other eight, in the -o file too.
fake_engine "[ \$(wc -l <'$fake/started') -le 3 ] && exec '$real_engine' \"\$@\"; exec sleep 60"
rm -f "$fake/started"
TMPDIR="$tmp/temp" "$fake/kestrumprops" sweep --family 0 --vary Si=6:7.5:0.25 --vary Mg=0.2:0.3:0.1 -j 1 -o "$tmp/cut.csv" \
    >"$tmp/out" 2>"$tmp/err" &
tool=$!
for _ in $(seq 100); do [ "$(cat "$fake/started" 2>/dev/null | wc -l)" -ge 4 ] && break; sleep 0.1; done
sleep 0.2
kill -INT "$tool"
wait "$tool"
rc=$?
check "sweep: Ctrl-C exits 3 and says so" test "$rc" -eq 3 -a "$(grep -c interrupted "$tmp/err")" -eq 1
check "sweep: ... the finished rows written, the others marked" python3 - "$tmp/cut.csv" <<'EOF'
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
assert len(rows) == 14, rows
assert all(r["error"] == "" and float(r["liquidus (C)"]) > 500 for r in rows[:3]), rows[:3]
assert all(r["error"] == "interrupted" and r["liquidus (C)"] == "" for r in rows[3:]), rows[3:]
EOF
check "sweep: ... the hanging engine gone" sh -c "for p in \$(tail -n 1 '$fake/started'); do ! kill -0 \$p 2>/dev/null || exit 1; done"
check "sweep: ... and no job folder left" test "$(jobs_left)" -eq 0

check "sweep: a bad range" fails 2 sweep --family 0 --vary Si=7:6:0.5
check "sweep: the base element" fails 2 sweep --family 0 --vary Al=80:90:5
check "sweep: nothing varied" fails 2 sweep --family 0
check "sweep: more than 100 000 compositions are refused before any runs" fails 2 sweep --family 0 --vary Si=0:10:0.0001

# ==== Misuse by kind: errors before work, one line ==================================================

check "misuse: no arguments" fails 2
check "misuse: unknown command" fails 2 frobnicate "$examples/minimal.out"
check "misuse: missing file argument" fails 2 read
check "misuse: unknown option" fails 2 read --bogus "$examples/minimal.out"
check "misuse: option of the other command" fails 2 convert "$examples/jmatpro_sample.dat" --json
check "misuse: -o without a name" fails 2 convert "$examples/jmatpro_sample.dat" -o
check "misuse: calc --out with an empty name" fails 2 calc --family 0 --out ""
check "misuse: sweep -o with an empty name" fails 2 sweep --family 0 --vary Si=6:7:1 -o ""
check "misuse: two files" fails 2 read "$examples/minimal.out" "$examples/alsi7mg.out"
check "misuse: missing file" fails 1 read "$tmp/no-such.out"
check "misuse: a folder" fails 1 read "$tmp/folder"

# --- Not a result file: no column heading the module knows, in every command that reads one ---------
head -c 3000 "$abs_prog" >"$tmp/binary"
: >"$tmp/empty.out"
printf 'Hardness\tColour\n1\t2\n' >"$tmp/unknown.out"
for file in binary empty.out unknown.out; do
    f=$tmp/$file
    check "not a result file: read $file" fails 1 read "$f"
    check "not a result file: ... saying so" grep -q "$file: not a result file" "$tmp/err"
    check "not a result file: read --json $file" fails 1 read "$f" --json
    check "not a result file: convert $file" fails 1 convert "$f" -o "$tmp/nrf.out"
    check "not a result file: compare $file first" fails 1 compare "$f" "$examples/alsi7mg.out"
    check "not a result file: compare $file second" fails 1 compare "$examples/alsi7mg.out" "$f"
    check "not a result file: export $file" fails 1 export "$f" --csv "$tmp/nrf"
    check "not a result file: plot $file" fails 1 plot "$f" -o "$tmp/nrf"
    check "not a result file: plot --overlay $file" fails 1 plot --overlay "$examples/alsi7mg.out" "$f" -o "$tmp/nrf"
done
check "not a result file: nothing written, no folder made" test ! -e "$tmp/nrf.out" -a ! -e "$tmp/nrf"

# --- Ranges, families and compositions the engine would refuse: found before it starts --------------
fake_engine 'exit 0'
for bad in "--start 500 --end 600" "--start 20" "--end -300" "--step 0.0001" "--family 3" "--family 9"; do
    run_fake calc --family 0 $bad
    check "before the engine: calc $bad" sh -c "[ $rc -eq 2 ] && [ \$(wc -l <'$tmp/err') -eq 1 ] && [ ! -e '$fake/started' ]"
    run_fake sweep --family 0 $bad --vary Si=6:7:0.5
    check "before the engine: sweep $bad" sh -c "[ $rc -eq 2 ] && [ \$(wc -l <'$tmp/err') -eq 1 ] && [ ! -e '$fake/started' ]"
done
run_fake calc --family 0 --start 500 --end 600
check "before the engine: in the units the user typed" grep -qx "kestrumprops: --start 500 C is not above --end 600 C: .*" "$tmp/err"
run_fake calc --preset "$tmp/al.vjp" --end 750
check "before the engine: a preset's value named as such" grep -q "the preset's start 700 C is not above --end 750 C" "$tmp/err"
run_fake sweep --family 0 --vary Zn=50:50:1 --vary Sn=50:50:1
check "before the engine: a composition leaving nothing for the base" sh -c "[ $rc -eq 2 ] && [ ! -e '$fake/started' ]"
check "before the engine: ... named" grep -q 'Zn 50, Sn 50: the other elements leave nothing for the base element Al' "$tmp/err"

# --- Outputs that cannot be written: found before the engine starts, with the system's reason -------
: >"$tmp/afile"
fake_engine 'exit 0'
for bad in "calc --family 0 --out $tmp/missing/x.out" "calc --family 0 --out $tmp/afile/x.out" \
    "calc --family 0 --out $tmp/folder" "calc --family 0 --plot $tmp/afile/plots" \
    "sweep --family 0 --vary Si=6:7:0.5 -o $tmp/nodir/x.csv" "sweep --family 0 --vary Si=6:7:0.5 --plot $tmp/afile/p"; do
    run_fake $bad
    check "unwritable output: $bad" sh -c "[ $rc -eq 1 ] && [ \$(wc -l <'$tmp/err') -eq 1 ] && [ ! -e '$fake/started' ]"
done
check "unwritable output: nothing left of the check" test ! -e "$tmp/missing" -a ! -e "$tmp/nodir"
check "unwritable output: condition new into a file, with the reason" fails 1 condition new --family 0 -o "$tmp/afile/x.vjp"
check "unwritable output: ... the system's reason" grep -q "cannot write $tmp/afile/x.vjp: Not a directory" "$tmp/err"
check "unwritable output: convert into a missing folder" fails 1 convert "$examples/jmatpro_sample.dat" -o "$tmp/none/x.out"
check "unwritable output: plot into a file" fails 1 plot "$examples/minimal.out" -o "$tmp/empty.out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
