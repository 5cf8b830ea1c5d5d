"""What the module's tests share: the tarnevo-cli built beside the module, to
compare the module's answers with the command line's own JSON."""

import json
import os
import pathlib
import subprocess

import pytest

import tarnevo


def _cli_path():
    given = os.environ.get("TARNEVO_CLI")
    if given:
        return pathlib.Path(given)
    # The build tree lays the package out in build/python/tarnevo, the program in build/cli.
    return pathlib.Path(tarnevo.__file__).resolve().parents[2] / "cli" / "tarnevo-cli"


@pytest.fixture(scope="session")
def cli_json():
    """Runs tarnevo-cli with --json and returns its JSON object."""
    program = _cli_path()
    if not program.exists():
        pytest.skip(f"no tarnevo-cli at {program} (set TARNEVO_CLI)")

    def run(*arguments):
        done = subprocess.run([str(program), *arguments, "--json"], capture_output=True, check=True)
        return json.loads(done.stdout)

    return run
