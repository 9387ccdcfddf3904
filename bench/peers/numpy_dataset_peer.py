#!/usr/bin/env python3
"""The same kind of dataset made the way a Python user would: for every class, SNR and
repetition of the recipe (bench/datasets/radioml-like.json), one capture of numpy arrays: random
symbols mapped to the scheme's points, shaped by a root-raised-cosine pulse (roll-off 0.35 over 10
symbols) where the class asks for it, else straight lines between them (np.interp), at a drawn
number of samples per symbol, a frequency offset (and a timing drift, when the recipe has one) drawn from
its ranges, phase noise when the recipe has it (a random walk of normal steps of variance
10^(L/10) 4 pi^2 F^2 / fs, L and F drawn as the recipe says), noise at the SNR against the
capture's measured power; written with h5py into X (float32 N x L x 2), Y
(int64 one-hot) and Z (int64 SNR), chunked, a chunk at a time. PSK, QAM, APSK, OQPSK and GMSK.

usage: numpy_dataset_peer.py RECIPE.json OUT.h5
"""
import json
import sys

import h5py
import numpy as np

CHUNK = 128


def points(modulation, order, rng, count):
    if modulation == "psk":
        return np.exp(2j * np.pi * rng.integers(0, order, count) / order)
    if modulation == "qam":
        side = int(round(np.sqrt(order)))
        levels = np.arange(side) * 2 - (side - 1)
        return levels[rng.integers(0, side, count)] + 1j * levels[rng.integers(0, side, count)]
    if modulation == "apsk":
        rings = np.concatenate([np.full(4, 0.5), np.full(12, 1.5)])
        phases = np.concatenate([np.arange(4) / 4, np.arange(12) / 12]) * 2 * np.pi
        index = rng.integers(0, 16, count)
        return rings[index] * np.exp(1j * phases[index])
    raise ValueError(modulation)


def gmsk(rng, count, sps):
    bits = rng.integers(0, 2, count) * 2 - 1
    n = int(np.ceil(count * sps))
    nrz = bits[np.minimum((np.arange(n) / sps).astype(int), count - 1)]
    t = np.arange(-2 * sps, 2 * sps + 1) / sps
    bt = 0.3
    g = np.exp(-2 * (np.pi * bt * t) ** 2 / np.log(2))
    freq = np.convolve(nrz, g / g.sum(), mode="same")
    return np.exp(1j * np.pi / 2 * np.cumsum(freq) / sps)


def rrc(tau, beta):
    """The root-raised-cosine pulse at tau symbols, its limits at 0 and at +-1/(4 beta) filled in."""
    tau = np.asarray(tau, dtype=float)
    edge = np.isclose(np.abs(tau), 1 / (4 * beta))
    safe = np.where(edge | (tau == 0), 0.5, tau)
    h = (np.sin(np.pi * safe * (1 - beta)) + 4 * beta * safe * np.cos(np.pi * safe * (1 + beta))) / (
        np.pi * safe * (1 - (4 * beta * safe) ** 2))
    h = np.where(tau == 0, 1 - beta + 4 * beta / np.pi, h)
    at_edge = beta / np.sqrt(2) * ((1 + 2 / np.pi) * np.sin(np.pi / (4 * beta)) + (1 - 2 / np.pi) * np.cos(np.pi / (4 * beta)))
    return np.where(edge, at_edge, h)


def shaped(symbols, t, beta=0.35, span=10):
    """sum_k a_k h(t - k) over the span's symbols around each instant, symbols outside the capture 0."""
    k = np.floor(t)[:, None] + np.arange(-(span // 2), span // 2 + 1)[None, :]
    inside = (k >= 0) & (k < len(symbols))
    h = np.where(inside & (np.abs(t[:, None] - k) <= span / 2), rrc(t[:, None] - k, beta), 0.0)
    return (h * symbols[np.clip(k, 0, len(symbols) - 1).astype(int)]).sum(axis=1)


def drawn(value, rng):
    """A recipe value, or a uniform draw from its range."""
    return rng.uniform(value["min"], value["max"]) if isinstance(value, dict) else value


def capture(cls, recipe, snr, rng):
    fs = recipe["sampling_rate"]
    length = recipe["samples_per_capture"]
    sps = rng.uniform(recipe["samples_per_symbol"]["min"], recipe["samples_per_symbol"]["max"])
    offset = rng.uniform(recipe["frequency_offset"]["min"], recipe["frequency_offset"]["max"])
    drift = rng.uniform(recipe["timing_error"]["min"], recipe["timing_error"]["max"]) if "timing_error" in recipe else 0.0
    pulse = cls.get("pulse", "linear")
    symbols = int((length - 1) // sps) + 2 + (5 if pulse == "rrc" else 0)
    n = np.arange(length)
    if cls["modulation"] == "gmsk":
        x = gmsk(rng, symbols, sps)[:length]
    elif cls["modulation"] == "oqpsk":
        # QPSK rails, the quadrature one half a symbol late.
        rails = rng.integers(0, 2, (2, symbols)) * 2.0 - 1.0
        t = n / sps
        if pulse == "rrc":
            x = shaped(rails[0], t) + 1j * shaped(rails[1], t - 0.5)
        else:
            x = np.interp(t, np.arange(symbols), rails[0]) + 1j * np.interp(t - 0.5, np.arange(symbols), rails[1])
    else:
        p = points(cls["modulation"], cls.get("order", 4), rng, symbols)
        t = n / sps
        if pulse == "rrc":
            x = shaped(p, t)
        else:
            x = np.interp(t, np.arange(symbols), p.real) + 1j * np.interp(t, np.arange(symbols), p.imag)
    if drift != 0.0:
        read = n + n / length * drift * sps
        x = np.interp(read, n, x.real) + 1j * np.interp(read, n, x.imag)
    x = x * np.exp(2j * np.pi * offset * n / fs)
    if "phase_noise_level" in recipe:
        level = drawn(recipe["phase_noise_level"], rng)
        step = np.sqrt(10 ** (level / 10) * (2 * np.pi * drawn(recipe["phase_noise_offset"], rng)) ** 2 / fs)
        phase = np.concatenate(([0.0], np.cumsum(rng.standard_normal(length - 1) * step)))
        x = x * np.exp(1j * phase)
    power = np.mean(np.abs(x) ** 2)
    sigma = np.sqrt(power / 10 ** (snr / 10) / 2)
    return x + sigma * (rng.standard_normal(length) + 1j * rng.standard_normal(length))


def main() -> None:
    recipe = json.load(open(sys.argv[1]))
    snr = recipe["snr"]
    snrs = np.arange(snr["start"], snr["stop"] + snr["step"] / 2, snr["step"])
    classes = recipe["classes"]
    reps = recipe["captures_per_class_and_snr"]
    length = recipe["samples_per_capture"]
    total = len(classes) * len(snrs) * reps
    rng = np.random.default_rng(recipe["seed"])
    with h5py.File(sys.argv[2], "w") as f:
        xs = f.create_dataset("X", (total, length, 2), dtype="<f4", chunks=(CHUNK, length, 2))
        ys = f.create_dataset("Y", (total, len(classes)), dtype="<i8", chunks=(CHUNK, len(classes)))
        zs = f.create_dataset("Z", (total, 1), dtype="<i8", chunks=(CHUNK, 1))
        x = np.zeros((CHUNK, length, 2), dtype=np.float32)
        y = np.zeros((CHUNK, len(classes)), dtype=np.int64)
        z = np.zeros((CHUNK, 1), dtype=np.int64)
        k = 0
        for c, cls in enumerate(classes):
            for s in snrs:
                for _ in range(reps):
                    row = k % CHUNK
                    iq = capture(cls, recipe, s, rng)
                    x[row, :, 0], x[row, :, 1] = iq.real, iq.imag
                    y[row] = 0
                    y[row, c] = 1
                    z[row] = s
                    k += 1
                    if row == CHUNK - 1 or k == total:
                        first = k - row - 1
                        xs[first:k], ys[first:k], zs[first:k] = x[: row + 1], y[: row + 1], z[: row + 1]


if __name__ == "__main__":
    main()
