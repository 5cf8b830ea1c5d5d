"""Every function's result: its arrays (shape, dtype, values), to_dict() against
the command line's own JSON for the same question, to_frame() and repr.

The JSON comparisons run the built tarnevo-cli in a subprocess: the module runs
the same code in-process, so the objects must be equal key for key and number
for number (JSON numbers are the shortest text of each double, read back
exactly). The closed forms are derived by hand from the element table's
isotopes, sharing nothing with the engine.
"""

import doctest

import numpy as np
import pytest

import tarnevo


def test_cluster_of_cl2_is_the_binomial_of_its_isotopes():
    # Cl2+: [A+0] 35Cl35Cl, [A+2] two ways of 35Cl37Cl, [A+4] 37Cl37Cl, from the
    # table's FAs 0.7576 and 0.2424; the ion lacks one electron (0.000548579909 u).
    cl = tarnevo.isotopes("Cl")
    light, heavy = cl.fa
    c = tarnevo.cluster("Cl2", stop=0.99999)
    by_n = dict(zip(c.n.tolist(), c.fa))
    assert by_n[0] == pytest.approx(light * light, rel=1e-12)
    assert by_n[2] == pytest.approx(2 * light * heavy, rel=1e-12)
    assert by_n[4] == pytest.approx(heavy * heavy, rel=1e-12)
    assert c.ion_mass == pytest.approx(2 * cl.mass[0] - 0.000548579909, abs=1e-9)
    assert c.most_abundant == 0 and c.rel[0] == 100


def test_cluster_arrays_are_one_entry_a_peak():
    c = tarnevo.cluster("C6H5Cl2")
    assert len(c) == 7
    for name, dtype in [("n", np.int64), ("mz", np.float64), ("centroid_mz", np.float64),
                        ("fa", np.float64), ("rel", np.float64)]:
        array = getattr(c, name)
        assert array.dtype == dtype and array.shape == (7,), name
    assert c.n.tolist() == list(range(7))
    assert c.resolving_power is None and c.resolved_mz is None and c.profile is None


def test_cluster_with_resolution_gives_resolved_peaks_and_profile(cli_json):
    c = tarnevo.cluster("C8H10N4O2", adduct="[M+H]+", resolution=60000, orbitrap=True, at=400, profile=True)
    assert c.to_dict() == cli_json("cluster", "C8H10N4O2", "--adduct", "[M+H]+", "--resolution", "60000",
                                   "--orbitrap", "--at", "400", "--profile")
    assert c.resolving_power == {"r": 60000, "model": "orbitrap", "at_mz": 400}
    assert c.resolved_mz.shape == c.resolved_fa.shape == c.resolved_rel.shape
    assert c.profile.dtype == np.float64 and c.profile.ndim == 2 and c.profile.shape[1] == 2
    assert c.ion_formula == "C8H11N4O2" and round(c.ion_mass, 4) == 195.0876
    assert list(c.to_frame("profile").columns) == ["mz", "rel"]


@pytest.mark.parametrize("call, arguments", [
    (lambda: tarnevo.cluster("C6H5Cl2"), ["cluster", "C6H5Cl2"]),
    (lambda: tarnevo.cluster("CH4Jx", define={"Jx": (10.0129, {1: 0.8})}),
     ["cluster", "CH4Jx", "--define", "Jx=10.0129:1=0.8"]),
    (lambda: tarnevo.isotopes("Sn"), ["isotopes", "Sn"]),
    (lambda: tarnevo.formulas(203.0526, tol=0.001, adduct="[M+Na]+", elements=["C:0:12", ("H", 0, 24), "O:0:12"]),
     ["formulas", "203.0526", "--tol", "0.001", "--adduct", "[M+Na]+", "--element", "C:0:12",
      "--element", "H:0:24", "--element", "O:0:12"]),
    (lambda: tarnevo.label("C6H12O6", ("C", 6, [0.99]), adduct="[M+Na]+"),
     ["label", "C6H12O6", "--adduct", "[M+Na]+", "--enrich", "C:6:0.99"]),
    (lambda: tarnevo.enrich("C6H6", "C", 2, 78.0464, [1.2, 22, 100, 4.4]),
     ["enrich", "C6H6", "--element", "C", "--atoms", "2", "--first-mz", "78.0464",
      "--intensities", "1.2,22,100,4.4"]),
    (lambda: tarnevo.loss_of_h("C6H6", 77.05, np.array([100.0, 50.0, 3.0])),
     ["loss-of-h", "C6H6", "--first-mz", "77.05", "--intensities", "100,50,3"]),
    (lambda: tarnevo.polymer("C2H4O", "Na", mz_range=(50, 400)),
     ["polymer", "--ru", "C2H4O", "--ci", "Na", "--mz-range", "50-400"]),
    (lambda: tarnevo.identify(np.array([[195.0877, 100], [196.0908, 10.4], [197.0917, 1.2]]), charge=1, top=3),
     ["identify", "--peaks", "195.0877:100,196.0908:10.4,197.0917:1.2", "--charge", "1", "--top", "3"]),
])
def test_to_dict_is_the_command_lines_json(call, arguments, cli_json):
    result = call()
    assert result.to_dict() == cli_json(*arguments)
    result.to_dict().clear()  # a copy: the result keeps its own
    assert result.to_dict() == cli_json(*arguments)
    assert repr(result).startswith(f"<tarnevo.{type(result).__name__} ")
    assert len(result.to_frame()) > 0


def test_formulas_arrays_and_counts():
    found = tarnevo.formulas(500.2, tol=0.005, elements=["C", "H", "N", "O"])
    rows = len(found)
    assert rows == found.formula_count > 1
    assert found.formula.dtype == object and found.mz.dtype == np.float64
    assert found.counts.shape == (rows, 4) and found.counts.dtype == np.int64
    assert np.all(np.abs(found.mz - 500.2) <= 0.005)
    assert np.all(found.error_ppm == pytest.approx((found.mz - 500.2) / 500.2 * 1e6, rel=1e-9))
    assert list(found.to_frame().columns) == ["formula", "mz", "error_ppm", "dbe", "electron_class"]


def test_formulas_reads_a_null_dbe_as_nan():
    # Fe has no usual valence, so a formula holding it has no rings plus double
    # bonds. Its [A+0] is the lightest isotope, 54Fe, less an electron.
    fe54 = tarnevo.isotopes("Fe").mass[0]
    found = tarnevo.formulas(fe54 - 0.000548579909, tol=0.001, elements=["Fe:1:1"])
    assert found.formula.tolist() == ["Fe"] and np.isnan(found.dbe[0])


def test_formulas_of_nothing_keeps_the_shapes():
    found = tarnevo.formulas(50.0, tol=0.0001, elements=["C:0:1"])
    assert len(found) == 0 and found.mz.shape == (0,) and found.counts.shape == (0, 1)


def test_identify_ranks_caffeine_first_and_compares_peaks():
    best = tarnevo.identify([(195.0877, 100), (196.0908, 10.4), (197.0917, 1.2)], charge=1)
    assert (best.formula[0], best.adduct[0], best.rank[0]) == ("C8H10N4O2", "[M+H]+", 1)
    assert best.rank.dtype == np.int64 and best.score.dtype == np.float64
    assert len(best.peaks) == len(best) == best.candidate_count
    first = best.peaks[0]
    missing = first["outcome"] == "missing"
    assert np.all(np.isnan(first["measured_mz"][missing])) and not np.any(np.isnan(first["predicted_mz"]))


def test_identify_all_lists_more_than_top():
    peaks = [(195.0877, 100), (196.0908, 10.4), (197.0917, 1.2)]
    assert len(tarnevo.identify(peaks, charge=1, top=1)) == 1
    assert len(tarnevo.identify(peaks, charge=1, all=True)) > 1


def test_label_enriched_and_enrich_cluster():
    labelled = tarnevo.label("C6H6", ["C:2:0.99"])
    assert labelled.most_abundant == 2
    assert labelled.enriched == [{"symbol": "C", "atoms": 2, "isotopes": {12: pytest.approx(0.01), 13: 0.99}}]
    fit = tarnevo.enrich("C6H6", "C", 2, 78.0464, [1.2, 22, 100, 4.4])
    assert fit.converged and fit.ended == "converged"
    assert fit.isotopes == {12: pytest.approx(0.1), 13: pytest.approx(0.9)}
    assert fit.n.tolist() == [0, 1, 2, 3] and fit.experimental.tolist() == [1.2, 22, 100, 4.4]
    assert isinstance(fit.cluster, tarnevo.Cluster) and len(fit.cluster) == 5


def test_polymer_series_and_its_frame():
    series = tarnevo.polymer("C2H4O", "Na", mz_range=(50, 400))
    assert series.ru.tolist() == list(range(1, 9)) and series.ion_mass.shape == (8,)
    # n x C2H4O + Na, less an electron: one repeat unit apart, 2 C + 4 H + O.
    unit = sum(count * tarnevo.isotopes(symbol).mass[0] for symbol, count in [("C", 2), ("H", 4), ("O", 1)])
    assert np.diff(series.ion_mass) == pytest.approx(np.full(7, unit), abs=1e-9)
    frame = series.to_frame()
    assert list(frame.columns) == ["ru", "n", "mz", "centroid_mz", "fa", "rel"]
    assert len(frame) == sum(len(ion.n) for ion in series.ions)


def test_loss_of_h_tables():
    corrected = tarnevo.loss_of_h("C6H6", 77.05, [100, 50, 3])
    assert corrected.experimental_n.tolist() == [-1, 0, 1] and corrected.corrected_n.tolist() == [0, 1]
    assert list(corrected.to_frame("experimental").columns) == ["n", "mz", "rel"]


def test_to_frame_names_its_tables():
    c = tarnevo.cluster("CH4")
    with pytest.raises(ValueError, match="table must be one of 'peaks', 'resolved', 'profile'"):
        c.to_frame("nothing")
    with pytest.raises(ValueError, match="needs a resolving power"):
        c.to_frame("resolved")


def test_to_frame_without_pandas_says_what_is_missing(monkeypatch):
    import builtins

    real_import = builtins.__import__

    def no_pandas(name, *args, **kwargs):
        if name == "pandas":
            raise ImportError("no pandas here")
        return real_import(name, *args, **kwargs)

    monkeypatch.setattr(builtins, "__import__", no_pandas)
    with pytest.raises(ImportError, match="to_frame\\(\\) needs pandas"):
        tarnevo.cluster("CH4").to_frame()


def test_every_public_function_is_documented():
    for name in tarnevo.__all__:
        assert len(getattr(tarnevo, name).__doc__ or "") > 60, name


def test_the_examples_in_the_docstrings_hold():
    result = doctest.testmod(tarnevo, extraglobs={"tarnevo": tarnevo}, optionflags=doctest.NORMALIZE_WHITESPACE)
    assert result.failed == 0 and result.attempted >= 15
