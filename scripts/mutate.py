#!/usr/bin/python3
"""Mutation testing: plant one small fault at a time and see whether the tests notice.

Usage, from anywhere inside the repository:
    /usr/bin/python3 scripts/mutate.py [--rev REV] [--folders lines,output] [--per-folder K | --all]
                                       [--seed N] [--jobs N] [--tests REGEX] [--exclude-tests REGEX]
                                       [--match REGEX] [--timeout SECONDS]
                                       [--list] [--resume] [--workdir DIR] [--report FILE]
Examples:
    scripts/mutate.py --list --all                  # every candidate, nothing built
    scripts/mutate.py --per-folder 3                # small sample of each source folder
    scripts/mutate.py --rev abc123 --resume         # continue an interrupted run of abc123
    scripts/mutate.py --per-folder 20 --exclude-tests 'workflow|slurm|browser|install|python|fuzz'
    scripts/mutate.py --all --match 'lines/region_map.cpp:(2[0-9]|3[0-9])$'   # chosen lines only

Faults are planted in a detached worktree of REV under /tmp (WORKDIR/tree, built once in
WORKDIR/build), never in the checkout you run this from. Results go to WORKDIR/report.md, with one
JSON line per mutant in report.jsonl beside it; --resume takes the sample and test filter from
there and skips the mutants already done. --cleanup removes the worktree and build (not reports).
A mutant costs a few seconds: the rebuild of what depends on the file, then the tests.
When ccache is installed it is the compiler launcher, with paths taken relative to WORKDIR, so
the worktrees of two revisions share their cache and putting a file back costs no compilation.
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

SOURCE_SUFFIXES = (".cpp", ".cc", ".h", ".hpp")
EXCLUDED_FOLDERS = {"tests", "bench", "fuzz"}  # harnesses, not product code
BUILD_JOBS = "2"  # the machine is shared: never more


def git(repo, *args, binary=False):
    out = subprocess.run(["git", "-C", str(repo), *args], check=True, capture_output=True).stdout
    return out if binary else out.decode()


# ---- Lexing: blank out what must never be mutated, keeping every offset ----

def code_only(text):
    """Same length as text; comments, string/char literals, preprocessor lines and
    static_asserts become spaces (quotes and newlines stay)."""
    out, i, n = list(text), 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c == '"' and i > 0 and text[i - 1] == "R":
            delim = text[i + 1:text.index("(", i)]
            j = text.index(")" + delim + '"', i) + len(delim) + 2
            blank(i + 1, j - 1)
            i = j
        elif c == "'" and re.search(r"\b\d\w*$", text[max(0, i - 40):i]):
            i += 1  # digit separator, as in 1'000
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, j)
            i = j + 1
        else:
            i += 1
    masked = "".join(out)
    # Preprocessor directives, continuation lines included.
    for m in re.finditer(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", masked, re.M):
        blank(m.start(), m.end())
    for m in re.finditer(r"\bstatic_assert\s*\(", masked):
        blank(m.start(), matching_close(masked, m.end() - 1) + 1)
    return "".join(out)


def matching_close(s, open_at):
    """Index of the bracket closing the one at open_at, or -1."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opener, closer, depth = s[open_at], pairs[s[open_at]], 0
    for k in range(open_at, len(s)):
        if s[k] == opener:
            depth += 1
        elif s[k] == closer:
            depth -= 1
            if depth == 0:
                return k
    return -1


# ---- Mutation operators: each yields (op, start column, end column, replacement) ----

CMP_FLIP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
SPACED_CMP = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
INT_LITERAL = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])")
NOT_STATEMENT = {"if", "for", "while", "do", "else", "switch", "case", "default", "return", "using",
                 "typedef", "namespace", "template", "friend", "class", "struct", "enum", "union",
                 "public", "private", "protected", "goto", "explicit", "virtual", "operator", "auto"}
EXPRESSION_START = {"throw", "delete", "break", "continue"}
DECLARATION = re.compile(r"(?:(?:const|constexpr|static|inline|mutable|thread_local|extern|volatile"
                         r"|unsigned|signed)\s+)*[A-Za-z_][\w:]*(?:<[^;=(]*>)?"  # type
                         r"(?:[\s&*]|\bconst\b)+[A-Za-z_]\w*\s*(?:=|\(|\{|;|\[|,|:)")  # name
PROTOTYPE = re.compile(r"~?[A-Za-z_][\w:]*\s*\(\s*(?!sizeof\b|new\b)(?:const\s+)?[A-Za-z_][\w:<>]*"
                       r"(?:[&*]+\s*|\s+)(?:const\s+)?[A-Za-z_]\w*\s*[,)=]")  # a function declaration


def comparison_flips(code, raw):
    for m in SPACED_CMP.finditer(code):
        yield "cmp", m.start(), m.end(), CMP_FLIP[m.group(1)]


def constant_moves(code, raw):
    for m in INT_LITERAL.finditer(code):
        if re.search(r"[\d.][eEpP][+-]$", code[:m.start()]):
            continue  # exponent of a floating literal
        digits, suffix = m.group(1), m.group(2)
        if re.fullmatch(r"0\d+", digits):
            continue  # octal: too rare to bother
        value = int(digits, 0)
        for moved in (value + 1, value - 1):
            if moved < 0:
                continue
            text = digits[:2] + format(moved, "X" if digits[2:].isupper() else "x") \
                if digits[:2] in ("0x", "0X") else str(moved)
            yield "const", m.start(), m.end(), text + suffix


def loop_bounds(code, raw):
    m = re.search(r"\b(for|while)\s*\(", code)
    if not m:
        return
    close = matching_close(code, m.end() - 1)
    if close < 0:
        return
    start = m.end()
    if m.group(1) == "for":
        parts = code[start:close].split(";")
        if len(parts) != 3 or ":" in parts[0]:
            return
        start += len(parts[0]) + 1
        end = start + len(parts[1])
    else:
        end = close
    comparisons = list(SPACED_CMP.finditer(code, start, end))
    if len(comparisons) != 1 or comparisons[0].group(1) == "==" or "&&" in code[start:end] \
            or "||" in code[start:end]:
        return
    cmp = comparisons[0]
    bound = code[cmp.end():end].strip()
    if not bound:
        return
    b0 = code.index(bound, cmp.end())
    bound = raw[b0:b0 + len(bound)]
    wrapped = bound if re.fullmatch(r"[\w.:>()\[\]-]+", bound) and " " not in bound else f"({bound})"
    rising = cmp.group(1) in ("<", "<=", "!=")
    for op, sign in (("bound-", "-" if rising else "+"), ("bound+", "+" if rising else "-")):
        yield op, b0, b0 + len(bound), f"{wrapped} {sign} 1"


def logic_swaps(code, raw):
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        yield "logic", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&"


def index_sign_swaps(code, raw):
    inside = set()
    for m in re.finditer(r"\[", code):
        inside.update(range(m.start(), max(matching_close(code, m.start()), m.start())))
    for op in re.finditer(r"(?<=\s)[+-](?=\s)", code):
        if op.start() in inside:
            yield "index", op.start(), op.end(), "-" if op.group() == "+" else "+"


def if_negations(code, raw):
    for m in re.finditer(r"\bif\s*\(", code):
        close = matching_close(code, m.end() - 1)
        if close > 0:
            yield "negate", m.end() - 1, close + 1, "(!" + raw[m.end() - 1:close + 1] + ")"


def statement_drop(code, raw, previous):
    s = code.strip()
    first = re.match(r"[A-Za-z_]\w*", s)
    word = first.group() if first else ""
    before = previous.rstrip()
    starts_statement = before[-1:] in (";", "{", "}", ")", ":") or re.search(r"\b(else|do)$", before)
    if not s.endswith(";") or s.endswith("};") or not starts_statement:
        return
    if not (first or s.startswith(("++", "--", "*", "("))) or word in NOT_STATEMENT:
        return
    if word not in EXPRESSION_START and (DECLARATION.match(s) or PROTOTYPE.match(s)) \
            or "= default" in s or "= delete" in s:
        return
    if any(s.count(a) != s.count(b) for a, b in ("()", "[]", "{}")):
        return
    start = code.index(s)
    yield "drop", start, start + len(s), ";"


def candidates_in(path, text):
    masked = code_only(text)
    raw_lines, code_lines = text.split("\n"), masked.split("\n")
    previous = ";"
    for number, (raw, code) in enumerate(zip(raw_lines, code_lines), 1):
        found = [*comparison_flips(code, raw), *constant_moves(code, raw), *loop_bounds(code, raw),
                 *logic_swaps(code, raw), *index_sign_swaps(code, raw), *if_negations(code, raw),
                 *statement_drop(code, raw, previous)]
        for op, a, b, new in found:
            mutated = raw[:a] + new + raw[b:]
            yield {"id": f"{path}:{number}:{a}:{op}:{new}", "file": path, "line": number,
                   "op": op, "start": a, "end": b, "replacement": new,
                   "original": raw.strip(), "mutated": mutated.strip()}
        if code.strip():
            previous = code


def folder_of(path):
    return path.split("/", 1)[0]


def enumerate_candidates(repo, rev, folders):
    files = [f for f in git(repo, "ls-tree", "-r", "--name-only", rev).split("\n")
             if f.endswith(SOURCE_SUFFIXES) and "/" in f and folder_of(f) in folders]
    found = {}
    for f in sorted(files):
        text = git(repo, "cat-file", "blob", f"{rev}:{f}", binary=True).decode()
        found.setdefault(folder_of(f), []).extend(candidates_in(f, text))
    return found


def default_folders(repo, rev):
    files = git(repo, "ls-tree", "-r", "--name-only", rev).split("\n")
    return sorted({folder_of(f) for f in files if "/" in f and f.endswith(SOURCE_SUFFIXES)}
                  - EXCLUDED_FOLDERS)


def choose(found, per_folder, seed, take_all):
    chosen = []
    for folder, cands in sorted(found.items()):
        if take_all or len(cands) <= per_folder:
            chosen.extend(cands)
        else:
            # Seeded per folder, so one folder's sample does not depend on the others.
            chosen.extend(random.Random(f"{seed}:{folder}").sample(cands, per_folder))
    # File order: a file that stays mutated is compiled once per mutant, not twice.
    return sorted(chosen, key=lambda c: (c["file"], c["line"], c["start"], c["op"], c["replacement"]))


# ---- Worktree, build and tests ----

def run(cmd, timeout=None):
    """(exit code or None on time-out, output, seconds). Runs in its own process group so
    that a time-out or Ctrl-C ends the compilers or tests it started, too."""
    started = time.monotonic()
    with subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          start_new_session=True) as p:
        try:
            out, code = p.communicate(timeout=timeout)[0], p.returncode
        except BaseException as e:
            os.killpg(p.pid, signal.SIGKILL)
            out, code = p.communicate()[0], None
            if not isinstance(e, subprocess.TimeoutExpired):
                raise
    return code, out, time.monotonic() - started


def prepare_tree(repo, rev, tree, build):
    if not (tree / ".git").exists():
        tree.parent.mkdir(parents=True, exist_ok=True)
        git(repo, "worktree", "add", "--detach", str(tree), rev)
    if git(tree, "rev-parse", "HEAD").strip() != rev:
        sys.exit(f"{tree} is not at {rev}; remove it or choose another --workdir")
    # A run killed outright can leave a fault planted: put back the committed bytes.
    for line in git(tree, "status", "--porcelain", "--untracked-files=no").splitlines():
        path = line[3:]
        print(f"restoring {path} left changed by an earlier run", file=sys.stderr)
        (tree / path).write_bytes(git(tree, "cat-file", "blob", f"{rev}:{path}", binary=True))
    if not (build / "build.ninja").exists():
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        code, out, _ = run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja", *launcher])
        if code != 0:
            sys.exit("configure failed:\n" + out)


def build_tree(build):
    code, out, secs = run(["ninja", "-C", str(build), "-j", BUILD_JOBS], timeout=1800)
    return code == 0, "no work to do" in out, out, secs


def run_tests(build, args, timeout):
    cmd = ["ctest", "--test-dir", str(build), "-j", str(args.jobs), "--timeout", str(timeout),
           "--no-tests=error", "--stop-on-failure"] + (["-R", args.tests] if args.tests else []) \
        + (["-E", args.exclude_tests] if args.exclude_tests else [])
    code, out, secs = run(cmd, timeout=timeout * 50 + 60)
    failed = re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", out.split("tests FAILED:")[-1], re.M) \
        if "tests FAILED:" in out else []
    return code == 0, failed, out, secs


def baseline_timeout(ctest_output):
    # Generous: the machine is shared, and a slow test must not count as a caught mutant.
    times = [float(t) for t in re.findall(r"Passed\s+([\d.]+) sec", ctest_output)]
    return max(30, int(10 * max(times, default=1)) + 1)


def try_mutant(cand, tree, build, args, timeout):
    path = tree / cand["file"]
    original = path.read_bytes()
    lines = original.decode().split("\n")
    line = lines[cand["line"] - 1]
    if line.strip() != cand["original"]:
        sys.exit(f"{cand['file']}:{cand['line']} does not match the revision")
    lines[cand["line"] - 1] = line[:cand["start"]] + cand["replacement"] + line[cand["end"]:]
    result = {"id": cand["id"]}
    try:
        path.write_bytes("\n".join(lines).encode())
        built, idle, out, result["build_s"] = build_tree(build)
        if not built:
            result["verdict"] = "compile-error"
        elif idle:
            result["verdict"] = "not-built"  # no target uses this file
        else:
            passed, failed, out, result["test_s"] = run_tests(build, args, timeout)
            result["verdict"] = "survived" if passed else "caught"
            result["failed"] = [f"{name} ({why})" for name, why in failed]
            result["timed_out"] = not passed and (not failed or ("Timeout" in dict(failed).values()))
    finally:
        path.write_bytes(original)  # also on Ctrl-C; its new mtime makes ninja rebuild it
    return result


# ---- Report ----

def write_report(report, settings, chosen, results):
    by_id = {c["id"]: c for c in chosen}
    rows, survivors = {}, []
    for r in results:
        c = by_id.get(r["id"])
        if c is None:
            continue
        counts = rows.setdefault(folder_of(c["file"]), {})
        counts[r["verdict"]] = counts.get(r["verdict"], 0) + 1
        counts["timed-out"] = counts.get("timed-out", 0) + bool(r.get("timed_out"))
        if r["verdict"] == "survived":
            survivors.append(c)
    lines = [f"# Mutation report for {settings['rev'][:12]}", "",
             f"Folders: {', '.join(settings['folders'])}; "
             + ("all candidates" if settings["all"] else
                f"at most {settings['per_folder']} per folder, seed {settings['seed']}")
             + (f"; tests matching `{settings['tests']}`" if settings["tests"] else "")
             + (f"; tests not matching `{settings['exclude_tests']}`" if settings.get("exclude_tests") else "")
             + f". Done {len(results)} of {len(chosen)}.", "",
             "Score = caught / (caught + survived); compile errors and files that no target builds",
             "are left out. A survivor may be an equivalent mutant: judge each one by reading it.", "",
             "| folder | caught | of which timed out | survived | compile error | not built | score |",
             "|---|---|---|---|---|---|---|"]
    total = {}
    for folder, counts in sorted(rows.items()):
        for k, v in counts.items():
            total[k] = total.get(k, 0) + v
        lines.append(table_row(folder, counts))
    lines += [table_row("**all**", total), ""]
    timed = [r for r in results if "test_s" in r]
    if timed:
        per = sum(r["build_s"] + r["test_s"] for r in timed) / len(timed)
        lines += [f"Mean time per built mutant: {per:.1f} s (build + tests).", ""]
    lines += [f"## Survivors ({len(survivors)})", ""]
    for c in survivors:
        lines += [f"- `{c['file']}:{c['line']}` ({c['op']})", f"  - was: `{c['original']}`",
                  f"  - now: `{c['mutated']}`"]
    report.write_text("\n".join(lines) + "\n")


def table_row(name, counts):
    caught, survived = counts.get("caught", 0), counts.get("survived", 0)
    score = f"{100 * caught / (caught + survived):.0f} %" if caught + survived else "-"
    return (f"| {name} | {caught} | {counts.get('timed-out', 0)} | {survived} "
            f"| {counts.get('compile-error', 0)} | {counts.get('not-built', 0)} | {score} |")


# ---- Main ----

def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--rev", default="HEAD", help="revision to test (default HEAD)")
    p.add_argument("--folders", help="comma-separated source folders (default: all but tests, bench, fuzz)")
    p.add_argument("--per-folder", type=int, default=10, help="sample size per folder (default 10)")
    p.add_argument("--all", action="store_true", help="every candidate, no sampling")
    p.add_argument("--seed", type=int, default=1, help="sampling seed (default 1)")
    p.add_argument("--jobs", type=int, default=2, help="parallel tests for ctest (default 2)")
    p.add_argument("--tests", help="only run the ctest tests matching this regex")
    p.add_argument("--exclude-tests", help="leave out the ctest tests matching this regex")
    p.add_argument("--match", help="only candidates whose FILE:LINE matches this regex (before sampling)")
    p.add_argument("--timeout", type=int, help="per-test timeout in seconds (default from a clean run)")
    p.add_argument("--list", action="store_true", help="only print the chosen candidates")
    p.add_argument("--resume", action="store_true", help="continue the run recorded in the report")
    p.add_argument("--workdir", help="worktree and build place (default /tmp/kestrano-mutate-REV)")
    p.add_argument("--report", help="report file (default WORKDIR/report.md)")
    p.add_argument("--cleanup", action="store_true", help="remove the worktree and build, then stop")
    return p.parse_args()


def main():
    args = parse_args()
    repo = Path(git(Path(__file__).resolve().parent, "rev-parse", "--show-toplevel").strip())
    rev = git(repo, "rev-parse", "--verify", args.rev + "^{commit}").strip()
    workdir = Path(args.workdir or f"/tmp/kestrano-mutate-{rev[:12]}")
    tree, build = workdir / "tree", workdir / "build"
    os.environ["CCACHE_BASEDIR"] = str(workdir.resolve())  # cache hits across revisions' worktrees
    report = Path(args.report) if args.report else workdir / "report.md"
    state = report.with_suffix(".jsonl")
    if args.cleanup:
        if tree.exists():
            git(repo, "worktree", "remove", "--force", str(tree))
        shutil.rmtree(build, ignore_errors=True)
        if workdir.is_dir() and not any(workdir.iterdir()):
            workdir.rmdir()  # reports, if any, stay
        return

    folders = args.folders.split(",") if args.folders else default_folders(repo, rev)
    settings = {"rev": rev, "folders": folders, "per_folder": args.per_folder, "seed": args.seed,
                "all": args.all, "tests": args.tests, "exclude_tests": args.exclude_tests,
                "match": args.match}
    results = []
    if state.exists() and state.stat().st_size and not args.list:
        if not args.resume:
            sys.exit(f"{state} holds an earlier run: pass --resume to continue it, or another --report")
        recorded = [json.loads(l) for l in state.read_text().splitlines() if l.strip()]
        if recorded[0]["settings"]["rev"] != rev:
            sys.exit(f"{state} is a run of {recorded[0]['settings']['rev'][:12]}: pass that --rev")
        settings, results = recorded[0]["settings"], recorded[1:]
        args.tests = settings["tests"]  # the sample and tests of the recorded run, not new ones
        args.exclude_tests = settings.get("exclude_tests")
        print(f"resuming: {len(results)} mutants already done", file=sys.stderr)

    found = enumerate_candidates(repo, rev, set(settings["folders"]))
    if settings.get("match"):
        wanted = re.compile(settings["match"])
        found = {folder: [c for c in cands if wanted.search(f"{c['file']}:{c['line']}")]
                 for folder, cands in found.items()}
    chosen = choose(found, settings["per_folder"], settings["seed"], settings["all"])
    if args.list:
        for folder in settings["folders"]:
            n = sum(1 for c in chosen if folder_of(c["file"]) == folder)
            print(f"# {folder}: {len(found.get(folder, []))} candidates, {n} chosen")
        for c in chosen:
            print(f"{c['file']}:{c['line']}: {c['op']}: {c['original']}  ->  {c['mutated']}")
        return

    for sig in (signal.SIGINT, signal.SIGTERM):  # even when started with SIGINT ignored
        signal.signal(sig, signal.default_int_handler)
    prepare_tree(repo, rev, tree, build)
    print(f"building {build} ...", file=sys.stderr)
    built, _, out, secs = build_tree(build)
    if not built:
        sys.exit("the unmutated tree does not build:\n" + out[-3000:])
    passed, failed, out, test_secs = run_tests(build, args, 600)
    if not passed:
        names = ", ".join(name for name, _ in failed) or out[-2000:]
        sys.exit(f"tests fail without any mutant ({names}): choose another --rev or narrow --tests")
    timeout = args.timeout or baseline_timeout(out)
    print(f"clean build {secs:.0f} s, tests {test_secs:.1f} s; per-test timeout {timeout} s",
          file=sys.stderr)

    if not results:
        report.parent.mkdir(parents=True, exist_ok=True)
        state.write_text(json.dumps({"settings": settings}) + "\n")
    done = {r["id"] for r in results}
    todo = [c for c in chosen if c["id"] not in done]
    try:
        with state.open("a") as log:
            for k, cand in enumerate(todo, 1):
                result = try_mutant(cand, tree, build, args, timeout)
                results.append(result)
                log.write(json.dumps(result) + "\n")
                log.flush()
                write_report(report, settings, chosen, results)
                spent = result["build_s"] + result.get("test_s", 0)
                print(f"[{len(done) + k}/{len(chosen)}] {result['verdict']:13} {spent:6.1f} s  "
                      f"{cand['file']}:{cand['line']} {cand['op']}: {cand['mutated']}",
                      file=sys.stderr)
    except KeyboardInterrupt:
        write_report(report, settings, chosen, results)
        print(f"\ninterrupted, file restored; --resume continues. Report: {report}", file=sys.stderr)
        sys.exit(130)
    write_report(report, settings, chosen, results)
    build_tree(build)  # leave the build matching the unmutated tree
    print(f"report: {report}", file=sys.stderr)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:  # before or after the mutants: nothing planted
        sys.exit(130)
