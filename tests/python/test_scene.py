"""quorvel.spectrogram against the documented formula written in numpy and against the
spectrograms quorvel-cli keeps in a scene dataset; quorvel.scene against that dataset's X and boxes."""
import json
import os
import subprocess

import h5py
import numpy as np
import pytest
import quorvel

from conftest import CLI


def documented(x, fft, overlap):
    hop = fft - overlap
    frames = (len(x) - fft) // hop + 1
    window = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(fft) / fft)
    rows = np.stack([x[c * hop:c * hop + fft] * window for c in range(frames)])
    power = np.abs(np.fft.fftshift(np.fft.fft(rows, axis=1), axes=1)) ** 2 / np.sum(window ** 2)
    return 10 * np.log10(np.maximum(power, 1e-30))


@pytest.mark.parametrize("fft, overlap, length", [(256, 128, 5000), (64, 0, 640), (101, 50, 1000)])
def test_spectrogram_is_the_documented_formula(fft, overlap, length):
    rng = np.random.default_rng(fft)
    x = rng.standard_normal(length) + 1j * rng.standard_normal(length)
    ours = quorvel.spectrogram(x, fft=fft, overlap=overlap)
    assert ours.dtype == np.float32
    assert ours.shape == ((length - fft) // (fft - overlap) + 1, fft)
    np.testing.assert_allclose(ours, documented(x, fft, overlap), atol=1e-3)


@pytest.mark.parametrize("fft, overlap", [(8, 8), (1, 0), (2048, 0)])
def test_spectrogram_refusals(fft, overlap):
    with pytest.raises(ValueError):
        quorvel.spectrogram(np.zeros(1024, complex), fft=fft, overlap=overlap)


def test_dataset_spectrograms_are_the_module_s(tmp_path):
    recipe = {"seed": 3, "samples_per_capture": 4096,
              "scene": {"sampling_rate": 1e6, "captures": 3, "emitters": {"min": 1, "max": 3}},
              "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4}]}
    path = tmp_path / "scene.json"
    path.write_text(json.dumps(recipe))
    done = subprocess.run([CLI, "dataset", str(path), "--out", str(tmp_path / "out"), "--spectrograms",
                           "--spectrogram-fft", "128", "--spectrogram-overlap", "32", "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with h5py.File(tmp_path / "out" / "dataset.h5", "r") as f:
        for i in range(3):
            x = f["X"][i].astype(np.float64)
            # X holds float32 samples; the file's images were made from the samples before rounding.
            image = quorvel.spectrogram(x[:, 0] + 1j * x[:, 1], fft=128, overlap=32)
            np.testing.assert_allclose(image, f["spectrograms"][i], atol=0.05)


def test_scene_is_the_dataset_s_capture_and_boxes(tmp_path):
    recipe = {"seed": 5, "samples_per_capture": 2048,
              "scene": {"sampling_rate": 2e6, "captures": 4, "emitters": {"min": 2, "max": 4},
                        "hopping": {"hops_per_second": 2000, "channels": 3, "probability": 0.5}},
              "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4},
                          {"label": "GMSK", "modulation": "gmsk", "samples_per_symbol": 4}]}
    path = tmp_path / "scene.json"
    path.write_text(json.dumps(recipe))
    done = subprocess.run([CLI, "dataset", str(path), "--out", str(tmp_path / "out"), "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with h5py.File(tmp_path / "out" / "dataset.h5", "r") as f:
        for i in range(4):
            samples, boxes, classes = quorvel.scene(recipe, i)
            assert classes == ["QPSK", "GMSK"]
            x = f["X"][i]
            assert np.array_equal(samples.real, x[:, 0]) and np.array_equal(samples.imag, x[:, 1])
            rows = f["boxes/capture"][:] == i
            for name, column in boxes.items():
                assert column.dtype == f["boxes"][name].dtype, name
                assert np.array_equal(column, f["boxes"][name][rows], equal_nan=column.dtype.kind == "f"), name
    with pytest.raises(ValueError):
        quorvel.scene(recipe, 4)


def test_scene_receiver_settings_are_the_dataset_s_and_the_recording_s(tmp_path):
    recipe = {"seed": 9, "samples_per_capture": 2048,
              "scene": {"sampling_rate": 1e6, "captures": 3, "emitters": {"min": 1, "max": 3},
                        "receiver": {"frequency_offset": {"min": -1e5, "max": 1e5}, "iq_imbalance_amplitude": 1,
                                     "dc_offset_q": {"min": -0.5, "max": 0.5}}},
              "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4}]}
    path = tmp_path / "scene.json"
    path.write_text(json.dumps(recipe))
    done = subprocess.run([CLI, "dataset", str(path), "--out", str(tmp_path / "out"), "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    done = subprocess.run([CLI, "--scene", str(path), "--capture", "2", "--save-path", str(tmp_path), "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    segment = json.loads((tmp_path / "scene_2.sigmf-meta").read_text())["captures"][0]
    with h5py.File(tmp_path / "out" / "dataset.h5", "r") as f:
        assert sorted(f["settings"].keys()) == ["emitters", "receiver_dc_offset_q", "receiver_frequency_offset",
                                                "receiver_iq_imbalance_amplitude", "signal_power"]
        for i in range(3):
            samples, _, _, settings = quorvel.scene(recipe, i, settings=True)
            x = f["X"][i]
            assert np.array_equal(samples.real, x[:, 0]) and np.array_equal(samples.imag, x[:, 1])
            assert settings == {name: f["settings"][name][i] for name in f["settings"].keys()}
        assert all(segment["quorvel:" + name] == f["settings"][name][2]
                   for name in f["settings"].keys() if name.startswith("receiver_"))
    assert len(quorvel.scene(recipe, 0)) == 3
