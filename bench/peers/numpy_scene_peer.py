#!/usr/bin/env python3
"""The same kind of wideband scene made the way a Python user would, with numpy alone: for each
capture of bench/datasets/scenes.json, 1 to 5 emitters, each random symbols of its class (PSK, QAM
with a root-raised-cosine pulse of roll-off 0.35 over 10 symbols at 4 samples per symbol, or a
GMSK-like phase pulse; the recipe's CPFSK class is made as BPSK), made at its own rate, brought to the scene's rate by the same 32-tap
Kaiser-windowed sinc (beta 8) read at every output instant, shifted to its centre, gated to its
burst with raised-cosine ramps, scaled to its SNR in its band, summed, and complex noise of power 1
added. Prints scenes per second; nothing is written, so only the making is timed.

usage: numpy_scene_peer.py RECIPE.json [CAPTURES]
"""
import json
import sys
import time

import numpy as np

HALF = 16
BLOCK = 8192


def rrc(rolloff, span, sps):
    t = (np.arange(span * sps + 1) - span * sps / 2) / sps
    h = np.zeros_like(t)
    for k, x in enumerate(t):
        if abs(x) < 1e-12:
            h[k] = 1 - rolloff + 4 * rolloff / np.pi
        elif abs(abs(4 * rolloff * x) - 1) < 1e-12:
            h[k] = rolloff / np.sqrt(2) * ((1 + 2 / np.pi) * np.sin(np.pi / (4 * rolloff)) +
                                          (1 - 2 / np.pi) * np.cos(np.pi / (4 * rolloff)))
        else:
            h[k] = (np.sin(np.pi * x * (1 - rolloff)) + 4 * rolloff * x * np.cos(np.pi * x * (1 + rolloff))) / (
                np.pi * x * (1 - (4 * rolloff * x) ** 2))
    return h / np.sqrt(np.sum(h * h))


def emitter(modulation, order, count, sps, rng):
    symbols = count // sps + 20
    if modulation == "gmsk":
        bits = rng.integers(0, 2, symbols) * 2 - 1
        freq = np.convolve(np.repeat(bits, sps), np.hanning(2 * sps) / np.sum(np.hanning(2 * sps)), "same")
        return np.exp(1j * np.pi / 2 * np.cumsum(freq) / sps)[:count]
    if modulation == "qam":
        side = int(round(np.sqrt(order)))
        levels = np.arange(side) * 2 - (side - 1)
        pts = levels[rng.integers(0, side, symbols)] + 1j * levels[rng.integers(0, side, symbols)]
    else:
        pts = np.exp(2j * np.pi * rng.integers(0, order, symbols) / order)
    up = np.zeros(symbols * sps, complex)
    up[::sps] = pts
    return np.convolve(up, rrc(0.35, 10, sps), "same")[:count]


def raise_rate(x, ratio, count):
    # Output n reads the input at n / ratio through 32 taps of the windowed sinc, a block at a time.
    out = np.empty(count, complex)
    padded = np.concatenate([np.zeros(HALF), x, np.zeros(2 * HALF + 2)])
    k = np.arange(-HALF + 1, HALF + 1)
    for start in range(0, count, BLOCK):
        t = np.arange(start, min(count, start + BLOCK)) / ratio + HALF
        base = np.floor(t).astype(int)
        d = (base[:, None] + k[None, :]) - t[:, None]
        w = np.sinc(d) * np.i0(8.0 * np.sqrt(np.clip(1.0 - (d / HALF) ** 2, 0.0, None))) / np.i0(8.0)
        out[start:start + len(t)] = np.sum(w * padded[np.clip(base[:, None] + k[None, :], 0, len(padded) - 1)], axis=1)
    return out


def scene(recipe, classes, rng):
    s = recipe["scene"]
    fs = s["sampling_rate"]
    n = recipe["samples_per_capture"]
    total = np.zeros(n, complex)
    for _ in range(rng.integers(s["emitters"]["min"], s["emitters"]["max"] + 1)):
        c = classes[rng.integers(0, len(classes))]
        share = 0.92 / 4 if c["modulation"] == "gmsk" else 1.35 / 4
        band = fs * rng.uniform(s["bandwidth"]["min"], s["bandwidth"]["max"])
        own = min(fs, band / share)
        room = (fs - own) / 2
        centre = rng.uniform(-room, room)
        length, start = n, 0
        if rng.uniform() < s["burst_probability"]:
            length = int(n * rng.uniform(s["burst_length"]["min"], s["burst_length"]["max"]))
            start = int(rng.integers(0, n - length + 1))
        x = emitter(c["modulation"], c.get("order", 2), int(length * own / fs) + 64, 4, rng)
        y = raise_rate(x, fs / own, length)
        y *= np.exp(2j * np.pi * centre / fs * np.arange(length))
        ramp = min(64, length // 2)
        gate = np.ones(length)
        gate[:ramp] = 0.5 - 0.5 * np.cos(np.pi * (np.arange(ramp) + 0.5) / ramp)
        gate[length - ramp:] = gate[:ramp][::-1]
        snr = 10 ** (rng.uniform(s["snr_db"]["min"], s["snr_db"]["max"]) / 10)
        total[start:start + length] += y * gate * np.sqrt(snr * band / fs / np.mean(np.abs(x) ** 2))
    total += (rng.standard_normal(n) + 1j * rng.standard_normal(n)) * np.sqrt(0.5)
    return total


def main():
    recipe = json.load(open(sys.argv[1]))
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    rng = np.random.default_rng(recipe["seed"])
    began = time.perf_counter()
    for _ in range(count):
        scene(recipe, recipe["classes"], rng)
    elapsed = time.perf_counter() - began
    print(f"{count} scenes of {recipe['samples_per_capture']} samples in {elapsed:.2f} s: {count / elapsed:.2f} per second")


if __name__ == "__main__":
    main()
