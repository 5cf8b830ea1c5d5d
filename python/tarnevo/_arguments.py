"""Python values turned into tarnevo-cli arguments, each checked for its type first.

The command line checks every value's range and meaning and words the message;
here only what Python alone can get wrong is caught (a str where a number
belongs, a list where a name belongs), with the argument's Python name in the
message. Every value goes out as ``--option=value``, so that a value beginning
with ``--`` is never taken for an option.
"""

import numbers

import numpy as np


def _type_name(value):
    return type(value).__name__


def text(name, value):
    """A str argument as it is."""
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {_type_name(value)}")
    return encodable(name, value)


def encodable(name, value):
    """A str that UTF-8 can carry to the command line: one without a lone
    surrogate such as '\\ud800' (a half of a UTF-16 pair, no character)."""
    try:
        value.encode("utf-8")
    except UnicodeEncodeError as bad:
        raise ValueError(f"{name}: {value!r} holds {bad.object[bad.start]!r}, a lone surrogate that is no "
                         f"character") from None
    return value


def boolean(name, value):
    """A bool (a NumPy bool too): a str such as "no" is no answer to yes or no."""
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be a bool (True or False), not {_type_name(value)}")
    return bool(value)


def positional(name, value):
    """A str that stands in the command line's place of FORMULA or SYMBOL.

    The command line reads any word of the form ``--x`` as an option and
    ``-h`` as a request for help, so neither can reach it as a formula.
    """
    value = text(name, value)
    if value == "-h" or (len(value) >= 3 and value.startswith("--")):
        raise ValueError(f"{name}: {value!r} is not a formula or a symbol")
    return value


def number(name, value):
    """A real number written so that it reads back as the same double."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number, not {_type_name(value)}")
    if isinstance(value, numbers.Integral):
        return str(int(value))
    return repr(float(value))


def integer(name, value):
    """An integer (a NumPy integer too; never a bool or a float)."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, not {_type_name(value)}")
    return str(int(value))


def option(name, value):
    """``--name=value`` for the command line."""
    return f"--{name}={value}"


def texts(name, value):
    """One str, or a list or tuple of them, as a list."""
    if isinstance(value, str):
        return [value]
    if not isinstance(value, (list, tuple)):
        raise TypeError(f"{name} must be a str or a list of str, not {_type_name(value)}")
    for k, item in enumerate(value):
        if not isinstance(item, str):
            raise TypeError(f"{name}[{k}] must be a str, not {_type_name(item)}")
    return list(value)


def numbers_list(name, values):
    """A sequence (or 1-D array) of numbers as the command line's I0,I1,... list."""
    if isinstance(values, (str, bytes)) or not hasattr(values, "__len__"):
        raise TypeError(f"{name} must be a list or array of numbers, not {_type_name(values)}")
    array = np.asarray(values)
    if array.ndim != 1:
        raise ValueError(f"{name} must be one-dimensional, not of shape {array.shape}")
    return ",".join(number(f"{name}[{k}]", _plain(item)) for k, item in enumerate(array))


def _plain(item):
    """A NumPy scalar as the Python number it holds; anything else as it is."""
    return item.item() if isinstance(item, np.generic) else item


def element_row(name, row):
    """One element row of a search: "C", "C:0:60", ("C", 0, 60), ("C", 0) or ("C",)."""
    if isinstance(row, str):
        return row
    if not isinstance(row, tuple) or not 1 <= len(row) <= 3 or not isinstance(row[0], str):
        raise TypeError(f"{name} must be a str such as 'C:0:60' or a tuple such as ('C', 0, 60), "
                        f"not {row!r}")
    counts = [integer(f"{name}[{k}]", count) for k, count in enumerate(row[1:], start=1)]
    return ":".join([row[0], *counts])


def element_rows(name, rows):
    """The rows of elements, in order: a list of element_row values."""
    if isinstance(rows, (str, tuple)) or not isinstance(rows, list):
        raise TypeError(f"{name} must be a list of element rows such as ['C', 'H:0:20', ('N', 0, 4)], "
                        f"not {_type_name(rows)}")
    return [element_row(f"{name}[{k}]", row) for k, row in enumerate(rows)]


def definitions(name, value):
    """User-defined elements as --define values.

    Either the command line's text ("Jx=10.0129:1=0.8", one or a list), or a
    dict from symbol to that text after "=" or to (mass, {delta: fa, ...}).
    """
    if isinstance(value, dict):
        return [f"{text(f'{name} key', symbol)}={_definition(f'{name}[{symbol!r}]', isotopes)}"
                for symbol, isotopes in value.items()]
    return texts(name, value)


def _definition(name, isotopes):
    if isinstance(isotopes, str):
        return isotopes
    if not isinstance(isotopes, tuple) or len(isotopes) != 2 or not isinstance(isotopes[1], dict):
        raise TypeError(f"{name} must be a str such as '10.0129:1=0.8' or a tuple such as "
                        f"(10.0129, {{1: 0.8}}), not {isotopes!r}")
    mass, heavy = isotopes
    parts = [number(f"{name} mass", mass)]
    parts += [f"{integer(f'{name} delta', delta)}={number(f'{name}[{delta}]', fa)}"
              for delta, fa in heavy.items()]
    return ":".join(parts)


def number_range(name, value):
    """A (low, high) pair as the command line's MIN-MAX."""
    if not isinstance(value, (tuple, list)) or len(value) != 2:
        raise TypeError(f"{name} must be a (low, high) pair, not {value!r}")
    return f"{number(f'{name}[0]', value[0])}-{number(f'{name}[1]', value[1])}"


def peak_list(name, peaks):
    """Measured peaks as the command line's MZ:I,MZ:I,...: (m/z, intensity)
    pairs in a list, or an array of shape (n, 2)."""
    if isinstance(peaks, (str, bytes)) or not hasattr(peaks, "__len__"):
        raise TypeError(f"{name} must be a list of (mz, intensity) pairs or an (n, 2) array, "
                        f"not {_type_name(peaks)}")
    array = np.asarray(peaks, dtype=object)
    if len(peaks) == 0 or array.ndim != 2 or array.shape[1] != 2:
        raise ValueError(f"{name} must be (mz, intensity) pairs, an array of shape (n, 2) with n >= 1, "
                         f"not of shape {array.shape}")
    return ",".join(f"{number(f'{name}[{k}][0]', _plain(mz))}:{number(f'{name}[{k}][1]', _plain(i))}"
                    for k, (mz, i) in enumerate(array))
