# kestrano.run gives what `kestrano run` gives on the same file and parameters:
# the printed lines, the painted image and the four data files.
import numpy as np
import pytest

import kestrano

CASES = [
    # keyword arguments, the same as command-line arguments
    ({}, []),
    ({"smoothing": False, "nAng": 360, "tipoOutput": "c"},
     ["--no-smoothing", "--set", "nAng=360", "--set", "tipoOutput=c"]),
    ({"threshold": False, "th": "120", "lMinLine": 20},
     ["--no-threshold", "--set", "th=120", "--set", "lMinLine=20"]),
    ({"gradient": False, "nBins": 4, "speed": 3}, ["--no-gradient", "--set", "nBins=4", "--set", "speed=3"]),
    ({"lines": False}, ["--no-lines"]),
]


@pytest.mark.parametrize("kwargs, arguments", CASES, ids=lambda c: str(c))
def test_crop_matches_the_tool(crop, tmp_path, cli, kwargs, arguments):
    path = tmp_path / "crop.pgm"
    kestrano.write_image(path, crop)
    stdout, painted, files = cli(path, *arguments)

    r = kestrano.run(crop, **kwargs)

    assert r.log == stdout
    np.testing.assert_array_equal(r.image, painted)
    assert r.data_files == files
    if kwargs.get("lines", True):
        assert len(r.segments) > 0
        assert files["dataLen.dat"].split() == [str(len(r.segments))] + ["%g" % v for v in r.segments["length_px"]]
        assert files["dataAng.dat"].split() == [str(len(r.segments))] + ["%g" % v for v in r.segments["angle_deg"]]
        for name, file in (("length", "histoLen.dat"), ("angle", "histoAng.dat")):
            h = r.histograms[name]
            rows = [line.split("\t") for line in files[file].splitlines()[1:]]
            assert [(int(v), int(c)) for v, c in rows] == list(zip(h["values"], h["counts"]))
    else:
        assert len(r.segments) == 0 and r.histograms == {}


def test_sample_matches_the_tool(sample, sample_path, cli):
    stdout, painted, files = cli(sample_path)
    r = kestrano.run(sample)
    assert r.log == stdout
    np.testing.assert_array_equal(r.image, painted)
    assert r.data_files == files


def test_parameters_are_built_like_the_tool(crop):
    r = kestrano.run(crop, smoothing=False, lines=False, nAng=64, extra="x")
    p = r.parameters
    assert p["nAng"] == "64" and p["extra"] == "x"
    assert (p["positionX"], p["positionY"], p["positionZ"]) == ("0", "0", "0")
    assert "nIts" not in p and "dl" not in p and p["th"] == "150"
    assert r.stages == {"smoothing": False, "gradient": True, "threshold": True, "lines": False}
    # A stage runs when its name is present, whatever the switch says.
    assert kestrano.run(crop, threshold=False, th=120, lines=False).stages["threshold"]
