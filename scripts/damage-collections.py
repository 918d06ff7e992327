#!/usr/bin/env python3
"""Damages every file of built collections in turn and runs the command-line tool over each copy.

For each file of each collection the harness makes a copy of the collection (hard links, with the
damaged file written anew), damages that one file in a deterministic way (truncated, bytes
flipped, length fields set to huge values, emptied, replaced by a directory or a named pipe,
deleted, junk appended) and runs the tool's read commands on the copy, each with a time limit.

A run fails the harness when it crashes (killed by a signal or an exit status other than 0, 1 and
2), when a sanitizer reports, when it hangs (runs past the time limit) or when it fails without a
message (non-zero exit, nothing on stderr). Clear errors and unchanged output are both fine.

    scripts/damage-collections.py --cli build-asan/cli/quillmar DIR...          # the full set
    scripts/damage-collections.py --cli ... --subset DIR...                     # the CI subset
    scripts/damage-collections.py --cli ... --shard 3/8 DIR...                  # an eighth of it

Each DIR is a collection directory (as built by scripts/build-collections.sh). The summary goes
to stdout; every failing case is listed with its command and the tail of its stderr.
"""

import argparse
import concurrent.futures
import os
import random
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "UndefinedBehaviorSanitizer", "ThreadSanitizer")

# The CI subset: the damage kinds most likely to find faults (a pipe that would block, a cut
# file, huge length fields) and the commands that read every file kind.
SUBSET_KINDS = ("fifo", "truncate-half", "huge-0")
SUBSET_COMMANDS = ("info", "show", "search", "words", "check")


def damage_kinds(size):
    """The damage kinds for a file of `size` bytes, in a fixed order."""
    kinds = ["empty", "fifo", "directory", "missing", "junk"]
    for cut in sorted({1, 3, size // 4, size // 2, size - 1}):
        if 0 < cut < size:
            kinds.append("truncate-%d" % cut if cut not in (size // 2,) else "truncate-half")
    if size >= 4:
        kinds += ["huge-%d" % i for i in range(4)]
    if size > 0:
        kinds += ["flip-%d" % i for i in range(3)]
    return kinds


def apply_damage(path, kind, original, seed):
    """Writes the damaged version of `path` (whose intact bytes are `original`)."""
    os.unlink(path)
    if kind == "missing":
        return
    if kind == "fifo":
        os.mkfifo(path)
        return
    if kind == "directory":
        os.mkdir(path)
        return
    data = bytearray(original)
    rng = random.Random(seed)
    if kind == "empty":
        data = bytearray()
    elif kind == "junk":
        data += bytes(rng.randrange(256) for _ in range(777))
    elif kind == "truncate-half":
        data = data[:len(data) // 2]
    elif kind.startswith("truncate-"):
        data = data[:int(kind.split("-")[1])]
    elif kind.startswith("huge-"):
        # Length and count fields are 16- or 32-bit little-endian: a huge value at an aligned
        # place near the start (where headers and first records are) and at random places.
        values = (0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x0000FFFF)
        value = values[int(kind.split("-")[1]) % len(values)]
        places = [0, 4, 8, 12] + [rng.randrange(0, len(data) - 3) & ~3 for _ in range(6)]
        for at in places:
            if at + 4 <= len(data):
                data[at:at + 4] = struct.pack("<I", value)
    elif kind.startswith("flip-"):
        for _ in range(max(1, len(data) // 200)):
            at = rng.randrange(len(data))
            data[at] ^= 1 << rng.randrange(8)
    with open(path, "wb") as out:
        out.write(data)


def commands(collection, word, text, subset=False):
    c = ["--collection", collection]
    every = [
        ["info"] + c,
        ["texts"] + c,
        ["media"] + c,
        ["show"] + c + ["--text", str(text)],
        ["show"] + c + ["--text", str(text), "--layer", "2"],
        ["search"] + c + ["--", word],
        ["search"] + c + ["--fuzzy", "1", "--", word[:3] + "*"],
        ["words"] + c + [word[:2] + "*"],
        ["xref"] + c,
        ["check"] + c,
    ]
    if subset:
        seen = set()
        every = [x for x in every
                 if x[0] in SUBSET_COMMANDS and not (x[0] in seen or seen.add(x[0]))]
    return every


def text_of(name):
    """The text number a per-text file belongs to (t012.kap -> 12), or 1."""
    base = os.path.basename(name).lower()
    if base.startswith("t") and base[1:4].isdigit():
        return max(1, int(base[1:4]))
    return 1


def run_case(args, root, name, kind, original, seed, env):
    """Damages one file in a fresh copy and runs every command; returns a list of findings."""
    work = tempfile.mkdtemp(prefix="damage-", dir=args.scratch)
    findings = []
    try:
        copy = os.path.join(work, os.path.basename(root))
        shutil.copytree(root, copy, copy_function=os.link)
        target = os.path.join(copy, name)
        apply_damage(target, kind, original, seed)
        for command in commands(copy, args.word_for[root], text_of(name), args.subset):
            started = time.monotonic()
            try:
                proc = subprocess.run([args.cli] + command, env=env, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                      timeout=args.timeout, start_new_session=True)
            except subprocess.TimeoutExpired as e:
                findings.append(("hang", name, kind, command, (e.stderr or b"")[-400:]))
                continue
            finally:
                elapsed = time.monotonic() - started
                args.slowest = max(args.slowest, elapsed)
            err = proc.stderr.decode("utf-8", "replace")
            if any(mark in err for mark in SANITIZER_MARKS):
                findings.append(("sanitizer", name, kind, command, err[-1500:]))
            elif proc.returncode < 0 or proc.returncode not in (0, 1, 2):
                findings.append(("crash", name, kind, command, err[-800:]))
            elif proc.returncode != 0 and not err.strip():
                findings.append(("silent", name, kind, command, ""))
            elif proc.returncode != 0:
                args.errors += 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return findings


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True, help="the command-line tool to run")
    parser.add_argument("--subset", action="store_true",
                        help="only the damage kinds of the CI subset")
    parser.add_argument("--timeout", type=float, default=60.0, help="seconds per command")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--word", action="append", default=[],
                        help="a word of each collection to search for (in order; default 'the')")
    parser.add_argument("--build", metavar="SOURCE", action="append", default=[],
                        help="build a collection from this source file first and damage it too")
    parser.add_argument("--shard", metavar="K/N", default="1/1",
                        help="only every N-th damaged copy, starting with the K-th, so that a "
                        "long run can be split into parts (their figures add up)")
    parser.add_argument("collections", nargs="*")
    args = parser.parse_args()
    try:
        shard, shards = (int(x) for x in args.shard.split("/"))
        if not 1 <= shard <= shards:
            raise ValueError
    except ValueError:
        parser.error("--shard wants K/N with 1 <= K <= N, not %r" % args.shard)
    args.cli = os.path.abspath(args.cli)
    args.errors = 0
    args.slowest = 0.0

    scratch = tempfile.mkdtemp(prefix="quillmar-damage-")
    args.scratch = scratch
    env = dict(os.environ)
    env["QUILLMAR_CONFIG_DIR"] = os.path.join(scratch, "config")
    env["QUILLMAR_DATA_DIR"] = os.path.join(scratch, "data")
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
    env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1")

    roots = [os.path.abspath(c) for c in args.collections]
    for source in args.build:
        root = os.path.join(scratch, "built", os.path.splitext(os.path.basename(source))[0])
        subprocess.run([args.cli, "build", source, "-o", root], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        roots.append(root)
    args.word_for = {r: (args.word[i] if i < len(args.word) else "the")
                     for i, r in enumerate(roots)}
    cases = []
    for root in roots:
        for dirpath, _, filenames in os.walk(root):
            for f in sorted(filenames):
                full = os.path.join(dirpath, f)
                if not stat.S_ISREG(os.stat(full).st_mode):
                    continue
                with open(full, "rb") as fh:
                    original = fh.read()
                name = os.path.relpath(full, root)
                for kind in damage_kinds(len(original)):
                    if args.subset and kind not in SUBSET_KINDS:
                        continue
                    # A seed from the names, so every run damages alike.
                    cases.append((root, name, kind, original, zlib.crc32((name + kind).encode())))
    cases = cases[shard - 1::shards]

    started = time.monotonic()
    findings = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(run_case, args, *case, env) for case in cases]
        for done, future in enumerate(concurrent.futures.as_completed(futures), 1):
            findings += future.result()
            if done % 100 == 0:
                print("%d of %d damaged copies, %d findings, %.0f s" %
                      (done, len(cases), len(findings), time.monotonic() - started),
                      file=sys.stderr, flush=True)
    elapsed = time.monotonic() - started
    shutil.rmtree(scratch, ignore_errors=True)

    runs = len(cases) * len(commands("x", "xx", 1, args.subset))
    counts = {k: sum(1 for f in findings if f[0] == k)
              for k in ("crash", "sanitizer", "hang", "silent")}
    for kind, name, damage, command, err in sorted(findings, key=lambda f: (f[0], f[1], f[2])):
        text = err.decode("utf-8", "replace") if isinstance(err, bytes) else err
        print("%s: %s (%s): quillmar %s" % (kind.upper(), name, damage, " ".join(command)))
        for line in text.strip().splitlines()[-12:]:
            print("    " + line)
    if shards > 1:
        print("shard %d of %d" % (shard, shards))
    print("damaged copies: %d, runs: %d, clear errors: %d, crashes: %d, sanitizer reports: %d, "
          "hangs: %d, silent failures: %d, time: %.0f s, slowest run: %.1f s"
          % (len(cases), runs, args.errors, counts["crash"], counts["sanitizer"], counts["hang"],
             counts["silent"], elapsed, args.slowest))
    return 1 if findings else 0


if __name__ == "__main__":
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    sys.exit(main())
