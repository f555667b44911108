# What kestrano.run and the image functions accept, what they refuse and how
# the pipeline's errors arrive.
import numpy as np
import pytest

import kestrano
from conftest import SAMPLE

QUICK = {"lines": False, "smoothing": False}


@pytest.mark.parametrize("image, error, text", [
    (np.zeros((8, 8), np.int16), TypeError, "got dtype int16"),
    (np.zeros((8, 8), np.float32), TypeError, "numpy.uint8 or numpy.uint16"),
    (np.zeros((8, 8), np.uint32), TypeError, "got dtype uint32"),
    ([[1, 2], [3, 4]], TypeError, "got dtype int64"),
    ("fibres.pgm", TypeError, "unsigned 8- or 16-bit"),
    (np.zeros((4, 4, 3), np.uint8), ValueError, "got shape (4, 4, 3)"),
    (np.zeros(16, np.uint16), ValueError, "got shape (16,)"),
    (np.zeros((0, 5), np.uint16), ValueError, "at least one row and one column"),
])
def test_refused_images(image, error, text):
    with pytest.raises(error, match="^image: .*" + text.replace("(", r"\(").replace(")", r"\)")):
        kestrano.run(image)


@pytest.mark.parametrize("kwargs, error, text", [
    ({"nAng": 1.5}, TypeError, "parameter nAng: expected int or str, got float"),
    ({"th": True}, TypeError, "parameter th: expected int or str, got bool"),
    ({"threads": -1}, ValueError, "threads: expected 0"),
    ({"pixel_size": 0}, ValueError, "pixel_size: expected sizes above 0, got 0"),
    ({"pixel_size": (1, 2, 3)}, ValueError, r"\(width, height\) pair"),
    ({"pixel_size": "0.5"}, TypeError, "pixel_size: expected a number"),
    ({"pixel_size": 0.5, "unit": ""}, ValueError, "unit: expected the physical unit"),
    ({"nAng": "abc"}, ValueError, "invalid stoi argument"),
    ({"nAng": 2**40}, ValueError, "stoi argument out of range"),
    ({"nBins": 0}, ValueError, "nBins"),
    ({"speed": "0"}, ValueError, "speed"),
])
def test_refused_parameters(small, kwargs, error, text):
    with pytest.raises(error, match=text):
        kestrano.run(small, **kwargs)


def test_any_layout_and_width_gives_the_same_result(small):
    narrow = (small // 64).astype(np.uint8)
    reference = kestrano.run(narrow.astype(np.uint16))
    variants = [
        narrow,
        narrow.astype(">u2"),
        np.asfortranarray(narrow.astype(np.uint16)),
        np.repeat(np.repeat(narrow, 2, axis=0), 3, axis=1)[::2, ::3],
    ]
    for image in variants:
        before = image.copy()
        r = kestrano.run(image)
        np.testing.assert_array_equal(r.image, reference.image)
        np.testing.assert_array_equal(r.segments, reference.segments)
        np.testing.assert_array_equal(image, before)
        assert not np.shares_memory(r.image, image)
    assert len(reference.segments) > 0


def test_int_and_str_parameters_are_the_same(small):
    a = kestrano.run(small, nAng=64, lMinLine=np.int64(30))
    b = kestrano.run(small, nAng="64", lMinLine="30")
    assert a.log == b.log and a.parameters == b.parameters


def test_segments_describe_the_painted_segments(crop):
    r = kestrano.run(crop, tipoOutput="c")
    s = r.segments
    assert s.dtype.names == ("segment", "label", "x1", "y1", "x2", "y2", "length_px", "angle_deg",
                             "length", "touches_border")
    assert r.unit == "px" and (s["length"] == s["length_px"]).all()
    assert list(s["segment"]) == list(range(1, len(s) + 1))
    # Lines only on black: both end points of every segment are painted.
    assert (r.image[s["y1"], s["x1"]] > 0).all() and (r.image[s["y2"], s["x2"]] > 0).all()


@pytest.mark.parametrize("size, sx, sy", [(0.5, 0.5, 0.5), ((0.5, 2), 0.5, 2.0)])
def test_pixel_size_gives_physical_lengths(small, size, sx, sy):
    s = kestrano.run(small, pixel_size=size, unit="um").segments
    a = np.radians(s["angle_deg"])
    expected = np.hypot(s["length_px"] * np.cos(a) * sx, s["length_px"] * np.sin(a) * sy)
    np.testing.assert_allclose(s["length"], expected, rtol=1e-9)


@pytest.mark.parametrize("name", ["a.tif", "a.png", "a.pgm"])
def test_images_round_trip_through_files(tmp_path, crop, name):
    image = crop[::3, ::2]
    kestrano.write_image(str(tmp_path / name), image)
    back = kestrano.read_image(tmp_path / name)
    assert back.dtype == np.uint16 and back.flags.c_contiguous
    np.testing.assert_array_equal(back, image)


@pytest.mark.parametrize("call, text", [
    (lambda d: kestrano.read_image(d / "missing.pgm"), "missing.pgm"),
    (lambda d: kestrano.write_image(d / "no" / "a.tif", np.zeros((2, 2), np.uint16)), "a.tif"),
    (lambda d: kestrano.write_image(d / "a.bmp", np.zeros((2, 2), np.uint16)), "a.bmp"),
    (lambda d: kestrano.read_image(SAMPLE, page=1), "page 2 does not exist"),
])
def test_file_errors_are_os_errors(tmp_path, call, text):
    with pytest.raises(OSError, match=text):
        call(tmp_path)
