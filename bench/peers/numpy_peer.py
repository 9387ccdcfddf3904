#!/usr/bin/env python3
"""The same job written the way a Python user would: QPSK symbols, straight lines between them at
10 samples per symbol (np.interp), complex white Gaussian noise at 30 dB SNR relative to the
measured signal power, saved with np.savetxt as "%g" values and CR LF line ends.

usage: numpy_peer.py SAMPLES PATH
"""
import sys

import numpy as np

SAMPLES_PER_SYMBOL = 10
SNR_DB = 30.0


def qpsk_signal(samples: int, rng: np.random.Generator) -> np.ndarray:
    """The signal itself, as complex128 (bench/compare-python times this part alone)."""
    symbols = samples // SAMPLES_PER_SYMBOL
    index = rng.integers(0, 4, symbols)
    points = np.exp(2j * np.pi * index / 4)
    symbol_times = np.arange(symbols)
    sample_times = np.arange(samples) / SAMPLES_PER_SYMBOL
    x = np.interp(sample_times, symbol_times, points.real) + 1j * np.interp(
        sample_times, symbol_times, points.imag
    )

    power = np.mean(np.abs(x) ** 2)
    sigma = np.sqrt(power / 10 ** (SNR_DB / 10) / 2)
    return x + sigma * (rng.standard_normal(samples) + 1j * rng.standard_normal(samples))


def main() -> None:
    samples = int(sys.argv[1])
    path = sys.argv[2]
    x = qpsk_signal(samples, np.random.default_rng())
    np.savetxt(
        path,
        np.column_stack([x.real, x.imag]),
        fmt="%g",
        delimiter=",",
        header="Real,Imaginary",
        comments="",
        newline="\r\n",
    )


if __name__ == "__main__":
    main()
