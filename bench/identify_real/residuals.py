#!/usr/bin/env python3
"""The residuals of the true ions on real clusters: what the error model is fitted on.

For each case, tarnevo-cli identify is asked for the true formula and ion type
alone (every element fixed at its count) with the default model and a wide
window, and its peak-by-peak comparison gives, per peak, the measured and
predicted relative intensity and m/z. Printed per instrument class and part:
the monoisotopic m/z errors (the spectrum's offset), the spread of the other
peaks' errors around it, and the relative intensity errors by size of the
predicted peak; with --dump, the raw lines as JSON for a fit.
"""
import argparse
import json
import math
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import evaluate  # noqa: E402


def exact_elements(formula):
    counts = {}
    for el, n in re.findall(r"([A-Z][a-z]?)(\d*)", formula):
        counts[el] = counts.get(el, 0) + int(n or 1)
    return [f"{el}:{n}:{n}" for el, n in counts.items()]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(os.path.dirname(__file__), "..", "..", "build", "cli",
                                                   "tarnevo-cli"))
    ap.add_argument("--data", default=evaluate.DEFAULT_DATA)
    ap.add_argument("--dump")
    args = ap.parse_args()
    cases = evaluate.read_jsonl(os.path.join(args.data, "cases.jsonl"))
    rows = []
    for c in cases:
        extra = ["--resolution", str(c["resolvingPower"])]
        if c["instrumentClass"] == "Orbitrap":
            extra = ["--resolution", "60000", "--orbitrap", "--at", "200"]
        line = {"id": c["id"], "peaks": c["peaks"], "charge": c["charge"], "adducts": [c["adduct"]],
                "elements": exact_elements(c["formula"]), "ppm": 50, "top": 1}
        proc = subprocess.run([args.cli, "identify", "--batch", "-", *extra, "--no-filter", "ratios",
                               "--no-filter", "rdbe", "--no-filter", "lewis-senior"],
                              input=json.dumps(line) + "\n", capture_output=True, text=True)
        ans = json.loads(proc.stdout)
        if not ans.get("candidates"):
            print("no truth for", c["id"], ans.get("error"), file=sys.stderr)
            continue
        cand = ans["candidates"][0]
        rows.append({"id": c["id"], "class": c["instrumentClass"], "part": evaluate.part_of(c),
                     "mz": c["peaks"][0][0], "errorPpm": cand["errorPpm"], "peaks": cand["peaks"]})
    if args.dump:
        with open(args.dump, "w") as f:
            json.dump(rows, f)
    for part in ("fit", "test"):
        for cls in ("Q-TOF", "IT-TOF", "Orbitrap"):
            sel = [r for r in rows if r["part"] == part and r["class"] == cls]
            if not sel:
                continue
            mono = [r["errorPpm"] for r in sel]
            spread, rel = [], []
            missing = []
            for r in sel:
                matched = [p for p in r["peaks"] if p["outcome"] == "matched"]
                errs = [(p["measuredMz"] - p["predictedMz"]) / p["predictedMz"] * 1e6 for p in matched]
                if len(errs) > 1:
                    mean = sum(errs) / len(errs)
                    spread += [e - mean for e in errs]
                for p in matched:
                    if p["predictedRel"] < 100 and p["predictedRel"] > 0.3:
                        rel.append((p["predictedRel"], p["measuredRel"] / p["predictedRel"] - 1))
                missing += [p["predictedRel"] for p in r["peaks"] if p["outcome"] == "missing"]
            print(f"{part} {cls}: n={len(sel)} mono ppm sd={statistics.pstdev(mono):.2f} "
                  f"mean={statistics.mean(mono):.2f}; spread around offset sd="
                  f"{statistics.pstdev(spread) if spread else float('nan'):.2f} (n={len(spread)})")
            for lo, hi in ((0.3, 3), (3, 10), (10, 30), (30, 100)):
                band = sorted(abs(e) for a, e in rel if lo <= a < hi)
                if band:
                    q = lambda f: band[min(len(band) - 1, int(f * len(band)))]
                    print(f"   predicted {lo}-{hi}%: n={len(band)} |rel err| median={q(0.5):.3f} "
                          f"q80={q(0.8):.3f} q95={q(0.95):.3f} max={band[-1]:.3f}")
            print(f"   missing predicted peaks: {sorted(round(m, 2) for m in missing)}")


if __name__ == "__main__":
    main()
