#!/usr/bin/python3
"""Checks the release files of a build: SHA256SUMS, the zip and its README,
the installer's header, the winget and Scoop manifests against their
published formats and the files they name, and how dist.py takes the
signing variables.

    check_release.py --exe Quorvo.exe --release release.json
                     --dist-dir DIR --work-dir DIR
"""

from __future__ import annotations

import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import pefile
import yaml

DIST_PY = Path(__file__).resolve().parents[2] / "installer" / "dist.py"
README_SAYS = ("Quorvo 1.62", "Freeware: use it, share it, keep it ticking.",
               "http://www.velmora-software.example/quorvo/",
               r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings"
               r"\Velmora Software\Quorvo", "reg delete",
               "Quorvo-1.62-setup.exe", "-timedatesec")
# Per winget manifest: its file name's ending, the fields its 1.12.0 schema
# requires, and the others Quorvo's manifests may use.
WINGET = {
    "version": ("", {"PackageIdentifier", "PackageVersion", "DefaultLocale",
                     "ManifestType", "ManifestVersion"}, set()),
    "defaultLocale": (".locale.en-US", {
        "PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
        "PackageName", "License", "ShortDescription", "ManifestType",
        "ManifestVersion"}, {"PublisherUrl", "PackageUrl", "Copyright",
                             "Description", "Moniker", "Tags"}),
    "installer": (".installer", {"PackageIdentifier", "PackageVersion",
                                 "Installers", "ManifestType",
                                 "ManifestVersion"},
                  {"InstallerType", "Scope", "InstallModes", "UpgradeBehavior",
                   "ExpectedReturnCodes", "ProductCode",
                   "AppsAndFeaturesEntries"}),
}
# Scoop's schema allows no other fields at the top.
SCOOP_FIELDS = {"version", "description", "homepage", "license", "notes",
                "architecture", "bin", "shortcuts"}

failures: list[str] = []


def check(condition: bool, message: str) -> None:
    if not condition:
        failures.append(message)
        print(f"FAIL: {message}")


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def check_winget(dist: Path, setup: Path, url: str) -> None:
    folder = dist / "winget/manifests/v/VelmoraSoftware/Quorvo/1.62"
    found = sorted(p.name for p in folder.glob("*"))
    check(found == sorted(f"VelmoraSoftware.Quorvo{ending}.yaml"
                          for ending, _, _ in WINGET.values()),
          f"winget manifests in {folder}: {found}")
    for kind, (ending, required, optional) in WINGET.items():
        path = folder / f"VelmoraSoftware.Quorvo{ending}.yaml"
        manifest = yaml.safe_load(path.read_text(encoding="utf-8"))
        check(required <= set(manifest) <= required | optional,
              f"{path.name} fields {sorted(manifest)}")
        # YAML reads an unquoted 1.62 as a number; the schema wants text.
        check((manifest.get("PackageIdentifier"), manifest.get("PackageVersion"),
               manifest.get("ManifestType"), manifest.get("ManifestVersion"))
              == ("VelmoraSoftware.Quorvo", "1.62", kind, "1.12.0"),
              f"{path.name}: {manifest}")
    locale = yaml.safe_load((folder / "VelmoraSoftware.Quorvo.locale.en-US.yaml"
                             ).read_text())
    check(locale["Publisher"] == "Velmora Software" and
          locale["License"] == "Freeware" and
          all(isinstance(t, str) for t in locale["Tags"]), f"locale {locale}")
    installer = yaml.safe_load((folder / "VelmoraSoftware.Quorvo.installer.yaml"
                                ).read_text())
    check((installer["InstallerType"], installer["Scope"]) ==
          ("nullsoft", "user"), f"installer {installer}")
    check(installer["Installers"] == [{
        "Architecture": "x64",
        "InstallerUrl": f"{url}/{setup.name}",
        "InstallerSha256": sha256(setup).upper()}],
        f"Installers {installer['Installers']}")
    check(installer["AppsAndFeaturesEntries"] == [{
        "DisplayName": "Quorvo", "Publisher": "Velmora Software",
        "DisplayVersion": "1.62", "ProductCode": "Quorvo"}],
        f"AppsAndFeaturesEntries {installer['AppsAndFeaturesEntries']}")


def check_signing_options(args, work: Path) -> None:
    """Unsigned with neither variable, and says so; half a configuration
    or a missing file stops before anything is written."""
    (work / "key.pem").write_text("never read\n")
    cases = [  # environment, exit code, what the output says
        ({}, 0, "unsigned"),
        ({"QUORVO_SIGN_CERT": work / "key.pem"}, 1, "QUORVO_SIGN_KEY not set"),
        ({"QUORVO_SIGN_CERT": work / "none.pem",
          "QUORVO_SIGN_KEY": work / "key.pem"}, 1, "none.pem: no such file"),
    ]
    for number, (variables, code, says) in enumerate(cases):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("QUORVO_SIGN_")}
        env.update({k: str(v) for k, v in variables.items()})
        out = work / f"out-{number}"
        result = subprocess.run(
            [sys.executable, str(DIST_PY), "--exe", args.exe, "--release",
             args.release, "--source-dir", str(DIST_PY.parents[1]),
             "--out-dir", str(out)], env=env, capture_output=True, text=True,
            stdin=subprocess.DEVNULL)
        made = sorted(p.name for p in out.glob("*"))
        check(result.returncode == code and says in result.stdout +
              result.stderr and bool(made) == (code == 0),
              f"dist.py with {sorted(variables)}: exit {result.returncode}, "
              f"made {made}: {result.stdout}{result.stderr}")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--exe", "--release", "--dist-dir", "--work-dir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    release = json.loads(Path(args.release).read_text())
    dist, work = Path(args.dist_dir), Path(args.work_dir)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    # Both versions come from project(Quorvo VERSION 1.6.0.2).
    check((release["version"], release["file_version"]) == ("1.62", "1.6.0.2"),
          f"release.json versions {release}")
    zip_path, setup = dist / "Quorvo-1.62-win64.zip", dist / "Quorvo-1.62-setup.exe"
    sums = (dist / "SHA256SUMS").read_text().splitlines()
    check(sums == [f"{sha256(p)}  {p.name}" for p in (zip_path, setup)],
          f"SHA256SUMS: {sums}")

    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        check([(e.filename, e.date_time, e.create_system, e.external_attr)
               for e in entries] == [(name, entries[0].date_time, 0, 0x20)
                                     for name in ("Quorvo.exe", "README.txt")],
              f"zip entries {entries}")
        check(archive.read("Quorvo.exe") == Path(args.exe).read_bytes(),
              "the zipped Quorvo.exe is not the built one")
        readme = archive.read("README.txt").decode("utf-8")
    check("\n" not in readme.replace("\r\n", ""), "README.txt: not CR LF")
    missing = [words for words in README_SAYS if words not in readme]
    check(not missing, f"README.txt does not say {missing}")

    pe = pefile.PE(str(setup))
    fixed = pe.VS_FIXEDFILEINFO[0]
    check(pe.FILE_HEADER.Machine == 0x8664 and
          (fixed.FileVersionMS, fixed.FileVersionLS) == (0x10006, 0x2),
          "the installer is not x64 or not version 1.6.0.2")
    # No UAC prompt: its manifest runs it as the user who starts it.
    check(b'level="asInvoker"' in setup.read_bytes(),
          "the installer does not run as the invoking user")

    url = release["download_url"].replace("{version}", "1.62").rstrip("/")
    check_winget(dist, setup, url)
    scoop = json.loads((dist / "scoop" / "quorvo.json").read_text())
    check(set(scoop) <= SCOOP_FIELDS and scoop["version"] == "1.62" and
          scoop["license"] == "Freeware" and scoop["bin"] == "Quorvo.exe" and
          scoop["shortcuts"] == [["Quorvo.exe", "Quorvo"]] and
          scoop["architecture"] == {"64bit": {
              "url": f"{url}/{zip_path.name}",
              "hash": sha256(zip_path)}}, f"quorvo.json: {scoop}")

    check_signing_options(args, work)
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
