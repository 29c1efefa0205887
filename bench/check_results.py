#!/usr/bin/env python3
"""check_results.py RESULTS.json: the benchmark's file is valid JSON and has
every metric with its five fields. Timings are not judged."""
import json
import math
import sys

METRICS = ["open_close_mode0", "open_close_mode1", "open_close_mode6", "call_position", "call_state",
           "grab_1080p", "grab_480p", "first_frame", "loop_gap", "loop_gap_raw_host", "memory_open_close"]
FIELDS = {"ombrix": (int, float), "baseline": (int, float), "ratio": (int, float), "unit": str,
          "target": (int, float)}


def main(path):
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
    for name in METRICS:
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
    if not errors:
        print(f"check_results: {len(METRICS)} metrics, arch {data['arch']}, platform {data['platform']}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
