"""The web addresses a release names, and which of them are not fit to be
published: the manifests, the uninstall entry and README.txt send people
and package managers there, and package repositories reject addresses that
lead nowhere.

Each is set for `make dist` and `make release` by the make variable named
here (CMake's QUORVO_<variable>); the licence's follows the homepage unless
set.
"""

from __future__ import annotations

import re

# release.json key: the make variable that sets it.
VARIABLES = {
    "download_url": "DOWNLOAD_URL",
    "homepage": "HOMEPAGE_URL",
    "publisher_url": "PUBLISHER_URL",
    "license_url": "LICENSE_URL",
}
# Host names reserved for examples (RFC 2606, RFC 6761): an address there
# is a placeholder no one can download from.
PLACEHOLDER_HOSTS = re.compile(
    r"(^|\.)(example(\.(com|net|org))?|invalid|test|localhost)$")


def with_license_url(release: dict) -> dict:
    """The release with its licence address: as set, or LICENSE.txt beside
    the homepage."""
    if release.get("license_url"):
        return release
    return dict(release,
                license_url=release["homepage"].rstrip("/") + "/LICENSE.txt")


def placeholder(url: str) -> bool:
    host = re.sub(r"^[a-z]+://([^/:]*).*$", r"\1", url.lower())
    return bool(PLACEHOLDER_HOSTS.search(host))


def unfit(release: dict) -> list[str]:
    """One line for each address that is a placeholder or not https, as
    VARIABLE=address and why."""
    lines = []
    for key, variable in VARIABLES.items():
        url = release[key]
        why = (["a placeholder (a host reserved for examples)"]
               if placeholder(url) else [])
        why += [] if url.lower().startswith("https://") else ["not https"]
        if why:
            lines.append(f"{variable}={url} is {' and '.join(why)}")
    return lines
