#!/usr/bin/env python3
"""Evaluates tarnevo-cli identify on real measured isotope clusters.

Runs `tarnevo-cli identify --batch` over the cases of identify-real-dev (one
batch a resolving-power model), as a user would ask: the polarity and charge
known (+1 or -1), the common ion types of that charge (not the true adduct),
the elements C H N O P S Cl Br, a mass window of --ppm, the resolving power the
data's README gives for the instrument class. Scores the answers with the
data's score.py, for all cases, the fit part and the test part, and the same
for a ranking by mass alone (the candidates of the program reordered by
|error ppm|: what a search without any pattern would list).

The split, by laboratory: the part fitted on is every MSSJ record (Q-TOF 71,
IT-TOF 3, Orbitrap 2); the part only tested on is the records of the other
laboratories, Univ_Toyama (IT-TOF 26) and NAIST (Orbitrap 16), whose
instruments, methods and calibrations the fitted parameters never saw.

Usage: evaluate.py [--cli build/cli/tarnevo-cli] [--data DIR] [--ppm 10]
                   [--instrument auto|none|NAME] [--out DIR] [--per-case]
--instrument auto passes each case's instrument class (Q-TOF -> q-tof,
IT-TOF -> it-tof, Orbitrap -> orbitrap); none passes no instrument (the
program's default model).
"""
import argparse
import json
import os
import subprocess
import sys

DEFAULT_DATA = "/work/shared/data/identify-real-dev"
ELEMENTS = ["C", "H", "N", "O", "P", "S", "Cl", "Br"]
FIT_LAB = "MSSJ"
INSTRUMENT_NAMES = {"Q-TOF": "q-tof", "IT-TOF": "it-tof", "Orbitrap": "orbitrap", "TOF": "tof",
                    "FT-ICR": "ft-icr"}


def read_jsonl(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def part_of(case):
    return "fit" if case["path"].split("/")[0] == FIT_LAB else "test"


def query_line(case, args):
    line = {"id": case["id"], "peaks": case["peaks"], "charge": case["charge"],
            "elements": ELEMENTS, "ppm": args.ppm, "top": args.top}
    if case["instrumentClass"] != "Orbitrap":
        line["resolvingPower"] = case["resolvingPower"]
    if args.instrument == "auto":
        line["instrument"] = INSTRUMENT_NAMES[case["instrumentClass"]]
    elif args.instrument != "none":
        line["instrument"] = args.instrument
    return line


def run_batch(cli, lines, extra):
    text = "".join(json.dumps(line) + "\n" for line in lines)
    proc = subprocess.run([cli, "identify", "--batch", "-", "--jobs", "2", *extra], input=text,
                          capture_output=True, text=True)
    answers = [json.loads(l) for l in proc.stdout.splitlines() if l.strip()]
    for a in answers:
        if "error" in a:
            print(f"refused {a.get('id')}: {a['error']}", file=sys.stderr)
    return answers


def identify(cases, args):
    # Orbitrap: R 60000 at m/z 200, falling with sqrt(m/z); the others constant.
    orbitrap = [query_line(c, args) for c in cases if c["instrumentClass"] == "Orbitrap"]
    others = [query_line(c, args) for c in cases if c["instrumentClass"] != "Orbitrap"]
    extra = args.extra.split()
    answers = run_batch(args.cli, others, ["--resolution", "20000", *extra])
    answers += run_batch(args.cli, orbitrap, ["--resolution", "60000", "--orbitrap", "--at", "200", *extra])
    return answers


def by_mass(answers):
    out = []
    for a in answers:
        cands = sorted(a.get("candidates") or [], key=lambda c: abs(c["errorPpm"]))
        out.append({"id": a["id"], "candidates": cands})
    return out


def score(args, cases, answers, title, path):
    sys.path.insert(0, args.data)
    import score as scorer  # the data's own scorer
    ids = {c["id"] for c in cases}
    rows = scorer.evaluate(cases, [a for a in answers if a.get("id") in ids])
    print(scorer.format_report(scorer.report(rows), title))
    if args.per_case:
        for r in rows:
            print(f"{r['id']}\trank {r['rank'] or '-'}\tion rank {r['ionRank'] or '-'}")
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(here, "..", "..", "build", "cli", "tarnevo-cli"))
    ap.add_argument("--data", default=DEFAULT_DATA)
    ap.add_argument("--ppm", type=float, default=10.0)
    ap.add_argument("--top", type=int, default=200)
    ap.add_argument("--instrument", default="auto")
    ap.add_argument("--out", default="/tmp/identify_real")
    ap.add_argument("--per-case", action="store_true")
    ap.add_argument("--parts", default="all,fit,test")
    ap.add_argument("--mass-only", action="store_true")
    ap.add_argument("--extra", default="", help="more options for every batch, e.g. '--no-prior ratios'")
    args = ap.parse_args()
    cases = read_jsonl(os.path.join(args.data, "cases.jsonl"))
    answers = identify(cases, args)
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "answers.jsonl"), "w") as f:
        for a in answers:
            f.write(json.dumps(a) + "\n")
    for part in args.parts.split(","):
        subset = [c for c in cases if part == "all" or part_of(c) == part]
        score(args, subset, answers, f"{part} ({args.instrument}, {args.ppm} ppm)", None)
        if args.mass_only:
            score(args, subset, by_mass(answers), f"{part}: by mass alone", None)


if __name__ == "__main__":
    main()
