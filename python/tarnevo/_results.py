"""The result objects: the command line's JSON answer read into Python.

Each result keeps the JSON object it was read from (``to_dict()`` gives it
back, keys and numbers exactly as the command line wrote them) and shows its
tables as NumPy arrays, one array a column: float64 for masses, m/z,
abundances and intensities (NaN where the JSON has null), int64 for counts
and peak numbers, and object arrays of str for formulae and ion types. Every
scalar field of the JSON is also an attribute under its snake_case name
(``ionMassA`` -> ``ion_mass_a``), beside the friendlier names each class
documents.
"""

import copy
import functools
import re

import numpy as np

_FLOAT, _INT, _TEXT = np.float64, np.int64, object


@functools.lru_cache(maxsize=None)
def _snake(name):
    """ionMassA -> ion_mass_a, stopFA -> stop_fa, firstRUCount -> first_ru_count.

    Kept per name: the JSON of every result repeats the same few dozen keys."""
    name = re.sub(r"([A-Z]+)([A-Z][a-z])", r"\1_\2", name)
    return re.sub(r"([a-z0-9])([A-Z])", r"\1_\2", name).lower()


def _column(rows, key, dtype):
    """One column of a JSON table as an array; a null reads as NaN."""
    values = [row.get(key) for row in rows]
    if dtype is _FLOAT:
        return np.array([np.nan if v is None else v for v in values], dtype=np.float64)
    if dtype is _TEXT:
        array = np.empty(len(values), dtype=object)
        array[:] = values
        return array
    return np.array(values, dtype=dtype)


def _columns(rows, layout):
    """{attribute: array} for a table whose layout lists its columns as (JSON key, dtype)."""
    return {_snake(key): _column(rows, key, dtype) for key, dtype in layout}


def _pandas():
    try:
        import pandas
    except ImportError as missing:
        raise ImportError("to_frame() needs pandas (Debian: apt-get install python3-pandas); "
                          "the arrays and to_dict() work without it") from missing
    return pandas


def _rows(data, whole):
    """A table of the C++ core's reading as the JSON's rows: data a dict of
    column arrays (rows of objects) or an (n, 2) array (rows of pairs); whole
    the cells, counted row by row, that the JSON wrote as whole numbers."""
    if isinstance(data, dict):
        names = list(data)
        rows = [dict(zip(names, row)) for row in zip(*(data[name].tolist() for name in names))]
        for cell in whole:
            row, name = rows[cell // len(names)], names[cell % len(names)]
            row[name] = int(row[name])
        return rows
    rows = data.tolist()
    for cell in whole:
        rows[cell // 2][cell % 2] = int(rows[cell // 2][cell % 2])
    return rows


def _rebuilt(fields, tables, layout):
    """The JSON object the C++ core read into fields, tables and their layout
    ({key: (position among the members, whole cells)}), as json.loads would
    have read its text: the same members in the same order, the same numbers,
    ints where the text had whole numbers."""
    members = list(copy.deepcopy(fields).items())
    for key, (position, whole) in sorted(layout.items(), key=lambda table: table[1][0]):
        members.insert(position, (key, _rows(tables[key], whole)))
    return dict(members)


class Result:
    """What every result has: to_dict(), to_frame() and the JSON's scalar fields."""

    # The tables to_frame() can give, by name, each {column: array}; the first is the default.
    _table_names = ()

    def __init__(self, data):
        self._data = data
        self._read_answer = None
        self._keep_fields(data)

    def _keep_fields(self, fields):
        for key, value in fields.items():
            if not isinstance(value, (list, dict)):
                setattr(self, _snake(key), value)

    def to_dict(self):
        """The command line's JSON object of this result (a fresh copy, the CLI's keys)."""
        if self._data is None:
            return _rebuilt(*self._read_answer)
        return copy.deepcopy(self._data)

    def _table(self, name):
        raise NotImplementedError

    def to_frame(self, table=None):
        """The result's table as a pandas DataFrame, one column an array.

        table: which table, for results with more than one (see the class's
        documentation); by default the main one. Raises ImportError when pandas
        is not installed.
        """
        pandas = _pandas()
        name = self._table_names[0] if table is None else table
        if name not in self._table_names:
            raise ValueError(f"table must be one of {', '.join(map(repr, self._table_names))}, not {table!r}")
        return pandas.DataFrame(self._table(name))

    def _summary(self):
        return ""

    def __repr__(self):
        return f"<tarnevo.{type(self).__name__} {self._summary()}>"


_PEAK_COLUMNS = (("n", _INT), ("mz", _FLOAT), ("centroidMz", _FLOAT), ("fa", _FLOAT), ("rel", _FLOAT))


class Cluster(Result):
    """The isotope cluster of one ion (tarnevo.cluster, tarnevo.label).

    formula, charge: as given (formula is the molecule M with an adduct);
    ion_mass: the m/z of [A+0], the ion of the lightest isotopes (u per |charge|);
    average_mass: the mean ion mass of the cluster (u); most_abundant: n of the
    largest peak. With an adduct also adduct, ion_formula and neutral_mass.

    Arrays, one entry a peak [A+n]: n (int64), mz (nominal spacing, ([A+0] mass
    + n) / |charge|), centroid_mz (the abundance-weighted m/z an instrument sees),
    fa (fractional abundance) and rel (percent of the largest peak).

    With a resolving power (otherwise None): resolving_power (a dict: r, model,
    at_mz), pattern_model, the resolved peaks resolved_mz, resolved_fa,
    resolved_rel, and with profile=True the profile, an (m, 2) array of m/z and
    percent of the highest point.

    to_frame(): table "peaks" (default), "resolved" or "profile".
    """

    _table_names = ("peaks", "resolved", "profile")

    def __init__(self, data, peaks_key="peaks"):
        super().__init__(data)
        self._read(data, lambda key, layout: _columns(data[key], layout), peaks_key)

    @classmethod
    def _from_columns(cls, fields, tables, layout):
        """A cluster whose JSON answer the C++ core has read already
        (cluster_many): fields holds its members that are no table, tables its
        peaks as columns of float64, layout where they stood (see _rebuilt);
        the answer's text is gone, and to_dict() makes the object again from these."""
        cluster = cls.__new__(cls)
        cluster._data = None
        cluster._read_answer = (fields, tables, layout)
        cluster._keep_fields(fields)

        def table(key, columns):
            if key not in tables:  # an empty table stays a list among the fields
                return _columns(fields[key], columns)
            arrays = tables[key]
            return {_snake(name): arrays[name].astype(dtype) if dtype is not _FLOAT else arrays[name]
                    for name, dtype in columns}

        cluster._read({**fields, **tables}, table, "peaks")
        return cluster

    def _read(self, data, table, peaks_key):
        """The fields every cluster shows; table(key, layout) gives a table's columns."""
        self.ion_mass = data["ionMassA"]
        self.average_mass = data["averageMass"]
        self.most_abundant = data["mostAbundantPeak"]
        self._peaks = table(peaks_key, _PEAK_COLUMNS)
        self.n, self.mz, self.centroid_mz, self.fa, self.rel = self._peaks.values()
        self.resolving_power = None
        self.pattern_model = None
        self.resolved_mz = self.resolved_fa = self.resolved_rel = None
        self.profile = None
        if "resolvingPower" not in data:
            return
        power = data["resolvingPower"]
        self.resolving_power = {"r": power["r"], "model": power["model"], "at_mz": power["atMz"]}
        resolved = table("resolvedPeaks", (("mz", _FLOAT), ("fa", _FLOAT), ("rel", _FLOAT)))
        self.resolved_mz, self.resolved_fa, self.resolved_rel = resolved.values()
        if "profile" in data:
            self.profile = np.asarray(data["profile"], dtype=np.float64).reshape(-1, 2)

    def _table(self, name):
        if name == "peaks":
            return self._peaks
        if self.resolving_power is None:
            raise ValueError(f"the {name} table needs a resolving power (resolution=...)")
        if name == "resolved":
            return {"mz": self.resolved_mz, "fa": self.resolved_fa, "rel": self.resolved_rel}
        if self.profile is None:
            raise ValueError("the profile table needs profile=True")
        return {"mz": self.profile[:, 0], "rel": self.profile[:, 1]}

    def __len__(self):
        return len(self.n)

    def _summary(self):
        return f"{self.formula} charge {self.charge}: [A+0] at m/z {self.ion_mass!r}, {len(self)} peaks"


class LabelledCluster(Cluster):
    """The isotope cluster of an ion with enriched atoms (tarnevo.label).

    Everything of Cluster, and enriched: per enriched element a dict with
    symbol, atoms and isotopes ({mass number: FA}, the lightest taking the rest).
    """

    def __init__(self, data):
        super().__init__(data)
        self.enriched = [{"symbol": e["symbol"], "atoms": e["atoms"],
                          "isotopes": {i["massNumber"]: i["fa"] for i in e["isotopes"]}}
                         for e in data["enriched"]]


class Isotopes(Result):
    """The natural isotopes of an element (tarnevo.isotopes).

    symbol; arrays mass_number (int64), mass (u) and fa (fractional abundance),
    one entry an isotope, lightest first.
    """

    _table_names = ("isotopes",)

    def __init__(self, data):
        super().__init__(data)
        self._isotopes = _columns(data["isotopes"], (("massNumber", _INT), ("mass", _FLOAT), ("fa", _FLOAT)))
        self.mass_number, self.mass, self.fa = self._isotopes.values()

    def _table(self, name):
        return self._isotopes

    def __len__(self):
        return len(self.mass_number)

    def _summary(self):
        return f"{self.symbol}: {len(self)} isotopes"


class FormulaList(Result):
    """The elemental formulae found at an m/z (tarnevo.formulas).

    target (m/z), tolerance, formula_count (how many lie in the window),
    storage_full (True when more were found than kept), elements (the rows
    searched, dicts of symbol, min and max) and, with adducts, adducts (per ion
    type its charge, count and the maxima of each row).

    Arrays, one entry a formula: formula (str; the molecule M with adducts), mz
    (of the ion's [A+0]), error_ppm, dbe (rings plus double bonds, NaN where an
    element has no usual valence), electron_class (int64: 0 an even-electron
    ion, 1 odd-electron, -1 unknown, where an element has no usual valence),
    counts (int64, shape (n, number of rows): atoms of each row's element), and
    with adducts adduct and ion_formula (str).
    """

    _table_names = ("formulae",)

    def __init__(self, data):
        super().__init__(data)
        rows = data["formulae"]
        self.elements = copy.deepcopy(data["elements"])
        self.adducts = copy.deepcopy(data.get("adducts"))
        layout = [("formula", _TEXT), ("mz", _FLOAT), ("errorPpm", _FLOAT), ("dbe", _FLOAT),
                ("electronClass", _INT)]
        if self.adducts is not None:
            layout[:0] = [("adduct", _TEXT)]
            layout[2:2] = [("ionFormula", _TEXT)]
        self._formulae = _columns(rows, layout)
        for name, array in self._formulae.items():
            setattr(self, name, array)
        self.counts = np.array([row["counts"] for row in rows], dtype=np.int64).reshape(
            len(rows), len(self.elements))

    def _table(self, name):
        return self._formulae

    def __len__(self):
        return len(self.formula)

    def _summary(self):
        return f"at m/z {self.target!r} +/- {self.tolerance!r}: {len(self)} formulae"


class LossOfH(Result):
    """A measured pattern corrected for the ions that lost H (tarnevo.loss_of_h).

    ion_mass (m/z of [A+0]), first_peak_mz, first_peak_offset (n of the first
    measured peak, -4 .. -1). Arrays of the measured peaks: experimental_n
    (int64, relative to [A+0]), experimental_mz, experimental_rel; of the
    corrected pattern: corrected_n, corrected_mz, corrected_rel.

    to_frame(): table "corrected" (default) or "experimental".
    """

    _table_names = ("corrected", "experimental")

    def __init__(self, data):
        super().__init__(data)
        self.ion_mass = data["ionMassA"]
        layout = (("n", _INT), ("mz", _FLOAT), ("rel", _FLOAT))
        self._tables = {name: _columns(data[name], layout) for name in self._table_names}
        for name, columns in self._tables.items():
            for column, array in columns.items():
                setattr(self, f"{name}_{column}", array)

    def _table(self, name):
        return self._tables[name]

    def _summary(self):
        return f"{self.formula}: {len(self.corrected_n)} corrected peaks"


class Enrichment(Result):
    """The enrichment of one element fitted to a measured spectrum (tarnevo.enrich).

    element, atoms; isotopes: {mass number: fitted FA}; ssr (sum of squared
    residuals), converged (SSR below 0.1), ended ("converged", "cycleLimit" or
    "cannotImprove"), cycles. Arrays of the compared peaks: n (int64), mz,
    experimental and calculated (relative intensities); cluster: the fitted
    cluster as a Cluster.
    """

    _table_names = ("peaks",)

    def __init__(self, data):
        super().__init__(data)
        self.isotopes = {i["massNumber"]: i["fa"] for i in data["isotopes"]}
        self._peaks = _columns(data["peaks"], (("n", _INT), ("mz", _FLOAT), ("experimental", _FLOAT),
                                               ("calculated", _FLOAT)))
        self.n, self.mz, self.experimental, self.calculated = self._peaks.values()
        self.cluster = Cluster(data, peaks_key="clusterPeaks")

    def _table(self, name):
        return self._peaks

    def _summary(self):
        return f"{self.element} in {self.formula}: {self.isotopes}, ended {self.ended}"


class PolymerSeries(Result):
    """The clusters of a series of polymer or cluster ions (tarnevo.polymer).

    repeat_unit, end_cap, charging_ion, charging_ion_count, charge; arrays, one
    entry an ion: ru (int64, repeat units), ion_mass (m/z of [A+0]) and max_fa;
    ions: each ion's cluster as a PolymerIon (arrays n, mz, centroid_mz, fa, rel).

    to_frame(): every peak of every ion, with the ion's ru in the first column.
    """

    _table_names = ("peaks",)

    def __init__(self, data):
        super().__init__(data)
        series = data["ions"]
        self.ru, self.ion_mass, self.max_fa = _columns(
            series, (("ru", _INT), ("ionMassA", _FLOAT), ("maxFA", _FLOAT))).values()
        self.ions = [PolymerIon(ion) for ion in series]

    def _table(self, name):
        columns = {"ru": np.concatenate([np.full(len(ion.n), ion.ru, dtype=np.int64) for ion in self.ions])
                   if self.ions else np.empty(0, dtype=np.int64)}
        for column in ("n", "mz", "centroid_mz", "fa", "rel"):
            arrays = [getattr(ion, column) for ion in self.ions]
            columns[column] = np.concatenate(arrays) if arrays else np.empty(0)
        return columns

    def __len__(self):
        return len(self.ions)

    def _summary(self):
        return f"{self.repeat_unit} x {self.first_ru_count}..{self.last_ru_count}: {len(self)} ions"


class PolymerIon:
    """One ion of a polymer series: ru, ion_mass, max_fa and its peaks' arrays."""

    def __init__(self, data):
        self.ru = data["ru"]
        self.ion_mass = data["ionMassA"]
        self.max_fa = data["maxFA"]
        self.n, self.mz, self.centroid_mz, self.fa, self.rel = _columns(data["peaks"], _PEAK_COLUMNS).values()

    def __repr__(self):
        return f"<tarnevo.PolymerIon ru {self.ru}: [A+0] at m/z {self.ion_mass!r}, {len(self.n)} peaks>"


_CANDIDATE_COLUMNS = (("rank", _INT), ("adduct", _TEXT), ("formula", _TEXT), ("ionFormula", _TEXT),
                      ("mz", _FLOAT), ("errorPpm", _FLOAT), ("dbe", _FLOAT), ("electronClass", _TEXT),
                      ("patternScore", _FLOAT), ("score", _FLOAT))
_COMPARED_PEAK_COLUMNS = (("outcome", _TEXT), ("measuredMz", _FLOAT), ("measuredRel", _FLOAT),
                          ("predictedMz", _FLOAT), ("predictedRel", _FLOAT))


class Identification(Result):
    """The ions that explain a measured isotope pattern, best first (tarnevo.identify).

    charge, charge_inferred (read from the peaks' spacing), monoisotopic_mz,
    mass_matches (formulae in the window), filtered_out (of them, refused by a
    filter), candidate_count. Arrays, one entry a candidate: rank (int64),
    adduct, formula (the molecule M), ion_formula, mz, error_ppm, dbe,
    electron_class, pattern_score (0-100) and score (log-likelihood, 0 best).
    peaks: per candidate a dict of arrays comparing the peaks, outcome
    ("matched", "missing", "unexplained"), measured_mz, measured_rel,
    predicted_mz, predicted_rel (NaN on the side a peak lacks).
    """

    _table_names = ("candidates",)

    def __init__(self, data):
        super().__init__(data)
        candidates = data["candidates"]
        self._candidates = _columns(candidates, _CANDIDATE_COLUMNS)
        for name, array in self._candidates.items():
            setattr(self, name, array)
        self.peaks = [_columns(c["peaks"], _COMPARED_PEAK_COLUMNS) for c in candidates]

    def _table(self, name):
        return self._candidates

    def __len__(self):
        return len(self.rank)

    def _summary(self):
        best = f", best {self.formula[0]} as {self.adduct[0]}" if len(self) else ""
        return f"charge {self.charge} at m/z {self.monoisotopic_mz!r}: {len(self)} candidates{best}"
