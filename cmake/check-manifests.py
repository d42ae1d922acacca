#!/usr/bin/env python3
"""Checks the release manifests that CPack filled in (cmake/release-files.cmake):
the winget manifests (version, defaultLocale, installer and any number of
further locales) against the winget 1.12.0 schemas, the Scoop manifest
against Scoop's schema (both copied under packaging/schemas), and all of them
against the zip they describe: its hash, its download link, the paths inside it.

Usage:  /usr/bin/python3 cmake/check-manifests.py BUILD_DIR
Needs Debian's python3-jsonschema and python3-yaml.
"""

import glob
import hashlib
import json
import os
import sys
import zipfile

import jsonschema
import yaml

SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "schemas")
WINGET_VERSION = "1.12.0"
WINGET_TYPES = ("version", "defaultLocale", "installer")  # one of each
WINGET_LOCALE = "locale"  # any number, one per language

problems = []


def check(ok, message):
    if not ok:
        problems.append(message)


def closed(schema):
    """The schema with every object limited to the fields it names. The
    published schemas let unknown fields by and winget only warns about them
    and ignores them, so a misspelt field would be lost without a word."""
    if isinstance(schema, dict):
        schema = {key: closed(value) for key, value in schema.items()}
        if "properties" in schema and "additionalProperties" not in schema:
            schema["additionalProperties"] = False
    elif isinstance(schema, list):
        schema = [closed(value) for value in schema]
    return schema


def validate(document, schema_path, name, strict=False):
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft7Validator(closed(schema) if strict else schema)
    for error in sorted(validator.iter_errors(document), key=lambda e: list(e.absolute_path)):
        where = "/".join(str(p) for p in error.absolute_path) or "(top)"
        problems.append("%s: %s: %s" % (name, where, error.message))


def main(build):
    sums = glob.glob(os.path.join(build, "*.zip.sha256"))
    if len(sums) != 1:
        sys.exit("check-manifests: expected one .zip.sha256 in %s, found %d" % (build, len(sums)))
    zip_path = sums[0][: -len(".sha256")]
    zip_name = os.path.basename(zip_path)
    with open(zip_path, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest()
    with zipfile.ZipFile(zip_path) as z:
        names = set(z.namelist())

    # winget: one manifest of each type, all for the same package and version,
    # and a locale manifest for each further language.
    winget = {}
    locales = {}
    for path in sorted(glob.glob(os.path.join(build, "manifests", "winget", "*.yaml"))):
        name = os.path.basename(path)
        with open(path, encoding="utf-8") as f:
            doc = yaml.safe_load(f)
        kind = doc.get("ManifestType") if isinstance(doc, dict) else None
        if kind == WINGET_LOCALE:
            locales[name] = doc
        elif kind not in WINGET_TYPES or kind in winget:
            problems.append("%s: unexpected or repeated ManifestType %r" % (name, kind))
            continue
        else:
            winget[kind] = doc
        if kind in ("defaultLocale", WINGET_LOCALE):
            # The community repository names each locale's file after it.
            check(name.endswith(".locale.%s.yaml" % doc.get("PackageLocale")),
                  "%s: the file name does not end in .locale.%s.yaml" % (name, doc.get("PackageLocale")))
        validate(doc, os.path.join(SCHEMAS, "winget-" + WINGET_VERSION,
                                   "manifest.%s.%s.json" % (kind, WINGET_VERSION)), name, strict=True)
        check(doc.get("ManifestVersion") == WINGET_VERSION, "%s: ManifestVersion is not %s" % (name, WINGET_VERSION))
    for kind in WINGET_TYPES:
        check(kind in winget, "winget: no %s manifest" % kind)
    if len(winget) != len(WINGET_TYPES):
        return
    ids = {(d.get("PackageIdentifier"), d.get("PackageVersion")) for d in list(winget.values()) + list(locales.values())}
    check(len(ids) == 1, "winget: the manifests disagree on identifier or version: %s" % sorted(map(str, ids)))
    version = winget["version"].get("PackageVersion")
    check(winget["version"].get("DefaultLocale") == winget["defaultLocale"].get("PackageLocale"),
          "winget: DefaultLocale is not the defaultLocale manifest's PackageLocale")
    languages = [d.get("PackageLocale") for d in locales.values()]
    check(len(set(languages)) == len(languages) and winget["defaultLocale"].get("PackageLocale") not in languages,
          "winget: more than one manifest for a locale: %s and %s"
          % (winget["defaultLocale"].get("PackageLocale"), sorted(map(str, languages))))
    url_tail = "/releases/download/v%s/%s" % (version, zip_name)
    installer = winget["installer"]
    urls = set()
    for entry in installer.get("Installers") or []:
        urls.add(entry.get("InstallerUrl"))
        # The schema cannot say it: the type is needed at the top or in each installer.
        check("InstallerType" in installer or "InstallerType" in entry, "winget: an installer has no InstallerType")
        check(str(entry.get("InstallerSha256", "")).lower() == sha256, "winget: InstallerSha256 is not the zip's")
    for url in urls:
        check(str(url).startswith("https://github.com/") and str(url).endswith(url_tail),
              "winget: InstallerUrl %s does not end in %s" % (url, url_tail))
    for nested in installer.get("NestedInstallerFiles") or []:
        inside = str(nested.get("RelativeFilePath")).replace("\\", "/")
        check(inside in names, "winget: NestedInstallerFiles names %s, which the zip does not hold" % inside)

    # Scoop: the same zip, and an autoupdate that gives this very manifest back for this version.
    with open(os.path.join(build, "manifests", "scoop", "quellaro.json"), encoding="utf-8") as f:
        scoop = json.load(f)
    validate(scoop, os.path.join(SCHEMAS, "scoop", "schema.json"), "quellaro.json")
    check(scoop.get("version") == version, "scoop: version is not winget's %s" % version)
    arch = scoop.get("architecture", {}).get("64bit", {})
    check(arch.get("url") in urls, "scoop: url %s is not winget's InstallerUrl" % arch.get("url"))
    check(arch.get("hash") == sha256, "scoop: hash is not the zip's")
    for shortcut in scoop.get("shortcuts", []):
        check(shortcut[0] in names, "scoop: shortcut target %s is not in the zip" % shortcut[0])
    check(scoop.get("persist") == "config.ini", "scoop: persist is not config.ini, beside the exe")
    update = scoop.get("autoupdate", {}).get("architecture", {}).get("64bit", {})
    check(str(update.get("url")).replace("$version", str(version)) == arch.get("url"),
          "scoop: autoupdate url does not give this release's url")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
    for problem in problems:
        print("FAILED: " + problem)
    if problems:
        sys.exit(1)
    print("manifests: winget (version, defaultLocale, installer, locales) and Scoop match their schemas and the zip")
