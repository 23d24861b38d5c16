#!/usr/bin/env python3
"""Checks packages against what README.md says they hold, and uses them.

For each package: its files are those of the README's listing (a fenced block whose first line is the
package's name, VERSION for the version, then one path or pattern a line), no more and no fewer; a
.deb holds its tar.gz's files under the folder its listing names. Every program and library in it has
no debug sections and names its debug file, which the "-debug" archive beside the package holds. The
sizes before and after stripping are printed. The command-line tool in the package prints the version
and calculates a preset with the engine and data beside it, as a user runs it.

Usage: check_package.py --readme README.md --version V --built BIN --objdump OBJDUMP --scratch DIR
                        [--emulator PROGRAM] [--preset FILE.vjp] PACKAGE...
The packages are unpacked into DIR, which is emptied first.
"""
import argparse
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import tarfile
import zipfile

failures = []


def fail(message):
    failures.append(message)
    print("FAILED: " + message)


def listings(readme, version):
    """Each listed package's name with its patterns, from the README's fenced blocks."""
    found = {}
    for block in re.findall(r"^```[a-z]*\n(.*?)^```", readme, re.S | re.M):
        lines = block.splitlines()
        name = lines[0].strip().replace("VERSION", version)
        if re.fullmatch(r"kestrum\S+\.(zip|tar\.gz|deb)", name):
            found[name] = [line.split()[0].replace("VERSION", version) for line in lines[1:] if line.strip()]
    return found


def unpack(package, folder):
    """Unpacks the package into folder; returns its entries (files and links) and the folder they are
    relative to."""
    if package.endswith(".deb"):
        subprocess.run(["dpkg-deb", "-x", package, folder], check=True)
        root = folder
    else:
        opener = zipfile.ZipFile if package.endswith(".zip") else tarfile.open
        with opener(package) as archive:
            archive.extractall(folder)
        tops = os.listdir(folder)
        if len(tops) != 1:
            fail(f"{os.path.basename(package)}: one top folder expected, found {tops}")
        root = os.path.join(folder, tops[0])
    entries = set()
    for base, dirs, files in os.walk(root):
        for name in files + [d for d in dirs if os.path.islink(os.path.join(base, d))]:
            entries.add(os.path.relpath(os.path.join(base, name), root).replace(os.sep, "/"))
    return entries, root


def is_binary(path):
    with open(path, "rb") as f:
        magic = f.read(4)
    return magic[:2] == b"MZ" or magic == b"\x7fELF"


def sections(objdump, path):
    out = subprocess.run([objdump, "-h", path], check=True, capture_output=True, text=True).stdout
    return set(re.findall(r"^\s*\d+\s+(\S+)", out, re.M))


def check_binaries(args, package, entries, root, scratch):
    """No debug sections in the shipped binaries, each with its debug file in the debug archive."""
    debug_archive = re.sub(r"(\.zip|\.tar\.gz)$", r"-debug\1", package)
    debug_entries = set()
    if debug_archive != package:
        if os.path.exists(debug_archive):
            debug_entries, _ = unpack(debug_archive, os.path.join(scratch, "debug"))
        else:
            fail(f"{os.path.basename(package)}: no debug archive {os.path.basename(debug_archive)}")
    for entry in sorted(entries):
        path = os.path.join(root, entry)
        if os.path.islink(path) or not is_binary(path):
            continue
        names = sections(args.objdump, path)
        debug = sorted(name for name in names if name.startswith((".debug", ".zdebug")))
        if debug:
            fail(f"{entry} ships debug sections {debug}")
        if ".gnu_debuglink" not in names:
            fail(f"{entry} names no debug file")
        if debug_archive != package and entry + ".debug" not in debug_entries:
            fail(f"{entry}.debug is not in {os.path.basename(debug_archive)}")
        built = os.path.join(args.built, os.path.basename(entry))
        if os.path.exists(built):
            print(f"  {entry}: {os.path.getsize(built):,} bytes built, {os.path.getsize(path):,} shipped")


def run_tool(args, root, scratch):
    """The tool from the unpacked package: its version, and a calculation with the engine beside it."""
    tool = os.path.join(root, "bin", "kestrumprops.exe" if args.emulator else "kestrumprops")
    command = ([args.emulator] if args.emulator else []) + [tool]
    version = subprocess.run(command + ["--version"], capture_output=True, text=True)
    if version.stdout != f"kestrumprops {args.version}\n":
        fail(f"kestrumprops --version printed {version.stdout!r}")
    jobs = os.path.join(scratch, "jobs")
    os.mkdir(jobs)
    env = dict(os.environ, TMPDIR=jobs)
    calc = subprocess.run(command + ["calc", "--preset", args.preset], capture_output=True, text=True,
                          env=env)
    if calc.returncode != 0 or f"Kestrum engine {args.version}: reading" not in calc.stdout:
        fail(f"kestrumprops calc from the package exited {calc.returncode}:\n{calc.stdout}{calc.stderr}")


def check(args, package, listed, scratch):
    name = os.path.basename(package)
    print(f"{name}: {os.path.getsize(package):,} bytes")
    if name not in listed:
        fail(f"README.md lists no {name}")
        return
    entries, root = unpack(package, os.path.join(scratch, "package"))
    patterns = listed[name]
    for entry in sorted(entries):
        if not any(fnmatch.fnmatchcase(entry, pattern) for pattern in patterns):
            fail(f"{name} holds {entry}, which README.md does not list")
    for pattern in patterns:
        if not any(fnmatch.fnmatchcase(entry, pattern) for entry in entries):
            fail(f"{name} lacks {pattern}, which README.md lists")
    # A link's target, absolute ones taken from the package's root as once installed.
    for entry in sorted(e for e in entries if os.path.islink(os.path.join(root, e))):
        target = os.readlink(os.path.join(root, entry))
        if os.path.normpath(os.path.join(os.path.dirname(entry), target)).lstrip("/") not in entries:
            fail(f"{name}: {entry} links to {target}, which it does not hold")
    if name.endswith(".deb"):
        # The folder its listing names holds the files of the tar.gz of that name, listed in full.
        prefix = next(pattern[:-1] for pattern in patterns if pattern.endswith("/*"))
        stem = name.split("_")[0] + "-"
        tarball = next(p for p in args.packages
                       if os.path.basename(p).startswith(stem) and p.endswith(".tar.gz"))
        tar_entries, _ = unpack(tarball, os.path.join(scratch, "tarball"))
        if {prefix + entry for entry in tar_entries} != {e for e in entries if e.startswith(prefix)}:
            fail(f"{name} does not hold {os.path.basename(tarball)}'s files under {prefix}")
    check_binaries(args, package, entries, root, scratch)
    if args.preset and any(re.fullmatch(r"bin/kestrumprops(\.exe)?", entry) for entry in entries):
        run_tool(args, root, scratch)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--readme", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--built", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--preset")
    parser.add_argument("packages", nargs="+")
    args = parser.parse_args()
    with open(args.readme, encoding="utf-8") as f:
        listed = listings(f.read(), args.version)
    for package in args.packages:
        scratch = os.path.join(args.scratch, os.path.basename(package))
        shutil.rmtree(scratch, ignore_errors=True)
        os.makedirs(scratch)
        check(args, package, listed, scratch)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
