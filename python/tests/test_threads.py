"""Calculations side by side: Python threads that call the module at once get
exactly the answers of the same calls made one after another (the module
releases the GIL, so the calculations really overlap), and cluster_many equals
a loop of cluster, in the order given, whatever the number of threads.

Identification and the fine structure of a resolved cluster are among the
calls, since they share the most: the element table, the tables of field
descriptions and the fine structure's log-factorials.
"""

import gc
import json
import threading

import numpy as np
import pytest

import tarnevo

FORMULAS = ["C6H5Cl2", "C8H10N4O2", "C63H98N18O13S", "C257H383N65O77S6", "Sn2Cl4", "C12H22O11", "CHBr3",
            "C20H25N3O", "C6H12O6", "C2934H4615N781O897S39"]


def _calls():
    caffeine = [(195.0877, 100), (196.0908, 10.4), (197.0917, 1.2)]
    calls = [lambda f=f: tarnevo.cluster(f).to_dict() for f in FORMULAS]
    calls += [lambda f=f: tarnevo.cluster(f, adduct="[M+H]+", resolution=60000).to_dict() for f in FORMULAS[:4]]
    calls += [lambda: tarnevo.identify(caffeine, charge=1).to_dict(),
              lambda: tarnevo.identify(caffeine, polarity="-", elements=["C", "H", "O"]).to_dict(),
              lambda: tarnevo.formulas(500.2, tol=0.005, elements=["C", "H", "N", "O"]).to_dict()]
    return calls


def test_threads_calling_at_once_get_the_serial_answers():
    calls = _calls() * 3
    serial = [call() for call in calls]
    answers = [None] * len(calls)
    start = threading.Barrier(8)

    def worker(offset):
        start.wait()
        for k in range(offset, len(calls), 8):
            answers[k] = calls[k]()

    threads = [threading.Thread(target=worker, args=(offset,)) for offset in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert answers == serial


# The attributes a cluster shows, arrays and fields: cluster_many reads its
# answers on the C++ side, cluster through json, and both must agree exactly.
_SHOWN = ("n", "mz", "centroid_mz", "fa", "rel", "resolved_mz", "resolved_fa", "resolved_rel", "profile",
          "ion_mass", "average_mass", "most_abundant", "formula", "ion_formula", "charge", "stop_fa",
          "resolving_power", "pattern_model", "peak_overflow")


def _shown(cluster):
    shown = {}
    for name in _SHOWN:
        value = getattr(cluster, name, None)
        shown[name] = (value.dtype.str, value.shape, value.tolist()) if isinstance(value, np.ndarray) else value
    return shown


@pytest.mark.parametrize("jobs", [None, 1, 3, 16])
@pytest.mark.parametrize("options", [{"adduct": "[M+Na]+", "resolution": 30000, "profile": True}, {"charge": -2}])
def test_cluster_many_equals_a_loop_of_cluster_in_order(jobs, options):
    formulas = FORMULAS * 2
    many = tarnevo.cluster_many(formulas, jobs=jobs, **options)
    one_by_one = [tarnevo.cluster(f, **options) for f in formulas]
    assert [_shown(c) for c in many] == [_shown(c) for c in one_by_one]
    # The JSON object is made again from the arrays: the same members in the
    # same order, an int wherever the command line wrote a whole number.
    assert [json.dumps(c.to_dict()) for c in many] == [json.dumps(c.to_dict()) for c in one_by_one]


def _texts_held(result):
    """The str and bytes a result holds, through its attributes and containers."""
    held, seen, todo = [], set(), [result]
    while todo:
        item = todo.pop()
        if id(item) in seen:
            continue
        seen.add(id(item))
        if isinstance(item, (str, bytes)):
            held.append(item)
        elif isinstance(item, (dict, list, tuple)) or type(item).__module__ == "tarnevo._results":
            todo += gc.get_referents(item)
    return held


def test_cluster_many_keeps_no_answer_text():
    # Regression: each result kept its answer's JSON text beside the arrays
    # made of it (6 KB an ion, 73 KB with a profile): 300,000 ions held GBs.
    many = tarnevo.cluster_many(FORMULAS, resolution=30000, profile=True)
    for cluster, formula in zip(many, FORMULAS):
        assert max(map(len, _texts_held(cluster))) < 100, formula


def test_cluster_many_names_the_refused_formula_or_leaves_none():
    formulas = ["CH4", "C2H6", "Xy2", "C3H8"]
    with pytest.raises(tarnevo.Refused, match=r"^formulas\[2\] 'Xy2': Formula Entry Error$"):
        tarnevo.cluster_many(formulas)
    many = tarnevo.cluster_many(formulas, on_refused="none")
    assert many[2] is None
    assert [c.formula for c in many if c is not None] == ["CH4", "C2H6", "C3H8"]


def test_cluster_many_of_nothing_is_an_empty_list():
    assert tarnevo.cluster_many([]) == []


def test_cluster_many_from_several_threads_at_once():
    # Each call has its own pool of workers; the pools share only the engine's
    # read-only tables, and each answer reaches its own caller in its place.
    lists = [FORMULAS[k:] + FORMULAS[:k] for k in range(4)]
    serial = [[c.to_dict() for c in tarnevo.cluster_many(formulas, jobs=2)] for formulas in lists]
    answers = [None] * len(lists)

    def worker(k):
        answers[k] = [c.to_dict() for c in tarnevo.cluster_many(lists[k], jobs=2)]

    threads = [threading.Thread(target=worker, args=(k,)) for k in range(len(lists))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert answers == serial


@pytest.mark.parametrize("enabled", [True, False])
def test_cluster_many_leaves_the_garbage_collector_as_it_found_it(enabled):
    # cluster_many pauses the collector while it makes its results; a refusal
    # on the way must not leave it paused, nor start one the caller paused.
    was = gc.isenabled()
    (gc.enable if enabled else gc.disable)()
    try:
        tarnevo.cluster_many(["CH4", "C2H6"])
        assert gc.isenabled() == enabled
        with pytest.raises(tarnevo.Refused):
            tarnevo.cluster_many(["CH4", "Xy2"])
        assert gc.isenabled() == enabled
    finally:
        (gc.enable if was else gc.disable)()
