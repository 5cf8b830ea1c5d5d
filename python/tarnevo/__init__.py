"""TARNEVO from Python: the calculations of tarnevo-cli, run in-process.

_tarnevo.run(arguments) runs one command line and returns its exit status and
both streams; _tarnevo.run_many(commands, jobs) runs many on a pool of threads.
"""
