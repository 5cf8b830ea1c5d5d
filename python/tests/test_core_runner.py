"""The C++ core under the package: command lines run in-process with the
command line's own statuses and streams, and run_many keeps the input order
whatever the number of threads.

The order is checked with ions whose answers all differ (CH4 .. C12H26 have
different masses), so an answer in the wrong slot cannot pass unnoticed.
"""

import json

import pytest

from tarnevo import _tarnevo


def test_run_gives_status_and_both_streams():
    status, out, errors = _tarnevo.run(["cluster", "CH4", "--json"])
    assert status == 0 and errors == b""
    assert json.loads(out)["formula"] == "CH4"


@pytest.mark.parametrize("arguments, status", [
    (["cluster", "CH4", "--charge=0", "--json"], 2),
    (["cluster", "CH4", "--charge=x", "--json"], 64),
    (["no-such-command", "--json"], 64),
])
def test_run_reports_a_failure_as_json_on_errors(arguments, status):
    got, out, errors = _tarnevo.run(arguments)
    assert got == status and out == b""
    assert json.loads(errors)["exitCode"] == status


@pytest.mark.parametrize("jobs", [0, 1, 3, 64])
def test_run_many_keeps_the_input_order(jobs):
    commands = [["cluster", f"C{k}H{2 * k + 2}", "--json"] for k in range(1, 13)]
    answers = _tarnevo.run_many(commands, jobs)
    assert [json.loads(out)["formula"] for _, out, _ in answers] == [c[1] for c in commands]
    assert answers == [_tarnevo.run(c) for c in commands]


def test_run_many_of_nothing_is_empty():
    assert _tarnevo.run_many([], 4) == []
