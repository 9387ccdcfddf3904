#!/usr/bin/python3
"""A sanity check of a dataset recipe: make a small run of it, compute a few classic features per
capture and classify them with k nearest neighbours, printing each class's accuracy.

    /usr/bin/python3 examples/datasets/feature_classifier.py [--cli build/quorvel-cli]
        [--recipe examples/datasets/radioml2018.json] [--per-cell 24] [--work DIR]

The run takes the recipe as it is but for the number of captures per class and SNR (--per-cell),
written as a SigMF collection and read with numpy alone. The features are the ones the
literature hand-crafts for modulation recognition: envelope statistics, the spectral lines of the
squared, fourth and eighth powers (which tell the PSK orders and the carriers apart whatever the
frequency offset), the fourth and sixth order cumulants, the spectrum's carrier, width and
sideband asymmetry, and the instantaneous frequency's spread. Half the captures train, the other
half are classified; nothing here is tuned to the recipe.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

import numpy as np


def make_run(cli, recipe_path, per_cell, work):
    with open(recipe_path) as f:
        recipe = json.load(f)
    recipe["captures_per_class_and_snr"] = per_cell
    small = os.path.join(work, "recipe.json")
    with open(small, "w") as f:
        json.dump(recipe, f)
    out = os.path.join(work, "run")
    subprocess.run([cli, "dataset", small, "--out", out, "--format", "sigmf"], check=True)
    return out


def read_run(folder):
    metas = sorted(n for n in os.listdir(folder) if n.endswith(".sigmf-meta"))
    captures, labels, snrs = [], [], []
    for name in metas:
        with open(os.path.join(folder, name)) as f:
            meta = json.load(f)
        data = np.fromfile(os.path.join(folder, name[: -len("meta")] + "data"), dtype=np.complex64)
        for a in meta["annotations"]:
            start, count = a["core:sample_start"], a["core:sample_count"]
            captures.append(data[start : start + count])
            labels.append(a["core:label"])
            snrs.append(a["quorvel:snr_db"])
    return np.array(captures), np.array(labels), np.array(snrs)


def line_strength(z):
    """The strongest spectral line of z against its mean bin: a carrier or a power's tone."""
    p = np.abs(np.fft.fft(z, axis=1)) ** 2
    return np.log10(p.max(axis=1) / p.mean(axis=1))


def features(x):
    x = x / np.sqrt(np.mean(np.abs(x) ** 2, axis=1, keepdims=True))
    a = np.abs(x)
    m2 = np.mean(a**2, axis=1)
    c20 = np.mean(x**2, axis=1)
    c42 = np.mean(a**4, axis=1) - np.abs(c20) ** 2 - 2 * m2**2
    c63 = np.mean(a**6, axis=1) - 9 * c42 * m2 - 6 * m2**3
    spectrum = np.fft.fftshift(np.abs(np.fft.fft(x, axis=1)) ** 2, axes=1)
    n = x.shape[1]
    cumulative = np.cumsum(spectrum, axis=1) / spectrum.sum(axis=1, keepdims=True)
    width = (np.argmax(cumulative > 0.995, axis=1) - np.argmax(cumulative > 0.005, axis=1)) / n
    upper = spectrum[:, n // 2 + 1 :].sum(axis=1)
    lower = spectrum[:, : n // 2].sum(axis=1)
    asymmetry = np.abs(upper - lower) / (upper + lower)
    phase_step = np.angle(x[:, 1:] * np.conj(x[:, :-1]))
    return np.column_stack(
        [
            np.std(a, axis=1) / np.mean(a, axis=1),
            np.mean(a**4, axis=1) / m2**2,
            line_strength(x),
            line_strength(x**2),
            line_strength(x**4),
            line_strength(x**8),
            c42,
            np.sign(c63) * np.log1p(np.abs(c63)),
            width,
            asymmetry,
            np.std(phase_step, axis=1),
            np.mean(np.abs(phase_step - np.median(phase_step, axis=1, keepdims=True)), axis=1),
        ]
    )


def knn(train, train_labels, test, k=5, block=512):
    """The majority label of each test row's k nearest training rows (ties to the nearest)."""
    out = []
    train_sq = np.sum(train**2, axis=1)
    for s in range(0, len(test), block):
        t = test[s : s + block]
        d = train_sq[None, :] - 2 * t @ train.T
        nearest = np.argsort(d, axis=1)[:, :k]
        for row in train_labels[nearest]:
            values, counts = np.unique(row, return_counts=True)
            best = values[counts == counts.max()]
            out.append(row[np.isin(row, best)][0])
    return np.array(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", default="build/quorvel-cli")
    parser.add_argument("--recipe", default="examples/datasets/radioml2018.json")
    parser.add_argument("--per-cell", type=int, default=24, help="captures per class and SNR")
    parser.add_argument("--work", help="folder for the run (default: a temporary one)")
    parser.add_argument("--high-snr", type=float, default=10.0, help="the lowest SNR of the right column [dB]")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as temporary:
        work = args.work or temporary
        os.makedirs(work, exist_ok=True)
        x, labels, snrs = read_run(make_run(args.cli, args.recipe, args.per_cell, work))
    f = features(x)
    f = (f - f.mean(axis=0)) / f.std(axis=0)
    rng = np.random.default_rng(0)
    train = rng.random(len(f)) < 0.5
    guess = knn(f[train], labels[train], f[~train])
    truth, snr = labels[~train], snrs[~train]
    high = snr >= args.high_snr
    classes = list(dict.fromkeys(labels))
    print(f"| class | all SNRs | SNR >= {args.high_snr:g} dB |")
    print("|---|---|---|")
    for c in classes:
        mine = truth == c
        print(f"| {c} | {np.mean(guess[mine] == c):.0%} | {np.mean(guess[mine & high] == c):.0%} |")
    print(f"| all {len(classes)} | {np.mean(guess == truth):.0%} | {np.mean(guess[high] == truth[high]):.0%} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
