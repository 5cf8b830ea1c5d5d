"""The three ways a call fails, each with its message: tarnevo.Refused with the
program's own message for what the calculation declines, ValueError in the
caller's words (the command line's --first-mz becomes first_mz) for a value out
of range, TypeError for a value of the wrong type, caught before the command
line sees it. Nothing is left to a crash or a stray exception.
"""

import numpy as np
import pytest

import tarnevo

CAFFEINE = [(195.0877, 100), (196.0908, 10.4), (197.0917, 1.2)]


@pytest.mark.parametrize("call, message", [
    (lambda: tarnevo.cluster("C6H5Cl2", charge=0), "Ion charge cannot be zero!"),
    (lambda: tarnevo.cluster("Xy2"), "Formula Entry Error"),
    (lambda: tarnevo.cluster("CH4", adduct="[M-H2O+H]+"), "cannot be formed from 'CH4'"),
    (lambda: tarnevo.isotopes("Xx"), "Symbol Entry Error"),
    (lambda: tarnevo.formulas(200), "must contain at least one element"),
    (lambda: tarnevo.formulas(1000, tol=0.5, elements=["C", "H", "N", "O", "S", "P", "Cl", "Na"], all=True),
     "narrow the range with tol or bound the atom counts with elements SYM:MIN:MAX"),
    (lambda: tarnevo.label("C6H6", ("C", 9, 0.99)), "number of enriched atoms is too large"),
    (lambda: tarnevo.loss_of_h("C6H6", 80.05, [100, 50, 3]), "must be between -4 and -1"),
    (lambda: tarnevo.polymer("C2H4O", "Na", mz_range=(400, 50)), "does not include a sample ion"),
    (lambda: tarnevo.identify(CAFFEINE * 11), "give at most 30 peaks"),
])
def test_refused_carries_the_programs_message(call, message):
    with pytest.raises(tarnevo.Refused) as refused:
        call()
    assert message in refused.value.message and str(refused.value) == refused.value.message
    assert "tarnevo-cli" not in refused.value.message


@pytest.mark.parametrize("call, message", [
    (lambda: tarnevo.cluster("CH4", charge=31), "charge: an integer from -30 to 30 is required, not '31'"),
    (lambda: tarnevo.cluster("CH4", stop=2), "stop: a number from 0.5 to 0.99999 is required, not '2'"),
    (lambda: tarnevo.cluster("CH4", adduct="junk"), "adduct: Ion type 'junk' is not in brackets"),
    (lambda: tarnevo.cluster("CH4", adduct="[M+H]+", charge=-1), "charge -1 disagrees with the charge of"),
    (lambda: tarnevo.cluster("CH4", orbitrap=True), "orbitrap needs resolution R"),
    (lambda: tarnevo.cluster("CH4", define="Jx=10:1=0.5"), "define Jx: the formula does not contain Jx"),
    (lambda: tarnevo.cluster("--json"), "formula: '--json' is not a formula"),
    (lambda: tarnevo.cluster("-h"), "formula: '-h' is not a formula"),
    (lambda: tarnevo.formulas(200, tol=1, elements=["C"]), "tol: a number from 0 to 0.5 is required, not '1'"),
    (lambda: tarnevo.formulas(200, elements=["C", "H:x"]), "elements: an integer from 0 to 1000"),
    (lambda: tarnevo.enrich("C6H6", "C", 2, 78.0464, [1, 2], estimate=0.5), "estimate: C has two isotopes"),
    (lambda: tarnevo.enrich("C6H6", "C", 2, 78.0464, [1, 2], max_cycles=0),
     "max_cycles: an integer from 1 to 100000 is required"),
    (lambda: tarnevo.loss_of_h("C6H6", 77.05, [[100, 50]]), "intensities must be one-dimensional"),
    (lambda: tarnevo.polymer("C2H4O", "Na"), "give exactly one of ru_range and mz_range"),
    (lambda: tarnevo.identify(CAFFEINE, polarity="x"), "polarity: + or - is required, not 'x'"),
    (lambda: tarnevo.identify(CAFFEINE, no_filter="junk"), "no_filter: rdbe, ratios or lewis-senior"),
    (lambda: tarnevo.identify(CAFFEINE, top=0), "top: a whole number from 1 to 1000000"),
    (lambda: tarnevo.identify([]), "peaks must be (mz, intensity) pairs"),
    (lambda: tarnevo.identify(np.zeros((3, 3))), "not of shape (3, 3)"),
    (lambda: tarnevo.cluster_many(["CH4"], jobs=0), "jobs: a number of threads from 1 to 256 is required"),
    (lambda: tarnevo.cluster_many(["CH4"], jobs=257), "jobs: a number of threads from 1 to 256 is required"),
    (lambda: tarnevo.cluster_many(["CH4"], on_refused="skip"), "on_refused must be 'raise' or 'none'"),
    (lambda: tarnevo.cluster_many(["CH4", "CH4"], define="Jx=10:1=0.5"), "formulas[0] 'CH4': define Jx"),
    # A lone surrogate is no character UTF-8 can carry: once a stray TypeError
    # of the binding ("incompatible function arguments").
    (lambda: tarnevo.cluster("C6H6\ud800"), "formula: 'C6H6\\ud800' holds '\\ud800', a lone surrogate"),
    (lambda: tarnevo.cluster("CH4", adduct="[M+H]\udcff+"), "adduct: '[M+H]\\udcff+' holds '\\udcff'"),
    (lambda: tarnevo.formulas(200, elements=["C", "H\ud800"]), "elements: 'H\\ud800' holds"),
    (lambda: tarnevo.cluster("CH4Jx", define={"Jx": "10:1=0.5\ud800"}), "define: 'Jx=10:1=0.5\\ud800' holds"),
    (lambda: tarnevo.cluster_many(["CH4", "C\ud800"]), "formulas[1]: 'C\\ud800' holds '\\ud800'"),
    (lambda: tarnevo.isotopes("\ud800"), "symbol: '\\ud800' holds '\\ud800', a lone surrogate that is no character"),
])
def test_bad_value_raises_value_error_naming_the_argument(call, message):
    with pytest.raises(ValueError) as bad:
        call()
    assert message in str(bad.value)
    assert "--" not in str(bad.value).replace("'--json'", "")


@pytest.mark.parametrize("call, message", [
    (lambda: tarnevo.cluster(42), "formula must be a str, not int"),
    (lambda: tarnevo.cluster("CH4", charge="1"), "charge must be an int, not str"),
    (lambda: tarnevo.cluster("CH4", charge=True), "charge must be an int, not bool"),
    (lambda: tarnevo.cluster("CH4", stop="0.9"), "stop must be a number, not str"),
    (lambda: tarnevo.cluster("CH4Jx", define={"Jx": 10.0}), "define['Jx'] must be a str"),
    (lambda: tarnevo.formulas("200", elements=["C"]), "mz must be a number, not str"),
    (lambda: tarnevo.formulas(200, elements="CH"), "elements must be a list of element rows"),
    (lambda: tarnevo.formulas(200, elements=[("C", 0.5)]), "elements[0][1] must be an int, not float"),
    (lambda: tarnevo.formulas(200, elements=["C"], adduct=3), "adduct must be a str or a list of str"),
    (lambda: tarnevo.label("C6H6", 5), "enrich must be a tuple, a str or a list of them"),
    (lambda: tarnevo.loss_of_h("C6H6", 77.05, "100,50"), "intensities must be a list or array of numbers"),
    (lambda: tarnevo.loss_of_h("C6H6", 77.05, ["100"]), "intensities[0] must be a number, not str"),
    (lambda: tarnevo.polymer("C2H4O", "Na", ru_range=4), "ru_range must be a (low, high) pair"),
    (lambda: tarnevo.identify("195:100"), "peaks must be a list of (mz, intensity) pairs"),
    (lambda: tarnevo.cluster_many("CH4"), "formulas must be a list of str, not str"),
    (lambda: tarnevo.cluster_many(["CH4", None]), "formulas[1] must be a str, not NoneType"),
    # A switch takes a bool only: "no" once switched the Orbitrap model on.
    (lambda: tarnevo.cluster("CH4", resolution=30000, orbitrap="no"),
     "orbitrap must be a bool (True or False), not str"),
    (lambda: tarnevo.cluster("CH4", resolution=30000, profile=1), "profile must be a bool (True or False), not int"),
    (lambda: tarnevo.cluster_many(["CH4"], resolution=30000, orbitrap="False"), "orbitrap must be a bool"),
    (lambda: tarnevo.formulas(200, elements=["C"], all="yes"), "all must be a bool (True or False), not str"),
    (lambda: tarnevo.identify(CAFFEINE, strict_ratios=None), "strict_ratios must be a bool (True or False)"),
    (lambda: tarnevo.identify(CAFFEINE, all=[]), "all must be a bool (True or False), not list"),
])
def test_wrong_type_raises_type_error_naming_the_argument(call, message):
    with pytest.raises(TypeError) as wrong:
        call()
    assert message in str(wrong.value)


def test_numpy_numbers_are_taken_as_numbers():
    c = tarnevo.cluster("CH4", charge=np.int64(2), stop=np.float64(0.999))
    assert c.charge == 2 and c.stop_fa == 0.999


@pytest.mark.parametrize("on", [True, np.bool_(True)])
def test_a_switch_takes_python_and_numpy_bools(on):
    c = tarnevo.cluster("CH4", resolution=30000, orbitrap=on)
    assert c.resolving_power["model"] != tarnevo.cluster("CH4", resolution=30000, orbitrap=False).resolving_power["model"]
