#!/usr/bin/python3
"""Checks the release files of a build: SHA256SUMS, the zip, the
installer's header, the winget and Scoop manifests against their formats
and the files they name, setup's exit codes as documented, and how dist.py
takes the signing variables and the addresses.

    check_release.py --exe Quorvo.exe --release release.json
                     --dist-dir DIR --work-dir DIR
                     --version 1.6.0.2 --display-version 1.62
"""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import pefile
import yaml

SOURCE = Path(__file__).resolve().parents[2]
sys.dont_write_bytecode = True
sys.path.insert(0, str(SOURCE / "installer"))
from dist import NSIS_SCRIPT, exit_codes, sha256  # noqa: E402

# The four-part version and the one users see (1.6.0.2, 1.62), as the
# command line gives them.
VERSION = DISPLAY_VERSION = ""
README_SAYS = ("Quorvo {display} (version {version})",
               "Freeware: use it, share it, keep it ticking.",
               "LICENSE.txt, beside this file, has the terms.",
               "http://www.velmora-software.example/quorvo/",
               "64-bit Windows 10 (version 1607 or later) or Windows 11",
               "appears at the top edge of your main screen",
               "no taskbar button", "then choose Exit",
               "SmartScreen",
               "Get-FileHash .\\Quorvo-{version}-win64.zip", "SHA256SUMS",
               r"HKEY_CURRENT_USER\Software\VB and VBA Program Settings"
               r"\Velmora Software\Quorvo", "reg delete",
               "Quorvo-{version}-setup.exe", "-timedatesec",
               r"%USERPROFILE%\scoop\apps\quorvo\current\Quorvo.exe")
# The addresses of a build that sets none.
PLACEHOLDERS = {
    "download_url": "https://www.velmora-software.example/quorvo/download/"
                    "{version}",
    "homepage": "http://www.velmora-software.example/quorvo/",
    "publisher_url": "http://www.velmora-software.example/",
    "license_url": ""}
# Every answer winget's 1.12.0 installer schema allows for a return code.
WINGET_SCHEMA_RESPONSES = {
    "packageInUse", "packageInUseByApplication", "installInProgress",
    "fileInUse", "missingDependency", "diskFull", "insufficientMemory",
    "invalidParameter", "noNetwork", "contactSupport",
    "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
    "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy",
    "systemNotSupported", "custom"}
# Per winget manifest: its file name's ending, the fields its 1.12.0 schema
# requires, and the others Quorvo's manifests may use.
WINGET = {
    "version": ("", {"PackageIdentifier", "PackageVersion", "DefaultLocale",
                     "ManifestType", "ManifestVersion"}, set()),
    "defaultLocale": (".locale.en-US", {
        "PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
        "PackageName", "License", "ShortDescription", "ManifestType",
        "ManifestVersion"}, {"PublisherUrl", "PackageUrl", "Copyright",
                             "Description", "Moniker", "Tags", "LicenseUrl"}),
    "installer": (".installer", {"PackageIdentifier", "PackageVersion",
                                 "Installers", "ManifestType",
                                 "ManifestVersion"},
                  {"InstallerType", "Scope", "InstallModes", "UpgradeBehavior",
                   "ReleaseDate", "ExpectedReturnCodes", "ProductCode",
                   "AppsAndFeaturesEntries"}),
}
# Scoop's schema allows no other fields at the top.
SCOOP_FIELDS = {"version", "description", "homepage", "license", "notes",
                "architecture", "bin", "shortcuts", "checkver", "autoupdate"}

failures: list[str] = []


def check(condition: bool, message: str) -> None:
    if not condition:
        failures.append(message)
        print(f"FAIL: {message}")


def check_exit_codes_documented(codes: dict[int, str],
                                responses: dict[int, str]) -> None:
    """Each code setup defines has a line in the script's header comment, a
    row in the README's table with the answer the winget manifest gives,
    and nothing else is listed."""
    header = NSIS_SCRIPT.read_text().split("\n\n")[0]
    in_header = {int(code) for code in re.findall(r"^;\s+([0-9]+)  \S",
                                                  header, re.MULTILINE)}
    check(in_header == set(codes),
          f"quorvo.nsi's header lists codes {sorted(in_header)}, it defines "
          f"{sorted(codes)}")
    readme = (SOURCE / "README.md").read_text()
    rows = {int(code): answer for code, answer in re.findall(
        r"^\| ([0-9]+) \| [^|]+ \| `?([A-Za-z]+)`? \|$", readme,
        re.MULTILINE)}
    check(set(rows) == set(codes),
          f"README's exit code table lists {sorted(rows)}, setup defines "
          f"{sorted(codes)}")
    expected = {code: responses.get(code, "success") for code in codes}
    check(rows == expected, f"README's winget column {rows}, the manifest "
          f"{expected}")


def check_winget(dist: Path, setup: Path, url: str, released: str) -> None:
    folder = dist / f"winget/manifests/v/VelmoraSoftware/Quorvo/{VERSION}"
    found = sorted(p.name for p in folder.glob("*"))
    check(found == sorted(f"VelmoraSoftware.Quorvo{ending}.yaml"
                          for ending, _, _ in WINGET.values()),
          f"winget manifests in {folder}: {found}")
    versions = sorted(p.name for p in folder.parent.glob("*"))
    check(versions == [VERSION], f"winget version folders {versions}")
    manifests = {}
    for kind, (ending, required, optional) in WINGET.items():
        path = folder / f"VelmoraSoftware.Quorvo{ending}.yaml"
        manifest = manifests[kind] = yaml.safe_load(
            path.read_text(encoding="utf-8"))
        check(required <= set(manifest) <= required | optional,
              f"{path.name} fields {sorted(manifest)}")
        # YAML reads an unquoted 1.62 as a number; the schema wants text.
        check((manifest.get("PackageIdentifier"), manifest.get("PackageVersion"),
               manifest.get("ManifestType"), manifest.get("ManifestVersion"))
              == ("VelmoraSoftware.Quorvo", VERSION, kind, "1.12.0"),
              f"{path.name}: {manifest}")
    locale, installer = manifests["defaultLocale"], manifests["installer"]
    check(locale["Publisher"] == "Velmora Software" and
          locale["License"] == "Freeware" and
          all(isinstance(t, str) for t in locale["Tags"]), f"locale {locale}")
    check((installer["InstallerType"], installer["Scope"]) ==
          ("nullsoft", "user"), f"installer {installer}")
    check(installer["Installers"] == [{
        "Architecture": "x64",
        "InstallerUrl": f"{url}/{setup.name}",
        "InstallerSha256": sha256(setup).upper()}],
        f"Installers {installer['Installers']}")
    check(installer["AppsAndFeaturesEntries"] == [{
        "DisplayName": "Quorvo", "Publisher": "Velmora Software",
        "DisplayVersion": VERSION, "ProductCode": "Quorvo"}],
        f"AppsAndFeaturesEntries {installer['AppsAndFeaturesEntries']}")
    check(str(installer.get("ReleaseDate")) == released,
          f"ReleaseDate {installer.get('ReleaseDate')}, the files are dated "
          f"{released}")
    # Every failure has its answer; no failure passes for a success.
    responses = {entry["InstallerReturnCode"]: entry["ReturnResponse"]
                 for entry in installer["ExpectedReturnCodes"]}
    by_name = exit_codes()
    codes = {0: "done", **{code: name for name, code in by_name.items()}}
    check(set(responses) == set(codes) - {0} and
          set(responses.values()) <= WINGET_SCHEMA_RESPONSES and
          responses.get(1) == "cancelledByUser" and
          responses.get(by_name.get("EXIT_SETUP_RUNNING")) == "installInProgress" and
          "InstallerSuccessCodes" not in installer,
          f"ExpectedReturnCodes {responses}, setup's codes {codes}")
    check_exit_codes_documented(codes, responses)


def check_scoop_and_addresses(out: Path, addresses: dict) -> dict:
    """The Scoop manifest names the zip, and its checkver and autoupdate
    find this very release again under the download address; the winget
    and Scoop manifests and README.txt send people where the release's
    addresses say, the licence's LICENSE.txt at the homepage unless set.
    Returns the Scoop manifest."""
    zip_path = out / f"Quorvo-{VERSION}-win64.zip"
    url = addresses["download_url"].replace("{version}", VERSION)
    url = url.rstrip("/")
    scoop = json.loads((out / "scoop/quorvo.json").read_text())
    check(set(scoop) <= SCOOP_FIELDS and scoop["version"] == VERSION and
          scoop["bin"] == "Quorvo.exe" and
          scoop["shortcuts"] == [["Quorvo.exe", "Quorvo"]] and
          scoop["architecture"] == {"64bit": {
              "url": f"{url}/{zip_path.name}",
              "hash": sha256(zip_path)}}, f"quorvo.json: {scoop}")
    checkver, update = scoop.get("checkver", {}), scoop.get("autoupdate", {})
    found = re.search(checkver.get("regex", "^$"),
                      f'<a href="{VERSION}/{zip_path.name}">')
    check(f"{url}/{zip_path.name}".startswith(checkver.get("url", "-")) and
          found is not None and
          found.group(1) == VERSION, f"checkver {checkver}")
    later = update.get("architecture", {}).get("64bit", {})
    check(later.get("url", "").replace("$version", VERSION) ==
          f"{url}/{zip_path.name}" and
          later.get("hash") == {"url": "$baseurl/SHA256SUMS"},
          f"autoupdate {update}")
    homepage, license = addresses["homepage"], addresses["license_url"] or (
        addresses["homepage"].rstrip("/") + "/LICENSE.txt")
    locale = yaml.safe_load(next(out.glob(
        "winget/manifests/v/*/*/*/*.locale.en-US.yaml")).read_text())
    with zipfile.ZipFile(zip_path) as archive:
        readme = archive.read("README.txt").decode()
    written = (locale.get("PackageUrl"), locale.get("PublisherUrl"),
               locale.get("License"), locale.get("LicenseUrl"),
               scoop["homepage"], scoop["license"], homepage in readme)
    check(written == (homepage, addresses["publisher_url"], "Freeware",
                      license, homepage, {"identifier": "Freeware",
                                          "url": license}, True),
          f"addresses written: {written}, given {addresses}")
    return scoop


def run_dist(exe: str | Path, release: str | Path, out: Path,
             env: dict | None = None,
             publish: bool = False) -> subprocess.CompletedProcess:
    """installer/dist.py, as `make dist` (or with publish, `make release`)
    runs it, into out."""
    return subprocess.run(
        [sys.executable, str(SOURCE / "installer" / "dist.py"),
         "--exe", str(exe), "--release", str(release),
         "--source-dir", str(SOURCE), "--out-dir", str(out),
         *["--publish"] * publish],
        env=env, capture_output=True, text=True, stdin=subprocess.DEVNULL)


def check_dist_runs(args, release: dict, work: Path) -> None:
    """Every address is named while it is a placeholder (or not https), one
    line each; a release build refuses them before making anything; the
    manifests name the addresses given; every run that makes files leaves
    only this version's. Unsigned with neither signing variable, and says
    so; half a signing configuration or a missing file stops before
    anything is written."""
    real = {"homepage": "https://velmora.com/quorvo/",
            "publisher_url": "https://velmora.com/", "license_url": ""}
    everything = {"DOWNLOAD_URL", "HOMEPAGE_URL", "PUBLISHER_URL",
                  "LICENSE_URL"}
    key, none = work / "key.pem", work / "none.pem"
    key.write_text("never read\n")
    cases = [  # addresses, signing, --publish, exit code, named, says,
        #        checkver's url
        ({}, {}, False, 0, everything, "unsigned",
         "https://www.velmora-software.example/quorvo/download/"),
        ({"download_url": "https://downloads.velmora.com/quorvo/{version}/"},
         {}, False, 0, everything - {"DOWNLOAD_URL"}, "",
         "https://downloads.velmora.com/quorvo/"),
        ({"download_url": "https://files.velmora.com/quorvo", **real}, {},
         True, 0, set(), "", "https://files.velmora.com/quorvo/"),
        ({}, {}, True, 1, everything, "", None),
        ({"download_url": "https://files.velmora.com/quorvo", **real,
          "publisher_url": "http://velmora.com/",
          "license_url": "https://velmora.test/quorvo/terms"}, {}, True, 1,
         {"PUBLISHER_URL", "LICENSE_URL"}, "", None),
        ({}, {"QUORVO_SIGN_CERT": key}, False, 1, set(),
         "QUORVO_SIGN_KEY not set", None),
        ({}, {"QUORVO_SIGN_CERT": none, "QUORVO_SIGN_KEY": key}, False, 1,
         set(), "none.pem: no such file", None),
    ]
    stale = ["Quorvo-1.62-setup.exe", "Quorvo-1.62-win64.zip",
             "winget/manifests/v/VelmoraSoftware/Quorvo/1.62/old.yaml"]
    unsigned = {k: v for k, v in os.environ.items()
                if not k.startswith("QUORVO_SIGN_")}
    for number, (given, signing, publish, code, named, says,
                 root) in enumerate(cases):
        out = work / f"address-{number}"
        for name in [*stale, "notes.txt"]:
            (out / name).parent.mkdir(parents=True, exist_ok=True)
            (out / name).write_text("left from before\n")
        found = sorted(out.rglob("*"))
        addresses = dict(PLACEHOLDERS, **given)
        changed = work / f"address-{number}.json"
        changed.write_text(json.dumps(dict(release, **addresses)))
        result = run_dist(args.exe, changed, out, publish=publish, env=dict(
            unsigned, **{k: str(v) for k, v in signing.items()}))
        lines = re.findall(r"^dist\.py: (?:placeholder written|refused): "
                           r"([A-Z_]+)=", result.stderr, re.MULTILINE)
        said = result.stdout + result.stderr
        made = (out / f"Quorvo-{VERSION}-win64.zip").exists()
        # A run that fails writes nothing.
        kept = sorted(out.rglob("*")) == found
        check((result.returncode, sorted(lines), says in said, made,
               made or kept) == (code, sorted(named), True, code == 0, True),
              f"dist.py{' --publish' * publish} with {given}, "
              f"{sorted(signing)}: exit {result.returncode}, named {lines}, "
              f"zip made: {made}, files kept: {kept}: {said}")
        if code != 0 or result.returncode != 0:
            continue
        scoop = check_scoop_and_addresses(out, addresses)
        check(scoop.get("checkver", {}).get("url") == root,
              f"with {given}: checkver {scoop.get('checkver')}")
        left = [name for name in stale if (out / name).exists()]
        check(not left and (out / "notes.txt").exists(),
              f"dist.py left {left} of another version, or took notes.txt")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--exe", "--release", "--dist-dir", "--work-dir",
                   "--version", "--display-version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    global VERSION, DISPLAY_VERSION
    VERSION, DISPLAY_VERSION = args.version, args.display_version
    release = json.loads(Path(args.release).read_text())
    dist, work = Path(args.dist_dir), Path(args.work_dir)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    check((release["version"], release["file_version"]) ==
          (DISPLAY_VERSION, VERSION), f"release.json versions {release}")
    zip_path = dist / f"Quorvo-{VERSION}-win64.zip"
    setup = dist / f"Quorvo-{VERSION}-setup.exe"
    sums = (dist / "SHA256SUMS").read_text().splitlines()
    check(sums == [f"{sha256(p)}  {p.name}" for p in (zip_path, setup)],
          f"SHA256SUMS: {sums}")

    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        check([(e.filename, e.date_time, e.create_system, e.external_attr)
               for e in entries] == [(name, entries[0].date_time, 0, 0x20)
                                     for name in ("Quorvo.exe", "README.txt",
                                                  "LICENSE.txt")],
              f"zip entries {entries}")
        check(archive.read("Quorvo.exe") == Path(args.exe).read_bytes(),
              "the zipped Quorvo.exe is not the built one")
        check(archive.read("LICENSE.txt") == (SOURCE / "LICENSE.txt")
              .read_bytes().replace(b"\n", b"\r\n"),
              "the zipped LICENSE.txt is not the repository's, with CR LF")
        readme = archive.read("README.txt").decode("utf-8")
        released = "%04d-%02d-%02d" % entries[0].date_time[:3]
    check("\n" not in readme.replace("\r\n", ""), "README.txt: not CR LF")
    missing = [words for words in (
        says.format(version=VERSION, display=DISPLAY_VERSION)
        for says in README_SAYS) if words not in readme]
    check(not missing, f"README.txt does not say {missing}")

    pe = pefile.PE(str(setup))
    fixed = pe.VS_FIXEDFILEINFO[0]
    major, minor, build, revision = (int(n) for n in VERSION.split("."))
    check(pe.FILE_HEADER.Machine == 0x8664 and
          (fixed.FileVersionMS, fixed.FileVersionLS) ==
          (major << 16 | minor, build << 16 | revision),
          f"the installer is not x64 or not version {VERSION}")
    # No UAC prompt: its manifest runs it as the user who starts it.
    check(b'level="asInvoker"' in setup.read_bytes(),
          "the installer does not run as the invoking user")

    url = release["download_url"].replace("{version}", VERSION).rstrip("/")
    check_winget(dist, setup, url, released)
    check_scoop_and_addresses(dist, release)
    stale = [p.name for p in dist.glob("Quorvo-*") if VERSION not in p.name]
    check(not stale, f"release files of other versions: {stale}")

    check_dist_runs(args, release, work)
    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
