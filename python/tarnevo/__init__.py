"""TARNEVO from Python: exact isotope clusters, formulae from m/z and ion identification.

The calculations of tarnevo-cli, run in-process with the command line's own
checks and messages; tables come back as NumPy arrays. Masses are in u, m/z in
u per elementary charge, FA is the fractional abundance (0..1) and rel the
percentage of the largest peak.

    >>> import tarnevo
    >>> c = tarnevo.cluster("C6H5Cl2")
    >>> c.ion_mass, c.fa[:3]
    (146.976276420091, array([0.53777208, 0.03520763, 0.34509247]))

A calculation the program refuses (an ion of charge 0, a formula it cannot
read) raises tarnevo.Refused with the program's message; a value out of its
range raises ValueError naming the argument; a value of the wrong type raises
TypeError. Calculations release the GIL, so Python threads run them side by
side, and cluster_many spreads many ions over every core. Ctrl-C stops a long
calculation with KeyboardInterrupt at once; a formula search or an
identification of more than a second shows its progress on sys.stderr when
that is a terminal.
"""

import gc
import json
import re
import warnings

from . import _arguments as _a
from . import _tarnevo
from ._results import (Cluster, Enrichment, FormulaList, Identification, Isotopes, LabelledCluster, LossOfH,
                       PolymerIon, PolymerSeries, Result)

__all__ = [
    "Refused", "cluster", "cluster_many", "isotopes", "formulas", "label", "enrich", "loss_of_h", "polymer",
    "identify", "Result", "Cluster", "LabelledCluster", "Isotopes", "FormulaList", "LossOfH", "Enrichment",
    "PolymerSeries", "PolymerIon", "Identification",
]


class Refused(Exception):
    """The calculation refused its input: the message the program shows (.message).

    Raised for what the program itself declines, such as an unknown element,
    a charge of zero or a pattern that is no isotope cluster, as opposed to a
    value outside what an argument accepts (ValueError).
    """

    def __init__(self, message):
        super().__init__(message)
        self.message = message


_EXIT_OK, _EXIT_REFUSED, _EXIT_USAGE = 0, 2, 64
# The most threads cluster_many starts, the command line's limit of --jobs.
_MAX_JOBS = 256


def _failure_message(errors):
    """The message of a failure: the command line's {"error": ...} object, or its raw text."""
    text = errors.decode("utf-8", "replace").strip()
    try:
        return json.loads(text)["error"]
    except (ValueError, KeyError, TypeError):
        return text


def _python_words(message, names):
    """The command line's message in the caller's words: --first-mz -> first_mz,
    FORMULA -> formula, for the options and placeholders in names."""
    message = re.sub(r"^tarnevo-cli( [a-z-]+)?: ", "", message)

    def rename(match):
        return names.get(match.group(0), match.group(0))

    pattern = "|".join(re.escape(word) for word in sorted(names, key=len, reverse=True))
    return re.sub(rf"(?<![\w-])({pattern})(?![\w-])", rename, message) if names else message


def _answer(run, names):
    """The JSON object of a run, or the exception its failure calls for."""
    status, out, errors = run
    if status == _EXIT_OK:
        if errors:
            warnings.warn(errors.decode("utf-8", "replace").strip(), stacklevel=3)
        return json.loads(out)
    message = _python_words(_failure_message(errors), names)
    if status == _EXIT_REFUSED:
        raise Refused(message)
    if status == _EXIT_USAGE:
        raise ValueError(message)
    raise RuntimeError(f"{message} (exit status {status})")


class _Command:
    """A command line under construction, with the Python names of its options."""

    def __init__(self, name, **placeholders):
        self.words = [name]
        # The command line's names of the arguments, as its messages use them.
        self.names = {placeholder: python for python, placeholder in placeholders.items()}

    def positional(self, python, value):
        self.words.append(_a.positional(python, value))

    def add(self, option, python, value):
        """--option=value, value already turned into text; nothing when value is None."""
        self.names[f"--{option}"] = python
        if value is not None:
            self.words.append(_a.option(option, _a.encodable(python, value)))

    def flag(self, option, python, on):
        self.names[f"--{option}"] = python
        if _a.boolean(python, on):
            self.words.append(f"--{option}")

    def repeated(self, option, python, values):
        self.names[f"--{option}"] = python
        self.words += [_a.option(option, _a.encodable(python, value)) for value in values]

    def json(self):
        return self.words + ["--json"]

    def run(self):
        return _answer(_tarnevo.run(self.json()), self.names)


def _optional(convert, name, value):
    return None if value is None else convert(name, value)


def _cluster_command(formula, charge, stop, define, adduct, resolution, orbitrap, at, profile):
    command = _Command("cluster", formula="FORMULA")
    command.positional("formula", formula)
    _ion_options(command, charge, adduct)
    command.add("stop", "stop", _a.number("stop", stop))
    command.repeated("define", "define", _optional(_a.definitions, "define", define) or [])
    _resolution_options(command, resolution, orbitrap, at)
    command.flag("profile", "profile", profile)
    return command


def _ion_options(command, charge, adduct):
    command.add("charge", "charge", _optional(_a.integer, "charge", charge))
    command.add("adduct", "adduct", _optional(_a.text, "adduct", adduct))


def _resolution_options(command, resolution, orbitrap, at):
    command.add("resolution", "resolution", _optional(_a.number, "resolution", resolution))
    command.flag("orbitrap", "orbitrap", orbitrap)
    command.add("at", "at", _optional(_a.number, "at", at))


def cluster(formula, charge=None, stop=0.9999, define=None, adduct=None, resolution=None, orbitrap=False,
            at=None, profile=False):
    """The isotope cluster of one ion: every peak [A+0], [A+1], ... with its exact m/z and FA.

    formula: the ion's formula as chemists type it, "C6H5Cl2", "Sn2Cl4Jx"; with
        adduct, the neutral molecule M.
    charge: the ion's charge, -30 .. 30 but not 0; 1 unless adduct gives it.
    stop: the total FA at which the enumeration stops (0.9999: the peaks found
        hold 99.99 % of the ion).
    define: user-defined elements (Jx, Jy, Jz, Qx, Qy, Qz) of the formula, as
        {"Jx": (10.0129, {1: 0.8})} (lightest isotope's mass in u, then FA of
        each heavier isotope by its distance in u), {"Jx": "10.0129:1=0.8"}, or
        the command line's text "Jx=10.0129:1=0.8" (one or a list).
    adduct: the ion type as chemists write it, "[M+H]+", "[M+Na]+", "[M-H]-",
        "[2M+Na]+", "[M-H2O+H]+"; the cluster is that of the ion's formula.
    resolution: a resolving power R (FWHM = m/z / R) to also get the peaks such
        an instrument resolves; orbitrap=True makes R fall with the square root
        of m/z from R at m/z 200 (or at `at`); profile=True adds the profile.

    Returns a Cluster (ion_mass, average_mass, most_abundant; arrays n, mz,
    centroid_mz, fa, rel; resolved_mz, resolved_fa, resolved_rel and profile
    with a resolution). Raises Refused for what the program declines (an
    unknown element, a loss the molecule cannot give), ValueError for a value
    out of range (a charge of 31, a stop of 2), TypeError for a wrong type.

    >>> c = tarnevo.cluster("C8H10N4O2", adduct="[M+H]+")
    >>> round(c.ion_mass, 4)
    195.0876
    """
    command = _cluster_command(formula, charge, stop, define, adduct, resolution, orbitrap, at, profile)
    return Cluster(command.run())


def cluster_many(formulas, charge=None, stop=0.9999, define=None, adduct=None, resolution=None,
                 orbitrap=False, at=None, profile=False, jobs=None, on_refused="raise"):
    """The clusters of many ions at once, on a pool of threads, in the order given.

    formulas: a list of formulae; every other argument as for cluster() and the
    same for each ion. jobs: how many threads compute at once, 1 to 256 as for
    the command line's batches (None: one a core). on_refused: "raise" raises
    Refused for the first refused formula, its message naming its position and
    formula ("formulas[3] 'Xy2': ..."); "none" puts None in its place and goes
    on. A bad value of an argument all ions share raises ValueError as for
    cluster().

    Returns a list of Cluster (or None), one a formula.

    >>> [round(c.ion_mass, 3) for c in tarnevo.cluster_many(["CH4", "C2H6"])]
    [16.031, 30.046]
    """
    if isinstance(formulas, str) or not isinstance(formulas, (list, tuple)):
        raise TypeError(f"formulas must be a list of str, not {type(formulas).__name__}")
    if on_refused not in ("raise", "none"):
        raise ValueError(f"on_refused must be 'raise' or 'none', not {on_refused!r}")
    if jobs is not None and not 1 <= int(_a.integer("jobs", jobs)) <= _MAX_JOBS:
        raise ValueError(f"jobs: a number of threads from 1 to {_MAX_JOBS} is required, not {jobs!r}")
    # The options all ions share are checked once, on a stand-in formula; each
    # command line then takes its own formula in that one's place.
    shared = _cluster_command("C", charge, stop, define, adduct, resolution, orbitrap, at, profile)
    checked = [_a.positional(f"formulas[{k}]", formula) for k, formula in enumerate(formulas)]
    workers = 0 if jobs is None else int(jobs)

    def make(position, run):
        # The common answer at once, a call less per ion; the rest as each needs.
        if run[0] == _EXIT_OK and run[3] is not None and not run[2]:
            return Cluster._from_columns(run[3], run[4], run[5])
        return _one_of_many(position, formulas[position], run, shared.names, on_refused)

    # The cyclic garbage collector would walk the growing list of results again
    # and again (a third of the time for 100,000 ions); they hold no cycles.
    collecting = gc.isenabled()
    gc.disable()
    try:
        # Each answer is read on its worker's thread, its peaks as columns, and
        # made a Cluster as it comes, so that no answer's text stays in memory.
        return _tarnevo.run_each_read(shared.json(), 1, checked, workers, make)
    finally:
        if collecting:
            gc.enable()


def _one_of_many(position, formula, run, names, on_refused):
    status, out, errors, fields, tables, layout = run
    try:
        if status == _EXIT_OK and fields is not None:
            if errors:
                warnings.warn(errors.decode("utf-8", "replace").strip(), stacklevel=4)
            return Cluster._from_columns(fields, tables, layout)
        return Cluster(_answer(run[:3], names))
    except Refused as refused:
        if on_refused == "none":
            return None
        raise Refused(f"formulas[{position}] {formula!r}: {refused.message}") from None
    except ValueError as bad:
        raise ValueError(f"formulas[{position}] {formula!r}: {bad}") from None


def isotopes(symbol):
    """The natural isotopes of an element: mass numbers, exact masses (u) and FAs.

    symbol: an element's symbol, "Cl". Returns an Isotopes (symbol; arrays
    mass_number, mass, fa). Raises Refused for a symbol the table lacks.

    >>> tarnevo.isotopes("Cl").mass_number
    array([35, 37])
    """
    command = _Command("isotopes", symbol="SYMBOL")
    command.positional("symbol", symbol)
    return Isotopes(command.run())


def formulas(mz, tol=0.05, elements=None, charge=None, adduct=None, all=False, jx=None):
    """The elemental formulae whose [A+0] m/z lies within tol of mz.

    mz: the measured m/z. tol: the half-width of the window in m/z (0 .. 0.5).
    elements: up to eight rows, in order, each "C", "C:0:60" or ("C", 0, 60)
        (symbol, least and most atoms; a most of 0 or none: as many as fit).
    charge: the ion's charge (1 unless an adduct gives it).
    adduct: one ion type or a list ("[M+H]+", "[M+Na]+"): the rows then bound
        the neutral molecule M and each type's ions are searched.
    all: every formula in the window, sorted by m/z, instead of the first 200
        (refused beyond 10,000,000).
    jx: the user element Jx as a mass (u) or (mass, valence).

    Returns a FormulaList (arrays formula, mz, error_ppm, dbe, electron_class,
    counts; adduct and ion_formula with adducts). Raises Refused when the
    window holds too many, ValueError for a bad row or tolerance.

    >>> tarnevo.formulas(200, elements=["C", "H"]).formula
    array(['C6H127'], dtype=object)
    """
    command = _Command("formulas", mz="MZ")
    command.words.append(_a.number("mz", mz))
    command.add("tol", "tol", _a.number("tol", tol))
    command.repeated("element", "elements", _a.element_rows("elements", [] if elements is None else elements))
    command.add("charge", "charge", _optional(_a.integer, "charge", charge))
    command.repeated("adduct", "adduct", _optional(_a.texts, "adduct", adduct) or [])
    command.flag("all", "all", all)
    command.add("jx", "jx", _optional(_jx, "jx", jx))
    return FormulaList(command.run())


def _jx(name, value):
    if isinstance(value, tuple) and len(value) == 2:
        return f"{_a.number(f'{name}[0]', value[0])}:{_a.integer(f'{name}[1]', value[1])}"
    return _a.number(name, value)


def _enrichment(name, row):
    """("C", 2, 0.99) or ("C", 2, [0.01, 0.99]) or "C:2:0.99" as SYM:ATOMS[:FA,...]."""
    if isinstance(row, str):
        return row
    if not isinstance(row, tuple) or len(row) not in (2, 3) or not isinstance(row[0], str):
        raise TypeError(f"{name} must be a str such as 'C:2:0.99' or a tuple such as ('C', 2, [0.99]), "
                        f"not {row!r}")
    parts = [row[0], _a.integer(f"{name}[1]", row[1])]
    if len(row) == 3:
        fas = row[2] if isinstance(row[2], (list, tuple)) else [row[2]]
        parts.append(",".join(_a.number(f"{name}[2]", fa) for fa in fas))
    return ":".join(parts)


def label(formula, enrich, charge=None, adduct=None, stop=0.9999):
    """The isotope cluster of an ion with enriched atoms.

    formula: the ion's formula (with adduct, the molecule M).
    enrich: one enriched element or a list of them (at most six), each
        ("C", 2, [0.99]) or "C:2:0.99": symbol, number of enriched atoms, FAs of
        its heavy isotopes in ascending mass (the lightest takes the rest).
    charge, adduct, stop: as for cluster().

    Returns a LabelledCluster (everything of Cluster, and enriched). Raises
    Refused or ValueError as cluster() does, ValueError for an enrichment the
    element cannot take.

    >>> tarnevo.label("C6H6", ("C", 2, 0.99)).most_abundant
    2
    """
    command = _Command("label", formula="FORMULA")
    command.positional("formula", formula)
    rows = [enrich] if isinstance(enrich, (str, tuple)) else enrich
    if not isinstance(rows, list):
        raise TypeError(f"enrich must be a tuple, a str or a list of them, not {type(enrich).__name__}")
    command.repeated("enrich", "enrich", [_enrichment(f"enrich[{k}]", row) for k, row in enumerate(rows)])
    _ion_options(command, charge, adduct)
    command.add("stop", "stop", _a.number("stop", stop))
    return LabelledCluster(command.run())


def enrich(formula, element, atoms, first_mz, intensities, charge=None, max_isotope=None, estimate=None,
           max_cycles=1000):
    """Fits the FAs of the enriched atoms of one element to a measured spectrum.

    formula: the ion's formula. element: the enriched element (two to four
    isotopes), atoms: how many of its atoms are enriched. first_mz: the m/z of
    the first measured peak; intensities: up to twelve relative intensities
    from there on, one a nominal mass. charge: the ion's charge (1 unless
    given). max_isotope and estimate: for three- and four-isotope elements, the
    isotope of maximum enrichment and its estimated FA, the fit's start.
    max_cycles: the most simplex cycles (1 .. 100000).

    Returns an Enrichment (isotopes {mass number: FA}, ssr, converged, ended;
    arrays n, mz, experimental, calculated; cluster). Raises ValueError for a
    value out of range (the estimate for a two-isotope element included),
    Refused for what the fit cannot take.

    >>> fit = tarnevo.enrich("C6H6", "C", 2, 78.0464, [1.2, 22, 100, 4.4])
    >>> fit.converged, fit.isotopes
    (True, {12: 0.1, 13: 0.9})
    """
    command = _Command("enrich", formula="FORMULA")
    command.positional("formula", formula)
    command.add("element", "element", _a.text("element", element))
    command.add("atoms", "atoms", _a.integer("atoms", atoms))
    command.add("first-mz", "first_mz", _a.number("first_mz", first_mz))
    command.add("intensities", "intensities", _a.numbers_list("intensities", intensities))
    command.add("charge", "charge", _optional(_a.integer, "charge", charge))
    command.add("max-isotope", "max_isotope", _optional(_a.integer, "max_isotope", max_isotope))
    command.add("estimate", "estimate", _optional(_a.number, "estimate", estimate))
    command.add("max-cycles", "max_cycles", _a.integer("max_cycles", max_cycles))
    return Enrichment(command.run())


def loss_of_h(formula, first_mz, intensities, charge=1, define=None):
    """A measured pattern freed of the ions that lost one to four H.

    formula: the ion's formula. first_mz: the m/z of the first measured peak,
    which must lie at [A-4] .. [A-1]; intensities: up to twelve relative
    intensities (0..100) from there on, one a nominal mass. charge: 1 or 2.
    define: user-defined elements, as for cluster().

    Returns a LossOfH (arrays experimental_n/_mz/_rel and corrected_n/_mz/_rel,
    n relative to [A+0]). Raises ValueError for a value out of range, Refused
    for a pattern the correction cannot take.

    >>> tarnevo.loss_of_h("C6H6", 77.05, [100, 50, 3]).corrected_rel
    array([100.        ,   6.49156856])
    """
    command = _Command("loss-of-h", formula="FORMULA")
    command.positional("formula", formula)
    command.add("first-mz", "first_mz", _a.number("first_mz", first_mz))
    command.add("intensities", "intensities", _a.numbers_list("intensities", intensities))
    command.add("charge", "charge", _a.integer("charge", charge))
    command.repeated("define", "define", _optional(_a.definitions, "define", define) or [])
    return LossOfH(command.run())


def polymer(ru, ci, cap=None, ci_count=None, charge=None, ru_range=None, mz_range=None, stop=0.9999,
            define=None):
    """The clusters of a series of ions n x RU + end cap + k x charging ion.

    ru: the repeat unit's formula; ci: the charging ion's ("Na", "H");
    cap: the end cap's formula (none unless given); ci_count: k, the charging
    ions an ion carries; charge: the ions' charge. Exactly one of ru_range, a
    (least, most) number of repeat units, and mz_range, a (low, high) m/z
    window. stop, define: as for cluster(). ci_count and charge take the
    program's presets unless given.

    Returns a PolymerSeries (arrays ru, ion_mass, max_fa; ions, each a
    PolymerIon with its peaks' arrays). Raises ValueError for a missing or
    doubled range, Refused for a formula the program cannot read.

    >>> tarnevo.polymer("C2H4O", "Na", mz_range=(50, 400)).ru
    array([1, 2, 3, 4, 5, 6, 7, 8])
    """
    command = _Command("polymer")
    command.add("ru", "ru", _a.text("ru", ru))
    command.add("ci", "ci", _a.text("ci", ci))
    command.add("cap", "cap", _optional(_a.text, "cap", cap))
    command.add("ci-count", "ci_count", _optional(_a.integer, "ci_count", ci_count))
    command.add("charge", "charge", _optional(_a.integer, "charge", charge))
    command.add("ru-range", "ru_range", _optional(_a.number_range, "ru_range", ru_range))
    command.add("mz-range", "mz_range", _optional(_a.number_range, "mz_range", mz_range))
    command.add("stop", "stop", _a.number("stop", stop))
    command.repeated("define", "define", _optional(_a.definitions, "define", define) or [])
    return PolymerSeries(command.run())


def identify(peaks, charge=None, polarity=None, adducts=None, elements=None, ppm=5.0, resolution=60000,
             orbitrap=False, at=None, no_filter=None, strict_ratios=False, top=20, all=False):
    """Which ion a measured isotope pattern is: formulae and ion types, best first.

    peaks: 1 to 30 peaks of one ion's cluster, (m/z, intensity) pairs in a list
        or an (n, 2) array, intensities on any scale.
    charge: the ion's charge; else that of the adducts, else read from the
        peaks' spacing with the sign of polarity ("+" unless "-").
    adducts: ion types to try ("[M+H]+" or a list); the common ones of the
        charge unless given.
    elements: the rows of elements, as for formulas() (C H N O P S unless given).
    ppm: the window around the monoisotopic peak. resolution, orbitrap, at: the
        instrument's resolving power, as for cluster().
    no_filter: filters to switch off, "rdbe", "ratios", "lewis-senior" (one or
        a list); strict_ratios: the element ratios of 99.7 % of known compounds
        instead of 99.99 %. top: how many candidates to keep; all: every one.

    Returns an Identification (arrays rank, adduct, formula, ion_formula, mz,
    error_ppm, dbe, electron_class, pattern_score, score; peaks per candidate).
    Raises Refused for peaks that are no cluster, a charge the spacing does not
    tell or too wide a window; ValueError for a value out of range.

    >>> best = tarnevo.identify([(195.0877, 100), (196.0908, 10.4), (197.0917, 1.2)], charge=1)
    >>> best.formula[0], best.adduct[0]
    ('C8H10N4O2', '[M+H]+')
    """
    command = _Command("identify")
    command.add("peaks", "peaks", _a.peak_list("peaks", peaks))
    command.add("charge", "charge", _optional(_a.integer, "charge", charge))
    command.add("polarity", "polarity", _optional(_a.text, "polarity", polarity))
    command.repeated("adduct", "adducts", _optional(_a.texts, "adducts", adducts) or [])
    command.repeated("element", "elements", _optional(_a.element_rows, "elements", elements) or [])
    command.add("ppm", "ppm", _a.number("ppm", ppm))
    _resolution_options(command, resolution, orbitrap, at)
    command.repeated("no-filter", "no_filter", _optional(_a.texts, "no_filter", no_filter) or [])
    command.flag("strict-ratios", "strict_ratios", strict_ratios)
    command.add("top", "top", None if all else _a.integer("top", top))
    command.flag("all", "all", all)
    return Identification(command.run())
