"""Runs kxsr and the DEAP peer on every problem of the suite and prints one table.

    run_suite.py --kxsr PATH [--quick] [--time-limit S] [--only NAME,...] [--no-deap]

Per problem and tool: exact recovery (test R^2 >= 0.9999 on a noise-free problem; "-" for
a noisy one), test R^2, model size in nodes and wall time; then a summary line per tool.
"""

import argparse
import math
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import deap_peer  # noqa: E402
import problems  # noqa: E402

FUNCTIONS = "add,sub,mul,div,sin,cos,exp,log,sqrt"
EXACT = 0.9999


def run_kxsr(binary, train, test, settings):
    start = time.monotonic()
    command = [binary, train, "--target", "target", "--test-data", test,
               "--seed", str(settings.seed), "--population", str(settings.population),
               "--generations", str(settings.generations),
               "--time-limit", str(settings.time_limit), "--functions", FUNCTIONS,
               "--threads", "1"]
    done = subprocess.run(command, capture_output=True, text=True,
                          timeout=settings.time_limit + 60)
    seconds = time.monotonic() - start
    if done.returncode != 0:
        return {"test_r2": -math.inf, "size": 0, "seconds": seconds,
                "model": "failed: " + done.stderr.strip()}
    lines = dict(line.split(" = ", 1) for line in done.stdout.splitlines() if " = " in line)
    return {"test_r2": float(lines["test r2"]), "size": int(lines["size"]), "seconds": seconds,
            "model": lines["model"]}


def cell(result, noisy):
    exact = "-" if noisy else ("yes" if result["test_r2"] >= EXACT else "no")
    return f"{exact:>5} {result['test_r2']:>10.6f} {result['size']:>4} {result['seconds']:>6.1f}"


def summary(name, results):
    clean = [r for r, noisy in results if not noisy]
    exact = sum(r["test_r2"] >= EXACT for r in clean)
    r2 = sorted(r["test_r2"] for r, _ in results)
    median = r2[len(r2) // 2] if r2 else math.nan
    total = sum(r["seconds"] for r, _ in results)
    return (f"{name}: exact recovery {exact}/{len(clean)} noise-free problems, median test r2 "
            f"{median:.6f}, total time {total:.0f} s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kxsr", required=True)
    parser.add_argument("--quick", action="store_true",
                        help="8 s and 300 programs per run, Nguyen problems only")
    parser.add_argument("--time-limit", type=float, default=30.0)
    parser.add_argument("--population", type=int, default=500)
    parser.add_argument("--generations", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", default="")
    parser.add_argument("--no-deap", action="store_true")
    settings = parser.parse_args()
    chosen = problems.PROBLEMS
    if settings.quick:
        settings.time_limit, settings.population = 8.0, 300
        chosen = [p for p in chosen if p[0].startswith("nguyen") and not p[5]]
    if settings.only:
        names = settings.only.split(",")
        chosen = [p for p in chosen if p[0] in names]
    settings.time_limit = min(settings.time_limit, 60.0)

    print(f"time limit {settings.time_limit:g} s, population {settings.population}, "
          f"functions {FUNCTIONS}, seed {settings.seed}")
    header = f"{'problem':<22} | {'kxsr: exact':>11} {'test r2':>10} {'size':>4} {'time':>6}"
    if not settings.no_deap:
        header += f" | {'deap: exact':>11} {'test r2':>10} {'size':>4} {'time':>6}"
    print(header)
    print("-" * len(header))
    ours, theirs = [], []
    with tempfile.TemporaryDirectory() as directory:
        for index, problem in enumerate(chosen):
            train, test = problems.generate(problem, directory, settings.seed * 1000 + index)
            noisy = problem[5]
            result = run_kxsr(settings.kxsr, train, test, settings)
            ours.append((result, noisy))
            print(f"{problem[0]:<22} | {'':>6}{cell(result, noisy)}", end="", flush=True)
            if not settings.no_deap:
                result = deap_peer.run(train, test, problem[1], FUNCTIONS.split(","),
                                       settings.population, settings.generations,
                                       settings.time_limit, settings.seed, 40, 1e-6)
                theirs.append((result, noisy))
                print(f" | {'':>6}{cell(result, noisy)}", end="")
            print(flush=True)
    print(summary("kxsr", ours))
    if not settings.no_deap:
        print(summary("deap", theirs))


if __name__ == "__main__":
    main()
