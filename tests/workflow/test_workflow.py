#!/usr/bin/env python3
"""The workflow for real: Snakemake runs `kestrano` on pieces of the sample image, locally or through
a Slurm profile (run under with_local_slurm.sh), and its results are checked against direct runs
of the tool.

  test_workflow.py --kestrano BIN --snakefile workflow/Snakefile --sample samples/fibres.pgm
                   [--profile workflow/profiles/slurm | --profile workflow/profiles/slurm-batched --batched]

Steps: a run with an unreadable image (its job alone fails, the summary names it, the exit status
says so); the image repaired and one added (only those two run; the gather writes the same
summary.csv and report.html as a batch run); a changed parameter (every image reruns); an
unchanged rerun (nothing runs).
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Fields of run.json (and the columns built from them) that carry a time.
TIME_FIELDS = ("created_utc", "seconds")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(cmd, cwd, expect_ok=True):
    result = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if expect_ok is not None and (result.returncode == 0) != expect_ok:
        raise Failure(f"{' '.join(cmd)} exited with {result.returncode}:\n{result.stdout}")
    return result


def read(path, mode="rb"):
    with open(path, mode) as file:
        return file.read()


def without_times(run_json):
    record = json.loads(run_json)
    for field in TIME_FIELDS:
        check(field in record, f"run.json has no {field}")
        del record[field]
    return record


def compare_folders(got, want):
    """Every file of `want` is in `got` with the same bytes (run.json: apart from its times)."""
    names = sorted(os.path.relpath(os.path.join(d, f), want) for d, _, fs in os.walk(want) for f in fs)
    got_names = sorted(os.path.relpath(os.path.join(d, f), got) for d, _, fs in os.walk(got) for f in fs)
    check(names == got_names, f"{got} holds {got_names}, a direct run writes {names}")
    for name in names:
        a, b = read(os.path.join(got, name)), read(os.path.join(want, name))
        same = without_times(a) == without_times(b) if name == "run.json" else a == b
        check(same, f"{os.path.join(got, name)} differs from a direct run's {os.path.join(want, name)}")


def summary_rows_without_seconds(path):
    lines = read(path, "r").splitlines()
    check(lines and lines[0].endswith(",seconds"), f"{path}: unexpected header {lines[:1]}")
    return [line.rsplit(",", 1)[0] for line in lines]


def snapshot(folder):
    """(mtime, bytes) of every file under `folder`, to see whether a rerun touched it."""
    return {os.path.join(d, f): (os.stat(os.path.join(d, f)).st_mtime_ns, read(os.path.join(d, f)))
            for d, _, fs in os.walk(folder) for f in fs}


def copy_times(results, reference, folders):
    """Gives the workflow's run.json files the times a batch run recorded, nothing else."""
    for folder in folders:
        target = os.path.join(results, folder, "run.json")
        text, source = read(target, "r"), read(os.path.join(reference, folder, "run.json"), "r")
        for field in TIME_FIELDS:
            pattern = re.compile(rf'^  "{field}": .*$', re.M)
            text = pattern.sub(lambda _: pattern.search(source).group(0), text, count=1)
        with open(target, "w") as file:
            file.write(text)


def slurm_memory_of(log, name):
    """Memory Slurm granted to each submission of image `name`, in the order submitted."""
    memory = []
    for block in log.split("\nrule image:")[1:]:
        wildcard = re.search(r"wildcards: name=(\S+)", block)
        submitted = re.search(r"submitted with SLURM jobid (\d+)", block)
        if wildcard and submitted and wildcard.group(1) == name:
            jobid = submitted.group(1)
            shown = subprocess.run(["scontrol", "show", "job", "-o", jobid], stdout=subprocess.PIPE, text=True)
            found = re.search(r"MinMemoryNode=(\d+)M", shown.stdout)
            check(found, f"Slurm shows no memory for job {jobid}: {shown.stdout}")
            memory.append(int(found.group(1)))
    return memory


def check_image_extent(kestrano, snakefile, work):
    """The header reader that sizes each job's memory, on every format the tool writes."""
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.join(os.path.dirname(snakefile), "lib"))
    from image_extent import image_extent
    for fmt in ("tif", "png", "pgm"):
        out = os.path.join(work, "extent-" + fmt)
        run([kestrano, "run", "images/a.pgm", "--out-dir", out, "--format", fmt, "--quiet"], work)
        record = json.loads(read(os.path.join(out, "a", "run.json")))
        rows, cols = record["input"]["height"], record["input"]["width"]
        check(image_extent(os.path.join(out, "a", "lines." + fmt)) == (rows, cols),
              f"image_extent of a {fmt} file is not ({rows}, {cols})")
    check(image_extent(os.path.join(work, "images", "broken.pgm")) is None, "a broken header gave an extent")


def read_pgm(path):
    """(width, height, rows of 16-bit values) of a binary PGM with maxval 65535."""
    with open(path, "rb") as file:
        data = file.read()
    fields = data.split(maxsplit=4)
    check(fields[0] == b"P5" and fields[3] == b"65535", f"{path}: not a 16-bit binary PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4]
    rows = [pixels[2 * width * r:2 * width * (r + 1)] for r in range(height)]
    return width, height, rows


def crop(image, width, height, seed):
    """A width x height piece of the image; the seed picks where, so different seeds give different images."""
    full_width, full_height, rows = image
    x = (seed * 97) % (full_width - width)
    y = (seed * 61) % (full_height - height)
    return width, height, [row[2 * x:2 * (x + width)] for row in rows[y:y + height]]


def write_pgm(path, image):
    width, height, rows = image
    with open(path, "wb") as file:
        file.write(b"P5\n%d %d\n65535\n" % (width, height))
        file.write(b"".join(rows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kestrano", required=True)
    parser.add_argument("--snakefile", required=True)
    parser.add_argument("--sample", required=True, help="a 16-bit binary PGM to cut test images from")
    parser.add_argument("--profile", help="a Snakemake profile (the Slurm one); default: local, 2 cores")
    parser.add_argument("--batched", action="store_true",
                        help="the profile runs images in batches: a failed image fails its batch")
    args = parser.parse_args()
    kestrano = os.path.abspath(args.kestrano)
    sample = read_pgm(os.path.abspath(args.sample))
    check(shutil.which("snakemake"), "snakemake not found (Debian package snakemake)")

    work = tempfile.mkdtemp(prefix="kestrano-workflow-")
    images = os.path.join(work, "images")
    os.mkdir(images)

    def make_image(name, seed):
        write_pgm(os.path.join(images, name), crop(sample, 160, 128, seed))

    def snakemake(*config, expect_ok=True):
        executor = ["--profile", os.path.abspath(args.profile)] if args.profile else ["--cores", "2"]
        cmd = ["snakemake", "-s", os.path.abspath(args.snakefile), *executor, "--keep-going",
               "--config", "input=images", "output=results", f"kestrano={kestrano}", *config]
        return run(cmd, work, expect_ok).stdout

    def direct(reference, *inputs, options=()):
        shutil.rmtree(os.path.join(work, reference), ignore_errors=True)
        run([kestrano, "run", *[f"images/{i}" for i in inputs], "--out-dir", reference, "--quiet", *options],
            work, expect_ok=None)
        return os.path.join(work, reference)

    results = os.path.join(work, "results")
    try:
        # 1. An unreadable image fails its job alone.
        make_image("a.pgm", 1)
        make_image("b.pgm", 2)
        with open(os.path.join(images, "broken.pgm"), "wb") as file:
            file.write(b"not an image")
        if not args.profile:
            check_image_extent(kestrano, os.path.abspath(args.snakefile), work)
        log = snakemake(expect_ok=False)
        if args.batched:
            check("Submitted group job" in log, f"no batch went through Slurm:\n{log}")
        elif args.profile:
            check("submitted with SLURM jobid" in log, f"no job went through Slurm:\n{log}")
            memory = slurm_memory_of(log, "broken")
            check(len(memory) == 2 and memory[1] == 2 * memory[0],
                  f"broken.pgm should be tried twice, the second time with twice the memory: {memory} MB")
        reference = direct("direct", "a.pgm", "b.pgm", "broken.pgm")
        for folder in ("a", "b", "broken"):
            compare_folders(os.path.join(results, folder), os.path.join(reference, folder))
        check(summary_rows_without_seconds(os.path.join(results, "summary.csv"))
              == summary_rows_without_seconds(os.path.join(reference, "summary.csv")),
              "summary.csv after the failed run differs from a batch run's")
        check(",failed,\"images/broken.pgm: not a supported image" in read(os.path.join(results, "summary.csv"), "r"),
              "summary.csv does not list broken.pgm with its error")

        # 2. The image repaired and one added: those two run, the others are left alone.
        kept = snapshot(os.path.join(results, "a")) | snapshot(os.path.join(results, "b"))
        make_image("broken.pgm", 3)
        make_image("c.pgm", 4)
        snakemake()
        # A batch with a failed image failed as a whole, so its other images ran again.
        check(args.batched or snapshot(os.path.join(results, "a")) | snapshot(os.path.join(results, "b")) == kept,
              "a rerun after adding images touched the results of earlier ones")
        reference = direct("direct", "a.pgm", "b.pgm", "broken.pgm", "c.pgm")
        for folder in ("broken", "c"):
            compare_folders(os.path.join(results, folder), os.path.join(reference, folder))
        # The gather with a batch run's times writes that batch's files byte for byte.
        copy_times(results, reference, ("a", "b", "broken", "c"))
        snakemake("--forcerun", "summary")
        batch_files = [n for n in ("summary.csv", "report.html") if os.path.exists(os.path.join(reference, n))]
        for name in batch_files:
            check(read(os.path.join(results, name)) == read(os.path.join(reference, name)),
                  f"the workflow's {name} differs from a batch run's")

        # 3. A changed parameter reruns every image.
        snakemake("set={nAng: 64}")
        reference = direct("direct", "a.pgm", "b.pgm", "broken.pgm", "c.pgm", options=["--set", "nAng=64"])
        for folder in ("a", "b", "broken", "c"):
            compare_folders(os.path.join(results, folder), os.path.join(reference, folder))

        # 4. Nothing changed: nothing runs.
        before = snapshot(results)
        log = snakemake("set={nAng: 64}")
        check("Nothing to be done" in log and snapshot(results) == before, f"an unchanged rerun did work:\n{log}")
    except Failure as failure:
        print(f"FAILED: {failure}\n(work folder kept: {work})", file=sys.stderr)
        return 1
    shutil.rmtree(work)
    print("workflow checks passed" + (" (Slurm profile)" if args.profile else " (local)"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
