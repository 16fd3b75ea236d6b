#!/usr/bin/env python3
"""SIGKILL loops over tessary-cli: import, edit and delete killed at their
file-changing system calls, each kill followed by the open a user would do.

Every run starts from a fresh copy of one database. strace kills the command
just before its Nth call that can change a file or print a line (a write, a
sync, a rename, an unlink, an open), so the kill points step through every
state the files can be left in by a process death. Edits and deletes are
killed at every such call in turn; imports, which make thousands, at a sample
of them. After each kill:
  - `list --yes` opens the database, answering the rebuild question with Yes;
  - `check` must find the files sound, and no save copy may be left;
  - the records are read from the data file's bytes by the reader below, not
    by the engine, and must be the ones key 1 lists;
  - every record the command acknowledged on its standard output before it
    died ("changed record N", "deleted record N", a file's "added ... in N
    records") must hold its new state, every other record its old or new
    state, the changes applied must be a prefix of the command's own order,
    and nothing else may differ.
Prints one line of figures per command kind; failures are copied with their
reproduction under --keep.
"""

import argparse
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

# The calls a kill lands on: everything that changes a file or prints.
KILL_CALLS = ("write,writev,pwrite64,pwritev,fsync,fdatasync,ftruncate,"
              "rename,renameat,renameat2,unlink,unlinkat,openat")
STDBUF = "/usr/libexec/coreutils/libstdbuf.so"
SLOT = 512


class Broken(Exception):
    pass


def read_records(path):
    """The live records of a data file by record number, from its bytes.

    Slot n sits at n * 512 (slot 0 is the header). A record's head starts
    with four zero bytes, keeps the byte count of its slot at 506 (u16) and
    the next slot of its chain at 508 (i32, 0 at the end); a continuation
    starts with byte 1 and carries its bytes from offset 1. The record
    number is the text at offsets 4 to 10 of the record.
    """
    with open(path, "rb") as f:
        data = f.read()
    records = {}
    for slot in range(1, len(data) // SLOT):
        at = slot * SLOT
        if data[at:at + 4] != b"\0\0\0\0":
            continue
        count, nxt = struct.unpack_from("<Hi", data, at + 506)
        record = data[at:at + count]
        seen = {slot}
        while nxt:
            if nxt in seen or nxt < 1 or (nxt + 1) * SLOT > len(data):
                raise Broken(f"slot {slot}: chain reaches slot {nxt}")
            seen.add(nxt)
            c = nxt * SLOT
            if data[c] != 1:
                raise Broken(f"slot {slot}: slot {nxt} of its chain is no continuation")
            count, nxt = struct.unpack_from("<Hi", data, c + 506)
            record += data[c + 1:c + 1 + count]
        text = record[4:11].split(b"\0")[0].strip()
        if not text.isdigit():
            raise Broken(f"slot {slot}: record number {text!r}")
        number = int(text)
        if number in records:
            raise Broken(f"record {number} is stored twice")
        records[number] = record
    return records


class Soak:
    def __init__(self, args):
        self.cli = os.path.realpath(args.cli)
        self.work = args.work
        self.keep = args.keep
        self.rng = random.Random(args.seed)
        self.seed = args.seed
        self.failures = 0
        self.base = os.path.join(self.work, "base")
        self.run_dir = os.path.join(self.work, "run")

    # ---- Processes ----
    def cli_run(self, *args, stdout=subprocess.PIPE):
        return subprocess.run([self.cli, *args], stdout=stdout, stderr=subprocess.PIPE,
                              timeout=600)

    def fresh_copy(self):
        shutil.rmtree(self.run_dir, ignore_errors=True)
        shutil.copytree(self.base, self.run_dir)

    def db(self):
        return os.path.join(self.run_dir, "Tes_Win")

    def traced_run(self, command, inject=None, log="/dev/null"):
        """Runs `command` (tessary-cli's arguments) under strace on the run
        copy, killed at `inject` = (call name, its invocation number) when
        given. Its standard output is line buffered, so what it printed
        before a kill is what it acknowledged. Returns (killed, exit code,
        stdout lines)."""
        trace = ["strace", "-f", "-o", log, "-e", "trace=" + KILL_CALLS,
                 "-E", "_STDBUF_O=L", "-E", "LD_PRELOAD=" + STDBUF]
        if inject:
            trace += ["-e", f"inject={inject[0]}:signal=SIGKILL:when={inject[1]}"]
        out_path = os.path.join(self.work, "out")
        with open(out_path, "wb") as out:
            p = subprocess.run(trace + [self.cli, *command], stdout=out,
                               stderr=subprocess.DEVNULL, timeout=600)
        with open(out_path, "rb") as f:
            lines = f.read().decode("utf-8", "replace").splitlines()
        return p.returncode in (-9, 137), p.returncode, lines

    def kill_points(self, command):
        """Runs `command` through, logging its kill-point calls; returns the
        lines it printed and, for each call from its first on the database
        on, the call's name and its invocation number (strace counts each
        call name on its own)."""
        log = os.path.join(self.work, "calls")
        killed, rc, lines = self.traced_run(command, log=log)
        if killed or rc != 0:
            raise SystemExit(f"soak: {' '.join(command)} failed with {rc} without a kill")
        seen = {}
        points = []
        with open(log) as f:
            for line in f:
                m = re.match(r"^\d+\s+(\w+)\(", line)
                if not m:
                    continue
                name = m.group(1)
                seen[name] = seen.get(name, 0) + 1
                if points or "Tes_Win" in line:
                    points.append((name, seen[name]))
        return lines, points

    # ---- Checks ----
    def recover(self):
        """Opens the run copy as a user would and checks it; returns its
        records and whether the open rebuilt something."""
        db = self.db()
        opened = self.cli_run("list", "--db", db, "--yes")
        if opened.returncode != 0:
            raise Broken("open failed: " + opened.stderr.decode(errors="replace")[-300:])
        rebuilt = b"Rebuild?" in opened.stderr or b"interrupted" in opened.stderr
        listed = set()
        for line in opened.stdout.decode("utf-8", "replace").splitlines():
            listed.add(int(json.loads(line)["Record_Number"]))
        check = self.cli_run("check", "--db", db)
        if check.returncode != 0:
            raise Broken("check: " + (check.stdout + check.stderr).decode(errors="replace")[:300])
        for ext in ("SAV", "NEW"):
            if os.path.exists(db + "." + ext):
                raise Broken(f"Tes_Win.{ext} is left")
        records = read_records(db + ".DAT")
        if set(records) != listed:
            raise Broken(f"key 1 lists {len(listed)} records, the data file holds {len(records)}")
        return records, rebuilt

    @staticmethod
    def compare(before, after, order, acked, got):
        """`order`: the record numbers the command changes, in its order;
        `acked`: those it acknowledged. Raises Broken on any difference."""
        changing = set(order)
        for n in set(before) | set(got):
            if n not in changing and got.get(n) != before.get(n):
                raise Broken(f"record {n} changed, but the command does not touch it")
        applied = []
        for i, n in enumerate(order):
            state = got.get(n)
            if state == after.get(n):
                applied.append(i)
            elif state != before.get(n):
                raise Broken(f"record {n} is neither its old nor its new self")
            elif n in acked:
                raise Broken(f"record {n}: the command acknowledged it, but the change is lost")
        if applied != list(range(len(applied))):
            gap = next(i for i in range(len(order)) if i not in applied)
            raise Broken(f"changes applied out of order: record {order[gap]} is not changed, "
                         f"record {order[applied[-1]]} is")

    def keep_failure(self, name, point, command, why):
        self.failures += 1
        why = why.strip().replace("\n", "; ")
        print(f"soak: {name}: killed at {point[0]} number {point[1]}: {why}", file=sys.stderr)
        if self.failures > 20:
            return
        dest = os.path.join(self.keep, f"kill-{self.failures}-{name}")
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        shutil.copytree(self.base, os.path.join(dest, "before"))
        shutil.copytree(self.run_dir, os.path.join(dest, "after-open"))
        with open(os.path.join(dest, "README"), "w") as f:
            f.write(f"{why}\nseed {self.seed}; killed at {point[0]} number {point[1]}:\n"
                    f"  cp -r before run && strace -f -E _STDBUF_O=L -E LD_PRELOAD={STDBUF} "
                    f"-e inject={point[0]}:signal=SIGKILL:when={point[1]} tessary-cli "
                    + " ".join(command).replace(self.run_dir, "run") + "\n"
                    f"  tessary-cli list --db run/Tes_Win --yes; tessary-cli check --db run/Tes_Win\n")
        print(f"soak: kept in {dest}", file=sys.stderr)

    # ---- Loops ----
    def kill_at(self, name, command, point, when, before, after, order, acks_of, figures):
        self.fresh_copy()
        killed, rc, lines = self.traced_run(command, point)
        if not killed:
            # The run took another path than the traced one.
            figures["missed"] += 1
            if rc != 0:
                self.keep_failure(name, point, command, f"ended with {rc} without a kill")
            return
        figures["kills"] += 1
        try:
            got, rebuilt = self.recover()
            acked = set(acks_of(lines, before, after))
            figures["acked"] += len(acked)
            figures["rebuilt"] += rebuilt
            self.compare(before, after, order, acked, got)
        except (Broken, subprocess.TimeoutExpired, ValueError) as e:
            figures["failed"] += 1
            self.keep_failure(name, point, command, f"call {when}: {e}")

    def loop(self, name, commands, acks_of, kills_wanted, sample=None):
        """Kills each command of `commands` (a generator) at every call in
        turn, or at the calls `sample` picks, until `kills_wanted` kills."""
        figures = {"kills": 0, "failed": 0, "acked": 0, "rebuilt": 0, "commands": 0,
                   "missed": 0}
        start = time.time()
        for command in commands:
            if figures["kills"] >= kills_wanted:
                break
            figures["commands"] += 1
            self.fresh_copy()
            before = read_records(self.db() + ".DAT")
            lines, points = self.kill_points(command)
            after, _ = self.recover()
            order = acks_of(lines, before, after)
            changed = {n for n in set(before) | set(after) if before.get(n) != after.get(n)}
            if set(order) != changed:
                raise SystemExit(f"soak: {' '.join(command)}: its report does not match "
                                 f"its changes")
            chosen = range(len(points))
            if sample:
                chosen = sample(len(points), kills_wanted - figures["kills"])
            for i in chosen:
                self.kill_at(name, command, points[i], i + 1, before, after, order, acks_of,
                             figures)
        figures["seconds"] = time.time() - start
        return figures


def import_acks(lines, before, after):
    """An import numbers its records on in order; a file's line acknowledges
    its records."""
    new = sorted(n for n in after if n not in before)
    acked = 0
    for line in lines:
        m = re.search(r": added \d+ quotations? in (\d+) records?", line)
        if m and not line.startswith("total:"):
            acked += int(m.group(1))
    return new[:acked]


def line_acks(pattern):
    def acks(lines, before, after):
        return [int(m.group(1)) for m in map(re.compile(pattern).match, lines) if m]
    return acks


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--kills", type=int, default=1000, help="kills in all (at least)")
    parser.add_argument("--seed", type=int, default=20240611)
    parser.add_argument("--base-files", nargs="+", required=True,
                        help="fortune files of the database every run starts from")
    parser.add_argument("--import-files", nargs="+", required=True,
                        help="fortune files the import loop adds")
    parser.add_argument("--keep", default=os.path.join(tempfile.gettempdir(),
                                                       "tessary-soak-failures"))
    args = parser.parse_args()
    for tool in ("strace",):
        if shutil.which(tool) is None:
            raise SystemExit(f"soak: {tool} is missing")
    with tempfile.TemporaryDirectory(prefix="tessary-kill-") as work:
        args.work = work
        soak = Soak(args)
        os.makedirs(soak.base)
        base_db = os.path.join(soak.base, "Tes_Win")
        soak.cli_run("import", "--db", base_db, "--yes", *args.base_files, stdout=subprocess.DEVNULL)
        # Free slots for the commands to reuse.
        soak.cli_run("delete", "--db", base_db, "--yes",
                     *[str(n) for n in range(3, 400, 11)], stdout=subprocess.DEVNULL)
        numbers = sorted(read_records(base_db + ".DAT"))
        rng = soak.rng
        share = max(1, args.kills // 3)

        def imports():
            while True:
                yield ["import", "--db", soak.db(), "--yes", *args.import_files]

        def sample(calls, wanted):
            # The first and last calls (the open and the close) all, the
            # rest at random.
            ends = set(range(min(calls, 25))) | set(range(max(0, calls - 40), calls))
            rest = [i for i in range(calls) if i not in ends]
            return sorted(ends | set(rng.sample(rest, min(len(rest), max(0, wanted - len(ends))))))

        parts = {}
        parts["import"] = soak.loop("import", imports(), import_acks, share, sample)

        # Edits that change no key, keys, and the record's length both ways.
        edit_kinds = [
            lambda: ["Line1=" + "Changed by the soak %d" % rng.randrange(10**6)],
            lambda: ["Authors_LName=Soak%d" % rng.randrange(1000), "FirstName=Kill"],
            lambda: ["Subject=SOAK%d" % rng.randrange(100), "User_Code=u%d" % rng.randrange(99)],
            lambda: ["Line9=a ninth line %d" % rng.randrange(1000), "Book_Name=Grown"],
            lambda: ["Line5=", "Line6=", "Line7=", "Line8=", "Line9=", "Line10=", "Line11="],
        ]

        def edits():
            while True:
                changes = rng.choice(edit_kinds)()
                yield ["edit", "--db", soak.db(), str(rng.choice(numbers)), *changes]

        parts["edit"] = soak.loop("edit", edits(), line_acks(r"changed record (\d+)$"), share, None)

        def deletes():
            while True:
                yield ["delete", "--db", soak.db(), "--yes",
                       *[str(n) for n in rng.sample(numbers, 3)]]

        parts["delete"] = soak.loop("delete", deletes(), line_acks(r"deleted record (\d+)$"),
                  args.kills - 2 * share, None)
        total = {k: sum(f[k] for f in parts.values()) for k in parts["import"]}
        each = ", ".join(f"{name} {f['kills']}" for name, f in parts.items())
        failed = ", ".join(f"{name} {f['failed']}" for name, f in parts.items() if f["failed"])
        print(f"kill: {total['kills']} kills ({each}) of {total['commands']} commands, "
              f"{total['failed']} failed{' (' + failed + ')' if failed else ''}, "
              f"{total['rebuilt']} opens rebuilt, {total['acked']} acknowledged records checked, "
              f"{total['missed']} kill points not reached, {len(numbers)} records, "
              f"seed {args.seed}, {total['seconds']:.0f} s", flush=True)
    sys.exit(1 if soak.failures else 0)


if __name__ == "__main__":
    main()
