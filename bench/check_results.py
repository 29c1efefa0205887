#!/usr/bin/env python3
"""check_results.py RESULTS.json: the benchmark's file is valid JSON and has
every metric with its five fields. Timings are not judged.

check_results.py --merge RESULTS.json PART.json...: first merges the metrics
of files written by separate runs (--only) into RESULTS.json, in the order of
the metric list, then checks it and prints its table."""
import json
import math
import sys

METRICS = ["open_close_mode0", "open_close_mode1", "open_close_mode6", "call_position", "call_state",
           "call_position_player3", "call_info_player3",
           "grab_1080p", "grab_480p", "first_frame", "loop_gap", "loop_gap_raw_host", "memory_open_close"]
# Measured only where the platform's source reader reads the MP4 (not Wine 8,
# not an emulated lane): checked when present.
OPTIONAL = ["mf_first_frame", "mf_first_frame_reader", "grab_mp4"]
FIELDS = {"ombrix": (int, float), "baseline": (int, float), "ratio": (int, float), "unit": str,
          "target": (int, float)}


def merge(path, parts):
    merged = None
    for part in parts:
        with open(part, encoding="utf-8") as f:
            data = json.load(f)
        if merged is None:
            merged = {"arch": data["arch"], "platform": data["platform"], "metrics": {}}
        merged["metrics"].update(data.get("metrics", {}))
    if merged is None:
        raise SystemExit("check_results: nothing to merge")
    ordered = {name: merged["metrics"][name] for name in METRICS + OPTIONAL if name in merged["metrics"]}
    ordered.update({k: v for k, v in merged["metrics"].items() if k not in ordered})
    merged["metrics"] = ordered
    with open(path, "w", encoding="utf-8") as f:
        f.write(json.dumps(merged, indent=1) + "\n")


def table(data):
    print(f"\nombrix-bench: {data['platform']}, {data['arch']} (medians; ratio = ombrix / baseline)\n")
    print("| metric | ombrix | baseline | ratio | target |\n|---|---|---|---|---|")
    for name, m in data["metrics"].items():
        target = f"<= {m['target']:g} {m['unit']}" if m["unit"] == "KB" else f"ratio <= {m['target']:g}"
        print(f"| {name} | {m['ombrix']:.4g} {m['unit']} | {m['baseline']:.4g} {m['unit']} | {m['ratio']:.3f} | {target} |")
    print()


def main(path, show=False):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    errors = []
    for key in ("arch", "platform"):
        if not isinstance(data.get(key), str) or not data[key]:
            errors.append(f"no {key}")
    metrics = data.get("metrics")
    if not isinstance(metrics, dict):
        errors.append("no metrics object")
        metrics = {}
    for name in METRICS + [n for n in OPTIONAL if n in metrics]:
        metric = metrics.get(name)
        if not isinstance(metric, dict):
            errors.append(f"{name}: missing")
            continue
        for field, kind in FIELDS.items():
            value = metric.get(field)
            if not isinstance(value, kind) or (kind != str and not math.isfinite(value)):
                errors.append(f"{name}.{field}: {value!r}")
    for error in errors:
        print("check_results:", error)
    if not errors and show:
        table(data)
    if not errors:
        print(f"check_results: {len(METRICS)} metrics, arch {data['arch']}, platform {data['platform']}")
    return 1 if errors else 0


if __name__ == "__main__":
    if sys.argv[1] == "--merge":
        merge(sys.argv[2], sys.argv[3:])
        sys.exit(main(sys.argv[2], show=True))
    sys.exit(main(sys.argv[1]))
