import re
import json
import os

import numpy as np
import pytest

import quorvel
from conftest import run_cli

# Seeded runs over schemes, sources and channel stages; 1/3 has the longest shortest text a double has.
CASES = [
    dict(seed=1, symbols=500),
    dict(seed=7, modulation="qam", order=64, snr=12, mixing=-2000.5, timing_error=0.25),
    dict(seed=3, modulation="gmsk", source="prn15", symbol_rate=1250, freq_offset=1 / 3),
    dict(seed=9, modulation="apsk", order=16, apsk_radii=(0.6, 1.4), snr="inf", symbols=300),
    dict(seed=5, modulation="psk", order=8, pulse="rrc", rolloff=0.25, gray=True, snr_def="esn0", snr=10),
    dict(seed=6, modulation="ook", pulse="gaussian", snr_ref="nominal", snr=3),
]


@pytest.mark.parametrize("settings", CASES)
def test_the_command_lines_files_and_samples(settings, tmp_path, monkeypatch):
    for side in ("cli", "module"):
        (tmp_path / side / "out").mkdir(parents=True)
    assert run_cli(tmp_path / "cli", settings, "--format=both", "--save-path=out").returncode == 0
    written = {p.name: p.read_bytes() for p in (tmp_path / "cli" / "out").iterdir()}
    monkeypatch.chdir(tmp_path / "module")
    saved = quorvel.generate(save_path="out", format="both", **settings)
    assert {p.name: p.read_bytes() for p in (tmp_path / "module" / "out").iterdir()} == written
    data, meta = written["modulated_signal_1.sigmf-data"], json.loads(written["modulated_signal_1.sigmf-meta"])
    assert saved.samples.astype(np.complex64).tobytes() == data and saved.metadata == meta
    held = quorvel.generate(dtype=np.complex64, format="both", **settings)
    meta["global"]["quorvel:save_path"] = "."
    assert held.samples.tobytes() == data and held.metadata == meta and os.listdir() == ["out"]


@pytest.mark.parametrize("modulation, points", [("psk", 400), ("qam", 400), ("fsk", 4000), ("msk", 4000)])
def test_dtype_and_length(modulation, points):
    for dtype in (np.complex128, np.complex64):
        signal = quorvel.generate(modulation=modulation, symbols=400, seed=2, dtype=dtype)
        assert signal.samples.dtype == dtype and signal.samples.shape == (4000,) and signal.sample_rate == 10000
        assert signal.symbols.dtype == np.complex128 and signal.symbols.shape == (points,)
    # Without noise the straight lines pass through the mapper's points, one every 10 samples.
    clean = quorvel.generate(symbols=50, snr="inf", seed=4)
    assert np.allclose(clean.samples[::10], clean.symbols, rtol=0, atol=1e-12)


@pytest.mark.parametrize("dtype, form", [(np.int16, "ci16"), (np.int8, "ci8"), (np.uint8, "cu8")])
def test_integer_dtypes_hold_the_files_codes(dtype, form, tmp_path):
    settings = dict(seed=8, modulation="qam", order=64, snr=5, scale=1.5)
    assert run_cli(tmp_path, settings, f"--format={form}", "--save-path=.").returncode == 0
    meta = json.loads((tmp_path / "modulated_signal_1.sigmf-meta").read_text())["global"]
    signal = quorvel.generate(dtype=dtype, **settings)
    assert signal.samples.dtype == dtype and signal.samples.shape == (100000, 2)
    assert signal.samples.tobytes() == (tmp_path / "modulated_signal_1.sigmf-data").read_bytes()
    assert signal.metadata["global"]["quorvel:clipped_samples"] == meta["quorvel:clipped_samples"] > 0
    with pytest.raises(ValueError, match="format: " + form):
        quorvel.generate(dtype=dtype, format="cf32", symbols=10)


# Settings, the exception, and quorvel-cli's exit code for them, whose message the exception holds.
REFUSALS = [
    (dict(snr="abc"), ValueError, 2),
    (dict(order=3), ValueError, 2),
    (dict(seed=-1), ValueError, 2),
    (dict(apsk_radii=(0.5, 1)), ValueError, 2),
    (dict(symbol_rate=0), quorvel.GenerationError, 1),
    (dict(timing_error=2), quorvel.GenerationError, 1),
    (dict(save_path="missing"), OSError, 3),
]


@pytest.mark.parametrize("settings, error, code", REFUSALS)
def test_refusals_are_the_command_lines(settings, error, code, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    reference = run_cli(tmp_path, settings)
    lines = reference.stderr.strip().splitlines()
    # The command line heads a refusal with "Signal generation failed." and follows CLI11's with a
    # hint to --help; where it names an option the module names its keyword.
    malformed = [line for line in lines if not line.startswith("Run with --help")]
    message = "\n".join({1: lines[1:], 2: malformed, 3: lines}[code])
    if code == 2:
        message = re.sub(r"--([a-z0-9-]+)", lambda m: m.group(1).replace("-", "_"), message)
    assert reference.returncode == code
    for make in (quorvel.generate, lambda **s: list(quorvel.stream(**s))):
        with pytest.raises(error) as caught:
            make(**settings)
        assert type(caught.value) is error and str(caught.value) == message


def test_messages_name_keywords_not_options():
    with pytest.raises(ValueError) as caught:
        quorvel.generate(order=3)
    assert str(caught.value).startswith("order: psk offers the orders 2, 4, 8, 16")
    with pytest.raises(ValueError) as caught:
        quorvel.generate(symbols="1e6")
    assert str(caught.value).splitlines() == ["Invalid Number of Symbols.", "symbols: a whole number from 1 to "
                                              "2147483647, written without a decimal point or an exponent (1000000, not 1e6)"]


def test_the_command_lines_warning(tmp_path):
    settings = dict(modulation="msk", symbol_rate=3000, symbols=10)  # 3.33 samples per symbol
    with pytest.warns(UserWarning) as caught:
        quorvel.generate(**settings)
    assert [str(w.message) for w in caught] == run_cli(tmp_path, settings, quiet=False).stderr.strip().splitlines()


def test_values_the_command_line_cannot_be_given():
    for settings, error in [(dict(bogus=1), TypeError), (dict(snr=1j), TypeError), (dict(fsync="yes"), TypeError),
                            (dict(quiet=True), TypeError), (dict(trust_payload_path=True), TypeError),
                            (dict(files=2), ValueError), (dict(dtype="f8"), ValueError)]:
        with pytest.raises(error):
            quorvel.generate(**settings)


# The later families by keyword: the tone's frequency from its phase steps, PAM's levels.
def test_later_families_by_keyword():
    tone = np.asarray(quorvel.generate(modulation="tone", tone=-2500, symbols=50, snr="inf").samples)
    steps = np.angle(tone[1:] * np.conj(tone[:-1])) / (2 * np.pi) * 10000
    assert np.allclose(steps, -2500, atol=1e-6)
    pam = np.asarray(quorvel.generate(modulation="pam", order=8, symbols=400, seed=1, snr="inf",
                                      sampling_rate=1000, symbol_rate=1000).samples)
    assert set(np.round(pam.real * np.sqrt(21), 6)) == {-7.0, -5.0, -3.0, -1.0, 1.0, 3.0, 5.0, 7.0}
    with pytest.raises(ValueError, match="tone: the scheme psk has no such parameter"):
        quorvel.generate(modulation="psk", tone=5)
    # OFDM by keyword: its subcarriers a word, ceil(100 / 50) symbols of 128 + 16 samples.
    ofdm = quorvel.generate(modulation="ofdm", subcarriers="qam:16", fft_size=128, cp_ratio=0.125, active=50,
                            symbols=100, snr="inf")
    assert len(np.asarray(ofdm.samples)) == 2 * 144


@pytest.mark.parametrize("value", ["a\0b", b"a\0b"])
def test_a_nul_in_a_text_is_refused_not_cut(value):
    with pytest.raises(ValueError, match="^bits: text without NUL characters$"):
        quorvel.generate(bits=value, symbols=10)


def test_a_path_that_is_not_utf8_is_named_in_the_error(tmp_path):
    folder = bytes(tmp_path) + b"/\xff-missing"
    with pytest.raises(OSError) as caught:
        quorvel.generate(save_path=folder, symbols=10)
    assert str(caught.value) == f"The folder {tmp_path}/\\xff-missing does not exist."
