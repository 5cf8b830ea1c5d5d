"""Ctrl-C and the progress line, as a Python user meets them.

Ctrl-C during a long calculation raises KeyboardInterrupt while the work runs,
not when it would have ended, and leaves no worker thread behind. The evidence
that the work stopped early is the work itself, never a clock: each command
line writes a report file when it completes, so the reports on disk count the
commands that completed, and an interrupted search writes none. SIGINT is sent
when the work is seen under way (a first report, a first progress line), so no
test depends on how fast the machine is.

A long search's progress line goes through sys.stderr, and only when that is
a terminal, as the command line shows it only on a terminal.
"""

import contextlib
import io
import os
import re
import signal
import sys
import threading
import time

import pytest

import tarnevo
from tarnevo import _tarnevo

# A formula search of many seconds (40 on a busy machine): every C H N O S P
# formula within 0.0002 of m/z 5000, among a space of billions walked.
SEARCH = {"mz": 5000, "tol": 0.0002, "all": True, "elements": ["C", "H", "N", "O", "S", "P"]}
LONG_SEARCH = ["formulas", "5000", "--tol=0.0002", "--all"] + [f"--element={e}" for e in SEARCH["elements"]]


def _threads():
    """The threads of this process, Python's and the C++ workers alike."""
    return len(os.listdir("/proc/self/task"))


@contextlib.contextmanager
def _interrupt_when(seen):
    """Sends this process SIGINT, from a thread, once seen() is true; never
    after the block, so that a call that failed to stop leaves no stray
    KeyboardInterrupt for the tests after it."""
    ended = threading.Event()

    def watch():
        while not ended.wait(0.005):
            if seen():
                os.kill(os.getpid(), signal.SIGINT)
                return

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    try:
        yield
    finally:
        ended.set()
        watcher.join()


class _Terminal(io.StringIO):
    """A sys.stderr that says it is a terminal."""

    def isatty(self):
        return True


def test_ctrl_c_stops_many_command_lines_before_they_complete(tmp_path):
    # 20,000 ions would take seconds on two cores; SIGINT comes with the first
    # report, and the pool must stop there, not after the last.
    count = 20_000
    commands = [["cluster", "C60H100N10O20", f"--report={tmp_path / f'{k}.txt'}", "--json"] for k in range(count)]
    threads = _threads()
    with _interrupt_when(lambda: any(tmp_path.iterdir())), pytest.raises(KeyboardInterrupt):
        _tarnevo.run_many(commands, 2)
    completed = len(list(tmp_path.iterdir()))
    assert completed < count, f"was interrupted only after completing all {count} command lines"
    # The reports written are all the workers wrote: none is still running.
    assert _threads() == threads
    assert len(list(tmp_path.iterdir())) == completed


def test_ctrl_c_stops_cluster_many_while_it_waits_for_an_answer(monkeypatch):
    # One worker, and ions of a second after a quick one: the first result
    # made, the interpreter's thread waits in C++ for a slow ion when SIGINT comes.
    made = []
    formulas = ["CH4"] + ["C5000H8000N1000O1000S100Fe50Se50"] * 10
    make = tarnevo.Cluster._from_columns.__func__

    def counted(cls, *answer):
        made.append(answer)
        return make(cls, *answer)

    monkeypatch.setattr(tarnevo.Cluster, "_from_columns", classmethod(counted))
    threads = _threads()
    with _interrupt_when(lambda: made), pytest.raises(KeyboardInterrupt):
        tarnevo.cluster_many(formulas, jobs=1, resolution=1000000, stop=0.99999, profile=True)
    assert len(made) < len(formulas), f"was interrupted only after completing all {len(formulas)} ions"
    assert _threads() == threads


def test_ctrl_c_stops_a_long_formula_search(monkeypatch, tmp_path):
    # The first progress line shows the search under way; the interrupted
    # search must end without its report (written when the search completes).
    report = tmp_path / "report.txt"
    terminal = _Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    with _interrupt_when(lambda: "%" in terminal.getvalue()), pytest.raises(KeyboardInterrupt):
        _tarnevo.run(LONG_SEARCH + [f"--report={report}", "--json"])
    assert not report.exists(), "the search was interrupted only after it completed"


def test_ctrl_c_stops_a_long_identification(monkeypatch, tmp_path):
    # Every C H N O S P Cl Br ion within 5 ppm of m/z 1001.5 (millions in the
    # window): most of a second of work, too short for a progress line, so
    # SIGINT comes a tenth of a second after the call starts.
    peaks = "1001.5:100,1002.5:50,1003.5:15"
    report = tmp_path / "report.txt"
    terminal = _Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    identify = ["identify", f"--peaks={peaks}", "--charge=1", "--ppm=5", f"--report={report}", "--json"]
    identify += [f"--element={e}" for e in ("C", "H", "N", "O", "S", "P", "Cl", "Br")]
    start = time.monotonic()
    with _interrupt_when(lambda: time.monotonic() - start > 0.1), pytest.raises(KeyboardInterrupt):
        _tarnevo.run(identify)
    assert not report.exists(), "the identification was interrupted only after it completed"


def test_progress_goes_through_sys_stderr_when_it_is_a_terminal(monkeypatch, capfd):
    terminal = _Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    # Ctrl-C at the first line ends the test there, the line shown.
    with _interrupt_when(lambda: "%" in terminal.getvalue()), pytest.raises(KeyboardInterrupt):
        tarnevo.formulas(**SEARCH)
    shown = terminal.getvalue()
    # How far the search has come at its first line depends on the machine.
    assert re.match(r"\rSearching for the molecular formulae\.\.\. \d+%", shown)
    # The line is blanked as the work ends, so the traceback starts on a clean
    # line, and nothing went to descriptor 2 behind Python's back.
    assert shown.endswith("\r") and shown.rstrip("\r ").endswith("%")
    assert capfd.readouterr().err == ""


def test_no_progress_on_a_stream_that_is_no_terminal(monkeypatch, capfd):
    # A log or a captured stream gets no progress line, as the command line
    # writes none to a file; SIGINT comes after the second in which none is shown.
    log = io.StringIO()
    monkeypatch.setattr(sys, "stderr", log)
    start = time.monotonic()
    with _interrupt_when(lambda: time.monotonic() - start > 1.5), pytest.raises(KeyboardInterrupt):
        tarnevo.formulas(**SEARCH)
    assert log.getvalue() == "" and capfd.readouterr().err == ""
