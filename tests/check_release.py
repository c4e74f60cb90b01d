#!/usr/bin/python3
# Checks a release folder as winget, Scoop and a careful user read it, once sha256sum -c has checked
# SHA256SUMS: BUILDINFO inside each zip, each program importing only libraries Windows never looks for
# beside it, and each manifest parsed, with its format's required fields, naming the zip and the hash
# the release holds. Fails at the first check that does not hold.
#
# Usage: check_release.py RELEASE DOWNLOAD_URL   ({version} in the address stands for the version)

import json
import pathlib
import subprocess
import sys
import tempfile
import zipfile

import yaml  # Debian's python3-yaml

# Required by the winget 1.6.0 schemas, per manifest type. Scoop's wiki requires the first four
# fields; the rest are what a Scoop manifest of two architectures that updates itself needs.
WINGET_REQUIRED = {"version": ["DefaultLocale"], "installer": ["Installers"],
                   "defaultLocale": ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"]}
SCOOP_REQUIRED = ["version", "description", "homepage", "license", "architecture", "bin", "checkver", "autoupdate"]
# Known DLLs on every Windows from 7 to 11 (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs),
# which come from System32 whatever lies beside the program, and the common controls, which the manifest binds
# side by side. Windows looks for any other imported library in the program's own folder first.
SYSTEM_ONLY = set("advapi32 clbcatq comctl32 comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 "
                  "oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32".split())
# winget architecture, Scoop architecture, zip suffix
ARCHES = [("x86", "32bit", "win32"), ("x64", "64bit", "win64")]

release = pathlib.Path(sys.argv[1])
sums = {name: digest for digest, name in (line.split("  ") for line in (release / "SHA256SUMS").read_text().splitlines())}
zips = {suffix: next(name for name in sums if name.endswith(f"-{suffix}.zip")) for _, _, suffix in ARCHES}
version = zips["win32"][len("Vimbrel-"):-len("-win32.zip")]
inside = [zipfile.ZipFile(release / name) for name in zips.values()]
assert all(z.read("BUILDINFO") == (release / "BUILDINFO").read_bytes() for z in inside), "BUILDINFO in each zip"
with tempfile.TemporaryDirectory() as unpacked:
    for name, z in zip(zips.values(), inside):
        exe = z.extract("Vimbrel.exe", f"{unpacked}/{name}")
        dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
        imported = {line.split()[-1].lower().removesuffix(".dll") for line in dump.splitlines() if "DLL Name:" in line}
        assert imported and imported <= SYSTEM_ONLY, f"{name} imports {sorted(imported - SYSTEM_ONLY)}: looked for beside it"
url = {suffix: sys.argv[2].replace("{version}", version) + name for suffix, name in zips.items()}

winget = {manifest["ManifestType"]: manifest for manifest in (yaml.safe_load(path.read_text(encoding="utf-8"))
          for path in (release / "winget/manifests/q/Quenwald/Vimbrel" / version).glob("*.yaml"))}
for kind, required in WINGET_REQUIRED.items():
    manifest = winget[kind]
    assert all(field in manifest for field in ["PackageIdentifier", "PackageVersion", "ManifestVersion", *required]) \
        and manifest["PackageVersion"] == version and [int(n) for n in manifest["ManifestVersion"].split(".")] >= [1, 6, 0], \
        f"winget {kind} manifest"
installer = winget["installer"]
assert installer.get("InstallerType") == "zip" and installer.get("NestedInstallerType") == "portable" and \
    all(f.get("PortableCommandAlias") and f["RelativeFilePath"] in z.namelist()
        for f in installer.get("NestedInstallerFiles", [{}]) for z in inside), "winget: a portable program in a zip"
assert sorted((i["Architecture"], i["InstallerUrl"], i["InstallerSha256"].lower()) for i in installer["Installers"]) == \
    sorted((arch, url[suffix], sums[zips[suffix]]) for arch, _, suffix in ARCHES), "winget: each zip's address and hash"

scoop = json.loads((release / "scoop/vimbrel.json").read_text(encoding="utf-8"))
assert all(field in scoop for field in SCOOP_REQUIRED) and scoop["version"] == version and \
    all(scoop["bin"] in z.namelist() for z in inside) and \
    all(scoop["architecture"][bits] == {"url": url[suffix], "hash": sums[zips[suffix]]} and
        scoop["autoupdate"]["architecture"][bits]["url"].replace("$version", "9.99") == url[suffix].replace(version, "9.99")
        for _, bits, suffix in ARCHES), "Scoop: each zip's address and hash, and where the next one will be"
print(f"ok - the manifests of {version} name its zips and their hashes")
