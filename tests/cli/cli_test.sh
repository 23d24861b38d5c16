#!/usr/bin/env bash
# Runs kestrumprops as a user would: reads the examples as tables and JSON, converts JMatPro output and
# reads it back, and checks that misuse fails with one clear line.
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
check "misuse: an empty file" fails 1 read "$tmp/empty.out"
check "misuse: output folder missing" fails 1 convert "$examples/jmatpro_sample.dat" -o "$tmp/none/x.out"

for help in --help -h "read --help"; do
    run $help
    check "help: '$help' prints usage" test "$rc" -eq 0 -a ! -s "$tmp/err" -a "$(head -c 6 "$tmp/out")" = "Usage:"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
