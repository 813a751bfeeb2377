#!/usr/bin/python3
"""Lists a release ZIP and checks it: everything sits in one folder named like
the ZIP, the updater and the notes are there, every DLL that a program or DLL
of the package imports is in the package or is part of Windows or of the
Visual C++ runtime that the notes ask for, and the notes and the files agree
(each file is named, each named script and licence text is there).

    packaging/check_package.py build/windows-release/TolvarUpdate-1.0.0-win64.zip
"""

import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path, PurePosixPath

# DLLs that come with Windows (msvcrt.dll included) or with the Visual C++
# Redistributable (VCRUNTIME140.dll; api-ms-win-crt-* are the Universal CRT).
# A new import outside this list needs a decision: ship it, or document it.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "crypt32.dll", "gdi32.dll", "kernel32.dll",
    "msimg32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "secur32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "uxtheme.dll", "wininet.dll", "wintrust.dll", "wldap32.dll", "ws2_32.dll",
    "vcruntime140.dll",
}
UNIVERSAL_CRT = re.compile(r"api-ms-win-crt-[a-z]+-l1-1-0\.dll")


def imports(path):
    done = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)],
                          capture_output=True, text=True, check=True)
    return re.findall(r"DLL Name: (\S+)", done.stdout)


def check(zip_path):
    zip_path = Path(zip_path)
    problems = []
    with zipfile.ZipFile(zip_path) as archive:
        entries = [info for info in archive.infolist() if not info.is_dir()]
        for info in sorted(entries, key=lambda info: info.filename):
            print(f"{info.file_size:>10}  {info.filename}")
        top = {PurePosixPath(info.filename).parts[0] for info in entries}
        if top != {zip_path.stem}:
            problems.append(f"expected one top folder {zip_path.stem}, found {sorted(top)}")
        files = {PurePosixPath(info.filename).relative_to(zip_path.stem).as_posix(): info
                 for info in entries if len(PurePosixPath(info.filename).parts) > 1}
        for required in ("TolvarUpdate.exe", "README.txt"):
            if required not in files:
                problems.append(f"{required} is missing")

        shipped = {Path(name).name.lower() for name in files}
        with tempfile.TemporaryDirectory() as scratch:
            for name, info in files.items():
                if not name.lower().endswith((".exe", ".dll")):
                    continue
                binary = Path(scratch) / Path(name).name
                binary.write_bytes(archive.read(info))
                for dll in imports(binary):
                    key = dll.lower()
                    if key not in shipped and key not in SYSTEM_DLLS and not UNIVERSAL_CRT.fullmatch(key):
                        problems.append(f"{name} imports {dll}, which is neither shipped nor part of Windows")

        notes = archive.read(files["README.txt"]).decode("utf-8") if "README.txt" in files else ""
        for name in files:
            if name != "README.txt" and f"`{name}`" not in notes and f"`{Path(name).name}`" not in notes:
                problems.append(f"README.txt does not name {name}")
        for named in re.findall(r"`((?:licenses|sql)/[^`]+)`", notes):
            if named not in files:
                problems.append(f"README.txt names {named}, which is not in the package")

    for problem in problems:
        print("package: " + problem, file=sys.stderr)
    print(f"{zip_path.name}: {len(files)} files, {zip_path.stat().st_size} bytes")
    return not problems


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1]) else 1)
