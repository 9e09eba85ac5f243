"""The peer of the suite: plain tree GP written with DEAP's public API, run on the same data
with the same population, function set, size limit, time limit and seed as kxsr.

Same semantics as kxsr: unprotected operations, non-finite programs get the worst fitness,
fitness = normalized squared error + a parsimony cost per node, ephemeral constants drawn
from [-2, 2], tournaments of 3, crossover 0.9, mutation 0.5, size limit by node count.
What DEAP does not bring is not added: no constant fitting.
"""

import itertools
import math
import operator
import random
import time
import warnings

import numpy as np
from deap import base, creator, gp, tools

FUNCTIONS = {
    "add": (np.add, 2), "sub": (np.subtract, 2), "mul": (np.multiply, 2),
    "div": (np.divide, 2), "pow": (np.power, 2), "sin": (np.sin, 1), "cos": (np.cos, 1),
    "tan": (np.tan, 1), "exp": (np.exp, 1), "log": (np.log, 1), "sqrt": (np.sqrt, 1),
    "square": (np.square, 1), "cube": (lambda a: a * a * a, 1),
    "inv": (lambda a: 1.0 / a, 1), "abs": (np.abs, 1), "tanh": (np.tanh, 1),
}

UNFIT = 1e6
# DEAP registers every ephemeral constant under a name of its own, across primitive sets.
_ephemerals = itertools.count()

creator.create("FitnessMin", base.Fitness, weights=(-1.0,))
creator.create("Individual", gp.PrimitiveTree, fitness=creator.FitnessMin)


def read_csv(path):
    data = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2)
    return data[:, :-1], data[:, -1]


def run(train_csv, test_csv, names, functions, population, generations, time_limit, seed,
        max_size, parsimony):
    start = time.monotonic()
    random.seed(seed)
    x_train, y_train = read_csv(train_csv)
    x_test, y_test = read_csv(test_csv)
    pset = gp.PrimitiveSet("MAIN", len(names))
    pset.renameArguments(**{f"ARG{i}": f"v{i}" for i in range(len(names))})
    for name in functions:
        function, arity = FUNCTIONS[name]
        pset.addPrimitive(function, arity, name=name)
    pset.addEphemeralConstant(f"erc{next(_ephemerals)}", lambda: random.uniform(-2, 2))

    toolbox = base.Toolbox()
    toolbox.register("expr", gp.genHalfAndHalf, pset=pset, min_=1, max_=5)
    toolbox.register("individual", tools.initIterate, creator.Individual, toolbox.expr)
    toolbox.register("population", tools.initRepeat, list, toolbox.individual)
    toolbox.register("select", tools.selTournament, tournsize=3)
    toolbox.register("mate", gp.cxOnePoint)
    toolbox.register("expr_mut", gp.genFull, min_=0, max_=3)
    toolbox.register("mutate", gp.mutUniform, expr=toolbox.expr_mut, pset=pset)
    for op in ("mate", "mutate"):
        toolbox.decorate(op, gp.staticLimit(key=len, max_value=max_size))

    variance = np.var(y_train) or 1.0
    columns = [x_train[:, i] for i in range(x_train.shape[1])]

    def predict(individual, cols):
        f = gp.compile(individual, pset)
        with np.errstate(all="ignore"), warnings.catch_warnings():
            warnings.simplefilter("ignore")
            out = f(*cols)
        return np.broadcast_to(np.asarray(out, dtype=float), cols[0].shape)

    def error(individual):
        if len(individual) > max_size:
            return UNFIT
        try:
            with np.errstate(all="ignore"):
                mse = float(np.mean((predict(individual, columns) - y_train) ** 2)) / variance
        except (OverflowError, ZeroDivisionError, ValueError):
            return UNFIT
        return mse if math.isfinite(mse) and mse < UNFIT else UNFIT

    def evaluate(individual):
        return (error(individual) + parsimony * len(individual),)

    toolbox.register("evaluate", evaluate)
    pop = toolbox.population(n=population)
    best = None
    for generation in range(generations + 1):
        if generation > 0:
            offspring = [toolbox.clone(i) for i in toolbox.select(pop, len(pop))]
            for a, b in zip(offspring[::2], offspring[1::2]):
                if random.random() < 0.9:
                    toolbox.mate(a, b)
                    del a.fitness.values, b.fitness.values
            for i, ind in enumerate(offspring):
                if random.random() < 0.5:
                    (offspring[i],) = toolbox.mutate(ind)
                    del offspring[i].fitness.values
            pop = offspring
        for ind in pop:
            if not ind.fitness.valid:
                ind.fitness.values = toolbox.evaluate(ind)
        leader = min(pop, key=lambda i: i.fitness.values[0])
        if best is None or leader.fitness.values[0] < best.fitness.values[0]:
            best = toolbox.clone(leader)
        if error(best) <= 1e-12 or time.monotonic() - start >= time_limit:
            break

    test_columns = [x_test[:, i] for i in range(x_test.shape[1])]
    predicted = predict(best, test_columns)
    with np.errstate(all="ignore"):
        sse = float(np.sum((predicted - y_test) ** 2))
    sst = float(np.sum((y_test - y_test.mean()) ** 2))
    r2 = 1 - sse / sst if math.isfinite(sse) and sst > 0 else -math.inf
    return {"test_r2": r2, "size": len(best), "seconds": time.monotonic() - start,
            "model": str(best)}
