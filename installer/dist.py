#!/usr/bin/python3
"""Makes Quorvo's release files from a built Quorvo.exe.

    dist.py --exe Quorvo.exe --release release.json --source-dir DIR
            --out-dir DIR [--makensis PATH] [--publish]
    dist.py sign --release release.json FILE     (used by makensis)

Writes into the output folder:

    Quorvo-<version>-win64.zip    Quorvo.exe, README.txt and LICENSE.txt
    Quorvo-<version>-setup.exe    the per-user installer (quorvo.nsi)
    SHA256SUMS                    of the two files above
    winget/manifests/...          winget manifests naming the installer
    scoop/quorvo.json             Scoop manifest naming the zip

and removes release files of other versions that an earlier run left there.
<version> is the four-part file version (1.6.0.2), which package managers
compare part by part; the version users see (1.62) would sort before a
later 1.7 or 1.610.

release.json (written by CMake) holds the versions and the product's names
and addresses. Every address that is a placeholder or not https is named
on stderr, one line each; with --publish (make release) any such address
refuses the whole run before anything is made. The files are the same
byte for byte on every machine: the packed files carry one fixed time,
SOURCE_DATE_EPOCH if set, else the time of the source's last commit; the
zip has a fixed order, times and attributes.

With QUORVO_SIGN_CERT (PEM certificate, with its chain) and QUORVO_SIGN_KEY
(PEM private key) set, Quorvo.exe, the uninstaller and the installer are
signed with Authenticode by osslsigncode before anything is hashed;
QUORVO_SIGN_PASSWORD unlocks an encrypted key and QUORVO_SIGN_TIMESTAMP_URL
names an RFC 3161 time-stamp server. A signature holds the time of signing,
so signed files differ from build to build.
"""

from __future__ import annotations

import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True  # nothing compiled beside the sources
import addresses  # noqa: E402

HERE = Path(__file__).resolve().parent
NSIS_SCRIPT = HERE / "quorvo.nsi"
ICON = HERE.parent / "resources" / "quorvo.ico"
LICENSE = HERE.parent / "LICENSE.txt"
# The licence's name in the install folder, which may be shared with other
# programs and their own LICENSE.txt (as the uninstaller's is Quorvo's own).
INSTALLED_LICENSE = "Quorvo License.txt"

# The earliest time a zip file can hold (1980-01-01 00:00:00 UTC): the
# packed files' time when neither SOURCE_DATE_EPOCH nor git gives one.
ZIP_EPOCH = 315532800

SIGN_VARIABLES = ("QUORVO_SIGN_CERT", "QUORVO_SIGN_KEY")
FILE_ATTRIBUTE_ARCHIVE = 0x20

# What winget tells its user for each of setup's exit codes (the EXIT_*
# defines of quorvo.nsi); 0 is winget's own success and no other code is.
WINGET_RESPONSES = {
    "EXIT_CANCELLED": "cancelledByUser",
    "EXIT_BAD_SWITCH": "invalidParameter",
    "EXIT_CLOCK_STILL_RUNNING": "packageInUse",
    "EXIT_NOT_WRITTEN": "fileInUse",
    "EXIT_FOLDER_REFUSED": "invalidParameter",
    "EXIT_SETUP_RUNNING": "installInProgress",
}


class DistError(Exception):
    """A release file could not be made; the message says why."""


# ----------------------------------------------------------------- inputs

def load_release(path: Path) -> dict:
    release = addresses.with_license_url(
        json.loads(path.read_text(encoding="utf-8")))
    # Everything below ends up in file names, YAML and NSIS defines.
    checks = {
        "version": r"[0-9][0-9A-Za-z.+-]*",
        "file_version": r"[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+",
        "package_identifier": r"[A-Za-z0-9]+\.[A-Za-z0-9]+",
        "product": r"[A-Za-z0-9]+",
        "publisher": r"[A-Za-z0-9 .]+",
        "copyright": r"[A-Za-z0-9 ().,]+",
        "homepage": r"https?://[^\s\"'#]+",
        "publisher_url": r"https?://[^\s\"'#]+",
        "license_url": r"https?://[^\s\"'#]+",
        "download_url": r"https://[^\s\"'#]+",
    }
    for key, pattern in checks.items():
        value = release.get(key)
        if not isinstance(value, str) or not re.fullmatch(pattern, value):
            raise DistError(f"{path}: {key} is {value!r}, which does not "
                            f"match {pattern}")
    return release


def source_date_epoch(source_dir: Path) -> tuple[int, str]:
    """The time the packed files carry, and where it came from."""
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if value:
        if not value.isdigit():
            raise DistError(f"SOURCE_DATE_EPOCH={value!r} is not a number "
                            "of seconds")
        return max(int(value), ZIP_EPOCH), "SOURCE_DATE_EPOCH"
    try:
        top = subprocess.run(
            ["git", "-C", str(source_dir), "rev-parse", "--show-toplevel"],
            capture_output=True, text=True, check=True).stdout.strip()
        # Only the source's own repository: a copy of the tree inside some
        # other checkout must not take that checkout's time.
        if Path(top).resolve() == source_dir.resolve():
            stamp = subprocess.run(
                ["git", "-C", str(source_dir), "log", "-1", "--format=%ct"],
                capture_output=True, text=True, check=True).stdout.strip()
            if stamp.isdigit():
                return max(int(stamp), ZIP_EPOCH), "the last commit"
    except (OSError, subprocess.CalledProcessError):
        pass
    return ZIP_EPOCH, "no commit found: 1980-01-01"


def signing_config() -> dict | None:
    """The signing files from the environment: None when neither is set."""
    given = {name: os.environ.get(name, "") for name in SIGN_VARIABLES}
    if not any(given.values()):
        return None
    missing = [name for name, value in given.items() if not value]
    if missing:
        raise DistError(f"{' and '.join(missing)} not set: signing needs "
                        f"both {' and '.join(SIGN_VARIABLES)}")
    for name, value in given.items():
        if not Path(value).is_file():
            raise DistError(f"{name}={value}: no such file")
    return {"cert": given["QUORVO_SIGN_CERT"], "key": given["QUORVO_SIGN_KEY"],
            "password": os.environ.get("QUORVO_SIGN_PASSWORD", ""),
            "timestamp": os.environ.get("QUORVO_SIGN_TIMESTAMP_URL", "")}


# ---------------------------------------------------------------- signing

def sign_file(path: Path, release: dict, config: dict) -> None:
    """Signs a program file in place with Authenticode (SHA-256)."""
    osslsigncode = shutil.which("osslsigncode")
    if osslsigncode is None:
        raise DistError("osslsigncode is not installed")
    signed = path.with_name(path.name + ".signed")
    signed.unlink(missing_ok=True)
    command = [osslsigncode, "sign", "-certs", config["cert"],
               "-key", config["key"], "-h", "sha256",
               "-n", release["product"], "-i", release["homepage"]]
    if config["timestamp"]:
        command += ["-ts", config["timestamp"]]
    with tempfile.TemporaryDirectory() as private:
        if config["password"]:
            # Through a file only this user can read, not the command line,
            # which other users can see.
            password_file = Path(private) / "password"
            password_file.touch(mode=0o600)
            password_file.write_text(config["password"])
            command += ["-readpass", str(password_file)]
        command += ["-in", str(path), "-out", str(signed)]
        result = subprocess.run(command, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True)
    if result.returncode != 0:
        signed.unlink(missing_ok=True)
        raise DistError(f"signing {path.name} failed: "
                        f"{(result.stdout + result.stderr).strip()}")
    os.replace(signed, path)


def exit_codes() -> dict[str, int]:
    """Setup's exit codes, as quorvo.nsi defines them: {EXIT_NAME: code}."""
    codes = {name: int(code) for name, code in re.findall(
        r"^!define (EXIT_[A-Z_]+) ([0-9]+)$",
        NSIS_SCRIPT.read_text(encoding="utf-8"), re.MULTILINE)}
    if not codes or set(codes) != set(WINGET_RESPONSES):
        raise DistError(f"{NSIS_SCRIPT.name} defines the exit codes "
                        f"{sorted(codes)}; dist.py has winget answers for "
                        f"{sorted(WINGET_RESPONSES)}")
    return codes


# ------------------------------------------------------------------ files

def fill(template: str, values: dict[str, str | None], name: str) -> str:
    """Replaces @NAME@ tokens; a line whose token has the value None is
    left out; a token without a value is an error."""
    def replace(match: re.Match) -> str:
        key = match.group(1)
        if key not in values:
            raise DistError(f"{name}: no value for @{key}@")
        return "\0" if values[key] is None else values[key]
    filled = re.sub(r"@([A-Z0-9_]+)@", replace, template)
    return "".join(line for line in filled.splitlines(keepends=True)
                   if "\0" not in line)


def remove_stale(out_dir: Path, product: str, version: str,
                 winget_versions: Path) -> list[str]:
    """Deletes the release files of other versions an earlier run left in
    the output folder: zips, installers and winget version folders. Files
    of other names are not touched."""
    removed = []
    release_file = re.compile(
        rf"{re.escape(product)}-(.+)-(win64\.zip|setup\.exe)")
    for path in sorted(out_dir.glob(f"{product}-*")):
        match = release_file.fullmatch(path.name)
        if match and match.group(1) != version and path.is_file():
            path.unlink()
            removed.append(path.name)
    if (out_dir / winget_versions).is_dir():
        for path in sorted((out_dir / winget_versions).iterdir()):
            if path.is_dir() and path.name != version:
                shutil.rmtree(path)
                removed.append(str(path.relative_to(out_dir)))
    return removed


def write_zip(path: Path, members: list[tuple[str, Path]], epoch: int) -> None:
    """A zip whose bytes depend only on the members' names and contents:
    fixed order, one time for all, no owner or Unix permission bits."""
    date_time = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, source in members:
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            # MS-DOS attributes, as Windows writes them: an archive file.
            info.create_system = 0
            info.external_attr = FILE_ATTRIBUTE_ARCHIVE
            archive.writestr(info, source.read_bytes(), compresslevel=9)


def sha256(path: Path) -> str:
    digest = hashlib.sha256()
    with open(path, "rb") as stream:
        for block in iter(lambda: stream.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def build_setup(stage: Path, exe: Path, output: Path, release: dict,
                makensis: str, sign_command: str | None) -> None:
    defines = {
        "PRODUCT_NAME": release["product"],
        "PUBLISHER": release["publisher"],
        "DISPLAY_VERSION": release["version"],
        "FILE_VERSION": release["file_version"],
        "HOMEPAGE": release["homepage"],
        "COPYRIGHT": release["copyright"],
        "QUORVO_EXE": str(exe),
        "LICENSE_FILE": str(stage / "LICENSE.txt"),
        "INSTALLED_LICENSE": INSTALLED_LICENSE,
        "ICON": str(ICON),
        "OUTFILE": str(output),
    }
    if sign_command:
        defines["SIGN_COMMAND"] = sign_command
    for key, value in defines.items():
        if "`" in value or "\n" in value:
            raise DistError(f"{key} holds a character makensis cannot take: "
                            f"{value!r}")
    command = [makensis, "-V2", "-WX", "-INPUTCHARSET", "UTF8"]
    command += [f"-D{key}={value}" for key, value in defines.items()]
    command.append(str(NSIS_SCRIPT))
    log_path = stage / "makensis.log"
    with open(log_path, "w") as log_file:
        result = subprocess.run(command, stdin=subprocess.DEVNULL,
                                stdout=log_file,
                                stderr=subprocess.STDOUT, cwd=stage)
    if result.returncode != 0 or not output.is_file():
        raise DistError(f"makensis failed ({result.returncode}):\n"
                        f"{log_path.read_text(errors='replace')}")


def make_release(args) -> int:
    release = load_release(Path(args.release))
    unfit = addresses.unfit(release)
    if args.publish and unfit:
        for line in unfit:
            print(f"dist.py: refused: {line}", file=sys.stderr)
        return 1
    exe = Path(args.exe)
    if not exe.is_file():
        raise DistError(f"{exe}: no such file (build Quorvo first)")
    out_dir = Path(args.out_dir).resolve()
    version = release["file_version"]
    product = release["product"]
    epoch, epoch_source = source_date_epoch(Path(args.source_dir))
    config = signing_config()
    codes = exit_codes()

    zip_name = f"{product}-{version}-win64.zip"
    setup_name = f"{product}-{version}-setup.exe"
    download = release["download_url"].replace("{version}", version)
    download = download.rstrip("/")
    publisher_part, package_part = release["package_identifier"].split(".")
    winget_versions = (Path("winget") / "manifests" /
                       publisher_part[0].lower() / publisher_part /
                       package_part)
    winget_dir = winget_versions / version
    # Scoop looks for new versions where the releases are published: the
    # address up to its {version} folder.
    scoop_root = release["download_url"].split("{version}")[0]
    if "{version}" not in release["download_url"]:
        scoop_root = scoop_root.rstrip("/") + "/"
    scoop_pattern = (release["download_url"].replace("{version}", "$version")
                     .rstrip("/") + f"/{product}-$version-win64.zip")

    out_dir.mkdir(parents=True, exist_ok=True)
    stage = Path(tempfile.mkdtemp(prefix=".dist-", dir=out_dir))
    try:
        # The program, signed first when signing: the zip and the installer
        # carry the signed file.
        staged_exe = stage / "Quorvo.exe"
        shutil.copyfile(exe, staged_exe)
        if config:
            sign_file(staged_exe, release, config)
        values = {
            "PRODUCT": product, "VERSION": release["version"],
            "FILE_VERSION": version,
            "PUBLISHER": release["publisher"],
            "HOMEPAGE": release["homepage"],
            "PUBLISHER_URL": release["publisher_url"],
            "LICENSE_URL": release["license_url"],
            "COPYRIGHT": release["copyright"],
            "PACKAGE_IDENTIFIER": release["package_identifier"],
            "SETUP_NAME": setup_name, "ZIP_NAME": zip_name,
        }
        readme = fill((HERE / "README.txt.in").read_text(encoding="utf-8"),
                      values, "README.txt.in")
        staged_readme = stage / "README.txt"
        staged_license = stage / "LICENSE.txt"
        # For Notepad: Windows line ends.
        terms = LICENSE.read_text(encoding="utf-8")
        for path, text in ((staged_readme, readme), (staged_license, terms)):
            path.write_bytes(text.replace("\n", "\r\n").encode("utf-8"))
        for path in (staged_exe, staged_readme, staged_license):
            os.utime(path, (epoch, epoch))

        write_zip(stage / zip_name, [("Quorvo.exe", staged_exe),
                                     ("README.txt", staged_readme),
                                     ("LICENSE.txt", staged_license)], epoch)

        sign_command = None
        if config:
            sign_command = (f'"{sys.executable}" "{Path(__file__).resolve()}"'
                            f' sign --release "{Path(args.release).resolve()}"')
        build_setup(stage, staged_exe, stage / setup_name, release,
                    args.makensis, sign_command)

        hashes = {name: sha256(stage / name) for name in (zip_name, setup_name)}
        (stage / "SHA256SUMS").write_text(
            "".join(f"{hashes[name]}  {name}\n"
                    for name in (zip_name, setup_name)))

        values.update({
            "SETUP_URL": f"{download}/{setup_name}",
            "SETUP_SHA256": hashes[setup_name].upper(),
            "ZIP_URL": f"{download}/{zip_name}",
            "ZIP_SHA256": hashes[zip_name],
            # The day of the commit built; none when there is no commit.
            "RELEASE_DATE": None if epoch == ZIP_EPOCH else
            time.strftime("%Y-%m-%d", time.gmtime(epoch)),
            "EXPECTED_RETURN_CODES": "".join(
                f"- InstallerReturnCode: {code}\n"
                f"  ReturnResponse: {WINGET_RESPONSES[name]}\n"
                for name, code in sorted(codes.items(),
                                         key=lambda item: item[1]))
            .rstrip("\n"),
            "SCOOP_CHECKVER_URL": scoop_root,
            # In a JSON string: its backslashes doubled.
            "SCOOP_CHECKVER_REGEX": json.dumps(
                rf"{product}-([0-9]+(?:\.[0-9]+){{3}})-win64\.zip")[1:-1],
            "SCOOP_AUTOUPDATE_URL": scoop_pattern,
        })
        manifests = {}
        # version.yaml.in becomes <identifier>.yaml, installer.yaml.in
        # <identifier>.installer.yaml, and so on.
        for template in sorted((HERE / "winget").glob("*.yaml.in")):
            kind = template.name[:-len(".yaml.in")]
            name = release["package_identifier"] + (
                "" if kind == "version" else f".{kind}") + ".yaml"
            manifests[winget_dir / name] = fill(
                template.read_text(encoding="utf-8"), values, template.name)
        scoop_template = HERE / "scoop" / "quorvo.json.in"
        scoop = json.loads(fill(scoop_template.read_text(encoding="utf-8"),
                                values, scoop_template.name))
        manifests[Path("scoop") / "quorvo.json"] = (
            json.dumps(scoop, indent=4, ensure_ascii=False) + "\n")
        for relative, text in manifests.items():
            (stage / relative).parent.mkdir(parents=True, exist_ok=True)
            (stage / relative).write_text(text, encoding="utf-8")

        # Everything made: now it replaces what an earlier run left.
        shutil.rmtree(out_dir / winget_dir, ignore_errors=True)
        for relative in [Path(zip_name), Path(setup_name), Path("SHA256SUMS"),
                         *manifests]:
            (out_dir / relative).parent.mkdir(parents=True, exist_ok=True)
            os.replace(stage / relative, out_dir / relative)
        stale = remove_stale(out_dir, product, version, winget_versions)
    finally:
        shutil.rmtree(stage, ignore_errors=True)

    print(f"{product} {version} release files in {out_dir}:")
    for name, digest in hashes.items():
        print(f"  {digest}  {name}")
    for relative in manifests:
        print(f"  {relative}")
    for name in stale:
        print(f"  removed {name} (another version)")
    dated = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
    print(f"  packed files dated {dated} UTC ({epoch_source})")
    if config:
        print(f"  signed with {config['cert']} (Quorvo.exe, uninstaller, "
              "installer)")
    else:
        print("  unsigned: set QUORVO_SIGN_CERT and QUORVO_SIGN_KEY to sign")
    # On stderr, where a build log shows them even when stdout scrolls by.
    for line in unfit:
        print(f"dist.py: placeholder written: {line}", file=sys.stderr)
    if unfit:
        print("dist.py: these files are for trying out; `make release` "
              "refuses them until every address is set, e.g. `make release "
              "DOWNLOAD_URL=https://.../{version} HOMEPAGE_URL=https://... "
              "PUBLISHER_URL=https://...`", file=sys.stderr)
    return 0


def main() -> int:
    if len(sys.argv) > 1 and sys.argv[1] == "sign":
        parser = argparse.ArgumentParser(prog="dist.py sign")
        parser.add_argument("--release", required=True)
        parser.add_argument("file")
        args = parser.parse_args(sys.argv[2:])
        try:
            config = signing_config()
            if config is None:
                raise DistError(f"set {' and '.join(SIGN_VARIABLES)}")
            sign_file(Path(args.file), load_release(Path(args.release)),
                      config)
        except DistError as error:
            print(f"dist.py sign: {error}", file=sys.stderr)
            return 1
        return 0

    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--release", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--makensis", default="makensis")
    parser.add_argument("--publish", action="store_true",
                        help="refuse placeholder and plain-http addresses")
    args = parser.parse_args()
    try:
        return make_release(args)
    except DistError as error:
        print(f"dist.py: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
