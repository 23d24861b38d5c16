#!/usr/bin/env bash
# Runs kestrumprops as a user would: reads the examples as tables and JSON, converts JMatPro output and
# reads it back, writes and shows material condition documents, and checks that misuse fails with one
# clear line.
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

# --- The table -----------------------------------------------------------------------------------

run read "$examples/alsi7mg.out"
check "alsi7mg: read succeeds quietly" succeeded
check "alsi7mg: solidus of an Al-7Si alloy" between "$(derived 'Solidus')" 550 565
check "alsi7mg: liquidus of an Al-7Si alloy" between "$(derived 'Liquidus')" 608 618
check "alsi7mg: latent heat in J/kg" between "$(derived 'Latent Heat')" 380000 400000
check "alsi7mg: solidification shrinkage in %" between "$(derived 'Shrinkage')" 5 8
check "alsi7mg: table shows the derived values of the JSON output" json_ok <("$prog" read "$examples/alsi7mg.out" --json) '
value = lambda t, i: by_type(doc, t)[0]["points"][0][i]
shown = ["%.1f" % value(30, 0), "%.1f" % value(31, 0), "%.6g" % value(32, 1), "%.6g" % value(34, 1)]
assert args == shown, (args, shown)' "$(derived 'Solidus')" "$(derived 'Liquidus')" "$(derived 'Latent')" "$(derived 'Shrinkage')"
check "alsi7mg: density row with its unit and point count" grep -Eq '^ +15 +D-TOTAL .* kg/m\^3 +28 +450\.0 \.\. 700\.0' "$tmp/out"

run read "$examples/jmatpro_sample.dat"
check "jmatpro: .dat read as JMatPro output" succeeded
check "jmatpro: kelvin shown as Celsius" grep -Eq '^ +4 +Fraction liquid \(wt\)-LIQUID .* 21 +499\.9 \.\. 649\.8 C$' "$tmp/out"
check "jmatpro: solidus" between "$(derived 'Solidus')" 550 562
check "jmatpro: liquidus" between "$(derived 'Liquidus')" 590 600

run read "$examples/minimal.out"
check "minimal: read succeeds" succeeded
check "minimal: solidus and liquidus found" between "$(derived 'Solidus')" 560 600
check "minimal: no latent heat column gives n/a" grep -Eq 'Latent Heat +n/a$' "$tmp/out"
check "minimal: no molar volume gives no shrinkage" grep -Eq 'Shrinkage +n/a$' "$tmp/out"

# --- JSON ----------------------------------------------------------------------------------------

run read "$examples/alsi7mg.out" --json
check "json: read succeeds" succeeded
cp "$tmp/out" "$tmp/alsi7mg.json"
check "json: one object, one line, series fields" json_ok "$tmp/alsi7mg.json" '
assert text.endswith("}\n") and text.count("\n") == 1
assert list(doc) == ["series"]
for s in doc["series"]:
    assert list(s) == ["exportFlag", "xDataType", "dataType", "name", "points"], s.keys()
    assert s["xDataType"] == 2 and all(len(p) == 2 for p in s["points"])'
check "json: columns in file order, then the derived series" json_ok "$tmp/alsi7mg.json" '
heading = args[0].split()
names = [s["name"] for s in doc["series"]]
assert names[:len(heading) - 1] == heading[1:], names
assert {30, 31, 32, 33, 34, 35} <= {s["dataType"] for s in doc["series"]}' "$(head -n 1 "$examples/alsi7mg.out")"
check "json: missing values left out, points sorted by temperature" json_ok "$tmp/alsi7mg.json" '
assert len(by_type(doc, 4)[0]["points"]) == 28
assert len(by_type(doc, 18)[0]["points"]) == 21
for s in doc["series"]:
    xs = [p[0] for p in s["points"]]
    assert xs == sorted(xs), s["name"]
    assert all(abs(p[1] + 123456789) > 1 for p in s["points"]), s["name"]'
check "json: every number is a float in 9 significant digits" json_ok "$tmp/alsi7mg.json" '
raw = json.loads(text, parse_float=str, parse_int=str)
for s in raw["series"]:
    for p in s["points"]:
        for t in p:
            assert "%.9g" % f32(float(t)) == t, t'
check "json: density 2.3812 g/cm3 reads back exactly as kg/m3" json_ok "$tmp/alsi7mg.json" '
top = by_type(doc, 15)[0]["points"][-1]
assert top[0] == 700 and f32(top[1]) == f32(f32(2.3812) * 1000), top'

# Names come from JMatPro headings verbatim, so they can hold anything JSON must escape.
printf 'Escapes\nT (C)\tDensity (g/(cm)^3)-TOTAL "q" \\b\001 \317\201\tFraction liquid (wt)-LIQUID\n600\t2.4\t1\n500\t2.5\t0\n' \
    >"$tmp/escapes.dat"
run read "$tmp/escapes.dat" --json
check "json: names escaped and UTF-8" json_ok "$tmp/out" '
assert doc["series"][0]["name"] == "Density (g/(cm)^3)-TOTAL \"q\" \\b\x01 \u03c1", doc["series"][0]["name"]'

printf 'T(C)\tD-TOTAL\tH-WT\n600\tnan\t-inf\n500\t2.5\tinf\n' >"$tmp/nonfinite.out"
run read "$tmp/nonfinite.out" --json
check "json: non-finite values are null" json_ok "$tmp/out" '
assert by_type(doc, 15)[0]["points"] == [[500, 2500], [600, None]]
assert by_type(doc, 21)[0]["points"] == [[500, None], [600, None]]'

# --- Choosing the format -------------------------------------------------------------------------

"$prog" read "$examples/jmatpro_sample.dat" --json >"$tmp/jmatpro.json" 2>"$tmp/err"
cp "$examples/jmatpro_sample.dat" "$tmp/SAMPLE.DAT"
cp "$examples/jmatpro_sample.dat" "$tmp/sample.txt"
run read "$tmp/SAMPLE.DAT" --json
check "format: .DAT in capitals is JMatPro output" cmp -s "$tmp/out" "$tmp/jmatpro.json"
run read "$tmp/sample.txt" --jmatpro --json
check "format: --jmatpro for any name" cmp -s "$tmp/out" "$tmp/jmatpro.json"
run read "$tmp/sample.txt" --json
check "format: other names are the engine's format" test "$rc" -ne 0 -o -n "$(cmp "$tmp/out" "$tmp/jmatpro.json" 2>&1)"

# --- Converting ----------------------------------------------------------------------------------

cp "$examples/jmatpro_sample.dat" "$tmp/Größe ü.dat"
run convert "$tmp/Größe ü.dat"
check "convert: prints the default output path" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "$tmp/Größe ü.dat.out"
check "convert: warns about viscosities missing below the solidus" grep -q 'warning: .*Liquid viscosity (mPa s)-, Total viscosity (mPa s)-$' "$tmp/err"
run read "$tmp/Größe ü.dat.out" --json
check "convert: output reads as an engine file" test "$rc" -eq 0
check "convert: written series match the original" json_ok "$tmp/out" '
orig = json.load(open(args[0]))
rows = max(len(s["points"]) for s in orig["series"])
complete = [s["dataType"] for s in orig["series"] if s["dataType"] < 30 and len(s["points"]) == rows]
assert [s["dataType"] for s in doc["series"] if s["dataType"] < 30] == complete
assert len(doc["series"]) == len(complete) + 5
for s in doc["series"]:
    o = by_type(orig, s["dataType"])[0]
    assert len(s["points"]) == len(o["points"]), s["name"]
    for (x, y), (ox, oy) in zip(s["points"], o["points"]):
        assert abs(x - ox) < 1e-3 and abs(y - oy) <= 2e-5 * abs(oy) + 1e-6, (s["name"], x, y, ox, oy)' \
    "$tmp/jmatpro.json"

run convert "$examples/jmatpro_sample.dat" -o "$tmp/chosen.out"
check "convert: -o names the output" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "$tmp/chosen.out" -a -s "$tmp/chosen.out"

# --- Material condition documents ------------------------------------------------------------------

run condition new --family 0 --set Si=7 --set mg=0.3 --set 4=0 --start 700 -o "$tmp/al.vjp"
check "condition new: prints the path written" test "$rc" -eq 0 -a ! -s "$tmp/err" -a "$(cat "$tmp/out")" = "$tmp/al.vjp"
run condition show "$tmp/al.vjp" --json
check "condition show --json: succeeds" succeeded
check "condition: new then show gives the record, as the input dialog stores it" json_ok "$tmp/out" '
assert text.endswith("}\n") and text.count("\n") == 1
assert list(doc) == ["materialType", "tempStart", "tempEnd", "tempStep", "fractionLimit", "graphiteType",
    "pearlitic", "pbSearch", "fastInterStitial", "allPhases", "phases", "compositions", "dataPath", "resPath"]
raw = json.loads(text, parse_float=str, parse_int=str)
assert raw["tempStart"] == "%.9g" % f32(f32(700) + 273.15) == "973.150024", raw["tempStart"]
# Not given: the family defaults, 27 C, a step of 5 and a fraction limit of 0.01.
assert raw["tempEnd"] == "%.9g" % f32(300.15) and raw["fractionLimit"] == "%.9g" % f32(0.01)
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
# --- Plots ---------------------------------------------------------------------------------------

run plot "$examples/alsi7mg.out" -o "$tmp/plots/new"
cp "$tmp/out" "$tmp/plots.txt"
check "plot: writes one file per property into a new folder" succeeded
check "plot: the files listed, each well-formed SVG of the graph control's size" python3 - "$tmp/plots.txt" <<'EOF'
import os, sys, xml.etree.ElementTree as ET
paths = open(sys.argv[1], encoding="utf-8").read().split("\n")[:-1]
# Every series but the temperature axis, which an engine file does not list as a series.
assert len(paths) == 19 and len(set(paths)) == 19, paths
assert os.path.basename(paths[1]) == "D-TOTAL.svg" and "Liquidus_Temperature.svg" in map(os.path.basename, paths)
for path in paths:
    root = ET.parse(path).getroot()
    assert root.tag == "{http://www.w3.org/2000/svg}svg", path
    assert (root.get("width"), root.get("height")) == ("324", "317"), path
EOF
# The tick labels of the density as the graph control computes them, in single precision, from the
# extents of the points (the thinned curve keeps the ends of this monotonic series).
check "plot: density tick labels" json_ok "$tmp/alsi7mg.json" '
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
assert texts("y-title") == ["Density alloy[kg/m^3]"] and texts("x-title") == ["Temperture (C)"]' \
    "$tmp/plots/new/D-TOTAL.svg"

abs_prog=$(realpath "$prog")
abs_examples=$(realpath "$examples")
(cd "$tmp" && "$abs_prog" plot "$abs_examples/jmatpro_sample.dat" --type D-TOTAL >"$tmp/out" 2>"$tmp/err")
rc=$?
check "plot: JMatPro output by its name, one property, into the current folder" \
    test "$rc" -eq 0 -a "$(cat "$tmp/out")" = "D-TOTAL.svg" -a -s "$tmp/D-TOTAL.svg" -a ! -s "$tmp/err"

# --- Misuse: one line on standard error, nothing on standard output ------------------------------

mkdir "$tmp/folder"
: >"$tmp/empty.out"
fails() { # fails STATUS ARGS...
    local status=$1
    shift
    run "$@"
    [ "$rc" -eq "$status" ] && [ ! -s "$tmp/out" ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] &&
        grep -q '^kestrumprops: ' "$tmp/err"
}
check "misuse: no arguments" fails 2
check "misuse: unknown command" fails 2 frobnicate "$examples/minimal.out"
check "misuse: missing file argument" fails 2 read
check "misuse: unknown option" fails 2 read --bogus "$examples/minimal.out"
check "misuse: option of the other command" fails 2 convert "$examples/jmatpro_sample.dat" --json
check "misuse: -o without a name" fails 2 convert "$examples/jmatpro_sample.dat" -o
check "misuse: two files" fails 2 read "$examples/minimal.out" "$examples/alsi7mg.out"
check "misuse: missing file" fails 1 read "$tmp/no-such.out"
check "misuse: a folder" fails 1 read "$tmp/folder"
check "misuse: an empty file has nothing to plot" fails 1 plot "$tmp/empty.out" -o "$tmp/empty-plots"
check "misuse: output folder missing" fails 1 convert "$examples/jmatpro_sample.dat" -o "$tmp/none/x.out"
check "plot: unknown tag" fails 2 plot "$examples/alsi7mg.out" --type D-TOTALX
check "plot: the temperature axis is no property" fails 2 plot "$examples/alsi7mg.out" --type "T(C)"
check "plot: --type without a tag" fails 2 plot "$examples/alsi7mg.out" --type
check "plot: -o without a folder" fails 2 plot "$examples/alsi7mg.out" -o
check "plot: missing file" fails 1 plot "$tmp/no-such.out" -o "$tmp/plots/none"
check "plot: a property the file lacks" fails 1 plot "$examples/minimal.out" --type LH-WT -o "$tmp/plots/lh"
check "plot: no folder made for a property the file lacks" test ! -e "$tmp/plots/lh"
check "plot: a file in place of the folder" fails 1 plot "$examples/minimal.out" -o "$tmp/empty.out"
check "condition: a result file is no document" fails 1 condition show "$examples/minimal.out"
check "condition: a required part missing" fails 1 condition show "$tmp/partial.vjp" --json
check "condition: root in another case" fails 1 condition show "$tmp/lower.vjp"
check "condition: bytes the declared encoding cannot convert" fails 1 condition show "$tmp/encoding.vjp"
check "condition: missing document" fails 1 condition show "$tmp/no-such.vjp"
check "condition: a folder" fails 1 condition show "$tmp/folder"
check "condition: no subcommand" fails 2 condition
check "condition: unknown subcommand" fails 2 condition edit "$tmp/al.vjp"
check "condition: unknown option" fails 2 condition show "$tmp/al.vjp" --jmatpro
new_args() { echo --family 0 --set Si=7 -o "$tmp/n.vjp"; }
run condition new $(new_args)
check "condition new: the arguments below start from a valid set" test "$rc" -eq 0 -a -s "$tmp/n.vjp"
for bad in "--start 1,5" "--start abc" "--step 0" "--step -5" "--family 11" "--family x" "--set 43=1" \
    "--set Xx=1" "--set Au=1" "--set Al=90" "--set Cu=93" "--set Si=101" "--set Si" "--graphite 0" \
    "--ferritic" "--fraction-limit nan" "--bogus"; do
    check "condition new: bad '$bad'" fails 2 condition new $(new_args) $bad
done
for missing in --family -o; do
    args=$(new_args | sed "s/$missing [^ ]*//")
    check "condition new: without $missing" fails 2 condition new $args
done
check "condition new: folder missing" fails 1 condition new --family 0 -o "$tmp/none/x.vjp"

# --- Calculation ---------------------------------------------------------------------------------
# Job folders go to a private temporary folder, so that what is left behind can be counted.
mkdir -p "$tmp/temp"
calc() { TMPDIR="$tmp/temp" run calc "$@"; }
jobs_left() { find "$tmp/temp/Kestrum" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }
summary() { awk -v label="$1" 'index($0, label) == 1 { print $(NF - 1) }' "$tmp/out"; }

calc --family alu --set Si=7 --set Mg=0.3 --out "$tmp/calc.out"
check "calc: Al-7Si-0.3Mg succeeds quietly" succeeded
check "calc: liquidus near the handbook's 615 C" between "$(summary 'Liquidus Temperature')" 595 635
check "calc: solidus near the handbook's 555 C" between "$(summary 'Solidus Temperature')" 515 595
check "calc: freezing range is liquidus less solidus" awk -v r="$(summary 'Freezing')" \
    -v l="$(summary 'Liquidus Temperature')" -v s="$(summary 'Solidus Temperature')" 'BEGIN { d = l - s - r; exit !(r > 0 && d < 0.11 && d > -0.11) }'
check "calc: density at both ends of the family's range, denser when cold" awk '/^Density at 700 C/ { hot = $(NF - 1) }
    /^Density at 30 C/ { cold = $(NF - 1) } END { exit !(hot > 2000 && cold > hot && cold < 3000) }' "$tmp/out"
check "calc: the engine's output comes before the summary" test "$(grep -n '^Aluminium Alloy: Al 92.7, Mg 0.3, Si 7' "$tmp/out" | cut -d: -f1)" -gt 1
check "calc: no job folder left" test "$(jobs_left)" -eq 0
run read "$tmp/calc.out"
check "calc: --out copies a result file that reads back" succeeded
check "calc: the copy has the engine's columns (135 rows of the step less one at the solidus, five around each of liquidus and solidus)" grep -Eq ' WT-LIQUID .* 144 +30\.0 \.\. 700\.0 C$' "$tmp/out"

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

calc --family 3
check "calc: an engine failure exits 3" test "$rc" -eq 3
check "calc: ... with the engine's exit code" grep -q 'the engine failed with exit code 2' "$tmp/err"
check "calc: ... and its last output" grep -q '^kestrumprops: engine: ' "$tmp/err"
check "calc: ... and no job folder left" test "$(jobs_left)" -eq 0
check "calc: neither preset nor family" fails 2 calc
check "calc: both preset and family" fails 2 calc --preset "$tmp/al.vjp" --family 0
check "calc: a preset with --set" fails 2 calc --preset "$tmp/al.vjp" --set Si=7
check "calc: missing preset" fails 1 calc --preset "$tmp/no-such.vjp"

# An engine that never ends: Ctrl-C must stop it and leave nothing behind. The tool runs the engine
# beside itself, so a copy of the tool gets a stand-in.
mkdir -p "$tmp/slow"
cp "$prog" "$tmp/slow/kestrumprops"
printf '#!/bin/sh\necho $$ >"%s"\necho started\nexec sleep 60\n' "$tmp/slow/engine.pid" >"$tmp/slow/kestrum"
chmod +x "$tmp/slow/kestrum"
TMPDIR="$tmp/temp" "$tmp/slow/kestrumprops" calc --family 0 >"$tmp/out" 2>"$tmp/err" &
tool=$!
for _ in $(seq 50); do grep -q started "$tmp/out" && break; sleep 0.1; done
kill -INT "$tool"
wait "$tool"
rc=$?
check "calc: Ctrl-C exits 3" test "$rc" -eq 3
check "calc: ... says so" grep -q 'interrupted' "$tmp/err"
check "calc: ... the engine is gone" sh -c "! kill -0 \$(cat '$tmp/slow/engine.pid') 2>/dev/null"
check "calc: ... and so is the job folder" test "$(jobs_left)" -eq 0

# An engine that ends well without writing its result.
printf '#!/bin/sh\necho nothing to do\n' >"$tmp/slow/kestrum"
run_tool() { "$tmp/slow/kestrumprops" "$@" >"$tmp/out" 2>"$tmp/err"; rc=$?; }
TMPDIR="$tmp/temp" run_tool calc --family 0
check "calc: exit 0 without a result file exits 3" test "$rc" -eq 3
check "calc: ... naming the missing file" grep -q 'vuzaziza.out' "$tmp/err"

for help in --help -h "read --help"; do
    run $help
    check "help: '$help' prints usage" test "$rc" -eq 0 -a ! -s "$tmp/err" -a "$(head -c 6 "$tmp/out")" = "Usage:"
done

# A document type declaration is refused, and the message says so.
printf '<!DOCTYPE MaterialCondition>\n<MaterialCondition/>\n' >"$tmp/doctype.vjp"
check "condition show: a document type declaration is refused" fails 1 condition show "$tmp/doctype.vjp"
check "condition show: ... saying so" grep -q 'document type declaration .* is refused' "$tmp/err"

# An empty result file reads as the module reads it: a set without series, with a warning.
run read "$tmp/empty.out"
check "read: an empty file succeeds with a warning" test "$rc" -eq 0 -a "$(grep -c '^kestrumprops: warning: .*no property series' "$tmp/err")" -eq 1
check "read: ... and shows no series" grep -q '(engine result file): 0 series$' "$tmp/out"
run read "$tmp/empty.out" --json
check "read: ... as an empty series list in JSON" test "$rc" -eq 0 -a "$(cat "$tmp/out")" = '{"series":[]}'

calc --preset "$examples/presets/stellite6.vjp" --start 1400
check "calc: a start below the liquidus says why liquidus and shrinkage are n/a, and which start gives them" \
    grep -Eq '^Liquidus and shrinkage are n/a: the start 1400\.0 C lies below the liquidus 14[01][0-9]\.[0-9] C; --start 14[12]0 would give them\.$' "$tmp/out"

# Without a temporary folder (a relative TMPDIR names none) there is no job, and nothing is made in
# the current folder.
mkdir -p "$tmp/cwd"
absprog=$(cd "$(dirname "$prog")" && pwd)/$(basename "$prog")
(cd "$tmp/cwd" && TMPDIR=relative-temp "$absprog" calc --family 0 >"$tmp/out" 2>"$tmp/err")
rc=$?
check "calc: no temporary folder fails" test "$rc" -eq 1
check "calc: ... saying so" grep -q 'temporary folder .* cannot be found' "$tmp/err"
check "calc: ... and makes nothing in the current folder" test -z "$(ls -A "$tmp/cwd")"

# --- Sweeps --------------------------------------------------------------------------------------
# Every run through the real engine; job folders under this test's own temporary folder.
sweep() { TMPDIR="$tmp/temp" run sweep "$@"; }
sweep --family 0 --set Mg=0.3 --vary Si=6:7:0.5 --vary Mg=0.2:0.4:0.2 -j 2 --plot "$tmp/sweep-plots"
check "sweep: a grid of 6 succeeds, no job folder left" test "$rc" -eq 0 -a "$(jobs_left)" -eq 0
check "sweep: the CSV reads back, one row per composition, first element slowest" python3 - "$tmp/out" <<'EOF'
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
assert [(r["Si"], r["Mg"]) for r in rows] == [(si, mg) for si in ("6", "6.5", "7") for mg in ("0.2", "0.4")], rows
for r in rows:
    assert r["error"] == "" and 540 < float(r["solidus (C)"]) < float(r["liquidus (C)"]) < 640, r
    assert abs(float(r["liquidus (C)"]) - float(r["solidus (C)"]) - float(r["freezing_range (K)"])) < 0.01, r
# More silicon lowers the liquidus of a hypoeutectic Al-Si alloy.
assert float(rows[0]["liquidus (C)"]) > float(rows[4]["liquidus (C)"]), rows
EOF
check "sweep: the spread on standard error" grep -Eq '^liquidus +6[0-9.]+ +6[0-9.]+ +C$' "$tmp/err"
check "sweep: one well-formed chart per value and varied element" python3 - "$tmp/sweep-plots" <<'EOF'
import os, sys, xml.etree.ElementTree as ET
names = sorted(os.listdir(sys.argv[1]))
values = ["solidus", "liquidus", "freezing_range", "latent_heat", "shrinkage", "density_start", "density_end"]
assert names == sorted(v + "-" + e + ".svg" for v in values for e in ("Si", "Mg")), names
for name in names:
    ET.parse(os.path.join(sys.argv[1], name))
EOF
sweep --family 0 --samples 5 --seed 7 --vary Si=6.5:7.5 --vary Mg=0.25:0.45 --json -o "$tmp/sweep1.json"
sweep --family 0 --samples 5 --seed 7 --vary Si=6.5:7.5 --vary Mg=0.25:0.45 --json -o "$tmp/sweep2.json" -j 1
check "sweep: seeded samples inside the ranges, the same with any -j" json_ok "$tmp/sweep1.json" '
rows = doc["rows"]
assert len(rows) == 5 and doc["elements"] == ["Si", "Mg"]
assert all(6.5 <= r["composition"]["Si"] <= 7.5 and 0.25 <= r["composition"]["Mg"] <= 0.45 for r in rows), rows
assert all(r["error"] is None and r["solidus"] < r["liquidus"] for r in rows), rows
other = json.load(open(args[0]))
assert [r["composition"] for r in other["rows"]] == [r["composition"] for r in rows]' "$tmp/sweep2.json"
check "sweep: a bad range" fails 2 sweep --family 0 --vary Si=7:6:0.5
check "sweep: the base element" fails 2 sweep --family 0 --vary Al=80:90:5
check "sweep: nothing varied" fails 2 sweep --family 0
check "sweep: more than 100 000 compositions are refused before any runs" fails 2 sweep --family 0 --vary Si=0:10:0.0001

# Engines that fail: each composition's row says why, the others go on, nothing is left behind.
printf '#!/bin/sh\necho nothing to do\n' >"$tmp/slow/kestrum"
TMPDIR="$tmp/temp" run_tool sweep --family 0 --vary Si=6:7:0.5 -j 2
check "sweep: failed compositions exit 3, the table still written" test "$rc" -eq 3 -a "$(grep -c 'vuzaziza.out' "$tmp/out")" -eq 3
check "sweep: ... and no job folder left" test "$(jobs_left)" -eq 0

# Ctrl-C with two engines running: both end, and so do their job folders.
printf '#!/bin/sh\necho $$ >>"%s"\nexec sleep 60\n' "$tmp/slow/engines.pid" >"$tmp/slow/kestrum"
TMPDIR="$tmp/temp" "$tmp/slow/kestrumprops" sweep --family 0 --vary Si=6:7:0.25 -j 2 >"$tmp/out" 2>"$tmp/err" &
tool=$!
for _ in $(seq 50); do [ "$(cat "$tmp/slow/engines.pid" 2>/dev/null | wc -l)" -ge 2 ] && break; sleep 0.1; done
kill -INT "$tool"
wait "$tool"
rc=$?
check "sweep: Ctrl-C exits 3 and says so" test "$rc" -eq 3 -a "$(grep -c interrupted "$tmp/err")" -eq 1
check "sweep: ... with two engines started" test "$(wc -l <"$tmp/slow/engines.pid")" -eq 2
check "sweep: ... both gone" sh -c "for p in \$(cat '$tmp/slow/engines.pid'); do ! kill -0 \$p 2>/dev/null || exit 1; done"
check "sweep: ... and no job folder left" test "$(jobs_left)" -eq 0

# --- Compare and export ---------------------------------------------------------------------------
# A copy of a result with its density 0.01 g/cm3 (10 kg/m^3) higher at every temperature.
awk -F '\t' -v OFS='\t' 'NR > 1 { $3 = $3 + 0.01 } { print }' "$examples/alsi7mg.out" >"$tmp/denser.out"
run compare "$examples/alsi7mg.out" "$tmp/denser.out"
check "compare: succeeds" succeeded
check "compare: density 10 kg/m^3 less over all 28 points" grep -Eq '^ +15 +Density alloy +28 +-10(\.0+[0-9]*)? +kg/m\^3 ' "$tmp/out"
check "compare: fraction liquid the same" grep -Eq '^ +4 .* 28 +\+0 ' "$tmp/out"
check "compare: solidus and liquidus the same" sh -c "grep -Eq '^Solidus Temperature +\+0 +C$' '$tmp/out' && grep -Eq '^Liquidus Temperature +\+0 +C$' '$tmp/out'"
check "compare: one file only" fails 2 compare "$examples/alsi7mg.out"
run export "$examples/alsi7mg.out" --csv "$tmp/csv"
check "export: succeeds, one CSV per property" test "$rc" -eq 0 -a "$(wc -l <"$tmp/out")" -eq "$(ls "$tmp/csv" | wc -l)" -a -s "$tmp/csv/D-TOTAL.csv"
check "export: the CSVs read back as the series" json_ok "$tmp/alsi7mg.json" '
import csv, os
folder = args[0]
for s in doc["series"]:
    tag = {15: "D-TOTAL", 4: "WT-LIQUID", 21: "H-WT"}.get(s["dataType"])
    if not tag:
        continue
    rows = list(csv.reader(open(os.path.join(folder, tag + ".csv"), newline="")))
    assert rows[0][0] == "Temperature (C)" and rows[0][1].startswith(tag), rows[0]
    assert [[f32(float(x)), f32(float(y))] for x, y in rows[1:]] == [[f32(x), f32(y)] for x, y in s["points"]], tag' "$tmp/csv"
check "export: without --csv" fails 2 export "$examples/alsi7mg.out"

# --- Overlaid charts -----------------------------------------------------------------------------
run plot --overlay "$examples/alsi7mg.out" "$examples/jmatpro_sample.dat" -o "$tmp/overlay"
check "overlay: succeeds" succeeded
check "overlay: well-formed SVGs, a curve and a legend entry per file that has the property" python3 - "$tmp/out" "$examples" <<'EOF'
import json, subprocess, sys, xml.etree.ElementTree as ET
ns = "{http://www.w3.org/2000/svg}"
paths = open(sys.argv[1]).read().split()
assert len(paths) >= 10, paths
for path in paths:
    root = ET.parse(path).getroot()
    # A curve is a line, or for a single-point value its symbol.
    curves = [e for e in root.iter() if e.get("class") in ("curve", "symbols")]
    legend = [t.text for g in root.iter(ns + "g") if g.get("class") == "legend" for t in g.iter(ns + "text")]
    assert len(curves) == len(legend) >= 1, (path, len(curves), legend)
    assert set(legend) <= {"alsi7mg.out", "jmatpro_sample.dat"}, legend
    if path.endswith("/D-TOTAL.svg"):
        assert legend == ["alsi7mg.out", "jmatpro_sample.dat"], legend
        assert len({c.get("stroke") for c in curves}) == 2
EOF
check "overlay: one file only" fails 2 plot --overlay "$examples/alsi7mg.out" -o "$tmp/overlay"
check "plot: two files without --overlay" fails 2 plot "$examples/alsi7mg.out" "$examples/minimal.out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
