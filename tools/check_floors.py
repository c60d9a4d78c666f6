#!/usr/bin/env python3
"""Holds every #include of the C++ sources to the floors the README's layout section names: a folder may include
its own files and those of folders on lower floors, never one beside it or above it.

The tools (tools/*.py) are held to standing on nothing of the tests.

Exit code 0 when every include keeps to the floors; 1 with one line per include that does not (file:line).
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def floors(readme: str) -> dict[str, int]:
    """The floors table of the README: `| N | `folder/`, `folder/` | ... |`, one row a floor."""
    section = readme.split("### Floors", 1)[1].split("\n## ", 1)[0]
    found = {}
    for row in re.findall(r"^\|\s*(\d+)\s*\|([^|]*)\|", section, re.M):
        for folder in re.findall(r"`([\w+-]+)/`", row[1]):
            found[folder] = int(row[0])
    if not found:
        sys.exit("the README names no floors under '### Floors'")
    return found


def main() -> int:
    level = floors((ROOT / "README.md").read_text(encoding="utf-8"))
    sources = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True, text=True,
                             check=True).stdout.split()
    faults = []
    for name in sources:
        folder = name.split("/", 1)[0]
        if folder not in level:
            if "/" not in name:
                continue
            faults.append(f"{name}: its folder {folder}/ stands on no floor")
            continue
        text = (ROOT / name).read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            target = match.group(1).split("/", 1)[0]
            if target == folder or target not in level and not (ROOT / target).is_dir():
                continue  # its own folder, or a generated or system header
            if target not in level:
                faults.append(f"{name}:{number}: includes {match.group(1)}, whose folder stands on no floor")
            elif level[target] >= level[folder]:
                faults.append(f"{name}:{number}: {folder}/ (floor {level[folder]}) includes {match.group(1)} "
                              f"(floor {level[target]})")
    # A tool a person runs stands on nothing of the tests: no test folder on its path, no test module imported.
    tools = subprocess.run(["git", "ls-files", "tools/*.py"], cwd=ROOT, capture_output=True, text=True,
                           check=True).stdout.split()
    for name in tools:
        for number, line in enumerate((ROOT / name).read_text(encoding="utf-8").splitlines(), 1):
            if re.search(r"sys\.path\.\w+\(.*[\"']tests[\"']|^\s*(from|import)\s+(tests|driver|cases)\b", line):
                faults.append(f"{name}:{number}: a tool reaches into the tests")
    for fault in faults:
        print(fault)
    print(f"{len(sources)} files read, {len(faults)} includes off their floors")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
