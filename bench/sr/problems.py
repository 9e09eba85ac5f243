"""The ground-truth problems of the symbolic-regression suite and their data.

Nguyen 1-12 with their usual sampling ranges and sizes, and Feynman equations of one to
three variables with their usual ranges. Data are drawn from a seeded generator, so every
run of the suite sees the same cases. A problem marked noisy gets Gaussian noise of 1% of
the target's standard deviation on its training and test targets.
"""

import math

import numpy as np

# name, variables, formula over the variables' arrays, (low, high) per variable,
# training cases, noisy
PROBLEMS = [
    ("nguyen-1", ["x"], lambda x: x**3 + x**2 + x, [(-1, 1)], 20, False),
    ("nguyen-2", ["x"], lambda x: x**4 + x**3 + x**2 + x, [(-1, 1)], 20, False),
    ("nguyen-3", ["x"], lambda x: x**5 + x**4 + x**3 + x**2 + x, [(-1, 1)], 20, False),
    ("nguyen-4", ["x"], lambda x: x**6 + x**5 + x**4 + x**3 + x**2 + x, [(-1, 1)], 20, False),
    ("nguyen-5", ["x"], lambda x: np.sin(x**2) * np.cos(x) - 1, [(-1, 1)], 20, False),
    ("nguyen-6", ["x"], lambda x: np.sin(x) + np.sin(x + x**2), [(-1, 1)], 20, False),
    ("nguyen-7", ["x"], lambda x: np.log(x + 1) + np.log(x**2 + 1), [(0, 2)], 20, False),
    ("nguyen-8", ["x"], lambda x: np.sqrt(x), [(0, 4)], 20, False),
    ("nguyen-9", ["x", "y"], lambda x, y: np.sin(x) + np.sin(y**2), [(-1, 1)] * 2, 100, False),
    ("nguyen-10", ["x", "y"], lambda x, y: 2 * np.sin(x) * np.cos(y), [(-1, 1)] * 2, 100, False),
    ("nguyen-11", ["x", "y"], lambda x, y: x**y, [(0, 1)] * 2, 100, False),
    ("nguyen-12", ["x", "y"], lambda x, y: x**4 - x**3 + y**2 / 2 - y, [(-1, 1)] * 2, 100, False),
    ("feynman-I.6.2a", ["theta"], lambda t: np.exp(-t**2 / 2) / math.sqrt(2 * math.pi),
     [(1, 3)], 100, False),
    ("feynman-I.12.1", ["mu", "Nn"], lambda mu, n: mu * n, [(1, 5)] * 2, 100, False),
    ("feynman-I.14.4", ["k", "x"], lambda k, x: k * x**2 / 2, [(1, 5)] * 2, 100, False),
    ("feynman-I.25.13", ["q", "C"], lambda q, c: q / c, [(1, 5)] * 2, 100, False),
    ("feynman-I.29.4", ["omega", "c"], lambda w, c: w / c, [(1, 10)] * 2, 100, False),
    ("feynman-I.34.27", ["hbar", "omega"], lambda h, w: h * w, [(1, 5)] * 2, 100, False),
    ("feynman-I.39.1", ["pF", "V"], lambda p, v: 1.5 * p * v, [(1, 5)] * 2, 100, False),
    ("feynman-II.3.24", ["Pwr", "r"], lambda p, r: p / (4 * math.pi * r**2), [(1, 5)] * 2, 100,
     False),
    ("feynman-II.8.31", ["eps", "Ef"], lambda e, f: e * f**2 / 2, [(1, 5)] * 2, 100, False),
    ("feynman-II.38.14", ["Y", "sigma"], lambda y, s: y / (2 * (1 + s)), [(1, 5)] * 2, 100, False),
    ("feynman-I.14.3", ["m", "g", "z"], lambda m, g, z: m * g * z, [(1, 5)] * 3, 100, False),
    ("feynman-I.12.4", ["q1", "eps", "r"],
     lambda q, e, r: q / (4 * math.pi * e * r**2), [(1, 5)] * 3, 100, False),
    ("feynman-I.10.7", ["m0", "v", "c"], lambda m, v, c: m / np.sqrt(1 - v**2 / c**2),
     [(1, 5), (1, 2), (3, 10)], 100, False),
    # The same laws measured with 1% noise.
    ("nguyen-7+noise", ["x"], lambda x: np.log(x + 1) + np.log(x**2 + 1), [(0, 2)], 20, True),
    ("feynman-I.6.2a+noise", ["theta"], lambda t: np.exp(-t**2 / 2) / math.sqrt(2 * math.pi),
     [(1, 3)], 100, True),
    ("feynman-II.3.24+noise", ["Pwr", "r"], lambda p, r: p / (4 * math.pi * r**2),
     [(1, 5)] * 2, 100, True),
    ("feynman-I.10.7+noise", ["m0", "v", "c"], lambda m, v, c: m / np.sqrt(1 - v**2 / c**2),
     [(1, 5), (1, 2), (3, 10)], 100, True),
]

TEST_CASES = 200


def sample(problem, count, rng):
    """(inputs, target) of count cases drawn uniformly from the problem's ranges."""
    _, names, formula, ranges, _, noisy = problem
    inputs = [rng.uniform(low, high, count) for low, high in ranges]
    target = formula(*inputs)
    if noisy:
        target = target + rng.normal(0.0, 0.01 * np.std(target), count)
    return inputs, target


def write_csv(path, names, inputs, target):
    with open(path, "w") as out:
        out.write(",".join(names + ["target"]) + "\n")
        for row in zip(*inputs, target):
            out.write(",".join(repr(float(v)) for v in row) + "\n")


def generate(problem, directory, seed):
    """Writes train.csv and test.csv for problem into directory; returns their paths."""
    rng = np.random.default_rng(seed)
    paths = []
    for part, count in (("train", problem[4]), ("test", TEST_CASES)):
        inputs, target = sample(problem, count, rng)
        path = f"{directory}/{problem[0]}.{part}.csv"
        write_csv(path, problem[1], inputs, target)
        paths.append(path)
    return paths
