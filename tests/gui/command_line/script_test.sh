#!/usr/bin/env bash
# Keltrix.exe as a deployment script runs it, in the prefix of tools/wine-run.sh:
#   script_test.sh COMMAND_LINE_TEST.exe STAGE_DIR
# The test program leaves audits and exports in KELT_SCRIPT_DIR; the staged program runs from
# the shell through a pipe and into files; python3's CSV, JSON and XML parsers read it all.
set -u
wine=$(command -v wine || command -v wine64)
work=$(mktemp -d "${TMPDIR:-/tmp}/kelt-script.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
expect() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }

KELT_SCRIPT_DIR=$work "$wine" "$1" || failed=1
cd "$2" || exit 1
"$wine" Keltrix.exe /? | cat >"$work/usage.txt"
expect "/? exits with 0" test "${PIPESTATUS[0]}" -eq 0
expect "/? writes the exit codes into a pipe" grep -q "^  2  bad command line" "$work/usage.txt"
"$wine" Keltrix.exe /state >"$work/piped.csv"
expect "/state to the standard output exits with 0" test $? -eq 0
"$wine" Keltrix.exe /nonsense 2>"$work/error.txt"
expect "an unknown switch exits with 2" test $? -eq 2
expect "an unknown switch is named on the error output" grep -q "Unknown switch /nonsense" "$work/error.txt"

python3 - "$work" <<'PY' || failed=1
import csv, json, sys, xml.etree.ElementTree as ET
work = sys.argv[1]
def rows(name):
    with open(f"{work}/{name}", encoding="utf-8", newline="") as f:
        return list(csv.reader(f, strict=True))
state = rows("state.csv")
assert state == rows("piped.csv"), "the piped audit differs from the written one"
with open(f"{work}/state.json", encoding="utf-8") as f:
    tweaks = json.load(f)["tweaks"]
with open(f"{work}/expected-state.txt", encoding="utf-8") as f:
    on, set_, *shipped = f.read().splitlines()
assert sorted(line[3] for line in state[1:]) == sorted(shipped), "not every shipped tweak is listed once"
assert any(line[6].endswith(" editions (this is Pro)") for line in state[1:]), "no tweak is named for other editions"
assert [(l[3], l[7], l[8]) for l in state[1:]] == [(t["description"], t["state"], t["value"] or "") for t in tweaks]
listed = {line[3]: "\t".join(line[3:4] + line[7:9]) for line in state[1:]}
assert listed[on.split("\t")[0]] == on and listed[set_.split("\t")[0]] == set_, (on, set_)
names = [p.get("name") for p in ET.parse(f"{work}/out-User.xml").getroot().iter("Properties")]
assert "Two\nLines" in names and ET.parse(f"{work}/out-Computer.xml").getroot().tag == "RegistrySettings", names
print("ok: the audit parses as CSV and JSON alike with every shipped tweak; the Group Policy items parse as XML")
PY
exit $failed
