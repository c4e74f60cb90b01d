#!/usr/bin/python3
"""Packs the two built programs into what a release hands out.

Usage: package.py OUTPUT VERSION COMMIT EPOCH SOURCE SIGNATURE DOWNLOAD_URL BUILD_I686 BUILD_X86_64

Writes into OUTPUT: BUILDINFO, Vimbrel-VERSION-win32.zip and -win64.zip (each with Vimbrel.exe,
README.txt and BUILDINFO), SHA256SUMS for those three, and the winget and Scoop manifests filled in
from packaging/ with the zips' addresses and hashes. Every byte depends on the arguments, the files
built and the tools BUILDINFO names, never on a path or the clock: scripts/release.sh calls it.
"""

import datetime
import hashlib
import pathlib
import re
import subprocess
import sys
import zipfile
import zlib

HERE = pathlib.Path(__file__).resolve().parent
GUIDE = HERE.parent / "docs" / "README.txt"
# The toolchain and the zip's suffix.
ARCHES = [("i686", "win32"), ("x86_64", "win64")]


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 else "unknown"


# What Debian calls the package and its version: the --version lines of MinGW's tools leave out
# the patch level and the runtime has none.
def debian_package(name):
    version = run("dpkg-query", "-W", "-f=${Version}", name)
    return f"Debian {name} {version}"


# The flags CMake wrote into build.ninja for compiling main.cpp and for linking Vimbrel.exe. The
# include folders are left out: they name the source and build paths.
def flags(build):
    found, statement = {"compile": [], "link": []}, None
    for line in (build / "build.ninja").read_text().splitlines():
        if line.startswith("build "):
            statement = ("compile" if "/app/main.cpp.obj:" in line
                         else "link" if line.startswith("build Vimbrel.exe:") else None)
        elif statement and re.match(r"  (DEFINES|FLAGS|LINK_FLAGS|LINK_LIBRARIES) = ", line):
            found[statement].append(" ".join(line.split(" = ", 1)[1].split()))
    return found


def build_info(version, commit, epoch, source, signature, builds):
    when = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc)
    lines = [f"Vimbrel {version}",
             f"commit: {commit}",
             f"commit date: {when:%Y-%m-%dT%H:%M:%SZ} ({epoch})",
             f"source: {source}",
             f"signature: {signature}",
             f"build: CMake {run('cmake', '--version').split()[2]}, Ninja {run('ninja', '--version')}, MinSizeRel",
             f"zip: Python {sys.version.split()[0]}, zlib {zlib.ZLIB_RUNTIME_VERSION}, deflate level 9"]
    for (arch, suffix), build in zip(ARCHES, builds):
        triplet = f"{arch}-w64-mingw32"
        compiler = f"{triplet}-g++-posix"
        arch_package = arch.replace("_", "-")
        exe = (build / "Vimbrel.exe").read_bytes()
        found = flags(build)
        lines += ["",
                  f"{suffix} ({triplet}):",
                  f"  compiler: {run(compiler, '--version').splitlines()[0]}; "
                  f"{debian_package(f'g++-mingw-w64-{arch_package}-posix')}",
                  f"  binutils: {run(f'{triplet}-ld', '--version').splitlines()[0]}; "
                  f"{debian_package(f'binutils-mingw-w64-{arch_package}')}",
                  f"  MinGW-w64 runtime: {debian_package(f'mingw-w64-{arch_package}-dev')}",
                  f"  compile flags: {' '.join(found['compile'])}",
                  f"  link flags: {' '.join(found['link'])}",
                  f"  Vimbrel.exe: {len(exe)} bytes, SHA-256 {hashlib.sha256(exe).hexdigest()}"]
        unsigned = build / "Vimbrel.unsigned.exe"
        if unsigned.exists():
            lines.append(f"  Vimbrel.exe unsigned: SHA-256 {hashlib.sha256(unsigned.read_bytes()).hexdigest()}")
    return "\n".join(lines) + "\n"


def write_zip(path, entries, epoch):
    when = max(datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).timetuple()[:6], (1980, 1, 1, 0, 0, 0))
    with zipfile.ZipFile(path.with_suffix(".new"), "w") as out:
        for name, data in entries:
            entry = zipfile.ZipInfo(name, date_time=when)
            # Made on MS-DOS/Windows, attribute "archive": what Explorer writes itself.
            entry.create_system, entry.external_attr = 0, 0x20
            entry.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(entry, data, compresslevel=9)
    path.with_suffix(".new").replace(path)


def fill(template, values):
    return re.sub(r"@(\w+)@", lambda match: values[match.group(1)], template.read_text(encoding="utf-8"))


def main(output, version, commit, epoch, source, signature, download_url, *builds):
    output, epoch, builds = pathlib.Path(output), int(epoch), [pathlib.Path(build) for build in builds]
    output.mkdir(parents=True, exist_ok=True)
    info = build_info(version, commit, epoch, source, signature, builds).encode()
    (output / "BUILDINFO").write_bytes(info)
    # The guide is kept with plain line ends and no BOM; Notepad wants CR LF, and the BOM to read
    # the Cyrillic as UTF-8.
    guide = ("\ufeff" + "\r\n".join(GUIDE.read_text(encoding="utf-8-sig").splitlines()) + "\r\n").encode()
    base = download_url.replace("{version}", version).rstrip("/") + "/"
    values = {"VERSION": version,
              "RELEASE_DATE": datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).strftime("%Y-%m-%d")}
    sums = []
    for (_, suffix), build in zip(ARCHES, builds):
        name = f"Vimbrel-{version}-{suffix}.zip"
        write_zip(output / name, [("Vimbrel.exe", (build / "Vimbrel.exe").read_bytes()), ("README.txt", guide),
                                  ("BUILDINFO", info)], epoch)
        digest = hashlib.sha256((output / name).read_bytes()).hexdigest()
        sums.append(f"{digest}  {name}\n")
        values[f"URL_{suffix.upper()}"] = base + name
        values[f"SHA256_{suffix.upper()}"] = digest
        # Scoop's autoupdate writes the next version where this one stands.
        values[f"AUTOUPDATE_URL_{suffix.upper()}"] = (download_url.replace("{version}", "$version").rstrip("/") +
                                                      "/" + name.replace(version, "$version"))
    sums.append(f"{hashlib.sha256(info).hexdigest()}  BUILDINFO\n")
    (output / "SHA256SUMS").write_text("".join(sums))

    # Written as each tool writes its own: upper-case hashes for winget, lower-case for Scoop.
    winget = output / "winget" / "manifests" / "q" / "Quenwald" / "Vimbrel" / version
    winget.mkdir(parents=True, exist_ok=True)
    for template in sorted((HERE / "winget").glob("*.yaml")):
        upper = dict(values, **{key: value.upper() for key, value in values.items() if key.startswith("SHA256_")})
        (winget / template.name).write_text(fill(template, upper), encoding="utf-8")
    (output / "scoop").mkdir(exist_ok=True)
    (output / "scoop" / "vimbrel.json").write_text(fill(HERE / "scoop" / "vimbrel.json", values), encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:])
