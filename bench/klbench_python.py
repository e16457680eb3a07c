"""The Python module's figure of scripts/bench: command 41 by klcontrol.Client().send(41) against klctl's
exchange of the same command (klbench --klctl-rounds, in C++), in alternating rounds against the running
daemon, each round trip timed where it is made. Prints klbench's columns; exit status as klbench's: 0 the
goal met, 1 missed, 2 a measurement failed.

    klbench_python.py KLBENCH [--quick]      (PYTHONPATH: the build's python folder)
"""
import subprocess
import sys
import time

import klcontrol

GOAL = 3.0  # a Python round trip may cost this many of klctl's exchanges
PER_ROUND = 500


def line(name, value, goal="", verdict=""):
    print(f"{name:<50} {value:<32} {goal:<22} {verdict}", flush=True)


def percentile(samples, p):
    """Nearest rank, as klbench's."""
    ordered = sorted(samples)
    return ordered[max(0, -(-len(ordered) * p // 100) - 1)]


def python_round(client):
    samples = []
    for _ in range(PER_ROUND):
        start = time.perf_counter_ns()
        answer = client.send(41)
        samples.append((time.perf_counter_ns() - start) / 1e3)
        if answer.status != 0:
            raise klcontrol.Error(f"command 41 answered with status {answer.status}")
    return samples


def klctl_round(helper):
    helper.stdin.write("\n")
    helper.stdin.flush()
    words = helper.stdout.readline().split()
    if not words or words[0] == "failed:":
        raise klcontrol.Error("klctl's exchange: " + (" ".join(words[1:]) or "klbench ended"))
    return [float(word) for word in words]


def measure(klbench, rounds):
    """The samples of both, in microseconds, after a warm-up round of each."""
    mine, klctl = [], []
    with klcontrol.Client() as client, subprocess.Popen([klbench, "--klctl-rounds", str(PER_ROUND)],
                                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                                         text=True) as helper:
        python_round(client)
        klctl_round(helper)
        for _ in range(rounds):
            mine += python_round(client)
            klctl += klctl_round(helper)
        helper.stdin.close()
    return mine, klctl


def main(argv):
    if len(argv) < 2:
        print(__doc__.splitlines()[-1].strip(), file=sys.stderr)
        return 2
    rounds = 2 if "--quick" in argv[2:] else 20
    name = "Python command 41 p50 / klctl exchange p50"
    try:
        mine, klctl = measure(argv[1], rounds)
    except (klcontrol.Error, OSError, ValueError) as error:
        line(name, str(error), verdict="FAILED")
        return 2
    ratio = percentile(mine, 50) / percentile(klctl, 50)
    line("klctl exchange (command 41) p50 / p99", f"{percentile(klctl, 50):.1f} / {percentile(klctl, 99):.1f} us")
    line("Python command 41 p99", f"{percentile(mine, 99):.1f} us")
    met = ratio <= GOAL
    line(name, f"{ratio:.2f} x ({percentile(mine, 50):.1f} us)", f"<= {GOAL:.2f} x", "PASS" if met else "MISS")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
